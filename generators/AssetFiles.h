// Builds texture images and .pk3 archives in memory for the tests and the fuzz seeds, so no game
// data is needed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

using ArchiveEntries = std::vector<std::pair<std::string, std::vector<std::uint8_t>>>;

// An uncompressed true-colour TGA, top row first. pixels holds width * height * components
// bytes in R, G, B(, A) order; components is 3 or 4.
std::vector<std::uint8_t> makeTga(int width, int height, int components,
                                  const std::vector<std::uint8_t>& pixels);
// A TGA of one colour.
std::vector<std::uint8_t> solidTga(int width, int height, std::vector<std::uint8_t> colour);
// A zip archive of the entries in order, deflated (or stored when deflate is false).
std::vector<std::uint8_t> makeZip(const ArchiveEntries& entries, bool deflate = true);
// Writes bytes to file, creating its parent folders; false when it could not be written whole.
bool writeBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes);
// Writes each entry as a file under folder; false, with a line on log for each file that could
// not be written, when any could not.
bool writeFiles(const std::filesystem::path& folder, const ArchiveEntries& files,
                std::ostream& log);
std::vector<std::uint8_t> readBytes(const std::filesystem::path& file);

// A fresh empty folder under the temporary folder, removed with the object.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& label);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return folder; }
    // The folder with a trailing '/', as a data path is written in configurations.
    std::string dataPath() const { return folder.string() + "/"; }

private:
    std::filesystem::path folder;
};
