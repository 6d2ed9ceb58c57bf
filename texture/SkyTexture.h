// The GL set-up that turns the decoded sky image into a mipmapped texture.
#pragma once

#include <epoxy/gl.h>

#include <string>

class LazyAssetStore;
class Texture;

// The sky image's name under the data directory, without its ".jpg".
inline constexpr char kSkyTextureName[] = "textures/skies/ridarirovozavo";

// Creates and binds a texture name with the sky's parameters and, when the image loaded, builds
// its mipmaps, printing "SKYBOX DONE " or "Error: " with GLU's text. The name is returned either
// way.
GLuint createSkyTexture(const Texture& image);

// Decodes the sky image under dataPath (the folder's file, else the entry in its archives) and
// creates the sky texture from it; the archives are those of the store that covers dataPath.
GLuint loadSkyTexture(const std::string& dataPath, LazyAssetStore& dataPathAssets);
