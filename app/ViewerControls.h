// ViewerControls: the view options and what the mouse and the screenshot key keep from one GLUT
// callback to the next.
#pragma once

#include <functional>

#include "app/MouseLook.h"
#include "app/ViewOptions.h"

struct ViewerControls {
    explicit ViewerControls(const ViewOptions& startOptions) : options(startOptions) {}

    ViewOptions options;
    // The left-button drag in progress.
    MouseLook mouseLook;
    // `p` asks for a screenshot; display() takes it once the next frame is drawn, before the
    // buffers are swapped, so the file holds exactly the frame the user sees next.
    bool screenShotPending = false;
    // What the session does before each frame of the loop (look at the level file) and for the
    // keys only it can serve (r, n, b: true when it took the key); empty without a session.
    std::function<void()> betweenFrames;
    std::function<bool(unsigned char)> sessionKey;
};
