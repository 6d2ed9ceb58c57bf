// LeakCheck: in an AddressSanitizer build, moves LeakSanitizer's exit-time check ahead of the
// unloading of shared libraries; elsewhere it does nothing.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define VELMORA_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMORA_LEAK_CHECKED 1
#endif
#endif

#ifdef VELMORA_LEAK_CHECKED
#include <sanitizer/lsan_interface.h>

#include <cstdlib>
#endif

// Call once the window exists. The GL driver that GLX loads at run time is unloaded by the exit
// handlers GLUT registers, before the usual check runs; the driver's blocks then look leaked and
// are reported without a stack. A handler registered after GLUT's runs before them, while the
// driver's blocks are still reachable, so only real leaks are reported.
inline void checkLeaksBeforeLibrariesUnload() {
#ifdef VELMORA_LEAK_CHECKED
    std::atexit([] { __lsan_do_leak_check(); });
#endif
}
