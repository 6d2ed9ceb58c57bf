// BrushEntities: the brush entities of one level as a frame draws them: those seen from the eye's
// cluster and inside the frustum, and of those the faces inside it, drawn through the face loop.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <span>
#include <vector>

#include "level/BrushModels.h"
#include "level/FacePick.h"

class BSPMap;
class VertexBuffers;
class FaceStyle;
class Frustum;
class LevelMaterials;
class VertexSources;

class BrushEntities {
public:
    // Reads the level's brush entities (their problems on log). Makes no GL call.
    BrushEntities(const BSPMap& level, std::ostream& log);

    const BrushModels& models() const { return brushModels; }
    // Keeps the entities whose reach lies in a cluster seen from cameraCluster and meets
    // frustum, and of each the faces whose box, at its place at clockSeconds, meets frustum,
    // in their drawing order. Allocates nothing.
    void gather(const BSPMap& level, std::int32_t cameraCluster, const Frustum& frustum,
                double clockSeconds);
    // Indices into models().entities() of the last gathering.
    std::span<const std::size_t> gathered() const { return gatheredEntities; }
    // The kept faces of gathered()[k].
    std::span<const std::uint32_t> gatheredFacesOf(std::size_t k) const;
    // Every kept face of the last gathering: the faces a frame draws.
    std::size_t gatheredFaceCount() const { return gatheredFaces; }
    // Puts each entity's faces in the material view's order, opaque ones first; once, before
    // gathering (it drops the last gathering, whose order it would break).
    void sortByMaterials(const LevelMaterials& materials, const BSPMap& level);

    enum class Part { all, opaque, translucent };
    // Draws the part of every gathered entity's faces in style, each entity with the modelview
    // multiplied by its placement at clockSeconds. Needs what drawFaces needs. Returns the
    // number of draw calls.
    // The level's records are read from buffers where they hold them (buffers may be null).
    std::size_t draw(const BSPMap& level, FaceStyle& style, const VertexBuffers* buffers,
                     double clockSeconds, Part part, std::vector<std::uint32_t>& runCorners) const;
    // The same with each face's vertices from sources (the material view's deformed and sprite
    // copies), which are made in the entity's own axes and so move with it. With stillOnesToo
    // false, the entities standing where they were compiled are left out.
    std::size_t draw(const BSPMap& level, FaceStyle& style, VertexSources& sources,
                     double clockSeconds, Part part, std::vector<std::uint32_t>& runCorners,
                     bool stillOnesToo = true) const;
    // Appends to faces the kept faces of the gathered entities that stand, at clockSeconds,
    // where they were compiled: they can be drawn among the world's faces, in its order and its
    // runs. faces never grows past the level's face count.
    void appendStillFaces(double clockSeconds, std::vector<std::uint32_t>& faces) const;

    // The nearest face of the last gathering's entities, at their places at clockSeconds, that a
    // ray from eye along direction meets, and its entity (null when none is met);
    struct Hit {
        FacePick face;
        const BrushEntity* owner = nullptr;
    };
    // moved: where the view draws the faces' vertices in the entity's own axes (see FacePick).
    Hit pick(const BSPMap& level, const Point& eye, const Vec3& direction, const PickRule& rule,
             double clockSeconds, const PickVertices& moved = {}) const;

private:
    BrushModels brushModels;
    // Per entity: its faces, opaque ones first once sorted, and how many are opaque.
    std::vector<std::vector<std::uint32_t>> faceOrders;
    std::vector<std::size_t> opaqueCounts;
    // Per entity, per face from its first: the face's box in the entity's own axes.
    std::vector<std::vector<BrushBox>> faceBoxes;
    bool sorted = false;
    std::vector<std::size_t> gatheredEntities;
    // Per gathered entity, where its kept faces lie in keptFaces; reserved for every face.
    struct KeptRun {
        std::size_t first = 0;
        std::size_t count = 0;
        std::size_t opaque = 0;
    };
    std::vector<KeptRun> keptRuns;
    std::vector<std::uint32_t> keptFaces;
    std::size_t gatheredFaces = 0;
};
