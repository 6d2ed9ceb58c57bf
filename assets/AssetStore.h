// AssetStore: the files under one or more data folders, each read from the folder itself first and
// then from the .pk3 (zip) archives in it, archives whose names sort later overriding earlier ones,
// and a later folder (its files and archives) overriding every earlier one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "assets/LowerCase.h"

class AssetStore {
public:
    // Opens every .pk3 archive directly in dataPath. A corrupt archive is reported once on log
    // (its name and what is wrong) and skipped.
    AssetStore(const std::string& dataPath, std::ostream& log);
    // Several data folders searched like one, later ones winning; within a folder, its own files
    // before its archives. An empty folder name is the working directory, as above.
    AssetStore(const std::vector<std::string>& dataPaths, std::ostream& log);
    // One archive held in memory and no folder, for tests and fuzzing; archiveName names it in
    // messages.
    AssetStore(const std::string& archiveName, std::vector<std::uint8_t> archiveBytes,
               std::ostream& log);
    ~AssetStore();
    AssetStore(const AssetStore&) = delete;
    AssetStore& operator=(const AssetStore&) = delete;

    // relativePath like "textures/base_wall/concrete.tga" or "maps/oa_dm4.bsp". False when no
    // folder file or archive entry has that name (or it cannot be read whole); an archive entry
    // that fails to read is reported on the log. Archive names match without regard to case.
    // A folder file larger than kMaxEntryBytes is passed over for the copy under it, here and in
    // every question below, with one line on the log naming its size and the copy used.
    bool read(const std::string& relativePath, std::vector<std::uint8_t>& bytes) const;
    bool contains(const std::string& relativePath) const;
    // Where read finds relativePath, for messages: the path itself for a folder file (or a path no
    // one has), "ARCHIVE.pk3:path" for an archive entry. With several folders a folder file is
    // named by its path as found ("FOLDER/path").
    std::string describe(const std::string& relativePath) const;
    // The file read() takes relativePath from: the folder file's path or the archive's, as
    // opened; "" when no one has it or it lies in an archive held in memory.
    std::string sourceFile(const std::string& relativePath) const;
    // The path of the folder file read() takes relativePath from; "" when it takes an archive
    // entry or nothing.
    std::string folderFile(const std::string& relativePath) const;
    // Relative paths of all entries directly in a folder with a given extension (e.g. "scripts",
    // ".shader"), folder files first, each name once, sorted.
    std::vector<std::string> list(const std::string& folder, const std::string& extension) const;

    // One file as one archive, or the folder, holds it, whatever the others hold.
    struct Copy {
        std::string relativePath;
        std::string archive;  // the archive's file name ("pak0.pk3"); empty for a folder file
        std::size_t archiveIndex = 0;
        std::uint64_t entry = 0;
        std::size_t folderIndex = 0;  // the data folder that holds it, in search order
    };
    // Every copy of the files directly in a folder with a given extension: each archive's, in
    // archive order, then the folder's; so each copy overrides those before it, as in read().
    std::vector<Copy> copies(const std::string& folder, const std::string& extension) const;
    // As read(), but of that copy only.
    bool read(const Copy& copy, std::vector<std::uint8_t>& bytes) const;
    // The path of the file that holds that copy: the archive's or the folder file's.
    std::string pathOf(const Copy& copy) const;

    // The archives that opened, in the order they were searched (later overrides earlier).
    std::size_t archiveCount() const { return archives.size(); }
    // The data folders searched, in order; 0 for an archive held in memory.
    std::size_t folderCount() const { return folders.size(); }

    // No entry or folder file larger than this is read; an entry's size in the directory is not
    // trusted further.
    static constexpr std::uint64_t kMaxEntryBytes = std::uint64_t{256} << 20;

private:
    struct Archive;
    struct EntryLocation {
        std::size_t archive = 0;
        std::uint64_t entry = 0;
    };
    // Where read() finds a name: a folder's own file, an archive entry, or nowhere.
    struct Location {
        enum Kind { kNowhere, kFolderFile, kEntry } kind = kNowhere;
        std::size_t folderIndex = 0;
        EntryLocation entry;
    };

    void openArchivesIn(std::size_t folderIndex);
    void addArchive(std::unique_ptr<Archive> archive);
    Location locate(const std::string& relativePath) const;
    std::string nameOf(const Location& location, const std::string& relativePath) const;
    std::optional<std::uintmax_t> folderFileSize(std::size_t folderIndex,
                                                 const std::string& relativePath) const;
    // One line, the first time a folder file is found too large, naming the copy used instead.
    void reportTooLarge(std::size_t folderIndex, const std::string& relativePath,
                        std::uintmax_t size, const Location& used) const;
    // Where the winning archive entry of a lower-case name lies; null when no archive has it.
    const EntryLocation* winningEntry(const std::string& lowered) const;
    bool isFolderFile(std::size_t folderIndex, const std::string& relativePath) const;
    std::filesystem::path folderPath(std::size_t folderIndex,
                                     const std::string& relativePath) const;
    bool readFolderFile(std::size_t folderIndex, const std::string& relativePath,
                        std::vector<std::uint8_t>& bytes) const;
    bool readEntry(const Archive& archive, std::uint64_t entry, const std::string& relativePath,
                   std::vector<std::uint8_t>& bytes) const;
    std::vector<std::string> folderFiles(std::size_t folderIndex, const std::string& folderName,
                                         const std::string& extension) const;

    // Searched in order, later ones winning; none for an archive held in memory.
    std::vector<std::string> folders;
    std::ostream& log;
    std::vector<std::unique_ptr<Archive>> archives;
    // Lower-case entry name to where the winning entry lies.
    std::unordered_map<std::string, EntryLocation> entries;
    // The folder files already reported too large: every lookup meets them again.
    mutable std::set<std::string> tooLargeReported;
};

// The data path's store, opened the first time it is asked for: a level that needs nothing from
// the archives never opens them, and the loader, the sky and the face images share one opening
// (and so one report of a corrupt archive).
class LazyAssetStore {
public:
    LazyAssetStore(std::string dataPath, std::ostream& log);
    LazyAssetStore(std::vector<std::string> dataPaths, std::ostream& log);
    const AssetStore& get();

private:
    std::vector<std::string> dataPaths;
    std::ostream* log;
    std::unique_ptr<AssetStore> store;
};
