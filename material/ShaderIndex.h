// ShaderIndex: where each shader of a data path's scripts is written (the script, the bytes of
// its body, the line it opens on), found by name once, so that a body is read only for a shader
// that something draws with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "assets/AssetStore.h"
#include "material/MaterialScripts.h"

// One copy of a script, its text kept whole, and the shaders written in it in order.
class IndexedScript {
public:
    // archive is the archive's file name, empty for a folder file. The script's layout problems
    // are one line on log, as MaterialScripts::addScript reports them.
    IndexedScript(std::string relativePath, std::string archive, std::vector<std::uint8_t> text,
                  std::ostream& log);
    // The shaders point into the text, which stays where it is.
    IndexedScript(const IndexedScript&) = delete;
    IndexedScript& operator=(const IndexedScript&) = delete;

    const std::string& path() const { return scriptPath; }
    const std::string& archive() const { return archiveName; }
    const std::vector<ShaderBody>& shaders() const { return found; }
    std::size_t textBytes() const { return bytes.size(); }

private:
    std::string scriptPath;
    std::string archiveName;
    std::vector<std::uint8_t> bytes;
    std::vector<ShaderBody> found;
};

class ShaderIndex {
public:
    ShaderIndex() = default;
    // scripts in reading order: each archive's in archive order, then the folder's. A shader
    // defined in more than one takes the definition MaterialScripts would: a later archive's (or
    // the folder's) over an earlier one, the first within one archive.
    explicit ShaderIndex(std::vector<std::shared_ptr<const IndexedScript>> scripts);

    // Every scripts/*.shader copy the store holds, read and indexed in that order.
    static std::vector<std::shared_ptr<const IndexedScript>> readScripts(const AssetStore& assets,
                                                                         std::ostream& log);
    // One copy as the store holds it; null when it cannot be read.
    static std::shared_ptr<const IndexedScript> readScript(const AssetStore& assets,
                                                           const AssetStore::Copy& copy,
                                                           std::ostream& log);

    struct Definition {
        const IndexedScript* script = nullptr;
        const ShaderBody* shader = nullptr;
    };
    // The definition that stands for shaderName, matched without regard to case; none (both
    // null) when no script defines it.
    Definition find(std::string_view shaderName) const;
    std::size_t size() const { return names; }
    const std::vector<std::shared_ptr<const IndexedScript>>& scripts() const { return all; }

private:
    // One name's standing definition: which script, which of its shaders, and the name's hash.
    struct Slot {
        std::uint64_t hash = 0;
        std::uint32_t script = kEmpty;
        std::uint32_t shader = 0;
    };
    static constexpr std::uint32_t kEmpty = 0xffffffffu;

    std::string_view nameIn(const Slot& slot) const;
    // The slot that holds name, or the empty one where it would go.
    std::size_t slotOf(std::string_view name, std::uint64_t hash) const;

    std::vector<std::shared_ptr<const IndexedScript>> all;
    // Open addressing, at most half full: one probe or two per name, without a node per name.
    std::vector<Slot> slots;
    std::size_t names = 0;
};
