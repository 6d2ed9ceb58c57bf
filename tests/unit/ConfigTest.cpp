// The configuration reader against real files: echo lines, token roles, overrides and failures.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/Config.h"
#include "app/ViewOptions.h"

namespace {

class ConfigFileTest : public testing::Test {
protected:
    // Writes text to a file of this test's own and returns its path.
    std::string writeConfig(const std::string& text) {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        path = testing::TempDir() + "velmora_" + info->name() + ".cfg";
        std::ofstream(path) << text;
        return path;
    }

    std::vector<std::string> read(const std::string& text) {
        ok = readConfig(writeConfig(text), config, log);
        std::vector<std::string> lines;
        std::istringstream in(log.str());
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    std::string path;
    ViewerConfig config;
    std::ostringstream log;
    bool ok = false;
};

using Lines = std::vector<std::string>;

TEST_F(ConfigFileTest, echoesEveryKeyAsTheTableSays) {
    const Lines lines = read(
        "width = 640\nheight = 480\nbpp = 32\nvsync = 0\ndatapath = data/\n"
        "level = maps/q.bsp\nlights = lights.txt\nstart_vec = 10 20 30\n");
    ASSERT_TRUE(ok);
    EXPECT_EQ(lines,
              (Lines{"setting 640", "setting 480", "setting 32", "setting 0", "setting data/",
                     "setting maps/q.bsp", "lighting file lights.txt", "starting at 10,20,30"}));
    EXPECT_EQ(config.width, 640);
    EXPECT_EQ(config.height, 480);
    EXPECT_EQ(config.bpp, "32");
    EXPECT_EQ(config.vsync, "0");
    EXPECT_EQ(config.dataPath, "data/");
    EXPECT_EQ(config.levelFile, "maps/q.bsp");
    EXPECT_EQ(config.lightingFile, "lights.txt");
    EXPECT_FLOAT_EQ(config.start.getX(), 10.0f);
    EXPECT_FLOAT_EQ(config.start.getY(), 20.0f);
    EXPECT_FLOAT_EQ(config.start.getZ(), 30.0f);
}

TEST_F(ConfigFileTest, lineBreaksMeanNothingAndTheSeparatorIsNotExamined) {
    const Lines lines = read("width : 800 height\n\n-> 600 start_vec\n= -5\n0 +7");
    EXPECT_EQ(lines, (Lines{"setting 800", "setting 600", "starting at -5,0,7"}));
    EXPECT_EQ(config.width, 800);
    EXPECT_EQ(config.height, 600);
    EXPECT_FLOAT_EQ(config.start.getX(), -5.0f);
    EXPECT_FLOAT_EQ(config.start.getZ(), 7.0f);
}

TEST_F(ConfigFileTest, unknownKeyConsumesOnlyKeyAndSeparatorSoLaterTokensTakeWrongRoles) {
    // "1" is read as a key with "width" as its separator, "=" as a key with "640" as separator;
    // only "height" is back in step.
    const Lines lines = read("fullscreen = 1\nwidth = 640\nheight = 480\n");
    EXPECT_EQ(lines, (Lines{"unknown propertyfullscreen", "unknown property1", "unknown property=",
                            "setting 480", path + ": no width given, using 1024"}));
    EXPECT_FALSE(config.widthGiven);
    EXPECT_EQ(config.width, kDefaultWindowWidth);
    EXPECT_EQ(config.height, 480);
}

TEST_F(ConfigFileTest, keysAreCaseSensitive) {
    const Lines lines = read("width = 20 height = 30 Width = 10 LEVEL = a.bsp");
    EXPECT_EQ(lines, (Lines{"setting 20", "setting 30", "unknown propertyWidth",
                            "unknown property10", "unknown property="}));
    EXPECT_EQ(config.width, 20);
    EXPECT_EQ(config.levelFile, "");
}

TEST_F(ConfigFileTest, laterEntryOverridesAndBothAreEchoed) {
    const Lines lines = read(
        "width = 640 height = 480 level = a.bsp level = b.bsp width = 1280 "
        "start_vec = 1 2 3 start_vec = 4 5 6\n");
    EXPECT_EQ(lines, (Lines{"setting 640", "setting 480", "setting a.bsp", "setting b.bsp",
                            "setting 1280", "starting at 1,2,3", "starting at 4,5,6"}));
    EXPECT_EQ(config.width, 1280);
    EXPECT_EQ(config.levelFile, "b.bsp");
    EXPECT_FLOAT_EQ(config.start.getX(), 4.0f);
}

TEST_F(ConfigFileTest, trailingWhiteSpaceEndsReadingQuietly) {
    const Lines lines = read("width = 640\nheight = 480\n   \n\t\n  ");
    EXPECT_EQ(lines, (Lines{"setting 640", "setting 480"}));
}

TEST_F(ConfigFileTest, sizeOutsideOneTo16384IsEchoedThenNamedWithTheDefaultUsed) {
    struct Case {
        const char* text;
        Lines expected;  // after the path prefix on the lines that name a size
        int width;
        int height;
    };
    const std::vector<Case> cases = {
        {"width = 99999999999 height = -5",
         {"setting 99999999999",
          "@width 99999999999 is not a whole number from 1 to 16384, using 1024", "setting -5",
          "@height -5 is not a whole number from 1 to 16384, using 768"},
         1024,
         768},
        {"width = 0 height = 0",
         {"setting 0", "@width 0 is not a whole number from 1 to 16384, using 1024", "setting 0",
          "@height 0 is not a whole number from 1 to 16384, using 768"},
         1024,
         768},
        {"width = 16385 height = wide",
         {"setting 16385", "@width 16385 is not a whole number from 1 to 16384, using 1024",
          "setting wide", "@height wide is not a whole number from 1 to 16384, using 768"},
         1024,
         768},
        {"width = 12abc height = 2.5",
         {"setting 12abc", "@width 12abc is not a whole number from 1 to 16384, using 1024",
          "setting 2.5", "@height 2.5 is not a whole number from 1 to 16384, using 768"},
         1024,
         768},
        // The limits themselves are sizes; a later good entry wins over an earlier bad one.
        {"width = 1 height = 16384", {"setting 1", "setting 16384"}, 1, 16384},
        {"width = -1 width = +640 height = 480",
         {"setting -1", "@width -1 is not a whole number from 1 to 16384, using 1024",
          "setting +640", "setting 480"},
         640,
         480},
        // A bad size still counts as given: only the missing one gets the closing note.
        {"height = 70000",
         {"setting 70000", "@height 70000 is not a whole number from 1 to 16384, using 768",
          "@no width given, using 1024"},
         1024,
         768},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.text);
        config = ViewerConfig();
        log.str("");
        const Lines lines = read(testCase.text);
        Lines expected = testCase.expected;
        for (std::string& line : expected) {
            if (line.front() == '@') {
                line = path + ": " + line.substr(1);
            }
        }
        EXPECT_EQ(lines, expected);
        EXPECT_EQ(config.width, testCase.width);
        EXPECT_EQ(config.height, testCase.height);
    }
}

TEST_F(ConfigFileTest, sizeOnlyFileKeepsEmptyPathsAndStartsAtOrigin) {
    read("width = 320 height = 200");
    EXPECT_EQ(config.dataPath, "");
    EXPECT_EQ(config.levelFile, "");
    EXPECT_EQ(config.lightingFile, "");
    EXPECT_FLOAT_EQ(config.start.getX(), 0.0f);
    EXPECT_FLOAT_EQ(config.start.getY(), 0.0f);
    EXPECT_FLOAT_EQ(config.start.getZ(), 0.0f);
}

TEST_F(ConfigFileTest, missingSizeDefaultsTo1024By768AndSaysSoOnce) {
    Lines lines = read("level = a.bsp\n");
    EXPECT_EQ(config.width, 1024);
    EXPECT_EQ(config.height, 768);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], path + ": no width or height given, using 1024x768");

    config = ViewerConfig();
    log.str("");
    lines = read("width = 800\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], path + ": no height given, using 768");
    EXPECT_EQ(config.width, 800);
    EXPECT_EQ(config.height, 768);
}

TEST_F(ConfigFileTest, nonIntegerStartStopsReadingAndNamesTheKey) {
    const Lines lines = read("width = 1 height = 2 start_vec = 1.5 2 3 level = a.bsp\n");
    EXPECT_TRUE(ok);
    EXPECT_EQ(lines,
              (Lines{"setting 1", "setting 2", path + ": could not read the value of start_vec"}));
    EXPECT_EQ(config.levelFile, "");
}

TEST_F(ConfigFileTest, startCutShortByEndOfFileNamesTheKey) {
    const Lines lines = read("width = 1 height = 2 start_vec = 1 2");
    EXPECT_EQ(lines.back(), path + ": could not read the value of start_vec");
    EXPECT_FLOAT_EQ(config.start.getX(), 0.0f);
}

TEST_F(ConfigFileTest, keyWithoutValueAtEndOfFileNamesTheKey) {
    const Lines lines = read("width = 1 height = 2 datapath =");
    EXPECT_EQ(lines.back(), path + ": could not read the value of datapath");
}

TEST_F(ConfigFileTest, missingFileIsReportedWithPathAndReason) {
    ViewerConfig untouched;
    std::ostringstream out;
    const std::string missing = testing::TempDir() + "velmora_no_such_dir/none.cfg";
    EXPECT_FALSE(readConfig(missing, untouched, out));
    EXPECT_EQ(out.str(),
              missing + ": cannot open the configuration file: No such file or directory\n");
}

TEST_F(ConfigFileTest, directoryIsRefusedWithReason) {
    ViewerConfig untouched;
    std::ostringstream out;
    EXPECT_FALSE(readConfig(testing::TempDir(), untouched, out));
    EXPECT_NE(out.str().find("Is a directory"), std::string::npos) << out.str();
}

TEST_F(ConfigFileTest, oversizedFileIsRefused) {
    std::string text = "width = 640 height = 480 ";
    text += std::string(100 * 1024, 'x');
    const Lines lines = read(text);
    EXPECT_FALSE(ok);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("larger than"), std::string::npos);
}

}  // namespace

TEST_F(ConfigFileTest, lightmapAndTextureSwitchesAreOnOrOffAndEchoed) {
    EXPECT_EQ(read("width = 640 height = 480\n"), (Lines{"setting 640", "setting 480"}));
    EXPECT_FALSE(config.lightmaps);
    EXPECT_FALSE(config.textures);

    config = ViewerConfig();
    log.str("");
    EXPECT_EQ(read("width = 640 height = 480 lightmaps = on textures = on\n"),
              (Lines{"setting 640", "setting 480", "setting on", "setting on"}));
    EXPECT_TRUE(config.lightmaps);
    EXPECT_TRUE(config.textures);

    config = ViewerConfig();
    log.str("");
    EXPECT_EQ(read("width = 640 height = 480 lightmaps = yes textures = off\n"),
              (Lines{"setting 640", "setting 480", "setting yes",
                     "lightmaps must be on or off, not yes; it stays off", "setting off"}));
    EXPECT_FALSE(config.lightmaps);
    EXPECT_FALSE(config.textures);
    EXPECT_FALSE(config.entities);

    config = ViewerConfig();
    log.str("");
    EXPECT_EQ(read("width = 640 height = 480 entities = on\n"),
              (Lines{"setting 640", "setting 480", "setting on"}));
    EXPECT_TRUE(config.entities);
    EXPECT_TRUE(ViewOptions(config).showEntities);
}

TEST_F(ConfigFileTest, markersAreOnUnlessTheConfigurationTurnsThemOff) {
    EXPECT_EQ(read("width = 640 height = 480 entities = on\n"),
              (Lines{"setting 640", "setting 480", "setting on"}));
    EXPECT_TRUE(config.markers);
    EXPECT_TRUE(ViewOptions(config).showMarkers);

    config = ViewerConfig();
    log.str("");
    EXPECT_EQ(read("width = 640 height = 480 entities = on markers = off\n"),
              (Lines{"setting 640", "setting 480", "setting on", "setting off"}));
    EXPECT_TRUE(config.entities);
    EXPECT_FALSE(config.markers);
    EXPECT_FALSE(ViewOptions(config).showMarkers);

    config = ViewerConfig();
    log.str("");
    EXPECT_EQ(read("width = 640 height = 480 markers = maybe\n"),
              (Lines{"setting 640", "setting 480", "setting maybe",
                     "markers must be on or off, not maybe; it is off"}));
    EXPECT_FALSE(config.markers);
}
