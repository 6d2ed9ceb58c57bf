// Opening a level without a configuration: the command line's forms, the order the data folders
// are searched in (a later folder over an earlier one, a folder's files over its archives), the
// list of levels, and the order and heading of the player spawns.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "app/LevelOpening.h"
#include "generators/AssetFiles.h"
#include "geometry/Camera.h"
#include "level/AxisChange.h"
#include "assets/AssetStore.h"

namespace {

std::vector<std::uint8_t> text(const std::string& content) {
    return std::vector<std::uint8_t>(content.begin(), content.end());
}

std::string readText(const AssetStore& assets, const std::string& path) {
    std::vector<std::uint8_t> bytes;
    return assets.read(path, bytes) ? std::string(bytes.begin(), bytes.end()) : "(none)";
}

std::optional<LaunchRequest> request(std::vector<std::string> arguments, std::string& log) {
    arguments.insert(arguments.begin(), "velmora");
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    std::ostringstream stream;
    auto result = readLaunchRequest(static_cast<int>(argv.size()), argv.data(), stream);
    log = stream.str();
    return result;
}

}  // namespace

TEST(DataFoldersTest, commandLineFormsAndTheirMistakes) {
    std::string log;
    auto path = request({"/home/me/mymod/maps/Test.BSP", "--data", "a", "--data", "b"}, log);
    ASSERT_TRUE(path);
    EXPECT_EQ(path->form, LaunchForm::kLevelPath);
    EXPECT_EQ(path->argument, "/home/me/mymod/maps/Test.BSP");
    EXPECT_EQ(path->givenDataFolders, (std::vector<std::string>{"a", "b"}));
    auto name = request({"--data", "a", "oa_dm4"}, log);
    ASSERT_TRUE(name);
    EXPECT_EQ(name->form, LaunchForm::kLevelName);
    EXPECT_EQ(name->argument, "oa_dm4");
    auto list = request({"--list", "--data", "a"}, log);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->form, LaunchForm::kList);
    // A configuration keeps the whole line as before, however like a flag or a name it looks.
    for (const std::string configuration : {"viewer.cfg", "--helpful", "dir/config"}) {
        auto config = request({configuration, "--data", "x"}, log);
        ASSERT_TRUE(config) << configuration;
        EXPECT_EQ(config->form, LaunchForm::kConfiguration) << configuration;
        EXPECT_EQ(config->argument, configuration);
        EXPECT_TRUE(config->givenDataFolders.empty());
    }
    EXPECT_FALSE(request({"x.bsp", "--data"}, log));
    EXPECT_EQ(log, "--data needs a folder\n");
    EXPECT_FALSE(request({"x.bsp", "--fast"}, log));
    EXPECT_EQ(log, "--fast: not an option of the level forms (--data DIR, --list)\n");
    EXPECT_FALSE(request({"x.bsp", "y.bsp"}, log));
    EXPECT_EQ(log, "y.bsp: one level at a time (x.bsp given first)\n");
    EXPECT_FALSE(request({"--list", "x.bsp"}, log));
    EXPECT_FALSE(request({"--data", "a"}, log));
    EXPECT_EQ(log, "no level given\n");
}

TEST(DataFoldersTest, givenFoldersElseFirstInstallPlaceThenTheLevelsOwnFolderLast) {
    ScratchFolder home("data-folders-home");
    const std::vector<std::string> places = installPlaces(home.path().string());
    ASSERT_EQ(places.size(), 3u);
    EXPECT_EQ(places[0], "/usr/share/games/openarena/baseoa/");
    EXPECT_EQ(places[1], home.path().string() + "/.openarena/baseoa/");
    EXPECT_EQ(places[2], home.path().string() + "/.q3a/baseq3/");
    // Of the home places only the second exists: it is the one taken.
    std::filesystem::create_directories(home.path() / ".q3a/baseq3");
    const std::vector<std::string> homePlaces(places.begin() + 1, places.end());
    EXPECT_EQ(dataFoldersFor({}, homePlaces, "/tmp/x.bsp"), (std::vector<std::string>{places[2]}));
    EXPECT_EQ(dataFoldersFor({"a", "b/"}, homePlaces, "/home/me/mymod/maps/test.bsp"),
              (std::vector<std::string>{"a/", "b/", "/home/me/mymod/"}));
    EXPECT_EQ(dataFoldersFor({}, {}, "maps/test.bsp"), (std::vector<std::string>{"./"}));
    // The level's own folder given with --data too is searched once, last.
    EXPECT_EQ(dataFoldersFor({"/m/", "a/"}, {}, "/m/MAPS/t.bsp"),
              (std::vector<std::string>{"a/", "/m/"}));
    EXPECT_EQ(modFolderOf("/tmp/x.bsp"), "");
    EXPECT_EQ(folderListText({"a/", "b/"}), "a/ b/");

    LaunchRequest byName{LaunchForm::kLevelName, "dm1", {}};
    const ViewerConfig config = levelConfig(byName, {"a/", "b/"});
    EXPECT_EQ(config.levelFile, "maps/dm1.bsp");
    EXPECT_TRUE(config.levelInDataFolders && config.startAtFirstSpawn);
    EXPECT_TRUE(config.lightmaps && config.textures && config.entities);
    EXPECT_EQ(config.width, 1024);
    EXPECT_EQ(config.height, 768);
    EXPECT_EQ(config.dataPath, "b/");
}

TEST(DataFoldersTest, laterFolderWinsAndWithinAFolderItsFilesBeatItsArchives) {
    ScratchFolder game("data-folders-game");
    ScratchFolder mod("data-folders-mod");
    writeBytes(game.path() / "pak0.pk3", makeZip({{"textures/a.tga", text("game archive")},
                                                  {"textures/b.tga", text("game archive")},
                                                  {"textures/c.tga", text("game archive")},
                                                  {"maps/dm1.bsp", text("x")},
                                                  {"maps/dm2.bsp", text("x")}}));
    writeBytes(game.path() / "textures/b.tga", text("game file"));
    writeBytes(game.path() / "textures/d.tga", text("game file"));
    writeBytes(mod.path() / "mod.pk3", makeZip({{"textures/c.tga", text("mod archive")},
                                                {"textures/d.tga", text("mod archive")},
                                                {"maps/dm2.bsp", text("x")}}));
    writeBytes(mod.path() / "textures/a.tga", text("mod file"));
    writeBytes(mod.path() / "maps/mine.bsp", text("x"));
    std::ostringstream log;
    const AssetStore assets({game.dataPath(), mod.dataPath()}, log);
    EXPECT_EQ(log.str(), "");
    EXPECT_EQ(readText(assets, "textures/a.tga"), "mod file");
    EXPECT_EQ(readText(assets, "textures/b.tga"), "game file");
    EXPECT_EQ(readText(assets, "textures/c.tga"), "mod archive");
    // A later folder's archive beats an earlier folder's own file.
    EXPECT_EQ(readText(assets, "textures/d.tga"), "mod archive");
    EXPECT_EQ(assets.describe("textures/a.tga"), mod.dataPath() + "textures/a.tga");
    EXPECT_EQ(assets.describe("textures/c.tga"), "mod.pk3:textures/c.tga");
    EXPECT_EQ(assets.sourceFile("textures/c.tga"), (mod.path() / "mod.pk3").string());
    EXPECT_EQ(assets.folderFile("textures/c.tga"), "");
    EXPECT_EQ(assets.folderFile("textures/b.tga"), game.dataPath() + "textures/b.tga");
    EXPECT_EQ(assets.list("textures", ".tga"),
              (std::vector<std::string>{"textures/a.tga", "textures/b.tga", "textures/c.tga",
                                        "textures/d.tga"}));
    // copies() runs from the weakest copy to the winner, as read() decides.
    const std::vector<AssetStore::Copy> copies = assets.copies("textures", ".tga");
    std::vector<std::string> order;
    for (const AssetStore::Copy& copy : copies) {
        std::vector<std::uint8_t> bytes;
        ASSERT_TRUE(assets.read(copy, bytes));
        order.push_back(copy.relativePath + "=" + std::string(bytes.begin(), bytes.end()));
    }
    EXPECT_EQ(order, (std::vector<std::string>{
                         "textures/a.tga=game archive", "textures/b.tga=game archive",
                         "textures/c.tga=game archive", "textures/b.tga=game file",
                         "textures/d.tga=game file", "textures/c.tga=mod archive",
                         "textures/d.tga=mod archive", "textures/a.tga=mod file"}));

    std::vector<std::string> listed;
    for (const ListedLevel& level : listLevels(assets)) {
        listed.push_back(level.name + " " + level.source);
    }
    EXPECT_EQ(listed, (std::vector<std::string>{"dm1 pak0.pk3", "dm2 mod.pk3",
                                                "mine " + mod.dataPath() + "maps/mine.bsp"}));
    // One folder keeps the messages it always gave.
    const AssetStore single(mod.dataPath(), log);
    EXPECT_EQ(single.describe("textures/a.tga"), "textures/a.tga");
}

TEST(DataFoldersTest, spawnsDeathmatchFirstThenStartEachInTextOrder) {
    const EntityList list = readEntities(
        "{\"classname\" \"info_player_start\" \"origin\" \"1 0 0\"}"
        "{\"classname\" \"info_player_deathmatch\" \"origin\" \"2 0 0\" \"angle\" \"90\"}"
        "{\"classname\" \"info_player_deathmatch\"}"
        "{\"classname\" \"light\" \"origin\" \"9 9 9\"}"
        "{\"classname\" \"info_player_start\" \"origin\" \"3 0 0\"}"
        "{\"classname\" \"info_player_deathmatch\" \"origin\" \"4 -8 16\" \"angle\" \"180\"}");
    const std::vector<PlayerSpawn> spawns = playerSpawns(list);
    ASSERT_EQ(spawns.size(), 4u);
    std::vector<float> xs;
    for (const PlayerSpawn& spawn : spawns) {
        xs.push_back(spawn.origin.getX());
    }
    EXPECT_EQ(xs, (std::vector<float>{2, 4, 1, 3}));
    EXPECT_EQ(spawns[0].className, "info_player_deathmatch");
    EXPECT_EQ(spawns[2].className, "info_player_start");
    EXPECT_EQ(spawns[1].angleDegrees, 180.0f);
    // Raised by the eye height in viewer axes, where file z is y.
    const Point eye = eyeAt(spawns[1]);
    EXPECT_EQ(eye.getY(), 16.0f + kPlayerEyeHeight);
    EXPECT_EQ(eye.getZ(), 8.0f);
    EXPECT_EQ(spawnLine(1, 4, spawns[1]), "spawn 2 of 4: info_player_deathmatch at 4 42 8");
}

TEST(DataFoldersTest, spawnAngleBecomesACameraLookingTheSameWay) {
    for (const float angle : {0.0f, 90.0f, 180.0f, 270.0f, -45.0f, 405.0f, 33.0f}) {
        SCOPED_TRACE(angle);
        Camera camera(Point(0, 0, 0), nullptr);
        camera.setYaw(cameraYawOf(angle));
        // The heading points behind the eye.
        const Vec3& heading = camera.getHeading();
        const double radians = angle * kDegreesToRadians;
        const Point wanted = toViewerAxes(float(std::cos(radians)), float(std::sin(radians)), 0);
        EXPECT_NEAR(-heading.getX() / 5, wanted.getX(), 0.02);
        EXPECT_NEAR(-heading.getY() / 5, wanted.getY(), 0.02);
        EXPECT_NEAR(-heading.getZ() / 5, wanted.getZ(), 0.02);
    }
}
