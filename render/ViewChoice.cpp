// Which view a frame draws and which sides of a face it shows.
#include "render/ViewChoice.h"

#include "app/ViewOptions.h"
#include "level/Face.h"
#include "level/Records.h"
#include "render/LevelViews.h"

LevelView chooseView(const ViewOptions& options, bool texturesEnabled, const LevelViews& views) {
    if (options.clusterColours) {
        return LevelView::clusters;
    }
    if (!options.litView) {
        return LevelView::plain;
    }
    const bool imagesLoaded = views.getFaceTextures() != nullptr && views.getMaterials() != nullptr;
    return texturesEnabled && imagesLoaded ? LevelView::materials : LevelView::lit;
}

PickSides materialSidesOf(const Face& face, const LevelMaterial& material) {
    const PickSides drawn = drawnSidesOf(face);
    if (!material.drawn || drawn == PickSides::none) {
        return PickSides::none;
    }
    const bool fogSurface = material.material != nullptr && material.material->fogParms.has_value();
    // A curved surface is seen from both sides whatever its material says, and a fog volume from
    // inside and out.
    if (face.type == kPatchFace || fogSurface || material.cull == CullMode::none) {
        return PickSides::both;
    }
    return material.cull == CullMode::back ? PickSides::back : PickSides::front;
}

PickSides sidesDrawn(const Face& face, LevelView view, const LevelViews& views,
                     const std::vector<std::int32_t>& textureFlags) {
    switch (view) {
        case LevelView::materials:
            return materialSidesOf(face, views.getMaterials()->of(face.texture));
        case LevelView::lit: {
            const bool known = face.texture >= 0 && std::size_t(face.texture) < textureFlags.size();
            const std::int32_t flags = known ? textureFlags[std::size_t(face.texture)] : 0;
            return isUndrawnSurface(flags) ? PickSides::none : drawnSidesOf(face);
        }
        case LevelView::plain:
        case LevelView::clusters:
            break;
    }
    return drawnSidesOf(face);
}
