// Writes the seed corpora of the image and archive fuzzers: small TGA and JPEG images
// and a .pk3 holding images and a shader script, made by the test support writers.
#include <iostream>
#include <string>

#include "generators/AssetFiles.h"
#include "generators/JpegWriter.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: " << argv[0] << " <image corpus folder> <archive corpus folder>\n";
        return 1;
    }
    const std::filesystem::path images = argv[1];
    const std::filesystem::path archives = argv[2];
    std::vector<std::uint8_t> pixels;
    for (int i = 0; i < 4 * 4 * 4; ++i) {
        pixels.push_back(static_cast<std::uint8_t>(i * 37));
    }
    const std::vector<std::uint8_t> rgb = makeTga(4, 4, 3, pixels);
    const std::vector<std::uint8_t> rgba = makeTga(4, 4, 4, pixels);
    writeBytes(images / "rgb.tga", rgb);
    writeBytes(images / "rgba.tga", rgba);
    const std::vector<std::uint8_t> greyPixels(8 * 8, 99);
    std::string jpegError;
    writeJpeg(images / "grey.jpg", 8, 8, 1, greyPixels, kBestJpegQuality, jpegError);
    const std::vector<std::uint8_t> colourPixels(pixels.begin(), pixels.begin() + 4 * 4 * 3);
    writeJpeg(images / "colour.jpg", 4, 4, 3, colourPixels, kBestJpegQuality, jpegError);

    const std::string script =
        "textures/a/b\n{\n qer_editorimage textures/a/rgb.tga\n { map $lightmap }\n"
        " { animMap 5 textures/a/x.tga textures/a/y.tga }\n}\n";
    const ArchiveEntries entries = {
        {"textures/a/rgb.tga", rgb},
        {"textures/a/rgba.tga", rgba},
        {"textures/a/grey.jpg", readBytes(images / "grey.jpg")},
        {"scripts/a.shader", std::vector<std::uint8_t>(script.begin(), script.end())},
    };
    writeBytes(archives / "deflated.pk3", makeZip(entries, true));
    writeBytes(archives / "stored.pk3", makeZip(entries, false));
    return 0;
}
