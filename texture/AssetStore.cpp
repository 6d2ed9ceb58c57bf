// AssetStore: archives are read through libzip, one handle per archive, so the override order is
// this class's own and an archive can be opened from memory just as from a file.
#include "texture/AssetStore.h"

#include <zip.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <set>

std::string lowerCase(std::string_view text) {
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lowered;
}

namespace {

bool endsWith(const std::string& text, const std::string& ending) {
    return text.size() >= ending.size() &&
           text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

// Paths with a parent step or an absolute start would leave the data path.
bool staysInside(const std::string& relativePath) {
    if (relativePath.empty() || relativePath.front() == '/') {
        return false;
    }
    std::size_t start = 0;
    while (start <= relativePath.size()) {
        const std::size_t end = std::min(relativePath.find('/', start), relativePath.size());
        if (relativePath.compare(start, end - start, "..") == 0 && end - start == 2) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

std::string zipErrorText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

}  // namespace

struct AssetStore::Archive {
    std::string name;
    // The bytes of an archive opened from memory; libzip reads them in place.
    std::vector<std::uint8_t> bytes;
    zip_t* handle = nullptr;

    ~Archive() {
        if (handle != nullptr) {
            zip_discard(handle);
        }
    }
};

AssetStore::AssetStore(const std::string& dataPath, std::ostream& logStream)
    : folder(dataPath.empty() ? "." : dataPath), log(logStream) {
    std::vector<std::filesystem::path> archivePaths;
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(folder, error)) {
        if (lowerCase(item.path().extension().string()) == ".pk3" && item.is_regular_file(error)) {
            archivePaths.push_back(item.path());
        }
    }
    std::sort(archivePaths.begin(), archivePaths.end(), [](const auto& a, const auto& b) {
        return lowerCase(a.filename().string()) < lowerCase(b.filename().string());
    });
    for (const auto& path : archivePaths) {
        auto archive = std::make_unique<Archive>();
        archive->name = path.string();
        // libzip takes an empty file for an empty archive; no tool writes a .pk3 like that.
        if (std::filesystem::file_size(path, error) == 0) {
            log << archive->name << ": not a readable zip archive (the file is empty); skipped\n";
            continue;
        }
        int code = 0;
        archive->handle = zip_open(archive->name.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
        if (archive->handle == nullptr) {
            log << archive->name << ": not a readable zip archive (" << zipErrorText(code)
                << "); skipped\n";
            continue;
        }
        addArchive(std::move(archive));
    }
}

AssetStore::AssetStore(const std::string& archiveName, std::vector<std::uint8_t> archiveBytes,
                       std::ostream& logStream)
    : log(logStream) {
    auto archive = std::make_unique<Archive>();
    archive->name = archiveName;
    archive->bytes = std::move(archiveBytes);
    if (archive->bytes.empty()) {
        log << archiveName << ": not a readable zip archive (the file is empty); skipped\n";
        return;
    }
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source =
        zip_source_buffer_create(archive->bytes.data(), archive->bytes.size(), 0, &error);
    if (source != nullptr) {
        archive->handle = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
        if (archive->handle == nullptr) {
            zip_source_free(source);
        }
    }
    if (archive->handle == nullptr) {
        log << archiveName << ": not a readable zip archive (" << zip_error_strerror(&error)
            << "); skipped\n";
        zip_error_fini(&error);
        return;
    }
    zip_error_fini(&error);
    addArchive(std::move(archive));
}

AssetStore::~AssetStore() = default;

void AssetStore::addArchive(std::unique_ptr<Archive> archive) {
    const std::size_t archiveIndex = archives.size();
    const zip_int64_t count = zip_get_num_entries(archive->handle, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(archive->handle, zip_uint64_t(i), ZIP_FL_ENC_RAW);
        if (name == nullptr || *name == '\0' || endsWith(name, "/")) {
            continue;  // folders carry no bytes
        }
        entries[lowerCase(name)] = EntryLocation{archiveIndex, zip_uint64_t(i)};
    }
    archives.push_back(std::move(archive));
}

bool AssetStore::readFolderFile(const std::string& relativePath,
                                std::vector<std::uint8_t>& bytes) const {
    if (folder.empty()) {
        return false;
    }
    const std::filesystem::path path = std::filesystem::path(folder) / relativePath;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return false;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > kMaxEntryBytes) {
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    bytes.resize(static_cast<std::size_t>(size));
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    if (!file || file.gcount() != static_cast<std::streamsize>(size)) {
        bytes.clear();
        return false;
    }
    return true;
}

bool AssetStore::read(const std::string& relativePath, std::vector<std::uint8_t>& bytes) const {
    bytes.clear();
    if (!staysInside(relativePath)) {
        return false;
    }
    if (readFolderFile(relativePath, bytes)) {
        return true;
    }
    const auto found = entries.find(lowerCase(relativePath));
    if (found == entries.end()) {
        return false;
    }
    return readEntry(*archives[found->second.archive], found->second.entry, relativePath, bytes);
}

bool AssetStore::readEntry(const Archive& archive, std::uint64_t entry,
                           const std::string& relativePath,
                           std::vector<std::uint8_t>& bytes) const {
    auto fail = [&](const std::string& what) {
        log << archive.name << ": entry " << relativePath << ": " << what << '\n';
        bytes.clear();
        return false;
    };
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive.handle, entry, 0, &stat) != 0 || (stat.valid & ZIP_STAT_SIZE) == 0) {
        return fail("no size in the archive directory");
    }
    if (stat.size > kMaxEntryBytes) {
        return fail("says it holds " + std::to_string(stat.size) + " bytes, more than " +
                    std::to_string(kMaxEntryBytes));
    }
    zip_file_t* file = zip_fopen_index(archive.handle, entry, 0);
    if (file == nullptr) {
        return fail(zip_strerror(archive.handle));
    }
    bytes.resize(static_cast<std::size_t>(stat.size));
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const zip_int64_t got = zip_fread(file, bytes.data() + filled, bytes.size() - filled);
        if (got <= 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    // One more byte read would mean the entry is longer than its directory says.
    std::uint8_t extra = 0;
    const bool longer = filled == bytes.size() && zip_fread(file, &extra, 1) > 0;
    const std::string fileError = zip_file_strerror(file);
    const bool closedClean = zip_fclose(file) == 0;
    if (filled != bytes.size() || longer || !closedClean) {
        return fail("truncated or corrupt (" + fileError + ")");
    }
    return true;
}

bool AssetStore::contains(const std::string& relativePath) const {
    if (!staysInside(relativePath)) {
        return false;
    }
    std::error_code error;
    if (!folder.empty() &&
        std::filesystem::is_regular_file(std::filesystem::path(folder) / relativePath, error)) {
        return true;
    }
    return entries.count(lowerCase(relativePath)) != 0;
}

std::string AssetStore::describe(const std::string& relativePath) const {
    std::error_code error;
    if (!staysInside(relativePath) ||
        (!folder.empty() &&
         std::filesystem::is_regular_file(std::filesystem::path(folder) / relativePath, error))) {
        return relativePath;
    }
    const auto found = entries.find(lowerCase(relativePath));
    if (found == entries.end()) {
        return relativePath;
    }
    return std::filesystem::path(archives[found->second.archive]->name).filename().string() + ":" +
           relativePath;
}

std::vector<std::string> AssetStore::list(const std::string& folderName,
                                          const std::string& extension) const {
    const std::string wantedExtension = lowerCase(extension);
    std::set<std::string> seen;  // lower-case, so a folder file hides the archive's copy
    std::vector<std::string> found;
    auto add = [&](const std::string& relativePath) {
        if (seen.insert(lowerCase(relativePath)).second) {
            found.push_back(relativePath);
        }
    };
    for (const std::string& relativePath : folderFiles(folderName, extension)) {
        add(relativePath);
    }
    const std::string prefix = lowerCase(folderName) + "/";
    for (const auto& [name, location] : entries) {
        if (name.compare(0, prefix.size(), prefix) == 0 &&
            name.find('/', prefix.size()) == std::string::npos && endsWith(name, wantedExtension)) {
            const char* original =
                zip_get_name(archives[location.archive]->handle, location.entry, ZIP_FL_ENC_RAW);
            add(original != nullptr ? std::string(original) : name);
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<std::string> AssetStore::folderFiles(const std::string& folderName,
                                                 const std::string& extension) const {
    const std::string wantedExtension = lowerCase(extension);
    std::vector<std::string> found;
    std::error_code error;
    if (!folder.empty()) {
        for (const auto& item : std::filesystem::directory_iterator(
                 std::filesystem::path(folder) / folderName, error)) {
            const std::string name = item.path().filename().string();
            if (endsWith(lowerCase(name), wantedExtension) && item.is_regular_file(error)) {
                found.push_back(folderName + "/" + name);
            }
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<AssetStore::Copy> AssetStore::copies(const std::string& folderName,
                                                 const std::string& extension) const {
    const std::string wantedExtension = lowerCase(extension);
    const std::string prefix = lowerCase(folderName) + "/";
    std::vector<Copy> found;
    for (std::size_t index = 0; index < archives.size(); ++index) {
        const Archive& archive = *archives[index];
        const std::string archiveName = std::filesystem::path(archive.name).filename().string();
        const zip_int64_t count = zip_get_num_entries(archive.handle, 0);
        for (zip_int64_t i = 0; i < count; ++i) {
            const char* name = zip_get_name(archive.handle, zip_uint64_t(i), ZIP_FL_ENC_RAW);
            const std::string lowered = name != nullptr ? lowerCase(name) : std::string();
            if (lowered.compare(0, prefix.size(), prefix) == 0 &&
                lowered.find('/', prefix.size()) == std::string::npos &&
                endsWith(lowered, wantedExtension)) {
                found.push_back(Copy{name, archiveName, index, zip_uint64_t(i)});
            }
        }
    }
    for (std::string& relativePath : folderFiles(folderName, extension)) {
        found.push_back(Copy{std::move(relativePath), "", archives.size(), 0});
    }
    return found;
}

bool AssetStore::read(const Copy& copy, std::vector<std::uint8_t>& bytes) const {
    bytes.clear();
    if (copy.archiveIndex >= archives.size()) {
        return staysInside(copy.relativePath) && readFolderFile(copy.relativePath, bytes);
    }
    return readEntry(*archives[copy.archiveIndex], copy.entry, copy.relativePath, bytes);
}

LazyAssetStore::LazyAssetStore(std::string dataPathValue, std::ostream& logStream)
    : dataPath(std::move(dataPathValue)), log(&logStream) {}

const AssetStore& LazyAssetStore::get() {
    if (store == nullptr) {
        store = std::make_unique<AssetStore>(dataPath, *log);
    }
    return *store;
}
