// ShaderScripts: the one fact the viewer takes from the shader scripts (scripts/*.shader): which
// image stands for a shader that has no image file of its own name.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class AssetStore;

class ShaderScripts {
public:
    ShaderScripts() = default;
    // Reads every scripts/*.shader the store lists, in name order.
    ShaderScripts(const AssetStore& assets, std::ostream& log);

    // Adds the shaders of one script. A shader defined twice keeps its first image. Unbalanced
    // braces give one line naming fileName on log; the shaders read before the fault are kept.
    void addScript(const std::string& fileName, std::string_view text, std::ostream& log);

    // The shader's qer_editorimage, else its first map/clampMap/animMap image that is not one of
    // the renderer's own ($lightmap, $whiteimage); empty when it has none or is not defined.
    // Shader names match without regard to case.
    std::string imageFor(const std::string& shaderName) const;
    // The same images in that order, then the shader's later stage images: editor images are
    // often left out of the game data, so a caller tries each until one exists.
    const std::vector<std::string>& imagesFor(const std::string& shaderName) const;
    std::size_t shaderCount() const { return images.size(); }

private:
    std::unordered_map<std::string, std::vector<std::string>> images;
    std::vector<std::string> noImages;
};
