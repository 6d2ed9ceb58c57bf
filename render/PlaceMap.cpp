// PlaceMap: the map's frame from the places, a small triangle filler for the floors, the place
// cells, and a 3 x 5 digit font for the numbers and the legend.
#include "render/PlaceMap.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "level/VisibilityScan.h"
#include "render/ScreenShot.h"

namespace {

// The larger side of the map is at most this many pixels, and never more than half a pixel a
// unit, so a small level still shows its places as cells and a large one stays a small file.
constexpr double kMapPixels = 800.0;
constexpr double kMostPixelsPerUnit = 0.5;
constexpr double kMarginUnits = 48.0;
constexpr int kLegendHeight = 32;
constexpr int kLegendBarWidth = 256;
constexpr int kLegendBarHeight = 12;
constexpr int kLeastWidth = kLegendBarWidth + 120;

// Each digit's five rows of three pixels, the top row first, the left pixel the highest bit.
constexpr std::array<std::array<std::uint8_t, 5>, 10> kDigits = {{
    {7, 5, 5, 5, 7},  // 0
    {2, 6, 2, 2, 7},  // 1
    {7, 1, 7, 4, 7},  // 2
    {7, 1, 7, 1, 7},  // 3
    {5, 5, 7, 1, 1},  // 4
    {7, 4, 7, 1, 7},  // 5
    {7, 4, 7, 5, 7},  // 6
    {7, 1, 1, 1, 1},  // 7
    {7, 5, 7, 5, 7},  // 8
    {7, 5, 7, 1, 7},  // 9
}};
constexpr int kDigitScale = 2;
constexpr int kDigitWidth = 3 * kDigitScale;
constexpr int kDigitHeight = 5 * kDigitScale;
constexpr int kDigitGap = kDigitScale;
constexpr HeatColour kLabelInk{255, 255, 255};
constexpr HeatColour kLabelBox{0, 0, 0};

// Where (x, z) lies in (x, z) of a triangle's corners: a number of one sign inside.
double edge(double ax, double az, double bx, double bz, double px, double pz) {
    return (bx - ax) * (pz - az) - (bz - az) * (px - ax);
}

}  // namespace

PlaceMap::PlaceMap(const VisibilityScan& scan) {
    double highX = -1e30;
    double highZ = -1e30;
    lowX = 1e30;
    lowZ = 1e30;
    for (const ScanPlace& place : scan.places()) {
        lowX = std::min(lowX, double(place.eye.getX()));
        highX = std::max(highX, double(place.eye.getX()));
        lowZ = std::min(lowZ, double(place.eye.getZ()));
        highZ = std::max(highZ, double(place.eye.getZ()));
    }
    lowX -= kMarginUnits;
    lowZ -= kMarginUnits;
    highX += kMarginUnits;
    highZ += kMarginUnits;
    pixelsPerUnit = std::min(kMostPixelsPerUnit, kMapPixels / std::max(highX - lowX, highZ - lowZ));
    const int mapWide = static_cast<int>(std::ceil((highX - lowX) * pixelsPerUnit));
    mapHigh = static_cast<int>(std::ceil((highZ - lowZ) * pixelsPerUnit));
    pixelsWide = std::max(mapWide, kLeastWidth);
    pixelsHigh = mapHigh + kLegendHeight;
    pixels.resize(std::size_t(pixelsWide) * std::size_t(pixelsHigh) * 3);
    fillBox(0, 0, pixelsWide - 1, pixelsHigh - 1, kBackground);
    drawFloors(scan);
    drawPlaces(scan);
    drawLegend(scan.worstTriangles());
}

std::pair<int, int> PlaceMap::pixelOf(const Point& point) const {
    const int column = static_cast<int>(std::floor((point.getX() - lowX) * pixelsPerUnit));
    const int row = static_cast<int>(std::floor((point.getZ() - lowZ) * pixelsPerUnit));
    if (column < 0 || column >= pixelsWide || row < 0 || row >= mapHigh) {
        return {-1, -1};
    }
    return {column, row};
}

HeatColour PlaceMap::colourAt(int column, int row) const {
    if (column < 0 || column >= pixelsWide || row < 0 || row >= pixelsHigh) {
        return kBackground;
    }
    const std::uint8_t* at = &pixels[(std::size_t(row) * std::size_t(pixelsWide) + column) * 3];
    return {at[0], at[1], at[2]};
}

HeatColour PlaceMap::colourFor(std::int64_t triangles, std::int64_t worst) {
    // The ramp starts at one triangle: an empty view is as cold as the ramp goes.
    if (worst <= 1) {
        return heatBytes(triangles >= worst ? 1.0f : 0.0f);
    }
    return heatBytes(float(double(triangles - 1) / double(worst - 1)));
}

std::string PlaceMap::writePng(const std::string& path) const {
    return writeRgbPng(path, pixelsWide, pixelsHigh, pixels.data(),
                       static_cast<std::ptrdiff_t>(pixelsWide) * 3, false);
}

void PlaceMap::paint(int column, int row, HeatColour colour) {
    if (column < 0 || column >= pixelsWide || row < 0 || row >= pixelsHigh) {
        return;
    }
    std::uint8_t* at = &pixels[(std::size_t(row) * std::size_t(pixelsWide) + column) * 3];
    at[0] = colour.red;
    at[1] = colour.green;
    at[2] = colour.blue;
}

void PlaceMap::fillBox(int left, int top, int right, int bottom, HeatColour colour) {
    for (int row = std::max(top, 0); row <= std::min(bottom, pixelsHigh - 1); ++row) {
        for (int column = std::max(left, 0); column <= std::min(right, pixelsWide - 1); ++column) {
            paint(column, row, colour);
        }
    }
}

void PlaceMap::fillTriangle(const Point& a, const Point& b, const Point& c) {
    const auto toPixels = [&](const Point& p) {
        return std::array<double, 2>{(p.getX() - lowX) * pixelsPerUnit,
                                     (p.getZ() - lowZ) * pixelsPerUnit};
    };
    const auto pa = toPixels(a);
    const auto pb = toPixels(b);
    const auto pc = toPixels(c);
    const double area = edge(pa[0], pa[1], pb[0], pb[1], pc[0], pc[1]);
    if (area == 0.0 || !std::isfinite(area)) {
        return;
    }
    const int left = std::max(0, int(std::floor(std::min({pa[0], pb[0], pc[0]}))));
    const int right = std::min(pixelsWide - 1, int(std::ceil(std::max({pa[0], pb[0], pc[0]}))));
    const int top = std::max(0, int(std::floor(std::min({pa[1], pb[1], pc[1]}))));
    const int bottom = std::min(mapHigh - 1, int(std::ceil(std::max({pa[1], pb[1], pc[1]}))));
    for (int row = top; row <= bottom; ++row) {
        for (int column = left; column <= right; ++column) {
            const double x = column + 0.5;
            const double z = row + 0.5;
            const double e0 = edge(pa[0], pa[1], pb[0], pb[1], x, z) * area;
            const double e1 = edge(pb[0], pb[1], pc[0], pc[1], x, z) * area;
            const double e2 = edge(pc[0], pc[1], pa[0], pa[1], x, z) * area;
            if (e0 >= 0.0 && e1 >= 0.0 && e2 >= 0.0) {
                paint(column, row, kFloorColour);
            }
        }
    }
}

void PlaceMap::drawFloors(const VisibilityScan& scan) {
    const auto& corners = scan.floorTriangles();
    for (std::size_t k = 0; k + 2 < corners.size(); k += 3) {
        fillTriangle(corners[k], corners[k + 1], corners[k + 2]);
    }
}

void PlaceMap::drawPlaces(const VisibilityScan& scan) {
    const auto& places = scan.places();
    const std::int64_t worst = scan.worstTriangles();
    // Rounded up, so neighbouring cells meet however the spacing falls on the pixels.
    const int cell = std::max(2, int(std::ceil(VisibilityScan::kPlaceSpacing * pixelsPerUnit)));
    const auto cellOf = [&](const ScanPlace& place) {
        const auto [column, row] = pixelOf(place.eye);
        return std::array<int, 2>{column - cell / 2, row - cell / 2};
    };
    // The lighter places first, so where floors lie over each other the heavier one shows.
    std::vector<std::size_t> order = scan.heaviestPlaces(places.size());
    for (auto at = order.rbegin(); at != order.rend(); ++at) {
        const ScanPlace& place = places[*at];
        const auto [left, top] = cellOf(place);
        fillBox(left, top, left + cell - 1, std::min(top + cell - 1, mapHigh - 1),
                colourFor(scan.loadAt(place).triangles, worst));
    }
    const std::size_t numbered = std::min<std::size_t>(order.size(), kNumberedPlaces);
    for (std::size_t rank = numbered; rank-- > 0;) {
        const auto [left, top] = cellOf(places[order[rank]]);
        // The number sits at the cell's upper right corner, clear of the cell's middle.
        drawNumber(std::int64_t(rank + 1), left + cell - 2, top - kDigitHeight);
    }
}

int PlaceMap::drawNumber(std::int64_t number, int left, int top) {
    const std::string text = std::to_string(number);
    const int textWidth = int(text.size()) * (kDigitWidth + kDigitGap) - kDigitGap;
    fillBox(left, top, left + textWidth + 1, top + kDigitHeight + 1, kLabelBox);
    int x = left + 1;
    for (const char digit : text) {
        const auto& rows = kDigits[std::size_t(digit - '0')];
        for (int row = 0; row < 5; ++row) {
            for (int column = 0; column < 3; ++column) {
                if ((rows[std::size_t(row)] >> (2 - column) & 1) != 0) {
                    fillBox(x + column * kDigitScale, top + 1 + row * kDigitScale,
                            x + (column + 1) * kDigitScale - 1, top + (row + 1) * kDigitScale,
                            kLabelInk);
                }
            }
        }
        x += kDigitWidth + kDigitGap;
    }
    return textWidth + 2;
}

void PlaceMap::drawLegend(std::int64_t worst) {
    const int top = mapHigh + (kLegendHeight - kLegendBarHeight) / 2;
    const int numberTop = mapHigh + (kLegendHeight - kDigitHeight) / 2 - 1;
    const int barLeft = 4 + drawNumber(1, 4, numberTop) + 4;
    for (int column = 0; column < kLegendBarWidth; ++column) {
        const HeatColour colour = heatBytes(float(column) / float(kLegendBarWidth - 1));
        fillBox(barLeft + column, top, barLeft + column, top + kLegendBarHeight - 1, colour);
    }
    drawNumber(worst, barLeft + kLegendBarWidth + 4, numberTop);
}
