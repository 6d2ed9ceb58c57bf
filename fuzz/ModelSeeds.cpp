// Writes the model fuzzer's seed corpus with the project's model writer: a one-triangle model, one
// with several frames and tags, and one with two surfaces, so the search starts inside each check.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "generators/ModelWriter.h"

namespace {

bool writeSeed(const std::string& directory, const std::string& name,
               const std::vector<std::uint8_t>& bytes) {
    const std::string path = directory + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::cerr << path << ": cannot write the seed\n";
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: velmora_model_seeds CORPUS_DIRECTORY\n";
        return 2;
    }
    const std::string directory = argv[1];
    const ModelDescription triangle = oneTriangleModel("models/test/red", 8.0f);
    ModelDescription animated = triangle;
    animated.frameCount = 3;
    animated.tagCount = 2;
    ModelDescription twoSurfaces = triangle;
    RawModelSurface quad;
    quad.name = "quad";
    quad.vertices = {{{0, 0, 0}, 10, 20, {0, 0}},
                     {{16, 0, 0}, 30, 40, {1, 0}},
                     {{16, 16, 0}, 50, 60, {1, 1}},
                     {{0, 16, 0}, 70, 80, {0, 1}}};
    quad.indices = {0, 1, 2, 0, 2, 3};
    twoSurfaces.surfaces.push_back(quad);

    bool ok = writeSeed(directory, "seed-triangle.md3", writeModel(triangle));
    ok = writeSeed(directory, "seed-animated.md3", writeModel(animated)) && ok;
    ok = writeSeed(directory, "seed-two-surfaces.md3", writeModel(twoSurfaces)) && ok;
    return ok ? 0 : 1;
}
