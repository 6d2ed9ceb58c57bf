// Malformed level files through the whole loading path: cut files, one bad index of each kind,
// levels that cannot place the camera. Every one loads or is rejected with the right message.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "generators/LevelWriter.h"
#include "support/LevelFixtures.h"
#include "support/RealLevels.h"

namespace {

std::string problemText(const BSPMap& level) {
    std::string text;
    for (const std::string& problem : level.getProblems()) {
        text += problem + '\n';
    }
    return text;
}

// The end of the furthest lump the directory names: any shorter prefix cuts a lump.
std::int64_t lastLumpEnd(const BSPMap& level) {
    std::int64_t end = 0;
    for (const DirectoryEntry& entry : level.getDirectory()) {
        end = std::max(end, std::int64_t{entry.offset} + entry.length);
    }
    return end;
}

// Loads each given prefix of bytes from a fresh buffer of exactly that size, so a read past the
// prefix is a read past the buffer (which AddressSanitizer reports in the sanitizer build).
void expectPrefixesRejected(const std::vector<std::uint8_t>& bytes,
                            const std::vector<std::size_t>& lengths, std::int64_t soundFrom) {
    for (const std::size_t length : lengths) {
        std::vector<std::uint8_t> prefix(bytes.begin(), bytes.begin() + std::ptrdiff_t(length));
        const auto level = loadLevelBytes(std::move(prefix));
        if (std::int64_t(length) < soundFrom) {
            EXPECT_FALSE(level->isSound()) << "prefix of " << length << " bytes";
        }
    }
}

TEST(LevelRobustnessTest, everyPrefixOfASmallLevelIsRejectedCleanly) {
    const std::vector<std::uint8_t> bytes = writeLevel(tinyLevel());
    const auto whole = loadLevelBytes(bytes);
    ASSERT_TRUE(whole->isSound()) << problemText(*whole);
    ASSERT_EQ(lastLumpEnd(*whole), std::int64_t(bytes.size()));

    std::vector<std::size_t> lengths(bytes.size());
    for (std::size_t n = 0; n < lengths.size(); ++n) {
        lengths[n] = n;
    }
    expectPrefixesRejected(bytes, lengths, std::int64_t(bytes.size()));
}

TEST(LevelRobustnessTest, strideOfPrefixesOfARealLevelIsRejectedCleanly) {
    const RealLevels real = findRealLevels();
    if (real.files.empty()) {
        GTEST_SKIP() << real.unavailable;
    }
    // oa_dm1 when it is there, for the same cuts on every machine.
    const auto named = std::find_if(real.files.begin(), real.files.end(), [](const auto& path) {
        return path.filename() == "oa_dm1.bsp";
    });
    const std::filesystem::path mapPath = named != real.files.end() ? *named : real.files.front();
    std::ifstream file(mapPath, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                          std::istreambuf_iterator<char>()};
    const auto whole = loadLevelBytes(bytes);
    ASSERT_TRUE(whole->isSound()) << problemText(*whole);

    // Every length inside the header, then 97 cuts spread over the rest (a prime stride, so the
    // cuts fall at every position within the records).
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 150; ++n) {
        lengths.push_back(n);
    }
    const std::size_t stride = bytes.size() / 97 + 1;
    for (std::size_t n = 151; n < bytes.size(); n += stride) {
        lengths.push_back(n);
    }
    expectPrefixesRejected(bytes, lengths, lastLumpEnd(*whole));
}

struct Corruption {
    const char* kind;
    std::function<void(LevelDescription&)> apply;
    const char* expected;
};

TEST(LevelRobustnessTest, eachKindOfBadIndexGivesItsOwnMessage) {
    const std::vector<Corruption> corruptions = {
        {"node plane", [](LevelDescription& l) { l.nodes[0].plane = 5; },
         "node 0 uses plane 5 but the level has 1 plane"},
        {"node child", [](LevelDescription& l) { l.nodes[0].back = -3; },
         "node 0 has back child leaf 2 (value -3) but the level has 2 leaves"},
        {"node loop", [](LevelDescription& l) { l.nodes[0].front = 0; },
         "node 0 has front child node 0 but it is the root: the node tree has a loop or a shared "
         "child"},
        {"leaf face range", [](LevelDescription& l) { l.leaves[1].numLeafFaces = 5; },
         "leaf 1 lists leaf faces 2..6 but the level has 4"},
        {"leaf-face entry", [](LevelDescription& l) { l.leafFaces[3] = 3; },
         "leaf face 3 names face 3 but the level has 3 faces"},
        {"face vertex range", [](LevelDescription& l) { l.faces[0].numVertices = 15; },
         "face 0 (polygon) uses vertices 0..14 but the level has 14"},
        {"face mesh-vertex range", [](LevelDescription& l) { l.faces[0].firstMeshVertex = 1; },
         "face 0 (polygon) lists mesh vertices 1..6 but the level has 6"},
        {"mesh-vertex offset", [](LevelDescription& l) { l.meshVertices[5] = 14; },
         "face 0 (polygon) mesh vertex 5 holds offset 14, which reaches vertex 14 but the level "
         "has 14 vertices"},
    };
    for (const Corruption& corruption : corruptions) {
        LevelDescription level = tinyLevel();
        corruption.apply(level);
        const auto map = loadLevelBytes(writeLevel(level));
        EXPECT_EQ(problemText(*map), std::string(corruption.expected) + '\n') << corruption.kind;
    }
}

TEST(LevelRobustnessTest, levelWithoutNodesLeavesOrPlanesCannotPlaceTheCamera) {
    LevelDescription level = tinyLevel();
    level.nodes.clear();
    level.leaves.clear();
    level.planes.clear();
    EXPECT_EQ(problemText(*loadLevelBytes(writeLevel(level))),
              "the level has no nodes: the camera cannot be placed\n"
              "the level has no leaves: the camera cannot be placed\n"
              "the level has no planes: the camera cannot be placed\n");
}

TEST(LevelRobustnessTest, patchGridPastTheVerticesIsNoProblem) {
    LevelDescription level = tinyLevel();
    level.faces[1].patchSize = {5, 5};  // 25 controls from vertex 4, but only 10 are there
    const auto map = loadLevelBytes(writeLevel(level));
    EXPECT_TRUE(map->isSound()) << problemText(*map);
    EXPECT_TRUE(map->getFaces()[1].patches.empty());
}

}  // namespace

namespace {

// A few hundred faces sharing one long control grid would tessellate into hundreds of megabytes
// from a file of a few dozen kilobytes: the loader refuses before building any patch.
TEST(LevelRobustnessTest, patchFacesBeyondTheBudgetBuildNothing) {
    LevelDescription level = tinyLevel();
    const auto firstVertex = static_cast<std::int32_t>(level.vertices.size());
    level.vertices.resize(level.vertices.size() + 3 * 200);
    level.faces.resize(3);
    // 99 patches each, after the one of the tiny level.
    level.faces.insert(level.faces.end(), 400, patchFaceOf(firstVertex, 3, 200));
    const auto map = loadLevelBytes(writeLevel(level));
    EXPECT_EQ(problemText(*map),
              "the patch faces up to face 333 would build 32770 patches but a level may have at "
              "most 32768; no patch is built\n");
    for (const Face& face : map->getFaces()) {
        EXPECT_TRUE(face.patches.empty());
    }
}

}  // namespace
