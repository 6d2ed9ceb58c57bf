// The one rule for what a frame shows: which of the level's views draws it, and which sides of a
// face that view draws. The frame, the pick along the view and the surface report all ask here.
#pragma once

#include <cstdint>
#include <vector>

#include "level/FacePick.h"

class Face;
class LevelViews;
struct LevelMaterial;
struct ViewOptions;

enum class LevelView {
    plain,     // the design's grey view, lit by the fixed light
    lit,       // lightmaps and vertex colours
    clusters,  // each face in its cluster's colour
    materials  // the lit view with face images: every face by its material
};

// The cluster colours win over everything; the lit view becomes the material view once face
// images are switched on and loaded.
LevelView chooseView(const ViewOptions& options, bool texturesEnabled, const LevelViews& views);

// The sides of a face its material draws: patches and fog surfaces from both, others as the
// material's cull says; none for a material that is not drawn or a face no view draws.
PickSides materialSidesOf(const Face& face, const LevelMaterial& material);

// The sides of face the view draws. textureFlags are the level's texture records' surface flags.
PickSides sidesDrawn(const Face& face, LevelView view, const LevelViews& views,
                     const std::vector<std::int32_t>& textureFlags);
