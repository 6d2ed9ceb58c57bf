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

    // Draws text with its first character's origin at window pixel (x, y) from the lower-left
    // corner. Leaves every piece of GL state as it was except the raster position.
    void drawText(float x, float y, const char* text) const;

private:
    void* font;
    int width;
    int height;
};
