// ImageLibrary: the images of a level's surfaces as GL textures, each distinct file decoded and
// uploaded once, found under the data path as the game data names them. One library may serve
// the levels a session loads one after another: a file is decoded again only when where it is
// read from (the loose file or the archive) has changed since.
#pragma once

#include <epoxy/gl.h>

#include "assets/FileStamp.h"
#include "texture/ImageOrigin.h"

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

// How a minified image is sampled: blended between its two nearest mipmap levels, or filtered in
// the nearest level alone (about half the texel reads, with a step where the level changes).
enum class MipSampling { blended, nearestLevel };

struct ImageLoadStats {
    double decodeMs = 0.0;
    double uploadMs = 0.0;
    int decodes = 0;  // files read and decoded, whether or not they decoded
};

class ImageLibrary {
public:
    // Needs a GL context: makes the placeholder, a grey checker. assets must outlive the library
    // or the next beginLevel.
    ImageLibrary(const AssetStore& assets, std::ostream& log);
    ~ImageLibrary();  // deletes its GL textures, each once: needs their GL context current

    ImageLibrary(const ImageLibrary&) = delete;
    ImageLibrary& operator=(const ImageLibrary&) = delete;

    // The file a name stands for: NAME.tga, else NAME.jpg, whatever extension the name carries
    // (a .tga hides a .jpg of the same name, as in the game data). Empty when neither exists.
    std::string findFile(const std::string& name) const { return findFile(*assets, name); }
    static std::string findFile(const AssetStore& assets, const std::string& name);
    // Serves the next level from assets (which must outlive that level's use). Every texture
    // made before is checked against its file at its first request from then on and, when the
    // file changed, deleted and made anew: no level may still draw with textures from before,
    // except ones it asks for again.
    void beginLevel(const AssetStore& assets);

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
    // Where name's image came from: file (as findFile gave it) in the current level's store, or
    // no place when it is drawn as the placeholder.
    ImageOrigin origin(const std::string& name, const std::string& file, bool drawn) const;
    // Sets how every texture of the library, and every one made from now on, is minified. Costs
    // nothing when the sampling is already that; leaves the active unit's binding as it was.
    void useMipSampling(MipSampling sampling);
    const ImageLoadStats& stats() const { return statistics; }

    // The name with any extension after its last '/' removed.
    static std::string withoutExtension(const std::string& name);

private:
    struct Entry {
        std::optional<ImageTexture> image;  // nothing: the file could not be decoded
        FileStamp source;                   // of the loose file or the archive it was read from
        const AssetStore* store = nullptr;  // the store it was read through
        unsigned checkedInLevel = 0;        // 0: not made yet
    };
    // Whether entry may serve the current level as it is.
    bool stillValid(Entry& entry, const std::string& file);

    const AssetStore* assets;
    std::ostream& log;
    GLuint placeholderTexture = 0;
    std::unordered_map<std::string, Entry> byFile;
    unsigned level = 1;  // counts beginLevel calls
    MipSampling mipSampling = MipSampling::blended;
    std::vector<std::uint8_t> bytes;
    ImageLoadStats statistics;
};
