// The shader scripts as far as the viewer reads them: which image stands for a shader, and
// scripts whose braces do not balance.
#include <gtest/gtest.h>

#include <sstream>

#include "material/ShaderScripts.h"

TEST(ShaderScriptsTest, editorImageWinsElseFirstFileImageOfAStage) {
    ShaderScripts scripts;
    std::ostringstream log;
    scripts.addScript("scripts/test.shader", R"(
// a comment { with a brace
textures/base/withEditor
{
    qer_editorimage textures/base/editor.tga
    { map textures/base/stage.tga }
}
textures/base/Lit /* block comment } */
{
    surfaceparm nomarks
    {
        map $lightmap
        rgbGen identity
    }
    {
        clampMap "textures/base/clamped.jpg"
        blendFunc GL_DST_COLOR GL_ZERO
    }
    { map textures/base/second.tga }
}
textures/base/anim
{
    { animMap 10 textures/base/frame1.tga textures/base/frame2.tga }
}
textures/base/onlyLightmap
{
    { map $lightmap }
    { map $whiteimage }
}
textures/base/withEditor
{
    qer_editorimage textures/base/redefined.tga
}
)",
                      log);
    EXPECT_EQ(log.str(), "");
    EXPECT_EQ(scripts.imageFor("textures/base/withEditor"), "textures/base/editor.tga");
    EXPECT_EQ(scripts.imagesFor("textures/base/Lit"),
              (std::vector<std::string>{"textures/base/clamped.jpg", "textures/base/second.tga"}));
    EXPECT_EQ(scripts.imagesFor("textures/base/withEditor"),
              (std::vector<std::string>{"textures/base/editor.tga", "textures/base/stage.tga"}));
    // Names match without regard to case; $lightmap is not an image file.
    EXPECT_EQ(scripts.imageFor("TEXTURES/BASE/LIT"), "textures/base/clamped.jpg");
    EXPECT_EQ(scripts.imageFor("textures/base/anim"), "textures/base/frame1.tga");
    EXPECT_EQ(scripts.imageFor("textures/base/onlyLightmap"), "");
    EXPECT_EQ(scripts.imageFor("textures/base/undefined"), "");
    EXPECT_EQ(scripts.shaderCount(), 4u);
}

TEST(ShaderScriptsTest, editorImageWithoutAnArgumentOnItsLineTakesNothingFromTheNext) {
    ShaderScripts scripts;
    std::ostringstream log;
    scripts.addScript("scripts/a.shader",
                      "textures/a/x\n{\n qer_editorimage\n surfaceparm nodraw\n"
                      " { map textures/a/x_stage.tga }\n}\n",
                      log);
    EXPECT_EQ(scripts.imageFor("textures/a/x"), "textures/a/x_stage.tga");
}

TEST(ShaderScriptsTest, unbalancedBracesAreOneLineNamingTheFileAndEarlierShadersStay) {
    std::ostringstream log;
    ShaderScripts scripts;
    scripts.addScript("scripts/open.shader",
                      "textures/a/kept\n{\n qer_editorimage textures/a/kept.tga\n}\n"
                      "textures/a/open\n{\n { map textures/a/open.tga\n}\n",
                      log);
    scripts.addScript("scripts/close.shader",
                      "textures/b/first\n{\n { map textures/b/first.tga }\n}\n}\n"
                      "textures/b/after\n{\n}\n",
                      log);
    scripts.addScript("scripts/nameless.shader", "{ map textures/c/c.tga }\n", log);

    EXPECT_EQ(scripts.imageFor("textures/a/kept"), "textures/a/kept.tga");
    EXPECT_EQ(scripts.imageFor("textures/a/open"), "");
    EXPECT_EQ(scripts.imageFor("textures/b/first"), "textures/b/first.tga");
    EXPECT_EQ(log.str(),
              "scripts/open.shader: unbalanced braces (the shader textures/a/open opened at line "
              "6 is never closed)\n"
              "scripts/close.shader: line 5: unbalanced braces (a '}' closes nothing)\n"
              "scripts/nameless.shader: line 1: a block with no shader name before it\n");
}
