#include "DeviceModel.h"
#include "RoundPlot.h"
#include "RoundStats.h"
#include "RoundsTestSupport.h"
#include "SimulatedWatch.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

using namespace teedesk;
using namespace teedesk::test;

namespace {

size_t CountOf(const std::string& text, std::string_view what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++count;
    return count;
}

class PlotEveryModel : public testing::TestWithParam<uint16_t> {};

TEST_P(PlotEveryModel, PictureHasOnePathPerHoleAndOneMarkerPerMark)
{
    const uint16_t model = GetParam();
    const RoundFile rounds = ReadOrFail(SimulatedCsv(model, 1, 9));
    const RoundSession& session = rounds.sessions.at(0);
    size_t shots = 0, putts = 0;
    for (const RoundMark& mark : session.marks)
        ++(mark.putt ? putts : shots);
    const std::string svg = RenderRoundSvg(LayOutRound(session));

    EXPECT_EQ(CountOf(svg, "<path class=\"hole\""), 18u); // two nines
    EXPECT_EQ(CountOf(svg, "<circle class=\"mark shot\""), shots);
    EXPECT_EQ(CountOf(svg, "<rect class=\"mark putt\""), putts);
    EXPECT_EQ(CountOf(svg, "<line class=\"legend\""), 18u);
    EXPECT_NE(svg.find("<text class=\"title\""), std::string::npos);
    EXPECT_NE(svg.find(session.golfCourseName), std::string::npos);
    if (model == kModelBandA) {
        EXPECT_NE(svg.find(">1W</text>"), std::string::npos); // shots carry their club
    }

    if (kXmllint.empty())
        GTEST_SKIP() << "xmllint is not installed";
    TempDir folder;
    WriteText(folder.File("round.svg"), svg);
    int status = 0;
    const std::string output = RunShell(kXmllint + " --noout " + folder.File("round.svg") + " 2>&1", &status);
    EXPECT_EQ(status, 0) << output;
}

INSTANTIATE_TEST_SUITE_P(Models, PlotEveryModel, testing::Values(kModelPin, kModelBandF, kModelBandA));

RoundMark MarkAt(int courseId, int hole, int number, double latitude, double longitude, bool putt = false,
                 std::optional<std::string> club = std::nullopt)
{
    RoundMark mark;
    mark.courseId = courseId;
    mark.hole = hole;
    mark.additionalNumber = number;
    mark.latitude = latitude;
    mark.longitude = longitude;
    mark.putt = putt;
    mark.club = std::move(club);
    mark.time = {2016, 5, 12, 9, hole, number};
    return mark;
}

RoundFix FixAt(int courseId, int hole, int second, double latitude, double longitude)
{
    RoundFix fix;
    fix.courseId = courseId;
    fix.hole = hole;
    fix.latitude = latitude;
    fix.longitude = longitude;
    fix.time = {2016, 5, 12, 9, hole, second};
    return fix;
}

TEST(RoundPlot, NorthIsUpEastIsRightAndTheScaleBarIsRound)
{
    RoundSession session;
    session.golfCourseName = "Links";
    session.start = {2016, 5, 12, 9, 30, 5};
    session.fixes = {FixAt(1, 1, 0, 35.0, 139.0), FixAt(1, 1, 1, 35.002, 139.0), FixAt(1, 1, 2, 35.002, 139.002)};
    const RoundPicture picture = LayOutRound(session, {800, 600});
    ASSERT_EQ(picture.holes.size(), 1u);
    ASSERT_EQ(picture.holes[0].runs.size(), 1u);
    const auto& run = picture.holes[0].runs[0];
    ASSERT_EQ(run.size(), 3u);
    EXPECT_LT(run[1].y, run[0].y); // further north is higher up
    EXPECT_GT(run[2].x, run[1].x); // further east is to the right
    // 0.002° of longitude is cos(35°) of 0.002° of latitude on the ground.
    const double north = run[0].y - run[1].y;
    const double east = run[2].x - run[1].x;
    EXPECT_NEAR(east / north, std::cos(35.001 * std::numbers::pi / 180), 1e-3);

    const double metres = picture.scale.metres;
    const double power = std::pow(10.0, std::floor(std::log10(metres)));
    const double leading = metres / power;
    EXPECT_TRUE(leading == 1 || leading == 2 || leading == 5) << metres;
    const double pixelsPerMetre = north / (0.002 * kEarthMeanRadiusMetres * std::numbers::pi / 180);
    EXPECT_NEAR(picture.scale.length, metres * pixelsPerMetre, 1e-6);
    EXPECT_EQ(picture.scale.label, std::to_string(static_cast<int>(metres)) + " m");
    EXPECT_EQ(picture.title, "Links 2016-05-12 09:30");
}

TEST(RoundPlot, AHoleLeftAndComeBackToIsOnePathOfSeveralRuns)
{
    RoundSession session;
    session.fixes = {FixAt(1, 1, 0, 35.0, 139.0), FixAt(1, 1, 1, 35.001, 139.0), FixAt(1, 2, 2, 35.002, 139.0),
                     FixAt(1, 1, 3, 35.003, 139.0)};
    session.fixes[2].time = {2016, 5, 12, 9, 1, 2};
    session.fixes[3].time = {2016, 5, 12, 9, 1, 3};
    const std::string svg = RenderRoundSvg(LayOutRound(session));
    EXPECT_EQ(CountOf(svg, "<path class=\"hole\""), 2u);
    const size_t first = svg.find("<path class=\"hole\"");
    const std::string firstPath = svg.substr(first, svg.find("/>", first) - first);
    EXPECT_EQ(CountOf(firstPath, "M"), 2u) << firstPath;
}

TEST(RoundPlot, ARoundWithoutPositionsStillMakesAPicture)
{
    RoundSession session;
    session.golfCourseName = "Tom & Jerry <Links>";
    session.marks.push_back(MarkAt(1, 1, 1, 95, 0)); // not on any map
    const RoundPicture picture = LayOutRound(session);
    EXPECT_TRUE(picture.holes.empty());
    EXPECT_TRUE(picture.marks.empty());
    EXPECT_EQ(picture.legend.size(), 1u);
    EXPECT_EQ(picture.scale.length, 0);
    const std::string svg = RenderRoundSvg(picture);
    EXPECT_NE(svg.find("Tom &amp; Jerry &lt;Links&gt;"), std::string::npos);
    EXPECT_NE(svg.find("No positions recorded"), std::string::npos);
    EXPECT_EQ(CountOf(svg, "class=\"scale\""), 0u);
}

constexpr double kMetresPerDegree = kEarthMeanRadiusMetres * std::numbers::pi / 180;

TEST(RoundStats, HaversineAlongAMeridianAndTheEquator)
{
    EXPECT_NEAR(HaversineMetres(35.0, 139.0, 35.001, 139.0), 0.001 * kMetresPerDegree, 1e-6);
    EXPECT_NEAR(HaversineMetres(0, 10, 0, 10.002), 0.002 * kMetresPerDegree, 1e-6);
    EXPECT_NEAR(HaversineMetres(-33.0, 151.0, -33.0, 151.0), 0, 1e-9);
    EXPECT_NEAR(HaversineMetres(0, 0, 0, 180), std::numbers::pi * kEarthMeanRadiusMetres, 1e-3);
}

// Two courses with a hole 1 each; the marks of one hole lie along a meridian at known distances.
TEST(RoundStats, EachMarkToTheNextMarkOfItsHoleAndPerClub)
{
    RoundSession session;
    session.marks = {
        MarkAt(1, 1, 1, 35.000, 139.0, false, "1W"),
        MarkAt(1, 1, 2, 35.002, 139.0, false, "7I"),
        MarkAt(2, 1, 1, 36.000, 139.0, false, "1W"), // another course's hole 1
        MarkAt(1, 1, 3, 35.0021, 139.0, true, "PT"),
        MarkAt(1, 1, 4, 35.00215, 139.0, true, "PT"),
        MarkAt(2, 1, 2, 36.001, 139.0, false, "1W"),
    };
    session.marks[2].courseName = "West";
    const SessionDistances distances = MeasureSession(session);
    ASSERT_EQ(distances.holes.size(), 2u);
    const HoleDistances& first = distances.holes[0];
    EXPECT_EQ(first.label, "C1 H1");
    ASSERT_EQ(first.marks.size(), 4u);
    EXPECT_NEAR(*first.marks[0].metres, 0.002 * kMetresPerDegree, 1e-3);
    EXPECT_NEAR(*first.marks[1].metres, 0.0001 * kMetresPerDegree, 1e-3);
    EXPECT_NEAR(*first.marks[2].metres, 0.00005 * kMetresPerDegree, 1e-3);
    EXPECT_FALSE(first.marks[3].metres); // a hole's last mark has none
    const HoleDistances& second = distances.holes[1];
    EXPECT_EQ(second.label, "West 1");
    ASSERT_EQ(second.marks.size(), 2u);
    EXPECT_NEAR(*second.marks[0].metres, 0.001 * kMetresPerDegree, 1e-3);
    EXPECT_FALSE(second.marks[1].metres);

    const std::vector<ClubSummary> clubs = SummariseClubs(std::span(&distances, 1));
    ASSERT_EQ(clubs.size(), 3u);
    EXPECT_EQ(clubs[0].club, "1W");
    EXPECT_EQ(clubs[0].count, 2);
    EXPECT_NEAR(clubs[0].averageMetres, 0.0015 * kMetresPerDegree, 1e-3);
    EXPECT_NEAR(clubs[0].longestMetres, 0.002 * kMetresPerDegree, 1e-3);
    EXPECT_EQ(clubs[1].club, "7I"); // in the watch's club order
    EXPECT_EQ(clubs[1].count, 1);
    EXPECT_EQ(clubs[2].club, "PT");
    EXPECT_EQ(clubs[2].count, 1);
}

TEST(RoundStats, ModelsWithoutClubsCountShotsAndPutts)
{
    RoundSession session;
    session.marks = {MarkAt(1, 1, 1, 35.000, 139.0), MarkAt(1, 1, 2, 35.001, 139.0, true),
                     MarkAt(1, 1, 3, 35.00101, 139.0, true)};
    const SessionDistances distances = MeasureSession(session);
    const std::vector<ClubSummary> clubs = SummariseClubs(std::span(&distances, 1));
    ASSERT_EQ(clubs.size(), 2u);
    EXPECT_EQ(clubs[0].club, "shot");
    EXPECT_EQ(clubs[1].club, "putt");
    EXPECT_EQ(clubs[1].count, 1);
}

TEST(RoundStats, NoMarksGiveNoHolesAndNoClubs)
{
    const RoundSession session = ReadOrFail(CsvOf(kModelBandA, {std::vector<uint8_t>(272 + 32, 0)})).sessions.at(0);
    const SessionDistances distances = MeasureSession(session);
    EXPECT_TRUE(distances.holes.empty());
    EXPECT_TRUE(SummariseClubs(std::span(&distances, 1)).empty());
}

} // namespace
