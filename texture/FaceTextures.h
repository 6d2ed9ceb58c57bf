// FaceTextures: one GL texture per texture record of the level, each distinct image decoded and
// uploaded once, a grey checker for every name that could not be found or decoded.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "texture/ImageLibrary.h"

class AssetStore;
class MaterialFinder;
struct Material;

struct FaceTextureStats {
    int found = 0;         // names that resolved to a decoded image
    int placeholders = 0;  // names drawn with the placeholder
    int fromShaders = 0;   // of found, names resolved through the shader scripts
    double decodeMs = 0.0;
    double uploadMs = 0.0;
};

class FaceTextures {
public:
    // Resolves each name (strip extension; try .tga then .jpg; else the shader scripts'
    // qer_editorimage, else first map/clampMap/animMap image that is not $lightmap), decodes and
    // uploads each distinct image once with mipmaps; one line per missing name on log. Needs a
    // GL context; leaves texture unit 0's binding at 0.
    // scripts are the data path's; images is a library that outlives these, its beginLevel
    // already called for assets (neither owned).
    FaceTextures(const AssetStore& assets, const std::vector<std::string>& textureNames,
                 std::ostream& log, const MaterialFinder& scripts, ImageLibrary& images);
    ~FaceTextures();
    FaceTextures(const FaceTextures&) = delete;
    FaceTextures& operator=(const FaceTextures&) = delete;

    GLuint textureFor(std::int32_t textureIndex) const;  // placeholder when out of range
    bool hasAlpha(std::int32_t textureIndex) const;      // drawn with alpha test at 0.5
    const FaceTextureStats& stats() const { return statistics; }
    GLuint placeholderTexture() const;
    // Where the record's image came from, as it was looked up; no image for an index out of range.
    const ImageOrigin& originOf(std::int32_t textureIndex) const;
    // Every image file decoded for the faces, for whatever else draws the level's surfaces.
    ImageLibrary& images() const { return *library; }

    // The name with any extension after its last '/' removed.
    static std::string withoutExtension(const std::string& name);
    // The image file a texture name is drawn with when it has no material of its own to draw:
    // its own image, else the first of material's fallback images that exists (material may be
    // null). Empty when there is none, and the face gets the placeholder.
    static std::string imageFileOf(const AssetStore& assets, const std::string& name,
                                   const Material* material);

private:
    struct Slot {
        GLuint texture = 0;
        bool alpha = false;
        ImageOrigin origin;
    };

    ImageLibrary* library;
    std::vector<Slot> slots;  // one per texture record
    ImageOrigin noOrigin;
    FaceTextureStats statistics;  // this level's share of the library's decoding and uploading
};
