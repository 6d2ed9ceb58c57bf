// The brush entity table velmora-info prints after the entity table: each entity whose model is
// a submodel, with its class, submodel, face count and box in file axes (z up).
#pragma once

#include <cstdio>
#include <ostream>
#include <string>

#include "level/BrushModels.h"

// The box's corners in file axes, whole units where they are whole.
inline std::string fileAxesBoxText(const BrushBox& box) {
    // Viewer (x, y, z) is file (x, -z, y); the viewer's high z is the file's low y.
    char text[160];
    std::snprintf(text, sizeof text, "%g %g %g .. %g %g %g", double(box.low[0]),
                  -double(box.high[2]), double(box.low[1]), double(box.high[0]),
                  -double(box.low[2]), double(box.high[1]));
    return text;
}

// Nothing for a level without brush entities, so its report stays as it was.
inline void printBrushTable(const BrushModels& brushes, std::ostream& out) {
    if (brushes.entities().empty()) {
        return;
    }
    out << "brush entities " << brushes.entities().size() << ", " << brushes.faceCount()
        << " faces\n";
    for (const BrushEntity& brush : brushes.entities()) {
        out << "  entity " << brush.entity << ' ' << brush.className << " *" << brush.model << ' '
            << brush.numFaces << " faces, box " << fileAxesBoxText(brush.box) << '\n';
    }
}
