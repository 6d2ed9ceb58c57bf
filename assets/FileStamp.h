// FileStamp: what one stat() of a file says, as far as a rewrite shows in it; the level watch and
// the image cache both compare them.
#pragma once

#include <cstdint>
#include <string>

struct FileStamp {
    bool exists = false;
    bool regularFile = false;
    std::int64_t modifiedNanoseconds = 0;
    std::uint64_t sizeBytes = 0;

    bool operator==(const FileStamp&) const = default;
    // Nothing exists for an empty path or one stat() cannot read.
    static FileStamp of(const std::string& path);
};
