// Entry point of the viewer: the help text or the list of levels when asked for, otherwise a
// session started from the command line, then the GLUT loop.
#include <iostream>
#include <optional>
#include <string>
#include <utility>

#include "app/Help.h"
#include "app/LevelOpening.h"
#include "app/ViewerSession.h"

namespace {

// As the tools exit on a command line they cannot read.
constexpr int kUsageStatus = 2;

}  // namespace

int main(int argc, char** argv) {
    if (asksForHelp(argc, argv)) {
        printHelp(std::cout, argc, argv);
        return 0;
    }
    if (asksForLevelList(argc, argv)) {
        return printLevelList(argc, argv, std::cout, std::cerr);
    }
    if (const EyePoseArgument at = eyePoseArgument(argc, argv); !at.problem.empty()) {
        printLevelUsage(std::cerr, argc, argv);
        std::cerr << at.problem << std::endl;
        return kUsageStatus;
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
