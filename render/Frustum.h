// Frustum: the six clipping planes of the current view, extracted from the GL matrices.
#pragma once

class Leaf;

class Frustum {
public:
    enum PlaneIndex { kRight = 0, kLeft, kBottom, kTop, kFar, kNear, kPlaneCount };

    Frustum() = default;
    virtual ~Frustum() = default;

    // Reads the current projection and modelview matrices (needs a current GL context).
    void update();
    // Builds the planes from column-major projection and modelview matrices.
    void updateFromMatrices(const float projection[16], const float modelview[16]);
    // 1 unless the leaf's box lies wholly on the outer side of one plane (a corner exactly on a
    // plane is outside); either corner may hold the smaller value on any axis.
    int leafInFrustum(const Leaf& leaf) const;

    const double* plane(int index) const { return planes[index]; }

private:
    // a, b, c, d with (a, b, c) of unit length; a x + b y + c z + d > 0 is inside.
    double planes[kPlaneCount][4] = {};
};
