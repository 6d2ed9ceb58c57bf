// The frame-cost line, the wireframe and the overdraw view of a level.
#include "render/FrameCostViews.h"

#include <epoxy/gl.h>
#include <GL/freeglut.h>

#include <array>
#include <ostream>

#include "app/OnScreenDisplay.h"
#include "app/ViewOptions.h"
#include "level/BSPMap.h"
#include "level/Face.h"
#include "level/Records.h"
#include "render/BrushEntities.h"
#include "render/FaceStyle.h"
#include "render/HeatRamp.h"
#include "render/TextureUnits.h"

namespace {

// Counts from 1 to kTopCount take their own step of the ramp; more take the top.
constexpr int kTopCount = 8;
// Lines of the overlay stack upwards from the first one, one line of its 24-pixel font apart.
constexpr float kLineStep = 30.0f;
// Pulls the lines a little toward the eye, so the faces' own depth does not hide their edges.
constexpr float kLineOffsetFactor = -1.0f;
constexpr float kLineOffsetUnits = -2.0f;
// The legend's swatches around the baseline of its 24-pixel text.
constexpr float kSwatchWidth = 36.0f;
constexpr float kSwatchBelow = 6.0f;
constexpr float kSwatchAbove = 20.0f;
constexpr float kSwatchPadding = 6.0f;

struct WireColour {
    float red, green, blue;
};
constexpr WireColour kPolygonWire = {0.1f, 0.9f, 0.1f};
constexpr WireColour kMeshWire = {0.0f, 0.7f, 1.0f};
constexpr WireColour kPatchWire = {1.0f, 0.2f, 1.0f};
constexpr WireColour kBrushWire = {1.0f, 0.55f, 0.0f};

// Every unit a view draws with off, unit 0 left active.
void disableTexturing() {
    for (std::size_t slot = overlayUnitCount(); slot-- > 0;) {
        glActiveTextureARB(kOverlayUnits[slot]);
        glDisable(GL_TEXTURE_2D);
    }
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glDisable(GL_TEXTURE_2D);
}

// Lines in one colour per face type, untextured and unlit, over what the frame drew.
class WireFaceStyle : public FaceStyle {
public:
    WireFaceStyle(const std::vector<std::int32_t>& textureFlags, bool undrawnLeftOut, bool brush)
        : flags(textureFlags), leaveOutUndrawn(undrawnLeftOut), brushFaces(brush) {}

    void begin() override {
        glPushAttrib(GL_ENABLE_BIT | GL_POLYGON_BIT | GL_DEPTH_BUFFER_BIT | GL_CURRENT_BIT |
                     GL_COLOR_BUFFER_BIT);
        glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
        disableTexturing();
        glDisableClientState(GL_COLOR_ARRAY);
        glDisable(GL_LIGHTING);
        glDisable(GL_FOG);
        glDisable(GL_BLEND);
        glDisable(GL_ALPHA_TEST);
        glDisable(GL_STENCIL_TEST);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glDepthMask(GL_FALSE);
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        glEnable(GL_POLYGON_OFFSET_LINE);
        glPolygonOffset(kLineOffsetFactor, kLineOffsetUnits);
    }
    bool beginFace(const Face& face, std::uint32_t) override {
        const std::size_t texture = static_cast<std::size_t>(face.texture);
        if (leaveOutUndrawn && texture < flags.size() && isUndrawnSurface(flags[texture])) {
            return false;
        }
        const WireColour colour = brushFaces                ? kBrushWire
                                  : face.type == kPatchFace ? kPatchWire
                                  : face.type == kMeshFace  ? kMeshWire
                                                            : kPolygonWire;
        glColor3f(colour.red, colour.green, colour.blue);
        return true;
    }
    void end() override {
        glPopClientAttrib();
        glPopAttrib();
    }
    // Faces of one type and texture record are drawn alike.
    std::uint64_t runKey(const Face& face) const override {
        return std::uint64_t(static_cast<std::uint32_t>(face.texture)) << 8 |
               static_cast<std::uint8_t>(face.type);
    }

private:
    const std::vector<std::int32_t>& flags;
    bool leaveOutUndrawn;
    bool brushFaces;
};

}  // namespace

FrameCostViews::~FrameCostViews() {
    if (queryState == 1) {
        glDeleteQueries(2, queries);
    }
}

bool FrameCostViews::queriesAvailable() {
    if (queryState < 0) {
        queryState =
            epoxy_gl_version() >= 15 || epoxy_has_gl_extension("GL_ARB_occlusion_query") ? 1 : 0;
        if (queryState == 1) {
            glGenQueries(2, queries);
        }
    }
    return queryState == 1;
}

void FrameCostViews::beginFaces(const ViewOptions& options, std::ostream& log) {
    queryBegun = false;
    if (options.showStats && queriesAvailable()) {
        // A caller that counts the whole frame in a query of its own (the benchmark) keeps it:
        // queries of one kind do not nest.
        GLint active = 0;
        glGetQueryiv(GL_SAMPLES_PASSED, GL_CURRENT_QUERY, &active);
        if (active == 0) {
            glBeginQuery(GL_SAMPLES_PASSED, queries[current]);
            queryBegun = true;
        }
    }
    if (!options.overdraw) {
        return;
    }
    if (stencilBits < 0) {
        glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
        if (stencilBits == 0) {
            log << "overdraw view: the window has no stencil buffer; the picture is shown as drawn"
                << std::endl;
        }
    }
    if (stencilBits > 0) {
        glClearStencil(0);
        glClear(GL_STENCIL_BUFFER_BIT);
        glEnable(GL_STENCIL_TEST);
        glStencilFunc(GL_ALWAYS, 0, ~0u);
        // Every fragment that passes the depth test counts, as the query counts them.
        glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
    }
}

void FrameCostViews::endFaces(const ViewOptions& options, int windowPixels) {
    if (options.overdraw && stencilBits > 0) {
        glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
        glDisable(GL_STENCIL_TEST);
    }
    if (!queryBegun) {
        return;
    }
    queryBegun = false;
    glEndQuery(GL_SAMPLES_PASSED);
    pending[current] = true;
    pixelsOfQuery[current] = windowPixels;
    current = 1 - current;
    readQuery(current, false);
}

void FrameCostViews::readQuery(unsigned index, bool wait) {
    if (!pending[index]) {
        return;
    }
    GLuint ready = GL_TRUE;
    if (!wait) {
        glGetQueryObjectuiv(queries[index], GL_QUERY_RESULT_AVAILABLE, &ready);
    }
    if (ready == GL_FALSE) {
        return;
    }
    GLuint samples = 0;
    glGetQueryObjectuiv(queries[index], GL_QUERY_RESULT, &samples);
    pending[index] = false;
    if (pixelsOfQuery[index] > 0) {
        cost.fragmentsPerPixel = double(samples) / pixelsOfQuery[index];
    }
}

void FrameCostViews::waitForFragments() {
    if (queryState == 1) {
        readQuery(1 - current, true);
    }
}

void FrameCostViews::showOverdraw(const ViewOptions& options) const {
    if (!options.overdraw || stencilBits <= 0) {
        return;
    }
    glPushAttrib(GL_ENABLE_BIT | GL_STENCIL_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_CURRENT_BIT |
                 GL_TRANSFORM_BIT | GL_COLOR_BUFFER_BIT);
    disableTexturing();
    for (const GLenum off :
         {GL_DEPTH_TEST, GL_LIGHTING, GL_FOG, GL_BLEND, GL_ALPHA_TEST, GL_CULL_FACE}) {
        glDisable(off);
    }
    glDepthMask(GL_FALSE);
    glEnable(GL_STENCIL_TEST);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    for (int count = 0; count <= kTopCount; ++count) {
        // The top step takes every count from kTopCount up: the reference is at most the value.
        glStencilFunc(count == kTopCount ? GL_LEQUAL : GL_EQUAL, count, ~0u);
        const std::array<float, 3> colour =
            count == 0 ? std::array<float, 3>{0.0f, 0.0f, 0.0f}
                       : heatColour(float(count - 1) / float(kTopCount - 1));
        glColor3f(colour[0], colour[1], colour[2]);
        glRectf(-1.0f, -1.0f, 1.0f, 1.0f);
    }
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
}

void FrameCostViews::drawWireframe(const BSPMap& level, std::span<const std::uint32_t> worldFaces,
                                   const BrushEntities* brushes, const ViewOptions& options,
                                   std::vector<std::uint32_t>& runCorners) const {
    if (!options.wireframe) {
        return;
    }
    // The lit and material views leave sky and no-draw faces out, so their edges are not drawn.
    WireFaceStyle world(level.getTextureFlags(), options.litView, false);
    // Client arrays: the wireframe is a look at the geometry, not a view whose speed counts.
    drawFaces(level, worldFaces, world, nullptr, runCorners);
    if (brushes != nullptr) {
        WireFaceStyle brush(level.getTextureFlags(), options.litView, true);
        brushes->draw(level, brush, nullptr, options.clockSeconds, BrushEntities::Part::all,
                      runCorners);
    }
}

void FrameCostViews::drawLines(const BSPMap& level, std::span<const std::uint32_t> worldFaces,
                               const BrushEntities* brushes, const ViewOptions& options,
                               double milliseconds, const OnScreenDisplay& display) {
    float y = OnScreenDisplay::kOverlayY;
    if (options.showStats) {
        const std::optional<double> fragments = cost.fragmentsPerPixel;
        cost = counter.count(level, worldFaces, brushes, options.litView);
        cost.draws = level.getLastDrawCount();
        cost.fragmentsPerPixel = queryState == 1 ? fragments : std::nullopt;
        cost.milliseconds = milliseconds;
        y += kLineStep;
        display.drawText(OnScreenDisplay::kOverlayX, y, frameCostLine(cost).c_str());
    }
    if (options.overdraw) {
        drawLegend(display, y + kLineStep);
    }
}

void FrameCostViews::drawLegend(const OnScreenDisplay& display, float y) const {
    static constexpr char kTitle[] = "fragments per pixel ";
    static constexpr const char* kCounts[kTopCount] = {"1", "2", "3", "4", "5", "6", "7", "8+"};
    glColor3f(1.0f, 1.0f, 1.0f);
    display.drawText(OnScreenDisplay::kOverlayX, y, kTitle);
    const float left =
        OnScreenDisplay::kOverlayX +
        float(glutBitmapLength(display.getFont(), reinterpret_cast<const unsigned char*>(kTitle)));
    // Swatches in window pixels, each with its count written over it: the text alone in the
    // ramp's colour would vanish on a picture of that colour.
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_TRANSFORM_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, display.getWidth(), 0.0, display.getHeight(), -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    for (int count = 1; count <= kTopCount; ++count) {
        const std::array<float, 3> colour = heatColour(float(count - 1) / float(kTopCount - 1));
        const float x = left + float(count - 1) * kSwatchWidth;
        glColor3f(colour[0], colour[1], colour[2]);
        glRectf(x, y - kSwatchBelow, x + kSwatchWidth, y + kSwatchAbove);
    }
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
    for (int count = 1; count <= kTopCount; ++count) {
        // Dark text on the light swatches, light on the dark ones.
        const std::array<float, 3> colour = heatColour(float(count - 1) / float(kTopCount - 1));
        const float shade = colour[1] > 0.5f ? 0.0f : 1.0f;
        glColor3f(shade, shade, shade);
        display.drawText(left + float(count - 1) * kSwatchWidth + kSwatchPadding, y,
                         kCounts[count - 1]);
    }
    glColor3f(1.0f, 1.0f, 1.0f);
}
