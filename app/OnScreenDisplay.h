// OnScreenDisplay: one line of bitmap text at a window position, over whatever matrices are set.
#pragma once

class OnScreenDisplay {
public:
    OnScreenDisplay(void* fontHandle, int widthPixels, int heightPixels)
        : font(fontHandle), width(widthPixels), height(heightPixels) {}
    virtual ~OnScreenDisplay() = default;

    void setWidth(int value) { width = value; }
    void setHeight(int value) { height = value; }
    int getWidth() const { return width; }
    int getHeight() const { return height; }
    // The GLUT bitmap font the text is drawn in.
    void* getFont() const { return font; }

    // Draws text with its first character's origin at window pixel (x, y) from the lower-left
    // corner. Leaves every piece of GL state as it was except the raster position.
    void drawText(float x, float y, const char* text) const;
    // The viewer's overlay line: drawText in opaque white at the overlay position. Leaves the
    // current colour white.
    void drawOverlayLine(const char* text) const;

    // Window pixel of the overlay line's first character, from the lower-left corner.
    static constexpr float kOverlayX = 35.0f;
    static constexpr float kOverlayY = 35.0f;

private:
    void* font;
    int width;
    int height;
};
