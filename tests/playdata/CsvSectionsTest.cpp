#include "CsvSections.h"
#include "DeviceModel.h"
#include "MemoryOutput.h"
#include "SessionBuilder.h"

#include <gtest/gtest.h>

#include <string>

using namespace teedesk;
using namespace teedesk::test;

namespace {

const std::string kGpsColumns = "\"date\",\"time\",\"lon\",\"lat\",\"sats\",\"fix type\",\"fix mode\",\"gcid\",\"cid\","
                                "\"hole\",\"marked\",\"auto marked\",\"shot/putt\"\n";
const std::string kMrkColumns = "\"MRK\"\n\"GCID\",\"Golf Course name\",\"CID\",\"Course name\",\"Hole No\",\"Date\","
                                "\"time\",\"Shot (s) or Putt (p)\",\"Additional No\",\"Longitude\",\"Latitude\"";

std::string Written(uint16_t model, const std::vector<uint8_t>& session, uint32_t index = 0)
{
    MemoryOutput output;
    CsvWriter file(output, model);
    EXPECT_TRUE(WriteSession(file, index, session));
    EXPECT_TRUE(output.isOpen());
    return output.text;
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n') + 1); }

// Everything after the session line, the "GPS" line and the column line.
std::string Records(uint16_t model, const std::vector<uint8_t>& session)
{
    const std::string text = Written(model, session);
    const size_t columns = text.find(kGpsColumns);
    return columns == std::string::npos ? "<no columns>" : text.substr(columns + kGpsColumns.size());
}

// One round with a fix of each mode kind, a mark, an acceleration event and an unexamined last slot.
std::vector<uint8_t> Round()
{
    SessionBuilder round;
    round.GolfCourseName("Course A").CourseName(1, "Out").Bases(83820000, 21394800).GolfCourseId(1234);
    round.Add({.time = PackTime(2016, 5, 12, 9, 30, 5), .longitudeOffset = -600, .satellites = 8, .fixType = 1,
               .fixMode = 2, .courseId = 1, .hole = 7});
    round.Add({.time = PackTime(2016, 5, 12, 9, 30, 6), .satellites = 3, .fixMode = 1, .courseId = 1, .hole = 7});
    round.Add({.time = PackTime(2016, 5, 12, 9, 31, 0), .longitudeOffset = 600, .latitudeOffset = -600,
               .additionalNumber = 3, .putt = true, .club = 21, .lie = 1, .courseId = 1, .hole = 7,
               .type = RecordType::Mark});
    round.Add({.time = PackTime(2016, 5, 12, 9, 32, 10), .type = RecordType::AccEvent});
    round.Add({.time = PackTime(2016, 5, 12, 9, 32, 11), .type = RecordType::Unused});
    round.Add({.time = PackTime(2016, 5, 12, 9, 33, 0), .satellites = 10, .fixType = 2, .fixMode = 3, .courseId = 1,
               .hole = 8});
    round.AddFix(PackTime(2016, 5, 12, 9, 59, 59)); // the last slot is never examined
    return round.Bytes();
}

struct ModelCase {
    uint16_t model;
    std::string expected;
};

class ModelSections : public testing::TestWithParam<ModelCase> {};

const std::string kRoundStart = "\"SESSION1\",\"20160512_093005\",\"Course A\"\n\"GPS\"\n" + kGpsColumns +
                                "\"2016-05-12\",\"09:30:05\",\"139.699000\",\"35.658000\",\"8\",\"1\",\"2\",\"1234\","
                                "\"1\",\"7\"\n"
                                "\"2016-05-12\",\"09:33:00\",\"139.700000\",\"35.658000\",\"10\",\"2\",\"3\",\"1234\","
                                "\"1\",\"8\"\n";
const std::string kRoundAcc = "\"ACC\"\n\"date\",\"time\"\n\"2016/05/12\",\"09:32:10\"\n";
const std::string kRoundMark =
    "\"1234\",\"Course A\",\"1\",\"Out\",\"7\",\"2016-05-12\",\"09:31:00\",\"p\",\"3\",\"139.701000\",\"35.657000\"";

TEST_P(ModelSections, WritesTheModelsSectionsAndColumns)
{
    EXPECT_EQ(Written(GetParam().model, Round()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Models, ModelSections,
    testing::Values(ModelCase{kModelPin, kRoundStart + kRoundAcc + kMrkColumns + "\n" + kRoundMark + "\n"},
                    ModelCase{kModelBandF, kRoundStart + kMrkColumns + "\n" + kRoundMark + "\n"},
                    ModelCase{kModelBandA, kRoundStart + kRoundAcc + kMrkColumns + ",\"Fairway/Rough\",\"club\"\n" +
                                               kRoundMark + ",\"Fairway\",\"PT\"\n"}));

TEST(FileStart, ByteOrderMarkAndTheModelTagLine)
{
    const std::pair<uint16_t, std::string> cases[] = {
        {kModelPin, "\xEF\xBB\xBF"},
        {kModelBandF, "\xEF\xBB\xBF\"bandF\"\n"},
        {kModelBandA, "\xEF\xBB\xBF\"bandA\"\n"},
    };
    for (const auto& [model, expected] : cases) {
        MemoryOutput output;
        CsvWriter file(output, model);
        EXPECT_TRUE(WriteFileStart(file));
        EXPECT_EQ(output.text, expected) << "model " << model;
    }
}

TEST(GpsSection, OnlyFixModesTwoAndThreeAreWritten)
{
    for (uint8_t mode = 0; mode < 4; ++mode) {
        SessionBuilder session;
        session.Add({.time = PackTime(2020, 1, 2, 3, 4, 5), .satellites = 15, .fixType = 3, .fixMode = mode});
        session.AddFix(PackTime(2020, 1, 2, 3, 4, 6));
        const std::string expected =
            mode < 2 ? ""
                     : "\"2020-01-02\",\"03:04:05\",\"0.000000\",\"0.000000\",\"15\",\"3\",\"" + std::to_string(mode) +
                           "\",\"0\",\"0\",\"0\"\n";
        EXPECT_EQ(Records(kModelPin, session.Bytes()), expected) << "fix mode " << int{mode};
    }
}

struct WalkCase {
    const char* name;
    int slots;             // slots with a time word, 1 second apart
    int zeroAt;            // this slot gets time word 0 (-1: none)
    size_t extraBytes;     // bytes after the last slot, less than a slot
    size_t expectedLines;
};

class SlotWalk : public testing::TestWithParam<WalkCase> {};

TEST_P(SlotWalk, ExaminesAllButTheLastSlotUpToTimeZero)
{
    const WalkCase& walk = GetParam();
    SessionBuilder session;
    for (int slot = 0; slot < walk.slots; ++slot)
        session.AddFix(slot == walk.zeroAt ? 0 : PackTime(2016, 5, 12, 9, 0, slot));
    std::vector<uint8_t> bytes = session.Bytes();
    bytes.resize(bytes.size() + walk.extraBytes, 0xFF);
    const std::string records = Records(kModelPin, bytes);
    EXPECT_EQ(static_cast<size_t>(std::count(records.begin(), records.end(), '\n')), walk.expectedLines);
}

INSTANTIATE_TEST_SUITE_P(Walks, SlotWalk,
                         testing::Values(WalkCase{"FiveSlotsFourExamined", 5, -1, 0, 4},
                                         WalkCase{"PartialSlotNotCounted", 5, -1, 15, 4},
                                         WalkCase{"OneSlotNoneExamined", 1, -1, 0, 0},
                                         WalkCase{"NoSlots", 0, -1, 0, 0},
                                         WalkCase{"StopsAtTimeZero", 5, 2, 0, 2},
                                         WalkCase{"TimeZeroInSlotZero", 5, 0, 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GpsSection, TimeZeroInSlotZeroStillDatesTheSession)
{
    SessionBuilder session;
    session.GolfCourseName("G").AddFix(0).AddFix(PackTime(2016, 5, 12, 9, 0, 0));
    EXPECT_EQ(Written(kModelPin, session.Bytes()), "\"SESSION1\",\"20140101_000000\",\"G\"\n\"GPS\"\n" + kGpsColumns);
}

TEST(GpsSection, SessionNumberIsIndexPlusOne)
{
    SessionBuilder session;
    EXPECT_EQ(Written(kModelPin, session.Bytes(), 41).substr(0, 13), "\"SESSION42\",\"");
}

TEST(Names, CodePage932TextComesOutAsUtf8)
{
    SessionBuilder session;
    session.GolfCourseName("\x93\x8C\x8B\x9E\x83\x53\x83\x8B\x83\x74\xB1"); // 東京ゴルフｱ
    EXPECT_EQ(FirstLine(Written(kModelPin, session.Bytes())),
              "\"SESSION1\",\"20140101_000000\",\"東京ゴルフｱ\"\n");
}

TEST(Names, QuotesAndCommasAreLeftUnescaped)
{
    SessionBuilder session;
    session.GolfCourseName("A \"B\", C");
    EXPECT_EQ(FirstLine(Written(kModelPin, session.Bytes())), "\"SESSION1\",\"20140101_000000\",\"A \"B\", C\"\n");
}

TEST(Names, InvalidBytesBecomeReplacementCharacters)
{
    SessionBuilder session;
    // 0x80 is no character; a lead byte cut off by the name's end must not swallow the quote.
    session.GolfCourseName("A\x80" "B\x81");
    EXPECT_EQ(FirstLine(Written(kModelPin, session.Bytes())),
              "\"SESSION1\",\"20140101_000000\",\"A\xEF\xBF\xBD" "B\xEF\xBF\xBD\"\n");
}

TEST(Names, NameWithoutZeroByteStopsAtTheHeaderEnd)
{
    SessionBuilder session;
    session.Put(SessionHeader::kGolfCourseNameOffset, std::string(SessionHeader::kSize - 4, 'N'));
    session.AddFix(PackTime(2016, 5, 12, 9, 0, 0)).AddFix(PackTime(2016, 5, 12, 9, 0, 1));
    const std::string text = Written(kModelPin, session.Bytes());
    EXPECT_EQ(FirstLine(text), "\"SESSION1\",\"20160512_090000\",\"" + std::string(268, 'N') + "\"\n");
}

std::string MarkLine(uint16_t model, const Slot& mark, const char* courseName = "Out")
{
    SessionBuilder session;
    session.GolfCourseName("G").CourseName(1, courseName).CourseName(6, "Sixth");
    session.Add(mark).AddFix(PackTime(2016, 5, 12, 10, 0, 0));
    const std::string text = Written(model, session.Bytes());
    const size_t head = text.find(kMrkColumns);
    if (head == std::string::npos)
        return "<no MRK>";
    return text.substr(text.find('\n', head + kMrkColumns.size()) + 1);
}

TEST(MarkSection, CourseNamesAndTableCodesStayInsideTheirBounds)
{
    const uint32_t time = PackTime(2016, 5, 12, 9, 31, 0);
    struct Case {
        uint8_t courseId, club, lie;
        const char* expected;
    } cases[] = {
        {1, 0, 2, "\"1\",\"Out\",\"0\",\"2016-05-12\",\"09:31:00\",\"s\",\"0\",\"0.000000\",\"0.000000\",\"Rough\",\"1W\""},
        {6, 22, 0, "\"6\",\"Sixth\",\"0\",\"2016-05-12\",\"09:31:00\",\"s\",\"0\",\"0.000000\",\"0.000000\",\"-\",\"-\""},
        {7, 23, 3, "\"7\",\"\",\"0\",\"2016-05-12\",\"09:31:00\",\"s\",\"0\",\"0.000000\",\"0.000000\",\"-\",\"-\""},
        {255, 63, 3, "\"255\",\"\",\"0\",\"2016-05-12\",\"09:31:00\",\"s\",\"0\",\"0.000000\",\"0.000000\",\"-\",\"-\""},
    };
    for (const Case& c : cases) {
        const Slot mark{.time = time, .club = c.club, .lie = c.lie, .courseId = c.courseId, .type = RecordType::Mark};
        EXPECT_EQ(MarkLine(kModelBandA, mark), std::string("\"0\",\"G\",") + c.expected + "\n")
            << "course " << int{c.courseId} << " club " << int{c.club} << " lie " << int{c.lie};
    }
}

TEST(ShortSessions, NeverReadPastTheirBytes)
{
    SessionBuilder full;
    full.GolfCourseName("Course").GolfCourseId(9).AddFix(PackTime(2016, 5, 12, 9, 30, 5));
    const std::vector<uint8_t> bytes = full.Bytes();
    struct Case {
        size_t length;
        const char* sessionLine;
    } cases[] = {
        // Without a whole header nothing of it is trusted: no name, zero time.
        {0, "\"SESSION1\",\"20140101_000000\",\"\"\n"},
        {100, "\"SESSION1\",\"20140101_000000\",\"\"\n"},
        {271, "\"SESSION1\",\"20140101_000000\",\"\"\n"},
        // A header, but slot 0's time word is cut: zero time.
        {272, "\"SESSION1\",\"20140101_000000\",\"Course\"\n"},
        {275, "\"SESSION1\",\"20140101_000000\",\"Course\"\n"},
        // The time word is whole though the slot is not.
        {276, "\"SESSION1\",\"20160512_093005\",\"Course\"\n"},
    };
    for (const Case& c : cases) {
        // An exact-size copy, so a read past its end is caught by the sanitizers.
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(c.length));
        EXPECT_EQ(Written(kModelBandA, cut), c.sessionLine + std::string("\"GPS\"\n") + kGpsColumns)
            << c.length << " bytes";
    }
}

TEST(FailedWrite, ClosesTheFileOnceAndWritesNothingMore)
{
    const std::string full = Written(kModelBandA, Round());
    // Fail inside the GPS lines, inside the ACC section and inside the MRK section.
    for (const size_t failAfter : {full.find("09:33:00") + 3, full.find("\"ACC\"") + 9, full.size() - 5}) {
        MemoryOutput output(failAfter);
        CsvWriter file(output, kModelBandA);
        EXPECT_FALSE(WriteSession(file, 0, Round())) << failAfter;
        EXPECT_EQ(output.closes, 1);
        EXPECT_EQ(output.text, full.substr(0, failAfter));
        const int calls = output.writeCalls;
        CsvSessionState state;
        EXPECT_FALSE(WriteGpsSection(state, file, Round()));
        EXPECT_EQ(output.writeCalls, calls) << "nothing is offered to a closed file";
        EXPECT_EQ(output.closes, 1);
    }
}

TEST(FailedWrite, EachWriterReportsItsOwnFailure)
{
    const std::string full = Written(kModelPin, Round());
    const size_t accStart = full.find("\"ACC\"");
    const size_t mrkStart = full.find("\"MRK\"");
    const struct {
        size_t failAfter;
        bool gps, acc, mrk;
    } cases[] = {{accStart, true, false, false}, {mrkStart, true, true, false}};
    for (const auto& c : cases) {
        MemoryOutput output(c.failAfter);
        CsvWriter file(output, kModelPin);
        ASSERT_TRUE(file.WriteCsvLine("\"SESSION1\","));
        CsvSessionState state;
        EXPECT_EQ(WriteGpsSection(state, file, Round()), c.gps);
        EXPECT_TRUE(state.hasAccEvents && state.hasMarks);
        EXPECT_EQ(WriteAccSection(state, file, Round()), c.acc);
        EXPECT_EQ(WriteMrkSection(state, file, Round()), c.mrk);
        EXPECT_EQ(output.closes, 1);
    }
}

} // namespace
