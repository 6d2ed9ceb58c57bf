// Finding the window of a viewer started as a process, for tests that send it real X input.
#pragma once

#include <chrono>
#include <string>

#include "ChildProcess.h"

// The first mapped X window titled "Velmora" that belongs to the viewer's process, or "" once limit
// has passed or the process has ended. GLUT maps the window as it creates it, before the level
// loads; a key pressed then waits in the window's queue until the main loop reads it, but only
// once the window holds the focus.
std::string findViewerWindow(ChildProcess& viewer, std::chrono::milliseconds limit);
