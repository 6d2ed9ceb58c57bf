// TextureCache: what a session keeps from one level to the next, so that a reload decodes only
// the images and reads only the shader scripts whose files changed: the face images' library and
// the data path's scripts.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "texture/FileStamp.h"
#include "texture/ImageLibrary.h"

class AssetStore;
class MaterialScripts;

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
    // The data path's shader scripts: those read before while every copy of a scripts/*.shader
    // (its loose file or its archive) is where, as large and as old as then; else read anew, with
    // their problems on log. Makes no GL call.
    std::shared_ptr<const MaterialScripts> scripts(const AssetStore& assets, std::ostream& log);

    // Where each script copy was read from: its name, then the file that holds it.
    struct ScriptStamp {
        std::string relativePath;
        FileStamp source;
        bool operator==(const ScriptStamp&) const = default;
    };

private:
    std::unique_ptr<ImageLibrary> library;
    std::shared_ptr<const MaterialScripts> readScripts;
    std::vector<ScriptStamp> scriptStamps;    // of readScripts
    const AssetStore* scriptStore = nullptr;  // the store readScripts came through
};
