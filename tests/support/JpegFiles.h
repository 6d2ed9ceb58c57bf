// Writes JPEG files for tests with libjpeg, so no binary image is kept in the repository.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

// pixels: height rows, top first, of width * components bytes. components 1 is written as
// greyscale, 3 as RGB, 4 as CMYK, any other count with no colour space. Best quality; creates
// the parent directories. False when the file cannot be created.
bool writeTestJpeg(const std::filesystem::path& file, int width, int height, int components,
                   const std::vector<std::uint8_t>& pixels);
