// LevelStores: what every level of a session reads through and keeps its images in, made once by
// the session and handed to each level it loads.
#pragma once

class LazyAssetStore;
class TextureCache;

// Both outlive every level given them: the data path's store, and the face images and scripts
// index kept from one level to the next.
struct LevelStores {
    LazyAssetStore& assets;
    TextureCache& textures;
};
