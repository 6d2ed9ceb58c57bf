// Reading a whole level file into memory, with the reason when that is not possible.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

class LazyAssetStore;

// Opens stream on path (binary) and reads the whole file into bytes. Returns an empty text on
// success, otherwise one problem line such as "cannot open level file: No such file or
// directory" (the caller adds the path).
std::string readLevelFile(std::ifstream& stream, const std::string& path,
                          std::vector<std::uint8_t>& bytes);

// The level's bytes as the viewer finds them: the path as written, else the entry of that name
// in the data path's store (its folder, then its .pk3 archives). Returns the problem of the path
// as written when neither has the level.
std::string readLevelBytes(std::ifstream& stream, const std::string& levelFile,
                           std::vector<std::uint8_t>& bytes, LazyAssetStore& dataPathAssets);
