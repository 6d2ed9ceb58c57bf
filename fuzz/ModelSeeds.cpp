// Writes the model fuzzer's seed corpus with the project's model writer: a one-triangle model, one
// with several frames and tags, and one with two surfaces, so the search starts inside each check.
#include <iostream>
#include <string>
#include <vector>

#include "generators/AssetFiles.h"
#include "generators/ModelWriter.h"

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

    return writeFiles(directory,
                      {{"seed-triangle.md3", writeModel(triangle)},
                       {"seed-animated.md3", writeModel(animated)},
                       {"seed-two-surfaces.md3", writeModel(twoSurfaces)}},
                      std::cerr)
               ? 0
               : 1;
}
