#include "DeviceModel.h"
#include "RoundExport.h"
#include "RoundsTestSupport.h"
#include "SessionBuilder.h"
#include "SimulatedWatch.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <string>

using namespace teedesk;
using namespace teedesk::test;

namespace {

constexpr std::string_view kCreator = "TeeDesk test";

size_t CountOf(const std::string& text, std::string_view what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++count;
    return count;
}

// Records gpsbabel reads from the file: its unicsv output has a header line and one line each.
// Its checkempty option refuses a file without any, so an empty file is read without it.
size_t GpsbabelCount(const std::string& path, const char* kind, bool expectEmpty = false)
{
    int status = 0;
    const std::string output = RunShell(kGpsbabel + " " + kind + " -i gpx -f " + path + " -x validate" +
                                            (expectEmpty ? "" : ",checkempty") + " -o unicsv -F - 2>&1",
                                        &status);
    EXPECT_EQ(status, 0) << output;
    const size_t lines = static_cast<size_t>(std::count(output.begin(), output.end(), '\n'));
    return lines == 0 ? 0 : lines - 1;
}

void ExpectValidGpx(const std::string& path)
{
    if (kXmllint.empty())
        GTEST_SKIP() << "xmllint is not installed";
    int status = 0;
    const std::string output = RunShell(kXmllint + " --noout --schema " + kGpxSubsetSchema + " " + path + " 2>&1", &status);
    EXPECT_EQ(status, 0) << output;
}

void ExpectWellFormed(const std::string& path)
{
    if (kXmllint.empty())
        GTEST_SKIP() << "xmllint is not installed";
    int status = 0;
    const std::string output = RunShell(kXmllint + " --noout " + path + " 2>&1", &status);
    EXPECT_EQ(status, 0) << output;
}

// The text of the first node an XPath expression names, through xmllint.
std::string XPathText(const std::string& path, std::string expression)
{
    std::replace(expression.begin(), expression.end(), '\'', '"'); // the shell quotes with '
    std::string text = RunShell(kXmllint + " --xpath 'string(" + expression + ")' " + path + " 2>/dev/null");
    if (text.ends_with('\n'))
        text.pop_back();
    return text;
}

class ExportEveryModel : public testing::TestWithParam<uint16_t> {};

TEST_P(ExportEveryModel, GpxHoldsEveryFixAndMarkAsGpsbabelReadsIt)
{
    const uint16_t model = GetParam();
    const auto sessions = sim::GenerateSessions(3, 2, model);
    const RoundFile rounds = ReadOrFail(CsvOf(model, sessions));
    const WrittenCounts written = CountWritten(sessions);
    TempDir folder;
    const std::string gpx = folder.File("round.gpx");
    WriteText(gpx, ExportGpx(rounds, kCreator));

    ExpectValidGpx(gpx);
    if (kGpsbabel.empty())
        GTEST_SKIP() << "gpsbabel is not installed";
    // unicsv takes one kind of record per run.
    EXPECT_EQ(GpsbabelCount(gpx, "-t"), written.fixes);
    EXPECT_EQ(GpsbabelCount(gpx, "-w"), written.marks);
}

TEST_P(ExportEveryModel, GeoJsonAndKmlHoldEverySessionAndMark)
{
    const uint16_t model = GetParam();
    const auto sessions = sim::GenerateSessions(4, 2, model);
    const RoundFile rounds = ReadOrFail(CsvOf(model, sessions));
    const WrittenCounts written = CountWritten(sessions);

    const nlohmann::json geojson = nlohmann::json::parse(ExportGeoJson(rounds));
    EXPECT_EQ(geojson["type"], "FeatureCollection");
    size_t lines = 0, points = 0, positions = 0;
    for (const auto& feature : geojson["features"]) {
        if (feature["geometry"]["type"] == "LineString") {
            ++lines;
            positions += feature["geometry"]["coordinates"].size();
        } else if (feature["geometry"]["type"] == "Point") {
            ++points;
            EXPECT_EQ(feature["properties"].contains("club"), model == kModelBandA);
        }
    }
    EXPECT_EQ(lines, 2u);
    EXPECT_EQ(points, written.marks);
    EXPECT_EQ(positions, written.fixes);

    TempDir folder;
    const std::string kml = folder.File("round.kml");
    const std::string text = ExportKml(rounds, kCreator);
    WriteText(kml, text);
    ExpectWellFormed(kml);
    EXPECT_EQ(CountOf(text, "<LineString>"), 2u);
    EXPECT_EQ(CountOf(text, "<Point>"), written.marks);
    EXPECT_EQ(CountOf(text, "<Folder>"), 2u);
}

INSTANTIATE_TEST_SUITE_P(Models, ExportEveryModel, testing::Values(kModelPin, kModelBandF, kModelBandA));

// One hand-made round: fixes written out of time order, a name full of markup, a club and lie.
RoundFile SmallRound()
{
    SessionBuilder round;
    round.GolfCourseName("<Tom & Jerry's \"Links\">").CourseName(1, "Out").Bases(83820000, 21394800);
    round.Add({.time = PackTime(2016, 5, 12, 9, 30, 9), .latitudeOffset = 20, .fixMode = 3, .courseId = 1, .hole = 1});
    round.Add({.time = PackTime(2016, 5, 12, 9, 30, 5), .fixMode = 2, .courseId = 1, .hole = 1});
    round.Add({.time = PackTime(2016, 5, 12, 9, 30, 7), .latitudeOffset = 10, .satellites = 9, .fixMode = 3,
               .courseId = 1, .hole = 1});
    round.Add({.time = PackTime(2016, 5, 12, 9, 30, 8), .additionalNumber = 1, .club = 0, .lie = 0, .courseId = 1,
               .hole = 1, .type = RecordType::Mark});
    round.Add({.time = PackTime(2016, 5, 12, 9, 31, 8), .latitudeOffset = 10, .additionalNumber = 2, .club = 14,
               .lie = 1, .courseId = 1, .hole = 1, .type = RecordType::Mark});
    round.Add({.time = PackTime(2016, 5, 12, 9, 32, 0), .latitudeOffset = 20, .additionalNumber = 3, .putt = true,
               .club = 21, .courseId = 1, .hole = 1, .type = RecordType::Mark});
    round.AddFix(PackTime(2016, 5, 12, 9, 59, 59));
    return ReadOrFail(CsvOf(kModelBandA, {round.Bytes()}));
}

TEST(RoundExport, GpxTracksRunInTimeOrderWithLocalTimesAndNamedWaypoints)
{
    if (kXmllint.empty())
        GTEST_SKIP() << "xmllint is not installed";
    TempDir folder;
    const std::string gpx = folder.File("round.gpx");
    WriteText(gpx, ExportGpx(SmallRound(), kCreator));
    ExpectValidGpx(gpx);

    const std::string point = "//*[local-name()='trkpt']";
    EXPECT_EQ(XPathText(gpx, "(" + point + ")[1]/*[local-name()='time']"), "2016-05-12T09:30:05");
    EXPECT_EQ(XPathText(gpx, "(" + point + ")[2]/*[local-name()='time']"), "2016-05-12T09:30:07");
    EXPECT_EQ(XPathText(gpx, "(" + point + ")[3]/*[local-name()='time']"), "2016-05-12T09:30:09");
    EXPECT_EQ(XPathText(gpx, "(" + point + ")[2]/*[local-name()='fix']"), "3d");
    EXPECT_EQ(XPathText(gpx, "(" + point + ")[2]/*[local-name()='sat']"), "9");
    EXPECT_EQ(XPathText(gpx, "(" + point + ")[2]/@lat"), "35.658017");

    const std::string waypoint = "//*[local-name()='wpt']";
    EXPECT_EQ(XPathText(gpx, "(" + waypoint + ")[1]/*[local-name()='name']"), "H1 S1 1W");
    EXPECT_EQ(XPathText(gpx, "(" + waypoint + ")[2]/*[local-name()='name']"), "H1 S2 7I Fairway");
    EXPECT_EQ(XPathText(gpx, "(" + waypoint + ")[3]/*[local-name()='name']"), "H1 P3 PT");
    EXPECT_EQ(XPathText(gpx, "(" + waypoint + ")[3]/*[local-name()='type']"), "putt");
    EXPECT_EQ(XPathText(gpx, "/*/@creator"), "TeeDesk test");
    EXPECT_EQ(XPathText(gpx, "//*[local-name()='trk']/*[local-name()='name']"),
              "SESSION1 2016-05-12T09:30:09 <Tom & Jerry's \"Links\">");
}

TEST(RoundExport, MarkupInNamesIsEscapedInEveryFormat)
{
    const RoundFile rounds = SmallRound();
    const std::string name = "<Tom & Jerry's \"Links\">";
    const nlohmann::json geojson = nlohmann::json::parse(ExportGeoJson(rounds));
    EXPECT_EQ(geojson["features"][0]["properties"]["golfCourse"], name);

    if (kXmllint.empty())
        GTEST_SKIP() << "xmllint is not installed";
    TempDir folder;
    WriteText(folder.File("round.kml"), ExportKml(rounds, "<creator & co>"));
    ExpectWellFormed(folder.File("round.kml"));
    EXPECT_EQ(XPathText(folder.File("round.kml"), "//*[local-name()='Folder']/*[local-name()='name']"),
              "SESSION1 2016-05-12T09:30:09 " + name);
}

TEST(RoundExport, EscapingDropsWhatXmlCannotHoldAndKeepsUtf8)
{
    EXPECT_EQ(XmlEscaped("a\x01" "b\tc"), "ab\tc");
    EXPECT_EQ(XmlEscaped("富士 & <>"), "富士 &amp; &lt;&gt;");
    EXPECT_EQ(XmlEscaped("\xff"), "\xEF\xBF\xBD"); // a stray byte becomes U+FFFD
    EXPECT_EQ(JsonQuoted("a\"b\\c\n\x01富"), "\"a\\\"b\\\\c\\n\\u0001富\"");
}

// Without fixes, marks or sessions every format still comes out whole and valid.
struct EmptyRound {
    const char* name;
    std::string csv;
    size_t sessions;
};

class EmptyRounds : public testing::TestWithParam<EmptyRound> {};

TEST_P(EmptyRounds, GiveValidFilesInEveryFormat)
{
    const RoundFile rounds = ReadOrFail(GetParam().csv);
    ASSERT_EQ(rounds.sessions.size(), GetParam().sessions);

    const nlohmann::json geojson = nlohmann::json::parse(ExportGeoJson(rounds));
    EXPECT_EQ(geojson["type"], "FeatureCollection");
    EXPECT_EQ(geojson["features"].size(), GetParam().sessions);
    for (const auto& feature : geojson["features"])
        EXPECT_TRUE(feature["geometry"].is_null()) << feature.dump();

    if (kXmllint.empty())
        GTEST_SKIP() << "xmllint is not installed";
    TempDir folder;
    WriteText(folder.File("round.gpx"), ExportGpx(rounds, kCreator));
    ExpectValidGpx(folder.File("round.gpx"));
    WriteText(folder.File("round.kml"), ExportKml(rounds, kCreator));
    ExpectWellFormed(folder.File("round.kml"));
    if (!kGpsbabel.empty()) {
        EXPECT_EQ(GpsbabelCount(folder.File("round.gpx"), "-t", true), 0u);
        EXPECT_EQ(GpsbabelCount(folder.File("round.gpx"), "-w", true), 0u);
    }
}

std::string MarksOnly()
{
    SessionBuilder round;
    round.Add({.time = PackTime(2016, 5, 12, 9, 30, 5), .fixMode = 1, .courseId = 1, .hole = 1}); // not written
    round.AddFix(PackTime(2016, 5, 12, 9, 59, 59));
    return CsvOf(kModelPin, {round.Bytes()});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EmptyRounds,
    testing::Values(EmptyRound{"NoSessions", "\xEF\xBB\xBF\"bandF\"\n", 0},
                    EmptyRound{"NoRecords", CsvOf(kModelBandA, {std::vector<uint8_t>(272 + 32, 0)}), 1},
                    EmptyRound{"OnlyUnwrittenFixes", MarksOnly(), 1}),
    [](const testing::TestParamInfo<EmptyRound>& info) { return std::string(info.param.name); });

TEST(RoundExport, PointsNoMapCanHoldAreLeftOut)
{
    RoundFile rounds;
    RoundSession session;
    session.number = 1;
    const auto fix = [](double longitude, double latitude) {
        RoundFix fix;
        fix.longitude = longitude;
        fix.latitude = latitude;
        return fix;
    };
    session.fixes = {fix(180.0, 10), fix(10, 91), fix(10, 10)};
    RoundMark mark;
    mark.longitude = 200;
    session.marks.push_back(mark);
    rounds.sessions.push_back(session);
    const std::string gpx = ExportGpx(rounds, kCreator);
    EXPECT_EQ(CountOf(gpx, "<trkpt"), 1u);
    EXPECT_EQ(CountOf(gpx, "<wpt"), 0u);
    // The file's zero time (month 1, day 1 of 2014) is a real date; a month 16 is not, and has no time element.
    RoundFile odd = rounds;
    odd.sessions[0].fixes[2].time = {2016, 16, 1, 0, 0, 0};
    EXPECT_EQ(CountOf(ExportGpx(odd, kCreator), "<time>"), 0u);
}

} // namespace
