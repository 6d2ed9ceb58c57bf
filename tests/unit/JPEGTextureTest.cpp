// JPEG decoding into one unpadded block: layout, formats per component count, the path rule,
// and files that are missing, corrupt or of a shape GL cannot take.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "generators/JpegWriter.h"
#include "texture/JPEGTexture.h"

namespace {

namespace fs = std::filesystem;

struct Colour {
    std::uint8_t r, g, b;
};

// Four flat quadrants, so the lossy coding stays close to the source colours.
constexpr Colour kTopLeft{230, 20, 20}, kTopRight{20, 220, 30}, kBottomLeft{20, 30, 230},
    kBottomRight{240, 240, 240};

std::vector<std::uint8_t> quadrantImage(int width, int height) {
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool top = y < height / 2;
            const bool left = x < width / 2;
            const Colour c =
                top ? (left ? kTopLeft : kTopRight) : (left ? kBottomLeft : kBottomRight);
            pixels.insert(pixels.end(), {c.r, c.g, c.b});
        }
    }
    return pixels;
}

void expectColourNear(const std::uint8_t* pixel, Colour expected) {
    EXPECT_NEAR(pixel[0], expected.r, 12);
    EXPECT_NEAR(pixel[1], expected.g, 12);
    EXPECT_NEAR(pixel[2], expected.b, 12);
}

class JPEGTextureTest : public testing::Test {
protected:
    // Why the last writeJpeg failed, if it did.
    std::string jpegError;
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "velmora-jpeg-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        directory = pattern;
        dataPath = directory.string() + "/";
    }
    void TearDown() override { fs::remove_all(directory); }

    // A 64-byte name field as the level stores it.
    static void nameField(const char* text, char (&field)[64]) {
        std::memset(field, 0, sizeof field);
        std::memcpy(field, text, std::min(std::strlen(text), sizeof field));
    }

    // Decodes dataPath + text + ".jpg", keeping what it prints in printed.
    JPEGTexture decodeQuietly(const char* text) {
        char name[64];
        nameField(text, name);
        testing::internal::CaptureStderr();
        JPEGTexture texture(dataPath, name);
        printed = testing::internal::GetCapturedStderr();
        return texture;
    }

    fs::path directory;
    std::string dataPath;
    std::string printed;
};

}  // namespace

TEST_F(JPEGTextureTest, colourImageDecodesToUnpaddedRowsTopLeftFirst) {
    const int width = 37;  // rows of 111 bytes: not a multiple of 4
    const int height = 18;
    ASSERT_TRUE(writeJpeg(directory / "textures/sky.jpg", width, height, 3,
                          quadrantImage(width, height), kBestJpegQuality, jpegError))
        << jpegError;
    const JPEGTexture texture = decodeQuietly("textures/sky");
    ASSERT_TRUE(texture.isLoaded());
    EXPECT_EQ(texture.imageWidth(), 37u);
    EXPECT_EQ(texture.imageHeight(), 18u);
    EXPECT_EQ(texture.pixelFormat(), static_cast<GLenum>(GL_RGB));
    const std::uint8_t* pixels = texture.pixelData();
    const std::size_t rowBytes = width * 3;
    // Sample well inside each quadrant: a padded or flipped block would land elsewhere.
    expectColourNear(pixels, kTopLeft);
    expectColourNear(pixels + 2 * rowBytes + (width - 3) * 3, kTopRight);
    expectColourNear(pixels + (height - 2) * rowBytes + 2 * 3, kBottomLeft);
    expectColourNear(pixels + (height - 1) * rowBytes + (width - 1) * 3, kBottomRight);
}

TEST_F(JPEGTextureTest, greyscaleImageIsLuminanceWithOneBytePerPixel) {
    const int width = 13;
    const int height = 7;
    std::vector<std::uint8_t> grey(width * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            grey[y * width + x] = y < 4 ? 40 : 200;
        }
    }
    ASSERT_TRUE(
        writeJpeg(directory / "grey.jpg", width, height, 1, grey, kBestJpegQuality, jpegError))
        << jpegError;
    const JPEGTexture texture = decodeQuietly("grey");
    ASSERT_TRUE(texture.isLoaded());
    EXPECT_EQ(texture.pixelFormat(), static_cast<GLenum>(GL_LUMINANCE));
    EXPECT_NEAR(texture.pixelData()[0], 40, 12);
    // One byte a pixel: the last byte of the block is the bottom-right pixel.
    EXPECT_NEAR(texture.pixelData()[width * height - 1], 200, 12);
}

TEST_F(JPEGTextureTest, fourComponentImageIsRgba) {
    const int width = 6;
    const int height = 5;
    std::vector<std::uint8_t> cmyk(width * height * 4, 128);
    ASSERT_TRUE(
        writeJpeg(directory / "cmyk.jpg", width, height, 4, cmyk, kBestJpegQuality, jpegError))
        << jpegError;
    const JPEGTexture texture = decodeQuietly("cmyk");
    ASSERT_TRUE(texture.isLoaded());
    EXPECT_EQ(texture.pixelFormat(), static_cast<GLenum>(GL_RGBA));
    EXPECT_NEAR(texture.pixelData()[width * height * 4 - 1], 128, 8);
}

TEST_F(JPEGTextureTest, pathJoinsDataPathNameAndExtensionWithoutSeparator) {
    char name[64];
    nameField("textures/skies/ridarirovozavo", name);
    testing::internal::CaptureStderr();
    const JPEGTexture withSeparator(dataPath, name);
    const JPEGTexture withoutSeparator(directory.string(), name);
    printed = testing::internal::GetCapturedStderr();
    const std::string first = dataPath + "textures/skies/ridarirovozavo.jpg";
    const std::string second = directory.string() + "textures/skies/ridarirovozavo.jpg";
    EXPECT_EQ(withSeparator.getPath(), first);
    EXPECT_EQ(withoutSeparator.getPath(), second);
    // A missing file prints its path and nothing else.
    EXPECT_EQ(printed, first + "\n" + second + "\n");
    EXPECT_FALSE(withSeparator.isLoaded());
    EXPECT_FALSE(withoutSeparator.isLoaded());
}

TEST_F(JPEGTextureTest, nameFilledToSixtyFourBytesStillEndsTheName) {
    char name[64];
    std::memset(name, 'a', sizeof name);
    testing::internal::CaptureStderr();
    const JPEGTexture texture(dataPath, name);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(texture.getPath(), dataPath + std::string(64, 'a') + ".jpg");
}

TEST_F(JPEGTextureTest, unsupportedShapesAreRefusedWithoutDecoding) {
    // Two components: neither luminance nor RGB nor RGBA.
    std::vector<std::uint8_t> pairs(4 * 4 * 2, 90);
    ASSERT_TRUE(writeJpeg(directory / "pairs.jpg", 4, 4, 2, pairs, kBestJpegQuality, jpegError))
        << jpegError;
    // A header claiming 65000 x 65000 pixels: the block would be far larger than any sky.
    ASSERT_TRUE(writeJpeg(directory / "huge.jpg", 8, 8, 3, quadrantImage(8, 8), kBestJpegQuality,
                          jpegError))
        << jpegError;
    std::vector<char> bytes;
    {
        std::ifstream in(directory / "huge.jpg", std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    bool patched = false;
    for (std::size_t i = 0; i + 8 < bytes.size(); ++i) {
        if (static_cast<std::uint8_t>(bytes[i]) == 0xFF &&
            static_cast<std::uint8_t>(bytes[i + 1]) == 0xC0) {
            // SOF0: length (2), precision (1), height (2), width (2), big-endian.
            bytes[i + 5] = bytes[i + 7] = static_cast<char>(0xFD);
            bytes[i + 6] = bytes[i + 8] = static_cast<char>(0xE8);
            patched = true;
            break;
        }
    }
    ASSERT_TRUE(patched);
    std::ofstream(directory / "huge.jpg", std::ios::binary).write(bytes.data(), bytes.size());

    for (const char* file : {"pairs", "huge"}) {
        const JPEGTexture texture = decodeQuietly(file);
        EXPECT_FALSE(texture.isLoaded()) << file;
        EXPECT_NE(printed.find(dataPath + file + ".jpg: "), std::string::npos) << printed;
    }
}

TEST_F(JPEGTextureTest, corruptDataEndsTheProcessWithLibraryMessage) {
    std::ofstream(directory / "broken.jpg", std::ios::binary) << "not a jpeg at all";
    char name[64];
    nameField("broken", name);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(JPEGTexture(dataPath, name), testing::ExitedWithCode(1), "Not a JPEG file");
}
