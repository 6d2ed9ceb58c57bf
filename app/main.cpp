// Entry point of the viewer: the help text or the list of levels when asked for, otherwise a
// session started from the command line, then the GLUT loop.
#include <iostream>
#include <optional>
#include <utility>

#include "app/Help.h"
#include "app/LevelOpening.h"
#include "app/ViewerSession.h"

int main(int argc, char** argv) {
    if (asksForHelp(argc, argv)) {
        printHelp(std::cout, argc, argv);
        return 0;
    }
    if (asksForLevelList(argc, argv)) {
        return printLevelList(argc, argv, std::cout, std::cerr);
    }
    std::optional<ViewerConfig> config = ViewerSession::fromCommandLine(argc, argv);
    if (!config) {
        return 1;
    }
    ViewerSession session(std::move(*config));
    if (!session.start(argc, argv)) {
        return 1;
    }
    session.run();
}
