// The sample level, built face by face. Layout, in VIEWER axes (x east, y up, z south; the file
// stores (x, y, z) as viewer (x, -z, y)):
//
//   room A      x 0..512     y 0..256   z -512..0      leaf 0, cluster 0
//   arch        x 192..320   y 0..192   z -896..-512   leaf 1, cluster 1 (corridor, going north)
//   bend        x 192..1024  y 0..128   z -1024..-896  leaf 2, cluster 1 (corridor, going east)
//   room B      x 1024..1536 y 0..256   z -1216..-704  leaf 3, cluster 2
//   solid       leaves 4..7, cluster -1, no faces: the space beside the corridor
//
// Doors: room A's north wall (z = -512) is open at x 192..320, y 0..128 into the arch; the bend's
// east end (x = 1024, z -1024..-896, y 0..128) opens into room B. The corridor turns a right
// angle, so no straight line joins the rooms: room A and room B cannot see each other.
//
// Visibility rows (3 clusters, 1 byte each): cluster 0 sees {0, 1}, cluster 1 sees {0, 1, 2},
// cluster 2 sees {1, 2}.
//
// Faces, each listed by exactly one leaf (so a leaf's count adds up without duplicates):
//   leaf 0 (room A): faces 0..8 = floor, ceiling, south, west, east walls, the three pieces of
//                    the north wall round the door, and a billboard (type 4, counted, not drawn)
//   leaf 1 (arch):   faces 9..14 = floor, west and east walls, the caps above the two door
//                    openings (south and north ends) and the arch (type 2, a 5 x 5 control grid
//                    giving 2 x 2 patches)
//   leaf 2 (bend):   faces 15..19 = floor, ceiling, north, west and south walls
//   leaf 3 (room B): faces 20..29 = floor, ceiling, north, south, east walls, the three pieces of
//                    the west wall round the door, a pyramid and a crate (both type 3 meshes)
//
// Visible-face counts before frustum culling: from room A 9 + 6 + 5 = 20 (leaves 0, 1, 2); from
// the corridor 30 (every leaf); from room B 6 + 5 + 10 = 21 (leaves 1, 2, 3); from a solid leaf
// every leaf passes the visibility test. The start pose (256, 64, -128), looking along -z at the
// arch, keeps room B's leaf outside the view as well.
//
// Light: one lightmap page (sampleLightmapPage), a warm pool fading to dim edges, spread whole
// over every rectangle and over the arch; the pyramid and the crate are lit by their vertex
// colours (index -3); the billboard has none (-1). Room A's north wall left of the door (face 5)
// carries the one textured surface, textures/sample/mural, whose image velmora-sample writes as
// textures/sample/mural.jpg.
//
// BSP (planes in file axes; front is the side the normal points to):
//   node 0: y = 512  front node 1, back leaf 0        node 4: y = 1024 front leaf 6, back node 6
//   node 1: x = 1024 front leaf 3, back node 2        node 5: x = 192  front leaf 1, back leaf 5
//   node 2: y = 896  front node 4, back node 3        node 6: x = 192  front leaf 2, back leaf 7
//   node 3: x = 320  front leaf 4, back node 5
//
// Winding: polygon and mesh triangles are drawn with clockwise front faces and back faces culled,
// so every triangle is wound clockwise as seen from the side it is meant to be seen from (walls
// from inside their room, the pyramid and the crate from outside); its stored normal points to
// that side. Patches are drawn without culling.
#include "generators/SampleLevel.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "texture/LightmapSet.h"

namespace {

using Vec = std::array<float, 3>;

Vec minus(const Vec& a, const Vec& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

Vec cross(const Vec& a, const Vec& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

float dot(const Vec& a, const Vec& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

Vec normalised(const Vec& v) {
    const float length = std::sqrt(dot(v, v));
    return {v[0] / length, v[1] / length, v[2] / length};
}

// A box by two opposite corners, in file axes.
struct Box {
    std::array<std::int32_t, 3> mins;
    std::array<std::int32_t, 3> maxs;
};

constexpr float kTexelsPerUnit = 1.0f / 128.0f;
constexpr std::int32_t kSampleLightmapPage = 0;

class SampleBuilder {
public:
    LevelDescription level;

    std::int32_t texture(const std::string& name) {
        for (std::size_t i = 0; i < level.textures.size(); ++i) {
            if (level.textures[i].name == name) {
                return static_cast<std::int32_t>(i);
            }
        }
        level.textures.push_back({name, 0, 1});
        return static_cast<std::int32_t>(level.textures.size() - 1);
    }

    // An axis-aligned rectangle from corner lo to corner hi (equal on the flat axis), seen from
    // the side seenFrom points to.
    void rectangle(const std::string& textureName, const Vec& lo, const Vec& hi,
                   const Vec& seenFrom) {
        int first = -1;
        int second = -1;
        for (int axis = 0; axis < 3; ++axis) {
            if (lo[axis] != hi[axis]) {
                (first < 0 ? first : second) = axis;
            }
        }
        Vec along = lo;
        along[first] = hi[first];
        Vec across = lo;
        across[second] = hi[second];
        const float width = hi[first] - lo[first];
        const float height = hi[second] - lo[second];
        RawFace face = newFace(textureName, 1);
        const Vec corners[4] = {lo, along, hi, across};
        const float texCoords[4][2] = {{0, 0},
                                       {width * kTexelsPerUnit, 0},
                                       {width * kTexelsPerUnit, height * kTexelsPerUnit},
                                       {0, height * kTexelsPerUnit}};
        for (int i = 0; i < 4; ++i) {
            addVertex(corners[i], seenFrom, texCoords[i][0], texCoords[i][1]);
        }
        const float lightmapCorners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        for (int i = 0; i < 4; ++i) {
            RawVertex& vertex = level.vertices[level.vertices.size() - 4 + std::size_t(i)];
            vertex.lightmapCoord = {lightmapCorners[i][0], lightmapCorners[i][1]};
        }
        face.lightmap = kSampleLightmapPage;
        face.numVertices = 4;
        addTriangle(face, corners, 0, 1, 2, seenFrom);
        addTriangle(face, corners, 0, 2, 3, seenFrom);
        addFace(face);
    }

    // A closed object seen from outside: every triangle faces away from center.
    void mesh(const std::string& textureName, const std::vector<std::array<Vec, 3>>& triangles,
              const Vec& center, const std::array<std::uint8_t, 4>& light) {
        RawFace face = newFace(textureName, 3);
        face.lightmap = kVertexLitLightmap;
        for (const auto& triangle : triangles) {
            Vec outward =
                normalised(cross(minus(triangle[1], triangle[0]), minus(triangle[2], triangle[0])));
            if (dot(outward, minus(triangle[0], center)) < 0) {
                outward = {-outward[0], -outward[1], -outward[2]};
            }
            const int base = face.numVertices;
            for (const Vec& corner : triangle) {
                addVertex(corner, outward, corner[0] * kTexelsPerUnit, corner[1] * kTexelsPerUnit);
                level.vertices.back().color = light;
            }
            face.numVertices += 3;
            const Vec corners[3] = {triangle[0], triangle[1], triangle[2]};
            addTriangle(face, corners, 0, 1, 2, outward, base);
        }
        addFace(face);
    }

    // A patch face from a row-major control grid of width x height points and their normals.
    void patch(const std::string& textureName, int width, int height,
               const std::vector<std::pair<Vec, Vec>>& controls) {
        RawFace face = newFace(textureName, 2);
        face.lightmap = kSampleLightmapPage;
        for (int row = 0; row < height; ++row) {
            for (int column = 0; column < width; ++column) {
                const auto& [position, normal] = controls[std::size_t(row * width + column)];
                addVertex(position, normal, float(column) / float(width - 1),
                          float(row) / float(height - 1));
            }
        }
        face.numVertices = width * height;
        face.patchSize = {width, height};
        addFace(face);
    }

    // A sprite-like face: stored and counted, never drawn.
    void billboard(const std::string& textureName, const Vec& at) {
        RawFace face = newFace(textureName, 4);
        addVertex(at, {0, 0, 1}, 0, 0);
        face.numVertices = 1;
        addFace(face);
    }

    // Closes a leaf that lists every face added since the previous leaf.
    void leaf(std::int32_t cluster, const Box& box) {
        RawLeaf leaf;
        leaf.cluster = cluster;
        leaf.mins = box.mins;
        leaf.maxs = box.maxs;
        leaf.firstLeafFace = static_cast<std::int32_t>(level.leafFaces.size());
        for (std::int32_t face = firstUnlistedFace;
             face < static_cast<std::int32_t>(level.faces.size()); ++face) {
            level.leafFaces.push_back(face);
        }
        leaf.numLeafFaces = static_cast<std::int32_t>(level.leafFaces.size()) - leaf.firstLeafFace;
        firstUnlistedFace = static_cast<std::int32_t>(level.faces.size());
        level.leaves.push_back(leaf);
    }

private:
    RawFace newFace(const std::string& textureName, std::int32_t type) {
        RawFace face;
        face.texture = texture(textureName);
        face.type = type;
        face.firstVertex = static_cast<std::int32_t>(level.vertices.size());
        face.firstMeshVertex = static_cast<std::int32_t>(level.meshVertices.size());
        return face;
    }

    void addVertex(const Vec& position, const Vec& normal, float s, float t) {
        RawVertex vertex;
        vertex.position = position;
        vertex.normal = normal;
        vertex.texCoord = {s, t};
        vertex.lightmapCoord = {s, t};
        level.vertices.push_back(vertex);
    }

    // Appends triangle (a, b, c) of corners (vertex offsets base + a, ...), reversed when needed
    // so that it is clockwise seen from seenFrom's side: its winding normal points away.
    void addTriangle(RawFace& face, const Vec* corners, int a, int b, int c, const Vec& seenFrom,
                     int base = 0) {
        const Vec winding = cross(minus(corners[b], corners[a]), minus(corners[c], corners[a]));
        if (dot(winding, seenFrom) > 0) {
            std::swap(b, c);
        }
        for (int corner : {a, b, c}) {
            level.meshVertices.push_back(base + corner);
        }
        face.numMeshVertices += 3;
    }

    // The face normal is that of its first vertex.
    void addFace(RawFace face) {
        face.normal = level.vertices[static_cast<std::size_t>(face.firstVertex)].normal;
        level.faces.push_back(face);
    }

    std::int32_t firstUnlistedFace = 0;
};

}  // namespace

namespace {

constexpr float kRoomHeight = 256;
constexpr float kDoorHeight = 128;
constexpr float kArchTop = 192;

const Vec kUp = {0, 0, 1};
const Vec kDown = {0, 0, -1};
const Vec kEast = {1, 0, 0};
const Vec kWest = {-1, 0, 0};
const Vec kNorth = {0, 1, 0};
const Vec kSouth = {0, -1, 0};

// Room A: x 0..512, y 0..512, door in the north wall at x 192..320.
void roomA(SampleBuilder& build) {
    build.rectangle("textures/sample/floor", {0, 0, 0}, {512, 512, 0}, kUp);
    build.rectangle("textures/sample/ceiling", {0, 0, kRoomHeight}, {512, 512, kRoomHeight}, kDown);
    build.rectangle("textures/sample/wall", {0, 0, 0}, {512, 0, kRoomHeight}, kNorth);
    build.rectangle("textures/sample/wall", {0, 0, 0}, {0, 512, kRoomHeight}, kEast);
    build.rectangle("textures/sample/wall", {512, 0, 0}, {512, 512, kRoomHeight}, kWest);
    build.rectangle("textures/sample/mural", {0, 512, 0}, {192, 512, kRoomHeight}, kSouth);
    build.rectangle("textures/sample/wall", {320, 512, 0}, {512, 512, kRoomHeight}, kSouth);
    build.rectangle("textures/sample/wall", {192, 512, kDoorHeight}, {320, 512, kRoomHeight},
                    kSouth);
    build.billboard("textures/sample/flare", {384, 384, 192});
    build.leaf(kSampleRoomACluster, {{0, 0, 0}, {512, 512, 256}});
}

// The arch over the corridor's first leg: across the corridor two quadratic quarter circles of
// radius 64 (5 control columns), along it 5 control rows from y 512 to 896.
void archControls(std::vector<std::pair<Vec, Vec>>& controls) {
    const float s = std::sqrt(0.5f);
    const std::pair<Vec, Vec> crossSection[5] = {{{192, 0, kDoorHeight}, {1, 0, 0}},
                                                 {{192, 0, kArchTop}, {s, 0, -s}},
                                                 {{256, 0, kArchTop}, {0, 0, -1}},
                                                 {{320, 0, kArchTop}, {-s, 0, -s}},
                                                 {{320, 0, kDoorHeight}, {-1, 0, 0}}};
    for (int row = 0; row < 5; ++row) {
        for (const auto& [position, normal] : crossSection) {
            controls.push_back({{position[0], 512.0f + 96.0f * row, position[2]}, normal});
        }
    }
}

void corridorArch(SampleBuilder& build) {
    build.rectangle("textures/sample/floor", {192, 512, 0}, {320, 896, 0}, kUp);
    build.rectangle("textures/sample/wall", {192, 512, 0}, {192, 896, kDoorHeight}, kEast);
    build.rectangle("textures/sample/wall", {320, 512, 0}, {320, 896, kDoorHeight}, kWest);
    build.rectangle("textures/sample/wall", {192, 512, kDoorHeight}, {320, 512, kArchTop}, kNorth);
    build.rectangle("textures/sample/wall", {192, 896, kDoorHeight}, {320, 896, kArchTop}, kSouth);
    std::vector<std::pair<Vec, Vec>> controls;
    archControls(controls);
    build.patch("textures/sample/arch", 5, 5, controls);
    build.leaf(kSampleCorridorCluster, {{192, 512, 0}, {320, 896, 192}});
}

// The corridor's second leg, x 192..1024, y 896..1024; its east end is room B's door.
void corridorBend(SampleBuilder& build) {
    build.rectangle("textures/sample/floor", {192, 896, 0}, {1024, 1024, 0}, kUp);
    build.rectangle("textures/sample/ceiling", {192, 896, kDoorHeight}, {1024, 1024, kDoorHeight},
                    kDown);
    build.rectangle("textures/sample/wall", {192, 1024, 0}, {1024, 1024, kDoorHeight}, kSouth);
    build.rectangle("textures/sample/wall", {192, 896, 0}, {192, 1024, kDoorHeight}, kEast);
    build.rectangle("textures/sample/wall", {320, 896, 0}, {1024, 896, kDoorHeight}, kNorth);
    build.leaf(kSampleCorridorCluster, {{192, 896, 0}, {1024, 1024, 128}});
}

std::vector<std::array<Vec, 3>> pyramidTriangles(const Vec& base, float half, float height) {
    const Vec apex = {base[0], base[1], base[2] + height};
    const Vec corners[4] = {{base[0] - half, base[1] - half, base[2]},
                            {base[0] + half, base[1] - half, base[2]},
                            {base[0] + half, base[1] + half, base[2]},
                            {base[0] - half, base[1] + half, base[2]}};
    std::vector<std::array<Vec, 3>> triangles;
    for (int i = 0; i < 4; ++i) {
        triangles.push_back({corners[i], corners[(i + 1) % 4], apex});
    }
    return triangles;
}

// A box standing on the floor: its top and four sides, two triangles each.
std::vector<std::array<Vec, 3>> crateTriangles(const Vec& lo, const Vec& hi) {
    auto corner = [&](int x, int y, int z) {
        return Vec{x ? hi[0] : lo[0], y ? hi[1] : lo[1], z ? hi[2] : lo[2]};
    };
    const int quads[5][4][3] = {{{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
                                {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}},
                                {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}},
                                {{1, 1, 0}, {0, 1, 0}, {0, 1, 1}, {1, 1, 1}},
                                {{0, 1, 0}, {0, 0, 0}, {0, 0, 1}, {0, 1, 1}}};
    std::vector<std::array<Vec, 3>> triangles;
    for (const auto& quad : quads) {
        const Vec p[4] = {
            corner(quad[0][0], quad[0][1], quad[0][2]), corner(quad[1][0], quad[1][1], quad[1][2]),
            corner(quad[2][0], quad[2][1], quad[2][2]), corner(quad[3][0], quad[3][1], quad[3][2])};
        triangles.push_back({p[0], p[1], p[2]});
        triangles.push_back({p[0], p[2], p[3]});
    }
    return triangles;
}

// Room B: x 1024..1536, y 704..1216, door in the west wall at y 896..1024.
void roomB(SampleBuilder& build) {
    build.rectangle("textures/sample/floor", {1024, 704, 0}, {1536, 1216, 0}, kUp);
    build.rectangle("textures/sample/ceiling", {1024, 704, kRoomHeight}, {1536, 1216, kRoomHeight},
                    kDown);
    build.rectangle("textures/sample/wall", {1024, 1216, 0}, {1536, 1216, kRoomHeight}, kSouth);
    build.rectangle("textures/sample/wall", {1024, 704, 0}, {1536, 704, kRoomHeight}, kNorth);
    build.rectangle("textures/sample/wall", {1536, 704, 0}, {1536, 1216, kRoomHeight}, kWest);
    build.rectangle("textures/sample/wall", {1024, 704, 0}, {1024, 896, kRoomHeight}, kEast);
    build.rectangle("textures/sample/wall", {1024, 1024, 0}, {1024, 1216, kRoomHeight}, kEast);
    build.rectangle("textures/sample/wall", {1024, 896, kDoorHeight}, {1024, 1024, kRoomHeight},
                    kEast);
    build.mesh("textures/sample/stone", pyramidTriangles({1280, 960, 0}, 64, 128), {1280, 960, 32},
               {60, 48, 24, 255});
    build.mesh("textures/sample/crate", crateTriangles({1408, 1088, 0}, {1472, 1152, 64}),
               {1440, 1120, 32}, {40, 44, 56, 255});
    build.leaf(kSampleRoomBCluster, {{1024, 704, 0}, {1536, 1216, 256}});
}

// The solid space beside the corridor: leaves without faces outside every cluster.
void solidLeaves(SampleBuilder& build) {
    build.leaf(-1, {{320, 512, 0}, {1024, 896, 256}});
    build.leaf(-1, {{0, 512, 0}, {192, 896, 256}});
    build.leaf(-1, {{0, 1024, 0}, {1024, 1216, 256}});
    build.leaf(-1, {{0, 896, 0}, {192, 1024, 256}});
}

void tree(LevelDescription& level) {
    level.planes = {{{0, 1, 0}, 512}, {{1, 0, 0}, 1024}, {{0, 1, 0}, 896},
                    {{1, 0, 0}, 320}, {{1, 0, 0}, 192},  {{0, 1, 0}, 1024}};
    const std::array<std::int32_t, 3> lo = {0, 0, 0};
    level.nodes = {
        {0, 1, -1, lo, {1536, 1216, 256}},          {1, -4, 2, {0, 512, 0}, {1536, 1216, 256}},
        {2, 4, 3, {0, 512, 0}, {1024, 1216, 256}},  {3, -5, 5, {0, 512, 0}, {1024, 896, 256}},
        {5, -7, 6, {0, 896, 0}, {1024, 1216, 256}}, {4, -2, -6, {0, 512, 0}, {320, 896, 256}},
        {4, -3, -8, {0, 896, 0}, {1024, 1024, 256}}};
}

}  // namespace

std::vector<std::uint8_t> sampleLightmapPage() {
    std::vector<std::uint8_t> page;
    page.reserve(kLightmapPageBytes);
    const float centre = (kLightmapPageSide - 1) / 2.0f;
    for (int row = 0; row < kLightmapPageSide; ++row) {
        for (int column = 0; column < kLightmapPageSide; ++column) {
            const float dx = (column - centre) / centre;
            const float dy = (row - centre) / centre;
            // 1 in the middle, 0 at the corners.
            const float pool =
                std::max(0.0f, 1.0f - std::sqrt(dx * dx + dy * dy) / std::sqrt(2.0f));
            page.push_back(static_cast<std::uint8_t>(14 + 50 * pool));
            page.push_back(static_cast<std::uint8_t>(12 + 40 * pool));
            page.push_back(static_cast<std::uint8_t>(10 + 22 * pool));
        }
    }
    return page;
}

std::vector<std::uint8_t> sampleMuralPixels(int size) {
    std::vector<std::uint8_t> pixels;
    pixels.reserve(3 * std::size_t(size) * std::size_t(size));
    // Bricks of size / 4 by size / 8 with a pale mortar line, every other row shifted half a brick.
    const int brickWidth = size / 4;
    const int brickHeight = size / 8;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const int row = y / brickHeight;
            const int shifted = x + (row % 2 == 1 ? brickWidth / 2 : 0);
            const bool mortar = y % brickHeight < 2 || shifted % brickWidth < 2;
            const int shade = ((shifted / brickWidth) * 7 + row * 13) % 5;
            pixels.push_back(static_cast<std::uint8_t>(mortar ? 200 : 150 + 12 * shade));
            pixels.push_back(static_cast<std::uint8_t>(mortar ? 196 : 70 + 6 * shade));
            pixels.push_back(static_cast<std::uint8_t>(mortar ? 186 : 50 + 4 * shade));
        }
    }
    return pixels;
}

LevelDescription sampleLevel() {
    SampleBuilder build;
    roomA(build);
    corridorArch(build);
    corridorBend(build);
    roomB(build);
    solidLeaves(build);
    LevelDescription level = std::move(build.level);
    tree(level);
    level.models = {
        {{0, 0, 0}, {1536, 1216, 256}, 0, static_cast<std::int32_t>(level.faces.size()), 0, 0}};
    level.visibility = {3, 1, {0x03, 0x07, 0x06}};
    level.lightmaps = sampleLightmapPage();
    level.entityText =
        "{\n\"classname\" \"worldspawn\"\n\"message\" \"Velmora sample level\"\n}\n"
        "{\n\"classname\" \"info_player_deathmatch\"\n\"origin\" \"256 128 64\"\n"
        "\"angle\" \"90\"\n}\n"
        "{\n\"classname\" \"info_player_deathmatch\"\n\"origin\" \"1152 960 64\"\n}\n"
        "{\n\"classname\" \"light\"\n\"origin\" \"256 256 224\"\n\"light\" \"300\"\n}\n";
    return level;
}
