// VertexDeforms: a material's deformVertexes applied to a copy of a face's vertices at a moment
// of the animation clock; plain arithmetic, no GL.
#pragma once

#include <span>

#include "level/Vertex.h"
#include "material/Material.h"

// The material (null: none) has a deform that changes what the material view draws from a copy:
// wave, bulge or move; normal only when some stage maps the environment from the normals, the
// one use the view makes of them. The sprite deforms are a source of their own.
bool deformsVertices(const Material* material);

// Applies the material's deforms, in the order written, to vertices at seconds on the clock.
// Positions and normals are in viewer axes. A vertex whose result would not be finite keeps what
// it had.
void deformVertices(const Material& material, double seconds, std::span<Vertex> vertices);
