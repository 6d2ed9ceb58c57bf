// Which faces the depth pass lays, and laying them.
#include "render/DepthPass.h"

#include <epoxy/gl.h>

#include <algorithm>

#include "level/Face.h"
#include "render/LevelMaterials.h"
#include "render/PassBinder.h"

PickSides depthLaidSides(const Face& face, const LevelMaterial& material) {
    if (face.type != kPolygonFace && face.type != kMeshFace && face.type != kPatchFace) {
        return PickSides::none;
    }
    const Material* script = material.material;
    if (material.passes.empty() || material.polygonOffset ||
        (script != nullptr && (!script->deforms.empty() || script->fogParms.has_value()))) {
        return PickSides::none;
    }
    const MaterialPass& first = material.passes.front();
    if (first.blend || !first.depthWrite || first.depthEqual) {
        return PickSides::none;
    }
    const bool alphaTested =
        std::any_of(material.passes.begin(), material.passes.end(),
                    [](const MaterialPass& pass) { return pass.alphaTest != AlphaTest::none; });
    return alphaTested ? PickSides::none : materialSidesOf(face, material);
}

void DepthFaceStyle::begin() {
    setPlainState();
    glDisable(GL_TEXTURE_2D);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
}

bool DepthFaceStyle::beginFace(const Face& face, std::uint32_t) {
    const PickSides sides = depthLaidSides(face, materials.of(face.texture));
    if (sides == PickSides::none) {
        return false;
    }
    // The same culling as the face's material draws it with: a face laid from a side its
    // material does not draw would hide what is behind it. The loop draws patches unculled.
    cullingChanged = face.type != kPatchFace && sides != PickSides::front;
    if (cullingChanged) {
        sides == PickSides::both ? glDisable(GL_CULL_FACE) : glCullFace(GL_FRONT);
    }
    return true;
}

void DepthFaceStyle::endFace(const Face&) {
    if (cullingChanged) {
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
    }
}

void DepthFaceStyle::end() {
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

std::uint64_t DepthFaceStyle::runKey(const Face& face) const {
    const PickSides sides = depthLaidSides(face, materials.of(face.texture));
    return sides == PickSides::none ? kDrawAlone : static_cast<std::uint64_t>(sides);
}
