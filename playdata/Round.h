#pragma once
// Rounds as read back from a play data CSV file: what the file holds, in the file's order.
// Texts are UTF-8.

#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace teedesk {

// The watch's local time; the file says nothing of the zone.
struct RoundTime {
    int year = 2014;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    auto Key() const { return std::tie(year, month, day, hour, minute, second); }
    bool operator<(const RoundTime& other) const { return Key() < other.Key(); }
    bool operator==(const RoundTime& other) const { return Key() == other.Key(); }
};

// "YYYY-MM-DDThh:mm:ss", no zone suffix.
std::string IsoLocalTime(const RoundTime& time);
// The packed time can say month 16 or minute 63; such a time names no moment.
bool IsCalendarTime(const RoundTime& time);

struct RoundFix {
    RoundTime time;
    double longitude = 0;
    double latitude = 0;
    int satellites = 0;
    int fixType = 0;
    int fixMode = 0;
    int golfCourseId = 0;
    int courseId = 0;
    int hole = 0;
};

struct RoundMark {
    int golfCourseId = 0;
    std::string golfCourseName;
    int courseId = 0;
    std::string courseName;
    int hole = 0;
    RoundTime time;
    bool putt = false;
    int additionalNumber = 0; // the stroke number on this hole
    double longitude = 0;
    double latitude = 0;
    // Only the LK-Band A records these.
    std::optional<std::string> lie;
    std::optional<std::string> club;
};

struct RoundSession {
    int number = 0; // n of "SESSIONn"
    RoundTime start;
    std::string golfCourseName;
    std::vector<RoundFix> fixes;
    std::vector<RoundTime> accEvents;
    std::vector<RoundMark> marks;
};

struct RoundFile {
    // From the model tag line: 1 LK-Band F, 2 LK-Band A; none for the LKR-Pin.
    std::optional<uint16_t> modelTag;
    std::vector<RoundSession> sessions;

    const RoundSession* Find(int sessionNumber) const;
};

// A hole of a round: holes are numbered per course, so a round over two courses meets hole 1 twice.
struct HoleKey {
    int courseId = 0;
    int hole = 0;

    bool operator==(const HoleKey& other) const { return courseId == other.courseId && hole == other.hole; }
};

// The holes in the order the round first reaches them, from fixes and marks alike.
std::vector<HoleKey> HolesInPlayOrder(const RoundSession& session);

// "東コース 3" where a mark names the course, else "C1 H3".
std::string HoleLabel(const RoundSession& session, HoleKey hole);

// Coordinates a map can hold: finite, latitude within ±90, longitude within [-180, 180).
bool IsMappable(double latitude, double longitude);

} // namespace teedesk
