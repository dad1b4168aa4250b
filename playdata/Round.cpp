#include "Round.h"

#include "CsvFormat.h"

#include <algorithm>
#include <cmath>

namespace teedesk {

std::string IsoLocalTime(const RoundTime& time)
{
    std::string text;
    text.reserve(19);
    AppendDecimal(text, time.year, 4);
    text += '-';
    AppendDecimal(text, time.month, 2);
    text += '-';
    AppendDecimal(text, time.day, 2);
    text += 'T';
    AppendDecimal(text, time.hour, 2);
    text += ':';
    AppendDecimal(text, time.minute, 2);
    text += ':';
    AppendDecimal(text, time.second, 2);
    return text;
}

bool IsCalendarTime(const RoundTime& time)
{
    static constexpr int kDaysInMonth[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (time.year < 1 || time.year > 9999 || time.month < 1 || time.month > 12)
        return false;
    const bool leap = (time.year % 4 == 0 && time.year % 100 != 0) || time.year % 400 == 0;
    const int days = time.month == 2 && !leap ? 28 : kDaysInMonth[time.month - 1];
    return time.day >= 1 && time.day <= days && time.hour >= 0 && time.hour <= 23 && time.minute >= 0 &&
           time.minute <= 59 && time.second >= 0 && time.second <= 59;
}

const RoundSession* RoundFile::Find(int sessionNumber) const
{
    const auto found = std::find_if(sessions.begin(), sessions.end(),
                                    [&](const RoundSession& session) { return session.number == sessionNumber; });
    return found == sessions.end() ? nullptr : &*found;
}

std::vector<HoleKey> HolesInPlayOrder(const RoundSession& session)
{
    // Fixes and marks merged by time, so a hole marked before its first fix still sorts right.
    struct Seen {
        RoundTime time;
        HoleKey hole;
    };
    std::vector<Seen> seen;
    seen.reserve(session.fixes.size() + session.marks.size());
    for (const RoundFix& fix : session.fixes)
        seen.push_back({fix.time, {fix.courseId, fix.hole}});
    for (const RoundMark& mark : session.marks)
        seen.push_back({mark.time, {mark.courseId, mark.hole}});
    std::stable_sort(seen.begin(), seen.end(), [](const Seen& a, const Seen& b) { return a.time < b.time; });
    std::vector<HoleKey> holes;
    for (const Seen& item : seen)
        if (std::find(holes.begin(), holes.end(), item.hole) == holes.end())
            holes.push_back(item.hole);
    return holes;
}

std::string HoleLabel(const RoundSession& session, HoleKey hole)
{
    for (const RoundMark& mark : session.marks)
        if (mark.courseId == hole.courseId && !mark.courseName.empty())
            return mark.courseName + " " + std::to_string(hole.hole);
    return "C" + std::to_string(hole.courseId) + " H" + std::to_string(hole.hole);
}

bool IsMappable(double latitude, double longitude)
{
    return std::isfinite(latitude) && std::isfinite(longitude) && latitude >= -90.0 && latitude <= 90.0 &&
           longitude >= -180.0 && longitude < 180.0;
}

} // namespace teedesk
