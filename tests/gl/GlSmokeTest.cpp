// The GL test window exists and clears to the colour asked for.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include "GlTestWindow.h"

TEST(GlContextTest, clearColourReadsBack) {
    glViewport(0, 0, kGlTestWindowWidth, kGlTestWindowHeight);
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char pixel[4] = {};
    glReadBuffer(GL_BACK);
    glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[0], 0);
    EXPECT_EQ(pixel[1], 255);
}
