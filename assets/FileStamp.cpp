// FileStamp: one stat() of a file.
#include "assets/FileStamp.h"

#include <sys/stat.h>

FileStamp FileStamp::of(const std::string& path) {
    struct stat status {};
    if (path.empty() || ::stat(path.c_str(), &status) != 0) {
        return {};
    }
    FileStamp stamp;
    stamp.exists = true;
    stamp.regularFile = S_ISREG(status.st_mode);
    stamp.modifiedNanoseconds =
        std::int64_t(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    stamp.sizeBytes = std::uint64_t(status.st_size);
    return stamp;
}
