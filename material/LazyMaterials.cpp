// LazyMaterials: an index's definitions read into materials on demand, each once.
#include "material/LazyMaterials.h"

#include "material/MaterialScripts.h"
#include "material/ShaderIndex.h"

LazyMaterials::LazyMaterials(std::shared_ptr<const ShaderIndex> shaderIndex, std::ostream& output)
    : index(std::move(shaderIndex)), log(&output) {}

const Material* LazyMaterials::find(std::string_view shaderName) const {
    const ShaderIndex::Definition definition = index->find(shaderName);
    if (definition.shader == nullptr) {
        return nullptr;
    }
    auto [at, added] = read.try_emplace(definition.shader);
    if (added) {
        at->second = readShaderBody(*definition.shader, definition.script->path(),
                                    definition.script->archive(), *log);
    }
    return &at->second;
}
