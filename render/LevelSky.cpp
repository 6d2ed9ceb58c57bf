// LevelSky: the far box's cube, the cloud dome and the plain fallback colour.
#include "render/LevelSky.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "render/PassBinder.h"
#include "render/TextureUnits.h"
#include "texture/ImageLibrary.h"
#include "material/MaterialMotion.h"

namespace {

// The fallback when neither the level nor the data path has a sky image.
constexpr GLfloat kPlainSky[3] = {0.42f, 0.52f, 0.66f};
constexpr const char* kSideSuffixes[6] = {"_rt", "_bk", "_lf", "_ft", "_up", "_dn"};
// Half the box's side and the dome's radius: beyond the near plane (1.25) in every direction.
constexpr GLfloat kSkyDistance = 2.0f;
// The dome's resolution: rings from the horizon up, and segments around.
constexpr int kDomeRings = 8;
constexpr int kDomeSegments = 16;
// Cloud layers lie on a sphere this far above the world's floor, seen from its centre's axis.
constexpr float kCloudSphereRadius = 4096.0f;
constexpr float kCloudTexelScale = 1.0f / 1024.0f;
// Where the box stops when the clouds hide its upper part: a little above the dome's lower edge
// at the horizon, so that no pixel row falls between the two.
constexpr GLfloat kBoxTopUnderClouds = 0.25f;
constexpr int kUpSide = 4;

struct Corner {
    GLfloat s, t, x, y, z;
};

// Viewer axes (y up). Each side seen from inside with its image upright: s runs to the right,
// t from the top row down. The sides follow the file's axes: rt faces its +x, bk its +y, lf its
// -x, ft its -y, up and dn its +z and -z.
constexpr Corner kBoxSides[6][4] = {
    {{0, 0, 1, 1, -1}, {1, 0, 1, 1, 1}, {1, 1, 1, -1, 1}, {0, 1, 1, -1, -1}},      // rt: +x
    {{0, 0, -1, 1, -1}, {1, 0, 1, 1, -1}, {1, 1, 1, -1, -1}, {0, 1, -1, -1, -1}},  // bk: -z
    {{0, 0, -1, 1, 1}, {1, 0, -1, 1, -1}, {1, 1, -1, -1, -1}, {0, 1, -1, -1, 1}},  // lf: -x
    {{0, 0, 1, 1, 1}, {1, 0, -1, 1, 1}, {1, 1, -1, -1, 1}, {0, 1, 1, -1, 1}},      // ft: +z
    {{0, 0, -1, 1, 1}, {1, 0, 1, 1, 1}, {1, 1, 1, 1, -1}, {0, 1, -1, 1, -1}},      // up: +y
    {{0, 0, -1, -1, -1}, {1, 0, 1, -1, -1}, {1, 1, 1, -1, 1}, {0, 1, -1, -1, 1}},  // dn: -y
};

// The modelview matrix without its translation, so the sky stays centred on the eye.
void pushRotationOnly() {
    GLfloat matrix[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
    matrix[12] = matrix[13] = matrix[14] = 0.0f;
    glPushMatrix();
    glLoadMatrixf(matrix);
}

// Where the ray from the eye along (x, y, z), y up, meets the cloud sphere, as texture
// coordinates of the cloud layer.
std::array<GLfloat, 2> cloudCoordinates(float x, float y, float z, float height) {
    const float radius = kCloudSphereRadius + height;
    // The eye sits kCloudSphereRadius above the sphere's centre.
    const float b = y * kCloudSphereRadius;
    const float c = kCloudSphereRadius * kCloudSphereRadius - radius * radius;
    const float distance = -b + std::sqrt(b * b - c);
    return {x * distance * kCloudTexelScale, z * distance * kCloudTexelScale};
}

bool drawsCloud(const MaterialPass& pass) {
    return pass.stage != nullptr && !pass.unit0IsLightmap && pass.frameCount > 0;
}

}  // namespace

LevelSky::LevelSky(const Material* sky, const LevelMaterial* skyPasses, ImageLibrary& images) {
    if (sky != nullptr && sky->skyParms && !sky->skyParms->farBox.empty() &&
        sky->skyParms->farBox != "-") {
        for (int side = 0; side < 6; ++side) {
            const std::string file = images.findFile(sky->skyParms->farBox + kSideSuffixes[side]);
            const auto texture = file.empty() ? std::nullopt : images.texture(file, true);
            farBox[side] = texture ? texture->texture : 0;
            farBoxSides += texture ? 1 : 0;
        }
        cloudHeight = sky->skyParms->cloudHeight;
    }
    if (skyPasses != nullptr && skyPasses->material != nullptr && !skyPasses->passes.empty()) {
        clouds = skyPasses;
        const auto first = std::find_if(clouds->passes.begin(), clouds->passes.end(), drawsCloud);
        cloudsHideUpperBox = first != clouds->passes.end() && !first->blend;
    }
}

void LevelSky::draw(double seconds, GLuint defaultSky) const {
    if (defaultSky != checkedDefault) {
        GLint width = 0;
        glBindTexture(GL_TEXTURE_2D, defaultSky);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        checkedDefault = defaultSky;
        defaultHasImage = width > 0;
    }
    setPlainState();
    // At the far plane, so that it fills only what no face covers: less to fill than the whole
    // window, for every sky layer.
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthRange(1.0, 1.0);
    glDisable(GL_CULL_FACE);
    glDepthMask(GL_FALSE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    pushRotationOnly();

    if (farBoxSides > 0) {
        drawBox(farBox);
    } else if (clouds == nullptr) {
        std::array<GLuint, 6> defaultBox{};
        if (defaultHasImage) {
            defaultBox.fill(defaultSky);
        }
        drawBox(defaultBox);
    } else {
        drawBox({});
    }
    if (clouds != nullptr) {
        drawClouds(seconds);
    }

    glPopMatrix();
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glDepthRange(0.0, 1.0);
    glDepthMask(GL_TRUE);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void LevelSky::drawBox(const std::array<GLuint, 6>& sides) const {
    for (int side = 0; side < 6; ++side) {
        if (cloudsHideUpperBox && side == kUpSide) {
            continue;
        }
        if (sides[side] != 0) {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, sides[side]);
            glColor3f(1.0f, 1.0f, 1.0f);
        } else {
            glDisable(GL_TEXTURE_2D);
            glColor3fv(kPlainSky);
        }
        glBegin(GL_QUADS);
        for (const Corner& corner : kBoxSides[side]) {
            // On the four upright sides t runs from y = 1 at the top to y = -1 at the bottom.
            const bool cut = cloudsHideUpperBox && side < kUpSide && corner.y > 0.0f;
            const GLfloat y = cut ? kBoxTopUnderClouds : corner.y;
            glTexCoord2f(corner.s, cut ? (1.0f - kBoxTopUnderClouds) / 2.0f : corner.t);
            glVertex3f(kSkyDistance * corner.x, kSkyDistance * y, kSkyDistance * corner.z);
        }
        glEnd();
    }
}

void LevelSky::drawClouds(double seconds) const {
    glEnable(GL_TEXTURE_2D);
    for (const MaterialPass& pass : clouds->passes) {
        if (!drawsCloud(pass)) {
            continue;
        }
        if (pass.blend) {
            glEnable(GL_BLEND);
            glBlendFunc(pass.source, pass.destination);
        } else {
            glDisable(GL_BLEND);
        }
        glBindTexture(GL_TEXTURE_2D,
                      pass.frames[animationFrame(*pass.stage, seconds) % pass.frameCount]);
        // A layer that filters, doubles or adds to the one below rides on its overlay units.
        std::array<TexCoordMatrix, kMaxOverlays> overlayMatrices{};
        for (std::size_t slot = 0; slot < pass.overlayCount; ++slot) {
            bindOverlay(slot, pass.overlays[slot], seconds);
            overlayMatrices[slot] = wholeStageTexCoordMatrix(*pass.overlays[slot].stage, seconds);
        }
        const TexCoordMatrix matrix = wholeStageTexCoordMatrix(*pass.stage, seconds);
        const std::array<float, 4> colour = stageColour(*pass.stage, seconds);
        glColor4f(colour[0], colour[1], colour[2], colour[3]);
        for (int ring = 0; ring < kDomeRings; ++ring) {
            glBegin(GL_QUAD_STRIP);
            for (int segment = 0; segment <= kDomeSegments; ++segment) {
                for (int edge = 1; edge >= 0; --edge) {
                    const double elevation = (ring + edge) * (1.5707963 / kDomeRings);
                    const double around = segment * (6.2831853 / kDomeSegments);
                    const auto x = static_cast<float>(std::cos(elevation) * std::cos(around));
                    const auto y = static_cast<float>(std::sin(elevation));
                    const auto z = static_cast<float>(std::cos(elevation) * std::sin(around));
                    const auto [s, t] = cloudCoordinates(x, y, z, cloudHeight);
                    for (std::size_t slot = 0; slot < pass.overlayCount; ++slot) {
                        const auto over = overlayMatrices[slot].apply(s, t);
                        glMultiTexCoord2fARB(kOverlayUnits[slot], over[0], over[1]);
                    }
                    const auto moved = matrix.apply(s, t);
                    glTexCoord2f(moved[0], moved[1]);
                    glVertex3f(kSkyDistance * x, kSkyDistance * y, kSkyDistance * z);
                }
            }
            glEnd();
        }
        for (std::size_t slot = 0; slot < pass.overlayCount; ++slot) {
            glActiveTextureARB(kOverlayUnits[slot]);
            glDisable(GL_TEXTURE_2D);
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        }
        glActiveTextureARB(GL_TEXTURE0_ARB);
    }
}

void LevelSky::bindOverlay(std::size_t slot, const PassOverlay& overlay, double seconds) {
    glActiveTextureARB(kOverlayUnits[slot]);
    // A stage with no frame passes on what the units below made.
    overlay.frameCount > 0 ? glEnable(GL_TEXTURE_2D) : glDisable(GL_TEXTURE_2D);
    setOverlayCombine(overlay.combine);
    if (overlay.frameCount > 0) {
        glBindTexture(GL_TEXTURE_2D,
                      overlay.frames[animationFrame(*overlay.stage, seconds) % overlay.frameCount]);
    }
    // The layer's coordinates are moved here, per vertex.
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glActiveTextureARB(GL_TEXTURE0_ARB);
}
