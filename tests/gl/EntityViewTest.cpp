// Entities in a real window: a one-triangle item model lit by a light grid of known cells shows
// at its origin in the known colour in both views and follows the clock's turn; a model whose
// counts are broken, and one that is missing, are markers of the item colour; a spawn is a green
// marker; with entities off, or markers off, the wall shows through; the launcher bobs by the
// clock; in the material view an additive glow in front of the model adds to it, and so does a
// glow stage of the model's own material.
#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "GlPixels.h"
#include "SampleSession.h"
#include "app/Callbacks.h"
#include "app/LightingModule.h"
#include "app/OnScreenDisplay.h"
#include "app/SurfaceReport.h"
#include "app/ViewOptions.h"
#include "app/Viewer.h"
#include "generators/ModelWriter.h"
#include "geometry/Camera.h"
#include "level/BSPMap.h"
#include "model/ItemMotion.h"
#include "render/Frustum.h"
#include "render/LevelViews.h"
#include "support/EntityFixtures.h"
#include "support/LevelFixtures.h"

namespace {

constexpr int kTolerance = 3;
// Window pixels of the fixture's entities for the camera at the origin (45 degree vertical
// field of view, 640 x 480): a little above and right of each marker's centre, on its upper
// front face; a little below the launcher's origin, inside its triangle.
constexpr int kLauncherX = 204;
constexpr int kLauncherY = 235;
constexpr int kRailgunX = 441;
constexpr int kRailgunY = 245;
constexpr int kSpawnX = 325;
constexpr int kSpawnY = 332;
constexpr int kQuadX = 325;
constexpr int kQuadY = 158;
const Rgb kItemMarker{255, 51, 255};
const Rgb kSpawnMarker{51, 255, 51};
const Rgb kWallGrey{40, 40, 40};

class EntityViewTest : public testing::Test {
protected:
    void SetUp() override {
        initGL();
        writeEntityModels(data);
        lighting = std::make_unique<LightingModule>("");
        display = std::make_unique<OnScreenDisplay>(GLUT_BITMAP_TIMES_ROMAN_24, kGlTestWindowWidth,
                                                    kGlTestWindowHeight);
        std::ostringstream transcript;
        level = std::make_unique<TestLevel>(data.dataPath(), "entities.bsp", entityLevelBytes(),
                                            display.get(), lighting.get(), transcript);
        ASSERT_TRUE(level->isSound()) << level->getProblems().front();
        camera = std::make_unique<Camera>(Point(0, 0, 0), &frustum);
        level->setCamera(camera.get());
        reshape(kGlTestWindowWidth, kGlTestWindowHeight);
    }

    std::vector<unsigned char> frame(bool lit, bool entities, double clockSeconds,
                                     bool images = false, bool markers = true) {
        ViewOptions options;
        options.litView = lit;
        options.showEntities = entities;
        options.showMarkers = markers;
        options.clockSeconds = clockSeconds;
        camera->setPosition(Point(0, 0, 0));
        camera->setYaw(0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        std::ostringstream overlayText;
        level->render(overlayText, 0.0f, images, true, options);
        return readWindowPixels();
    }

    // Writes script as the data path's only shader script, launcher as the rocket launcher's
    // model (its image white) and the glow image; then opens the level again with its face images
    // and materials. Returns the launcher's lit colour plus the glow.
    Rgb openWithLauncher(const std::string& script, const ModelDescription& launcher,
                         const char* glowImage, const std::array<std::uint8_t, 3>& glow) {
        writeBytes(data.path() / "scripts/test.shader",
                   std::vector<std::uint8_t>(script.begin(), script.end()));
        writeBytes(data.path() / glowImage, solidTga(8, 8, {glow.begin(), glow.end()}));
        writeBytes(data.path() / "models/weapons2/rocketl/rocketl.tga",
                   solidTga(8, 8, {255, 255, 255}));
        writeBytes(data.path() / "models/weapons2/rocketl/rocketl.md3", writeModel(launcher));
        std::ostringstream log;
        level = std::make_unique<TestLevel>(data.dataPath(), "entities.bsp", entityLevelBytes(),
                                            display.get(), lighting.get(), log);
        level->setCamera(camera.get());
        level->views().loadFaceTextures(log);
        Rgb glowing;
        for (int c = 0; c < 3; ++c) {
            glowing[c] = kLitFacingColour[c] + glow[c];
        }
        return glowing;
    }

    // The launcher's body: a triangle about its origin, facing the camera.
    static RawModelSurface launcherBody(const char* shader) {
        RawModelSurface body;
        body.shader = shader;
        body.vertices = {{{-12, 0, -12}, 64, 192, {0, 0}},
                         {{12, 0, -12}, 64, 192, {1, 0}},
                         {{0, 0, 12}, 64, 192, {0.5f, 1}}};
        body.indices = {0, 1, 2};
        return body;
    }

    ScratchFolder data{"entity-view"};
    Frustum frustum;
    std::unique_ptr<LightingModule> lighting;
    std::unique_ptr<OnScreenDisplay> display;
    std::unique_ptr<BSPMap> level;
    std::unique_ptr<Camera> camera;
};

}  // namespace

TEST_F(EntityViewTest, itemModelIsLitByTheGridAtItsOriginInBothViews) {
    for (const bool lit : {true, false}) {
        const std::vector<unsigned char> pixels = frame(lit, true, 0.0);
        const char* view = lit ? "lit view" : "default view";
        expectRgbNear(pixelAt(pixels, kLauncherX, kLauncherY),
                      {kLitFacingColour[0], kLitFacingColour[1], kLitFacingColour[2]}, kTolerance,
                      std::string("launcher facing the light, ") + view);
        expectRgbNear(pixelAt(pixels, kRailgunX, kRailgunY), kItemMarker, kTolerance,
                      std::string("broken railgun model as a marker, ") + view);
        expectRgbNear(pixelAt(pixels, kQuadX, kQuadY), kItemMarker, kTolerance,
                      std::string("missing quad model as a marker, ") + view);
        expectRgbNear(pixelAt(pixels, kSpawnX, kSpawnY), kSpawnMarker, kTolerance,
                      std::string("spawn marker, ") + view);
    }
    // Three seconds turn it half round: it faces away from the light and shows the ambient only.
    const std::vector<unsigned char> turned = frame(true, true, 3.0);
    expectRgbNear(pixelAt(turned, kLauncherX, kLauncherY),
                  {kLitAwayColour[0], kLitAwayColour[1], kLitAwayColour[2]}, kTolerance,
                  "launcher turned away from the light");
}

TEST_F(EntityViewTest, withEntitiesOffTheWallShowsWhereTheyStand) {
    const std::vector<unsigned char> pixels = frame(true, false, 0.0);
    for (const auto& [x, y] : {std::pair{kLauncherX, kLauncherY}, std::pair{kRailgunX, kRailgunY},
                               std::pair{kSpawnX, kSpawnY}}) {
        expectRgbNear(pixelAt(pixels, x, y), kWallGrey, kTolerance, "wall");
    }
}

// Markers off, the items alone: the wall shows where the spawn's and the missing quad's markers
// stood, the launcher stays; and the ray passes through where the spawn's marker was.
TEST_F(EntityViewTest, withMarkersOffTheWallShowsBehindThemAndTheItemsStay) {
    const std::vector<unsigned char> shown = frame(true, true, 0.0);
    expectRgbNear(pixelAt(shown, kSpawnX, kSpawnY), kSpawnMarker, kTolerance, "spawn marker");
    const std::vector<unsigned char> hidden = frame(true, true, 0.0, false, false);
    expectRgbNear(pixelAt(hidden, kSpawnX, kSpawnY), kWallGrey, kTolerance, "wall behind spawn");
    expectRgbNear(pixelAt(hidden, kQuadX, kQuadY), kWallGrey, kTolerance, "wall behind quad");
    expectRgbNear(pixelAt(hidden, kLauncherX, kLauncherY),
                  {kLitFacingColour[0], kLitFacingColour[1], kLitFacingColour[2]}, kTolerance,
                  "launcher with markers off");

    std::ostringstream log;
    const EntityView& entities = level->views().entities(log);
    const Vec3 towardSpawn(0, 30, -200);
    const std::optional<EntityHit> spawn = entities.pick(Point(0, 0, 0), towardSpawn, {0.0, true});
    ASSERT_TRUE(spawn);
    EXPECT_EQ(spawn->entity, 3u);
    EXPECT_FALSE(entities.pick(Point(0, 0, 0), towardSpawn, {0.0, false}));
}

// A quarter of its bob's period after clock 0 the launcher stands four units higher: a pixel just
// above its lowest edge shows the wall, and a ray just above that edge passes below its box.
TEST_F(EntityViewTest, theLauncherBobsUpByTheClockInThePictureAndThePick) {
    // The launcher's origin in viewer axes.
    const Point launcher(kLauncherAt[0], kLauncherAt[2], -kLauncherAt[1]);
    const double raised = ItemMotion::bobSeconds(launcher) / 4;
    ASSERT_NEAR(ItemMotion::at(launcher, raised).lift, 4.0f, 1e-3f);
    // Its lowest edge, 12 units below the origin at 200 units, is 35 pixels below the centre
    // row; this row is 30 below it, inside the triangle at rest and under it when raised.
    constexpr int kNearLowEdgeY = 210;
    const std::vector<unsigned char> atRest = frame(true, true, 0.0);
    const Rgb restColour = pixelAt(atRest, kLauncherX, kNearLowEdgeY);
    EXPECT_GT(restColour[0], kWallGrey[0] + 60) << "the launcher at rest covers the row";
    expectRgbNear(pixelAt(frame(true, true, raised), kLauncherX, kNearLowEdgeY), kWallGrey,
                  kTolerance, "the raised launcher clears the row");

    std::ostringstream log;
    const EntityView& entities = level->views().entities(log);
    const Vec3 underTheRaisedBox(-40, -10, -200);
    EXPECT_TRUE(entities.pick(Point(0, 0, 0), underTheRaisedBox, {0.0, true}));
    EXPECT_FALSE(entities.pick(Point(0, 0, 0), underTheRaisedBox, {raised, true}));
}

// In the material view the launcher behind an additive glow shows the glow's colour added to its
// own.
TEST_F(EntityViewTest, theLauncherBehindAGlowShowsThroughItInTheMaterialView) {
    constexpr char kScript[] =
        "textures/test/glow\n{\n{\nmap textures/test/glowimage.tga\n"
        "blendFunc add\n}\n}\n";
    constexpr std::array<std::uint8_t, 3> kGlow{50, 40, 30};
    writeBytes(data.path() / "scripts/test.shader",
               std::vector<std::uint8_t>(kScript, kScript + sizeof kScript - 1));
    writeBytes(data.path() / "textures/test/glowimage.tga",
               solidTga(8, 8, {kGlow.begin(), kGlow.end()}));
    writeBytes(data.path() / "models/weapons2/rocketl/rocketl.tga",
               solidTga(8, 8, {255, 255, 255}));
    std::ostringstream log;
    level = std::make_unique<TestLevel>(data.dataPath(), "entities.bsp",
                                        entityLevelBytes(kGridCells, true), display.get(),
                                        lighting.get(), log);
    level->setCamera(camera.get());
    level->views().loadFaceTextures(log);
    Rgb seenThrough;
    for (int c = 0; c < 3; ++c) {
        seenThrough[c] = kLitFacingColour[c] + kGlow[c];
    }
    expectRgbNear(pixelAt(frame(true, true, 0.0, true), kLauncherX, kLauncherY), seenThrough,
                  kTolerance, "launcher through the glow");
}

// A power-up's sphere: the launcher's model with a second, additive surface in front of its
// opaque one but first in the file. Drawn in file order the opaque surface behind would cover
// the glow (a blended stage writes no depth); drawn after it, the glow adds to it.
TEST_F(EntityViewTest, aModelsBlendedSurfaceIsDrawnOverItsOpaqueOneInTheMaterialView) {
    RawModelSurface sphere;
    sphere.shader = "models/test/sphere";
    // 20 units nearer the camera than the opaque triangle, and larger.
    sphere.vertices = {{{-16, -20, -16}, 64, 192, {0, 0}},
                       {{16, -20, -16}, 64, 192, {1, 0}},
                       {{0, -20, 16}, 64, 192, {0.5f, 1}}};
    sphere.indices = {0, 1, 2};
    ModelDescription launcher;
    launcher.surfaces = {sphere, launcherBody("models/weapons2/rocketl/rocketl.tga")};
    const Rgb seenThrough = openWithLauncher(
        "models/test/sphere\n{\n{\nmap models/test/sphereimage.tga\nblendFunc add\n}\n}\n",
        launcher, "models/test/sphereimage.tga", {40, 50, 60});
    expectRgbNear(pixelAt(frame(true, true, 0.0, true), kLauncherX, kLauncherY), seenThrough,
                  kTolerance, "launcher through its own sphere");
}

// A model surface whose glow is added over its opaque image: the level folds such a stage onto an
// overlay unit, which a model's drawing has no coordinates for, so it is blended over the model on
// its own and still shows.
TEST_F(EntityViewTest, aStageFoldedOverAModelsOpaqueStageStillShows) {
    ModelDescription launcher;
    launcher.surfaces = {launcherBody("models/test/body")};
    const Rgb glowing = openWithLauncher(
        "models/test/body\n{\n{\nmap models/weapons2/rocketl/rocketl.tga\n}\n"
        "{\nmap models/test/glowimage.tga\nblendFunc add\n}\n}\n",
        launcher, "models/test/glowimage.tga", {30, 60, 20});
    expectRgbNear(pixelAt(frame(true, true, 0.0, true), kLauncherX, kLauncherY), glowing,
                  kTolerance, "the lit image plus the glow");
}

// The i key's question with entities shown: the spawn's marker and the launcher's model answer
// before the wall behind them, each with its keys and where its model came from; with entities
// off, and between them, the wall answers.
TEST_F(EntityViewTest, theViewRayAsksTheNearestEntityBeforeTheWallBehindIt) {
    ViewOptions options;
    options.litView = true;
    options.showEntities = true;
    frame(true, true, 0.0);
    std::ostringstream log;
    camera->setPitch(8.53f);
    const std::string spawn = inspectViewCentre(*level, options, false, log);
    EXPECT_EQ(spawn.rfind("entity 3 info_player_deathmatch; \"classname\" "
                          "\"info_player_deathmatch\" \"origin\" \"0 200 30\" \"angle\" "
                          "\"90\"; model marker; distance 19",
                          0),
              0u)
        << spawn;
    options.showEntities = false;
    EXPECT_EQ(inspectViewCentre(*level, options, false, log).rfind("face ", 0), 0u);
    options.showEntities = true;
    camera->setPitch(0.0f);
    EXPECT_EQ(inspectViewCentre(*level, options, false, log).rfind("face ", 0), 0u);

    const std::optional<EntityHit> launcher =
        level->views().entities(log).pick(Point(0, 0, 0), Vec3(-40, 0, -200));
    ASSERT_TRUE(launcher);
    EXPECT_EQ(launcher->entity, 1u);
    EXPECT_EQ(launcher->modelFiles,
              std::vector<std::string>{"models/weapons2/rocketl/rocketl.md3"});
    EXPECT_LT(launcher->distance, std::hypot(40.0f, 200.0f));
    EXPECT_FALSE(level->views().entities(log).pick(Point(0, 0, 0), Vec3(0, 0, 1)));
}

// The key in the running viewer: e turns the entities on, and off again leaves the picture as it
// was.
TEST(EntityKeyTest, eTurnsTheEntitiesOnAndOffAgainLeavesThePictureAsItWas) {
    if (!std::filesystem::exists(kSampleSessionLevel)) {
        GTEST_SKIP() << kSampleSessionLevel << " has not been generated";
    }
    std::unique_ptr<ViewerSession> session = startSampleSession(kSampleInRoomA);
    ViewOptions& options = session->getOptions();
    ASSERT_FALSE(options.showEntities);
    const std::vector<unsigned char> plain = sessionFrameAt(*session, kSampleInRoomA, 180);
    keyboard('e', 0, 0);
    EXPECT_TRUE(options.showEntities);
    sessionFrameAt(*session, kSampleInRoomA, 180);
    keyboard('e', 0, 0);
    EXPECT_FALSE(options.showEntities);
    EXPECT_EQ(sessionFrameAt(*session, kSampleInRoomA, 180), plain);
}

// x flips the markers alone, whether the entities are shown or not.
TEST(EntityKeyTest, xTurnsTheMarkersOffAndOnAgain) {
    if (!std::filesystem::exists(kSampleSessionLevel)) {
        GTEST_SKIP() << kSampleSessionLevel << " has not been generated";
    }
    std::unique_ptr<ViewerSession> session = startSampleSession(kSampleInRoomA);
    ViewOptions& options = session->getOptions();
    ASSERT_TRUE(options.showMarkers);
    keyboard('x', 0, 0);
    EXPECT_FALSE(options.showMarkers);
    EXPECT_FALSE(options.showEntities);
    keyboard('x', 0, 0);
    EXPECT_TRUE(options.showMarkers);
}
