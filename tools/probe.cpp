// velmora-probe: renders single frames of a level at given eye positions through the viewer's own
// render path, prints the camera leaf, cluster and visible-face count of each, and can save the
// last frame as a PNG.
#include <epoxy/gl.h>
#include <GL/freeglut.h>

#include <CLI/CLI.hpp>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iomanip>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/Callbacks.h"
#include "app/EyePose.h"
#include "app/LevelOpening.h"
#include "app/SurfaceReport.h"
#include "app/ViewOptions.h"
#include "app/ViewerSession.h"
#include "geometry/Camera.h"
#include "geometry/Point.h"
#include "level/BSPMap.h"
#include "render/LevelViews.h"
#include "render/ScreenShot.h"
#include "tools/EntityTable.h"

namespace {

constexpr int kBadArgumentStatus = 2;
constexpr char kUsage[] =
    "usage: velmora-probe CONFIG | LEVEL.bsp | NAME [--data DIR]... --at X,Y,Z,YAW[,PITCH] "
    "[--at X,Y,Z,YAW[,PITCH] ...] [--shot FILE.png] [--time SECONDS] [--pick] "
    "[--light-at X,Y,Z ...] [--entities] [--markers on|off] [--stats]";

struct Pose {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    int yaw = 0;
    float pitch = 0.0f;
};

// Reads one number of a comma-separated list and moves past its comma; false unless the whole
// field is a number.
template <typename Number>
bool readField(const char*& cursor, const char* end, bool last, Number& value) {
    const char* fieldEnd = cursor;
    while (fieldEnd != end && *fieldEnd != ',') {
        ++fieldEnd;
    }
    if (last != (fieldEnd == end)) {
        return false;
    }
    const auto [stop, error] = std::from_chars(cursor, fieldEnd, value);
    if (error != std::errc() || stop != fieldEnd || cursor == fieldEnd) {
        return false;
    }
    cursor = last ? fieldEnd : fieldEnd + 1;
    return true;
}

// "X,Y,Z,YAW[,PITCH]": the eye in viewer axes, the camera's angle in whole degrees and the pitch
// in degrees within the camera's range (0 when absent).
bool parsePose(const std::string& text, Pose& pose) {
    EyePose eye;
    if (!readEyePose(text, 4, eye).empty()) {
        return false;
    }
    pose = {eye.position.getX(), eye.position.getY(), eye.position.getZ(), eye.yaw, eye.pitch};
    return true;
}

// "ambient R G B directed R G B direction X Y Z": the colours as the grid stores them (0..255,
// before brightening), the direction toward the light in viewer axes.
void printLightSample(const LightSample& light, std::ostream& out) {
    const auto three = [&](const std::array<float, 3>& values, int decimals) {
        for (const float value : values) {
            // A zero reached by rounding prints without a sign.
            const float shown = std::fabs(value) < 5e-4f ? 0.0f : value;
            out << ' ' << std::fixed << std::setprecision(decimals) << shown;
        }
    };
    out << "ambient";
    three(light.ambient, 1);
    out << " directed";
    three(light.directed, 1);
    out << " direction";
    three(light.direction, 3);
    out << std::endl;
}

// The viewer's command line for the configuration or level, with the level's data folders.
std::vector<std::string> viewerCommandLine(const char* program, const std::string& opened,
                                           const std::vector<std::string>& dataFolders) {
    std::vector<std::string> arguments = {program, opened};
    for (const std::string& folder : dataFolders) {
        arguments.insert(arguments.end(), {"--data", folder});
    }
    return arguments;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Renders frames of a level at given poses and reports what the camera sees."};
    std::string configPath;
    std::vector<std::string> poseTexts;
    std::string shotPath;
    app.add_option("CONFIG", configPath,
                   "viewer configuration file, level file by path (LEVEL.bsp), or NAME for "
                   "maps/NAME.bsp in the data folders")
        ->required();
    std::vector<std::string> dataFolders;
    app.add_option("--data", dataFolders,
                   "with a level path or name: data folder, repeatable, later ones winning, as "
                   "the viewer takes them")
        ->allow_extra_args(false);
    app.add_option("--at", poseTexts,
                   "eye X,Y,Z (viewer axes), integer YAW and optional PITCH in degrees")
        ->allow_extra_args(false);
    std::vector<std::string> lightTexts;
    app.add_option("--light-at", lightTexts,
                   "print the light grid's sample at X,Y,Z (viewer axes): ambient r g b, directed "
                   "r g b, direction x y z")
        ->allow_extra_args(false);
    bool listEntities = false;
    app.add_flag("--entities", listEntities, "print the entities by class name");
    app.add_option("--shot", shotPath,
                   "write the last frame to this PNG file (without --at: the frame from the "
                   "start, the first spawn for a level)");
    bool pick = false;
    app.add_flag(
        "--pick", pick,
        "after each pose's line, the face at the centre of the view as the i key reports it");
    double clockSeconds = 0.0;
    app.add_option("--time", clockSeconds, "the materials' animation clock, in seconds (default 0)")
        ->check(CLI::Range(0.0, 1e9));
    bool stats = false;
    app.add_flag("--stats", stats,
                 "after each pose's line, its frame cost as the v key shows it, with the frame's "
                 "time to the end of its drawing");
    std::string markers;
    app.add_option("--markers", markers,
                   "with the entities shown, their markers on or off (default: as the "
                   "configuration's markers key says, else on)")
        ->check(CLI::IsMember({"on", "off"}));
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return 0;
    } catch (const CLI::ParseError& error) {
        std::cerr << kUsage << "\n" << error.what() << std::endl;
        return kBadArgumentStatus;
    }
    if (poseTexts.empty() && shotPath.empty() && lightTexts.empty() && !listEntities) {
        std::cerr << kUsage << "\nnothing to do: give --at, --shot, --light-at or --entities"
                  << std::endl;
        return kBadArgumentStatus;
    }
    if (!dataFolders.empty() && formOf(configPath) == LaunchForm::kConfiguration) {
        std::cerr << kUsage << "\n--data: only with a level path or name (" << configPath
                  << " is a configuration, whose datapath names its data folder)" << std::endl;
        return kBadArgumentStatus;
    }
    std::vector<Point> lightPoints;
    for (const std::string& text : lightTexts) {
        Pose point;
        const char* cursor = text.data();
        const char* end = text.data() + text.size();
        if (!(readField(cursor, end, false, point.x) && readField(cursor, end, false, point.y) &&
              readField(cursor, end, true, point.z))) {
            std::cerr << kUsage << "\n--light-at " << text << ": expected X,Y,Z" << std::endl;
            return kBadArgumentStatus;
        }
        lightPoints.emplace_back(point.x, point.y, point.z);
    }
    std::vector<Pose> poses(poseTexts.size());
    for (std::size_t i = 0; i < poseTexts.size(); ++i) {
        if (!parsePose(poseTexts[i], poses[i])) {
            std::cerr << kUsage << "\n--at " << poseTexts[i]
                      << ": expected X,Y,Z,YAW[,PITCH] with PITCH within -89..89" << std::endl;
            return kBadArgumentStatus;
        }
    }

    // The viewer's own start-up, as if it had been given only the configuration or the level.
    std::vector<std::string> viewerArguments = viewerCommandLine(argv[0], configPath, dataFolders);
    std::vector<char*> viewerArgv;
    for (std::string& argument : viewerArguments) {
        viewerArgv.push_back(argument.data());
    }
    viewerArgv.push_back(nullptr);
    int viewerArgc = static_cast<int>(viewerArguments.size());
    std::optional<ViewerConfig> config =
        ViewerSession::fromCommandLine(viewerArgc, viewerArgv.data());
    if (!config) {
        return 1;
    }
    ViewerSession session(std::move(*config));
    if (!session.start(viewerArgc, viewerArgv.data())) {
        return 1;
    }
    session.showWithoutLoop();
    session.getOptions().clockSeconds = clockSeconds;
    if (!markers.empty()) {
        session.getOptions().showMarkers = markers == "on";
    }
    session.getOptions().showStats = stats || session.getOptions().showStats;

    BSPMap& level = session.getLevel();
    if (listEntities) {
        printLevelEntityTable(level.getLevelFile(), level.getEntityText(), std::cout, std::cerr);
    }
    for (const Point& point : lightPoints) {
        const EntityView& entities = level.views().entities(std::cerr);
        if (entities.lightGrid() == nullptr) {
            std::cerr << level.getLevelFile() << ": no light grid; the plain light from above"
                      << std::endl;
        }
        printLightSample(entities.lightAt(point), std::cout);
    }
    for (const Pose& pose : poses) {
        session.placeEye(Point(pose.x, pose.y, pose.z), pose.yaw, pose.pitch);
        const auto started = std::chrono::steady_clock::now();
        session.drawFrame(0.0f);
        glFinish();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - started;
        std::cout << "leaf=" << level.getLastCameraLeaf()
                  << " cluster=" << level.getLastCameraCluster()
                  << " visible=" << level.getLastVisibleFaceCount() << std::endl;
        if (stats) {
            FrameCostViews& cost = level.views().frameCost();
            cost.waitForFragments();
            FrameCost figures = cost.lastCost();
            figures.milliseconds = took.count();
            std::cout << frameCostLine(figures).c_str() << std::endl;
        }
        if (pick) {
            std::cout << inspectViewCentre(level, session.getOptions(), texturesEnabled, std::cerr)
                      << std::endl;
        }
    }
    if (poses.empty() && !shotPath.empty()) {
        session.drawFrame(0.0f);
    }
    bool written = true;
    if (!shotPath.empty()) {
        const std::string problem =
            writeFramePng(shotPath, glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT));
        if (!problem.empty()) {
            std::cerr << "velmora-probe: cannot write " << shotPath << ": " << problem << std::endl;
            written = false;
        }
    }
    glutSwapBuffers();
    session.shutDown();
    return written ? 0 : 1;
}
