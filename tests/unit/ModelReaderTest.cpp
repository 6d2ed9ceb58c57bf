// The model reader on writer-made files: frame 0's positions, normals, coordinates and shader in
// viewer axes; every cut prefix, every broken count or offset and every texture coordinate that is
// not a number refused with one problem.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "generators/ModelWriter.h"
#include "model/Md3Model.h"

namespace {

std::vector<std::uint8_t> sampleModel() {
    ModelDescription model = oneTriangleModel("models/test/red", 8.0f);
    // Two frames and a tag, so that frame 0's vertices are the first of two sets.
    model.frameCount = 2;
    model.tagCount = 1;
    RawModelSurface second;
    second.name = "second";
    second.vertices = {{{1, 2, 3}, 0, 0, {0, 0}}, {{4, 5, 6}, 128, 0, {0, 0}}};
    second.indices = {0, 1, 1};
    model.surfaces.push_back(second);
    return writeModel(model);
}

std::size_t secondSurfaceStart(const std::vector<std::uint8_t>& bytes) {
    const auto at = [&](std::size_t offset) {
        return std::size_t(bytes[offset]) | std::size_t(bytes[offset + 1]) << 8 |
               std::size_t(bytes[offset + 2]) << 16;
    };
    const std::size_t first = at(ModelFieldOffsets::kSurfacesOffset);
    return first + at(first + ModelFieldOffsets::kSurfaceEnd);
}

}  // namespace

TEST(ModelReaderTest, readsFrameZeroInViewerAxes) {
    const Md3ReadResult result = readMd3(sampleModel());
    ASSERT_EQ(result.problem, "");
    ASSERT_EQ(result.model.surfaces.size(), 2u);
    const Md3Surface& triangle = result.model.surfaces[0];
    EXPECT_EQ(triangle.shader, "models/test/red");
    EXPECT_EQ(triangle.vertexCount(), 3u);
    EXPECT_EQ(triangle.indices, (std::vector<std::uint32_t>{0, 1, 2}));
    // File (0, -8, -8) is viewer (0, -8, 8); file (0, 0, 8) is viewer (0, 8, 0).
    EXPECT_EQ(triangle.positions, (std::vector<float>{0, -8, 8, 0, -8, -8, 0, 8, 0}));
    EXPECT_NEAR(triangle.normals[0], 1.0f, 1e-6f);
    EXPECT_NEAR(triangle.normals[1], 0.0f, 1e-6f);
    EXPECT_NEAR(triangle.normals[2], 0.0f, 1e-6f);
    EXPECT_EQ(triangle.texCoords, (std::vector<float>{0, 0, 1, 0, 0.5f, 1}));

    const Md3Surface& second = result.model.surfaces[1];
    EXPECT_EQ(second.shader, "");
    // File (1, 2, 3) is viewer (1, 3, -2); polar 0 is the file's up, the viewer's +y, and polar
    // 128 (half a turn) is down.
    EXPECT_EQ(second.positions, (std::vector<float>{1, 3, -2, 4, 6, -5}));
    EXPECT_NEAR(second.normals[1], 1.0f, 1e-6f);
    EXPECT_NEAR(second.normals[4], -1.0f, 1e-6f);
}

TEST(ModelReaderTest, everyCutPrefixIsOneProblemNotACrash) {
    const std::vector<std::uint8_t> whole = sampleModel();
    for (std::size_t length = 0; length < whole.size(); ++length) {
        // A fresh buffer of exactly the prefix, so the sanitizer sees any read past it.
        const std::vector<std::uint8_t> prefix(whole.begin(), whole.begin() + length);
        const Md3ReadResult result = readMd3(prefix);
        EXPECT_NE(result.problem, "") << "prefix of " << length << " bytes";
        EXPECT_EQ(result.problem.find('\n'), std::string::npos);
    }
}

TEST(ModelReaderTest, refusesCountsAndOffsetsBeyondTheFile) {
    const std::vector<std::uint8_t> sound = sampleModel();
    const std::size_t surface = secondSurfaceStart(sound);
    struct Break {
        std::size_t offset;
        std::int32_t value;
        const char* expected;
    };
    const Break breaks[] = {
        {0, 0x33504958, "not an IDP3 version 15 model"},
        {4, 16, "not an IDP3 version 15 model (version 16)"},
        {ModelFieldOffsets::kFrameCount, 2000000000, "frames count 2000000000 is outside 0..1024"},
        {ModelFieldOffsets::kFrameCount, 0, "it has 0 frames, none to draw"},
        {ModelFieldOffsets::kTagCount, -1, "tag count -1 is outside 0..16"},
        {ModelFieldOffsets::kSurfaceCount, 33, "surface count 33 is outside 0..32"},
        {ModelFieldOffsets::kSurfaceCount, 3, "surface 2 starts past the end"},
        {ModelFieldOffsets::kSurfacesOffset, 1 << 30, "surfaces at offset 1073741824 lie outside"},
        {ModelFieldOffsets::kEndOffset, 1 << 30, "its end offset 1073741824 is outside"},
        {surface + ModelFieldOffsets::kSurfaceEnd, 1 << 20, "surface 1: its end offset 1048576"},
        {surface + ModelFieldOffsets::kSurfaceVertexCount, 4097,
         "surface 1: texture coordinates count 4097 is outside 0..4096"},
        {surface + ModelFieldOffsets::kSurfaceVertexCount, 1,
         "surface 1: triangle 0 names vertex 1"},
        {surface + ModelFieldOffsets::kSurfaceTriangleCount, 1000,
         "surface 1: triangles at offset 108 (1000 of 12 bytes) run past the end"},
        {surface + ModelFieldOffsets::kSurfaceVerticesOffset, -4,
         "surface 1: vertices at offset -4"},
    };
    for (const Break& broken : breaks) {
        std::vector<std::uint8_t> bytes = sound;
        patchInt32(bytes, broken.offset, broken.value);
        const Md3ReadResult result = readMd3(bytes);
        EXPECT_EQ(result.problem.rfind(broken.expected, 0), 0u)
            << "offset " << broken.offset << ": " << result.problem;
        EXPECT_TRUE(result.model.surfaces.empty());
    }
}

TEST(ModelReaderTest, recordsRunningPastTheirSurfaceAndCoordinatesThatAreNotNumbersAreRefused) {
    const std::vector<std::uint8_t> sound = sampleModel();
    const auto int32At = [&](std::size_t offset) {
        std::int32_t value = 0;
        std::memcpy(&value, &sound[offset], sizeof value);
        return value;
    };
    const std::size_t surface = secondSurfaceStart(sound);
    const std::int32_t end = int32At(surface + ModelFieldOffsets::kSurfaceEnd);
    const std::string past = " run past the end at " + std::to_string(end);
    // The second surface's two vertices, in two frames: records that start 8 bytes before the
    // surface's end and need more.
    const struct {
        std::size_t field;
        std::string expected;
    } overruns[] = {
        {ModelFieldOffsets::kSurfaceTexCoordsOffset, "surface 1: texture coordinates at offset " +
                                                         std::to_string(end - 8) +
                                                         " (2 of 8 bytes)" + past},
        {ModelFieldOffsets::kSurfaceVerticesOffset,
         "surface 1: vertices at offset " + std::to_string(end - 8) + " (4 of 8 bytes)" + past},
    };
    for (const auto& [field, expected] : overruns) {
        std::vector<std::uint8_t> bytes = sound;
        patchInt32(bytes, surface + field, end - 8);
        EXPECT_EQ(readMd3(bytes).problem, expected);
    }

    const std::size_t first = static_cast<std::size_t>(int32At(ModelFieldOffsets::kSurfacesOffset));
    const std::size_t texCoords =
        first +
        static_cast<std::size_t>(int32At(first + ModelFieldOffsets::kSurfaceTexCoordsOffset));
    const struct {
        float value;
        const char* expected;
    } numbers[] = {
        {std::nanf(""), "surface 0: vertex 1's texture coordinate nan is not a finite number"},
        {2e6f, "surface 0: vertex 1's texture coordinate 2e+06 is not a finite number"},
    };
    for (const auto& [value, expected] : numbers) {
        std::vector<std::uint8_t> bytes = sound;
        // Vertex 1's t.
        patchInt32(bytes, texCoords + 12, std::bit_cast<std::int32_t>(value));
        const Md3ReadResult result = readMd3(bytes);
        EXPECT_EQ(result.problem.rfind(expected, 0), 0u) << result.problem;
        EXPECT_TRUE(result.model.surfaces.empty());
    }
}
