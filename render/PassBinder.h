// PassBinder: the one place the GL state of a pass over material surfaces is set (blend, depth,
// alpha test, the images and texture matrices of units 0 to 3, sphere mapping, the colour array),
// for level faces and entity models alike; and the plain state every view's drawing starts from.
#pragma once

#include <epoxy/gl.h>

#include <array>

#include "render/LevelMaterials.h"
#include "material/Material.h"
#include "material/MaterialMotion.h"
#include "render/StageState.h"

// How a pass blends and tests depth and alpha.
struct PassBlend {
    bool blend = false;
    GLenum source = GL_ONE;
    GLenum destination = GL_ZERO;
    bool depthWrite = true;
    bool depthEqual = false;
    AlphaTest alphaTest = AlphaTest::none;
};

PassBlend blendOf(const MaterialPass& pass);
// As the stage's own script has it, before any fold.
PassBlend blendOf(const MaterialStage& stage);

// Which of a stage's colours come from the vertices (a level's lit colours, a model's light).
bool readsVertexColour(const MaterialStage& stage);
bool readsVertexAlpha(const MaterialStage& stage);

// Blending, the alpha test, units 1 to 3, texture generation and every array but the vertex and
// normal ones off, each unit modulating with the identity matrix, depth written and tested
// less-or-equal, the colour white, unit 0 active: where every view's drawing starts and where a
// frame leaves GL for the clear, the overlay line and the next frame. Unit 0's texture is not
// touched.
void setPlainState();

// Each setting is made only when it differs from what the binder last made: every change of
// state costs the renderer more than the small draw that follows it. Leaves unit 0 active.
class PassBinder {
public:
    // Nothing is known to be set: the next setting of each kind is made. For the start of a
    // drawing that other drawing came before.
    void forget() { known = Known(); }

    void setBlend(const PassBlend& blend);
    // Unit 0's image; 0 turns unit 0's texturing off.
    void setImage(GLuint image);
    // Unit 1 modulating by page, or off.
    void setPage(bool on, GLuint page);
    // Unit 0's coordinates: the vertices' own or, with environment, the view's reflection for
    // the eye last set; then moved by moving (loaded each time) or, for null, by nothing.
    void setMatrix(const TexCoordMatrix* moving, bool environment = false);
    // The eye environment coordinates are reflected for: the start of each drawing sets it.
    void setEye(const EyeFrame& eye) { environmentMatrix = environmentTexCoordMatrix(eye); }
    // The overlay unit of slot (below overlayUnitCount) combining image (0: keep the one bound)
    // with moving as its matrix, or off.
    void setOverlay(std::size_t slot, OverlayCombine combine, GLuint image,
                    const TexCoordMatrix* moving);
    // Colours from the colour array, else the current colour.
    void setColourArray(bool on);
    // On: the fog unit (which must exist) mixes the primary colour's RGB into what the units
    // below made, by the primary colour's alpha, with white bound so that it runs; and unit 0
    // replaces instead of modulating, so that the primary colour (the fog's colour and amount)
    // reaches the fog unit alone. Off: the fog unit off and unit 0 modulating.
    void setFog(bool on, GLuint white);

private:
    static constexpr GLuint kUnknown = ~GLuint{0};
    // -1 and kUnknown: not known.
    // An overlay unit's combine (0 for off), its image and whether its matrix is the identity.
    struct KnownOverlay {
        int combine = -1;
        GLuint image = kUnknown;
        int identityMatrix = -1;
    };
    struct Known {
        int blend = -1;
        GLenum source = kUnknown;
        GLenum destination = kUnknown;
        int depthWrite = -1;
        int depthEqual = -1;
        int alphaTest = -1;
        int unit0 = -1;
        GLuint image = kUnknown;
        int unit1 = -1;
        GLuint page = kUnknown;
        int identityMatrix = -1;
        int environmentMapping = -1;
        std::array<KnownOverlay, kMaxOverlays> overlays{};
        int colourArray = -1;
        int fog = -1;
    };
    Known known;
    std::array<GLfloat, 16> environmentMatrix = environmentTexCoordMatrix(EyeFrame());
};
