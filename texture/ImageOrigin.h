// ImageOrigin: where an image a surface is drawn with came from, as it was found when the image was
// looked up, so that a report need not look it up again.
#pragma once

#include <string>

struct ImageOrigin {
    std::string name;   // as the material or the texture record names it
    std::string file;   // the file the name resolved to; empty when none exists
    std::string where;  // "FILE", "ARCHIVE.pk3:ENTRY"; empty: drawn as the placeholder
};
