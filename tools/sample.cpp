// velmora-sample OUTDIR: writes the sample level to OUTDIR/maps/sample.bsp and its sky picture to
// OUTDIR/textures/skies/ridarirovozavo.jpg and the mural's image under OUTDIR/textures/sample/ (the
// build runs it to make build/sample/).
#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>

#include "generators/LevelWriter.h"
#include "generators/SampleLevel.h"
#include "generators/JpegWriter.h"
#include "generators/SampleSky.h"

int main(int argc, char** argv) {
    CLI::App app("Writes the sample level and its sky picture.");
    std::string outDir;
    app.add_option("outdir", outDir, "data directory to write into")->required();
    CLI11_PARSE(app, argc, argv);

    const std::filesystem::path root(outDir);
    std::error_code directoryError;
    std::filesystem::create_directories(root / "maps", directoryError);
    std::filesystem::create_directories(root / "textures" / "skies", directoryError);
    std::filesystem::create_directories(root / "textures" / "sample", directoryError);
    if (directoryError) {
        std::cerr << "velmora-sample: cannot create folders under " << outDir << ": "
                  << directoryError.message() << "\n";
        return 1;
    }
    std::string error;
    const LevelWriter writer(sampleLevel());
    if (!writer.writeFile((root / "maps" / "sample.bsp").string(), error) ||
        !writeJpeg((root / "textures" / "skies" / "ridarirovozavo.jpg").string(), kSampleSkySize,
                   kSampleSkySize, 3, sampleSkyPixels(kSampleSkySize), kSampleSkyJpegQuality,
                   error) ||
        !writeJpeg((root / kSampleMuralImage).string(), kSampleMuralSize, kSampleMuralSize, 3,
                   sampleMuralPixels(kSampleMuralSize), kSampleMuralJpegQuality, error)) {
        std::cerr << "velmora-sample: " << error << "\n";
        return 1;
    }
    return 0;
}
