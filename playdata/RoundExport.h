#pragma once
// Rounds for the map tools golfers already use: GPX 1.1, GeoJSON and KML 2.2.
//
// Times are the watch's local times and go out as they are, without a zone (GPX's
// xsd:dateTime and KML's dateTime allow that); a time the calendar does not know is left out.
// Points whose coordinates no map can hold are left out too. Track points are in time order.

#include "Round.h"

#include <optional>
#include <string>
#include <string_view>

namespace teedesk {

enum class RoundFormat { Gpx, GeoJson, Kml };

// "gpx", "geojson", "kml".
std::optional<RoundFormat> ParseRoundFormat(std::string_view name);

// `creator` names the program in GPX and KML.
std::string ExportGpx(const RoundFile& rounds, std::string_view creator);
std::string ExportGeoJson(const RoundFile& rounds);
std::string ExportKml(const RoundFile& rounds, std::string_view creator);
std::string ExportRounds(const RoundFile& rounds, RoundFormat format, std::string_view creator);

// Text for XML character data and attribute values: markup characters escaped, characters
// XML 1.0 forbids dropped. `text` is UTF-8.
std::string XmlEscaped(std::string_view text);
// A JSON string literal with its quotes.
std::string JsonQuoted(std::string_view text);

// "SESSION2 2016-05-12T08:30:05 富士見ヶ丘カントリー倶楽部".
std::string SessionTitle(const RoundSession& session);
// "H3 S2 7I Fairway" or "H3 P1": hole, shot or putt with its number, club and lie where recorded.
std::string MarkName(const RoundMark& mark);

} // namespace teedesk
