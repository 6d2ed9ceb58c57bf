// Test images written byte by byte (the TGA layout is the point) and archives written by libzip.
#include "generators/AssetFiles.h"

#include <zip.h>

#include <fstream>
#include <ostream>
#include <stdexcept>

#include <unistd.h>

std::vector<std::uint8_t> makeTga(int width, int height, int components,
                                  const std::vector<std::uint8_t>& pixels) {
    std::vector<std::uint8_t> bytes(18, 0);
    bytes[2] = 2;  // uncompressed true colour
    bytes[12] = static_cast<std::uint8_t>(width & 0xFF);
    bytes[13] = static_cast<std::uint8_t>(width >> 8);
    bytes[14] = static_cast<std::uint8_t>(height & 0xFF);
    bytes[15] = static_cast<std::uint8_t>(height >> 8);
    bytes[16] = static_cast<std::uint8_t>(8 * components);
    // Top-left origin, and the alpha bits when there is alpha.
    bytes[17] = static_cast<std::uint8_t>(0x20 | (components == 4 ? 8 : 0));
    for (std::size_t at = 0; at + std::size_t(components) <= pixels.size();
         at += std::size_t(components)) {
        bytes.insert(bytes.end(), {pixels[at + 2], pixels[at + 1], pixels[at]});
        if (components == 4) {
            bytes.push_back(pixels[at + 3]);
        }
    }
    return bytes;
}

std::vector<std::uint8_t> solidTga(int width, int height, std::vector<std::uint8_t> colour) {
    std::vector<std::uint8_t> pixels;
    for (int i = 0; i < width * height; ++i) {
        pixels.insert(pixels.end(), colour.begin(), colour.end());
    }
    return makeTga(width, height, static_cast<int>(colour.size()), pixels);
}

std::vector<std::uint8_t> makeZip(const ArchiveEntries& entries, bool deflate) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* memory = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* archive = zip_open_from_source(memory, ZIP_TRUNCATE, &error);
    if (archive == nullptr) {
        throw std::runtime_error("libzip cannot start an archive in memory");
    }
    // The finished bytes stay in the memory source after the archive is closed.
    zip_source_keep(memory);
    for (const auto& [name, bytes] : entries) {
        zip_source_t* data = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
        const zip_int64_t index = zip_file_add(archive, name.c_str(), data, ZIP_FL_OVERWRITE);
        zip_set_file_compression(archive, zip_uint64_t(index),
                                 deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
    }
    if (zip_close(archive) != 0) {
        throw std::runtime_error("libzip cannot finish the archive");
    }
    zip_source_open(memory);
    zip_source_seek(memory, 0, SEEK_END);
    const zip_int64_t size = zip_source_tell(memory);
    zip_source_seek(memory, 0, SEEK_SET);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    zip_source_read(memory, bytes.data(), zip_uint64_t(size));
    zip_source_close(memory);
    zip_source_free(memory);
    zip_error_fini(&error);
    return bytes;
}

bool writeBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
    std::error_code ignored;
    std::filesystem::create_directories(file.parent_path(), ignored);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    return !out.fail();
}

bool writeFiles(const std::filesystem::path& folder, const ArchiveEntries& files,
                std::ostream& log) {
    bool written = true;
    for (const auto& [name, bytes] : files) {
        if (!writeBytes(folder / name, bytes)) {
            log << (folder / name).string() << ": could not be written\n";
            written = false;
        }
    }
    return written;
}

std::vector<std::uint8_t> readBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

ScratchFolder::ScratchFolder(const std::string& label)
    : folder(std::filesystem::temp_directory_path() /
             ("velmora-" + label + "-" + std::to_string(::getpid()))) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
}

ScratchFolder::~ScratchFolder() {
    std::error_code error;
    std::filesystem::remove_all(folder, error);
}
