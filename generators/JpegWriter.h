// The one JPEG writer of the tools and tests (libjpeg), so that no binary image is kept in the
// repository.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

inline constexpr int kBestJpegQuality = 100;

// pixels: height rows, top first, of width * components bytes. components 1 is written as
// greyscale, 3 as RGB, 4 as CMYK, any other count with no colour space. quality is libjpeg's
// 1..100. Creates the parent directories. False, with the reason in error, when the pixels do not
// match the size or the file cannot be written.
bool writeJpeg(const std::filesystem::path& file, int width, int height, int components,
               const std::vector<std::uint8_t>& pixels, int quality, std::string& error);
