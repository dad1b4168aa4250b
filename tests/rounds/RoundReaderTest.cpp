#include "DeviceModel.h"
#include "RoundReader.h"
#include "RoundsTestSupport.h"
#include "SessionBuilder.h"
#include "SimulatedWatch.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace teedesk;
using namespace teedesk::test;

namespace {

class ReadEveryModel : public testing::TestWithParam<uint16_t> {};

TEST_P(ReadEveryModel, ReadsBackWhatTheWriterWrote)
{
    const uint16_t model = GetParam();
    const auto sessions = sim::GenerateSessions(11, 2, model);
    const RoundFile rounds = ReadOrFail(CsvOf(model, sessions));
    const WrittenCounts written = CountWritten(sessions);

    ASSERT_EQ(rounds.sessions.size(), 2u);
    EXPECT_EQ(rounds.modelTag, model == kModelPin ? std::nullopt : std::optional<uint16_t>(model));
    size_t fixes = 0, marks = 0, accEvents = 0;
    for (const RoundSession& session : rounds.sessions) {
        fixes += session.fixes.size();
        marks += session.marks.size();
        accEvents += session.accEvents.size();
        EXPECT_FALSE(session.golfCourseName.empty());
        for (const RoundMark& mark : session.marks) {
            EXPECT_EQ(mark.golfCourseName, session.golfCourseName);
            EXPECT_FALSE(mark.courseName.empty());
            EXPECT_EQ(mark.club.has_value(), model == kModelBandA);
            EXPECT_EQ(mark.lie.has_value(), model == kModelBandA);
        }
    }
    EXPECT_EQ(fixes, written.fixes);
    EXPECT_EQ(marks, written.marks);
    EXPECT_EQ(accEvents > 0, model != kModelBandF);
    EXPECT_EQ(rounds.sessions[0].number, 1);
    EXPECT_EQ(rounds.sessions[1].number, 2);
}

INSTANTIATE_TEST_SUITE_P(Models, ReadEveryModel, testing::Values(kModelPin, kModelBandF, kModelBandA));

// A hand-made session whose every value is known.
std::vector<uint8_t> KnownSession(std::string_view golfCourseName = "Green Hills", std::string_view courseName = "Out")
{
    SessionBuilder round;
    round.GolfCourseName(golfCourseName).CourseName(1, courseName).Bases(83820000, 21394800).GolfCourseId(1234);
    round.Add({.time = PackTime(2016, 5, 12, 9, 30, 5), .longitudeOffset = -600, .satellites = 8, .fixType = 1,
               .fixMode = 3, .courseId = 1, .hole = 7});
    round.Add({.time = PackTime(2016, 5, 12, 9, 31, 0), .longitudeOffset = 600, .latitudeOffset = -600,
               .additionalNumber = 2, .club = 14, .lie = 2, .courseId = 1, .hole = 7, .type = RecordType::Mark});
    round.Add({.time = PackTime(2016, 5, 12, 9, 32, 10), .type = RecordType::AccEvent});
    round.AddFix(PackTime(2016, 5, 12, 9, 59, 59)); // never examined by the writer
    return round.Bytes();
}

TEST(RoundReader, ReadsEveryField)
{
    const RoundFile rounds = ReadOrFail(CsvOf(kModelBandA, {KnownSession()}));
    ASSERT_EQ(rounds.sessions.size(), 1u);
    const RoundSession& session = rounds.sessions[0];
    EXPECT_EQ(session.start, (RoundTime{2016, 5, 12, 9, 30, 5}));
    EXPECT_EQ(session.golfCourseName, "Green Hills");
    ASSERT_EQ(session.fixes.size(), 1u);
    const RoundFix& fix = session.fixes[0];
    EXPECT_DOUBLE_EQ(fix.longitude, 139.699);
    EXPECT_DOUBLE_EQ(fix.latitude, 35.658);
    EXPECT_EQ(fix.satellites, 8);
    EXPECT_EQ(fix.fixType, 1);
    EXPECT_EQ(fix.fixMode, 3);
    EXPECT_EQ(fix.golfCourseId, 1234);
    EXPECT_EQ(fix.courseId, 1);
    EXPECT_EQ(fix.hole, 7);
    ASSERT_EQ(session.accEvents.size(), 1u);
    EXPECT_EQ(session.accEvents[0], (RoundTime{2016, 5, 12, 9, 32, 10}));
    ASSERT_EQ(session.marks.size(), 1u);
    const RoundMark& mark = session.marks[0];
    EXPECT_EQ(mark.golfCourseId, 1234);
    EXPECT_EQ(mark.courseName, "Out");
    EXPECT_EQ(mark.hole, 7);
    EXPECT_EQ(mark.time, (RoundTime{2016, 5, 12, 9, 31, 0}));
    EXPECT_FALSE(mark.putt);
    EXPECT_EQ(mark.additionalNumber, 2);
    EXPECT_DOUBLE_EQ(mark.longitude, 139.701);
    EXPECT_DOUBLE_EQ(mark.latitude, 35.657);
    EXPECT_EQ(mark.club, "7I");
    EXPECT_EQ(mark.lie, "Rough");
}

// Names are written unescaped; the reader puts a name holding the separator back together.
TEST(RoundReader, NamesHoldingTheSeparatorComeBackWhole)
{
    const std::string golf = "A\",\"B";
    const std::string course = "East\",\"West, \"9\"";
    for (const uint16_t model : {kModelPin, kModelBandA}) {
        const RoundFile rounds = ReadOrFail(CsvOf(model, {KnownSession(golf, course)}));
        ASSERT_EQ(rounds.sessions.size(), 1u);
        EXPECT_EQ(rounds.sessions[0].golfCourseName, golf);
        ASSERT_EQ(rounds.sessions[0].marks.size(), 1u);
        EXPECT_EQ(rounds.sessions[0].marks[0].golfCourseName, golf);
        EXPECT_EQ(rounds.sessions[0].marks[0].courseName, course);
        EXPECT_EQ(rounds.sessions[0].marks[0].courseId, 1);
    }
}

std::string Replaced(std::string text, std::string_view from, std::string_view to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// What a user or a spreadsheet may have done to the file; each still reads as the original.
struct Touch {
    const char* name;
    std::function<std::string(const std::string&)> apply;
};

class TouchedFile : public testing::TestWithParam<Touch> {};

TEST_P(TouchedFile, ReadsTheSameRounds)
{
    const auto sessions = sim::GenerateSessions(5, 2, kModelBandA);
    const std::string original = CsvOf(kModelBandA, sessions);
    const RoundFile expected = ReadOrFail(original);
    const RoundFile touched = ReadOrFail(GetParam().apply(original));
    ASSERT_EQ(touched.sessions.size(), expected.sessions.size());
    EXPECT_EQ(touched.modelTag, expected.modelTag);
    for (size_t k = 0; k < expected.sessions.size(); ++k) {
        const RoundSession& a = expected.sessions[k];
        const RoundSession& b = touched.sessions[k];
        EXPECT_EQ(b.golfCourseName, a.golfCourseName);
        EXPECT_EQ(b.start, a.start);
        ASSERT_EQ(b.fixes.size(), a.fixes.size());
        ASSERT_EQ(b.marks.size(), a.marks.size());
        EXPECT_EQ(b.accEvents.size(), a.accEvents.size());
        EXPECT_EQ(b.fixes.back().time, a.fixes.back().time);
        EXPECT_DOUBLE_EQ(b.fixes.back().latitude, a.fixes.back().latitude);
        EXPECT_EQ(b.marks.back().courseName, a.marks.back().courseName);
        EXPECT_EQ(b.marks.back().club, a.marks.back().club);
    }
}

std::string WithoutQuotes(const std::string& text) { return Replaced(text, "\"", ""); }

INSTANTIATE_TEST_SUITE_P(
    Touches, TouchedFile,
    testing::Values(Touch{"NoByteOrderMark", [](const std::string& text) { return text.substr(3); }},
                    Touch{"CrlfLineEnds", [](const std::string& text) { return Replaced(text, "\n", "\r\n"); }},
                    Touch{"BlankLinesAndNoLastLineEnd",
                          [](const std::string& text) {
                              const std::string spaced = Replaced(text, "\"GPS\"\n", "\n\"GPS\"\n\n");
                              return spaced.substr(0, spaced.size() - 1);
                          }},
                    Touch{"UnquotedResave", [](const std::string& text) { return WithoutQuotes(text); }}),
    [](const testing::TestParamInfo<Touch>& info) { return std::string(info.param.name); });

TEST(RoundReader, ReadsAFileSavedBackInCodePage932)
{
    // Course names in kana and kanji, saved the way a spreadsheet saves for Japanese Windows.
    SessionBuilder round;
    round.GolfCourseName("\x82\xb3\x82\xad\x82\xe7").CourseName(1, "\x93\x8c"); // さくら, 東
    round.Add({.time = PackTime(2020, 1, 2, 3, 4, 5), .fixMode = 3, .courseId = 1, .hole = 1});
    round.Add({.time = PackTime(2020, 1, 2, 3, 4, 6), .courseId = 1, .hole = 1, .type = RecordType::Mark});
    round.AddFix(PackTime(2020, 1, 2, 3, 4, 7));
    const std::string utf8 = CsvOf(kModelPin, {round.Bytes()});
    std::string cp932 = Replaced(Replaced(utf8.substr(3), "さくら", "\x82\xb3\x82\xad\x82\xe7"), "東", "\x93\x8c");
    const RoundFile rounds = ReadOrFail(cp932);
    ASSERT_EQ(rounds.sessions.size(), 1u);
    EXPECT_EQ(rounds.sessions[0].golfCourseName, "さくら");
    ASSERT_EQ(rounds.sessions[0].marks.size(), 1u);
    EXPECT_EQ(rounds.sessions[0].marks[0].courseName, "東");
}

struct EmptyCase {
    const char* name;
    std::string text;
    size_t sessions;
};

class EmptyButOurs : public testing::TestWithParam<EmptyCase> {};

TEST_P(EmptyButOurs, ReadsWithoutRounds)
{
    const RoundFile rounds = ReadOrFail(GetParam().text);
    EXPECT_EQ(rounds.sessions.size(), GetParam().sessions);
    for (const RoundSession& session : rounds.sessions) {
        EXPECT_TRUE(session.fixes.empty());
        EXPECT_TRUE(session.marks.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EmptyButOurs,
    testing::Values(EmptyCase{"ByteOrderMarkOnly", "\xEF\xBB\xBF", 0},
                    EmptyCase{"ModelTagOnly", "\xEF\xBB\xBF\"bandA\"\n", 0},
                    // A session whose slot 0 has the time word 0: the line dates it 20140101_000000.
                    EmptyCase{"SessionWithoutRecords", CsvOf(kModelBandF, {std::vector<uint8_t>(272 + 32, 0)}), 1}),
    [](const testing::TestParamInfo<EmptyCase>& info) { return std::string(info.param.name); });

struct RefusedCase {
    const char* name;
    std::string text;
    std::string message; // part of the error's text
};

class RefusedFile : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedFile, SaysWhy)
{
    RoundFile rounds;
    RoundReadError error;
    EXPECT_FALSE(ReadRounds(GetParam().text, rounds, error));
    EXPECT_NE(error.Text().find(GetParam().message), std::string::npos) << error.Text();
    EXPECT_TRUE(rounds.sessions.empty() || !GetParam().message.starts_with("not a play data file"));
}

const std::string kGood = CsvOf(kModelBandA, {KnownSession()});

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedFile,
    testing::Values(
        RefusedCase{"Empty", "", "not a play data file: the file is empty"},
        RefusedCase{"SomeText", "hello, world\n", "line 1: not a play data file"},
        RefusedCase{"OtherCsv", "\xEF\xBB\xBF\"name\",\"value\"\n\"a\",\"1\"\n", "line 1: not a play data file"},
        RefusedCase{"Binary", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "binary"},
        RefusedCase{"GpxFile", "<?xml version=\"1.0\"?>\n<gpx/>\n", "line 1: not a play data file"},
        RefusedCase{"NoGpsLine", Replaced(kGood, "\"GPS\"\n", ""), "line 3: expected the \"GPS\" line"},
        RefusedCase{"ShortFixLine", Replaced(kGood, ",\"1\",\"7\"\n", ",\"1\"\n"), "line 5: a GPS line needs 10 fields"},
        RefusedCase{"BadLatitude", Replaced(kGood, "35.658000", "north"), "line 5: a GPS line's longitude or latitude"},
        RefusedCase{"BadMarkKind", Replaced(kGood, "\"s\",\"2\"", "\"x\",\"2\""), "neither \"s\" nor \"p\""},
        RefusedCase{"StopsBeforeColumns", kGood.substr(0, kGood.find("\"date\"")), "stops before its GPS column line"},
        RefusedCase{"SectionBeforeSession", "\"bandA\"\n\"MRK\"\n", "line 2: not a play data file"}),
    [](const testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

TEST(RoundReader, FileErrorsNameThePath)
{
    TempDir folder;
    RoundFile rounds;
    std::string error;
    EXPECT_FALSE(ReadRoundFile(folder.File("missing.csv"), rounds, error));
    EXPECT_NE(error.find("cannot open " + folder.File("missing.csv")), std::string::npos) << error;

    WriteText(folder.File("notes.csv"), "shopping list\n");
    EXPECT_FALSE(ReadRoundFile(folder.File("notes.csv"), rounds, error));
    EXPECT_EQ(error, folder.File("notes.csv") + ": line 1: not a play data file: expected a model tag or a SESSION line");

    // A device is refused on its first bytes, not read to the size limit.
    EXPECT_FALSE(ReadRoundFile("/dev/zero", rounds, error));
    EXPECT_EQ(error, "/dev/zero: not a play data file: it holds binary data");

    WriteText(folder.File("round.csv"), kGood);
    EXPECT_TRUE(ReadRoundFile(folder.File("round.csv"), rounds, error)) << error;
    EXPECT_EQ(rounds.sessions.size(), 1u);
}

} // namespace
