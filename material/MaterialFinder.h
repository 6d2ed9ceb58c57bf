// MaterialFinder: what the level's faces, models and sky ask of the shader scripts, whether
// the scripts were read whole or are read a shader at a time.
#pragma once

#include <string_view>

struct Material;

class MaterialFinder {
public:
    // The material that stands for shaderName, matched without regard to case; null when no
    // script defines it. It lives as long as the finder.
    virtual const Material* find(std::string_view shaderName) const = 0;

protected:
    MaterialFinder() = default;
    MaterialFinder(const MaterialFinder&) = default;
    MaterialFinder& operator=(const MaterialFinder&) = default;
    ~MaterialFinder() = default;
};
