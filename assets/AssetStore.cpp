// AssetStore: archives are read through libzip, one handle per archive, so the override order is
// this class's own and an archive can be opened from memory just as from a file.
#include "assets/AssetStore.h"

#include <zip.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <set>

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
    // The data folder the archive lies in; 0 for one held in memory.
    std::size_t folderIndex = 0;

    ~Archive() {
        if (handle != nullptr) {
            zip_discard(handle);
        }
    }
};

AssetStore::AssetStore(const std::string& dataPath, std::ostream& logStream)
    : AssetStore(std::vector<std::string>{dataPath}, logStream) {}

AssetStore::AssetStore(const std::vector<std::string>& dataPaths, std::ostream& logStream)
    : log(logStream) {
    for (const std::string& dataPath : dataPaths) {
        folders.push_back(dataPath.empty() ? "." : dataPath);
        openArchivesIn(folders.size() - 1);
    }
}

void AssetStore::openArchivesIn(std::size_t folderIndex) {
    std::vector<std::filesystem::path> archivePaths;
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(folders[folderIndex], error)) {
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
        archive->folderIndex = folderIndex;
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

std::filesystem::path AssetStore::folderPath(std::size_t folderIndex,
                                             const std::string& relativePath) const {
    return std::filesystem::path(folders[folderIndex]) / relativePath;
}

std::optional<std::uintmax_t> AssetStore::folderFileSize(std::size_t folderIndex,
                                                         const std::string& relativePath) const {
    std::error_code error;
    if (folderIndex >= folders.size()) {
        return std::nullopt;
    }
    const std::filesystem::path path = folderPath(folderIndex, relativePath);
    if (!std::filesystem::is_regular_file(path, error)) {
        return std::nullopt;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? std::nullopt : std::optional<std::uintmax_t>(size);
}

bool AssetStore::isFolderFile(std::size_t folderIndex, const std::string& relativePath) const {
    const std::optional<std::uintmax_t> size = folderFileSize(folderIndex, relativePath);
    return size && *size <= kMaxEntryBytes;
}

void AssetStore::reportTooLarge(std::size_t folderIndex, const std::string& relativePath,
                                std::uintmax_t size, const Location& used) const {
    const std::string path = folderPath(folderIndex, relativePath).string();
    if (!tooLargeReported.insert(path).second) {
        return;
    }
    log << path << ": " << size << " bytes, more than the limit of " << kMaxEntryBytes << "; "
        << (used.kind == Location::kNowhere ? "skipped, and no other copy is used"
                                            : nameOf(used, relativePath) + " is used instead")
        << '\n';
}

bool AssetStore::readFolderFile(std::size_t folderIndex, const std::string& relativePath,
                                std::vector<std::uint8_t>& bytes) const {
    if (!isFolderFile(folderIndex, relativePath)) {
        return false;
    }
    const std::filesystem::path path = folderPath(folderIndex, relativePath);
    std::error_code error;
    // Checked again: the file may have grown since it was looked up.
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

const AssetStore::EntryLocation* AssetStore::winningEntry(const std::string& lowered) const {
    const auto found = entries.find(lowered);
    return found == entries.end() ? nullptr : &found->second;
}

AssetStore::Location AssetStore::locate(const std::string& relativePath) const {
    if (!staysInside(relativePath)) {
        return {};
    }
    // The winning entry lies in the last folder whose archives have the name; a folder's own
    // file beats it only from that folder on. A folder file too large to read is passed over,
    // so every question about the name answers for the copy read() takes.
    const EntryLocation* entry = winningEntry(lowerCase(relativePath));
    Location found;
    std::size_t index = folders.size();
    std::optional<std::uintmax_t> tooLarge;
    std::size_t tooLargeFolder = 0;
    while (index-- > 0 && found.kind == Location::kNowhere) {
        const std::optional<std::uintmax_t> size = folderFileSize(index, relativePath);
        if (size && *size <= kMaxEntryBytes) {
            found = {Location::kFolderFile, index, {}};
        } else if (entry != nullptr && archives[entry->archive]->folderIndex == index) {
            found = {Location::kEntry, index, *entry};
        }
        if (size && *size > kMaxEntryBytes && !tooLarge) {
            tooLarge = size;
            tooLargeFolder = index;
        }
    }
    if (found.kind == Location::kNowhere && entry != nullptr) {
        found = {Location::kEntry, 0, *entry};
    }
    if (tooLarge) {
        reportTooLarge(tooLargeFolder, relativePath, *tooLarge, found);
    }
    return found;
}

bool AssetStore::read(const std::string& relativePath, std::vector<std::uint8_t>& bytes) const {
    bytes.clear();
    const Location location = locate(relativePath);
    switch (location.kind) {
        case Location::kFolderFile:
            return readFolderFile(location.folderIndex, relativePath, bytes);
        case Location::kEntry:
            return readEntry(*archives[location.entry.archive], location.entry.entry, relativePath,
                             bytes);
        case Location::kNowhere:
            break;
    }
    return false;
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
    return locate(relativePath).kind != Location::kNowhere;
}

std::string AssetStore::describe(const std::string& relativePath) const {
    return nameOf(locate(relativePath), relativePath);
}

std::string AssetStore::nameOf(const Location& location, const std::string& relativePath) const {
    if (location.kind == Location::kFolderFile && folders.size() > 1) {
        return folderPath(location.folderIndex, relativePath).string();
    }
    if (location.kind != Location::kEntry) {
        return relativePath;
    }
    return std::filesystem::path(archives[location.entry.archive]->name).filename().string() + ":" +
           relativePath;
}

std::string AssetStore::sourceFile(const std::string& relativePath) const {
    const Location location = locate(relativePath);
    if (location.kind == Location::kFolderFile) {
        return folderPath(location.folderIndex, relativePath).string();
    }
    if (location.kind == Location::kEntry && archives[location.entry.archive]->bytes.empty()) {
        return archives[location.entry.archive]->name;
    }
    return "";
}

std::string AssetStore::folderFile(const std::string& relativePath) const {
    const Location location = locate(relativePath);
    return location.kind == Location::kFolderFile
               ? folderPath(location.folderIndex, relativePath).string()
               : std::string();
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
    for (std::size_t index = folders.size(); index-- > 0;) {
        for (const std::string& relativePath : folderFiles(index, folderName, extension)) {
            add(relativePath);
        }
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

std::vector<std::string> AssetStore::folderFiles(std::size_t folderIndex,
                                                 const std::string& folderName,
                                                 const std::string& extension) const {
    const std::string wantedExtension = lowerCase(extension);
    std::vector<std::string> found;
    std::error_code error;
    for (const auto& item :
         std::filesystem::directory_iterator(folderPath(folderIndex, folderName), error)) {
        const std::string name = item.path().filename().string();
        if (endsWith(lowerCase(name), wantedExtension) && item.is_regular_file(error)) {
            found.push_back(folderName + "/" + name);
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
    // Archives held in memory have folder 0 and no folder files come after them.
    const std::size_t folderCount = std::max<std::size_t>(folders.size(), 1);
    for (std::size_t folderIndex = 0; folderIndex < folderCount; ++folderIndex) {
        for (std::size_t index = 0; index < archives.size(); ++index) {
            const Archive& archive = *archives[index];
            if (archive.folderIndex != folderIndex) {
                continue;
            }
            const std::string archiveName = std::filesystem::path(archive.name).filename().string();
            const zip_int64_t count = zip_get_num_entries(archive.handle, 0);
            for (zip_int64_t i = 0; i < count; ++i) {
                const char* name = zip_get_name(archive.handle, zip_uint64_t(i), ZIP_FL_ENC_RAW);
                const std::string lowered = name != nullptr ? lowerCase(name) : std::string();
                if (lowered.compare(0, prefix.size(), prefix) == 0 &&
                    lowered.find('/', prefix.size()) == std::string::npos &&
                    endsWith(lowered, wantedExtension)) {
                    found.push_back(Copy{name, archiveName, index, zip_uint64_t(i), folderIndex});
                }
            }
        }
        if (folderIndex < folders.size()) {
            for (std::string& relativePath : folderFiles(folderIndex, folderName, extension)) {
                found.push_back(Copy{std::move(relativePath), "", archives.size(), 0, folderIndex});
            }
        }
    }
    return found;
}

bool AssetStore::read(const Copy& copy, std::vector<std::uint8_t>& bytes) const {
    bytes.clear();
    if (copy.archiveIndex >= archives.size()) {
        if (!staysInside(copy.relativePath)) {
            return false;
        }
        const std::optional<std::uintmax_t> size =
            folderFileSize(copy.folderIndex, copy.relativePath);
        if (size && *size > kMaxEntryBytes) {
            reportTooLarge(copy.folderIndex, copy.relativePath, *size, locate(copy.relativePath));
            return false;
        }
        return readFolderFile(copy.folderIndex, copy.relativePath, bytes);
    }
    return readEntry(*archives[copy.archiveIndex], copy.entry, copy.relativePath, bytes);
}

std::string AssetStore::pathOf(const Copy& copy) const {
    if (copy.archiveIndex < archives.size()) {
        return archives[copy.archiveIndex]->name;
    }
    return copy.folderIndex < folders.size()
               ? folderPath(copy.folderIndex, copy.relativePath).string()
               : copy.relativePath;
}

LazyAssetStore::LazyAssetStore(std::string dataPathValue, std::ostream& logStream)
    : dataPaths{std::move(dataPathValue)}, log(&logStream) {}

LazyAssetStore::LazyAssetStore(std::vector<std::string> dataPathValues, std::ostream& logStream)
    : dataPaths(std::move(dataPathValues)), log(&logStream) {}

const AssetStore& LazyAssetStore::get() {
    if (store == nullptr) {
        store = std::make_unique<AssetStore>(dataPaths, *log);
    }
    return *store;
}
