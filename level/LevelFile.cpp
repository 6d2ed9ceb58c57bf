// Reading a whole level file with one read.
#include "level/LevelFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "assets/AssetStore.h"

std::string readLevelFile(std::ifstream& stream, const std::string& path,
                          std::vector<std::uint8_t>& bytes) {
    stream.open(path, std::ios::binary);
    if (!stream) {
        return std::string("cannot open level file: ") + std::strerror(errno);
    }
    // A directory opens like a file on some systems but has no bytes to give.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return "cannot read level file: it is not a regular file";
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) {
        return "cannot read level file: " + error.message();
    }
    bytes.resize(static_cast<std::size_t>(size));
    stream.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    // A file that shrank since its size was taken is loaded as far as it goes.
    bytes.resize(static_cast<std::size_t>(stream.gcount()));
    return {};
}

std::string readLevelBytes(std::ifstream& stream, const std::string& levelFile,
                           std::vector<std::uint8_t>& bytes, LazyAssetStore& dataPathAssets) {
    const std::string problem = readLevelFile(stream, levelFile, bytes);
    if (problem.empty()) {
        return problem;
    }
    return dataPathAssets.get().read(levelFile, bytes) ? std::string() : problem;
}
