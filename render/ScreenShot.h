// Screenshots: the frame just drawn (the back buffer) written as an RGB PNG, by the viewer's `p`
// key under a fresh time-stamped name and by velmora-probe under a given one; and the PNG writer
// itself, for pictures made without GL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <iosfwd>
#include <string>

// Reads the back buffer's lower-left width x height pixels (needs a current GL context) and writes
// them upright to path. With exclusive, an existing file is left alone and counts as a failure.
// Returns "" on success, otherwise why the file could not be written.
std::string writeFramePng(const std::string& path, int width, int height, bool exclusive = false);

// Writes width x height RGB pixels (3 bytes each) to path as a PNG; rowStride is the bytes from
// one row to the next, negative for rows stored bottom-up. Needs no GL. With exclusive, an existing
// file is left alone and counts as a failure. Returns "" on success, otherwise why not.
std::string writeRgbPng(const std::string& path, int width, int height, const std::uint8_t* pixels,
                        std::ptrdiff_t rowStride, bool exclusive);

// "velmora-YYYYMMDD-HHMMSS.png" for copy 1, "velmora-YYYYMMDD-HHMMSS-N.png" for copy N > 1.
std::string screenShotName(const std::tm& localTime, int copy);

// Writes the frame to the first free screenShotName of now in the working directory and prints
// "screenshot PATH" on log, or one line saying why it could not. Returns the path, "" on failure.
std::string saveScreenShot(int width, int height, std::ostream& log);
