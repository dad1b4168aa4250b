#pragma once
// Shot distances: for each hole, how far the ball went from each mark to the next mark of that
// hole, and per club how many, how far on average and the longest.

#include "Round.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace teedesk {

// The mean Earth radius (IUGG), in metres.
inline constexpr double kEarthMeanRadiusMetres = 6371008.8;

// Great-circle distance by the haversine formula, in metres.
double HaversineMetres(double latitude1, double longitude1, double latitude2, double longitude2);

struct MarkDistance {
    const RoundMark* mark = nullptr;
    // To the next mark of the same hole; none for a hole's last mark or unmappable points.
    std::optional<double> metres;
};

struct HoleDistances {
    HoleKey hole;
    std::string label; // as HoleLabel gives it
    std::vector<MarkDistance> marks; // in the order the marks were recorded
};

struct SessionDistances {
    const RoundSession* session = nullptr;
    std::vector<HoleDistances> holes; // in play order
};

struct ClubSummary {
    std::string club; // the club where the model records it, else "shot" or "putt"
    int count = 0;
    double averageMetres = 0;
    double longestMetres = 0;
};

// The result points into `session`, which must outlive it.
SessionDistances MeasureSession(const RoundSession& session);

// Over every distance of the given sessions; clubs in the order of kClubNames, then others
// by name, then "shot" and "putt".
std::vector<ClubSummary> SummariseClubs(std::span<const SessionDistances> sessions);

// The key a mark is counted under in SummariseClubs.
std::string ClubKey(const RoundMark& mark);

} // namespace teedesk
