// Skybox: a textured cube drawn around the eye before the level, following rotation only.
#pragma once

class Skybox {
public:
    Skybox() = default;
    virtual ~Skybox() = default;

    // Needs the camera's view transform in the modelview matrix. Leaves unit 0 active and
    // textured with skyTexture, depth test, depth writes, blending, alpha test and culling on.
    void draw(unsigned int skyTexture) const;  // a GL texture name
};
