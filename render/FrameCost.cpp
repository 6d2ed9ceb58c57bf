// Counting a frame's faces for the frame-cost line, and the line itself.
#include "render/FrameCost.h"

#include <algorithm>
#include <cstdio>

#include "level/BSPMap.h"
#include "level/Face.h"
#include "render/BrushEntities.h"
#include "texture/LightmapPages.h"

namespace {

std::size_t trianglesOf(const Face& face) {
    if (face.type == kPolygonFace || face.type == kMeshFace) {
        return std::size_t(std::max(face.numMeshVertices, 0)) / 3;
    }
    if (face.type != kPatchFace) {
        return 0;
    }
    std::size_t triangles = 0;
    for (const BezierPatch& patch : face.patches) {
        for (const std::int32_t strip : patch.getStripCounts()) {
            triangles += strip > 2 ? std::size_t(strip - 2) : 0;
        }
    }
    return triangles;
}

// True the first time index is seen in this count.
bool firstMark(std::vector<std::uint32_t>& marks, std::int32_t index, std::uint32_t serial) {
    if (index < 0 || std::size_t(index) >= marks.size() || marks[std::size_t(index)] == serial) {
        return false;
    }
    marks[std::size_t(index)] = serial;
    return true;
}

}  // namespace

FrameCostLine frameCostLine(const FrameCost& cost) {
    FrameCostLine line;
    char fragments[32] = "-";
    if (cost.fragmentsPerPixel) {
        std::snprintf(fragments, sizeof fragments, "%.2f", *cost.fragmentsPerPixel);
    }
    std::snprintf(line.text.data(), line.text.size(),
                  "faces %zu+%zu  triangles %zu  draws %zu  materials %zu  lightmaps %zu  "
                  "fragments/pixel %s  %.1f ms",
                  cost.faces, cost.brushFaces, cost.triangles, cost.draws, cost.materials,
                  cost.lightmapPages, fragments, cost.milliseconds);
    return line;
}

void FrameCostCounter::add(const Face& face, FrameCost& cost) {
    if (leftOutFlags != nullptr && face.texture >= 0 &&
        std::size_t(face.texture) < leftOutFlags->size() &&
        isUndrawnSurface((*leftOutFlags)[std::size_t(face.texture)])) {
        return;
    }
    cost.triangles += trianglesOf(face);
    cost.materials += firstMark(textureMarks, face.texture, serial) ? 1 : 0;
    cost.lightmapPages += firstMark(pageMarks, face.lightmap, serial) ? 1 : 0;
}

FrameCost FrameCostCounter::count(const BSPMap& level, std::span<const std::uint32_t> worldFaces,
                                  const BrushEntities* brushes, bool undrawnLeftOut) {
    leftOutFlags = undrawnLeftOut ? &level.getTextureFlags() : nullptr;
    const std::size_t pages = level.getLightmapBytes().size() / kLightmapPageBytes;
    if (textureMarks.size() != level.getTextureCount() || pageMarks.size() != pages) {
        textureMarks.assign(level.getTextureCount(), 0);
        pageMarks.assign(pages, 0);
        serial = 0;
    }
    // Wrapping back to 0 would find every mark of a fresh vector already set.
    if (++serial == 0) {
        std::fill(textureMarks.begin(), textureMarks.end(), 0);
        std::fill(pageMarks.begin(), pageMarks.end(), 0);
        serial = 1;
    }
    FrameCost cost;
    const std::vector<Face>& faces = level.getFaces();
    for (const std::uint32_t index : worldFaces) {
        if (index < faces.size()) {
            add(faces[index], cost);
        }
    }
    cost.faces = worldFaces.size();
    if (brushes == nullptr) {
        return cost;
    }
    for (std::size_t k = 0; k < brushes->gathered().size(); ++k) {
        // The brush models keep only entities whose faces lie inside the faces lump.
        for (const std::uint32_t face : brushes->gatheredFacesOf(k)) {
            add(faces[face], cost);
        }
    }
    cost.brushFaces = brushes->gatheredFaceCount();
    return cost;
}
