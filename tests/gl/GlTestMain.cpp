// Runs the GL tests inside one real GLUT window (under Xvfb when there is no display).
#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include "GlTestWindow.h"
#include "app/LeakCheck.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Test discovery only lists the tests: no window is needed for that.
    if (testing::GTEST_FLAG(list_tests)) {
        return RUN_ALL_TESTS();
    }
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH | GLUT_STENCIL);
    glutInitWindowSize(kGlTestWindowWidth, kGlTestWindowHeight);
    glutCreateWindow("Velmora");
    checkLeaksBeforeLibrariesUnload();
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
    // The window must be mapped before pixels drawn into it can be read back.
    glutDisplayFunc([] {});
    glutMainLoopEvent();
    const int status = RUN_ALL_TESTS();
    // A last test that drew without reading its pixels back leaves work queued in the software
    // rasteriser, which compiles it when the display closes at exit, after its compiler's own
    // statics are gone: a crash after every test passed. Finish it while everything is alive.
    glFinish();
    return status;
}
