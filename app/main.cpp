// Entry point of the viewer.
#include "app/Viewer.h"

int main(int argc, char** argv) {
    (void)argc;
    (void)argv;
    return 0;
}
