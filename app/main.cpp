// Entry point of the viewer: a session started from the command line, then the GLUT loop.
#include "app/ViewerSession.h"

int main(int argc, char** argv) {
    ViewerSession session(ViewerSession::fromCommandLine(argc, argv));
    session.start(argc, argv);
    session.run();
}
