// MaterialFaceStyle: the lit view with face images, every face drawn by its material: each pass
// with its blend, depth and alpha state, its images (animated by the clock), its colour and its
// texture-coordinate changes, the lightmap pages brightened as in the lit view; faces in fog
// blended toward its colour, sprite quads turned toward the eye.
#pragma once

#include <epoxy/gl.h>

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "level/Vertex.h"
#include "render/FaceStyle.h"
#include "render/SpriteCorners.h"

class LevelFog;
class LevelMaterials;
class LightmapSet;
struct FogVolume;
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

// What the fog and sprite faces are drawn from, and the arrays the style rewrites for them each
// frame; all of it lives with the level, so that frames allocate nothing.
struct FaceEffectScratch {
    // RGBA per level vertex: the fog colour and each fogged vertex's fog alpha. Sized to the
    // level's vertices when the level has fog.
    std::vector<std::uint8_t> fogColours;
    // The same for the tessellated vertices of one patch; grows to the largest patch fogged.
    std::vector<std::uint8_t> patchFogColours;
    // A sprite quad's vertices, turned toward the eye.
    std::array<Vertex, 4> sprite{};
};

struct FaceEffectSources {
    std::span<const Vertex> vertices;
    std::span<const std::int32_t> meshVertices;
    // Null when the level has no fog.
    const LevelFog* fog = nullptr;
    FaceEffectScratch& scratch;
};

class MaterialFaceStyle : public FaceStyle {
public:
    // seconds: the animation clock.
    MaterialFaceStyle(const LevelMaterials& materials, const LightmapSet& lightmaps,
                      const VertexColourArrays& colours, double seconds,
                      const FaceEffectSources& effects);

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

    // The per-face decisions, from the face alone. A face in fog or a sprite is drawn from arrays
    // the style fills for it, so it is drawn alone, never together with other faces.
    // The fog volume the face lies in, or null.
    const FogVolume* fogOf(const Face& face) const;
    // The face is a fog volume's own surface: drawn as the fog pass alone.
    bool isFogSurface(const Face& face) const;
    // A four-cornered polygon or mesh face of an autosprite or autosprite2 material.
    bool isSprite(const Face& face) const;
    bool drawsAlone(const Face& face) const { return fogOf(face) != nullptr || isSprite(face); }

private:
    void setBlendAndDepth(const MaterialPass& pass);
    void bindUnits(const MaterialPass& pass);
    void bindOverlay(const MaterialPass& pass);
    // Points unit 2's coordinates at the image coordinates from first, when the pass has an
    // overlay.
    void pointOverlayAt(const Vertex& first);
    void chooseColours(const MaterialPass& pass);
    void setCulling(const Face& face);
    void beginFogPass();
    // Turns the sprite's corners into the scratch quad; false when it cannot be turned.
    bool turnSprite(const Face& face);
    // Fills the fog colours of the face's vertices (the turned ones for a sprite).
    void fillFogColours(const Face& face);
    void fillPatchFogColours(const BezierPatch& patch);
    bool inFogPass() const { return faceFog != nullptr && passIndex == fogPass; }
    bool lightmapCoordsOnUnit0() const;

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
        int unit0 = -1;
        int unit1 = -1;
        GLuint page = kUnknown;
        GLuint image = kUnknown;
        int identityMatrix = -1;
        int environmentMapping = -1;
        // Unit 2: the overlay's combine (0 for off), its image and whether its matrix is the
        // identity.
        int overlay = -1;
        GLuint overlayImage = kUnknown;
        int overlayIdentityMatrix = -1;
    };
    PassState state;
    FaceEffectSources effects;
    // Taken from the modelview matrix in begin.
    EyeFrame eye;
    // The face's fog (null for none), the index of its fog pass, the pass begun last, and
    // whether it is drawn from the turned quad.
    const FogVolume* faceFog = nullptr;
    std::size_t fogPass = 0;
    std::size_t passIndex = 0;
    bool fogSurfaceFace = false;
    bool spriteFace = false;
};
