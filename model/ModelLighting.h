// ModelLighting: a model's vertex colours from one light sample, ambient plus the directed light
// by each normal's turn toward it, brightened as the lightmaps are. No GL.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "level/LightGrid.h"

// colours: four bytes a vertex (alpha 255) for normals (three floats a vertex, model axes).
// turnRadians: how far the model is turned about the vertical axis, so the light is turned back
// into the model's axes instead of turning every normal.
void lightModelVertices(std::span<const float> normals, const LightSample& light, float turnRadians,
                        std::span<std::uint8_t> colours);

// One vertex's colour before brightening: ambient + directed * max(0, normal . direction).
std::array<float, 3> unbrightenedLight(const LightSample& light,
                                       const std::array<float, 3>& normal);
