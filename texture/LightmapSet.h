// LightmapSet: the level's lightmap pages as GL textures, brightened for a window, and the white
// texture that stands in for a page where a face has none.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <span>
#include <vector>

#include "texture/LightmapPages.h"

class LightmapSet {
public:
    LightmapSet() = default;
    ~LightmapSet();
    LightmapSet(const LightmapSet&) = delete;
    LightmapSet& operator=(const LightmapSet&) = delete;

    // Needs a GL context. Uploads every whole page of lumpBytes, brightened, and the white texture;
    // a second call does nothing.
    void upload(std::span<const std::uint8_t> lumpBytes);
    bool isUploaded() const { return whiteTexture != 0; }

    // The page's texture; the white texture for -1, -3 and any index that names no page.
    GLuint pageOrWhite(std::int32_t lightmapIndex) const;
    bool hasPage(std::int32_t lightmapIndex) const {
        return lightmapIndex >= 0 && static_cast<std::size_t>(lightmapIndex) < pages.size();
    }
    GLuint white() const { return whiteTexture; }
    std::size_t pageCount() const { return pages.size(); }

private:
    std::vector<GLuint> pages;
    GLuint whiteTexture = 0;
};
