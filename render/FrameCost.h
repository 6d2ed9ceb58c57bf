// FrameCost: what one frame drew (faces, triangles, draws, materials, lightmap pages, fragments,
// time), counted from the frame's face lists, and the overlay line that shows it. No GL.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class BSPMap;
class BrushEntities;
class Face;

struct FrameCost {
    // The world's gathered faces and the gathered brush entities' faces.
    std::size_t faces = 0;
    std::size_t brushFaces = 0;
    // Of those faces: polygon and mesh triangles, and the patches' at their current level.
    std::size_t triangles = 0;
    std::size_t draws = 0;
    // Distinct texture records (each names a material) and lightmap pages among the faces.
    std::size_t materials = 0;
    std::size_t lightmapPages = 0;
    // Fragments that passed the depth test per window pixel; none without occlusion queries.
    std::optional<double> fragmentsPerPixel;
    double milliseconds = 0.0;
};

// The overlay's second line, in a buffer of its own so a frame need not allocate it.
struct FrameCostLine {
    std::array<char, 224> text{};
    const char* c_str() const { return text.data(); }
};
FrameCostLine frameCostLine(const FrameCost& cost);

// Counts the faces of a frame. Its marks for materials and pages are sized for a level once and
// reused, so counting allocates nothing after the first frame of a level.
class FrameCostCounter {
public:
    // faces, triangles, materials and pages of worldFaces and of the entities brushes gathered
    // last (null: none drawn); draws, fragments and time are left for the caller. With
    // undrawnLeftOut (the views that leave sky and no-draw faces out) such faces are counted
    // as gathered but add no triangles, materials or pages.
    FrameCost count(const BSPMap& level, std::span<const std::uint32_t> worldFaces,
                    const BrushEntities* brushes, bool undrawnLeftOut = false);

private:
    void add(const Face& face, FrameCost& cost);
    const std::vector<std::int32_t>* leftOutFlags = nullptr;
    // One serial per count: an entry equal to it is a texture or page already counted.
    std::vector<std::uint32_t> textureMarks;
    std::vector<std::uint32_t> pageMarks;
    std::uint32_t serial = 0;
};
