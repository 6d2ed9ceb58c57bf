// Entry point of the viewer: the help text when asked for, otherwise a session started from the
// command line, then the GLUT loop.
#include <iostream>

#include "app/Help.h"
#include "app/ViewerSession.h"

int main(int argc, char** argv) {
    if (asksForHelp(argc, argv)) {
        printHelp(std::cout, argc, argv);
        return 0;
    }
    ViewerSession session(ViewerSession::fromCommandLine(argc, argv));
    session.start(argc, argv);
    session.run();
}
