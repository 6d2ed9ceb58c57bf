// A writer-made level with entities and a uniform light grid, and the model files it needs in a
// data folder: the pictures, the load report and the probe's lines are checked against it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "generators/AssetFiles.h"

// In file axes the camera at the origin looks along +y at a wall at y = 400 (lit view: grey 40).
// The rocket launcher (a one-triangle model facing the camera) stands at (-40, 200, 0), the
// railgun (a model whose frame count is 2 billion) at (40, 200, 0), a spawn at (0, 200, 30)
// pointing away from the camera, and the quad damage (no model files) at (0, 200, -30).
inline constexpr std::array<float, 3> kLauncherAt{-40, 200, 0};
inline constexpr std::array<float, 3> kRailgunAt{40, 200, 0};
inline constexpr std::array<float, 3> kSpawnAt{0, 200, 30};
inline constexpr std::array<float, 3> kQuadAt{0, 200, -30};
// Every light grid cell: ambient (20, 10, 5), directed (30, 20, 10) from the camera's side (-y).
inline constexpr std::array<std::uint8_t, 8> kGridCell{20, 10, 5, 30, 20, 10, 64, 192};
// The triangle facing the light: (20 + 30, 10 + 20, 5 + 10) brightened four times.
inline constexpr std::array<int, 3> kLitFacingColour{200, 120, 60};
// Turned away from it: the ambient alone, brightened.
inline constexpr std::array<int, 3> kLitAwayColour{80, 40, 20};
// Cells over the world box x -100..100, y 0..400, z -50..50: 3 x 7 x 1.
inline constexpr std::size_t kGridCells = 21;

// The pane of textures/test/glow that glowPane adds: x -40..0, z -20..20 at this y, between the
// camera and the launcher.
inline constexpr float kGlowPaneY = 100;

// gridCells light grid cells (0: no lump; fewer than kGridCells: a lump too short).
std::vector<std::uint8_t> entityLevelBytes(std::size_t gridCells = kGridCells,
                                           bool glowPane = false);
// The same level and grid with entityText in place of its entities.
std::vector<std::uint8_t> entityLevelBytesWithText(std::string entityText);
// The rocket launcher's model as a folder file and the broken railgun in bad.pk3.
void writeEntityModels(const ScratchFolder& data);
