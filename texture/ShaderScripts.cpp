// ShaderScripts: each material's editor image, then the first image of each stage that is a file,
// gathered once per added script.
#include "texture/ShaderScripts.h"

#include <algorithm>
#include <cctype>

#include "texture/AssetStore.h"

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
