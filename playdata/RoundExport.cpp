#include "RoundExport.h"

#include "CsvFormat.h"

#include <algorithm>
#include <vector>

namespace teedesk {

namespace {

// Reads one UTF-8 character at `at`; a broken sequence gives U+FFFD for its first byte.
char32_t NextCharacter(std::string_view text, size_t& at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
    if (length == 0 || text.size() - at < length) {
        ++at;
        return 0xFFFD;
    }
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0) != 0x80) {
            ++at;
            return 0xFFFD;
        }
        code = code << 6 | (next & 0x3F);
    }
    at += length;
    static constexpr char32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0xFFFD;
    return code;
}

void AppendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

void AppendHex4(std::string& out, unsigned value)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += kDigits[(value >> shift) & 0x0F];
}

std::string Coordinate(double value)
{
    std::string text;
    AppendFixed6(text, value);
    return text;
}

std::vector<const RoundFix*> FixesInTimeOrder(const RoundSession& session)
{
    std::vector<const RoundFix*> fixes;
    fixes.reserve(session.fixes.size());
    for (const RoundFix& fix : session.fixes)
        if (IsMappable(fix.latitude, fix.longitude))
            fixes.push_back(&fix);
    std::stable_sort(fixes.begin(), fixes.end(), [](const RoundFix* a, const RoundFix* b) { return a->time < b->time; });
    return fixes;
}

bool Recorded(const std::optional<std::string>& value) { return value && !value->empty() && *value != "-"; }

// The mark's details for a description: course, hole, kind and number, club, lie, time.
std::string MarkDescription(const RoundMark& mark)
{
    std::string text = mark.courseName.empty() ? "C" + std::to_string(mark.courseId) : mark.courseName;
    text += " hole " + std::to_string(mark.hole);
    text += mark.putt ? ", putt " : ", shot ";
    text += std::to_string(mark.additionalNumber);
    if (Recorded(mark.club))
        text += ", " + *mark.club;
    if (Recorded(mark.lie))
        text += ", " + *mark.lie;
    text += ", " + IsoLocalTime(mark.time);
    return text;
}

const char* FixName(int fixMode)
{
    // Fix modes 2 and 3 are the 2D and 3D fixes the CSV keeps.
    switch (fixMode) {
    case 2: return "2d";
    case 3: return "3d";
    default: return nullptr;
    }
}

std::string XmlTime(const RoundTime& time, const char* element)
{
    if (!IsCalendarTime(time))
        return {};
    return std::string("<") + element + ">" + IsoLocalTime(time) + "</" + element + ">";
}

} // namespace

std::optional<RoundFormat> ParseRoundFormat(std::string_view name)
{
    if (name == "gpx")
        return RoundFormat::Gpx;
    if (name == "geojson")
        return RoundFormat::GeoJson;
    if (name == "kml")
        return RoundFormat::Kml;
    return std::nullopt;
}

std::string XmlEscaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const char32_t code = NextCharacter(text, at);
        switch (code) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default:
            // XML 1.0 has no place for other control characters, nor for U+FFFE and U+FFFF.
            if ((code < 0x20 && code != '\t' && code != '\n' && code != '\r') || code == 0xFFFE || code == 0xFFFF)
                break;
            AppendUtf8(out, code);
        }
    }
    return out;
}

std::string JsonQuoted(std::string_view text)
{
    std::string out = "\"";
    for (size_t at = 0; at < text.size();) {
        const char32_t code = NextCharacter(text, at);
        switch (code) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (code < 0x20)
                AppendHex4(out, static_cast<unsigned>(code));
            else
                AppendUtf8(out, code);
        }
    }
    out += '"';
    return out;
}

std::string SessionTitle(const RoundSession& session)
{
    std::string title = "SESSION" + std::to_string(session.number) + " " + IsoLocalTime(session.start);
    if (!session.golfCourseName.empty())
        title += " " + session.golfCourseName;
    return title;
}

std::string MarkName(const RoundMark& mark)
{
    std::string name = "H" + std::to_string(mark.hole) + (mark.putt ? " P" : " S") + std::to_string(mark.additionalNumber);
    if (Recorded(mark.club))
        name += " " + *mark.club;
    if (Recorded(mark.lie))
        name += " " + *mark.lie;
    return name;
}

std::string ExportGpx(const RoundFile& rounds, std::string_view creator)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<gpx version=\"1.1\" creator=\"" + XmlEscaped(creator) + "\""
                      " xmlns=\"http://www.topografix.com/GPX/1/1\""
                      " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
                      " xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd\">\n";
    // Waypoints come before tracks in a GPX file.
    for (const RoundSession& session : rounds.sessions) {
        for (const RoundMark& mark : session.marks) {
            if (!IsMappable(mark.latitude, mark.longitude))
                continue;
            out += "  <wpt lat=\"" + Coordinate(mark.latitude) + "\" lon=\"" + Coordinate(mark.longitude) + "\">";
            out += XmlTime(mark.time, "time");
            out += "<name>" + XmlEscaped(MarkName(mark)) + "</name>";
            out += "<desc>" + XmlEscaped("SESSION" + std::to_string(session.number) + ", " + MarkDescription(mark)) +
                   "</desc>";
            out += mark.putt ? "<type>putt</type>" : "<type>shot</type>";
            out += "</wpt>\n";
        }
    }
    for (const RoundSession& session : rounds.sessions) {
        out += "  <trk><name>" + XmlEscaped(SessionTitle(session)) + "</name>";
        out += "<number>" + std::to_string(std::max(session.number, 0)) + "</number>\n    <trkseg>\n";
        for (const RoundFix* fix : FixesInTimeOrder(session)) {
            out += "      <trkpt lat=\"" + Coordinate(fix->latitude) + "\" lon=\"" + Coordinate(fix->longitude) + "\">";
            out += XmlTime(fix->time, "time");
            if (const char* name = FixName(fix->fixMode))
                out += std::string("<fix>") + name + "</fix>";
            if (fix->satellites >= 0)
                out += "<sat>" + std::to_string(fix->satellites) + "</sat>";
            out += "</trkpt>\n";
        }
        out += "    </trkseg>\n  </trk>\n";
    }
    out += "</gpx>\n";
    return out;
}

std::string ExportGeoJson(const RoundFile& rounds)
{
    std::string out = "{\"type\":\"FeatureCollection\",\"features\":[";
    bool first = true;
    const auto next = [&] {
        out += first ? "\n" : ",\n";
        first = false;
    };
    const auto position = [](double longitude, double latitude) {
        return "[" + Coordinate(longitude) + "," + Coordinate(latitude) + "]";
    };
    for (const RoundSession& session : rounds.sessions) {
        const std::vector<const RoundFix*> fixes = FixesInTimeOrder(session);
        next();
        out += "{\"type\":\"Feature\",\"geometry\":";
        // A line needs two positions; one fix is a point, none no geometry at all.
        if (fixes.size() >= 2) {
            out += "{\"type\":\"LineString\",\"coordinates\":[";
            for (size_t k = 0; k < fixes.size(); ++k) {
                if (k > 0)
                    out += ',';
                out += position(fixes[k]->longitude, fixes[k]->latitude);
            }
            out += "]}";
        } else if (fixes.size() == 1) {
            out += "{\"type\":\"Point\",\"coordinates\":" + position(fixes[0]->longitude, fixes[0]->latitude) + "}";
        } else {
            out += "null";
        }
        out += ",\"properties\":{\"kind\":\"track\",\"session\":" + std::to_string(session.number) +
               ",\"start\":" + JsonQuoted(IsoLocalTime(session.start)) +
               ",\"golfCourse\":" + JsonQuoted(session.golfCourseName) +
               ",\"fixes\":" + std::to_string(fixes.size()) + "}}";

        for (const RoundMark& mark : session.marks) {
            if (!IsMappable(mark.latitude, mark.longitude))
                continue;
            next();
            out += "{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\",\"coordinates\":" +
                   position(mark.longitude, mark.latitude) + "},\"properties\":{";
            out += std::string("\"kind\":") + (mark.putt ? "\"putt\"" : "\"shot\"");
            out += ",\"session\":" + std::to_string(session.number);
            out += ",\"name\":" + JsonQuoted(MarkName(mark));
            out += ",\"courseId\":" + std::to_string(mark.courseId);
            out += ",\"course\":" + JsonQuoted(mark.courseName);
            out += ",\"hole\":" + std::to_string(mark.hole);
            out += ",\"number\":" + std::to_string(mark.additionalNumber);
            out += ",\"time\":" + JsonQuoted(IsoLocalTime(mark.time));
            if (mark.club)
                out += ",\"club\":" + JsonQuoted(*mark.club);
            if (mark.lie)
                out += ",\"lie\":" + JsonQuoted(*mark.lie);
            out += "}}";
        }
    }
    out += first ? "]}\n" : "\n]}\n";
    return out;
}

std::string ExportKml(const RoundFile& rounds, std::string_view creator)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n<Document><name>Play data</name>"
                      "<description>" + XmlEscaped(creator) + "</description>\n"
                      "<Style id=\"track\"><LineStyle><color>ff0080ff</color><width>3</width></LineStyle></Style>\n"
                      "<Style id=\"shot\"><IconStyle><scale>0.8</scale></IconStyle></Style>\n"
                      "<Style id=\"putt\"><IconStyle><scale>0.5</scale></IconStyle></Style>\n";
    const auto position = [](double longitude, double latitude) {
        return Coordinate(longitude) + "," + Coordinate(latitude);
    };
    for (const RoundSession& session : rounds.sessions) {
        const std::vector<const RoundFix*> fixes = FixesInTimeOrder(session);
        out += "<Folder><name>" + XmlEscaped(SessionTitle(session)) + "</name>\n";
        out += "<Placemark><name>" + XmlEscaped(SessionTitle(session)) + "</name>";
        if (!fixes.empty() && IsCalendarTime(fixes.front()->time) && IsCalendarTime(fixes.back()->time))
            out += "<TimeSpan>" + XmlTime(fixes.front()->time, "begin") + XmlTime(fixes.back()->time, "end") +
                   "</TimeSpan>";
        out += "<styleUrl>#track</styleUrl>";
        if (fixes.size() >= 2) {
            out += "<LineString><tessellate>1</tessellate><coordinates>";
            for (size_t k = 0; k < fixes.size(); ++k) {
                if (k > 0)
                    out += ' ';
                out += position(fixes[k]->longitude, fixes[k]->latitude);
            }
            out += "</coordinates></LineString>";
        } else if (fixes.size() == 1) {
            out += "<Point><coordinates>" + position(fixes[0]->longitude, fixes[0]->latitude) + "</coordinates></Point>";
        }
        out += "</Placemark>\n";
        for (const RoundMark& mark : session.marks) {
            if (!IsMappable(mark.latitude, mark.longitude))
                continue;
            out += "<Placemark><name>" + XmlEscaped(MarkName(mark)) + "</name>";
            out += "<description>" + XmlEscaped(MarkDescription(mark)) + "</description>";
            if (IsCalendarTime(mark.time))
                out += "<TimeStamp>" + XmlTime(mark.time, "when") + "</TimeStamp>";
            out += mark.putt ? "<styleUrl>#putt</styleUrl>" : "<styleUrl>#shot</styleUrl>";
            out += "<Point><coordinates>" + position(mark.longitude, mark.latitude) + "</coordinates></Point>";
            out += "</Placemark>\n";
        }
        out += "</Folder>\n";
    }
    out += "</Document>\n</kml>\n";
    return out;
}

std::string ExportRounds(const RoundFile& rounds, RoundFormat format, std::string_view creator)
{
    switch (format) {
    case RoundFormat::Gpx: return ExportGpx(rounds, creator);
    case RoundFormat::GeoJson: return ExportGeoJson(rounds);
    case RoundFormat::Kml: return ExportKml(rounds, creator);
    }
    return {};
}

} // namespace teedesk
