// Reading the test window back: whole-frame snapshots and the box of the lit pixels in them.
#pragma once

#include <epoxy/gl.h>
#include <GL/freeglut.h>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "GlTestWindow.h"

// One window pixel's red, green and blue.
using Rgb = std::array<int, 3>;

struct PixelBox {
    int minX = kGlTestWindowWidth;
    int minY = kGlTestWindowHeight;
    int maxX = -1;
    int maxY = -1;
    bool empty() const { return maxX < 0; }
};

// The back buffer as RGBA rows from the bottom of the window up.
inline std::vector<unsigned char> readWindowPixels() {
    std::vector<unsigned char> pixels(4 * kGlTestWindowWidth * kGlTestWindowHeight);
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kGlTestWindowWidth, kGlTestWindowHeight, GL_RGBA, GL_UNSIGNED_BYTE,
                 pixels.data());
    return pixels;
}

// The pixel at window column x, row y (from the bottom) of a readWindowPixels snapshot.
inline Rgb pixelAt(const std::vector<unsigned char>& pixels, int x, int y) {
    const std::size_t i = 4 * (std::size_t(y) * kGlTestWindowWidth + x);
    return {pixels[i], pixels[i + 1], pixels[i + 2]};
}

inline void expectRgbNear(const Rgb& actual, const Rgb& expected, int tolerance,
                          const std::string& what) {
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(actual[c], expected[c], tolerance) << what << ", channel " << c;
    }
}

// The box around every pixel whose red channel is bright (white text on black).
inline PixelBox litPixelBox(const std::vector<unsigned char>& pixels) {
    PixelBox box;
    for (int y = 0; y < kGlTestWindowHeight; ++y) {
        for (int x = 0; x < kGlTestWindowWidth; ++x) {
            if (pixels[4 * (y * kGlTestWindowWidth + x)] > 128) {
                box.minX = x < box.minX ? x : box.minX;
                box.minY = y < box.minY ? y : box.minY;
                box.maxX = x > box.maxX ? x : box.maxX;
                box.maxY = y > box.maxY ? y : box.maxY;
            }
        }
    }
    return box;
}

// Black window, full viewport, no lighting, texturing or depth writes in the way of bitmaps.
inline void clearToBlack() {
    glViewport(0, 0, kGlTestWindowWidth, kGlTestWindowHeight);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// What text at window point (x, y) must look like: drawn from a window position set directly.
inline std::vector<unsigned char> referenceText(float x, float y, const char* text) {
    clearToBlack();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glWindowPos2f(x, y);
    for (const char* character = text; *character != '\0'; ++character) {
        glutBitmapCharacter(GLUT_BITMAP_TIMES_ROMAN_24, static_cast<unsigned char>(*character));
    }
    return readWindowPixels();
}
