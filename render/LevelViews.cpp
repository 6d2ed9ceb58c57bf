// LevelViews: the lit view's textures and colours and the frozen culling of one level.
#include "render/LevelViews.h"

#include "level/BSPMap.h"
#include "texture/AssetStore.h"

namespace {

// Alpha opaque: vertex light is no transparency.
std::vector<std::uint8_t> brightenedVertexColours(const std::vector<Vertex>& vertices) {
    std::vector<std::uint8_t> colours;
    colours.reserve(4 * vertices.size());
    for (const Vertex& vertex : vertices) {
        const auto lit = brightenedColour(vertex.color[0], vertex.color[1], vertex.color[2]);
        colours.insert(colours.end(), lit.begin(), lit.end());
        colours.push_back(255);
    }
    return colours;
}

}  // namespace

LevelViews::LevelViews(const BSPMap& levelValue, LazyAssetStore& assetsValue)
    : level(levelValue),
      assets(assetsValue),
      litVertexColours(brightenedVertexColours(levelValue.getVertices())) {}

LevelViews::~LevelViews() = default;

void LevelViews::uploadLightmaps() {
    lightmaps.upload(level.getLightmapBytes());
}

void LevelViews::loadFaceTextures(std::ostream& log) {
    if (faceTextures == nullptr) {
        faceTextures = std::make_unique<FaceTextures>(assets.get(), level.getTextureNames(), log);
    }
}
