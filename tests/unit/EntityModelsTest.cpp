// Entities and their models away from GL: the class table and families, each model file read once
// with a broken one named by archive and entry in one line, and the light a model gets with and
// without the level's grid.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "level/Entities.h"
#include "model/EntityModels.h"
#include "render/EntityView.h"
#include "support/EntityFixtures.h"
#include "support/LevelFixtures.h"
#include "assets/AssetStore.h"

TEST(EntityModelsTest, tableNamesTheGameDataModelsAndFamiliesFollowTheClassName) {
    const auto launcher = modelPathsOf("weapon_rocketlauncher");
    ASSERT_EQ(launcher.size(), 1u);
    EXPECT_EQ(launcher[0], "models/weapons2/rocketl/rocketl.md3");
    EXPECT_EQ(modelPathsOf("ammo_belt").size(), 1u);       // first in the table
    EXPECT_EQ(modelPathsOf("weapon_shotgun").size(), 1u);  // last
    EXPECT_EQ(modelPathsOf("item_health").size(), 2u);     // cross and sphere
    EXPECT_TRUE(modelPathsOf("info_player_start").empty());
    EXPECT_TRUE(modelPathsOf("weapon_rocketlaunche").empty());

    EXPECT_EQ(familyOf("team_CTF_redflag"), EntityFamily::item);
    EXPECT_EQ(familyOf("holdable_medkit"), EntityFamily::item);
    EXPECT_EQ(familyOf("info_player_deathmatch"), EntityFamily::spawn);
    EXPECT_EQ(familyOf("team_CTF_bluespawn"), EntityFamily::spawn);
    EXPECT_EQ(familyOf("light"), EntityFamily::light);
    EXPECT_EQ(familyOf("target_speaker"), EntityFamily::other);
    EXPECT_EQ(familyOf("team_CTF_redplayer"), EntityFamily::other);
}

TEST(EntityModelsTest, eachModelIsReadOnceAndABrokenOneIsOneLineNamingArchiveAndEntry) {
    ScratchFolder data("entity-models");
    writeEntityModels(data);
    std::unique_ptr<BSPMap> level = loadLevelBytes(entityLevelBytes());
    ASSERT_TRUE(level->isSound());
    std::vector<EntityPlacement> placements = placementsOf(readEntities(level->getEntityText()));
    // worldspawn has no origin; a second launcher shares the first one's model.
    ASSERT_EQ(placements.size(), 4u);
    placements.push_back(placements[0]);
    std::ostringstream log;
    const AssetStore store(data.dataPath(), log);
    EntityView view(*level, std::move(placements), log);
    view.loadModels(store, log);
    EXPECT_EQ(view.modelCount(), 1u);
    EXPECT_EQ(log.str(),
              "bad.pk3:models/weapons2/railgun/railgun.md3: bad model: frames count 2000000000 is "
              "outside 0..1024; drawn as a marker\n"
              "models/powerups/instant/quad.md3: no such model under the data path; drawn as a "
              "marker\n"
              "models/powerups/instant/quad_ring.md3: no such model under the data path; drawn "
              "as a marker\n");
}

TEST(EntityModelsTest, modelsAreLitByTheGridOrWithoutOneFromAbove) {
    std::ostringstream log;
    std::unique_ptr<BSPMap> level = loadLevelBytes(entityLevelBytes());
    const EntityView withGrid(*level, {}, log);
    ASSERT_NE(withGrid.lightGrid(), nullptr);
    const LightSample sample = withGrid.lightAt(Point(10, 0, -150));
    EXPECT_FLOAT_EQ(sample.ambient[0], 20.0f);
    EXPECT_FLOAT_EQ(sample.directed[1], 20.0f);
    // Toward the file's -y, the viewer's +z.
    EXPECT_NEAR(sample.direction[2], 1.0f, 1e-5f);

    std::unique_ptr<BSPMap> bare = loadLevelBytes(entityLevelBytes(0));
    const EntityView withoutGrid(*bare, {}, log);
    EXPECT_EQ(withoutGrid.lightGrid(), nullptr);
    EXPECT_NEAR(withoutGrid.lightAt(Point(0, 0, 0)).direction[1], 1.0f, 1e-6f);
    EXPECT_EQ(log.str(), "");

    std::unique_ptr<BSPMap> cut = loadLevelBytes(entityLevelBytes(kGridCells - 1));
    ASSERT_TRUE(cut->isSound());
    const EntityView withCutGrid(*cut, {}, log);
    EXPECT_EQ(withCutGrid.lightGrid(), nullptr);
    EXPECT_EQ(log.str(),
              "test.bsp: light grid: the world box needs 3 x 7 x 1 cells (168 bytes) but the lump "
              "holds 160; models are lit from above\n");
}
