// The sky texture set-up in a real GL context: parameters, the uploaded base level, messages,
// and a sky image that could not be read.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "MemoryTexture.h"
#include "generators/AssetFiles.h"
#include "generators/JpegWriter.h"
#include "assets/AssetStore.h"
#include "texture/SkyTexture.h"

namespace {

// The sky as a level loads it, through a store over dataPath alone.
GLuint loadSkyUnder(const std::string& dataPath) {
    LazyAssetStore store(dataPath, std::cerr);
    return loadSkyTexture(dataPath, store);
}

GLint boundTexture() {
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

GLint baseLevel(GLenum query) {
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, query, &value);
    return value;
}

GLint textureParameter(GLenum query) {
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, query, &value);
    return value;
}

void expectSkyParameters(GLuint texture) {
    EXPECT_EQ(boundTexture(), static_cast<GLint>(texture));
    EXPECT_EQ(textureParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(textureParameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(textureParameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(textureParameter(GL_TEXTURE_WRAP_T), GL_REPEAT);
    GLint envMode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
    EXPECT_EQ(envMode, GL_MODULATE);
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 1);
}

// Leaves state that the set-up must replace.
void disturbTextureState() {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glBindTexture(GL_TEXTURE_2D, 0);
}

std::vector<std::uint8_t> readBaseLevel(GLenum format, std::size_t bytes) {
    std::vector<std::uint8_t> read(bytes);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, read.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return read;
}

}  // namespace

TEST(SkyTextureTest, setUpGivesLinearRepeatingModulatedTextureOfImageSize) {
    // Rows of 6 bytes: read with the default alignment of 4 they would be skewed.
    std::vector<std::uint8_t> pixels(2 * 4 * 3);
    for (std::size_t k = 0; k < pixels.size(); ++k) {
        pixels[k] = static_cast<std::uint8_t>(10 * k + 5);
    }
    const MemoryTexture image(2, 4, GL_RGB, pixels);
    disturbTextureState();
    testing::internal::CaptureStderr();
    const GLuint texture = createSkyTexture(image);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "SKYBOX DONE \n");
    EXPECT_NE(texture, 0u);
    expectSkyParameters(texture);
    EXPECT_EQ(baseLevel(GL_TEXTURE_WIDTH), 2);
    EXPECT_EQ(baseLevel(GL_TEXTURE_HEIGHT), 4);
    EXPECT_EQ(readBaseLevel(GL_RGB, pixels.size()), pixels);
    glDeleteTextures(1, &texture);
}

TEST(SkyTextureTest, greyscaleImageUploadsAsLuminance) {
    const std::vector<std::uint8_t> pixels = {0, 30, 60, 90, 120, 150, 180, 210};
    const MemoryTexture image(4, 2, GL_LUMINANCE, pixels);
    testing::internal::CaptureStderr();
    const GLuint texture = createSkyTexture(image);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "SKYBOX DONE \n");
    EXPECT_EQ(baseLevel(GL_TEXTURE_WIDTH), 4);
    EXPECT_EQ(baseLevel(GL_TEXTURE_LUMINANCE_SIZE), 8);
    EXPECT_EQ(baseLevel(GL_TEXTURE_RED_SIZE), 0);
    EXPECT_EQ(readBaseLevel(GL_LUMINANCE, pixels.size()), pixels);
    glDeleteTextures(1, &texture);
}

TEST(SkyTextureTest, unreadImageLeavesNameWithoutImage) {
    // Width and height would be rejected by GLU if they ever reached it.
    const MemoryTexture image(0, 0, GL_RGB, {}, false);
    disturbTextureState();
    testing::internal::CaptureStderr();
    const GLuint texture = createSkyTexture(image);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(texture, 0u);
    expectSkyParameters(texture);
    EXPECT_EQ(baseLevel(GL_TEXTURE_WIDTH), 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glDeleteTextures(1, &texture);
}

TEST(SkyTextureTest, missingSkyFileIsReportedAfterItsPath) {
    const std::string dataPath = "/nonexistent/velmora-data/";
    testing::internal::CaptureStderr();
    const GLuint texture = loadSkyUnder(dataPath);
    const std::string path = dataPath + "textures/skies/ridarirovozavo.jpg";
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              path + "\nsky image could not be read: " + path + "\n");
    expectSkyParameters(texture);
    EXPECT_EQ(baseLevel(GL_TEXTURE_WIDTH), 0);
    glDeleteTextures(1, &texture);
}

TEST(SkyTextureTest, skyJpegUnderDataPathBecomesTheTexture) {
    namespace fs = std::filesystem;
    std::string directory = (fs::temp_directory_path() / "velmora-sky-XXXXXX").string();
    ASSERT_NE(mkdtemp(directory.data()), nullptr);
    std::string jpegError;
    const std::uint8_t colours[4][3] = {{200, 40, 40}, {200, 40, 40}, {40, 40, 200}, {40, 40, 200}};
    ASSERT_TRUE(writeJpeg(fs::path(directory) / "textures/skies/ridarirovozavo.jpg", 32, 16, 3,
                          quadrantPixels(32, 16, colours), kBestJpegQuality, jpegError))
        << jpegError;
    testing::internal::CaptureStderr();
    const GLuint texture = loadSkyUnder(directory + "/");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              directory + "/textures/skies/ridarirovozavo.jpg\nSKYBOX DONE \n");
    expectSkyParameters(texture);
    EXPECT_EQ(baseLevel(GL_TEXTURE_WIDTH), 32);
    EXPECT_EQ(baseLevel(GL_TEXTURE_HEIGHT), 16);
    // Texture row 0 is the image's top row.
    const auto read = readBaseLevel(GL_RGB, 32 * 16 * 3);
    EXPECT_GT(read[0], 150);
    EXPECT_GT(read[read.size() - 1], 150);
    glDeleteTextures(1, &texture);
    fs::remove_all(directory);
}

TEST(SkyTextureTest, aSkyCutShortInAnArchiveIsOneLineNamingTheArchive) {
    ScratchFolder data("sky-cut");
    std::string jpegError;
    std::vector<std::uint8_t> noise(64 * 64 * 3);
    for (std::size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<std::uint8_t>(i * 37 % 251);
    }
    ASSERT_TRUE(writeJpeg(data.path() / "n.jpg", 64, 64, 3, noise, kBestJpegQuality, jpegError));
    std::vector<std::uint8_t> jpeg = readBytes(data.path() / "n.jpg");
    jpeg.resize(jpeg.size() / 2);
    writeBytes(data.path() / "sky.pk3", makeZip({{"textures/skies/ridarirovozavo.jpg", jpeg}}));
    testing::internal::CaptureStderr();
    const GLuint texture = loadSkyUnder(data.dataPath());
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("\nsky.pk3:textures/skies/ridarirovozavo.jpg: truncated: the data ends "
                       "before the image does\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(baseLevel(GL_TEXTURE_WIDTH), 0);
    glDeleteTextures(1, &texture);
}
