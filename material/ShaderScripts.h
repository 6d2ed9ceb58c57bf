// ShaderScripts: the one fact the face images take from the shader scripts (scripts/*.shader):
// which image stands for a shader that has no image file of its own name.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "material/MaterialScripts.h"

class AssetStore;

// The images that may stand for a material when its name has no image file of its own: its
// qer_editorimage, then the first image of each stage that is a file (not $lightmap or
// $whiteimage). Editor images are often left out of the game data, so a caller tries each.
std::vector<std::string> fallbackImagesOf(const Material& material);

// A view of MaterialScripts that keeps each shader's image names.
class ShaderScripts {
public:
    ShaderScripts() = default;
    // Reads every scripts/*.shader the store lists, as MaterialScripts does.
    ShaderScripts(const AssetStore& assets, std::ostream& log);

    // Adds the shaders of one folder script. A shader defined twice keeps its first images. A
    // script's problems (unbalanced braces among them) are one line naming fileName on log; the
    // shaders the text allows are kept.
    void addScript(const std::string& fileName, std::string_view text, std::ostream& log);

    // The shader's qer_editorimage, else its first map/clampMap/animMap image that is not one of
    // the renderer's own ($lightmap, $whiteimage); empty when it has none or is not defined.
    // Shader names match without regard to case.
    std::string imageFor(const std::string& shaderName) const;
    // The same images in that order, then the shader's later stage images: editor images are
    // often left out of the game data, so a caller tries each until one exists.
    const std::vector<std::string>& imagesFor(const std::string& shaderName) const;
    std::size_t shaderCount() const { return materials.size(); }

private:
    void collectImages();

    MaterialScripts materials;
    std::unordered_map<std::string, std::vector<std::string>> images;  // by lower-case name
    std::vector<std::string> noImages;
};
