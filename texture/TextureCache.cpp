// TextureCache: the images and scripts a session's levels share, checked against their files.
#include "texture/TextureCache.h"

#include <algorithm>

#include "texture/AssetStore.h"
#include "texture/MaterialScripts.h"

namespace {

std::vector<TextureCache::ScriptStamp> stampsOf(const AssetStore& assets) {
    std::vector<TextureCache::ScriptStamp> stamps;
    for (const AssetStore::Copy& copy : assets.copies("scripts", ".shader")) {
        stamps.push_back({copy.relativePath, FileStamp::of(assets.pathOf(copy))});
    }
    return stamps;
}

}  // namespace

TextureCache::TextureCache() = default;

TextureCache::~TextureCache() = default;

ImageLibrary& TextureCache::imagesForLevel(const AssetStore& assets, std::ostream& log) {
    if (library == nullptr) {
        library = std::make_unique<ImageLibrary>(assets, log);
    }
    library->beginLevel(assets);
    return *library;
}

std::shared_ptr<const MaterialScripts> TextureCache::scripts(const AssetStore& assets,
                                                             std::ostream& log) {
    std::vector<ScriptStamp> stamps = stampsOf(assets);
    // A copy in an archive held in memory has no stamp: it holds while the store is the same.
    const bool allStamped = std::all_of(
        stamps.begin(), stamps.end(), [](const ScriptStamp& stamp) { return stamp.source.exists; });
    if (readScripts != nullptr && stamps == scriptStamps &&
        (allStamped || &assets == scriptStore)) {
        return readScripts;
    }
    readScripts = std::make_shared<const MaterialScripts>(assets, log);
    scriptStamps = std::move(stamps);
    scriptStore = &assets;
    return readScripts;
}
