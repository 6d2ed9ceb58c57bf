// MaterialFaceStyle: the lit view with face images, every face drawn by its material: each pass
// with its blend, depth and alpha state, its images (animated by the clock), its colour and its
// texture-coordinate changes, the lightmap pages brightened as in the lit view.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <vector>

#include "render/FaceStyle.h"

class LevelMaterials;
class LightmapSet;
struct LevelMaterial;
struct MaterialPass;

// A level's vertex colours, RGBA, as the passes that read them need them.
struct VertexColourArrays {
    // Brightened like the lightmap texels, opaque.
    const std::vector<std::uint8_t>& lit;
    // Brightened, with the vertices' own alpha.
    const std::vector<std::uint8_t>& litWithAlpha;
    // White, with the vertices' own alpha.
    const std::vector<std::uint8_t>& whiteWithAlpha;
};

class MaterialFaceStyle : public FaceStyle {
public:
    // seconds: the animation clock.
    MaterialFaceStyle(const LevelMaterials& materials, const LightmapSet& lightmaps,
                      const VertexColourArrays& colours, double seconds);

    void begin() override;
    bool beginFace(const Face& face, std::uint32_t faceIndex) override;
    std::size_t passCount(const Face& face) const override;
    void beginPass(const Face& face, std::size_t pass) override;
    void pointAtFaceVertices(const Face& face, const Vertex& first,
                             std::size_t firstVertexIndex) override;
    void pointAtPatch(const Face& face, const BezierPatch& patch) override;
    void endFace(const Face& face) override;
    void end() override;
    std::uint64_t runKey(const Face& face) const override;

private:
    void setBlendAndDepth(const MaterialPass& pass);
    void bindUnits(const MaterialPass& pass);
    void chooseColours(const MaterialPass& pass);

    const LevelMaterials& materials;
    const LightmapSet& lightmaps;
    VertexColourArrays colours;
    double seconds;
    // The face being drawn and the pass begun last.
    const LevelMaterial* material = nullptr;
    const MaterialPass* pass = nullptr;
    GLuint facePage = 0;
    bool vertexLit = false;
    bool cullingChanged = false;
    // The colour array the pass reads, or null for one colour.
    const std::vector<std::uint8_t>* colourArray = nullptr;

    // What the passes of this frame have set so far, so that a pass sets only what differs:
    // every change of state costs the renderer more than the draw that follows it. -1 and
    // kUnknown: not set yet this frame.
    static constexpr GLuint kUnknown = ~GLuint{0};
    struct PassState {
        int blend = -1;
        GLenum source = kUnknown;
        GLenum destination = kUnknown;
        int depthWrite = -1;
        int depthEqual = -1;
        int alphaTest = -1;
        int unit1 = -1;
        GLuint page = kUnknown;
        GLuint image = kUnknown;
        int identityMatrix = -1;
        int environmentMapping = -1;
    };
    PassState state;
};
