#include "Commands.h"
#include "OutputFile.h"
#include "RoundExport.h"
#include "RoundPlot.h"
#include "RoundReader.h"
#include "RoundStats.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace teedesk::cli {

namespace {

constexpr const char* kCreator = "TeeDesk " TEEDESK_VERSION;

struct ExportOptions {
    std::string format;
    std::string csvPath;
    std::string outPath;
};

struct PlotOptions {
    std::string csvPath;
    int session = 0; // 0: the first one
    std::string outPath;
    double width = PlotSize{}.width;
    double height = PlotSize{}.height;
};

struct StatsOptions {
    std::string csvPath;
    int session = 0; // 0: every session
};

int WriteOutput(const std::string& path, const std::string& content)
{
    return OutputFile::WriteWhole(path, content.data(), content.size()) ? kExitOk : kExitFailed;
}

bool Read(const std::string& path, RoundFile& rounds)
{
    std::string error;
    if (ReadRoundFile(path, rounds, error))
        return true;
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
}

const RoundSession* FindSession(const RoundFile& rounds, int number, const std::string& path)
{
    if (const RoundSession* session = rounds.Find(number))
        return session;
    if (rounds.sessions.empty())
        std::fprintf(stderr, "%s holds no session\n", path.c_str());
    else
        std::fprintf(stderr, "%s holds no SESSION%d (sessions: %d to %d)\n", path.c_str(), number,
                     rounds.sessions.front().number, rounds.sessions.back().number);
    return nullptr;
}

int Export(const ExportOptions& options)
{
    RoundFile rounds;
    if (!Read(options.csvPath, rounds))
        return kExitFailed;
    const std::optional<RoundFormat> format = ParseRoundFormat(options.format);
    if (!format)
        return kExitUsage;
    return WriteOutput(options.outPath, ExportRounds(rounds, *format, kCreator));
}

int Plot(const PlotOptions& options)
{
    RoundFile rounds;
    if (!Read(options.csvPath, rounds))
        return kExitFailed;
    const RoundSession* session = nullptr;
    if (options.session == 0 && !rounds.sessions.empty())
        session = &rounds.sessions.front();
    else
        session = FindSession(rounds, options.session == 0 ? 1 : options.session, options.csvPath);
    if (!session)
        return kExitFailed;
    return WriteOutput(options.outPath, RenderRoundSvg(LayOutRound(*session, {options.width, options.height})));
}

std::string Metres(double value)
{
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1);
    return error == std::errc() ? std::string(text, end) : "?";
}

// Pads ASCII columns; names that may hold wide characters come last on their lines.
std::string Left(const std::string& text, size_t width) { return text.size() >= width ? text : text + std::string(width - text.size(), ' '); }
std::string Right(const std::string& text, size_t width) { return text.size() >= width ? text : std::string(width - text.size(), ' ') + text; }

std::string Shown(const std::optional<std::string>& value) { return value && !value->empty() ? *value : "-"; }

int Stats(const StatsOptions& options)
{
    RoundFile rounds;
    if (!Read(options.csvPath, rounds))
        return kExitFailed;
    std::vector<const RoundSession*> chosen;
    if (options.session != 0) {
        const RoundSession* session = FindSession(rounds, options.session, options.csvPath);
        if (!session)
            return kExitFailed;
        chosen.push_back(session);
    } else {
        for (const RoundSession& session : rounds.sessions)
            chosen.push_back(&session);
    }

    std::vector<SessionDistances> measured;
    for (const RoundSession* session : chosen)
        measured.push_back(MeasureSession(*session));

    std::string out;
    for (const SessionDistances& session : measured) {
        out += "SESSION" + std::to_string(session.session->number) + "  " + IsoLocalTime(session.session->start) + "  " +
               session.session->golfCourseName + "\n";
        if (session.holes.empty())
            out += "  no marks\n";
        for (const HoleDistances& hole : session.holes) {
            out += "  " + hole.label + "\n";
            for (const MarkDistance& distance : hole.marks) {
                const RoundMark& mark = *distance.mark;
                out += "    " + Left(std::string(mark.putt ? "P" : "S") + std::to_string(mark.additionalNumber), 5) +
                       Left(Shown(mark.club), 5) + Left(Shown(mark.lie), 9) +
                       Right(distance.metres ? Metres(*distance.metres) + " m" : "-", 10) + "\n";
            }
        }
    }
    const std::vector<ClubSummary> clubs = SummariseClubs(measured);
    out += options.session != 0 ? "clubs\n" : "clubs (all sessions)\n";
    out += "  " + Left("club", 6) + Right("count", 6) + Right("average m", 11) + Right("longest m", 11) + "\n";
    for (const ClubSummary& club : clubs)
        out += "  " + Left(club.club, 6) + Right(std::to_string(club.count), 6) + Right(Metres(club.averageMetres), 11) +
               Right(Metres(club.longestMetres), 11) + "\n";
    return WriteOutput("-", out);
}

} // namespace

void AddRoundCommands(CLI::App& app, CommandRunner& run)
{
    auto exporting = std::make_shared<ExportOptions>();
    CLI::App* exportCommand = app.add_subcommand("export", "write the rounds of a play data CSV file as GPX, GeoJSON or KML");
    exportCommand->add_option("--format", exporting->format, "gpx, geojson or kml")
        ->required()
        ->transform(CLI::IsMember({"gpx", "geojson", "kml"}, CLI::ignore_case));
    exportCommand->add_option("CSV", exporting->csvPath, "a play data CSV file")->required();
    exportCommand->add_option("-o", exporting->outPath, "the file to write (- for standard output)")
        ->type_name("OUT")
        ->required();
    exportCommand->callback([&run, exporting] { run = [exporting](CliContext&) { return Export(*exporting); }; });

    auto plot = std::make_shared<PlotOptions>();
    CLI::App* plotCommand = app.add_subcommand("plot", "draw one round of a play data CSV file as SVG");
    plotCommand->add_option("CSV", plot->csvPath, "a play data CSV file")->required();
    plotCommand->add_option("--session", plot->session, "the session number N of SESSIONN (default: the first)")
        ->type_name("N")
        ->check(CLI::PositiveNumber);
    plotCommand->add_option("--width", plot->width, "picture width in pixels")->check(CLI::Range(300.0, 8000.0));
    plotCommand->add_option("--height", plot->height, "picture height in pixels")->check(CLI::Range(200.0, 8000.0));
    plotCommand->add_option("-o", plot->outPath, "the SVG file to write (- for standard output)")
        ->type_name("OUT")
        ->required();
    plotCommand->callback([&run, plot] { run = [plot](CliContext&) { return Plot(*plot); }; });

    auto stats = std::make_shared<StatsOptions>();
    CLI::App* statsCommand = app.add_subcommand("stats", "print shot distances per hole and per club");
    statsCommand->add_option("CSV", stats->csvPath, "a play data CSV file")->required();
    statsCommand->add_option("--session", stats->session, "only session N (default: every session)")
        ->type_name("N")
        ->check(CLI::PositiveNumber);
    statsCommand->callback([&run, stats] { run = [stats](CliContext&) { return Stats(*stats); }; });
}

} // namespace teedesk::cli
