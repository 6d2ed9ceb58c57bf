// Screenshots: back buffer to PNG through libpng's simplified writer, and the free file name.
#include "render/ScreenShot.h"

#include <epoxy/gl.h>
#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <vector>

namespace {

// Beyond this many shots in one second something else is wrong; the viewer gives up on the shot.
constexpr int kMaxCopiesPerSecond = 1000;
constexpr int kBytesPerPixel = 3;

}  // namespace

std::string writeFramePng(const std::string& path, int width, int height, bool exclusive) {
    if (width <= 0 || height <= 0) {
        return "the window has no pixels";
    }
    std::vector<png_byte> pixels(std::size_t(width) * std::size_t(height) * kBytesPerPixel);
    // Rows are not padded, hence pack alignment 1.
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());

    // A negative stride (in components) tells libpng the rows in memory run bottom-up; it finds
    // the top row itself from the start of the buffer.
    return writeRgbPng(path, width, height, pixels.data(),
                       -static_cast<std::ptrdiff_t>(width * kBytesPerPixel), exclusive);
}

std::string writeRgbPng(const std::string& path, int width, int height, const std::uint8_t* pixels,
                        std::ptrdiff_t rowStride, bool exclusive) {
    if (width <= 0 || height <= 0) {
        return "the picture has no pixels";
    }
    errno = 0;
    // "x" creates the file or fails when it exists, so no earlier shot is ever overwritten.
    FILE* file = std::fopen(path.c_str(), exclusive ? "wbx" : "wb");
    if (file == nullptr) {
        return std::strerror(errno);
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    const bool written = png_image_write_to_stdio(&image, file, 0, pixels,
                                                  static_cast<png_int_32>(rowStride), nullptr) != 0;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::remove(path.c_str());
        return written ? std::string("the file could not be completed") : image.message;
    }
    return "";
}

std::string screenShotName(const std::tm& localTime, int copy) {
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &localTime);
    std::string name = std::string("velmora-") + stamp;
    if (copy > 1) {
        name += "-" + std::to_string(copy);
    }
    return name + ".png";
}

std::string saveScreenShot(int width, int height, std::ostream& log) {
    const std::time_t now = std::time(nullptr);
    std::tm localTime{};
    localtime_r(&now, &localTime);
    for (int copy = 1; copy <= kMaxCopiesPerSecond; ++copy) {
        const std::string path = screenShotName(localTime, copy);
        std::error_code error;
        if (std::filesystem::symlink_status(path, error).type() !=
            std::filesystem::file_type::not_found) {
            continue;
        }
        const std::string problem = writeFramePng(path, width, height, true);
        if (!problem.empty()) {
            log << path << ": cannot write the screenshot: " << problem << std::endl;
            return "";
        }
        log << "screenshot " << path << std::endl;
        return path;
    }
    log << screenShotName(localTime, kMaxCopiesPerSecond)
        << ": cannot write the screenshot: too many shots in one second" << std::endl;
    return "";
}
