// DepthPass: the material view's depth-only pass, which lays the depth of the opaque faces that
// hide what is behind them wholly before their materials shade them with depth equal, so that
// each pixel they cover is shaded once.
#pragma once

#include <cstdint>

#include "render/FaceStyle.h"
#include "render/ViewChoice.h"

class LevelMaterials;
struct LevelMaterial;

// The sides of an opaque face the depth pass lays, or none when its material must shade it as it
// is: not drawn, a fog surface, deformed or turned to the eye, offset in depth, a first pass that
// blends, tests depth equal or writes no depth, or a pass that tests alpha (a grate shows what is
// behind it).
PickSides depthLaidSides(const Face& face, const LevelMaterial& material);

// Depth alone (colour writes and textures off), each laid face with the culling its material
// shades it with; faces with the same sides follow one another as one draw.
class DepthFaceStyle : public FaceStyle {
public:
    explicit DepthFaceStyle(const LevelMaterials& materialsValue) : materials(materialsValue) {}

    void begin() override;
    bool beginFace(const Face& face, std::uint32_t faceIndex) override;
    void endFace(const Face& face) override;
    void end() override;
    std::uint64_t runKey(const Face& face) const override;

private:
    const LevelMaterials& materials;
    bool cullingChanged = false;
};
