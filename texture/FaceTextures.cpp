// FaceTextures: each texture record's name resolved to an image file, directly or through the
// shader scripts.
#include "texture/FaceTextures.h"

#include <memory>
#include <optional>
#include <ostream>

#include "material/MaterialFinder.h"
#include "material/ShaderScripts.h"

std::string FaceTextures::withoutExtension(const std::string& name) {
    return ImageLibrary::withoutExtension(name);
}

std::string FaceTextures::imageFileOf(const AssetStore& assets, const std::string& name,
                                      const Material* material) {
    std::string file = ImageLibrary::findFile(assets, name);
    if (!file.empty() || material == nullptr) {
        return file;
    }
    for (const std::string& shaderImage : fallbackImagesOf(*material)) {
        file = ImageLibrary::findFile(assets, shaderImage);
        if (!file.empty()) {
            break;
        }
    }
    return file;
}

FaceTextures::FaceTextures(const AssetStore& assets, const std::vector<std::string>& textureNames,
                           std::ostream& log, const MaterialFinder& scripts, ImageLibrary& images)
    : library(&images) {
    const ImageLoadStats before = library->stats();
    slots.reserve(textureNames.size());
    for (const std::string& name : textureNames) {
        std::string imagePath = library->findFile(name);
        const std::string base = withoutExtension(name);
        const bool viaShader = imagePath.empty() && !base.empty();
        if (viaShader) {
            imagePath = imageFileOf(assets, name, scripts.find(base));
        }
        if (imagePath.empty()) {
            log << "texture not found: " << (name.empty() ? "(empty name)" : name) << '\n';
            slots.push_back(Slot{library->placeholder(), false, library->origin(name, "", false)});
            ++statistics.placeholders;
            continue;
        }
        if (const std::optional<ImageTexture> image = library->texture(imagePath)) {
            slots.push_back(
                Slot{image->texture, image->alpha, library->origin(name, imagePath, true)});
            ++statistics.found;
            statistics.fromShaders += viaShader ? 1 : 0;
        } else {
            slots.push_back(
                Slot{library->placeholder(), false, library->origin(name, imagePath, false)});
            ++statistics.placeholders;
        }
    }
    const ImageLoadStats& after = library->stats();
    statistics.decodeMs = after.decodeMs - before.decodeMs;
    statistics.uploadMs = after.uploadMs - before.uploadMs;
}

FaceTextures::~FaceTextures() = default;

GLuint FaceTextures::placeholderTexture() const {
    return library->placeholder();
}

GLuint FaceTextures::textureFor(std::int32_t textureIndex) const {
    if (textureIndex < 0 || std::size_t(textureIndex) >= slots.size()) {
        return library->placeholder();
    }
    return slots[std::size_t(textureIndex)].texture;
}

const ImageOrigin& FaceTextures::originOf(std::int32_t textureIndex) const {
    if (textureIndex < 0 || std::size_t(textureIndex) >= slots.size()) {
        return noOrigin;
    }
    return slots[std::size_t(textureIndex)].origin;
}

bool FaceTextures::hasAlpha(std::int32_t textureIndex) const {
    if (textureIndex < 0 || std::size_t(textureIndex) >= slots.size()) {
        return false;
    }
    return slots[std::size_t(textureIndex)].alpha;
}
