// Face textures in a real context: what a drawn quad shows for each way a name resolves (.tga
// before .jpg, folder and archive, shader scripts) and for names with no usable image; how the
// images are minified.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <iostream>
#include <sstream>

#include "GlPixels.h"
#include "generators/AssetFiles.h"
#include "generators/JpegWriter.h"
#include "assets/AssetStore.h"
#include "material/MaterialScripts.h"
#include "texture/FaceTextures.h"
#include "texture/ImageLibrary.h"
#include "texture/SkyTexture.h"

namespace {

// Draws texture, replacing the colour, on a quad of width x height pixels at the window's lower
// left corner, over black.
void drawTexturedQuad(GLuint texture, float width, float height) {
    clearToBlack();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kGlTestWindowWidth, 0, kGlTestWindowHeight, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(0, 0);
    glTexCoord2f(1, 0);
    glVertex2f(width, 0);
    glTexCoord2f(1, 1);
    glVertex2f(width, height);
    glTexCoord2f(0, 1);
    glVertex2f(0, height);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
}

// Draws texture over the whole window and reads back pixel (x, y).
Rgb drawnPixel(GLuint texture, int x, int y) {
    drawTexturedQuad(texture, kGlTestWindowWidth, kGlTestWindowHeight);
    const std::vector<unsigned char> pixels = readWindowPixels();
    const std::size_t at = 4 * (std::size_t(y) * kGlTestWindowWidth + std::size_t(x));
    return {pixels[at], pixels[at + 1], pixels[at + 2]};
}

Rgb centre(GLuint texture) {
    return drawnPixel(texture, kGlTestWindowWidth / 2, kGlTestWindowHeight / 2);
}

bool near(const Rgb& seen, const Rgb& wanted, int tolerance) {
    for (std::size_t i = 0; i < 3; ++i) {
        if (std::abs(seen[i] - wanted[i]) > tolerance) {
            return false;
        }
    }
    return true;
}

std::vector<std::uint8_t> solidJpeg(const ScratchFolder& scratch, Rgb colour) {
    std::vector<std::uint8_t> pixels;
    for (int i = 0; i < 8 * 8; ++i) {
        pixels.insert(pixels.end(),
                      {std::uint8_t(colour[0]), std::uint8_t(colour[1]), std::uint8_t(colour[2])});
    }
    const auto file = scratch.path() / "made.jpg";
    std::string jpegError;
    writeJpeg(file, 8, 8, 3, pixels, kBestJpegQuality, jpegError);
    return readBytes(file);
}

}  // namespace

TEST(FaceTexturesGlTest, eachResolvedImageAndThePlaceholderAppearOnADrawnQuad) {
    ScratchFolder data("face-textures");
    ScratchFolder scratch("face-textures-jpeg");
    writeBytes(data.path() / "textures/t/both.tga", solidTga(4, 4, {255, 0, 0}));
    writeBytes(data.path() / "textures/t/both.jpg", solidJpeg(scratch, {0, 0, 255}));
    writeBytes(data.path() / "textures/t/bad.tga", {0, 0, 2, 0, 0});
    writeBytes(data.path() / "pak0.pk3",
               makeZip({{"textures/t/onlyjpg.jpg", solidJpeg(scratch, {0, 255, 0})},
                        {"textures/t/editor.tga", solidTga(2, 2, {255, 255, 0})},
                        {"textures/t/glass.tga", solidTga(2, 2, {0, 255, 255, 64})},
                        {"scripts/t.shader", [] {
                             const std::string script =
                                 "textures/t/shaderonly\n{\n qer_editorimage "
                                 "textures/t/editor.tga\n { map $lightmap }\n}\n"
                                 "textures/t/noeditor\n{\n qer_editorimage "
                                 "textures/t/unshipped.tga\n { map $lightmap }\n"
                                 " { map textures/t/glass.tga }\n}\n";
                             return std::vector<std::uint8_t>(script.begin(), script.end());
                         }()}}));
    const std::vector<std::string> names = {
        "textures/t/both",     "textures/t/onlyjpg", "textures/t/shaderonly", "textures/t/missing",
        "textures/t/both.png", "textures/t/bad",     "textures/t/glass",      "textures/t/noeditor",
    };
    std::ostringstream log;
    const AssetStore assets(data.dataPath(), log);
    const MaterialScripts scripts(assets, log);
    ImageLibrary images(assets, log);
    const FaceTextures textures(assets, names, log, scripts, images);

    // .tga before .jpg; an extension in the name is stripped first.
    EXPECT_EQ(centre(textures.textureFor(0)), (Rgb{255, 0, 0}));
    EXPECT_EQ(textures.textureFor(4), textures.textureFor(0));
    EXPECT_TRUE(near(centre(textures.textureFor(1)), {0, 255, 0}, 6));
    EXPECT_EQ(centre(textures.textureFor(2)), (Rgb{255, 255, 0}));
    EXPECT_EQ(centre(textures.textureFor(6)), (Rgb{0, 255, 255}));
    EXPECT_TRUE(textures.hasAlpha(6));
    // An editor image left out of the data gives way to the shader's stage image.
    EXPECT_EQ(textures.textureFor(7), textures.textureFor(6));
    EXPECT_FALSE(textures.hasAlpha(0));
    // Where each came from is kept as it was found: folder file, archive entry, or no place.
    EXPECT_EQ(textures.originOf(0).where, "textures/t/both.tga");
    EXPECT_EQ(textures.originOf(2).where, "pak0.pk3:textures/t/editor.tga");
    EXPECT_EQ(textures.originOf(3).where, "");
    EXPECT_EQ(textures.originOf(5).file, "textures/t/bad.tga");
    EXPECT_EQ(textures.originOf(5).where, "");

    // The placeholder is a grey checker: the two halves of the window show different greys.
    for (const std::int32_t index : {3, 5, -1, 8}) {
        EXPECT_EQ(textures.textureFor(index), textures.placeholderTexture()) << index;
        EXPECT_FALSE(textures.hasAlpha(index));
    }
    const Rgb left = drawnPixel(textures.textureFor(3), kGlTestWindowWidth / 4, 60);
    const Rgb right = drawnPixel(textures.textureFor(3), 3 * kGlTestWindowWidth / 4, 60);
    EXPECT_EQ(left, (Rgb{160, 160, 160}));
    EXPECT_EQ(right, (Rgb{96, 96, 96}));

    const FaceTextureStats& stats = textures.stats();
    EXPECT_EQ(stats.found, 6);
    EXPECT_EQ(stats.placeholders, 2);
    EXPECT_EQ(stats.fromShaders, 2);
    const std::string lines = log.str();
    EXPECT_NE(lines.find("texture not found: textures/t/missing\n"), std::string::npos) << lines;
    EXPECT_NE(lines.find("textures/t/bad.tga: "), std::string::npos) << lines;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 2) << lines;
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(FaceTexturesGlTest, skyImageIsFoundInTheDataPathArchivesWhenTheFolderLacksIt) {
    ScratchFolder data("sky-archive");
    ScratchFolder scratch("sky-archive-jpeg");
    writeBytes(data.path() / "pak0.pk3",
               makeZip({{std::string(kSkyTextureName) + ".jpg", solidJpeg(scratch, {0, 0, 255})}}));
    testing::internal::CaptureStderr();
    LazyAssetStore store(data.dataPath(), std::cerr);
    const GLuint texture = loadSkyTexture(data.dataPath(), store);
    const std::string messages = testing::internal::GetCapturedStderr();
    // The folder path is still printed first, as for any sky image.
    EXPECT_EQ(messages, data.dataPath() + kSkyTextureName + ".jpg\nSKYBOX DONE \n");
    EXPECT_TRUE(near(centre(texture), {0, 0, 255}, 6));
    glDeleteTextures(1, &texture);
}

namespace {

// The largest minus the smallest red value inside a quad of side pixels drawn with texture at
// the window's lower left corner.
int redSpreadOfQuad(GLuint texture, int side) {
    drawTexturedQuad(texture, static_cast<float>(side), static_cast<float>(side));
    const std::vector<unsigned char> pixels = readWindowPixels();
    int lowest = 255;
    int highest = 0;
    for (int y = 2; y < side - 2; ++y) {
        for (int x = 2; x < side - 2; ++x) {
            const int red = pixels[4 * (std::size_t(y) * kGlTestWindowWidth + std::size_t(x))];
            lowest = std::min(lowest, red);
            highest = std::max(highest, red);
        }
    }
    return highest - lowest;
}

}  // namespace

// A checker of single black and white texels shrunk by 1.7: in the nearest mipmap level alone it
// is the even grey of level 1; blended, level 0's checker shows through.
TEST(FaceTexturesGlTest, mipSamplingChangesEveryTextureAndThoseMadeLater) {
    constexpr int kSide = 64;
    std::vector<std::uint8_t> checker;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const std::uint8_t value = (x + y) % 2 == 0 ? 255 : 0;
            checker.insert(checker.end(), {value, value, value});
        }
    }
    ScratchFolder data("mip-sampling");
    writeBytes(data.path() / "textures/t/a.tga", makeTga(kSide, kSide, 3, checker));
    writeBytes(data.path() / "textures/t/b.tga", makeTga(kSide, kSide, 3, checker));
    std::ostringstream log;
    const AssetStore assets(data.dataPath(), log);
    ImageLibrary images(assets, log);
    const GLuint early = images.texture("textures/t/a.tga")->texture;
    constexpr int kShrunk = 38;
    EXPECT_GT(redSpreadOfQuad(early, kShrunk), 20);

    images.useMipSampling(MipSampling::nearestLevel);
    const GLuint late = images.texture("textures/t/b.tga")->texture;
    EXPECT_LE(redSpreadOfQuad(early, kShrunk), 2);
    EXPECT_LE(redSpreadOfQuad(late, kShrunk), 2);

    images.useMipSampling(MipSampling::blended);
    EXPECT_GT(redSpreadOfQuad(early, kShrunk), 20);
    EXPECT_GT(redSpreadOfQuad(late, kShrunk), 20);
    EXPECT_EQ(log.str(), "");
}
