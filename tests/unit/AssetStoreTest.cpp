// The asset store: where a name is found (folder before archives, later archives over earlier),
// listing, and archives or entries that are corrupt, truncated or try to leave the data path.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/SurfaceReport.h"
#include "level/BSPMap.h"
#include "level/LevelFile.h"
#include "generators/AssetFiles.h"
#include "support/LevelFixtures.h"
#include "assets/AssetStore.h"
#include "material/MaterialScripts.h"

namespace {

std::vector<std::uint8_t> text(const std::string& content) {
    return std::vector<std::uint8_t>(content.begin(), content.end());
}

std::string readText(const AssetStore& assets, const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (!assets.read(path, bytes)) {
        return "(none)";
    }
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

TEST(AssetStoreTest, folderFirstThenArchivesWhoseNamesSortLaterCaseInsensitively) {
    ScratchFolder data("assets-order");
    // "B.pk3" sorts after "a.pk3" without regard to case, though 'B' < 'a' in ASCII.
    writeBytes(data.path() / "a.pk3", makeZip({{"textures/x/shared.tga", text("from a")},
                                               {"textures/x/only-a.tga", text("only a")},
                                               {"textures/x/folder.tga", text("archived")}}));
    writeBytes(data.path() / "B.pk3", makeZip({{"textures/x/shared.tga", text("from B")}}, false));
    writeBytes(data.path() / "textures/x/folder.tga", text("loose"));
    std::ostringstream log;
    const AssetStore assets(data.dataPath(), log);

    EXPECT_EQ(log.str(), "");
    EXPECT_EQ(assets.archiveCount(), 2u);
    EXPECT_EQ(readText(assets, "textures/x/shared.tga"), "from B");
    EXPECT_EQ(readText(assets, "textures/x/only-a.tga"), "only a");
    EXPECT_EQ(readText(assets, "textures/x/folder.tga"), "loose");
    // Archive entries match without regard to case, as the game data's names need.
    EXPECT_EQ(readText(assets, "Textures/X/Only-A.TGA"), "only a");
    EXPECT_TRUE(assets.contains("textures/x/only-a.tga"));
    EXPECT_FALSE(assets.contains("textures/x/absent.tga"));
    EXPECT_EQ(readText(assets, "textures/x/absent.tga"), "(none)");
}

TEST(AssetStoreTest, listsFolderAndArchiveEntriesOnceWithTheExtensionOnly) {
    ScratchFolder data("assets-list");
    writeBytes(data.path() / "pak0.pk3", makeZip({{"scripts/base.shader", text("a")},
                                                  {"scripts/Loose.shader", text("b")},
                                                  {"scripts/readme.txt", text("c")},
                                                  {"scripts/deeper/x.shader", text("d")}}));
    writeBytes(data.path() / "scripts/loose.shader", text("folder"));
    std::ostringstream log;
    const AssetStore assets(data.dataPath(), log);
    EXPECT_EQ(assets.list("scripts", ".shader"),
              (std::vector<std::string>{"scripts/base.shader", "scripts/loose.shader"}));
}

TEST(AssetStoreTest, copiesAreEachArchivesThenTheFoldersInTheOrderTheyOverride) {
    ScratchFolder data("assets-copies");
    writeBytes(data.path() / "b.pk3", makeZip({{"scripts/shared.shader", text("from b")},
                                               {"scripts/notes.txt", text("not listed")}}));
    writeBytes(data.path() / "A.pk3", makeZip({{"Scripts/Shared.shader", text("from A")},
                                               {"scripts/deeper/x.shader", text("not listed")}}));
    writeBytes(data.path() / "scripts/shared.shader", text("loose"));
    std::ostringstream log;
    const AssetStore assets(data.dataPath(), log);
    const std::vector<AssetStore::Copy> copies = assets.copies("scripts", ".shader");

    std::vector<std::string> seen;
    std::vector<std::uint8_t> bytes;
    for (const AssetStore::Copy& copy : copies) {
        ASSERT_TRUE(assets.read(copy, bytes));
        seen.push_back(copy.archive + ":" + copy.relativePath + "=" +
                       std::string(bytes.begin(), bytes.end()));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"A.pk3:Scripts/Shared.shader=from A",
                                              "b.pk3:scripts/shared.shader=from b",
                                              ":scripts/shared.shader=loose"}));
    EXPECT_EQ(log.str(), "");
}

TEST(AssetStoreTest, corruptArchiveIsReportedOnceByNameAndSkipped) {
    ScratchFolder data("assets-corrupt");
    writeBytes(data.path() / "good.pk3", makeZip({{"maps/m.bsp", text("level")}}));
    std::vector<std::uint8_t> broken = makeZip({{"maps/m.bsp", text("other")}});
    // Cutting the end removes the central directory a zip is read from.
    broken.resize(broken.size() - 10);
    writeBytes(data.path() / "zz-broken.pk3", broken);
    writeBytes(data.path() / "noise.pk3", text("this is not a zip archive at all"));
    std::ostringstream log;
    const AssetStore assets(data.dataPath(), log);

    EXPECT_EQ(assets.archiveCount(), 1u);
    EXPECT_EQ(readText(assets, "maps/m.bsp"), "level");
    const std::string lines = log.str();
    EXPECT_NE(lines.find("zz-broken.pk3: not a readable zip archive"), std::string::npos) << lines;
    EXPECT_NE(lines.find("noise.pk3: not a readable zip archive"), std::string::npos) << lines;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 2);
}

TEST(AssetStoreTest, levelReadOpensTheArchivesOnlyWhenThePathAsWrittenFailsAndThenOnlyOnce) {
    ScratchFolder data("assets-lazy");
    writeBytes(data.path() / "good.pk3", makeZip({{"maps/m.bsp", text("level")}}));
    writeBytes(data.path() / "noise.pk3", text("this is not a zip archive at all"));
    writeBytes(data.path() / "plain.bsp", text("plain"));
    std::ostringstream log;
    LazyAssetStore dataPathAssets(data.dataPath(), log);
    std::ifstream stream;
    std::vector<std::uint8_t> bytes;

    EXPECT_EQ(readLevelBytes(stream, (data.path() / "plain.bsp").string(), bytes, dataPathAssets),
              "");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "plain");
    EXPECT_EQ(log.str(), "") << "a plain level file opened the archives";

    std::ifstream secondStream;
    EXPECT_EQ(readLevelBytes(secondStream, "maps/m.bsp", bytes, dataPathAssets), "");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "level");
    // The sky and the face images ask the same store again: no second opening, no second report.
    EXPECT_EQ(readText(dataPathAssets.get(), "maps/m.bsp"), "level");
    const std::string lines = log.str();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 1) << lines;
}

TEST(AssetStoreTest, damagedEntryDataIsALineAndNoBytes) {
    std::vector<std::uint8_t> content(4000);
    for (std::size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<std::uint8_t>((i * 7) ^ (i >> 3));
    }
    std::vector<std::uint8_t> archive = makeZip({{"textures/big.tga", content}}, false);
    // Stored data starts after the 30-byte local header and the name; damage its middle, so
    // the directory stays sound but the checksum fails.
    archive[30 + 16 + 2000] ^= 0xFF;
    std::ostringstream log;
    const AssetStore assets("damaged.pk3", archive, log);
    std::vector<std::uint8_t> bytes;
    EXPECT_FALSE(assets.read("textures/big.tga", bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_NE(log.str().find("damaged.pk3: entry textures/big.tga: truncated or corrupt"),
              std::string::npos)
        << log.str();
}

TEST(AssetStoreTest, everyTruncatedPrefixOfAnArchiveIsRefusedOrReadWhole) {
    const std::vector<std::uint8_t> content = text(std::string(300, 'q') + "end");
    const std::vector<std::uint8_t> archive =
        makeZip({{"a.txt", content}, {"scripts/s.shader", text("x { }")}});
    for (std::size_t length = 0; length < archive.size(); ++length) {
        std::ostringstream log;
        const AssetStore assets(
            "cut.pk3", std::vector<std::uint8_t>(archive.begin(), archive.begin() + length), log);
        std::vector<std::uint8_t> bytes;
        if (assets.read("a.txt", bytes)) {
            EXPECT_EQ(bytes, content) << "prefix " << length;
        } else {
            EXPECT_NE(log.str().find("cut.pk3"), std::string::npos) << "prefix " << length;
        }
    }
}

TEST(AssetStoreTest, pathsThatLeaveTheDataPathAreNotRead) {
    ScratchFolder data("assets-escape");
    writeBytes(data.path() / "inside/secret.txt", text("kept in"));
    std::ostringstream log;
    const AssetStore assets((data.path() / "inside").string() + "/", log);
    EXPECT_EQ(readText(assets, "secret.txt"), "kept in");
    EXPECT_EQ(readText(assets, "../inside/secret.txt"), "(none)");
    EXPECT_EQ(readText(assets, (data.path() / "inside/secret.txt").string()), "(none)");
}

TEST(AssetStoreTest, levelThatDoesNotOpenAsWrittenIsReadFromTheDataPathArchives) {
    ScratchFolder data("assets-level");
    writeBytes(data.path() / "pak1-maps.pk3",
               makeZip({{"maps/tiny.bsp", writeLevel(tinyLevel())}}));
    testing::internal::CaptureStderr();
    const TestLevel level(data.dataPath(), "maps/tiny.bsp", nullptr, nullptr);
    const std::string transcript = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(level.isSound());
    EXPECT_EQ(level.getLevelFile(), "maps/tiny.bsp");
    EXPECT_EQ(transcript.substr(0, 24), "magic: IBSP\nversion: 46\n");
    EXPECT_EQ(level.getTextureNames().size(), level.getTextureCount());

    testing::internal::CaptureStderr();
    const TestLevel absent(data.dataPath(), "maps/absent.bsp", nullptr, nullptr);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(absent.getProblems(),
              std::vector<std::string>{"cannot open level file: No such file or directory"});
}

TEST(AssetStoreTest, messagesNameTheArchiveAnEntryComesFrom) {
    ScratchFolder data("assets-describe");
    writeBytes(data.path() / "pak0.pk3", makeZip({{"textures/a/wall.tga", text("archived")},
                                                  {"textures/a/floor.tga", text("hidden")}}));
    writeBytes(data.path() / "textures/a/floor.tga", text("folder"));
    std::ostringstream log;
    const AssetStore assets(data.dataPath(), log);
    EXPECT_EQ(assets.describe("textures/a/wall.tga"), "pak0.pk3:textures/a/wall.tga");
    EXPECT_EQ(assets.describe("textures/A/WALL.TGA"), "pak0.pk3:textures/A/WALL.TGA");
    EXPECT_EQ(assets.describe("textures/a/floor.tga"), "textures/a/floor.tga");
    EXPECT_EQ(assets.describe("textures/a/none.tga"), "textures/a/none.tga");
}

// A loose file over the size limit is passed over for the archive's copy: one line names its
// size, the limit and the copy used, and the scripts, the reads and the i report all take and
// name that copy. The files are sparse: their size costs no disk.
TEST(AssetStoreTest, aLooseFileOverTheLimitGivesWayToTheArchivesCopyWithOneLine) {
    ScratchFolder data("assets-too-large");
    writeBytes(
        data.path() / "pak0.pk3",
        makeZip({{"textures/a/wall.tga", solidTga(2, 2, {1, 2, 3})},
                 {"scripts/a.shader", text("textures/a/lit { { map textures/a/wall.tga } }")}}));
    const std::uintmax_t tooLarge = AssetStore::kMaxEntryBytes + 1;
    for (const char* loose : {"textures/a/wall.tga", "scripts/a.shader", "textures/a/alone.tga"}) {
        ASSERT_TRUE(writeBytes(data.path() / loose, text("loose")));
        std::filesystem::resize_file(data.path() / loose, tooLarge);
    }
    std::ostringstream log;
    const AssetStore assets(data.dataPath(), log);
    const std::string limit = " bytes, more than the limit of 268435456; ";

    EXPECT_EQ(assets.describe("textures/a/wall.tga"), "pak0.pk3:textures/a/wall.tga");
    EXPECT_EQ(readText(assets, "textures/a/wall.tga").size(), solidTga(2, 2, {1, 2, 3}).size());
    EXPECT_TRUE(assets.folderFile("textures/a/wall.tga").empty());
    EXPECT_FALSE(assets.contains("textures/a/alone.tga"));
    const TextureOrigin origin = textureOriginOf("textures/a/lit", MaterialScripts(assets, log),
                                                 assets, [](const std::string&) { return true; });
    EXPECT_EQ(originText(origin),
              "script scripts/a.shader in pak0.pk3; images pak0.pk3:textures/a/wall.tga");
    // Each file once, however often it is looked up.
    EXPECT_EQ(log.str(), data.dataPath() + "textures/a/wall.tga: 268435457" + limit +
                             "pak0.pk3:textures/a/wall.tga is used instead\n" + data.dataPath() +
                             "textures/a/alone.tga: 268435457" + limit +
                             "skipped, and no other copy is used\n" + data.dataPath() +
                             "scripts/a.shader: 268435457" + limit +
                             "pak0.pk3:scripts/a.shader is used instead\n");
}
