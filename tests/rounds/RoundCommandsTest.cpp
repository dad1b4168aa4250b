#include "DeviceModel.h"
#include "RoundsTestSupport.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>

using namespace teedesk;
using namespace teedesk::test;

namespace {

const std::string kCli = TEEDESK_CLI_PATH;

class RoundCommands : public testing::Test {
protected:
    void SetUp() override
    {
        WriteText(folder.File("round.csv"), SimulatedCsv(kModelBandA, 2, 21));
        WriteText(folder.File("notes.csv"), "shopping list\n");
    }

    // Exit status; standard output and error in `out`.
    int Cli(const std::string& arguments, std::string* out = nullptr)
    {
        int status = 0;
        const std::string output = RunShell("cd " + folder.path() + " && " + kCli + " " + arguments + " 2>&1", &status);
        if (out)
            *out = output;
        return status;
    }

    TempDir folder;
};

TEST_F(RoundCommands, ExportWritesEachFormat)
{
    struct Case {
        const char* format;
        const char* start;
    };
    for (const Case& c : {Case{"gpx", "<?xml"}, Case{"GeoJSON", "{\"type\":\"FeatureCollection\""}, Case{"kml", "<?xml"}}) {
        std::string out;
        EXPECT_EQ(Cli(std::string("export --format ") + c.format + " round.csv -o out.txt", &out), 0) << out;
        EXPECT_TRUE(ReadText(folder.File("out.txt")).starts_with(c.start)) << c.format;
    }
    std::string out;
    EXPECT_EQ(Cli("export --format kml round.csv -o -", &out), 0);
    EXPECT_NE(out.find("<kml xmlns=\"http://www.opengis.net/kml/2.2\">"), std::string::npos);
}

TEST_F(RoundCommands, AFileThatIsNotOursIsRefusedAndNothingIsReplaced)
{
    WriteText(folder.File("keep.gpx"), "earlier export\n");
    std::string out;
    EXPECT_EQ(Cli("export --format gpx notes.csv -o keep.gpx", &out), 1);
    EXPECT_EQ(out, "notes.csv: line 1: not a play data file: expected a model tag or a SESSION line\n");
    EXPECT_EQ(ReadText(folder.File("keep.gpx")), "earlier export\n");
    EXPECT_EQ(Cli("plot notes.csv -o keep.gpx"), 1);
    EXPECT_EQ(Cli("stats missing.csv", &out), 1);
    EXPECT_NE(out.find("cannot open missing.csv"), std::string::npos) << out;
    EXPECT_EQ(RunShell("ls " + folder.path()), "keep.gpx\nnotes.csv\nround.csv\n"); // no temporary file left
}

TEST_F(RoundCommands, PlotDrawsTheChosenSession)
{
    std::string out;
    EXPECT_EQ(Cli("plot round.csv --session 2 -o round.svg", &out), 0) << out;
    const std::string svg = ReadText(folder.File("round.svg"));
    EXPECT_TRUE(svg.starts_with("<?xml")) << svg.substr(0, 100);
    EXPECT_NE(svg.find("<path class=\"hole\""), std::string::npos);

    EXPECT_EQ(Cli("plot round.csv --session 9 -o other.svg", &out), 1);
    EXPECT_EQ(out, "round.csv holds no SESSION9 (sessions: 1 to 2)\n");
    EXPECT_EQ(Cli("plot round.csv --session 0 -o other.svg"), 2);
}

TEST_F(RoundCommands, StatsListsHolesAndClubs)
{
    std::string out;
    EXPECT_EQ(Cli("stats round.csv", &out), 0) << out;
    EXPECT_TRUE(out.starts_with("SESSION1  ")) << out.substr(0, 200);
    EXPECT_NE(out.find("\nSESSION2  "), std::string::npos);
    EXPECT_NE(out.find("\nclubs (all sessions)\n  club   count  average m  longest m\n  1W  "), std::string::npos) << out;
    EXPECT_EQ(Cli("stats round.csv --session 2", &out), 0);
    EXPECT_EQ(out.find("SESSION1"), std::string::npos);
    EXPECT_EQ(Cli("stats round.csv --session 3"), 1);
}

TEST_F(RoundCommands, AnUnknownFormatIsAUsageError)
{
    EXPECT_EQ(Cli("export --format shp round.csv -o out.shp"), 2);
    EXPECT_EQ(RunShell("ls " + folder.path()), "notes.csv\nround.csv\n");
}

} // namespace
