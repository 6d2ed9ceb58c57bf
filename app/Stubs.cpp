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


// ---- validation
#include "level/LevelValidator.h"
void validateLevel(const BSPMap&, std::vector<std::string>&) {}
