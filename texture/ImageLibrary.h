// ImageLibrary: the images of a level's surfaces as GL textures, each distinct file decoded and
// uploaded once, found under the data path as the game data names them.
#pragma once

#include <epoxy/gl.h>

#include <iosfwd>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class AssetStore;

struct ImageTexture {
    GLuint texture = 0;
    bool alpha = false;  // some texel is not fully opaque
};

struct ImageLoadStats {
    double decodeMs = 0.0;
    double uploadMs = 0.0;
};

class ImageLibrary {
public:
    // Needs a GL context: makes the placeholder, a grey checker.
    ImageLibrary(const AssetStore& assets, std::ostream& log);
    ~ImageLibrary();  // deletes its GL textures
    ImageLibrary(const ImageLibrary&) = delete;
    ImageLibrary& operator=(const ImageLibrary&) = delete;

    // The file a name stands for: NAME.tga, else NAME.jpg, whatever extension the name carries
    // (a .tga hides a .jpg of the same name, as in the game data). Empty when neither exists.
    std::string findFile(const std::string& name) const { return findFile(assets, name); }
    static std::string findFile(const AssetStore& assets, const std::string& name);
    // The texture of a file findFile gave, decoded and uploaded at the first request; repeating
    // (or clamped to its edges when clamp). Nothing when it cannot be read or decoded (one line on
    // the log, naming the archive it is in, the first time).
    std::optional<ImageTexture> texture(const std::string& file, bool clamp = false);
    // Whether a file findFile gave is drawn as itself rather than as the placeholder: what an
    // earlier texture() found, else texture() now.
    bool usable(const std::string& file);
    // The same without GL, reading and decoding the file anew (its problem, if any, on log).
    static bool usable(const AssetStore& assets, const std::string& file, std::ostream& log);
    GLuint placeholder() const { return placeholderTexture; }
    const ImageLoadStats& stats() const { return statistics; }

    // The name with any extension after its last '/' removed.
    static std::string withoutExtension(const std::string& name);

private:
    const AssetStore& assets;
    std::ostream& log;
    GLuint placeholderTexture = 0;
    std::unordered_map<std::string, std::optional<ImageTexture>> byFile;
    std::vector<GLuint> uploaded;
    std::vector<std::uint8_t> bytes;
    ImageLoadStats statistics;
};
