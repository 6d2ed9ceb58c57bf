// A level's entities: loading their models and looks, timed, for the drawer.
#include "render/EntityView.h"

#include <chrono>
#include <ostream>

namespace {

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace

EntityView::EntityView(const BSPMap& level, std::vector<EntityPlacement> placements,
                       std::ostream& log)
    : models(level, std::move(placements), log), drawer(level, models) {}

void EntityView::loadModels(const AssetStore& assets, std::ostream& log) {
    if (models.modelsLoaded()) {
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    models.loadModels(assets, log);
    drawer.build();
    modelMs = millisecondsSince(start);
}

void EntityView::loadSurfaceLooks(const AssetStore& assets, const MaterialFinder& scripts,
                                  GLuint white, ImageLibrary& images, std::ostream& log) {
    if (drawer.surfaceLooksLoaded()) {
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    drawer.loadSurfaceLooks(assets, scripts, white, images, log);
    lookMs = millisecondsSince(start);
}

void EntityView::prepare(const AssetStore& assets, const MaterialFinder* scripts, GLuint white,
                         ImageLibrary* images, std::ostream& log) {
    if (!models.modelsLoaded()) {
        loadModels(assets, log);
        log << "entities: " << models.instances().size() << " placed, " << models.models().size()
            << " model files read in " << modelMs << " ms" << std::endl;
    }
    if (scripts != nullptr && images != nullptr && !drawer.surfaceLooksLoaded()) {
        loadSurfaceLooks(assets, *scripts, white, *images, log);
        log << "entities: " << models.lookNames().size() << " surface images and materials in "
            << lookMs << " ms" << std::endl;
    }
}
