// libFuzzer target: arbitrary bytes as one shader script. Besides the sanitizers' checks it
// stops on what the reader promises: at most one log line per script, no material beyond the
// bounds on stages, tcMods, animation frames and deforms, and the same materials read whole as
// read through the index a shader at a time.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string_view>
#include <vector>

#include "material/LazyMaterials.h"
#include "material/MaterialScripts.h"
#include "material/ShaderIndex.h"

namespace {

bool withinBounds(const Material& material) {
    return material.stages.size() <= kMaxMaterialStages && material.deforms.size() <= kMaxDeforms &&
           std::all_of(material.stages.begin(), material.stages.end(), [](const auto& stage) {
               return stage.texCoordMods.size() <= kMaxTexCoordMods &&
                      stage.images.size() <= kMaxAnimationFrames;
           });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::ostringstream log;
    MaterialScripts scripts;
    scripts.addScript("scripts/fuzz.shader", "fuzz.pk3",
                      std::string_view(reinterpret_cast<const char*>(data), size), log);
    const std::string lines = log.str();
    if (std::count(lines.begin(), lines.end(), '\n') > 1) {
        std::abort();
    }
    std::ostringstream indexLog;
    const auto index = std::make_shared<const ShaderIndex>(
        std::vector<std::shared_ptr<const IndexedScript>>{std::make_shared<const IndexedScript>(
            "scripts/fuzz.shader", "fuzz.pk3", std::vector<std::uint8_t>(data, data + size),
            indexLog)});
    const LazyMaterials lazy(index, indexLog);
    if (index->size() != scripts.size()) {
        std::abort();
    }
    for (const Material& material : scripts.materials()) {
        const Material* indexed = lazy.find(material.name);
        if (!withinBounds(material) || scripts.find(material.name) == nullptr ||
            indexed == nullptr || !(*indexed == material)) {
            std::abort();
        }
    }
    return 0;
}
