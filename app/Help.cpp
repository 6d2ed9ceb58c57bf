// The usage line and the help text of the viewer.
#include "app/Help.h"

#include <ostream>
#include <string_view>

#include "app/Config.h"
#include "geometry/Camera.h"

namespace {

const char* programName(int argc, char** argv) {
    return (argc > 0 && argv[0] != nullptr) ? argv[0] : "velmora";
}

}  // namespace

bool asksForHelp(int argc, char** argv) {
    if (argc != 2 || argv[1] == nullptr) {
        return false;
    }
    const std::string_view argument = argv[1];
    return argument == "-h" || argument == "--help";
}

void printUsage(std::ostream& out, int argc, char** argv) {
    out << "usage: " << programName(argc, argv) << " <configuration file>" << std::endl;
}

void printLevelUsage(std::ostream& out, int argc, char** argv) {
    out << "usage: " << programName(argc, argv)
        << " LEVEL.bsp | NAME [--data DIR]... [--at X,Y,Z[,YAW[,PITCH]]]" << std::endl;
}

void printHelp(std::ostream& out, int argc, char** argv) {
    printUsage(out, argc, argv);
    const char* program = programName(argc, argv);
    out << "       " << program
        << " LEVEL.bsp | NAME | --list [--data DIR]...  a level by path or name, or all levels\n"
        << "  NAME is maps/NAME.bsp; data folders, later ones winning: each --data, else the "
           "first\n"
        << "  of /usr/share/games/openarena/baseoa/ ~/.openarena/baseoa/ ~/.q3a/baseq3/, then "
           "maps/..\n"
        << "  --at X,Y,Z[,YAW[,PITCH]]  with a level: the eye there (viewer axes, y up), not at a "
           "spawn\n"
        << "configuration file: \"key = value\" entries, keys case-sensitive:\n"
        << "  width, height   window size, 1.." << kMaxWindowSize << " (default "
        << kDefaultWindowWidth << " x " << kDefaultWindowHeight
        << "); start_vec x y z, whole, y up\n"
        << "  datapath        data folder ending with /: sky, face images, .pk3 archives\n"
        << "  level           level file (IBSP version 46), else looked up under datapath\n"
        << "  lights          lighting file name, echoed only; bpp, vsync: echoed, no effect\n"
        << "  lightmaps textures entities stats  on or off (default off): lit view, images, "
           "items, cost\n"
        << "  markers         on or off (default on): with the entities, markers for the rest\n"
        << "  mouse_sensitivity  degrees of turn per pixel of drag (default "
        << kDefaultMouseSensitivity << "); speed  fly speed factor, " << kMinSpeedFactor << ".."
        << kMaxSpeedFactor << " (default 1)\n"
        << "keys: w/s forward/back, left/right strafe, a/d turn, =/- up/down, x markers,\n"
        << "  </> curve detail (2..20), l lighting, t face images, e entities, ESC quit\n"
        << "  left drag look, PgUp/PgDn pitch, wheel fly speed, p screenshot, f freeze culling,\n"
        << "  c cluster colours, m lit view (lightmaps), n/b next/previous spawn, r reload level,\n"
        << "  v frame cost (faces, triangles, draws, fragments, ms), y wireframe, o overdraw,\n"
        << "  i what is this: the face (or entity) at the centre of the view, its flags, "
           "material,\n"
        << "    images and where each came from, lightmap, leaf, cluster; an entity's keys, model\n"
        << std::flush;
}
