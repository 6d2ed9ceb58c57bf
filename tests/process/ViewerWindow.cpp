// findViewerWindow: xdotool asked again and again until the viewer's window is mapped.
#include "ViewerWindow.h"

#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds kSearchInterval = 200ms;
constexpr std::chrono::milliseconds kSearchLimit = 5s;

}  // namespace

std::string findViewerWindow(ChildProcess& viewer, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (viewer.running() && std::chrono::steady_clock::now() < deadline) {
        const ChildOutcome search =
            runProgram({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(viewer.pid()),
                        "--name", "^Velmora$"},
                       kSearchLimit);
        const std::vector<std::string> windows = linesOf(search.out);
        if (search.exitStatus == 0 && !windows.empty()) {
            return windows.front();
        }
        std::this_thread::sleep_for(kSearchInterval);
    }
    return "";
}
