// LevelViews: the lit view's textures and colours and the frozen culling of one level.
#include "render/LevelViews.h"

#include <algorithm>
#include <cmath>

#include "level/BSPMap.h"
#include "render/MaterialVertexSources.h"
#include "assets/AssetStore.h"
#include "material/LazyMaterials.h"
#include "texture/TextureCache.h"

namespace {

enum class VertexRgb { brightened, asStored, white };

// RGBA per vertex: its colour brightened, as stored or white, with the vertex's alpha or opaque
// (vertex light is no transparency unless a material reads the alpha).
std::vector<std::uint8_t> colourArray(const std::vector<Vertex>& vertices, VertexRgb rgb,
                                      bool ownAlpha) {
    std::vector<std::uint8_t> colours;
    colours.reserve(4 * vertices.size());
    for (const Vertex& vertex : vertices) {
        const auto lit = brightenedColour(vertex.color[0], vertex.color[1], vertex.color[2]);
        if (rgb == VertexRgb::brightened) {
            colours.insert(colours.end(), lit.begin(), lit.end());
        } else if (rgb == VertexRgb::asStored) {
            colours.insert(colours.end(), vertex.color, vertex.color + 3);
        } else {
            colours.insert(colours.end(), {255, 255, 255});
        }
        colours.push_back(ownAlpha ? vertex.color[3] : 255);
    }
    return colours;
}

// Sort values above this share the last rank; no script needs more.
constexpr float kTopSortValue = 255.0f;
// Sort values may be fractions: ranks keep sixteenths apart.
constexpr float kSortSteps = 16.0f;
// A sort key: rank (12 bits), distance shell (8), texture record (20), lightmap page (24).
constexpr unsigned kTextureShift = 24;
constexpr std::uint64_t kLightmapMask = (std::uint64_t{1} << kTextureShift) - 1;
constexpr unsigned kShellShift = 44;
constexpr unsigned kRankShift = 52;
constexpr std::uint64_t kNoTexture = (std::uint64_t{1} << (kShellShift - kTextureShift)) - 1;
constexpr std::uint64_t kLastShell = (std::uint64_t{1} << (kRankShift - kShellShift)) - 1;
// The depth of one distance shell. Measured on real levels: against 256-unit shells, more of what
// is hidden fails the depth test before it is textured (overdraw 1.20 to 1.14 on ctf_inyard) for
// 277 draws a frame instead of 232; finer ones gain nothing more. Faces beyond the last shell
// (16320 units) share it.
constexpr float kShellDepth = 64.0f;

}  // namespace

LevelViews::LevelViews(const BSPMap& levelValue, LazyAssetStore& assetsValue,
                       TextureCache& texturesValue)
    : level(levelValue),
      assets(assetsValue),
      textures(texturesValue),
      litVertexColours(colourArray(levelValue.getVertices(), VertexRgb::brightened, false)),
      storedVertexColours(colourArray(levelValue.getVertices(), VertexRgb::asStored, false)),
      storedVertexColoursWithAlpha(
          colourArray(levelValue.getVertices(), VertexRgb::asStored, true)),
      whiteWithVertexAlpha(colourArray(levelValue.getVertices(), VertexRgb::white, true)) {
    materialDrawn.reserve(levelValue.getFaces().size());
}

LevelViews::~LevelViews() = default;

const VertexBuffers* LevelViews::vertexBuffers() {
    // What GL holds stays within twice the vertex lumps.
    const std::size_t lumpBytes = level.getVertices().size() * sizeof(Vertex) +
                                  level.getMeshVertices().size() * sizeof(std::int32_t);
    buffers.update(level.getVertices(), level.getPatchGrids(), level.getPatchLevel(),
                   2 * lumpBytes);
    return &buffers;
}

void LevelViews::uploadLightmaps() {
    lightmaps.upload(level.getLightmapBytes());
}

const MaterialFinder& LevelViews::shaderScripts(std::ostream& log) {
    if (scripts == nullptr) {
        scripts = std::make_unique<LazyMaterials>(textures.scripts(assets.get(), log), log);
    }
    return *scripts;
}

const MaterialFinder* LevelViews::getScripts() const {
    return scripts.get();
}

void LevelViews::loadFaceTextures(std::ostream& log) {
    if (faceTextures != nullptr) {
        return;
    }
    const AssetStore& store = assets.get();
    const MaterialFinder& levelScripts = shaderScripts(log);
    faceTextures = std::make_unique<FaceTextures>(store, level.getTextureNames(), log, levelScripts,
                                                  textures.imagesForLevel(store, log));
    materials = std::make_unique<LevelMaterials>(level.getTextureNames(), level.getTextureFlags(),
                                                 *scripts, *faceTextures, lightmaps.white());
    const Material* skyMaterial = materials->sky();
    const LevelMaterial* skyPasses = nullptr;
    for (std::size_t i = 0; skyMaterial != nullptr && i < level.getTextureNames().size(); ++i) {
        const LevelMaterial& candidate = materials->of(static_cast<std::int32_t>(i));
        if (candidate.material == skyMaterial) {
            skyPasses = &candidate;
            break;
        }
    }
    sky = std::make_unique<LevelSky>(skyMaterial, skyPasses, faceTextures->images());
    loadFog();
    sizeTurbScratch();
    effectScratch.deformed.assign(deformScratchSize(*materials, level.getFaces()), Vertex());
}

void LevelViews::sizeTurbScratch() {
    bool stageTurb = false;
    bool overlayTurb = false;
    for (std::size_t i = 0; i < level.getTextureNames().size(); ++i) {
        const LevelMaterial& material = materials->of(static_cast<std::int32_t>(i));
        stageTurb = stageTurb || material.stageTurb;
        overlayTurb = overlayTurb || material.overlayTurb;
    }
    const std::size_t entries = 2 * level.getVertices().size();
    if (stageTurb) {
        effectScratch.stageTurb.level.assign(entries, 0.0f);
    }
    for (TurbCoordScratch& slot : effectScratch.overlayTurb) {
        slot.level.assign(overlayTurb ? entries : 0, 0.0f);
    }
}

void LevelViews::loadFog() {
    fog = std::make_unique<LevelFog>(level, *scripts, *materials);
    if (fog->empty()) {
        fog.reset();
        return;
    }
    effectScratch.fogColours.assign(4 * level.getVertices().size(), 0);
}

EntityView& LevelViews::entities(std::ostream& log) {
    if (entityView == nullptr) {
        entityView = std::make_unique<EntityView>(level, placementsOf(level.getEntities()), log);
    }
    return *entityView;
}

BrushEntities& LevelViews::brushEntities(std::ostream& log) {
    if (brushes == nullptr) {
        brushes = std::make_unique<BrushEntities>(level, log);
    }
    return *brushes;
}

FaceEffectSources LevelViews::faceEffects() {
    return {level.getVertices(), level.getMeshVertices(), fog.get(), effectScratch};
}

std::span<const std::uint32_t> LevelViews::inMaterialOrder(
    const std::vector<std::uint32_t>& drawList, const std::vector<Face>& faces, const Point& eye) {
    sortKeys.clear();
    const std::vector<Vertex>& vertices = level.getVertices();
    const auto lastOpaqueRank = static_cast<std::uint64_t>(MaterialSort::kOpaque * kSortSteps);
    for (std::size_t position = 0; position < drawList.size(); ++position) {
        const Face& face = faces[drawList[position]];
        const LevelMaterial& material = materials->of(face.texture);
        const auto rank =
            static_cast<std::uint64_t>(std::clamp(material.sort, 0.0f, kTopSortValue) * kSortSteps);
        const std::uint64_t texture = face.texture >= 0 && std::uint64_t(face.texture) < kNoTexture
                                          ? std::uint64_t(face.texture)
                                          : kNoTexture;
        // Opaque faces go roughly front to back, so that what they hide fails the depth test
        // before it is textured; within a shell, faces of one material and page stay together.
        std::uint64_t shell = 0;
        if (rank <= lastOpaqueRank) {
            const float* at = vertices[std::size_t(face.firstVertex)].position;
            const float dx = at[0] - eye.getX();
            const float dy = at[1] - eye.getY();
            const float dz = at[2] - eye.getZ();
            const float distance = std::sqrt(dx * dx + dy * dy + dz * dz);
            // A vertex far off (or not a number) from the file goes last, never through a cast
            // out of range.
            const float shells = distance / kShellDepth;
            shell = shells < float(kLastShell) ? static_cast<std::uint64_t>(shells) : kLastShell;
        }
        const std::uint64_t key = rank << kRankShift | shell << kShellShift |
                                  texture << kTextureShift |
                                  (static_cast<std::uint32_t>(face.lightmap) & kLightmapMask);
        sortKeys.emplace_back(key, static_cast<std::uint32_t>(position));
    }
    std::sort(sortKeys.begin(), sortKeys.end());
    sortedFaces.clear();
    opaqueFaces = 0;
    for (const auto& [key, position] : sortKeys) {
        sortedFaces.push_back(drawList[position]);
        if (key >> kRankShift <= lastOpaqueRank) {
            ++opaqueFaces;
        }
    }
    return sortedFaces;
}
