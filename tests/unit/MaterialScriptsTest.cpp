// Shader scripts read into Material records: the keywords and their defaults, which definition
// wins, and text that is broken or hostile (one line naming archive and script, the rest kept).
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "generators/AssetFiles.h"
#include "assets/AssetStore.h"
#include "material/MaterialScripts.h"

using namespace std::string_literals;

namespace {

// The one shader of body, read from a script of its own.
Material readShader(const std::string& body, std::string* log = nullptr) {
    MaterialScripts scripts;
    std::ostringstream lines;
    scripts.addScript("scripts/t.shader", "", "textures/t/x\n{\n" + body + "}\n", lines);
    if (log != nullptr) {
        *log = lines.str();
    }
    const Material* found = scripts.find("textures/t/x");
    return found != nullptr ? *found : Material{};
}

std::vector<std::uint8_t> bytesOf(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace

TEST(MaterialScriptsTest, generalKeywords) {
    std::string log;
    const Material m = readShader(
        "qer_editorimage textures/t/editor.tga\n cull disable\n sort seeThrough\n"
        " surfaceparm nodraw\n surfaceparm trans\n surfaceparm nolightmap\n surfaceparm fog\n"
        " surfaceparm nomarks\n skyParms env/sky - env/near\n fogParms ( .5 0.25 1 ) 300\n"
        " deformVertexes wave 100 sin 0 -0.25 .5 2\n deformVertexes autosprite2\n"
        " deformVertexes bulge 1 2 3\n polygonOffset\n nopicmip\n",
        &log);
    EXPECT_EQ(log, "");
    EXPECT_EQ(m.name, "textures/t/x");
    EXPECT_EQ(m.script, "scripts/t.shader");
    EXPECT_EQ(m.editorImage, "textures/t/editor.tga");
    EXPECT_EQ(m.cull, CullMode::none);
    EXPECT_EQ(m.sort, MaterialSort::kSeeThrough);
    EXPECT_TRUE(m.sortGiven);
    EXPECT_TRUE(m.noDraw && m.translucent && m.noLightmap && m.fog && !m.sky);
    ASSERT_TRUE(m.skyParms && m.fogParms);
    EXPECT_EQ(m.skyParms->farBox, "env/sky");
    EXPECT_EQ(m.skyParms->cloudHeight, 128.0f);
    EXPECT_EQ(m.skyParms->nearBox, "env/near");
    EXPECT_EQ(m.fogParms->colour, (std::array<float, 3>{0.5f, 0.25f, 1.0f}));
    EXPECT_EQ(m.fogParms->distanceToOpaque, 300.0f);
    ASSERT_EQ(m.deforms.size(), 3u);
    EXPECT_EQ(m.deforms[0].spread, 100.0f);
    EXPECT_EQ(m.deforms[0].wave.amplitude, -0.25f);
    EXPECT_EQ(m.deforms[0].wave.frequency, 2.0f);
    EXPECT_EQ(m.deforms[1].kind, DeformKind::autosprite2);
    EXPECT_EQ(m.deforms[2].kind, DeformKind::bulge);
    EXPECT_EQ(m.deforms[2].bulge, (std::array<float, 3>{1, 2, 3}));
    EXPECT_TRUE(m.polygonOffset && m.noMipmaps);

    EXPECT_EQ(readShader("cull twosided\n").cull, CullMode::none);
    EXPECT_EQ(readShader("cull back\n").cull, CullMode::back);
    EXPECT_EQ(readShader("sort 7\n").sort, 7.0f);
    EXPECT_EQ(readShader("skyParms - 512\n").skyParms->cloudHeight, 512.0f);
    EXPECT_TRUE(readShader("nomipmaps\n").noMipmaps);
}

TEST(MaterialScriptsTest, stageKeywords) {
    std::string log;
    const Material m = readShader(
        "{\n map $lightmap\n rgbGen identity\n tcGen lightmap\n}\n"
        "{\n clampMap textures/t/a.tga\n blendFunc GL_DST_COLOR GL_ONE_MINUS_SRC_ALPHA\n"
        "  rgbGen const ( 0.5 1 0 )\n alphaGen wave square 0 1 0 1e9\n"
        "  tcMod scroll .5 -1\n tcMod turb 0 .25 0 1\n tcMod turb sin 1 2 3 4\n"
        "  tcMod transform 1 2 3 4 5 6\n alphaFunc GE128\n depthFunc equal\n depthWrite\n}\n"
        "{\n animMap 4 textures/t/f1.tga textures/t/f2.tga\n rgbGen lightingDiffuse\n"
        "  alphaGen const .5\n tcGen environment\n tcMod stretch triangle 1 .5 0 2\n}\n"
        "{\n map $whiteimage\n rgbGen wave sawtooth 0 1 0 1\n alphaGen portal 256\n"
        "  rgbGen entity\n}\n"
        "{\n rgbGen vertex\n}\n",
        &log);
    EXPECT_EQ(log, "");
    ASSERT_EQ(m.stages.size(), 5u);
    const MaterialStage& lit = m.stages[0];
    EXPECT_TRUE(lit.isLightmap());
    EXPECT_FALSE(lit.blends);

    const MaterialStage& a = m.stages[1];
    EXPECT_EQ(a.images, (std::vector<std::string>{"textures/t/a.tga"}));
    EXPECT_TRUE(a.clamp);
    EXPECT_EQ(a.source, BlendFactor::destinationColour);
    EXPECT_EQ(a.destination, BlendFactor::oneMinusSourceAlpha);
    EXPECT_EQ(a.colourGen, ColourGen::constant);
    EXPECT_EQ(a.colour, (std::array<float, 3>{0.5f, 1.0f, 0.0f}));
    EXPECT_EQ(a.alphaGen, AlphaGen::wave);
    EXPECT_EQ(a.alphaWave.form, WaveForm::square);
    EXPECT_EQ(a.alphaWave.frequency, 1e9f);  // kept: the drawing holds time in range
    ASSERT_EQ(a.texCoordMods.size(), 4u);
    EXPECT_EQ(a.texCoordMods[0].kind, TexCoordModKind::scroll);
    EXPECT_EQ(a.texCoordMods[0].values[1], -1.0f);
    EXPECT_EQ(a.texCoordMods[1].wave.amplitude, 0.25f);
    EXPECT_EQ(a.texCoordMods[2].wave.frequency, 4.0f);
    EXPECT_EQ(a.texCoordMods[3].values, (std::array<float, 6>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(a.alphaTest, AlphaTest::atLeast128);
    EXPECT_TRUE(a.depthEqual && a.depthWrite);

    const MaterialStage& anim = m.stages[2];
    EXPECT_EQ(anim.images.size(), 2u);
    EXPECT_EQ(anim.framesPerSecond, 4.0f);
    EXPECT_EQ(anim.colourGen, ColourGen::vertex);
    EXPECT_EQ(anim.alpha, 0.5f);
    EXPECT_EQ(anim.texCoordGen, TexCoordGen::environment);
    EXPECT_EQ(anim.texCoordMods.at(0).wave.form, WaveForm::triangle);

    EXPECT_EQ(m.stages[3].images.front(), "$whiteimage");
    EXPECT_EQ(m.stages[3].colourGen, ColourGen::identity);  // the later rgbGen entity
    EXPECT_EQ(m.stages[3].alphaGen, AlphaGen::identity);
    EXPECT_TRUE(m.stages[4].images.empty());  // kept, drawn white
}

TEST(MaterialScriptsTest, sortAndDepthWriteDefaultsFollowTheBlending) {
    const Material opaque = readShader("{ map a.tga }\n{ map b.tga\n blendFunc add }\n");
    EXPECT_FALSE(opaque.sortGiven);
    EXPECT_EQ(opaque.sort, MaterialSort::kOpaque);
    EXPECT_TRUE(opaque.stages[0].depthWrite);
    EXPECT_FALSE(opaque.stages[1].depthWrite);

    const Material additive = readShader("{ map a.tga\n blendFunc GL_ONE GL_ONE }\n");
    EXPECT_FALSE(additive.sortGiven);
    EXPECT_EQ(additive.sort, MaterialSort::kAdditive);
    EXPECT_EQ(readShader("").sort, MaterialSort::kOpaque);
}

TEST(MaterialScriptsTest, blendShortFormsAndCaseAreTheLongForms) {
    const Material m = readShader(
        "{ MAP a.tga\n BLENDFUNC ADD }\n{ map a.tga\n blendfunc Filter }\n"
        "{ map a.tga\n blendFunc blend }\n{ map a.tga\n blendFunc gl_src_alpha_saturate gl_zero "
        "}\n");
    ASSERT_EQ(m.stages.size(), 4u);
    using F = BlendFactor;
    const std::vector<std::pair<F, F>> expected = {{F::one, F::one},
                                                   {F::destinationColour, F::zero},
                                                   {F::sourceAlpha, F::oneMinusSourceAlpha},
                                                   {F::sourceAlphaSaturate, F::zero}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_TRUE(m.stages[i].blends);
        EXPECT_EQ(std::pair(m.stages[i].source, m.stages[i].destination), expected[i]) << i;
    }

    MaterialScripts scripts;
    std::ostringstream log;
    scripts.addScript("scripts/c.shader", "", "Textures/Mixed/Case\n{\n}\n", log);
    ASSERT_NE(scripts.find("textures/MIXED/case"), nullptr);
    EXPECT_EQ(scripts.find("textures/MIXED/case")->name, "Textures/Mixed/Case");
}

TEST(MaterialScriptsTest, unknownKeywordsAreSkippedAndListedOnceWithTheirScript) {
    MaterialScripts scripts;
    std::ostringstream log;
    scripts.addScript("scripts/a.shader", "pak0.pk3",
                      "x\n{\n fancyThing 1 2\n q3map_surfacelight 100\n"
                      " { map a.tga\n rgbGen glow\n tcMod wobble 1\n cull none }\n}\n",
                      log);
    scripts.addScript("scripts/b.shader", "", "y\n{\n FancyThing\n}\n", log);
    EXPECT_EQ(log.str(), "");
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(scripts.unknownKeywords(),
              (Pairs{{"fancything", "pak0.pk3:scripts/a.shader"},
                     {"rgbgen glow", "pak0.pk3:scripts/a.shader"},
                     {"tcmod wobble", "pak0.pk3:scripts/a.shader"},
                     {"cull (inside a stage)", "pak0.pk3:scripts/a.shader"}}));
    EXPECT_EQ(scripts.find("x")->stages.at(0).colourGen, ColourGen::identity);
    EXPECT_EQ(scripts.size(), 2u);
}

TEST(MaterialScriptsTest, laterArchiveWinsTheFolderWinsAndOneArchiveKeepsItsFirst) {
    ScratchFolder data("material-override");
    writeBytes(data.path() / "pak0.pk3",
               makeZip({{"scripts/a.shader", bytesOf("shared { sort 1 }\nonly0 { sort 1 }\n")},
                        {"scripts/b.shader", bytesOf("folderToo { sort 1 }\n")}}));
    writeBytes(
        data.path() / "PAK1.pk3",
        makeZip({{"scripts/a.shader", bytesOf("shared { sort 2 }\nshared { sort 5 }\n")},
                 {"scripts/c.shader", bytesOf("shared { sort 6 }\nfolderToo { sort 2 }\n")}}));
    writeBytes(data.path() / "scripts/z.shader", bytesOf("folderToo { sort 3 }\n"));
    std::ostringstream log;
    const AssetStore assets(data.dataPath(), log);
    const MaterialScripts scripts(assets, log);

    EXPECT_EQ(log.str(), "");
    EXPECT_EQ(scripts.size(), 3u);
    EXPECT_EQ(scripts.find("shared")->sort, 2.0f);
    EXPECT_EQ(scripts.find("shared")->archive, "PAK1.pk3");
    EXPECT_EQ(scripts.find("only0")->sort, 1.0f);  // pak0's copy of a.shader is read too
    EXPECT_EQ(scripts.find("folderToo")->sort, 3.0f);
    EXPECT_EQ(scripts.find("folderToo")->archive, "");
    EXPECT_EQ(scripts.find("absent"), nullptr);
}

// Each bad text, between two good shaders, is one line naming archive and script; the shader
// before it always stays, the one after it where the text allows.
TEST(MaterialScriptsTest, badTextIsOneLineAndTheOtherShadersStay) {
    struct Case {
        std::string text;
        std::string line;  // what the log line holds after "pak3.pk3:scripts/bad.shader: "
        bool laterKept;
    };
    const std::string huge(5 << 20, 'w');
    const std::vector<Case> cases = {
        {"}\n", "line 2: unbalanced braces (a '}' closes nothing)", false},
        {"open\n{\n", "unbalanced braces (the shader open opened at line 3 is never closed)",
         false},
        {"s\n{\n map a.tga\n}\n", "line 4: shader s: map outside a stage; skipped", true},
        {"{\n}\n", "line 2: a block with no shader name before it", true},
        {"s\n{\n cull\n}\n", "line 4: shader s: cull: a value is missing; skipped", true},
        {"/* a\r\n b */ s // c {\n{\n cull\n}\n",
         "line 5: shader s: cull: a value is missing; skipped", true},
        // A comment never closed hides the rest, inside a shader its closing brace too.
        {"/* open\n", "line 2: a /* comment is never closed; the rest of the script is skipped",
         false},
        {"s\n{\n{ map a.tga }\n /* open\n}\n",
         "line 5: a /* comment is never closed; the rest of the script is skipped", false},
        {"s\n{\n sort often\n}\n", "line 4: shader s: sort: \"often\" is not a number; skipped",
         true},
        {"s\n{\n{ blendFunc GL_ONE GL_TWO }\n}\n",
         "line 4: shader s: blendFunc: unknown blend factor \"GL_TWO\"; skipped", true},
        {"s\n{\n{ blendFunc mix }\n}\n",
         "line 4: shader s: blendFunc: unknown blend mode \"mix\"; skipped", true},
        {"s\n{\n{ rgbGen wave wobble 0 1 0 1 }\n}\n",
         "line 4: shader s: rgbGen: unknown wave form \"wobble\"; skipped", true},
        {"s\n{\n{ tcMod scroll }\n}\n", "line 4: shader s: tcMod: a value is missing; skipped",
         true},
        {"s\n{\n{ animMap 10 }\n}\n", "line 4: shader s: animMap: no images after the frame rate",
         true},
        {"s\n{\n{\n{ map a.tga }\n}\n}\n", "line 5: shader s: a block inside a stage; skipped",
         true},
        {"s\n{\n map " + huge + "\n}\n",
         "line 4: shader s: a word of 5242880 characters, more than 1024; the line is skipped",
         true},
        {huge + "\n{\n}\n", "line 3: a shader name of 5242880 characters, more than 1024; skipped",
         true},
        {"s\n" + std::string(2'000'000, '{'),
         "line 3: shader s: a block inside a stage; skipped (and 1 more problem in this script)",
         false},
    };
    for (const Case& bad : cases) {
        MaterialScripts scripts;
        std::ostringstream log;
        scripts.addScript("scripts/bad.shader", "pak3.pk3",
                          "before { }\n" + bad.text + "\nafter { }\n", log);
        EXPECT_EQ(log.str(), "pak3.pk3:scripts/bad.shader: " + bad.line + "\n")
            << bad.text.substr(0, 40);
        EXPECT_NE(scripts.find("before"), nullptr);
        EXPECT_EQ(scripts.find("after") != nullptr, bad.laterKept) << bad.text.substr(0, 40);
    }
}

TEST(MaterialScriptsTest, controlBytesAndAMissingLastNewlineAreSpaces) {
    MaterialScripts scripts;
    std::ostringstream log;
    scripts.addScript("scripts/nul.shader", "",
                      "a\0{\0{ map\0x.tga\0}}\rb\r{\r{ map y.tga\rrgbGen vertex }}"s, log);
    EXPECT_EQ(log.str(), "");
    EXPECT_EQ(scripts.find("a")->stages.at(0).images.at(0), "x.tga");
    EXPECT_EQ(scripts.find("b")->stages.at(0).colourGen, ColourGen::vertex);
}

TEST(MaterialScriptsTest, boundsHoldWithOneLineForWhatIsDropped) {
    std::string many =
        "s\n{\n deformVertexes autosprite\n deformVertexes autosprite\n"
        " deformVertexes autosprite\n deformVertexes autosprite\n{\n";
    for (int i = 0; i < 10; ++i) {
        many += " tcMod rotate " + std::to_string(i) + "\n";
    }
    many += " animMap 2";
    for (int i = 0; i < 1000; ++i) {
        many += " f" + std::to_string(i) + ".tga";
    }
    many += "\n}\n";
    for (int i = 0; i < 20; ++i) {
        many += "{ map s" + std::to_string(i) + ".tga }\n";
    }
    many += "}\n";
    MaterialScripts scripts;
    std::ostringstream log;
    scripts.addScript("scripts/many.shader", "", many, log);
    const Material& m = *scripts.find("s");
    EXPECT_EQ(m.deforms.size(), kMaxDeforms);
    ASSERT_EQ(m.stages.size(), kMaxMaterialStages);
    EXPECT_EQ(m.stages[0].texCoordMods.size(), kMaxTexCoordMods);
    EXPECT_EQ(m.stages[0].texCoordMods.back().values[0], 3.0f);  // the first four are kept
    EXPECT_EQ(m.stages[0].images.size(), kMaxAnimationFrames);
    EXPECT_EQ(m.stages.back().images.front(), "s6.tga");
    EXPECT_EQ(log.str(),
              "scripts/many.shader: line 6: shader s: more than 3 deformVertexes; the rest are "
              "dropped (and 20 more problems in this script)\n");
}

// The game's own scripts, where installed: every one reads without a problem.
TEST(MaterialScriptsTest, theGamesScriptsReadWithoutAProblem) {
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
    const MaterialScripts scripts(assets, log);
    EXPECT_EQ(log.str(), "");
    EXPECT_GT(scripts.size(), 1000u);
}

// A number beyond a float's range is the script's one line naming the shader, the keyword and the
// value, and that keyword alone is skipped.
TEST(MaterialScriptsTest, aNumberBeyondAFloatIsNamedAndItsKeywordSkipped) {
    MaterialScripts scripts;
    std::ostringstream log;
    scripts.addScript("scripts/wild.shader", "pak3.pk3",
                      "wild\n{\n{\n map a.tga\n rgbGen wave noise 0 1 0 1e39\n"
                      " tcMod scroll 1 2\n}\n}\n",
                      log);
    EXPECT_EQ(log.str(),
              "pak3.pk3:scripts/wild.shader: line 5: shader wild: rgbGen: \"1e39\" is beyond a "
              "float's range; skipped\n");
    const Material* wild = scripts.find("wild");
    ASSERT_NE(wild, nullptr);
    ASSERT_EQ(wild->stages.size(), 1u);
    EXPECT_NE(wild->stages[0].colourGen, ColourGen::wave);
    EXPECT_EQ(wild->stages[0].texCoordMods.size(), 1u);
}

TEST(MaterialScriptsTest, deformsKeepTheirNumbersInFileAxes) {
    std::string log;
    const Material m = readShader(
        " deformVertexes wave 0 triangle 1 2 0.25 3\n deformVertexes normal 0.5 4\n"
        " deformVertexes move 0 0 8 square 0 1 0 0.5\n",
        &log);
    EXPECT_EQ(log, "");
    ASSERT_EQ(m.deforms.size(), 3u);
    EXPECT_EQ(m.deforms[0].spread, 0.0f);
    EXPECT_EQ(m.deforms[0].wave, (Wave{WaveForm::triangle, 1, 2, 0.25f, 3}));
    EXPECT_EQ(m.deforms[1].kind, DeformKind::normal);
    EXPECT_EQ(m.deforms[1].wave.amplitude, 0.5f);
    EXPECT_EQ(m.deforms[1].wave.frequency, 4.0f);
    EXPECT_EQ(m.deforms[2].kind, DeformKind::move);
    EXPECT_EQ(m.deforms[2].vector, (std::array<float, 3>{0, 0, 8}));
    EXPECT_EQ(m.deforms[2].wave, (Wave{WaveForm::square, 0, 1, 0, 0.5f}));
}

// A deform whose divisor, amplitude or frequency is not finite or beyond any level's size is one
// line naming the script and the shader, and the deform is skipped; the next line is read.
TEST(MaterialScriptsTest, absurdDeformNumbersSkipTheDeformWithOneLine) {
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"deformVertexes wave nan sin 0 1 0 1", "deformVertexes: \"nan\" is not a number; skipped"},
        {"deformVertexes wave 100 sin 0 1e9 0 1",
         "deformVertexes wave: \"1e9\" is beyond 65536; skipped"},
        {"deformVertexes wave 1e-30 sin 0 1 0 1",
         "deformVertexes wave: \"1e-30\" is too small a divisor; skipped"},
        {"deformVertexes move 0 0 1 sin 0 1 0 1e40",
         "deformVertexes: \"1e40\" is beyond a float's range; skipped"},
        {"deformVertexes normal 1 inf", "deformVertexes: \"inf\" is not a number; skipped"},
        {"deformVertexes bulge 1 100000 1",
         "deformVertexes bulge: \"100000\" is beyond 65536; skipped"},
    };
    for (const auto& c : cases) {
        std::string log;
        const Material m = readShader(" "s + c.line + "\n deformVertexes autosprite\n", &log);
        EXPECT_EQ(log, "scripts/t.shader: line 3: shader textures/t/x: "s + c.message + "\n")
            << c.line;
        ASSERT_EQ(m.deforms.size(), 1u) << c.line;
        EXPECT_EQ(m.deforms[0].kind, DeformKind::autosprite) << c.line;
    }
}
