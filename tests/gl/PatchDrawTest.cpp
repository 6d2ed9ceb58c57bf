// Patch drawing in a real GL context: winding, arrays pointed at the patch's own vertices, one
// strip per tessellation row, and no client state switched.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "GlTestWindow.h"
#include "level/Face.h"
#include "patch/BezierPatch.h"
#include "texture/TextureManager.h"

namespace {

// A flat patch facing +z over [0.5, 1.5] x [0.5, 1.5]: u runs along x, v along y.
BezierPatch flatPatch() {
    Vertex controls[9];
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            Vertex& v = controls[3 * r + c];
            v.position[0] = 0.5f + 0.5f * c;
            v.position[1] = 0.5f + 0.5f * r;
            v.normal[2] = 1.0f;
        }
    }
    return BezierPatch(controls);
}

class PatchDrawTest : public testing::Test {
protected:
    void SetUp() override {
        glViewport(0, 0, kGlTestWindowWidth, kGlTestWindowHeight);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0.0, 2.0, 0.0, 2.0, -1.0, 1.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_DEPTH_TEST);
        glColor3f(1.0f, 1.0f, 1.0f);
        // The face drawing enables these two for every frame and leaves texcoords off.
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    void TearDown() override {
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisable(GL_CULL_FACE);
        glFrontFace(GL_CCW);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
    }

    static GLubyte redAt(int x, int y) {
        GLubyte rgba[4] = {};
        glReadBuffer(GL_BACK);
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return rgba[0];
    }

    // Triangles GL assembled while running draw; needs primitive queries (GL 3.0).
    template <typename Draw>
    static GLuint trianglesDrawnBy(Draw draw) {
        GLuint query = 0;
        glGenQueries(1, &query);
        glBeginQuery(GL_PRIMITIVES_GENERATED, query);
        draw();
        glEndQuery(GL_PRIMITIVES_GENERATED);
        GLuint count = 0;
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &count);
        glDeleteQueries(1, &query);
        return count;
    }

    static bool hasPrimitiveQueries() { return epoxy_gl_version() >= 30; }

    TextureManager textureManager;
};

}  // namespace

TEST_F(PatchDrawTest, patchIsWoundCounterClockwiseAndSetsThatWinding) {
    BezierPatch patch = flatPatch();
    patch.tessellate(4);
    // Back faces culled and the polygon winding left clockwise: the patch shows only because
    // it sets its own winding before drawing.
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CW);
    patch.draw(0, textureManager, false);
    glFinish();
    GLint frontFace = 0;
    glGetIntegerv(GL_FRONT_FACE, &frontFace);
    EXPECT_EQ(frontFace, GL_CCW);
    EXPECT_EQ(redAt(kGlTestWindowWidth / 2, kGlTestWindowHeight / 2), 255);
    EXPECT_EQ(redAt(kGlTestWindowWidth / 2 + 100, kGlTestWindowHeight / 2 - 80), 255);
    EXPECT_EQ(redAt(20, 20), 0);
    EXPECT_EQ(redAt(kGlTestWindowWidth - 20, kGlTestWindowHeight - 20), 0);
}

TEST_F(PatchDrawTest, arraysPointAtPatchVerticesAndClientStateStays) {
    BezierPatch patch = flatPatch();
    patch.tessellate(3);
    patch.draw(0, textureManager, true);
    GLvoid* pointer = nullptr;
    glGetPointerv(GL_VERTEX_ARRAY_POINTER, &pointer);
    EXPECT_EQ(pointer, patch.getVertices()[0].position);
    glGetPointerv(GL_NORMAL_ARRAY_POINTER, &pointer);
    EXPECT_EQ(pointer, patch.getVertices()[0].normal);
    GLint stride = 0;
    glGetIntegerv(GL_VERTEX_ARRAY_STRIDE, &stride);
    EXPECT_EQ(stride, kVertexStrideBytes);
    glGetIntegerv(GL_NORMAL_ARRAY_STRIDE, &stride);
    EXPECT_EQ(stride, kVertexStrideBytes);
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(PatchDrawTest, drawsOneStripPerRowAtTheCurrentLevel) {
    if (!hasPrimitiveQueries()) {
        GTEST_SKIP() << "no primitive queries in this GL";
    }
    BezierPatch patch = flatPatch();
    // L strips of 2(L+1) indices make 2L triangles each.
    patch.tessellate(20);
    EXPECT_EQ(trianglesDrawnBy([&] { patch.draw(0, textureManager, false); }), 800u);
    patch.tessellate(2);
    EXPECT_EQ(trianglesDrawnBy([&] { patch.draw(0, textureManager, false); }), 8u);
}

TEST_F(PatchDrawTest, faceDrawsEveryPatchAtItsLevel) {
    if (!hasPrimitiveQueries()) {
        GTEST_SKIP() << "no primitive queries in this GL";
    }
    std::vector<Vertex> vertices(15);
    for (int k = 0; k < 15; ++k) {
        vertices[k].position[0] = 0.2f * static_cast<float>(k % 5);
        vertices[k].position[1] = 0.4f * static_cast<float>(k / 5);
    }
    Face face;
    face.type = kPatchFace;
    face.patchSize[0] = 5;
    face.patchSize[1] = 3;
    face.buildPatches(vertices);
    ASSERT_EQ(face.patches.size(), 2u);
    EXPECT_EQ(trianglesDrawnBy([&] { face.drawPatches(0, textureManager, false); }), 2u * 10 * 20);
    face.tessellatePatches(5);
    EXPECT_EQ(trianglesDrawnBy([&] { face.drawPatches(0, textureManager, false); }), 2u * 5 * 10);
}
