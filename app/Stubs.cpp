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

// ---- app (shell)
Frustum viewFrustum;
OnScreenDisplay* onScreenDisplay = nullptr;
BSPMap* bspMap = nullptr;
Camera* camera = nullptr;
int patchLevel = 10;
bool lightingEnabled = true;
bool texturesEnabled = false;
bool readConfig(const std::string&, ViewerConfig&, std::ostream&) {
    return false;
}
ViewerConfig loadViewerConfig(int, char**) {
    return {};
}
void openViewerWindow(int&, char**, const ViewerConfig&) {}
void initGL() {}
void createViewerObjects(const ViewerConfig&, LightingModule&) {}
void registerCallbacks() {}
void cleanup() {}
void display() {}
void reshape(int, int) {}
void keyboard(unsigned char, int, int) {}
void specialKeys(int, int, int) {}
void drawFrame(float) {}
void OnScreenDisplay::drawText(float, float, const char*) const {}
LightingModule::LightingModule(std::string) {}
void LightingModule::enable() {}
void LightingModule::disable() {}

// ---- camera, frustum, visibility and render
Camera::Camera(const Point& start, Frustum* cameraFrustum)
    : speed(0), up(0, 1, 0), reverse(true), frustum(cameraFrustum), position(start), yaw(0) {}
void Camera::turnLeft(int) {}
void Camera::turnRight(int) {}
void Camera::moveUp(float) {}
void Camera::moveDown(float) {}
void Camera::moveForward() {}
void Camera::moveBackward() {}
void Camera::strafeLeft() {}
void Camera::strafeRight() {}
void Camera::update(float) {}
void Camera::move(float) {}
void Camera::setYaw(int) {}
void Frustum::update() {}
void Frustum::updateFromMatrices(const float*, const float*) {}
int Frustum::leafInFrustum(const Leaf&) const {
    return 1;
}
void BSPMap::setCamera(Camera*) {}
void BSPMap::render(std::ostringstream&, float, bool, bool) {}
void BSPMap::setPatchLevel(int) {}
std::int32_t BSPMap::findCameraLeaf() const {
    return 0;
}
std::int32_t BSPMap::findLeaf(const Point&) const {
    return 0;
}
void BSPMap::collectVisibleFaces(std::int32_t) {}
bool BSPMap::isClusterVisible(std::int32_t, std::int32_t) const {
    return true;
}
void BSPMap::drawFace(const Face&, bool) {}

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

// ---- patches, textures, sky
BezierPatch::BezierPatch(const Vertex (&)[9]) {}
void BezierPatch::tessellate(int) {}
void BezierPatch::draw(std::int32_t, TextureManager&, bool) const {}
void Face::buildPatches(const std::vector<Vertex>&) {}
void Face::tessellatePatches(int) {}
void Face::drawPatches(std::int32_t, TextureManager&, bool) const {}
JPEGTexture::JPEGTexture(const std::string&, const char (&)[64]) {}
GLuint createSkyTexture(const Texture&) {
    return 0;
}
GLuint loadSkyTexture(const std::string&) {
    return 0;
}
void Skybox::draw(GLuint) const {}
