// The GLUT callbacks: frame timing, the overlay line, reshape and the key tables.
#pragma once

#include <iosfwd>

// Process-wide render options changed by the keys.
extern int patchLevel;
extern bool lightingEnabled;
extern bool texturesEnabled;

inline constexpr int kMinPatchLevel = 2;
inline constexpr int kMaxPatchLevel = 20;

void display();
void reshape(int width, int height);
void keyboard(unsigned char key, int x, int y);
void specialKeys(int key, int x, int y);

// One frame without timing and without the buffer swap: clear, start the overlay line, render the
// level (or only the overlay while there is none). The viewer's display() and the tools share it.
void drawFrame(float timeStep);
