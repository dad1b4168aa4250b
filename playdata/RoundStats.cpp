#include "RoundStats.h"

#include "SessionLayout.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>

namespace teedesk {

namespace {

double Radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

// Sorting rank: the watch's clubs in their own order, then any other name, then the
// models without clubs.
std::pair<int, std::string> ClubRank(const std::string& club)
{
    for (size_t k = 0; k < kClubNames.size(); ++k)
        if (club == kClubNames[k])
            return {static_cast<int>(k), {}};
    if (club == "shot")
        return {1001, {}};
    if (club == "putt")
        return {1002, {}};
    return {1000, club};
}

} // namespace

double HaversineMetres(double latitude1, double longitude1, double latitude2, double longitude2)
{
    const double phi1 = Radians(latitude1);
    const double phi2 = Radians(latitude2);
    const double sinHalfLatitude = std::sin((phi2 - phi1) / 2);
    const double sinHalfLongitude = std::sin(Radians(longitude2 - longitude1) / 2);
    const double h = sinHalfLatitude * sinHalfLatitude + std::cos(phi1) * std::cos(phi2) * sinHalfLongitude * sinHalfLongitude;
    return 2 * kEarthMeanRadiusMetres * std::asin(std::sqrt(std::min(1.0, h)));
}

std::string ClubKey(const RoundMark& mark)
{
    if (mark.club && !mark.club->empty())
        return *mark.club;
    return mark.putt ? "putt" : "shot";
}

SessionDistances MeasureSession(const RoundSession& session)
{
    SessionDistances result;
    result.session = &session;
    for (const HoleKey& key : HolesInPlayOrder(session)) {
        HoleDistances hole;
        hole.hole = key;
        hole.label = HoleLabel(session, key);
        for (const RoundMark& mark : session.marks)
            if (HoleKey{mark.courseId, mark.hole} == key)
                hole.marks.push_back({&mark, std::nullopt});
        if (hole.marks.empty())
            continue;
        for (size_t k = 0; k + 1 < hole.marks.size(); ++k) {
            const RoundMark& from = *hole.marks[k].mark;
            const RoundMark& to = *hole.marks[k + 1].mark;
            if (IsMappable(from.latitude, from.longitude) && IsMappable(to.latitude, to.longitude))
                hole.marks[k].metres = HaversineMetres(from.latitude, from.longitude, to.latitude, to.longitude);
        }
        result.holes.push_back(std::move(hole));
    }
    return result;
}

std::vector<ClubSummary> SummariseClubs(std::span<const SessionDistances> sessions)
{
    std::map<std::string, ClubSummary> clubs;
    for (const SessionDistances& session : sessions)
        for (const HoleDistances& hole : session.holes)
            for (const MarkDistance& distance : hole.marks) {
                if (!distance.metres)
                    continue;
                const std::string key = ClubKey(*distance.mark);
                ClubSummary& summary = clubs[key];
                summary.club = key;
                ++summary.count;
                summary.averageMetres += *distance.metres; // the sum until the end
                summary.longestMetres = std::max(summary.longestMetres, *distance.metres);
            }
    std::vector<ClubSummary> result;
    for (auto& [key, summary] : clubs) {
        summary.averageMetres /= summary.count;
        result.push_back(summary);
    }
    std::sort(result.begin(), result.end(),
              [](const ClubSummary& a, const ClubSummary& b) { return ClubRank(a.club) < ClubRank(b.club); });
    return result;
}

} // namespace teedesk
