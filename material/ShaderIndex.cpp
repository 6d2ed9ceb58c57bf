// ShaderIndex: each script's shaders found by their braces alone, and one table from every name
// to the definition that stands for it.
#include "material/ShaderIndex.h"

#include <algorithm>

namespace {

// As lowerCase folds a name, without a call per byte: the table folds every name of every script.
unsigned char folded(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

// FNV-1a over the folded bytes.
std::uint64_t foldedHash(std::string_view name) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : name) {
        hash = (hash ^ folded(c)) * 1099511628211ull;
    }
    return hash;
}

bool sameFolded(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return folded(x) == folded(y);
           });
}

}  // namespace

IndexedScript::IndexedScript(std::string relativePath, std::string archive,
                             std::vector<std::uint8_t> text, std::ostream& log)
    : scriptPath(std::move(relativePath)), archiveName(std::move(archive)), bytes(std::move(text)) {
    found =
        indexShaders(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                     scriptPath, archiveName, log);
}

ShaderIndex::ShaderIndex(std::vector<std::shared_ptr<const IndexedScript>> scripts)
    : all(std::move(scripts)) {
    std::size_t shaders = 0;
    for (const auto& script : all) {
        shaders += script->shaders().size();
    }
    std::size_t capacity = 16;
    while (capacity < 2 * shaders) {
        capacity *= 2;
    }
    slots.resize(capacity);
    // A script holds fewer shaders than bytes, and no entry the store reads comes near 4 GiB.
    for (std::uint32_t s = 0; s < all.size(); ++s) {
        const std::vector<ShaderBody>& written = all[s]->shaders();
        for (std::uint32_t i = 0; i < written.size(); ++i) {
            const std::uint64_t hash = foldedHash(written[i].name);
            Slot& slot = slots[slotOf(written[i].name, hash)];
            if (slot.script == kEmpty) {
                slot = Slot{hash, s, i};
                ++names;
            } else if (all[slot.script]->archive() != all[s]->archive()) {
                slot = Slot{hash, s, i};
            }
        }
    }
}

std::string_view ShaderIndex::nameIn(const Slot& slot) const {
    return all[slot.script]->shaders()[slot.shader].name;
}

std::size_t ShaderIndex::slotOf(std::string_view name, std::uint64_t hash) const {
    const std::size_t mask = slots.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot& slot = slots[at];
        if (slot.script == kEmpty || (slot.hash == hash && sameFolded(nameIn(slot), name))) {
            return at;
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
    if (slots.empty()) {
        return {};
    }
    const Slot& slot = slots[slotOf(shaderName, foldedHash(shaderName))];
    if (slot.script == kEmpty) {
        return {};
    }
    const IndexedScript& script = *all[slot.script];
    return {&script, &script.shaders()[slot.shader]};
}
