// SurfaceReport: the pick along the view, the resolution of a texture record to its material and
// images (the material view's rules, without GL), and the one line that says it all.
#include "app/SurfaceReport.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

#include "app/ViewOptions.h"
#include "geometry/Camera.h"
#include "level/BSPMap.h"
#include "level/Face.h"
#include "level/Records.h"
#include "render/LevelMaterials.h"
#include "render/LevelViews.h"
#include "render/MaterialVertexSources.h"
#include "render/ViewChoice.h"
#include "assets/AssetStore.h"
#include "texture/FaceTextures.h"
#include "texture/ImageLibrary.h"
#include "material/Material.h"
#include "material/MaterialFinder.h"

namespace {

struct FlagName {
    std::uint32_t bit;
    const char* name;
};

// The surfaceparm words of the shader language for the bits the map compiler writes.
constexpr FlagName kSurfaceFlagNames[] = {
    {0x1, "nodamage"},        {0x2, "slick"},        {0x4, "sky"},          {0x8, "ladder"},
    {0x10, "noimpact"},       {0x20, "nomarks"},     {0x40, "flesh"},       {0x80, "nodraw"},
    {0x100, "hint"},          {0x200, "skip"},       {0x400, "nolightmap"}, {0x800, "pointlight"},
    {0x1000, "metalsteps"},   {0x2000, "nosteps"},   {0x4000, "nonsolid"},  {0x8000, "lightfilter"},
    {0x10000, "alphashadow"}, {0x20000, "nodlight"},
};

constexpr FlagName kContentFlagNames[] = {
    {0x1, "solid"},
    {0x8, "lava"},
    {0x10, "slime"},
    {0x20, "water"},
    {0x40, "fog"},
    {0x8000, "areaportal"},
    {0x10000, "playerclip"},
    {0x20000, "monsterclip"},
    {0x40000, "teleporter"},
    {0x80000, "jumppad"},
    {0x100000, "clusterportal"},
    {0x200000, "donotenter"},
    {0x1000000, "origin"},
    {0x2000000, "body"},
    {0x4000000, "corpse"},
    {0x8000000, "detail"},
    {0x10000000, "structural"},
    {0x20000000, "translucent"},
    {0x40000000, "trigger"},
    {0x80000000, "nodrop"},
};

template <std::size_t N>
std::string flagField(const char* label, std::int32_t flags, const FlagName (&names)[N]) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08x", static_cast<std::uint32_t>(flags));
    std::string text = std::string(label) + " " + hex;
    std::string known;
    for (const FlagName& flag : names) {
        if ((static_cast<std::uint32_t>(flags) & flag.bit) != 0) {
            known += (known.empty() ? "" : " ") + std::string(flag.name);
        }
    }
    return known.empty() ? text : text + " (" + known + ")";
}

std::string scriptText(const Material& material) {
    return "script " + material.script +
           (material.archive.empty() ? std::string() : " in " + material.archive);
}

ImageOrigin originOfFile(const std::string& name, const std::string& file, const AssetStore& assets,
                         const ImageCheck& usable) {
    if (file.empty() || !usable(file)) {
        return {name, file, {}};
    }
    return {name, file, assets.describe(file)};
}

// The images of the stages that name one; false when none is named (lightmap and white stages
// only). found tells whether any of them can be drawn.
bool stageImages(const Material& material, const AssetStore& assets, const ImageCheck& usable,
                 std::vector<ImageOrigin>& images, bool& found) {
    bool named = false;
    found = false;
    for (const MaterialStage& stage : material.stages) {
        if (stage.images.empty() || stage.images.front() == "$lightmap" ||
            stage.images.front() == "$whiteimage") {
            continue;
        }
        named = true;
        for (std::size_t frame = 0; frame < stage.images.size() && frame < kMaxAnimationFrames;
             ++frame) {
            const std::string& image = stage.images[frame];
            images.push_back(
                originOfFile(image, ImageLibrary::findFile(assets, image), assets, usable));
            found = found || !images.back().where.empty();
        }
    }
    return named;
}

std::string lightmapText(std::int32_t lightmap) {
    if (lightmap == kVertexLitLightmap) {
        return "vertex";
    }
    return lightmap < 0 ? "none" : std::to_string(lightmap);
}

std::string oneDecimal(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(value));
    return text;
}

template <typename T>
T entryOr(const std::vector<T>& values, std::int32_t index, T otherwise) {
    return index >= 0 && std::size_t(index) < values.size() ? values[std::size_t(index)]
                                                            : otherwise;
}

// What the record is drawn with: as the material view found it when it looked its images up, or,
// before it has, as it would find them.
TextureOrigin drawnOriginOf(const BSPMap& level, LevelViews& views, std::int32_t textureIndex,
                            std::ostream& log) {
    if (const LevelMaterials* materials = views.getMaterials()) {
        const LevelMaterial& drawn = materials->of(textureIndex);
        return {drawn.material != nullptr ? scriptText(*drawn.material) : "implicit", drawn.images};
    }
    const AssetStore& assets = views.dataPathAssets().get();
    const ImageCheck usable = [&](const std::string& file) {
        return ImageLibrary::usable(assets, file, log);
    };
    const std::string name = entryOr(level.getTextureNames(), textureIndex, std::string());
    return textureOriginOf(name, views.shaderScripts(log), assets, usable);
}

// A surface is seen from the side the eye is on; the hit point itself lies on the face's plane,
// where the leaf descent would take the side in front of the plane, whichever it is.
constexpr float kBackOffUnits = 0.0625f;

}  // namespace

TextureOrigin textureOriginOf(const std::string& textureName, const MaterialFinder& scripts,
                              const AssetStore& assets, const ImageCheck& usable) {
    TextureOrigin origin;
    const Material* material = scripts.find(FaceTextures::withoutExtension(textureName));
    origin.material = material != nullptr ? scriptText(*material) : "implicit";
    // A stage with no image draws nothing; with no other stage the face image stands.
    const bool drawsStages =
        material != nullptr &&
        std::any_of(material->stages.begin(), material->stages.end(),
                    [](const MaterialStage& stage) { return !stage.images.empty(); });
    if (drawsStages) {
        bool found = false;
        if (!stageImages(*material, assets, usable, origin.images, found) || found) {
            return origin;
        }
        origin.images.clear();
    }
    origin.images.push_back(originOfFile(
        textureName, FaceTextures::imageFileOf(assets, textureName, material), assets, usable));
    return origin;
}

std::string originText(const TextureOrigin& origin) {
    std::string text = origin.material + "; images";
    if (origin.images.empty()) {
        return text + " none";
    }
    for (std::size_t i = 0; i < origin.images.size(); ++i) {
        const ImageOrigin& image = origin.images[i];
        text += i == 0 ? " " : ", ";
        text += image.where.empty() ? "placeholder (" + image.name + ")" : image.where;
    }
    return text;
}

std::string flagsText(std::int32_t surfaceFlags, std::int32_t contentFlags) {
    return flagField("surface", surfaceFlags, kSurfaceFlagNames) + "; " +
           flagField("contents", contentFlags, kContentFlagNames);
}

std::string faceTypeText(std::int32_t type) {
    if (type >= kPolygonFace && type <= kBillboardFace) {
        return faceTypeName(type);
    }
    return "type " + std::to_string(type);
}

std::string surfaceLine(const BSPMap& level, const Point& eye, const FacePick& pick,
                        const TextureOrigin& origin) {
    if (!pick.hit() || std::size_t(pick.face) >= level.getFaces().size()) {
        return kNoFaceLine;
    }
    const Face& face = level.getFaces()[std::size_t(pick.face)];
    const std::string name = entryOr(level.getTextureNames(), face.texture, std::string());
    const Point& at = pick.point;
    const float back = pick.distance > kBackOffUnits ? kBackOffUnits / pick.distance : 0.0f;
    const Point eyeSide(at.getX() + (eye.getX() - at.getX()) * back,
                        at.getY() + (eye.getY() - at.getY()) * back,
                        at.getZ() + (eye.getZ() - at.getZ()) * back);
    const std::int32_t leaf = level.findLeaf(eyeSide);
    return "face " + std::to_string(pick.face) + " " + faceTypeText(face.type) + " '" + name +
           "'; " +
           flagsText(entryOr(level.getTextureFlags(), face.texture, 0),
                     entryOr(level.getTextureContents(), face.texture, 0)) +
           "; " + originText(origin) + "; lightmap " + lightmapText(face.lightmap) + "; leaf " +
           std::to_string(leaf) + "; cluster " + std::to_string(level.clusterOfLeaf(leaf)) +
           "; point " + oneDecimal(at.getX()) + " " + oneDecimal(at.getY()) + " " +
           oneDecimal(at.getZ()) + "; distance " + oneDecimal(pick.distance);
}

std::string entityLine(const Entity& entity, const EntityHit& hit, const AssetStore& assets) {
    std::string line =
        "entity " + std::to_string(hit.entity) + " " + std::string(entity.className()) + ";";
    for (const auto& [key, value] : entity.keys) {
        line += " \"" + key + "\" \"" + value + "\"";
    }
    line += "; model";
    for (std::size_t i = 0; i < hit.modelFiles.size(); ++i) {
        line += (i == 0 ? " " : ", ") + assets.describe(hit.modelFiles[i]);
    }
    if (hit.modelFiles.empty()) {
        line += " marker";
    }
    return line + "; distance " + oneDecimal(hit.distance);
}

namespace {

// What a brush face adds to its line: the entity it belongs to.
std::string brushOwnerText(const BrushEntity& owner) {
    std::string text = "; entity " + std::to_string(owner.entity) + " " + owner.className;
    if (!owner.targetName.empty()) {
        text += " targetname " + owner.targetName;
    }
    return text;
}

}  // namespace

PickRule pickRuleFor(BSPMap& level, const ViewOptions& options, bool texturesEnabled) {
    const LevelViews& views = level.views();
    const LevelView view = chooseView(options, texturesEnabled, views);
    const std::vector<std::int32_t>* flags = &level.getTextureFlags();
    return
        [view, &views, flags](const Face& face) { return sidesDrawn(face, view, views, *flags); };
}

std::string inspectViewCentre(BSPMap& level, const ViewOptions& options, bool texturesEnabled,
                              std::ostream& log) {
    const Camera* camera = level.getCamera();
    if (camera == nullptr) {
        return kNoFaceLine;
    }
    const Point& eye = camera->getPosition();
    // The heading points back from the view.
    const Vec3 direction = camera->getHeading().scaled(-1.0);
    const PickRule rule = pickRuleFor(level, options, texturesEnabled);
    LevelViews& views = level.views();
    // The material view draws deformed faces where their deforms put them at its clock.
    std::vector<Vertex> deformCopy;
    const PickVertices moved =
        chooseView(options, texturesEnabled, views) == LevelView::materials
            ? deformedForPick(*views.getMaterials(), options.clockSeconds, deformCopy)
            : PickVertices();
    FacePick pick = pickFaceAmong(level, level.getFaceDrawList(), eye, direction, rule, moved);
    // Brush entities are drawn, and so met, where the frame drew them.
    const BrushEntity* owner = nullptr;
    if (options.litView || options.showEntities) {
        const BrushEntities::Hit brushHit =
            views.brushEntities(log).pick(level, eye, direction, rule, options.clockSeconds, moved);
        if (brushHit.face.hit() && (!pick.hit() || brushHit.face.distance < pick.distance)) {
            pick = brushHit.face;
            owner = brushHit.owner;
        }
    }
    if (options.showEntities) {
        const std::optional<EntityHit> hit =
            views.entities(log).pick(eye, direction, {options.clockSeconds, options.showMarkers});
        if (hit && (!pick.hit() || hit->distance < pick.distance)) {
            const EntityList& entities = level.getEntities();
            if (hit->entity < entities.entities.size()) {
                return entityLine(entities.entities[hit->entity], *hit,
                                  views.dataPathAssets().get());
            }
        }
    }
    if (!pick.hit()) {
        return kNoFaceLine;
    }
    const Face& face = level.getFaces()[std::size_t(pick.face)];
    return surfaceLine(level, eye, pick, drawnOriginOf(level, views, face.texture, log)) +
           (owner != nullptr ? brushOwnerText(*owner) : std::string());
}
