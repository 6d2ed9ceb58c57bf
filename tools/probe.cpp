// velmora-probe: renders single frames of a level at given eye positions through the viewer's own
// render path, prints the camera leaf, cluster and visible-face count of each, and can save the
// last frame as a PNG.
#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <png.h>

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/ViewerSession.h"
#include "geometry/Point.h"
#include "level/BSPMap.h"

namespace {

constexpr int kBadArgumentStatus = 2;
constexpr char kUsage[] =
    "usage: velmora-probe CONFIG --at X,Y,Z,YAW [--at X,Y,Z,YAW ...] [--shot FILE.png]";

struct Pose {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    int yaw = 0;
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

// "X,Y,Z,YAW": the eye in viewer axes and the camera's angle in whole degrees.
bool parsePose(const std::string& text, Pose& pose) {
    const char* cursor = text.data();
    const char* end = text.data() + text.size();
    return readField(cursor, end, false, pose.x) && readField(cursor, end, false, pose.y) &&
           readField(cursor, end, false, pose.z) && readField(cursor, end, true, pose.yaw) &&
           std::isfinite(pose.x) && std::isfinite(pose.y) && std::isfinite(pose.z);
}

// Reads the back buffer (the frame just drawn, not yet swapped) and writes it as an RGB PNG.
bool writeFrame(const std::string& path) {
    const int width = glutGet(GLUT_WINDOW_WIDTH);
    const int height = glutGet(GLUT_WINDOW_HEIGHT);
    std::vector<png_byte> pixels(std::size_t(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    // A negative stride (in components) tells libpng the rows in memory run bottom-up; it finds
    // the top row itself from the start of the buffer.
    const png_int_32 rowStride = -static_cast<png_int_32>(width * 3);
    if (png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), rowStride, nullptr) == 0) {
        std::cerr << "velmora-probe: cannot write " << path << ": " << image.message << std::endl;
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Renders frames of a level at given poses and reports what the camera sees."};
    std::string configPath;
    std::vector<std::string> poseTexts;
    std::string shotPath;
    app.add_option("CONFIG", configPath, "viewer configuration file")->required();
    app.add_option("--at", poseTexts, "eye X,Y,Z (viewer axes) and integer YAW in degrees")
        ->required()
        ->allow_extra_args(false);
    app.add_option("--shot", shotPath, "write the last frame to this PNG file");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return 0;
    } catch (const CLI::ParseError& error) {
        std::cerr << kUsage << "\n" << error.what() << std::endl;
        return kBadArgumentStatus;
    }
    std::vector<Pose> poses(poseTexts.size());
    for (std::size_t i = 0; i < poseTexts.size(); ++i) {
        if (!parsePose(poseTexts[i], poses[i])) {
            std::cerr << kUsage << "\n--at " << poseTexts[i] << ": expected X,Y,Z,YAW" << std::endl;
            return kBadArgumentStatus;
        }
    }

    // The viewer's own start-up, as if it had been given only the configuration file.
    std::string programName = argv[0];
    char* viewerArgv[] = {programName.data(), configPath.data(), nullptr};
    int viewerArgc = 2;
    ViewerSession session(ViewerSession::fromCommandLine(viewerArgc, viewerArgv));
    session.start(viewerArgc, viewerArgv);
    session.showWithoutLoop();

    const BSPMap& level = session.getLevel();
    for (const Pose& pose : poses) {
        session.placeEye(Point(pose.x, pose.y, pose.z), pose.yaw);
        session.drawFrame(0.0f);
        std::cout << "leaf=" << level.getLastCameraLeaf()
                  << " cluster=" << level.getLastCameraCluster()
                  << " visible=" << level.getLastVisibleFaceCount() << std::endl;
    }
    const bool written = shotPath.empty() || writeFrame(shotPath);
    glutSwapBuffers();
    session.shutDown();
    return written ? 0 : 1;
}
