// ShaderIndex: each script's shaders found by their braces alone, and one table from every name
// to the definition that stands for it.
#include "texture/ShaderIndex.h"

#include <algorithm>

namespace {

// As lowerCase folds a name, without a call per byte: the table folds every name of every script.
unsigned char folded(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

}  // namespace

IndexedScript::IndexedScript(std::string relativePath, std::string archive,
                             std::vector<std::uint8_t> text, std::ostream& log)
    : scriptPath(std::move(relativePath)), archiveName(std::move(archive)), bytes(std::move(text)) {
    found =
        indexShaders(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                     scriptPath, archiveName, log);
}

std::size_t ShaderIndex::CaseFoldHash::operator()(std::string_view name) const {
    // FNV-1a over the folded bytes: the table hashes each name of every script once.
    std::size_t hash = 14695981039346656037ull;
    for (const char c : name) {
        hash = (hash ^ folded(c)) * 1099511628211ull;
    }
    return hash;
}

bool ShaderIndex::CaseFoldEqual::operator()(std::string_view a, std::string_view b) const {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return folded(x) == folded(y);
           });
}

ShaderIndex::ShaderIndex(std::vector<std::shared_ptr<const IndexedScript>> scripts)
    : all(std::move(scripts)) {
    std::size_t shaders = 0;
    for (const auto& script : all) {
        shaders += script->shaders().size();
    }
    byName.reserve(shaders);
    // A script holds fewer shaders than bytes, and no entry the store reads comes near 4 GiB.
    for (std::uint32_t s = 0; s < all.size(); ++s) {
        const std::vector<ShaderBody>& written = all[s]->shaders();
        for (std::uint32_t i = 0; i < written.size(); ++i) {
            const auto [at, added] = byName.try_emplace(written[i].name, Place{s, i});
            if (!added && all[at->second.script]->archive() != all[s]->archive()) {
                at->second = Place{s, i};
            }
        }
    }
}

std::vector<std::shared_ptr<const IndexedScript>> ShaderIndex::readScripts(const AssetStore& assets,
                                                                           std::ostream& log) {
    std::vector<std::shared_ptr<const IndexedScript>> scripts;
    for (const AssetStore::Copy& copy : assets.copies("scripts", ".shader")) {
        if (auto script = readScript(assets, copy, log)) {
            scripts.push_back(std::move(script));
        }
    }
    return scripts;
}

std::shared_ptr<const IndexedScript> ShaderIndex::readScript(const AssetStore& assets,
                                                             const AssetStore::Copy& copy,
                                                             std::ostream& log) {
    std::vector<std::uint8_t> bytes;
    if (!assets.read(copy, bytes)) {
        return nullptr;
    }
    return std::make_shared<const IndexedScript>(copy.relativePath, copy.archive, std::move(bytes),
                                                 log);
}

ShaderIndex::Definition ShaderIndex::find(std::string_view shaderName) const {
    const auto found = byName.find(shaderName);
    if (found == byName.end()) {
        return {};
    }
    const IndexedScript& script = *all[found->second.script];
    return {&script, &script.shaders()[found->second.shader]};
}
