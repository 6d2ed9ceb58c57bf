// MaterialFaceStyle: the lit view with face images, every face drawn by its material: each pass
// with its blend, depth and alpha state, its images (animated by the clock), its colour and its
// texture-coordinate changes, the lightmap pages brightened as in the lit view; faces in fog
// blended toward its colour.
#pragma once

#include <epoxy/gl.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "level/Vertex.h"
#include "render/FaceStyle.h"
#include "render/PassBinder.h"
#include "render/SpriteCorners.h"
#include "material/MaterialMotion.h"

class LevelFog;
class LevelMaterials;
class LightmapSet;
struct FogVolume;
struct LevelMaterial;
struct MaterialPass;

// A level's vertex colours, RGBA, as the passes that read them need them.
struct VertexColourArrays {
    // Brightened like the lightmap texels, opaque: a face lit by its vertices.
    const std::vector<std::uint8_t>& lit;
    // As the level stores them, opaque and with the vertices' own alpha: what a stage's
    // rgbGen vertex takes.
    const std::vector<std::uint8_t>& stored;
    const std::vector<std::uint8_t>& storedWithAlpha;
    // White, with the vertices' own alpha.
    const std::vector<std::uint8_t>& whiteWithAlpha;
};

// Image coordinates after a stage's tcMods, (s, t) per vertex, for a stage whose turbs go per
// vertex.
struct TurbCoordScratch {
    // Per level vertex: sized to the level's vertices when some material needs it.
    std::vector<float> level;
    // The same for the tessellated vertices of one patch; grows to the largest patch drawn.
    std::vector<float> patch;
};

// What the fog, sprite and turb faces are drawn from, and the arrays rewritten for them each
// frame; all of it lives with the level, so that frames allocate nothing.
struct FaceEffectScratch {
    // RGBA per level vertex: the fog colour and each fogged vertex's fog alpha. Sized to the
    // level's vertices when the level has fog.
    std::vector<std::uint8_t> fogColours;
    // The same for the tessellated vertices of one patch; grows to the largest patch fogged.
    std::vector<std::uint8_t> patchFogColours;
    // A sprite quad's vertices, turned toward the eye (by its vertex source).
    std::array<Vertex, 4> sprite{};
    // One face's (or patch's) vertices deformed at the clock; sized at load to the most any
    // deformed face of the level needs.
    std::vector<Vertex> deformed;
    // For unit 0's stage and for each overlay slot's.
    TurbCoordScratch stageTurb;
    std::array<TurbCoordScratch, kMaxOverlays> overlayTurb;
};

struct FaceEffectSources {
    std::span<const Vertex> vertices;
    std::span<const std::int32_t> meshVertices;
    // Null when the level has no fog.
    const LevelFog* fog = nullptr;
    FaceEffectScratch& scratch;
};

// Binds each pass's state through one PassBinder; where a face's vertices come from (a sprite
// quad turned to the eye among them) is its vertex source's business.
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
    void pointAt(const Face& face, const FaceVertices& vertices) override;
    void endFace(const Face& face) override;
    void end() override;
    std::uint64_t runKey(const Face& face) const override;
    // While on, the faces the depth pass lays (depthLaidSides) are shaded over the depth it laid:
    // depth tested equal and not written.
    void shadeOverLaidDepth(bool on) { overLaidDepth = on; }

    // The per-face decisions, from the face alone. A face in fog or a face whose material turbs
    // per vertex has arrays the style fills for it, so it is drawn alone, never together with
    // other faces.
    // The fog volume the face lies in, or null.
    const FogVolume* fogOf(const Face& face) const;
    // The face is a fog volume's own surface: drawn as the fog pass alone.
    bool isFogSurface(const Face& face) const;
    // Some pass of the face's material turbs per vertex, in its stage or its overlay.
    bool turbulent(const Face& face) const;
    bool drawsAlone(const Face& face) const { return fogOf(face) != nullptr || turbulent(face); }

private:
    void bindUnits(const MaterialPass& pass);
    void bindOverlays(const MaterialPass& pass);
    // Points the coordinates of slot's overlay unit at coords (with stride bytes between
    // vertices) when the pass has an overlay there, else turns its array off.
    void pointOverlayAt(std::size_t slot, const float* coords, GLsizei stride);
    // Points units 0 to 3 at the pass's coordinates: fields of the vertices, or, for a stage that
    // turbs per vertex, coordinates worked out from them.
    void pointAtCoords(const FaceVertices& vertices);
    // The stage's tcMods at the clock when its turbs go per vertex and the scratch is there.
    std::optional<StageTexCoords> perVertexCoords(const MaterialStage* stage,
                                                  const TurbCoordScratch& scratch) const;
    // Writes (s, t) after coords for every vertex the face reaches; returns first's entry.
    const float* fillTurbCoords(const FaceVertices& vertices, const StageTexCoords& coords,
                                bool fromLightmapCoords, TurbCoordScratch& scratch) const;
    void pointAtColours(const FaceVertices& vertices);
    void chooseColours(const MaterialPass& pass);
    void setCulling(const Face& face);
    void beginFogPass();
    // Fills the fog colours of the vertices; returns first's entry.
    const std::uint8_t* fillFogColours(const FaceVertices& vertices);
    bool inFogPass() const { return faceFog != nullptr && !fogFolded && passIndex == fogPass; }
    // The face's fog can be mixed into its material's one pass on the fog unit: an opaque pass
    // that writes every fragment it draws, in one plain colour of full brightness.
    bool foldsFog() const;
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
    // The tcMods of the pass's stage and of each of its overlays when they turb per vertex; empty
    // when the texture matrix carries them.
    std::optional<StageTexCoords> stageCoords;
    std::array<std::optional<StageTexCoords>, kMaxOverlays> overlayCoords;
    // The overlay units this GL has (LevelMaterials folds no more stages than that).
    std::size_t overlaySlots = 0;

    PassBinder binder;
    FaceEffectSources effects;
    // Taken from the modelview matrix in begin.
    EyeFrame eye;
    // The face's fog (null for none), the index of its fog pass and the pass begun last.
    const FogVolume* faceFog = nullptr;
    std::size_t fogPass = 0;
    std::size_t passIndex = 0;
    bool fogSurfaceFace = false;
    // This GL has the fog unit; the face's fog is mixed in its one pass there.
    bool fogUnit = false;
    bool fogFolded = false;
    bool overLaidDepth = false;
    // The face being drawn was laid by the depth pass.
    bool faceLaid = false;
};
