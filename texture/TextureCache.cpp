// TextureCache: the images and indexed scripts a session's levels share, checked against their
// files.
#include "texture/TextureCache.h"

#include <algorithm>

#include "assets/AssetStore.h"
#include "material/ShaderIndex.h"

TextureCache::TextureCache() = default;

TextureCache::~TextureCache() = default;

ImageLibrary& TextureCache::imagesForLevel(const AssetStore& assets, std::ostream& log) {
    if (library == nullptr) {
        library = std::make_unique<ImageLibrary>(assets, log);
    }
    library->beginLevel(assets);
    return *library;
}

std::shared_ptr<const ShaderIndex> TextureCache::scripts(const AssetStore& assets,
                                                         std::ostream& log) {
    std::vector<KeptScript> now;
    bool unchanged = index != nullptr;
    for (const AssetStore::Copy& copy : assets.copies("scripts", ".shader")) {
        const std::string source = assets.pathOf(copy);
        ScriptStamp stamp{copy.relativePath, source, FileStamp::of(source)};
        std::shared_ptr<const IndexedScript> script = keptOrRead(assets, copy, stamp, log);
        unchanged = unchanged && now.size() < keptScripts.size() &&
                    keptScripts[now.size()].script == script &&
                    keptScripts[now.size()].stamp == stamp;
        now.push_back({std::move(stamp), std::move(script)});
    }
    if (unchanged && now.size() == keptScripts.size()) {
        return index;
    }
    std::vector<std::shared_ptr<const IndexedScript>> readable;
    for (const KeptScript& kept : now) {
        if (kept.script != nullptr) {
            readable.push_back(kept.script);
        }
    }
    index = std::make_shared<const ShaderIndex>(std::move(readable));
    keptScripts = std::move(now);
    scriptStore = &assets;
    return index;
}

std::shared_ptr<const IndexedScript> TextureCache::keptOrRead(const AssetStore& assets,
                                                              const AssetStore::Copy& copy,
                                                              const ScriptStamp& stamp,
                                                              std::ostream& log) const {
    // A copy in an archive held in memory has no stamp: it holds while the store is the same.
    if (stamp.stamp.exists || &assets == scriptStore) {
        const auto kept =
            std::find_if(keptScripts.begin(), keptScripts.end(),
                         [&](const KeptScript& candidate) { return candidate.stamp == stamp; });
        if (kept != keptScripts.end()) {
            return kept->script;
        }
    }
    return ShaderIndex::readScript(assets, copy, log);
}
