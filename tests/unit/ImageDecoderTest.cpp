// Decoding face texture images: exact pixels of small TGA and JPEG files, alpha, and headers or
// data that must be refused with a line instead of a large allocation or a stop.
#include <gtest/gtest.h>

#include <sstream>

#include "generators/AssetFiles.h"
#include "generators/JpegWriter.h"
#include "texture/ImageDecoder.h"

TEST(ImageDecoderTest, tgaPixelsComeOutTopRowFirstWithAlphaOnlyWhenPresent) {
    const std::vector<std::uint8_t> rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30};
    DecodedImage image;
    std::ostringstream log;
    ASSERT_TRUE(ImageDecoder::decode(makeTga(2, 2, 3, rgb), "a.tga", image, log)) << log.str();
    EXPECT_EQ(image.width, 2u);
    EXPECT_EQ(image.height, 2u);
    EXPECT_EQ(image.components, 3);
    EXPECT_EQ(image.pixels, rgb);
    EXPECT_FALSE(ImageDecoder::hasTransparency(image));

    const std::vector<std::uint8_t> rgba = {1, 2, 3, 255, 4, 5, 6, 0};
    ASSERT_TRUE(ImageDecoder::decode(makeTga(2, 1, 4, rgba), "b.tga", image, log));
    EXPECT_EQ(image.components, 4);
    EXPECT_EQ(image.pixels, rgba);
    EXPECT_TRUE(ImageDecoder::hasTransparency(image));

    ASSERT_TRUE(ImageDecoder::decode(solidTga(2, 1, {9, 9, 9, 255}), "c.tga", image, log));
    EXPECT_FALSE(ImageDecoder::hasTransparency(image));
    EXPECT_EQ(log.str(), "");
}

TEST(ImageDecoderTest, jpegDecodesThroughLibjpegAndCorruptJpegIsALineNotAStop) {
    ScratchFolder folder("decoder-jpeg");
    const std::vector<std::uint8_t> grey(16 * 8, 200);
    std::string jpegError;
    ASSERT_TRUE(writeJpeg(folder.path() / "g.jpg", 16, 8, 1, grey, kBestJpegQuality, jpegError))
        << jpegError;
    const std::vector<std::uint8_t> bytes = readBytes(folder.path() / "g.jpg");
    DecodedImage image;
    std::ostringstream log;
    ASSERT_TRUE(ImageDecoder::decode(bytes, "g.jpg", image, log)) << log.str();
    EXPECT_EQ(image.width, 16u);
    EXPECT_EQ(image.height, 8u);
    EXPECT_EQ(image.components, 1);
    EXPECT_NEAR(image.pixels[37], 200, 2);

    // Every prefix: libjpeg either pads a short scan or reports; nothing ends the process.
    for (std::size_t length = 2; length < bytes.size(); length += 7) {
        std::ostringstream prefixLog;
        const std::vector<std::uint8_t> prefix(bytes.begin(), bytes.begin() + length);
        if (!ImageDecoder::decode(prefix, "cut.jpg", image, prefixLog)) {
            EXPECT_EQ(prefixLog.str().rfind("cut.jpg: ", 0), 0u) << prefixLog.str();
            EXPECT_TRUE(image.pixels.empty());
        }
    }
}

TEST(ImageDecoderTest, absurdSizesAndGarbageAreRefusedWithALineNamingTheFile) {
    DecodedImage image;
    std::ostringstream log;
    // A valid header saying 65535 x 65535 followed by almost nothing.
    std::vector<std::uint8_t> huge = solidTga(1, 1, {1, 2, 3});
    huge[12] = huge[13] = huge[14] = huge[15] = 0xFF;
    EXPECT_FALSE(ImageDecoder::decode(huge, "textures/huge.tga", image, log));
    EXPECT_NE(log.str().find("textures/huge.tga: image of 65535 x 65535 pixels is larger than"),
              std::string::npos)
        << log.str();

    std::ostringstream garbageLog;
    EXPECT_FALSE(ImageDecoder::decode({1, 2, 3, 4, 5}, "textures/noise.tga", image, garbageLog));
    EXPECT_FALSE(ImageDecoder::decode({}, "textures/empty.jpg", image, garbageLog));
    const std::vector<std::uint8_t> jpegStart = {0xFF, 0xD8, 0xFF};
    EXPECT_FALSE(ImageDecoder::decode(jpegStart, "textures/short.jpg", image, garbageLog));
    EXPECT_TRUE(image.pixels.empty());
    const std::string lines = garbageLog.str();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 3) << lines;
    EXPECT_NE(lines.find("textures/noise.tga: "), std::string::npos);
    EXPECT_NE(lines.find("textures/short.jpg: "), std::string::npos);
}

TEST(ImageDecoderTest, imagesCutShortAreRefusedRatherThanTakenWithBlackRows) {
    DecodedImage image;
    std::ostringstream log;
    std::vector<std::uint8_t> tga = solidTga(8, 8, {9, 8, 7});
    tga.pop_back();
    EXPECT_FALSE(ImageDecoder::decode(tga, "cut.tga", image, log));
    EXPECT_EQ(log.str(),
              "cut.tga: truncated: the header promises 8 x 8 pixels, the data holds 63\n");

    // Run-length RGB, 4 x 1: one packet repeating a pixel four times, then a footer.
    std::vector<std::uint8_t> runs = {0, 0, 10, 0,  0, 0,    0, 0, 0, 0,   0,   0,  4,
                                      0, 1, 0,  24, 0, 0x83, 1, 2, 3, 'e', 'n', 'd'};
    std::ostringstream runLog;
    ASSERT_TRUE(ImageDecoder::decode(runs, "runs.tga", image, runLog)) << runLog.str();
    EXPECT_EQ(image.width, 4u);
    runs.resize(runs.size() - 4);
    EXPECT_FALSE(ImageDecoder::decode(runs, "runs.tga", image, runLog));
    EXPECT_EQ(runLog.str(),
              "runs.tga: truncated: the header promises 4 x 1 pixels, the data holds 0\n");

    ScratchFolder folder("decoder-cut-jpeg");
    std::vector<std::uint8_t> noise(64 * 64 * 3);
    for (std::size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<std::uint8_t>(i * 37 % 251);
    }
    std::string jpegError;
    ASSERT_TRUE(writeJpeg(folder.path() / "n.jpg", 64, 64, 3, noise, kBestJpegQuality, jpegError));
    std::vector<std::uint8_t> jpeg = readBytes(folder.path() / "n.jpg");
    jpeg.resize(jpeg.size() / 2);
    std::ostringstream jpegLog;
    EXPECT_FALSE(ImageDecoder::decode(jpeg, "cut.jpg", image, jpegLog));
    EXPECT_EQ(jpegLog.str(), "cut.jpg: truncated: the data ends before the image does\n");
    EXPECT_TRUE(image.pixels.empty());
}

// A PNG too large to decode is named as a PNG of its own size, not an image of unknown type.
TEST(ImageDecoderTest, aPngTooLargeToDecodeIsNamedByItsKindAndSize) {
    std::vector<std::uint8_t> png = {0x89, 'P',  'N', 'G', '\r', '\n', 0x1A, '\n', 0,    0, 0,
                                     13,   'I',  'H', 'D', 'R',  0,    0,    0x9C, 0x40, 0, 0,
                                     0x9C, 0x40, 8,   2,   0,    0,    0,    0,    0,    0, 0};
    DecodedImage image;
    std::ostringstream log;
    EXPECT_FALSE(ImageDecoder::decode(png, "textures/big.png", image, log));
    EXPECT_EQ(log.str(),
              "textures/big.png: PNG of 40000 x 40000 pixels is larger than 4096 x 4096\n");
}

// A colour-map index past the palette is drawn in the palette's first colour, as the decoder
// does, and said once for the image, plain and run-length alike.
TEST(ImageDecoderTest, aColourMapIndexPastThePaletteIsOneLineAndTheFirstColour) {
    // 2 x 2, top row first, two palette colours stored blue first: (10, 20, 30) and red.
    const std::vector<std::uint8_t> header = {0, 1, 1, 0, 0, 2, 0, 24, 0,
                                              0, 0, 0, 2, 0, 2, 0, 8,  0x20};
    const std::vector<std::uint8_t> palette = {30, 20, 10, 0, 0, 255};
    std::vector<std::uint8_t> plain = header;
    plain.insert(plain.end(), palette.begin(), palette.end());
    plain.insert(plain.end(), {1, 0, 7, 200});
    std::vector<std::uint8_t> runs = header;
    runs[2] = 9;
    runs.insert(runs.end(), palette.begin(), palette.end());
    runs.insert(runs.end(), {0x01, 1, 0, 0x81, 9});  // two pixels as they are, then 9 twice

    const std::vector<std::uint8_t> expected = {255, 0, 0, 10, 20, 30, 10, 20, 30, 10, 20, 30};
    for (const auto& [bytes, first] : {std::pair{plain, 7}, std::pair{runs, 9}}) {
        DecodedImage image;
        std::ostringstream log;
        ASSERT_TRUE(ImageDecoder::decode(bytes, "pal.tga", image, log)) << log.str();
        EXPECT_EQ(image.pixels, expected);
        EXPECT_EQ(log.str(),
                  "pal.tga: 2 pixels with a colour-map index past the palette's 2 "
                  "colours (the first " +
                      std::to_string(first) + "); drawn in the palette's first colour\n");
    }
}
