// PlaceMap: the top-down picture of a level's visibility scan: the floors in grey, every place
// coloured on the heat ramp by the triangles it sees, the ten heaviest numbered, and a legend.
// Made without GL.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geometry/Point.h"
#include "render/HeatRamp.h"

class VisibilityScan;

class PlaceMap {
public:
    // The floor's grey and the picture's background.
    static constexpr HeatColour kFloorColour{110, 110, 110};
    static constexpr HeatColour kBackground{24, 24, 24};
    static constexpr int kNumberedPlaces = 10;

    // Draws a scan that has places, the floors as the scan found them. North (file +y, viewer -z)
    // is up.
    explicit PlaceMap(const VisibilityScan& scan);

    int width() const { return pixelsWide; }
    int height() const { return pixelsHigh; }
    // The pixel (column, row from the top) a point of the level falls on; -1, -1 off the map.
    std::pair<int, int> pixelOf(const Point& point) const;
    HeatColour colourAt(int column, int row) const;
    // The ramp's colour for a place that sees triangles when the worst place sees worst.
    static HeatColour colourFor(std::int64_t triangles, std::int64_t worst);

    // "" once written, otherwise why not.
    std::string writePng(const std::string& path) const;

private:
    void paint(int column, int row, HeatColour colour);
    void fillBox(int left, int top, int right, int bottom, HeatColour colour);
    void fillTriangle(const Point& a, const Point& b, const Point& c);
    void drawFloors(const VisibilityScan& scan);
    void drawPlaces(const VisibilityScan& scan);
    // A whole number in the digit font at (left, top), white on a black box; returns its width.
    int drawNumber(std::int64_t number, int left, int top);
    void drawLegend(std::int64_t worst);

    double lowX = 0.0;
    double lowZ = 0.0;
    double pixelsPerUnit = 1.0;
    int mapHigh = 0;
    int pixelsWide = 0;
    int pixelsHigh = 0;
    std::vector<std::uint8_t> pixels;  // RGB rows from the top
};
