// Entry point of the viewer: configuration, window, process-wide objects, then the GLUT loop.
#include <epoxy/gl.h>
#include <GL/freeglut.h>

#include <iostream>

#include "app/Config.h"
#include "app/Help.h"
#include "app/LightingModule.h"
#include "app/Viewer.h"

int main(int argc, char** argv) {
    if (asksForHelp(argc, argv)) {
        printHelp(std::cout, argc, argv);
        return 0;
    }
    const ViewerConfig config = loadViewerConfig(argc, argv);
    openViewerWindow(argc, argv, config);
    createOnScreenDisplay();
    // Sets up light 0 at once, so it follows the window and the fixed GL state.
    LightingModule lighting(config.lightingFile);
    createViewerObjects(config, lighting);
    registerCallbacks();
    glutMainLoop();
    return 0;
}
