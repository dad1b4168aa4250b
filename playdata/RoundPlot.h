#pragma once
// A picture of one round: the track coloured by hole, shots and putts with their club, a scale
// bar in metres, north up, a legend of the holes and the course and date as title.
//
// LayOutRound places everything in picture coordinates (pixels, y down); the SVG writer here and
// the window's painter both draw from that one layout. The projection is equirectangular about
// the round's middle latitude, which is exact enough over a golf course.

#include "Round.h"

#include <cstdint>
#include <string>
#include <vector>

namespace teedesk {

struct PlotColour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;

    std::string Hex() const; // "#rrggbb"
};

struct PlotPoint {
    double x = 0;
    double y = 0;
};

struct PlotHole {
    HoleKey hole;
    std::string label;
    PlotColour colour;
    // Stretches of consecutive fixes on this hole; a hole left and come back to has several.
    std::vector<std::vector<PlotPoint>> runs;
};

struct PlotMark {
    PlotPoint at;
    bool putt = false;
    std::string label; // the club where recorded, else the stroke number; empty for a hole's later putts
    PlotColour colour;
};

struct PlotLegendEntry {
    PlotPoint at; // left end of the swatch, on the text's baseline
    std::string label;
    PlotColour colour;
};

struct PlotScaleBar {
    PlotPoint start; // left end
    double length = 0; // pixels; 0 when there is nothing to measure
    double metres = 0;
    std::string label; // "100 m"
};

struct RoundPicture {
    double width = 0;
    double height = 0;
    std::string title;
    PlotPoint titleAt;
    double titleSize = 0;
    double textSize = 0;
    std::vector<PlotHole> holes;
    std::vector<PlotMark> marks;
    std::vector<PlotLegendEntry> legend;
    PlotScaleBar scale;
    PlotPoint northAt; // the tip of the north arrow
    double northLength = 0;
    // Shown in the map's middle when no position can be drawn.
    std::string emptyText;
    PlotPoint emptyAt;

    static constexpr double kShotRadius = 4.5;
    static constexpr double kPuttSide = 5.0;
    static constexpr double kTrackWidth = 2.0;
    static constexpr double kSwatchLength = 18.0;
};

struct PlotSize {
    double width = 900;
    double height = 640;
};

// "富士見ヶ丘カントリー倶楽部 2016-05-12 08:30".
std::string RoundTitle(const RoundSession& session);

RoundPicture LayOutRound(const RoundSession& session, PlotSize size = {});

// The picture as a standalone SVG document (UTF-8).
std::string RenderRoundSvg(const RoundPicture& picture);

} // namespace teedesk
