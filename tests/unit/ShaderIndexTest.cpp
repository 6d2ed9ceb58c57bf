// The shader scripts indexed by name and read a body at a time: the same materials and the same
// winners as reading every script whole, problems reported when a body is read, and a session's
// index that indexes again only the script that changed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "generators/AssetFiles.h"
#include "assets/AssetStore.h"
#include "material/LazyMaterials.h"
#include "material/MaterialScripts.h"
#include "material/ShaderIndex.h"
#include "texture/TextureCache.h"

namespace {

std::vector<std::uint8_t> bytesOf(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

// Every material of the whole reading, found again through the index.
void expectSameMaterials(const AssetStore& assets) {
    std::ostringstream wholeLog;
    const MaterialScripts whole(assets, wholeLog);
    std::ostringstream indexLog;
    const auto index =
        std::make_shared<const ShaderIndex>(ShaderIndex::readScripts(assets, indexLog));
    const LazyMaterials lazy(index, indexLog);
    EXPECT_EQ(index->size(), whole.size());
    for (const Material& material : whole.materials()) {
        const Material* found = lazy.find(material.name);
        ASSERT_NE(found, nullptr) << material.name;
        EXPECT_EQ(*found, material) << material.name << " in " << material.script;
    }
    EXPECT_EQ(lazy.readCount(), whole.size());
}

const char kKeywords[] =
    "textures/t/general\n{\n qer_editorimage textures/t/editor.tga\n cull disable\n"
    " sort seeThrough\n surfaceparm nodraw\n surfaceparm trans\n skyParms env/sky - -\n"
    " fogParms ( .5 0.25 1 ) 300\n deformVertexes wave 100 sin 0 -0.25 .5 2\n polygonOffset\n}\n"
    "// a comment { with a brace\n"
    "textures/t/stages /* } */\n{\n{\n map $lightmap\n rgbGen identity\n tcGen lightmap\n}\n"
    "{\n clampMap \"textures/t/a.tga\"\n blendFunc GL_DST_COLOR GL_ONE_MINUS_SRC_ALPHA\n"
    "  rgbGen const ( 0.5 1 0 )\n alphaGen wave square 0 1 0 1e9\n tcMod scroll .5 -1\n"
    "  tcMod turb sin 1 2 3 4\n alphaFunc GE128\n depthFunc equal\n depthWrite\n}\n"
    "{\n animMap 4 textures/t/f1.tga textures/t/f2.tga\n tcMod stretch triangle 1 .5 0 2\n}\n}\n"
    "textures/t/Mixed\r{\r{ MAP a.tga\r BLENDFUNC ADD }\r}\r";

}  // namespace

TEST(ShaderIndexTest, theIndexReadsTheMaterialsAndWinnersOfTheWholeReading) {
    ScratchFolder data("shader-index-same");
    writeBytes(data.path() / "pak0.pk3",
               makeZip({{"scripts/a.shader",
                         bytesOf(std::string(kKeywords) + "shared { sort 1 }\nonly0 { sort 1 }\n")},
                        {"scripts/b.shader", bytesOf("folderToo { sort 1 }\n")}}));
    writeBytes(
        data.path() / "PAK1.pk3",
        makeZip({{"scripts/a.shader", bytesOf("shared { sort 2 }\nSHARED { sort 5 }\n")},
                 {"scripts/c.shader", bytesOf("shared { sort 6 }\nfolderToo { sort 2 }\n")}}));
    writeBytes(data.path() / "scripts/z.shader", bytesOf("folderToo { sort 3 }\n"));
    std::ostringstream log;
    const AssetStore assets(data.dataPath(), log);
    expectSameMaterials(assets);

    const LazyMaterials lazy(
        std::make_shared<const ShaderIndex>(ShaderIndex::readScripts(assets, log)), log);
    EXPECT_EQ(lazy.find("Shared")->sort, 2.0f);  // the later archive's first
    EXPECT_EQ(lazy.find("folderToo")->archive, "");
    EXPECT_EQ(lazy.find("textures/T/mixed")->stages.at(0).source, BlendFactor::one);
    EXPECT_EQ(lazy.find("absent"), nullptr);
    EXPECT_EQ(log.str(), "");
}

// The game's own scripts, where installed: every shader reads through the index as it reads
// whole.
TEST(ShaderIndexTest, theGamesScriptsReadTheSameThroughTheIndex) {
    const char* configured = std::getenv("VELMORA_GAME_DATA");
    const std::string folder = configured != nullptr && *configured != '\0'
                                   ? configured
                                   : "/usr/share/games/openarena/baseoa";
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        GTEST_SKIP() << folder << " is not there (set VELMORA_GAME_DATA to the game's data)";
    }
    std::ostringstream log;
    const AssetStore assets(folder, log);
    expectSameMaterials(assets);
}

// The layout's problems come with the index, a body's when it is read, each naming the archive,
// the script and the line; the shaders after a broken one are found.
TEST(ShaderIndexTest, aBrokenShaderIsReportedWhenReadAndTheLaterOnesAreFound) {
    std::ostringstream indexLog;
    auto script = std::make_shared<const IndexedScript>(
        "scripts/bad.shader", "pak3.pk3",
        bytesOf("before { }\n{\n}\nbroken\n{\n sort often\n{ blendFunc mix }\n{\n{ map a.tga }\n"
                "}\n}\nafter\n{\n{ map after.tga }\n}\n"),
        indexLog);
    EXPECT_EQ(indexLog.str(),
              "pak3.pk3:scripts/bad.shader: line 2: a block with no shader name before it\n");
    std::ostringstream log;
    const LazyMaterials lazy(std::make_shared<const ShaderIndex>(
                                 std::vector<std::shared_ptr<const IndexedScript>>{script}),
                             log);
    ASSERT_NE(lazy.find("after"), nullptr);
    EXPECT_EQ(lazy.find("after")->stages.at(0).images.at(0), "after.tga");
    EXPECT_EQ(log.str(), "");
    ASSERT_NE(lazy.find("broken"), nullptr);
    EXPECT_EQ(lazy.find("broken")->stages.size(), 2u);
    EXPECT_EQ(log.str(),
              "pak3.pk3:scripts/bad.shader: line 6: shader broken: sort: \"often\" is not a "
              "number; skipped (and 2 more problems in this shader)\n");
    lazy.find("BROKEN");
    EXPECT_EQ(lazy.readCount(), 2u);  // each body is read, and reported, once
}

// A session keeps each script's index while its file is as it was, and indexes again only the
// one rewritten.
TEST(ShaderIndexTest, theSessionIndexesAgainOnlyTheScriptThatChanged) {
    ScratchFolder data("shader-index-cache");
    writeBytes(data.path() / "scripts/a.shader", bytesOf("a { sort 1 }\n"));
    writeBytes(data.path() / "scripts/b.shader", bytesOf("b { sort 1 }\n"));
    std::ostringstream log;
    TextureCache cache;
    const AssetStore assets(data.dataPath(), log);
    const std::shared_ptr<const ShaderIndex> first = cache.scripts(assets, log);
    const AssetStore reopened(data.dataPath(), log);
    EXPECT_EQ(cache.scripts(reopened, log), first);

    const auto aWas = std::filesystem::last_write_time(data.path() / "scripts/a.shader");
    writeBytes(data.path() / "scripts/a.shader", bytesOf("a { sort 2 }\nb { sort 3 }\n"));
    std::filesystem::last_write_time(data.path() / "scripts/a.shader",
                                     aWas + std::chrono::seconds(2));
    const std::shared_ptr<const ShaderIndex> second = cache.scripts(reopened, log);
    ASSERT_NE(second, first);
    ASSERT_EQ(second->scripts().size(), 2u);
    EXPECT_NE(second->scripts()[0], first->scripts()[0]);
    EXPECT_EQ(second->scripts()[1], first->scripts()[1]);  // b.shader, as it was
    const LazyMaterials lazy(second, log);
    EXPECT_EQ(lazy.find("a")->sort, 2.0f);
    EXPECT_EQ(lazy.find("b")->script, "scripts/a.shader");  // the first of the folder's
    EXPECT_EQ(log.str(), "");
}
