// Realistic rounds for the simulated watch, in the byte layout the watch sends: a 272-byte header
// (names in code page 932, coordinate bases, GCID) and 16-byte records ending in a zero time word.

#include "SimulatedWatch.h"

#include "ByteOrder.h"
#include "DeviceModel.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <string_view>

namespace teedesk::sim {

namespace {

constexpr size_t kHeaderSize = 272;
constexpr size_t kRecordSize = 16;
constexpr size_t kGolfCourseNameOffset = 4;
constexpr size_t kCourseNameOffset = 14;
constexpr size_t kCourseNameStride = 40;
constexpr size_t kLongitudeBaseOffset = 260;
constexpr size_t kLatitudeBaseOffset = 264;
constexpr size_t kGcidOffset = 268;
constexpr double kUnitsPerDegree = 600000.0;

enum RecordType : uint8_t { kGpsFix = 0, kMark = 1, kAccEvent = 2 };

constexpr uint8_t kClubDriver = 0, kClub3W = 1, kClub5W = 2, kClub4U = 7, kClub5U = 8, kClub5I = 12, kClub6I = 13,
                  kClub7I = 14, kClub8I = 15, kClub9I = 16, kClubPW = 17, kClubAW = 18, kClubSW = 19, kClubPT = 21;
constexpr uint8_t kLieNone = 0, kLieFairway = 1, kLieRough = 2;

struct GolfCourse {
    const char* name;      // UTF-8 here, code page 932 in the header
    const char* courses[3]; // course ids 1, 2, 3
    int32_t longitudeBase;
    int32_t latitudeBase;
    uint16_t gcid;
};

constexpr GolfCourse kGolfCourses[] = {
    {"富士見ヶ丘カントリー倶楽部", {"東コース", "西コース", "南コース"}, 83358000, 21210000, 1203},
    {"さくら台ゴルフクラブ", {"桜コース", "紅葉コース", "銀杏コース"}, 84060000, 21432000, 2417},
    {"琵琶湖レイクサイドゴルフ場", {"レイクコース", "ヒルコース", "森林コース"}, 81630000, 21030000, 3088},
    {"阿蘇高原ゴルフリゾート", {"ＯＵＴ", "ＩＮ", "高原コース"}, 78660000, 19734000, 4552},
};

constexpr int kParsOfNine[3][9] = {
    {4, 4, 3, 5, 4, 4, 3, 4, 5},
    {4, 5, 4, 3, 4, 4, 5, 3, 4},
    {5, 4, 3, 4, 4, 3, 4, 5, 4},
};

std::string EncodeCp932(std::string_view utf8)
{
    char out[128];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_convert("windows-932", "UTF-8", out, sizeof out, utf8.data(),
                                        static_cast<int32_t>(utf8.size()), &status);
    if (U_FAILURE(status))
        return {};
    return std::string(out, static_cast<size_t>(length));
}

// Whole-number draws from the raw generator, so the bytes do not depend on the library's
// distributions.
class Dice {
public:
    explicit Dice(uint32_t seed) : engine_(seed) {}
    int Between(int low, int high) { return low + static_cast<int>(engine_() % static_cast<uint32_t>(high - low + 1)); }
    bool Chance(int percent) { return Between(0, 99) < percent; }
    double Uniform(double low, double high) { return low + (high - low) * (engine_() / 4294967296.0); }

private:
    std::mt19937 engine_;
};

struct Point {
    double east = 0; // metres from the course's base point
    double north = 0;
};

Point Toward(Point from, double headingDegrees, double metres)
{
    const double radians = headingDegrees * std::numbers::pi / 180.0;
    return {from.east + metres * std::sin(radians), from.north + metres * std::cos(radians)};
}

double Distance(Point a, Point b) { return std::hypot(a.east - b.east, a.north - b.north); }

Point Lerp(Point a, Point b, double t) { return {a.east + (b.east - a.east) * t, a.north + (b.north - a.north) * t}; }

struct Hole {
    int par;
    Point tee;
    Point green;
};

// The same course is laid out the same way in every round.
std::vector<Hole> LayOut(const GolfCourse& golfCourse, int courseId)
{
    Dice dice(golfCourse.gcid * 31u + static_cast<uint32_t>(courseId));
    std::vector<Hole> holes;
    Point position = Toward({}, (courseId - 1) * 120.0, 60);
    double heading = (courseId - 1) * 120.0 + 60.0;
    for (int h = 0; h < 9; ++h) {
        const int par = kParsOfNine[courseId - 1][h];
        const double length = par == 3 ? dice.Between(130, 190) : par == 4 ? dice.Between(300, 410) : dice.Between(440, 530);
        const Point tee = Toward(position, heading, dice.Between(30, 60));
        const Point green = Toward(tee, heading + dice.Between(-15, 15), length);
        holes.push_back({par, tee, green});
        position = green;
        heading += 40.0; // nine holes loop back towards the clubhouse
    }
    return holes;
}

uint8_t ClubFor(double metres)
{
    if (metres > 230) return kClub3W;
    if (metres > 205) return kClub5W;
    if (metres > 185) return kClub4U;
    if (metres > 170) return kClub5U;
    if (metres > 160) return kClub5I;
    if (metres > 150) return kClub6I;
    if (metres > 140) return kClub7I;
    if (metres > 128) return kClub8I;
    if (metres > 115) return kClub9I;
    if (metres > 95) return kClubPW;
    if (metres > 65) return kClubAW;
    return kClubSW;
}

class RoundWriter {
public:
    RoundWriter(Dice& dice, const GolfCourse& golfCourse, uint16_t modelIndex)
        : dice_(dice), golfCourse_(golfCourse), modelIndex_(modelIndex),
          metresToLongitude_(kUnitsPerDegree / (111320.0 * std::cos(golfCourse.latitudeBase / kUnitsPerDegree *
                                                                      std::numbers::pi / 180.0))),
          metresToLatitude_(kUnitsPerDegree / 111320.0)
    {
    }

    void StartAt(int year, int month, int day, int secondsOfDay)
    {
        year_ = year;
        month_ = month;
        day_ = day;
        secondsOfDay_ = secondsOfDay;
        acquiring_ = dice_.Between(5, 9); // the receiver needs a few seconds after the round starts
    }

    void PlayHole(const Hole& hole, uint8_t courseId, uint8_t holeNumber)
    {
        courseId_ = courseId;
        holeNumber_ = holeNumber;
        int toGreen = std::max(1, hole.par - 2 + std::array{-1, 0, 0, 0, 1, 1, 2}[dice_.Between(0, 6)]);
        const int putts = std::array{1, 2, 2, 2, 3}[dice_.Between(0, 4)];
        Point ball = hole.tee;
        int stroke = 0;
        for (int shot = 0; shot < toGreen; ++shot) {
            const bool last = shot + 1 == toGreen;
            const Point target = last ? Toward(hole.green, dice_.Between(0, 359), dice_.Between(0, 8))
                                      : Toward(Lerp(ball, hole.green, 1.0 / (toGreen - shot)), dice_.Between(0, 359),
                                               dice_.Between(0, 18));
            const double distance = Distance(ball, hole.green);
            uint8_t club = ClubFor(Distance(ball, target));
            if (shot == 0 && hole.par >= 4)
                club = dice_.Chance(85) ? kClubDriver : kClub3W;
            const uint8_t lie = shot == 0 ? kLieNone : dice_.Chance(65) ? kLieFairway : kLieRough;
            Stand(ball, dice_.Between(8, 14), ++stroke, false, club, lie, distance > 60 && dice_.Chance(30));
            Walk(ball, target, dice_.Uniform(3.5, 4.5));
            ball = target;
        }
        for (int putt = 0; putt < putts; ++putt) {
            Stand(ball, dice_.Between(8, 12), ++stroke, true, kClubPT, kLieNone, false);
            const Point next = putt + 1 == putts ? hole.green : Lerp(ball, hole.green, 0.85);
            Walk(ball, next, 1.2);
            ball = next;
        }
        Stand(ball, dice_.Between(5, 10), 0, false, 0, 0, false);
    }

    // Between holes the watch records nothing; the clock runs on.
    void Pause(int seconds) { secondsOfDay_ = std::min(secondsOfDay_ + seconds, 24 * 3600 - 1); }

    std::vector<uint8_t> Finish()
    {
        std::vector<uint8_t> bytes(kHeaderSize, 0);
        // Course id 0 is never used, so the golf course name may run on up to course 1's name.
        PutText(bytes, kGolfCourseNameOffset, EncodeCp932(golfCourse_.name),
                kCourseNameOffset + kCourseNameStride - kGolfCourseNameOffset - 1);
        for (int c = 1; c <= 3; ++c) {
            const size_t offset = kCourseNameOffset + kCourseNameStride * static_cast<size_t>(c);
            PutText(bytes, offset, EncodeCp932(golfCourse_.courses[c - 1]), kCourseNameStride - 1);
        }
        WriteI32Le(bytes.data() + kLongitudeBaseOffset, golfCourse_.longitudeBase);
        WriteI32Le(bytes.data() + kLatitudeBaseOffset, golfCourse_.latitudeBase);
        WriteU16Le(bytes.data() + kGcidOffset, golfCourse_.gcid);
        bytes.insert(bytes.end(), records_.begin(), records_.end());
        bytes.resize(bytes.size() + kRecordSize, 0); // the last slot: time word 0 ends the list
        return bytes;
    }

private:
    static void PutText(std::vector<uint8_t>& bytes, size_t offset, const std::string& text, size_t room)
    {
        std::memcpy(bytes.data() + offset, text.data(), std::min(text.size(), room));
    }

    uint32_t PackedTime() const
    {
        const int hour = secondsOfDay_ / 3600, minute = secondsOfDay_ / 60 % 60, second = secondsOfDay_ % 60;
        return static_cast<uint32_t>(year_ - 2014) << 26 | static_cast<uint32_t>(month_ - 1) << 22 |
               static_cast<uint32_t>(day_ - 1) << 17 | static_cast<uint32_t>(hour) << 12 |
               static_cast<uint32_t>(minute) << 6 | static_cast<uint32_t>(second);
    }

    // Fix quality: no fix at the start, short stretches under trees, 3D fixes otherwise.
    uint8_t NextFixBits()
    {
        int mode, satellites;
        if (acquiring_ > 0) {
            mode = acquiring_ > 3 ? 0 : 1;
            satellites = acquiring_ > 3 ? dice_.Between(0, 2) : 3;
            --acquiring_;
        } else if (shaded_ > 0) {
            mode = dice_.Chance(60) ? 1 : 2;
            satellites = dice_.Between(3, 4);
            --shaded_;
        } else {
            if (dice_.Chance(1))
                shaded_ = dice_.Between(3, 8);
            mode = dice_.Chance(85) ? 3 : 2;
            satellites = mode == 3 ? dice_.Between(6, 12) : dice_.Between(4, 6);
        }
        const int fixType = mode >= 2 ? (dice_.Chance(20) ? 2 : 1) : 0;
        fixBits_ = static_cast<uint8_t>(mode << 6 | fixType << 4 | satellites);
        return fixBits_;
    }

    void Record(Point at, RecordType type, uint8_t additional, uint8_t clubBits, uint8_t lie)
    {
        uint8_t slot[kRecordSize] = {};
        WriteU32Le(slot + 0, PackedTime());
        WriteU16Le(slot + 4, static_cast<uint16_t>(ToUnits(at.east * metresToLongitude_)));
        WriteU16Le(slot + 6, static_cast<uint16_t>(ToUnits(at.north * metresToLatitude_)));
        slot[8] = additional;
        slot[9] = clubBits;
        slot[10] = lie;
        slot[12] = fixBits_;
        slot[13] = courseId_;
        slot[14] = holeNumber_;
        slot[15] = type;
        records_.insert(records_.end(), slot, slot + kRecordSize);
    }

    static int16_t ToUnits(double value) { return static_cast<int16_t>(std::clamp(std::lround(value), -32767L, 32767L)); }

    void Fix(Point at)
    {
        const uint8_t bits = NextFixBits();
        const double spread = (bits >> 6) >= 2 ? 1.5 : 12.0;
        Record({at.east + dice_.Uniform(-spread, spread), at.north + dice_.Uniform(-spread, spread)}, kGpsFix, 0, 0, 0);
    }

    void Tick() { secondsOfDay_ = std::min(secondsOfDay_ + 1, 24 * 3600 - 1); }

    // Address the ball for a while, then play it: the swing's acceleration event and the mark
    // fall on the last second. A stroke of 0 stands without playing.
    void Stand(Point at, int seconds, int stroke, bool putt, uint8_t club, uint8_t lie, bool practiceSwing)
    {
        const bool hasAccelerometer = modelIndex_ != kModelBandF;
        for (int s = 0; s < seconds; ++s) {
            Fix(at);
            if (hasAccelerometer && practiceSwing && s == seconds / 2)
                Record(at, kAccEvent, 0, 0, 0);
            if (stroke > 0 && s + 1 == seconds) {
                if (hasAccelerometer && !putt)
                    Record(at, kAccEvent, 0, 0, 0);
                // Only the LK-Band A stores club and lie.
                const bool detailed = modelIndex_ == kModelBandA;
                const uint8_t bits = static_cast<uint8_t>((detailed ? club : 0) << 2 | (putt ? 0x02 : 0));
                Record(at, kMark, static_cast<uint8_t>(stroke), bits, detailed ? lie : 0);
            }
            Tick();
        }
    }

    void Walk(Point from, Point to, double metresPerSecond)
    {
        const int seconds = std::max(1, static_cast<int>(Distance(from, to) / metresPerSecond));
        for (int s = 1; s <= seconds; ++s) {
            Fix(Lerp(from, to, static_cast<double>(s) / seconds));
            Tick();
        }
    }

    Dice& dice_;
    const GolfCourse& golfCourse_;
    const uint16_t modelIndex_;
    const double metresToLongitude_;
    const double metresToLatitude_;
    std::vector<uint8_t> records_;
    int year_ = 2016, month_ = 1, day_ = 1, secondsOfDay_ = 0;
    int acquiring_ = 0;
    int shaded_ = 0;
    uint8_t fixBits_ = 0;
    uint8_t courseId_ = 0;
    uint8_t holeNumber_ = 0;
};

std::vector<uint8_t> GenerateRound(uint32_t seed, uint16_t modelIndex)
{
    Dice dice(seed);
    const GolfCourse& golfCourse = kGolfCourses[dice.Between(0, std::size(kGolfCourses) - 1)];
    const int front = dice.Between(1, 3);
    const int back = front % 3 + 1;
    RoundWriter round(dice, golfCourse, modelIndex);
    round.StartAt(dice.Between(2016, 2024), dice.Between(1, 12), dice.Between(1, 28),
                  dice.Between(7, 9) * 3600 + dice.Between(0, 59) * 60);
    for (const int courseId : {front, back}) {
        const std::vector<Hole> holes = LayOut(golfCourse, courseId);
        for (size_t h = 0; h < holes.size(); ++h) {
            round.PlayHole(holes[h], static_cast<uint8_t>(courseId), static_cast<uint8_t>(h + 1));
            round.Pause(dice.Between(60, 180));
        }
        round.Pause(dice.Between(40, 60) * 60); // lunch between the nines
    }
    return round.Finish();
}

} // namespace

std::vector<std::vector<uint8_t>> GenerateSessions(uint32_t seed, int count, uint16_t modelIndex)
{
    std::vector<std::vector<uint8_t>> sessions;
    for (int i = 0; i < count; ++i)
        sessions.push_back(GenerateRound(seed * 2654435761u + static_cast<uint32_t>(i), modelIndex));
    return sessions;
}

} // namespace teedesk::sim
