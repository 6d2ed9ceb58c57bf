// TextureCache: what a session keeps from one level to the next, so that a reload decodes only
// the images and indexes only the shader scripts whose files changed: the face images' library
// and the data path's script index.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "assets/AssetStore.h"
#include "assets/FileStamp.h"
#include "texture/ImageLibrary.h"

class IndexedScript;
class ShaderIndex;

class TextureCache {
public:
    TextureCache();   // makes no GL call
    ~TextureCache();  // deletes the images' GL textures: needs their GL context current
    TextureCache(const TextureCache&) = delete;
    TextureCache& operator=(const TextureCache&) = delete;

    // The library, made at the first call, ready for a level that reads through assets (see
    // ImageLibrary::beginLevel): call once a level, when no level drawn before remains. Needs a
    // GL context.
    ImageLibrary& imagesForLevel(const AssetStore& assets, std::ostream& log);
    // The data path's shader scripts, indexed: a script copy indexed before is kept while it is
    // where, as large and as old as then; the others are read and indexed anew, with their
    // problems on log. Makes no GL call.
    std::shared_ptr<const ShaderIndex> scripts(const AssetStore& assets, std::ostream& log);

    // Where a script copy was read from: its name, the file that holds it, and that file's stat.
    struct ScriptStamp {
        std::string relativePath;
        std::string source;
        FileStamp stamp;
        bool operator==(const ScriptStamp&) const = default;
    };

private:
    struct KeptScript {
        ScriptStamp stamp;
        std::shared_ptr<const IndexedScript> script;  // null when it could not be read
    };
    std::shared_ptr<const IndexedScript> keptOrRead(const AssetStore& assets,
                                                    const AssetStore::Copy& copy,
                                                    const ScriptStamp& stamp,
                                                    std::ostream& log) const;

    std::unique_ptr<ImageLibrary> library;
    std::shared_ptr<const ShaderIndex> index;
    std::vector<KeptScript> keptScripts;      // of index, in reading order
    const AssetStore* scriptStore = nullptr;  // the store index came through
};
