// The level loader: its transcript, what it does with lumps outside the file, short or
// oversized visibility data, unreadable files, and every real level when they are present.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <regex>
#include <sstream>

#include <unistd.h>

#include "level/Entities.h"
#include "support/LevelFixtures.h"
#include "support/RealLevels.h"

namespace {

const char* const kLoadingLines =
    "loading planes...done!\n"
    "loading nodes ...done!\n"
    "loading leaves ...done!\n"
    "loading leaf faces... done \n"
    "loading leaf brushes... done \n"
    "loading models...done!\n"
    "loading brushes... done \n"
    "loading brush sides... done \n"
    "loading vertices... done \n"
    "loading mesh_vertices... done \n"
    "loading faces... done \n"
    "loading visibility data... done \n";

std::string directoryLines(const LevelWriter& writer) {
    std::ostringstream lines;
    for (int i = 0; i < kLumpCount; ++i) {
        lines << "dir_entry #" << i << ":  offset=" << writer.entry(i).offset
              << " length=" << writer.entry(i).length << "\n";
    }
    return lines.str();
}

std::string problemText(const BSPMap& map) {
    std::string text;
    for (const std::string& problem : map.getProblems()) {
        text += problem + "\n";
    }
    return text;
}

}  // namespace

TEST(LevelLoaderTest, transcriptMatchesByteForByteIncludingEmptyLumps) {
    LevelWriter writer(tinyLevel());
    ASSERT_EQ(writer.entry(kBrushesLump).length, 0);
    std::ostringstream log;
    auto map = loadLevelBytes(writer.bytes(), log);
    EXPECT_EQ(log.str(), "magic: IBSP\nversion: 46\n" + directoryLines(writer) +
                             "this level contains 2 distinct textures\n" + kLoadingLines);
    EXPECT_TRUE(map->isSound()) << problemText(*map);
    EXPECT_EQ(map->getTextureCount(), 2u);
    EXPECT_EQ(map->getFaces().size(), 3u);
    EXPECT_EQ(map->getLeafFaces().size(), 4u);
    EXPECT_TRUE(map->getBrushes().empty());
}

namespace {

// The tiny level with two effects over a one-sided brush, the floor in the second.
LevelDescription levelWithEffects() {
    LevelDescription level = tinyLevel();
    level.brushes = {{0, 1, 0}};
    level.brushSides = {{0, 0}};
    level.effects = {{"textures/fog/thin", 0, -1}, {std::string(64, 'n') + "cut", 0, 3}};
    level.faces[0].effect = 1;
    return level;
}

}  // namespace

TEST(LevelLoaderTest, readsEffectsWithoutALineOfTheirOwn) {
    LevelWriter writer(levelWithEffects());
    ASSERT_EQ(writer.entry(kEffectsLump).length, 2 * kEffectRecordBytes);
    std::ostringstream log;
    auto map = loadLevelBytes(writer.bytes(), log);
    EXPECT_EQ(log.str(), "magic: IBSP\nversion: 46\n" + directoryLines(writer) +
                             "this level contains 2 distinct textures\n" + kLoadingLines);
    EXPECT_TRUE(map->isSound()) << problemText(*map);
    const std::vector<Effect>& effects = map->getEffects();
    ASSERT_EQ(effects.size(), 2u);
    EXPECT_EQ(effects[0].shader, "textures/fog/thin");
    EXPECT_EQ(effects[0].brush, 0);
    EXPECT_EQ(effects[0].visibleSide, -1);
    EXPECT_EQ(effects[1].shader, std::string(64, 'n')) << "a full name field has no NUL";
    EXPECT_EQ(effects[1].visibleSide, 3);
    EXPECT_EQ(map->getFaces()[0].effect, 1);
    EXPECT_EQ(map->getFaces()[1].effect, kNoEffect);
}

TEST(LevelLoaderTest, badEffectsAreProblemsNotCrashes) {
    LevelWriter writer(levelWithEffects());
    // Part of a third record: the two whole ones are kept.
    writer.setEntry(kEffectsLump, writer.entry(kEffectsLump).offset, 2 * kEffectRecordBytes + 9);
    auto partRecords = loadLevelBytes(writer.bytes());
    EXPECT_EQ(partRecords->getEffects().size(), 2u);
    EXPECT_EQ(problemText(*partRecords),
              "lump 12 (effects) holds 153 bytes, not a whole number of 72-byte records\n");

    LevelDescription level = levelWithEffects();
    level.effects[1].brush = 4;
    level.faces[1].effect = 2;
    EXPECT_EQ(problemText(*loadLevelBytes(writeLevel(level))),
              "effect 1 uses brush 4 but the level has 1 brush\n"
              "face 1 (patch) uses effect 2 but the level has 2 effects (-1 names none)\n");

    level = levelWithEffects();
    level.brushes[0].numSides = 3;
    level.brushSides[0].plane = 5;
    EXPECT_EQ(problemText(*loadLevelBytes(writeLevel(level))),
              "effect 0 uses brush 0, which lists brush sides 0..2 but the level has 1\n"
              "effect 1 uses brush 0, which lists brush sides 0..2 but the level has 1\n");
    level.brushes[0].numSides = 1;
    EXPECT_EQ(loadLevelBytes(writeLevel(level))->getProblems().front(),
              "effect 0 uses brush 0, whose side 0 uses plane 5 but the level has 1 plane");
}

TEST(LevelLoaderTest, fileOfAnotherKindIsOneProblemRightAfterItsMagicAndVersion) {
    struct Kind {
        const char magic[4];
        std::int32_t version;
        const char* echo;     // the two transcript lines, the magic cut at a NUL
        const char* problem;  // unprintable bytes, the quote and the backslash as \xNN
    };
    const Kind kinds[] = {
        {{'R', 'I', 'F', 'F'},
         808464432,
         "magic: RIFF\nversion: 808464432\n",
         "not an IBSP version 46 level: magic 'RIFF', version 808464432"},
        {{'I', 'B', 'S', 'P'},
         38,
         "magic: IBSP\nversion: 38\n",
         "not an IBSP version 46 level: magic 'IBSP', version 38"},
        {{'X', 'Y', '\0', '\xff'},
         -47,
         "magic: XY\nversion: -47\n",
         "not an IBSP version 46 level: magic 'XY\\x00\\xff', version -47"},
        {{'\'', '\\', '\n', 'P'},
         46,
         "magic: '\\\nP\nversion: 46\n",
         "not an IBSP version 46 level: magic '\\x27\\x5c\\x0aP', version 46"},
    };
    const std::vector<std::uint8_t> sound = writeLevel(tinyLevel());
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.problem);
        std::vector<std::uint8_t> bytes = sound;
        std::memcpy(bytes.data(), kind.magic, 4);
        std::memcpy(bytes.data() + 4, &kind.version, 4);  // little-endian, as the file
        std::ostringstream log;
        const auto map = loadLevelBytes(bytes, log);
        EXPECT_EQ(log.str(), kind.echo);
        EXPECT_EQ(map->getProblems(), std::vector<std::string>{kind.problem});
        EXPECT_TRUE(map->getFaces().empty());
    }

    // Only the header's first eight bytes decide: cut right after them, the kind is still named.
    std::vector<std::uint8_t> riff(sound.begin(), sound.begin() + 8);
    std::memcpy(riff.data(), "RIFF", 4);
    EXPECT_EQ(loadLevelBytes(riff)->getProblems(),
              std::vector<std::string>{"not an IBSP version 46 level: magic 'RIFF', version 46"});
}

TEST(LevelLoaderTest, entityTextIsTheLumpBytesThenNul) {
    LevelDescription level = tinyLevel();
    level.entityText = std::string("ab\0cd", 5);
    LevelWriter writer(level);
    auto map = loadLevelBytes(writer.bytes());
    EXPECT_EQ(std::string(map->getEntityText(), 6), std::string("ab\0cd\0", 6));

    writer.setEntry(kEntitiesLump, writer.entry(kEntitiesLump).offset, 0);
    EXPECT_STREQ(loadLevelBytes(writer.bytes())->getEntityText(), "");
}

TEST(LevelLoaderTest, rejectsLumpPastEndOfFileButKeepsTheTranscriptShape) {
    LevelWriter writer(tinyLevel());
    const std::size_t fileSize = writer.bytes().size();
    const auto leavesAt = static_cast<std::int32_t>(fileSize - 100);
    writer.setEntry(kLeavesLump, leavesAt, 480);
    writer.setEntry(kVerticesLump, -4, 44);
    writer.setEntry(kFacesLump, writer.entry(kFacesLump).offset, -104);
    writer.setEntry(kEntitiesLump, 0x7fffff00, 0x7fffff00);
    std::ostringstream log;
    auto map = loadLevelBytes(writer.bytes(), log);

    EXPECT_NE(log.str().find(kLoadingLines), std::string::npos);
    EXPECT_TRUE(map->getLeaves().empty());
    EXPECT_TRUE(map->getVertices().empty());
    EXPECT_TRUE(map->getFaces().empty());
    EXPECT_STREQ(map->getEntityText(), "");
    EXPECT_EQ(map->getPlanes().size(), 1u);
    const std::string size = std::to_string(fileSize);
    // The lumps' own problems come first; the validator's follow (nodes naming missing leaves).
    const std::string text = problemText(*map);
    const std::string lumpProblems =
        "lump 4 (leaves) at offset " + std::to_string(leavesAt) +
        " with length 480 runs past the end of the file (" + size + " bytes)\n" +
        "lump 10 (vertices) has a negative offset -4\n" +
        "lump 13 (faces) has a negative length -104\n" +
        "lump 0 (entities) at offset 2147483392 with length 2147483392 runs past the "
        "end of the file (" +
        size + " bytes)\n";
    EXPECT_EQ(text.substr(0, lumpProblems.size()), lumpProblems);
    EXPECT_NE(text.find("the level has no leaves: the camera cannot be placed\n"),
              std::string::npos);
}

TEST(LevelLoaderTest, shortHeaderIsAProblemAndStillPrintsItsTranscript) {
    LevelWriter writer(tinyLevel());
    writer.truncate(100);
    std::ostringstream log;
    auto map = loadLevelBytes(writer.bytes(), log);
    ASSERT_FALSE(map->getProblems().empty());
    EXPECT_EQ(map->getProblems()[0], "the file holds 100 bytes, fewer than its 144-byte header");
    EXPECT_NE(log.str().find("dir_entry #16:  offset=0 length=0\n"), std::string::npos);
    EXPECT_NE(log.str().find(kLoadingLines), std::string::npos);
    EXPECT_FALSE(map->getVisData().hasRows());

    auto empty = loadLevelBytes({});
    EXPECT_EQ(empty->getProblems()[0], "the file holds 0 bytes, fewer than its 144-byte header");
}

TEST(LevelLoaderTest, visibilityLumpShorterThanItsHeaderMeansNoRowsSilently) {
    LevelWriter writer(tinyLevel());
    // As in a real level: length 0 at the entity text's offset, whose first eight bytes read as
    // two enormous counts.
    writer.setEntry(kVisibilityLump, writer.entry(kEntitiesLump).offset, 0);
    auto map = loadLevelBytes(writer.bytes());
    EXPECT_TRUE(map->isSound()) << problemText(*map);
    EXPECT_FALSE(map->getVisData().hasRows());
    EXPECT_EQ(map->getVisData().numClusters, 0);

    writer.setEntry(kVisibilityLump, writer.entry(kEntitiesLump).offset, 7);
    EXPECT_TRUE(loadLevelBytes(writer.bytes())->isSound());
}

TEST(LevelLoaderTest, visibilityMatrixLargerThanItsLumpIsAProblemWithoutRows) {
    LevelDescription level = tinyLevel();
    level.visibility = {0x40000000, 0x40000000, {0x03, 0x03}};
    auto map = loadLevelBytes(writeLevel(level));
    EXPECT_FALSE(map->getVisData().hasRows());
    EXPECT_EQ(problemText(*map),
              "visibility data claims 1073741824 clusters of 1073741824 bytes "
              "(1152921504606846976 bytes) but its lump holds 2 bytes after the header\n");

    level.visibility = {-2, 1, {0x03, 0x03}};
    EXPECT_EQ(loadLevelBytes(writeLevel(level))->getProblems().size(), 1u);
    level.visibility = {2, 1, {0x03}};
    EXPECT_EQ(loadLevelBytes(writeLevel(level))->getProblems().size(), 1u);
}

TEST(LevelLoaderTest, writerRoundTripsThroughAFile) {
    const LevelDescription level = tinyLevel();
    LevelWriter writer(level);
    const auto path = std::filesystem::temp_directory_path() /
                      ("velmora-roundtrip-" + std::to_string(::getpid()) + ".bsp");
    std::string error;
    ASSERT_TRUE(writer.writeFile(path.string(), error)) << error;
    testing::internal::CaptureStderr();
    TestLevel map("data/", path.string(), nullptr, nullptr);
    const std::string transcript = testing::internal::GetCapturedStderr();
    std::filesystem::remove(path);

    EXPECT_TRUE(map.isSound()) << problemText(map);
    EXPECT_EQ(transcript.substr(0, 24), "magic: IBSP\nversion: 46\n");
    ASSERT_EQ(map.getVertices().size(), level.vertices.size());
    EXPECT_EQ(map.getVertices()[12].position[1], level.vertices[12].position[2]);
    EXPECT_EQ(map.getMeshVertices(), level.meshVertices);
    EXPECT_EQ(map.getLeafFaces(), level.leafFaces);
    EXPECT_EQ(map.getLeaves()[1].cluster, 1);
    EXPECT_EQ(map.getVisData().bits, level.visibility.bits);
    EXPECT_EQ(std::string(map.getEntityText()), level.entityText);
    EXPECT_EQ(map.getFaces()[2].type, kBillboardFace);
}

TEST(LevelLoaderTest, unreadableFileIsOneProblemAndNoTranscript) {
    testing::internal::CaptureStderr();
    TestLevel missing("data/", "/nonexistent/velmora/level.bsp", nullptr, nullptr);
    TestLevel directory("data/", std::filesystem::temp_directory_path().string(), nullptr, nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(missing.getProblems(),
              std::vector<std::string>{"cannot open level file: No such file or directory"});
    EXPECT_EQ(directory.getProblems(),
              std::vector<std::string>{"cannot read level file: it is not a regular file"});
    EXPECT_FALSE(missing.getVisData().hasRows());
    EXPECT_STREQ(missing.getEntityText(), "");
}

// A patch face of w x h controls gives ((w - 1) / 2) * ((h - 1) / 2) patches, each tessellated
// at the load level.
void expectEveryPatchFaceCutWhole(const BSPMap& map) {
    for (std::size_t index = 0; index < map.getFaces().size(); ++index) {
        const Face& face = map.getFaces()[index];
        if (face.type != kPatchFace) {
            continue;
        }
        const std::size_t expected = static_cast<std::size_t>((face.patchSize[0] - 1) / 2) *
                                     static_cast<std::size_t>((face.patchSize[1] - 1) / 2);
        ASSERT_EQ(face.patches.size(), expected) << "face " << index;
        for (const BezierPatch& patch : face.patches) {
            ASSERT_EQ(patch.getTessLevel(), kInitialPatchLevel) << "face " << index;
        }
    }
}

TEST(LevelLoaderTest, everyRealLevelLoadsSoundWithOnlyItsTranscript) {
    const RealLevels real = findRealLevels();
    if (real.files.empty()) {
        GTEST_SKIP() << real.unavailable;
    }
    const std::regex transcriptShape(
        "magic: IBSP\nversion: 46\n(dir_entry #[0-9]+:  offset=-?[0-9]+ length=-?[0-9]+\n){17}"
        "this level contains [0-9]+ distinct textures\n");
    int levels = 0;
    for (const std::filesystem::path& path : real.files) {
        ++levels;
        testing::internal::CaptureStderr();
        TestLevel map("data/", path.string(), nullptr, nullptr);
        const std::string output = testing::internal::GetCapturedStderr();
        SCOPED_TRACE(path.string());
        EXPECT_TRUE(map.isSound()) << problemText(map);
        const std::size_t loadingAt = output.find(kLoadingLines);
        ASSERT_NE(loadingAt, std::string::npos) << output;
        EXPECT_EQ(loadingAt + std::strlen(kLoadingLines), output.size()) << output;
        EXPECT_TRUE(std::regex_match(output.substr(0, loadingAt), transcriptShape)) << output;
        EXPECT_FALSE(map.getNodes().empty());
        EXPECT_FALSE(map.getFaces().empty());
        expectEveryPatchFaceCutWhole(map);
        const EntityList entities = readEntities(map.getEntityText());
        EXPECT_EQ(entities.problems, std::vector<std::string>{});
        EXPECT_FALSE(findSpawnPoints(map.getEntityText()).empty());
    }
    EXPECT_GT(levels, 0);
}
