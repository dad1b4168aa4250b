#include "RoundPlot.h"

#include "CsvFormat.h"
#include "RoundExport.h"
#include "RoundStats.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <numbers>

namespace teedesk {

namespace {

constexpr double kMargin = 16;
constexpr double kTitleBand = 44;
constexpr double kLegendWidth = 190;
constexpr double kScaleBand = 34;
constexpr double kLegendRow = 19;
constexpr double kTitleSize = 18;
constexpr double kTextSize = 12;
constexpr double kNorthBand = 60; // under the legend
constexpr double kSmallestExtentMetres = 60; // a round of one spot still gets a sensible scale

// Colours far apart for neighbouring holes: hues a golden angle apart.
PlotColour HoleColour(size_t index)
{
    const double hue = std::fmod(static_cast<double>(index) * 137.50776, 360.0) / 60.0;
    const double saturation = 0.78, value = index % 2 == 0 ? 0.82 : 0.62;
    const double chroma = value * saturation;
    const double second = chroma * (1 - std::fabs(std::fmod(hue, 2.0) - 1));
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(hue)) {
    case 0: r = chroma, g = second; break;
    case 1: r = second, g = chroma; break;
    case 2: g = chroma, b = second; break;
    case 3: g = second, b = chroma; break;
    case 4: r = second, b = chroma; break;
    default: r = chroma, b = second; break;
    }
    const double m = value - chroma;
    const auto byte = [m](double channel) { return static_cast<uint8_t>(std::lround((channel + m) * 255)); };
    return {byte(r), byte(g), byte(b)};
}

// 1, 2 or 5 times a power of ten, not above `metres`.
double RoundScale(double metres)
{
    if (!(metres > 0))
        return 0;
    const double power = std::pow(10.0, std::floor(std::log10(metres)));
    for (const double step : {5.0, 2.0, 1.0})
        if (step * power <= metres)
            return step * power;
    return power;
}

std::string Number(double value)
{
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1);
    return error == std::errc() ? std::string(text, end) : "0";
}

std::string WholeNumber(double value) { return std::to_string(std::llround(value)); }

bool Recorded(const std::optional<std::string>& value) { return value && !value->empty() && *value != "-"; }

} // namespace

std::string PlotColour::Hex() const
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text = "#";
    for (const uint8_t channel : {red, green, blue}) {
        text += kDigits[channel >> 4];
        text += kDigits[channel & 0x0F];
    }
    return text;
}

std::string RoundTitle(const RoundSession& session)
{
    std::string date = IsoLocalTime(session.start).substr(0, 16);
    date[10] = ' ';
    return session.golfCourseName.empty() ? date : session.golfCourseName + " " + date;
}

RoundPicture LayOutRound(const RoundSession& session, PlotSize size)
{
    RoundPicture picture;
    picture.width = std::max(size.width, kLegendWidth + 4 * kMargin + 100);
    picture.height = std::max(size.height, kTitleBand + kScaleBand + 2 * kMargin + 100);
    picture.title = RoundTitle(session);
    picture.titleAt = {kMargin, kMargin + kTitleSize};
    picture.titleSize = kTitleSize;
    picture.textSize = kTextSize;

    const double mapLeft = kMargin;
    const double mapTop = kTitleBand;
    const double mapRight = picture.width - kLegendWidth - kMargin;
    const double mapBottom = picture.height - kScaleBand - kMargin;

    std::vector<const RoundFix*> fixes;
    for (const RoundFix& fix : session.fixes)
        if (IsMappable(fix.latitude, fix.longitude))
            fixes.push_back(&fix);
    std::stable_sort(fixes.begin(), fixes.end(), [](const RoundFix* a, const RoundFix* b) { return a->time < b->time; });

    double minLatitude = std::numeric_limits<double>::infinity(), maxLatitude = -minLatitude;
    double minLongitude = minLatitude, maxLongitude = -minLatitude;
    const auto extend = [&](double latitude, double longitude) {
        minLatitude = std::min(minLatitude, latitude);
        maxLatitude = std::max(maxLatitude, latitude);
        minLongitude = std::min(minLongitude, longitude);
        maxLongitude = std::max(maxLongitude, longitude);
    };
    for (const RoundFix* fix : fixes)
        extend(fix->latitude, fix->longitude);
    for (const RoundMark& mark : session.marks)
        if (IsMappable(mark.latitude, mark.longitude))
            extend(mark.latitude, mark.longitude);

    const std::vector<HoleKey> holes = HolesInPlayOrder(session);
    const auto holeIndex = [&](HoleKey key) {
        return static_cast<size_t>(std::find(holes.begin(), holes.end(), key) - holes.begin());
    };

    // Legend: every hole the round reaches, in play order, rows shrunk to fit.
    const double legendLeft = picture.width - kLegendWidth;
    const double legendRow =
        holes.empty() ? kLegendRow
                      : std::min(kLegendRow, (mapBottom - mapTop - kNorthBand) / static_cast<double>(holes.size()));
    for (size_t k = 0; k < holes.size(); ++k)
        picture.legend.push_back({{legendLeft, mapTop + legendRow * static_cast<double>(k + 1) - 4},
                                  HoleLabel(session, holes[k]), HoleColour(k)});

    if (!(minLatitude <= maxLatitude)) {
        picture.emptyText = "No positions recorded";
        picture.emptyAt = {(mapLeft + mapRight) / 2, (mapTop + mapBottom) / 2};
        return picture;
    }

    // Metres east and north of the south-west corner.
    const double metresPerDegree = kEarthMeanRadiusMetres * std::numbers::pi / 180.0;
    const double eastScale = std::cos((minLatitude + maxLatitude) / 2 * std::numbers::pi / 180.0) * metresPerDegree;
    const double extentEast = std::max((maxLongitude - minLongitude) * eastScale, kSmallestExtentMetres);
    const double extentNorth = std::max((maxLatitude - minLatitude) * metresPerDegree, kSmallestExtentMetres);
    const double pixelsPerMetre = std::min((mapRight - mapLeft) / extentEast, (mapBottom - mapTop) / extentNorth);
    const double offsetX = mapLeft + ((mapRight - mapLeft) - (maxLongitude - minLongitude) * eastScale * pixelsPerMetre) / 2;
    const double offsetY = mapBottom - ((mapBottom - mapTop) - (maxLatitude - minLatitude) * metresPerDegree * pixelsPerMetre) / 2;
    const auto project = [&](double latitude, double longitude) {
        return PlotPoint{offsetX + (longitude - minLongitude) * eastScale * pixelsPerMetre,
                         offsetY - (latitude - minLatitude) * metresPerDegree * pixelsPerMetre};
    };

    picture.holes.resize(holes.size());
    for (size_t k = 0; k < holes.size(); ++k)
        picture.holes[k] = {holes[k], picture.legend[k].label, picture.legend[k].colour, {}};
    size_t previous = holes.size();
    for (const RoundFix* fix : fixes) {
        const size_t index = holeIndex({fix->courseId, fix->hole});
        std::vector<std::vector<PlotPoint>>& runs = picture.holes[index].runs;
        if (index != previous || runs.empty())
            runs.emplace_back();
        runs.back().push_back(project(fix->latitude, fix->longitude));
        previous = index;
    }
    // Holes without a fix have nothing to draw as a track; their marks still show.
    std::erase_if(picture.holes, [](const PlotHole& hole) { return hole.runs.empty(); });

    // Putts lie a few metres apart: only a hole's first one is labelled, or the labels pile up.
    std::vector<HoleKey> puttLabelled;
    for (const RoundMark& mark : session.marks) {
        if (!IsMappable(mark.latitude, mark.longitude))
            continue;
        const HoleKey key{mark.courseId, mark.hole};
        std::string label;
        if (!mark.putt || std::find(puttLabelled.begin(), puttLabelled.end(), key) == puttLabelled.end())
            label = Recorded(mark.club) ? *mark.club : (mark.putt ? "P" : "") + std::to_string(mark.additionalNumber);
        if (mark.putt)
            puttLabelled.push_back(key);
        picture.marks.push_back({project(mark.latitude, mark.longitude), mark.putt, std::move(label),
                                 HoleColour(holeIndex(key))});
    }

    const double metres = RoundScale((mapRight - mapLeft) / 4 / pixelsPerMetre);
    picture.scale = {{mapLeft, picture.height - kMargin - 10}, metres * pixelsPerMetre, metres, WholeNumber(metres) + " m"};
    picture.northAt = {legendLeft + 12, mapBottom - kNorthBand + 10};
    picture.northLength = 24;
    return picture;
}

std::string RenderRoundSvg(const RoundPicture& picture)
{
    const std::string text = std::to_string(static_cast<int>(picture.textSize));
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(picture.width) + "\" height=\"" +
                      Number(picture.height) + "\" viewBox=\"0 0 " + Number(picture.width) + " " +
                      Number(picture.height) + "\" font-family=\"sans-serif\">\n";
    out += "<title>" + XmlEscaped(picture.title) + "</title>\n";
    out += "<rect class=\"background\" x=\"0\" y=\"0\" width=\"" + Number(picture.width) + "\" height=\"" +
           Number(picture.height) + "\" fill=\"#f4f7f0\"/>\n";
    out += "<text class=\"title\" x=\"" + Number(picture.titleAt.x) + "\" y=\"" + Number(picture.titleAt.y) +
           "\" font-size=\"" + std::to_string(static_cast<int>(picture.titleSize)) + "\" font-weight=\"bold\">" +
           XmlEscaped(picture.title) + "</text>\n";

    for (const PlotHole& hole : picture.holes) {
        std::string d;
        for (const std::vector<PlotPoint>& run : hole.runs)
            for (size_t k = 0; k < run.size(); ++k)
                d += (d.empty() ? "" : " ") + std::string(k == 0 ? "M" : "L") + Number(run[k].x) + " " + Number(run[k].y);
        out += "<path class=\"hole\" data-hole=\"" + XmlEscaped(hole.label) + "\" fill=\"none\" stroke=\"" +
               hole.colour.Hex() + "\" stroke-width=\"" + Number(RoundPicture::kTrackWidth) +
               "\" stroke-linejoin=\"round\" d=\"" + d + "\"/>\n";
    }

    for (const PlotMark& mark : picture.marks) {
        if (mark.putt) {
            const double half = RoundPicture::kPuttSide / 2;
            out += "<rect class=\"mark putt\" x=\"" + Number(mark.at.x - half) + "\" y=\"" + Number(mark.at.y - half) +
                   "\" width=\"" + Number(RoundPicture::kPuttSide) + "\" height=\"" + Number(RoundPicture::kPuttSide) +
                   "\" fill=\"" + mark.colour.Hex() + "\" stroke=\"#ffffff\" stroke-width=\"1\"/>\n";
        } else {
            out += "<circle class=\"mark shot\" cx=\"" + Number(mark.at.x) + "\" cy=\"" + Number(mark.at.y) + "\" r=\"" +
                   Number(RoundPicture::kShotRadius) + "\" fill=\"" + mark.colour.Hex() +
                   "\" stroke=\"#ffffff\" stroke-width=\"1.5\"/>\n";
        }
        if (!mark.label.empty())
            out += "<text class=\"mark-label\" x=\"" + Number(mark.at.x + 6) + "\" y=\"" + Number(mark.at.y - 5) +
               "\" font-size=\"" + std::to_string(static_cast<int>(picture.textSize) - 2) + "\" fill=\"#202020\">" +
               XmlEscaped(mark.label) + "</text>\n";
    }

    for (const PlotLegendEntry& entry : picture.legend) {
        out += "<line class=\"legend\" x1=\"" + Number(entry.at.x) + "\" y1=\"" + Number(entry.at.y - 4) + "\" x2=\"" +
               Number(entry.at.x + RoundPicture::kSwatchLength) + "\" y2=\"" + Number(entry.at.y - 4) + "\" stroke=\"" +
               entry.colour.Hex() + "\" stroke-width=\"4\"/>\n";
        out += "<text x=\"" + Number(entry.at.x + RoundPicture::kSwatchLength + 6) + "\" y=\"" + Number(entry.at.y) +
               "\" font-size=\"" + text + "\">" + XmlEscaped(entry.label) + "</text>\n";
    }

    if (picture.scale.length > 0) {
        const PlotScaleBar& scale = picture.scale;
        out += "<path class=\"scale\" fill=\"none\" stroke=\"#202020\" stroke-width=\"2\" d=\"M" + Number(scale.start.x) +
               " " + Number(scale.start.y - 5) + " L" + Number(scale.start.x) + " " + Number(scale.start.y) + " L" +
               Number(scale.start.x + scale.length) + " " + Number(scale.start.y) + " L" +
               Number(scale.start.x + scale.length) + " " + Number(scale.start.y - 5) + "\"/>\n";
        out += "<text class=\"scale-label\" x=\"" + Number(scale.start.x + scale.length + 6) + "\" y=\"" +
               Number(scale.start.y) + "\" font-size=\"" + text + "\">" + XmlEscaped(scale.label) + "</text>\n";
    }
    if (picture.northLength > 0) {
        const PlotPoint tip = picture.northAt;
        const double length = picture.northLength;
        out += "<path class=\"north\" fill=\"#202020\" d=\"M" + Number(tip.x) + " " + Number(tip.y) + " L" +
               Number(tip.x + 6) + " " + Number(tip.y + length) + " L" + Number(tip.x) + " " +
               Number(tip.y + length - 6) + " L" + Number(tip.x - 6) + " " + Number(tip.y + length) + " Z\"/>\n";
        out += "<text x=\"" + Number(tip.x) + "\" y=\"" + Number(tip.y + length + picture.textSize + 2) +
               "\" font-size=\"" + text + "\" text-anchor=\"middle\">N</text>\n";
    }
    if (!picture.emptyText.empty())
        out += "<text class=\"empty\" x=\"" + Number(picture.emptyAt.x) + "\" y=\"" + Number(picture.emptyAt.y) +
               "\" font-size=\"" + text + "\" text-anchor=\"middle\" fill=\"#606060\">" + XmlEscaped(picture.emptyText) +
               "</text>\n";
    out += "</svg>\n";
    return out;
}

} // namespace teedesk
