// Temporary definitions so every part links while the real ones are written. Each owner deletes
// the definitions of its part from here when its real file lands.
#include <sstream>

#include "app/Callbacks.h"
#include "app/Config.h"
#include "app/LightingModule.h"
#include "app/OnScreenDisplay.h"
#include "app/Viewer.h"
#include "geometry/Camera.h"
#include "level/BSPMap.h"
#include "level/Face.h"
#include "patch/BezierPatch.h"
#include "render/Frustum.h"
#include "texture/JPEGTexture.h"
#include "texture/SkyTexture.h"
#include "texture/Skybox.h"

// ---- level loading
BSPMap::BSPMap(const std::string&, const std::string&, OnScreenDisplay*, LightingModule*)
    : display(nullptr), lighting(nullptr) {}
BSPMap::BSPMap(const std::string&, const std::string&, std::vector<std::uint8_t>, OnScreenDisplay*,
               LightingModule*, std::ostream&)
    : display(nullptr), lighting(nullptr) {}
BSPMap::~BSPMap() {}
Face::Face(ByteReader&) {}
void Face::flipTextureT(std::vector<Vertex>&) const {}
VisData::VisData(ByteReader&, std::int64_t) {}

// ---- validation
#include "level/LevelValidator.h"
void validateLevel(const BSPMap&, std::vector<std::string>&) {}
