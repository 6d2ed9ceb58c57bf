// Patch drawing in a real GL context: what a patch and a patch face look like against the plain
// tessellation, its winding, and one strip per tessellation row.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "GlPixels.h"
#include "GlTestState.h"
#include "level/Face.h"
#include "support/ReferenceTessellation.h"
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

// A 5 x 3 control grid over [0.2, 1.8] x [0.3, 1.7] whose middle controls bow the outline, so
// that every tessellation level gives the patches a different silhouette. Columns 0..2 and 2..4
// are the face's two patches.
std::vector<Vertex> curvedGrid() {
    std::vector<Vertex> grid(15);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 5; ++column) {
            Vertex& v = grid[5 * row + column];
            v.position[0] = 0.2f + 0.4f * static_cast<float>(column);
            v.position[1] = 0.3f + 0.7f * static_cast<float>(row);
            v.normal[2] = 1.0f;
        }
    }
    grid[1].position[1] = -0.1f;  // bottom edge of the first patch sags
    grid[13].position[1] = 2.1f;  // top edge of the second patch bulges
    grid[5].position[0] = -0.2f;  // left edge bows out
    grid[9].position[0] = 2.2f;   // right edge bows out
    grid[7].position[0] = 1.2f;   // the shared column bends
    return grid;
}

// The controls of the patch whose left column is firstColumn.
void patchControls(const std::vector<Vertex>& grid, int firstColumn, Vertex (&controls)[9]) {
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            controls[3 * row + column] = grid[5 * row + firstColumn + column];
        }
    }
}

// The plain tessellation at level drawn as two triangles a grid cell.
void drawReferencePatch(const Vertex (&controls)[9], int level) {
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < level; ++i) {
        for (int j = 0; j < level; ++j) {
            const Vertex corners[4] = {referencePatchVertex(controls, level, i, j),
                                       referencePatchVertex(controls, level, i + 1, j),
                                       referencePatchVertex(controls, level, i + 1, j + 1),
                                       referencePatchVertex(controls, level, i, j + 1)};
            for (int k : {0, 1, 2, 0, 2, 3}) {
                glVertex3fv(corners[k].position);
            }
        }
    }
    glEnd();
}

// Pixels whose red channel differs between two window snapshots.
int differingPixels(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    int count = 0;
    for (std::size_t p = 0; p < a.size(); p += 4) {
        count += a[p] != b[p] ? 1 : 0;
    }
    return count;
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
        restoreDrawingDefaults();
    }

    // The window as draw leaves it, drawn on a cleared window.
    template <typename Draw>
    static std::vector<unsigned char> pictureOf(Draw draw) {
        glClear(GL_COLOR_BUFFER_BIT);
        draw();
        return readWindowPixels();
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

TEST_F(PatchDrawTest, patchShowsWithBackFacesCulledAfterClockwiseFaces) {
    BezierPatch patch = flatPatch();
    patch.tessellate(4);
    // Back faces culled and the polygon winding left clockwise: the patch shows only because
    // it sets its own winding before drawing.
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CW);
    patch.draw(0, textureManager, false);
    glFinish();
    EXPECT_EQ(redAt(kGlTestWindowWidth / 2, kGlTestWindowHeight / 2), 255);
    EXPECT_EQ(redAt(kGlTestWindowWidth / 2 + 100, kGlTestWindowHeight / 2 - 80), 255);
    EXPECT_EQ(redAt(20, 20), 0);
    EXPECT_EQ(redAt(kGlTestWindowWidth - 20, kGlTestWindowHeight - 20), 0);
}

// The strips read the patch's own vertex array with the vertex stride: at every level the
// picture is the plain tessellation's, pixel for pixel, and a level apart it is not.
TEST_F(PatchDrawTest, patchLooksLikeThePlainTessellationAtItsLevel) {
    const std::vector<Vertex> grid = curvedGrid();
    Vertex controls[9];
    patchControls(grid, 0, controls);
    BezierPatch patch(controls);
    for (int level : {2, 3, 7, kTopPatchLevel}) {
        patch.tessellate(level);
        const auto drawn = pictureOf([&] { patch.draw(0, textureManager, true); });
        const auto reference = pictureOf([&] { drawReferencePatch(controls, level); });
        EXPECT_EQ(differingPixels(drawn, reference), 0) << "level " << level;
    }
    patch.tessellate(2);
    const auto atTwo = pictureOf([&] { patch.draw(0, textureManager, false); });
    EXPECT_GT(differingPixels(atTwo, pictureOf([&] { drawReferencePatch(controls, 3); })), 100);
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

// A 5 x 3 grid is two patches sharing a column: the face shows both at the level it was given.
TEST_F(PatchDrawTest, faceShowsEveryPatchAtItsLevel) {
    const std::vector<Vertex> grid = curvedGrid();
    Face face;
    face.type = kPatchFace;
    face.patchSize[0] = 5;
    face.patchSize[1] = 3;
    face.buildPatches(grid);
    ASSERT_EQ(face.patches.size(), 2u);
    Vertex left[9];
    Vertex right[9];
    patchControls(grid, 0, left);
    patchControls(grid, 2, right);
    for (int level : {5, kInitialPatchLevel}) {
        face.tessellatePatches(level);
        const auto drawn = pictureOf([&] { face.drawPatches(0, textureManager, false); });
        const auto reference = pictureOf([&] {
            drawReferencePatch(left, level);
            drawReferencePatch(right, level);
        });
        EXPECT_EQ(differingPixels(drawn, reference), 0) << "level " << level;
        // Each patch alone leaves part of the face uncovered.
        EXPECT_GT(differingPixels(drawn, pictureOf([&] { drawReferencePatch(left, level); })),
                  1000);
        EXPECT_GT(differingPixels(drawn, pictureOf([&] { drawReferencePatch(right, level); })),
                  1000);
    }
}
