// The size of the one window every GL test draws into.
#pragma once

inline constexpr int kGlTestWindowWidth = 640;
inline constexpr int kGlTestWindowHeight = 480;
