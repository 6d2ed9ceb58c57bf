// LevelSky: the level's own sky around the eye in the material view: the sky material's far box
// (six images NAME_rt, _bk, _lf, _ft, _up, _dn) and its cloud stages over it; without them the
// default sky image, and without that a plain grey-blue, never white.
#pragma once

#include <epoxy/gl.h>

#include <array>
#include <vector>

#include "render/LevelMaterials.h"

class ImageLibrary;
struct Material;

class LevelSky {
public:
    // Needs a GL context: uploads the far box. sky may be null.
    LevelSky(const Material* sky, const LevelMaterial* skyPasses, ImageLibrary& images);

    // Draws the sky with the camera's rotation only at the clock's seconds, behind everything
    // drawn so far: only where the depth buffer is still clear. Leaves the depth test and depth
    // writes on, blending, culling and the alpha test off, unit 0 active. defaultSky is the
    // default sky texture (0, or a name without an image, when there is none).
    void draw(double seconds, GLuint defaultSky) const;

private:
    // Without its top and the upper part of its sides when the clouds cover them.
    void drawBox(const std::array<GLuint, 6>& sides) const;
    void drawClouds(double seconds) const;
    // A cloud layer folded over the pass below it, on the overlay unit of slot.
    static void bindOverlay(std::size_t slot, const PassOverlay& overlay, double seconds);

    // rt, bk, lf, ft, up, dn; 0 where an image is missing.
    std::array<GLuint, 6> farBox{};
    int farBoxSides = 0;
    // Whether the default sky texture last asked about holds an image; found out once.
    mutable GLuint checkedDefault = 0;
    mutable bool defaultHasImage = false;
    const LevelMaterial* clouds = nullptr;
    // The first cloud layer drawn is opaque: nothing of the box above the horizon shows.
    bool cloudsHideUpperBox = false;
    float cloudHeight = 128.0f;
};
