// ShaderScripts: each material's editor image, then the first image of each stage that is a file,
// gathered once per added script.
#include "material/ShaderScripts.h"

#include <algorithm>
#include <cctype>

#include "assets/AssetStore.h"

namespace {

// Images the renderer makes itself start with '$'.
bool isFileImage(std::string_view image) {
    return !image.empty() && image.front() != '$';
}

}  // namespace

std::vector<std::string> fallbackImagesOf(const Material& material) {
    std::vector<std::string> found;
    if (!material.editorImage.empty()) {
        found.push_back(material.editorImage);
    }
    for (const MaterialStage& stage : material.stages) {
        if (!stage.images.empty() && isFileImage(stage.images.front())) {
            found.push_back(stage.images.front());
        }
    }
    return found;
}

ShaderScripts::ShaderScripts(const AssetStore& assets, std::ostream& log) : materials(assets, log) {
    collectImages();
}

void ShaderScripts::addScript(const std::string& fileName, std::string_view text,
                              std::ostream& log) {
    materials.addScript(fileName, "", text, log);
    collectImages();
}

void ShaderScripts::collectImages() {
    images.clear();
    for (const Material& material : materials.materials()) {
        images[lowerCase(material.name)] = fallbackImagesOf(material);
    }
}

std::string ShaderScripts::imageFor(const std::string& shaderName) const {
    const std::vector<std::string>& candidates = imagesFor(shaderName);
    return candidates.empty() ? std::string() : candidates.front();
}

const std::vector<std::string>& ShaderScripts::imagesFor(const std::string& shaderName) const {
    const auto found = images.find(lowerCase(shaderName));
    return found == images.end() ? noImages : found->second;
}

// Reading every script out of a data path lives here, with the other reads from the store, so
// that the parser itself holds no archive code.
MaterialScripts::MaterialScripts(const AssetStore& assets, std::ostream& log) {
    std::vector<std::uint8_t> bytes;
    for (const AssetStore::Copy& script : assets.copies("scripts", ".shader")) {
        if (assets.read(script, bytes)) {
            addScript(script.relativePath, script.archive,
                      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                      log);
        }
    }
}
