// FrameCostViews: the looks that show where a level is heavy, for one level: the frame-cost line
// (with its fragment count from an occlusion query), the wireframe over the picture and the
// overdraw view (fragments per pixel as a colour ramp, counted in the stencil buffer).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <span>
#include <vector>

#include "render/FrameCost.h"

class BSPMap;
class BrushEntities;
class OnScreenDisplay;
struct ViewOptions;

class FrameCostViews {
public:
    FrameCostViews() = default;
    // Deletes the queries; needs the GL context they were made in.
    ~FrameCostViews();
    FrameCostViews(const FrameCostViews&) = delete;
    FrameCostViews& operator=(const FrameCostViews&) = delete;

    // Around the frame's face drawing: the fragment query while the cost line is shown, the
    // stencil count in the overdraw view (a window without stencil bits is one line on log, once,
    // and the picture stays as drawn). Nothing at all while both are off.
    void beginFaces(const ViewOptions& options, std::ostream& log);
    void endFaces(const ViewOptions& options, int windowPixels);
    // The overdraw view: every pixel in the ramp's colour for its count, black where nothing was
    // drawn. Leaves every matrix and switch as it found them.
    void showOverdraw(const ViewOptions& options) const;
    // Every triangle of worldFaces and the gathered brush entities as lines coloured by face
    // type, over the picture. Needs the camera's modelview and what drawFaces needs.
    void drawWireframe(const BSPMap& level, std::span<const std::uint32_t> worldFaces,
                       const BrushEntities* brushes, const ViewOptions& options,
                       std::vector<std::uint32_t>& runCorners) const;
    // Counts the frame for the cost line (nothing while it is off) and draws the line and the
    // overdraw legend above the overlay line.
    void drawLines(const BSPMap& level, std::span<const std::uint32_t> worldFaces,
                   const BrushEntities* brushes, const ViewOptions& options, double milliseconds,
                   const OnScreenDisplay& display);

    // The last frame counted; its fragments are those of the newest query whose result was ready.
    const FrameCost& lastCost() const { return cost; }
    // Waits for the query of the last frame drawn and puts its fragments in lastCost (for a
    // program that draws one frame and reports it).
    void waitForFragments();

private:
    bool queriesAvailable();
    void readQuery(unsigned index, bool wait);
    void drawLegend(const OnScreenDisplay& display, float y) const;

    FrameCostCounter counter;
    FrameCost cost;
    // Two queries taken in turn: a frame reads the one before it, which is done by then, so
    // reading never waits for the frame just drawn.
    unsigned queries[2] = {0, 0};
    bool pending[2] = {false, false};
    unsigned current = 0;
    int pixelsOfQuery[2] = {0, 0};
    int queryState = -1;  // -1 not looked at yet, 0 no queries, 1 made
    bool queryBegun = false;
    int stencilBits = -1;  // -1 not looked at yet
};
