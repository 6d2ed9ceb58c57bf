// libFuzzer target: arbitrary bytes as one shader script. Besides the sanitizers' checks it
// stops on what the reader promises: at most one log line per script and no material beyond
// the bounds on stages, tcMods, animation frames and deforms.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string_view>

#include "texture/MaterialScripts.h"

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
    for (const Material& material : scripts.materials()) {
        if (!withinBounds(material) || scripts.find(material.name) == nullptr) {
            std::abort();
        }
    }
    return 0;
}
