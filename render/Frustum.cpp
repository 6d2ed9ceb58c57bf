// Frustum: plane extraction from projection x modelview in double precision, and the conservative
// box test.
#include "render/Frustum.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>

#include "level/Records.h"

namespace {

// Row r of the column-major matrix c, as four coefficients a, b, c, d.
void matrixRow(const double c[16], int r, double row[4]) {
    for (int column = 0; column < 4; ++column) {
        row[column] = c[4 * column + r];
    }
}

}  // namespace

void Frustum::update() {
    float projection[16];
    float modelview[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    updateFromMatrices(projection, modelview);
}

void Frustum::updateFromMatrices(const float projection[16], const float modelview[16]) {
    const float* p = projection;
    const float* m = modelview;
    // clip = P x M, column-major like its factors.
    double clip[16];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            clip[4 * i + j] = double(m[4 * i]) * p[j] + double(m[4 * i + 1]) * p[4 + j] +
                              double(m[4 * i + 2]) * p[8 + j] + double(m[4 * i + 3]) * p[12 + j];
        }
    }
    double rowX[4];
    double rowY[4];
    double rowZ[4];
    double rowW[4];
    matrixRow(clip, 0, rowX);
    matrixRow(clip, 1, rowY);
    matrixRow(clip, 2, rowZ);
    matrixRow(clip, 3, rowW);
    // Each plane is the w row plus or minus one other row: w - x >= 0 is the right plane, etc.
    const double* const other[kPlaneCount] = {rowX, rowX, rowY, rowY, rowZ, rowZ};
    const double sign[kPlaneCount] = {-1.0, 1.0, 1.0, -1.0, -1.0, 1.0};
    for (int index = 0; index < kPlaneCount; ++index) {
        double* plane = planes[index];
        for (int k = 0; k < 4; ++k) {
            // Multiplying by +-1 is exact, so this is the plain sum or difference.
            plane[k] = rowW[k] + sign[index] * other[index][k];
        }
        const double t = std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
        for (int k = 0; k < 4; ++k) {
            plane[k] /= t;
        }
    }
}

int Frustum::leafInFrustum(const Leaf& leaf) const {
    // The corners read as the plain eight-corner test reads them (integer to float, then double),
    // so both give the same verdict bit for bit; FrustumBoxTest holds them together.
    double low[3];
    double high[3];
    for (int axis = 0; axis < 3; ++axis) {
        const double first = static_cast<float>(leaf.mins[axis]);
        const double second = static_cast<float>(leaf.maxs[axis]);
        low[axis] = std::min(first, second);
        high[axis] = std::max(first, second);
    }
    for (const double* plane : planes) {
        // Only the corner farthest along the plane's normal needs testing: some corner lies
        // strictly inside exactly when that one does. Rounding to nearest never reverses an
        // order, so its computed value is not below any other corner's; and where it is not a
        // number (an infinite coefficient), no corner's value is above 0 either.
        const double x = plane[0] >= 0.0 ? high[0] : low[0];
        const double y = plane[1] >= 0.0 ? high[1] : low[1];
        const double z = plane[2] >= 0.0 ? high[2] : low[2];
        // A NaN fails the comparison and so counts as outside.
        if (!((plane[1] * y + plane[0] * x) + plane[2] * z + plane[3] > 0.0)) {
            return 0;
        }
    }
    return 1;
}
