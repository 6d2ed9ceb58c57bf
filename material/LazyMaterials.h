// LazyMaterials: the materials of a shader index, each shader's body read the first time
// something asks for it, so a level pays for the shaders it draws and not for every script.
#pragma once

#include <iosfwd>
#include <memory>
#include <string_view>
#include <unordered_map>

#include "material/Material.h"
#include "material/MaterialFinder.h"

class ShaderIndex;
struct ShaderBody;

class LazyMaterials : public MaterialFinder {
public:
    // A body's problems go to log (which must outlive these) when it is read: one line naming
    // the archive, the script and the line.
    LazyMaterials(std::shared_ptr<const ShaderIndex> index, std::ostream& log);

    // The same material MaterialScripts would hold for the name.
    const Material* find(std::string_view shaderName) const override;
    // The bodies read so far.
    std::size_t readCount() const { return read.size(); }

private:
    std::shared_ptr<const ShaderIndex> index;
    std::ostream* log;
    // By the definition read: the nodes keep each material where find returned it.
    mutable std::unordered_map<const ShaderBody*, Material> read;
};
