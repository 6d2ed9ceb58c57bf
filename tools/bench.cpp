// velmora-bench: loads a level like the viewer and measures what users feel: how long the level
// and the sky take to appear (beside the time to read the file's bytes alone), what a press of
// the patch level keys and a jump of patch level cost, and the frames of a fixed flight through the
// real render path (visibility work, whole frame, visible faces, allocations), and last what a
// reload of the same level beside the one shown costs.
#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <sys/resource.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <ctime>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/Callbacks.h"
#include "app/ViewOptions.h"
#include "app/ViewerSession.h"
#include "level/BSPMap.h"
#include "level/LevelFile.h"
#include "render/LevelViews.h"
#include "assets/AssetStore.h"
#include "tests/support/AllocationCounter.h"
#include "texture/FaceTextures.h"
#include "tools/BenchRoute.h"
#include "tools/BenchStatistics.h"

namespace {

constexpr int kBadArgumentStatus = 2;
constexpr char kUsage[] =
    "usage: velmora-bench CONFIG [--spots N] [--both-views] [--time SECONDS] [--json FILE] "
    "[--entities] [--brush-entities]";
constexpr int kDefaultSpots = 8;
// A full circle in 2 degree steps at every spot.
constexpr int kTurnStepDegrees = 2;
constexpr int kStepsPerCircle = 360 / kTurnStepDegrees;
constexpr int kEmptyFrames = 60;
// The overdraw is counted on one pose in this many: its frame is drawn once more inside a query.
constexpr int kOverdrawEvery = 6;
// Jumps on a freshly loaded level: the first one to 20 grows the patch store; the later one finds
// it grown.
struct RetessellateStep {
    const char* name;
    int level;
};
constexpr RetessellateStep kRetessellateSteps[] = {
    {"20_first", 20}, {"2", 2}, {"20", 20}, {"10", 10}};
constexpr double kKilobytesPerMegabyte = 1024.0;

class Stopwatch {
public:
    double elapsedMs() const {
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point start = Clock::now();
};

struct Options {
    std::string configPath;
    int spots = kDefaultSpots;
    std::string jsonPath;
    bool bothViews = false;
    bool entities = false;
    bool brushEntities = false;
    bool depthPass = false;
    double clockSeconds = 0.0;
};

struct RetessellateFigures {
    std::size_t patches = 0;
    std::size_t verticesAt20 = 0;
    std::vector<std::pair<std::string, double>> msByStep;
    // The slowest single key press of the walk and the levels it went between.
    double stepMaxMs = 0.0;
    int stepMaxFrom = 0;
    int stepMaxTo = 0;
};

struct RouteFigures {
    std::size_t spots = 0;
    std::vector<double> visibilityMs;
    std::vector<double> frameMs;
    // The drawing thread's processor time for the same frames: with LP_NUM_THREADS=0 the
    // rasteriser runs in it, so this is the whole frame without the waits of a busy machine.
    std::vector<double> frameCpuMs;
    std::vector<std::size_t> visibleFaces;
    std::vector<std::size_t> draws;
    // The material view's depth-only draws, beside the shading ones above.
    std::vector<std::size_t> depthDraws;
    // Fragments that passed the depth test per window pixel, on every kOverdrawEvery-th pose.
    std::vector<double> overdraw;
    // The same for the passes that shade (the depth-only pass left out), on the same poses.
    std::vector<double> shaded;
    // Allocations of the route's frames beyond one per visible face (the ordered set's entries),
    // and the number of frames that made any: the draw list growing, the driver setting up.
    std::size_t extraAllocations = 0;
    std::size_t framesWithExtraAllocations = 0;
};

// Parses the arguments; false (with the usage printed) for bad ones, exitStatus set either way.
bool parseOptions(int argc, char** argv, Options& options, int& exitStatus) {
    CLI::App app{"Measures loading, re-tessellation and the frames of a flight through a level."};
    app.add_option("CONFIG", options.configPath, "viewer configuration file")->required();
    app.add_option("--spots", options.spots, "fly to at most N spawn points (default 8)")
        ->check(CLI::Range(1, 1000));
    app.add_option("--json", options.jsonPath, "also write the figures to FILE as JSON");
    app.add_option("--time", options.clockSeconds,
                   "the materials' animation clock during the route, in seconds (default 0)")
        ->check(CLI::Range(0.0, 1e9));
    app.add_flag("--both-views", options.bothViews,
                 "fly the route in the default view, then again in the lit view");
    app.add_flag("--depth-pass", options.depthPass,
                 "draw the material view with a depth-only pass first, to measure what it buys");
    app.add_flag("--entities", options.entities,
                 "fly the last view's route once more, each pose with and without the entities");
    app.add_flag("--brush-entities", options.brushEntities,
                 "fly the last view's route once more, each pose with and without the brush "
                 "entities");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        exitStatus = 0;
        return false;
    } catch (const CLI::ParseError& error) {
        std::cerr << kUsage << "\n" << error.what() << std::endl;
        exitStatus = kBadArgumentStatus;
        return false;
    }
    return true;
}

// The walk a user makes with the keys on the loaded level, one level a press: up from the start
// level to the top, each rise the first to its level, then down to the lowest level the keys
// reach; each press timed on its own. Leaves the level at the start level.
void timeKeyWalk(BSPMap& map, RetessellateFigures& figures) {
    const auto press = [&](int from, int to) {
        const Stopwatch stopwatch;
        map.setPatchLevel(to);
        const double ms = stopwatch.elapsedMs();
        if (ms > figures.stepMaxMs) {
            figures.stepMaxMs = ms;
            figures.stepMaxFrom = from;
            figures.stepMaxTo = to;
        }
    };
    for (int level = kInitialPatchLevel + 1; level <= kTopPatchLevel; ++level) {
        press(level - 1, level);
    }
    for (const Face& face : map.getFaces()) {
        figures.patches += face.patches.size();
        for (const BezierPatch& patch : face.patches) {
            figures.verticesAt20 += patch.getVertices().size();
        }
    }
    for (int level = kTopPatchLevel - 1; level >= kMinPatchLevel; --level) {
        press(level + 1, level);
    }
    map.setPatchLevel(kInitialPatchLevel);
}

void timeJumps(BSPMap& map, RetessellateFigures& figures) {
    for (const RetessellateStep& step : kRetessellateSteps) {
        const Stopwatch stopwatch;
        map.setPatchLevel(step.level);
        figures.msByStep.emplace_back(step.name, stopwatch.elapsedMs());
    }
}

double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return 1e3 * static_cast<double>(now.tv_sec) + 1e-6 * static_cast<double>(now.tv_nsec);
}

struct FrameTimes {
    double wallMs = 0.0;
    double cpuMs = 0.0;
};

// The frame as the viewer's display callback draws it, finished and shown.
FrameTimes timeFrame(ViewerSession& session) {
    const double cpuStartMs = threadCpuMs();
    const Stopwatch stopwatch;
    session.drawFrame(0.0f);
    glFinish();
    glutSwapBuffers();
    return {stopwatch.elapsedMs(), threadCpuMs() - cpuStartMs};
}

// The frame drawn once more, counting the fragments that pass the depth test, per window pixel:
// every one of them, or (shadingOnly) those of the passes that shade.
double fragmentsPerPixel(ViewerSession& session, bool shadingOnly) {
    GLuint query = 0;
    glGenQueries(1, &query);
    LevelViews& views = session.getLevel().views();
    if (shadingOnly) {
        views.countShadedFragmentsIn(query);
    } else {
        glBeginQuery(GL_SAMPLES_PASSED, query);
    }
    session.drawFrame(0.0f);
    if (shadingOnly) {
        views.countShadedFragmentsIn(0);
    } else {
        glEndQuery(GL_SAMPLES_PASSED);
    }
    GLuint samples = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &samples);
    glDeleteQueries(1, &query);
    const ViewerConfig& config = session.getConfig();
    return double(samples) / (double(config.width) * double(config.height));
}

// Frames with only the clear, the overlay and the swap: the viewer's frame before a level exists.
double medianEmptyFrameMs(ViewerSession& session) {
    std::vector<double> frameMs;
    for (int i = 0; i < kEmptyFrames; ++i) {
        const Stopwatch stopwatch;
        session.drawFrameWithoutLevel();
        glFinish();
        glutSwapBuffers();
        frameMs.push_back(stopwatch.elapsedMs());
    }
    return median(frameMs);
}

void flySpot(ViewerSession& session, const Point& spot, RouteFigures& figures) {
    BSPMap& level = session.getLevel();
    for (int step = 0; step < kStepsPerCircle; ++step) {
        session.placeEye(spot, step * kTurnStepDegrees);
        std::size_t allocations = 0;
        FrameTimes times;
        {
            const AllocationCount counter;
            times = timeFrame(session);
            allocations = counter.count();
        }
        const std::size_t visible = level.getLastVisibleFaceCount();
        figures.frameMs.push_back(times.wallMs);
        figures.frameCpuMs.push_back(times.cpuMs);
        figures.visibleFaces.push_back(visible);
        figures.draws.push_back(level.getLastDrawCount());
        figures.depthDraws.push_back(level.views().lastDepthPassDraws());
        if (step % kOverdrawEvery == 0) {
            figures.overdraw.push_back(fragmentsPerPixel(session, false));
            figures.shaded.push_back(fragmentsPerPixel(session, true));
        }
        if (allocations > visible) {
            figures.extraAllocations += allocations - visible;
            ++figures.framesWithExtraAllocations;
        }
        // The frame's two visibility steps again for the pose just drawn, with the frustum it
        // left.
        const Stopwatch stopwatch;
        level.locateCamera();
        level.collectVisibleFaces(level.getLastCameraCluster());
        figures.visibilityMs.push_back(stopwatch.elapsedMs());
    }
}

// The frames of the route with the entities shown and hidden, each pose drawn both ways in turn
// (which way first alternating), so that both see the same machine; and the allocations of the
// frames with entities beyond the face set's.
struct EntityRouteFigures {
    std::vector<double> withMs;
    std::vector<double> withoutMs;
    // The process's processor time for the same frames (the renderer's threads included): on a
    // busy machine the wall clock also counts the time spent waiting for a processor.
    std::vector<double> withCpuMs;
    std::vector<double> withoutCpuMs;
    std::size_t extraAllocations = 0;
    std::size_t framesWithExtraAllocations = 0;
};

double processCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return 1e3 * static_cast<double>(now.tv_sec) + 1e-6 * static_cast<double>(now.tv_nsec);
}

// shown: the switch of what is drawn with and without.
EntityRouteFigures flyEntityRoute(ViewerSession& session, const std::vector<Point>& spots,
                                  bool& shown) {
    EntityRouteFigures figures;
    for (const Point& spot : spots) {
        for (int step = 0; step < kStepsPerCircle; ++step) {
            session.placeEye(spot, step * kTurnStepDegrees);
            for (int turn = 0; turn < 2; ++turn) {
                shown = (step + turn) % 2 == 0;
                const double cpuStartMs = processCpuMs();
                const AllocationCount counter;
                const double frameMs = timeFrame(session).wallMs;
                const std::size_t allocations = counter.count();
                const double cpuMs = processCpuMs() - cpuStartMs;
                const std::size_t visible = session.getLevel().getLastVisibleFaceCount();
                (shown ? figures.withMs : figures.withoutMs).push_back(frameMs);
                (shown ? figures.withCpuMs : figures.withoutCpuMs).push_back(cpuMs);
                if (shown && allocations > visible) {
                    figures.extraAllocations += allocations - visible;
                    ++figures.framesWithExtraAllocations;
                }
            }
        }
    }
    return figures;
}

RouteFigures flyRoute(ViewerSession& session, const std::vector<Point>& spots) {
    RouteFigures figures;
    figures.spots = spots.size();
    for (const Point& spot : spots) {
        flySpot(session, spot, figures);
    }
    return figures;
}

// Both views over the same route, spot by spot, each spot's circle flown in one view and then the
// other, which first alternating: so that both see the same machine even when its load wanders.
void flyBothViews(ViewerSession& session, const std::vector<Point>& spots, RouteFigures& plain,
                  RouteFigures& lit) {
    bool& litView = session.getOptions().litView;
    plain.spots = spots.size();
    lit.spots = spots.size();
    for (std::size_t spot = 0; spot < spots.size(); ++spot) {
        for (std::size_t turn = 0; turn < 2; ++turn) {
            litView = (spot + turn) % 2 == 1;
            session.placeEye(spots[spot], 0);
            // The first frame after a change of view binds what the other view left: untimed.
            timeFrame(session);
            flySpot(session, spots[spot], litView ? lit : plain);
        }
    }
}

// The level's bytes found as the loader finds them: a level inside an archive counts the archives'
// opening and the entry's inflation.
std::vector<std::uint8_t> readLevelFile(const std::string& dataPath, const std::string& levelFile) {
    std::ifstream stream;
    std::vector<std::uint8_t> bytes;
    std::ostringstream ignoredLog;
    LazyAssetStore dataPathAssets(dataPath, ignoredLog);
    readLevelBytes(stream, levelFile, bytes, dataPathAssets);
    return bytes;
}

double timeFileRead(const std::string& dataPath, const std::string& levelFile) {
    const Stopwatch stopwatch;
    readLevelFile(dataPath, levelFile);
    return stopwatch.elapsedMs();
}

// Another copy of the level, built from the file as the viewer builds one, whose patches have
// never risen above the start level.
std::unique_ptr<BSPMap> loadFreshLevel(const ViewerSession& session) {
    const ViewerConfig& config = session.getConfig();
    std::ostringstream ignoredLog;
    return std::make_unique<BSPMap>(config.dataPath, config.levelFile,
                                    readLevelFile(config.dataPath, config.levelFile),
                                    session.levelStores(), nullptr, nullptr, ignoredLog);
}

double peakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / kKilobytesPerMegabyte;
}

double sum(const std::vector<double>& values) {
    double total = 0.0;
    for (const double value : values) {
        total += value;
    }
    return total;
}

struct Figures {
    std::string level;
    std::string renderer;
    int width = 0;
    int height = 0;
    double readMs = 0.0;
    double loadMs = 0.0;
    double skyMs = 0.0;
    double lightmapUploadMs = 0.0;
    std::size_t lightmapPages = 0;
    // With textures = on: the whole face-image load and its own figures.
    bool texturesLoaded = false;
    double textureLoadMs = 0.0;
    FaceTextureStats textureStats;
    RetessellateFigures retessellate;
    // The route in the configured view, or in the default view with --both-views.
    RouteFigures route;
    bool litRouteFlown = false;
    RouteFigures litRoute;
    // With --entities: the last route flown again with them shown, and their loading.
    bool entityRouteFlown = false;
    EntityRouteFigures entityRoute;
    // With --brush-entities: the last route flown again with and without them.
    bool brushRouteFlown = false;
    EntityRouteFigures brushRoute;
    std::size_t entityModels = 0;
    double entityModelMs = 0.0;
    double entityLookMs = 0.0;
    double emptyFrameMs = 0.0;
    // The same level loaded again through the session's reload, beside the one shown, until it
    // is shown with its lightmaps, sky and (with textures = on) face images.
    double reloadMs = 0.0;
    ViewerSession::ReloadTimes reloadParts;
    // With the level and the sky loaded, before any patch level change; then at the end.
    double startRssMb = 0.0;
    double peakRssMb = 0.0;
    // What the level's buffer objects hold, and the vertex lumps' own size beside it.
    std::size_t bufferBytes = 0;
    std::size_t vertexLumpBytes = 0;

    std::size_t frames() const { return route.frameMs.size(); }
    double fps() const {
        const double totalMs = sum(route.frameMs);
        return totalMs > 0.0 ? 1000.0 * static_cast<double>(frames()) / totalMs : 0.0;
    }
};

nlohmann::ordered_json toJson(const Figures& figures) {
    nlohmann::ordered_json json;
    json["level"] = figures.level;
    json["renderer"] = figures.renderer;
    json["width"] = figures.width;
    json["height"] = figures.height;
    json["read_ms"] = figures.readMs;
    json["load_ms"] = figures.loadMs;
    json["sky_ms"] = figures.skyMs;
    json["lightmap_upload_ms"] = figures.lightmapUploadMs;
    json["lightmap_pages"] = figures.lightmapPages;
    if (figures.texturesLoaded) {
        json["textures"] = {{"load_ms", figures.textureLoadMs},
                            {"found", figures.textureStats.found},
                            {"placeholders", figures.textureStats.placeholders},
                            {"decode_ms", figures.textureStats.decodeMs},
                            {"upload_ms", figures.textureStats.uploadMs}};
    }
    json["patches"] = figures.retessellate.patches;
    json["patch_vertices_at_20"] = figures.retessellate.verticesAt20;
    nlohmann::ordered_json retessellate = nlohmann::ordered_json::object();
    for (const auto& [step, ms] : figures.retessellate.msByStep) {
        retessellate[step] = ms;
    }
    retessellate["step_max"] = figures.retessellate.stepMaxMs;
    json["retessellate_ms"] = retessellate;
    json["spots"] = figures.route.spots;
    json["frames"] = figures.frames();
    json["visibility_ms"] = {{"median", median(figures.route.visibilityMs)},
                             {"p95", percentile(figures.route.visibilityMs, 95)}};
    json["frame_ms"] = {{"median", median(figures.route.frameMs)},
                        {"p95", percentile(figures.route.frameMs, 95)}};
    json["fps"] = figures.fps();
    json["visible_faces"] = {{"median", median(figures.route.visibleFaces)},
                             {"max", percentile(figures.route.visibleFaces, 100)}};
    json["draws_per_frame"] = {{"median", median(figures.route.draws)},
                               {"max", percentile(figures.route.draws, 100)}};
    json["overdraw"] = {{"median", median(figures.route.overdraw)},
                        {"p95", percentile(figures.route.overdraw, 95)}};
    json["frame_cpu_ms"] = {{"median", median(figures.route.frameCpuMs)},
                            {"p95", percentile(figures.route.frameCpuMs, 95)}};
    json["shaded_per_pixel"] = {{"median", median(figures.route.shaded)},
                                {"p95", percentile(figures.route.shaded, 95)}};
    json["buffer_bytes"] = figures.bufferBytes;
    json["vertex_lump_bytes"] = figures.vertexLumpBytes;
    if (figures.litRouteFlown) {
        const double litMedian = median(figures.litRoute.frameMs);
        const double defaultMedian = median(figures.route.frameMs);
        json["lit_frame_ms"] = {{"median", litMedian},
                                {"p95", percentile(figures.litRoute.frameMs, 95)}};
        json["lit_draws_per_frame"] = {{"median", median(figures.litRoute.draws)},
                                       {"max", percentile(figures.litRoute.draws, 100)}};
        json["lit_overdraw"] = {{"median", median(figures.litRoute.overdraw)},
                                {"p95", percentile(figures.litRoute.overdraw, 95)}};
        json["lit_depth_pass_draws"] = {{"median", median(figures.litRoute.depthDraws)},
                                        {"max", percentile(figures.litRoute.depthDraws, 100)}};
        json["lit_frame_cpu_ms"] = {{"median", median(figures.litRoute.frameCpuMs)},
                                    {"p95", percentile(figures.litRoute.frameCpuMs, 95)}};
        json["lit_shaded_per_pixel"] = {{"median", median(figures.litRoute.shaded)},
                                        {"p95", percentile(figures.litRoute.shaded, 95)}};
        json["lit_fps"] = litMedian > 0.0 ? 1000.0 / litMedian : 0.0;
        json["lit_to_default_frame_ratio"] = defaultMedian > 0.0 ? litMedian / defaultMedian : 0.0;
    }
    if (figures.entityRouteFlown) {
        const double withMedian = median(figures.entityRoute.withMs);
        const double withoutMedian = median(figures.entityRoute.withoutMs);
        json["entity_frame_ms"] = {{"median", withMedian},
                                   {"p95", percentile(figures.entityRoute.withMs, 95)}};
        json["without_entity_frame_ms"] = {{"median", withoutMedian},
                                           {"p95", percentile(figures.entityRoute.withoutMs, 95)}};
        json["entity_allocations_beyond_face_set"] = {
            {"total", figures.entityRoute.extraAllocations},
            {"frames", figures.entityRoute.framesWithExtraAllocations}};
        json["entity_cpu_ms"] = {{"median", median(figures.entityRoute.withCpuMs)},
                                 {"without_median", median(figures.entityRoute.withoutCpuMs)}};
        json["entity_to_plain_frame_ratio"] =
            withoutMedian > 0.0 ? withMedian / withoutMedian : 0.0;
        json["entity_models"] = figures.entityModels;
        json["entity_model_load_ms"] = figures.entityModelMs;
        json["entity_surface_look_ms"] = figures.entityLookMs;
    }
    if (figures.brushRouteFlown) {
        const EntityRouteFigures& brush = figures.brushRoute;
        const double withMedian = median(brush.withMs);
        const double withoutMedian = median(brush.withoutMs);
        json["brush_frame_ms"] = {{"median", withMedian}, {"without_median", withoutMedian}};
        json["brush_cpu_ms"] = {{"median", median(brush.withCpuMs)},
                                {"without_median", median(brush.withoutCpuMs)}};
        json["brush_to_plain_frame_ratio"] = withoutMedian > 0.0 ? withMedian / withoutMedian : 0.0;
    }
    json["empty_frame_ms"] = figures.emptyFrameMs;
    json["reload_ms"] = figures.reloadMs;
    json["reload_load_ms"] = figures.reloadParts.loadMs;
    json["reload_show_ms"] = figures.reloadParts.showMs;
    if (kAllocationsCounted) {
        json["allocations_beyond_face_set"] = {
            {"total", figures.route.extraAllocations},
            {"frames", figures.route.framesWithExtraAllocations}};
    } else {
        json["allocations_beyond_face_set"] = nullptr;
    }
    json["peak_rss_at_start_mb"] = figures.startRssMb;
    json["peak_rss_mb"] = figures.peakRssMb;
    return json;
}

void printTable(const Figures& figures, std::ostream& out) {
    const auto& route = figures.route;
    const auto row = [&out](const char* label) -> std::ostream& {
        return out << "  " << std::left << std::setw(34) << label << std::right;
    };
    out << std::fixed << std::setprecision(3);
    out << "velmora-bench " << figures.level << " (" << figures.width << "x" << figures.height
        << ", " << figures.renderer << ")\n";
    row("read the level file") << figures.readMs << " ms\n";
    row("load, patches at 10 included") << figures.loadMs << " ms\n";
    row("sky set-up") << figures.skyMs << " ms\n";
    row("lightmap upload") << figures.lightmapUploadMs << " ms (" << figures.lightmapPages
                           << " pages)\n";
    if (figures.texturesLoaded) {
        const FaceTextureStats& stats = figures.textureStats;
        row("face textures") << figures.textureLoadMs << " ms: " << stats.found << " found, "
                             << stats.placeholders << " placeholders, decode " << stats.decodeMs
                             << " ms, upload " << stats.uploadMs << " ms\n";
    }
    row("patches (vertices at level 20)")
        << figures.retessellate.patches << " (" << figures.retessellate.verticesAt20 << ")\n";
    const RetessellateFigures& retessellate = figures.retessellate;
    row("re-tessellate, slowest key press")
        << retessellate.stepMaxMs << " ms (" << retessellate.stepMaxFrom << " to "
        << retessellate.stepMaxTo << ")\n";
    for (const auto& [step, ms] : retessellate.msByStep) {
        const std::string label = "re-tessellate at " + step;
        row(label.c_str()) << ms << " ms\n";
    }
    row("route") << route.spots << " spots, " << figures.frames() << " frames\n";
    row("visibility median / p95")
        << median(route.visibilityMs) << " / " << percentile(route.visibilityMs, 95) << " ms\n";
    row("frame median / p95") << median(route.frameMs) << " / " << percentile(route.frameMs, 95)
                              << " ms\n";
    row("processor ms median / p95")
        << median(route.frameCpuMs) << " / " << percentile(route.frameCpuMs, 95) << " ms\n";
    if (figures.litRouteFlown) {
        const double litMedian = median(figures.litRoute.frameMs);
        const double defaultMedian = median(route.frameMs);
        row("lit view frame median / p95")
            << litMedian << " / " << percentile(figures.litRoute.frameMs, 95) << " ms\n";
        row("lit / default frame median")
            << (defaultMedian > 0.0 ? litMedian / defaultMedian : 0.0) << "\n";
        row("lit view draws median / max") << median(figures.litRoute.draws) << " / "
                                           << percentile(figures.litRoute.draws, 100) << "\n";
        row("lit view overdraw median / p95") << median(figures.litRoute.overdraw) << " / "
                                              << percentile(figures.litRoute.overdraw, 95) << "\n";
        row("depth pass draws median / max")
            << median(figures.litRoute.depthDraws) << " / "
            << percentile(figures.litRoute.depthDraws, 100) << "\n";
        row("lit view processor median / p95")
            << median(figures.litRoute.frameCpuMs) << " / "
            << percentile(figures.litRoute.frameCpuMs, 95) << " ms\n";
        row("lit view shaded median / p95") << median(figures.litRoute.shaded) << " / "
                                            << percentile(figures.litRoute.shaded, 95) << "\n";
    }
    if (figures.entityRouteFlown) {
        const double withMedian = median(figures.entityRoute.withMs);
        const double withoutMedian = median(figures.entityRoute.withoutMs);
        row("entities: models read / looks")
            << figures.entityModels << " files in " << figures.entityModelMs << " ms / "
            << figures.entityLookMs << " ms\n";
        row("with entities frame median / p95")
            << withMedian << " / " << percentile(figures.entityRoute.withMs, 95) << " ms\n";
        row("without, the same poses in turn")
            << withoutMedian << " / " << percentile(figures.entityRoute.withoutMs, 95) << " ms\n";
        row("with / without entities median")
            << (withoutMedian > 0.0 ? withMedian / withoutMedian : 0.0) << "\n";
        const double withCpu = median(figures.entityRoute.withCpuMs);
        const double withoutCpu = median(figures.entityRoute.withoutCpuMs);
        row("processor ms with / without")
            << withCpu << " / " << withoutCpu << " ("
            << (withoutCpu > 0.0 ? withCpu / withoutCpu : 0.0) << ")\n";
    }
    if (figures.brushRouteFlown) {
        const EntityRouteFigures& brush = figures.brushRoute;
        const double withMedian = median(brush.withMs);
        const double withoutMedian = median(brush.withoutMs);
        row("brush entities with / without")
            << withMedian << " / " << withoutMedian << " ms ("
            << (withoutMedian > 0.0 ? withMedian / withoutMedian : 0.0) << ")\n";
        row("processor ms with / without")
            << median(brush.withCpuMs) << " / " << median(brush.withoutCpuMs) << "\n";
    }
    row("draws median / max") << median(route.draws) << " / " << percentile(route.draws, 100)
                              << "\n";
    row("overdraw median / p95") << median(route.overdraw) << " / "
                                 << percentile(route.overdraw, 95) << "\n";
    row("shaded per pixel median / p95")
        << median(route.shaded) << " / " << percentile(route.shaded, 95) << "\n";
    row("buffer objects / vertex lumps")
        << figures.bufferBytes << " / " << figures.vertexLumpBytes << " bytes\n";
    row("frames per second") << std::setprecision(1) << figures.fps() << "\n";
    row("visible faces median / max") << std::setprecision(0) << median(route.visibleFaces) << " / "
                                      << percentile(route.visibleFaces, 100) << "\n";
    row("empty frame") << std::setprecision(3) << figures.emptyFrameMs << " ms\n";
    row("reload beside the level shown")
        << figures.reloadMs << " ms: load and check " << figures.reloadParts.loadMs
        << " ms, in its place " << figures.reloadParts.showMs << " ms\n";
    if (kAllocationsCounted) {
        row("allocations beyond the face set")
            << route.extraAllocations << " in " << route.framesWithExtraAllocations << " of "
            << figures.frames() << " frames\n";
    } else {
        row("allocations beyond the face set") << "not counted in this build\n";
    }
    row("peak resident memory at the start")
        << std::setprecision(1) << figures.startRssMb << " MB\n";
    row("peak resident memory") << figures.peakRssMb << " MB\n";
    out << std::flush;
}

bool writeJson(const Figures& figures, const std::string& path) {
    std::ofstream file(path);
    file << toJson(figures).dump(2) << "\n";
    file.close();
    if (!file) {
        std::cerr << "velmora-bench: cannot write " << path << std::endl;
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    int exitStatus = 0;
    if (!parseOptions(argc, argv, options, exitStatus)) {
        return exitStatus;
    }

    // The viewer's own start-up, as if it had been given only the configuration file, with the
    // level, the lightmap upload, the face images and the sky timed apart.
    std::string programName = argv[0];
    char* viewerArgv[] = {programName.data(), options.configPath.data(), nullptr};
    int viewerArgc = 2;
    std::optional<ViewerConfig> viewerConfig =
        ViewerSession::fromCommandLine(viewerArgc, viewerArgv);
    if (!viewerConfig) {
        return 1;
    }
    ViewerSession session(std::move(*viewerConfig));
    const ViewerConfig& config = session.getConfig();
    session.openWindow(viewerArgc, viewerArgv);

    Figures figures;
    figures.level = config.levelFile;
    figures.width = config.width;
    figures.height = config.height;
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    figures.renderer = renderer != nullptr ? renderer : "unknown renderer";
    // First, so that the load that follows finds the file in the page cache just as this did.
    figures.readMs = timeFileRead(config.dataPath, config.levelFile);
    Stopwatch stopwatch;
    if (!session.loadLevel()) {
        return 1;
    }
    figures.loadMs = stopwatch.elapsedMs();
    stopwatch = Stopwatch();
    BSPMap& level = session.getLevel();
    LevelViews& views = level.views();
    views.uploadLightmaps();
    figures.lightmapUploadMs = stopwatch.elapsedMs();
    figures.lightmapPages = views.getLightmaps().pageCount();
    if (config.textures) {
        stopwatch = Stopwatch();
        views.loadFaceTextures(std::cerr);
        figures.textureLoadMs = stopwatch.elapsedMs();
        figures.textureStats = views.getFaceTextures()->stats();
        figures.texturesLoaded = true;
    }
    // The lightmaps and face images are in place already, so this times the sky alone.
    stopwatch = Stopwatch();
    session.placeCamera();
    figures.skyMs = stopwatch.elapsedMs();
    views.useDepthPass(options.depthPass);
    figures.startRssMb = peakResidentMegabytes();
    session.showWithoutLoop();
    session.getOptions().clockSeconds = options.clockSeconds;

    timeKeyWalk(level, figures.retessellate);
    const std::vector<Point> spots =
        benchRoute(level, static_cast<std::size_t>(options.spots), config.start);
    // One frame untimed, so the driver's one-off set-up is not counted against the route.
    session.placeEye(spots.front(), 0);
    timeFrame(session);
    figures.emptyFrameMs = medianEmptyFrameMs(session);
    if (options.bothViews) {
        flyBothViews(session, spots, figures.route, figures.litRoute);
        session.getOptions().litView = true;
        figures.litRouteFlown = true;
    } else {
        figures.route = flyRoute(session, spots);
    }
    if (options.entities) {
        session.getOptions().showEntities = true;
        // The first frame reads the models and uploads their images; timed by the view itself.
        timeFrame(session);
        const EntityView& entityView = views.entities(std::cerr);
        figures.entityModels = entityView.modelCount();
        figures.entityModelMs = entityView.modelLoadMs();
        figures.entityLookMs = entityView.surfaceLookMs();
        figures.entityRoute = flyEntityRoute(session, spots, session.getOptions().showEntities);
        figures.entityRouteFlown = true;
    }
    if (options.brushEntities) {
        figures.brushRoute = flyEntityRoute(session, spots, session.getOptions().brushEntities);
        session.getOptions().brushEntities = true;
        figures.brushRouteFlown = true;
    }
    figures.peakRssMb = peakResidentMegabytes();
    figures.bufferBytes = views.bufferBytes();
    figures.vertexLumpBytes = level.getVertices().size() * sizeof(Vertex) +
                              level.getMeshVertices().size() * sizeof(std::int32_t);
    // After the peak is taken: for a moment two levels are held.
    stopwatch = Stopwatch();
    if (!session.reloadLevel()) {
        return 1;
    }
    figures.reloadMs = stopwatch.elapsedMs();
    figures.reloadParts = session.lastReloadTimes();
    // After the peak is taken, so that the second copy does not count in it.
    timeJumps(*loadFreshLevel(session), figures.retessellate);

    printTable(figures, std::cout);
    const bool written = options.jsonPath.empty() || writeJson(figures, options.jsonPath);
    session.shutDown();
    return written ? 0 : 1;
}
