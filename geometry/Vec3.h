// Vec3: a single-precision direction or displacement that keeps its own Euclidean length.
#pragma once

class Vec3 {
public:
    Vec3() : Vec3(0.0f, 0.0f, 0.0f) {}
    Vec3(float xValue, float yValue, float zValue);
    virtual ~Vec3() = default;
    Vec3(const Vec3&) = default;
    Vec3& operator=(const Vec3&) = default;

    float getX() const { return x; }
    float getY() const { return y; }
    float getZ() const { return z; }
    float getLength() const { return length; }

    void setX(float value);
    void setY(float value);
    void setZ(float value);

    Vec3 scaled(double factor) const;
    Vec3 cross(const Vec3& other) const;

private:
    void updateLength();

    float x;
    float y;
    float z;
    // Kept equal to the Euclidean norm of (x, y, z) by every constructor and setter.
    float length;
};
