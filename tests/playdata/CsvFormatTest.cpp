#include "CsvFormat.h"
#include "SessionLayout.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <limits>

using namespace teedesk;

namespace {

std::string Printf(const char* format, auto value)
{
    char text[400];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

TEST(CsvFormat, DecimalsMatchPrintf)
{
    const int values[] = {0, 5, 9, 10, 99, 100, 2016, 65535, -5, -123, std::numeric_limits<int>::min()};
    for (const int value : values) {
        for (const auto& [digits, format] : {std::pair{1, "%d"}, {2, "%02d"}, {4, "%04d"}}) {
            std::string out;
            AppendDecimal(out, value, digits);
            EXPECT_EQ(out, Printf(format, value)) << format << " " << value;
        }
    }
}

TEST(CsvFormat, FixedSixMatchesPrintfInTheCLocale)
{
    const double values[] = {0.0, 139.699, 35.658, -139.699, 1.0 / 3.0, 0.0000005, 0.0000015, 3579.139411, -0.0000004};
    for (const double value : values) {
        std::string out;
        AppendFixed6(out, value);
        EXPECT_EQ(out, Printf("%lf", value)) << value;
    }
}

TEST(CsvFormat, CoordinateFromBaseAndOffset)
{
    std::string out;
    AppendFixed6(out, Degrees(83820000, -600));
    EXPECT_EQ(out, "139.699000");
    out.clear();
    // The sum wraps as a 32-bit value rather than overflowing.
    AppendFixed6(out, Degrees(std::numeric_limits<int32_t>::max(), 1));
    EXPECT_EQ(out, Printf("%lf", std::numeric_limits<int32_t>::min() / 600000.0));
}

// A locale whose decimal separator is a comma: an installed one, or one built for the test.
const char* CommaLocale(const teedesk::test::TempDir& folder)
{
    const char* installed[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "de_DE"};
    for (const char* name : installed)
        if (std::setlocale(LC_NUMERIC, name))
            return name;
    const std::string command = "localedef -i de_DE -f UTF-8 " + folder.File("de_DE.UTF-8") + " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        return nullptr;
    setenv("LOCPATH", folder.path().c_str(), 1);
    return std::setlocale(LC_NUMERIC, "de_DE.UTF-8") ? "de_DE.UTF-8" : nullptr;
}

TEST(CsvFormat, DecimalPointWhateverTheLocale)
{
    teedesk::test::TempDir folder;
    const char* chosen = CommaLocale(folder);
    if (!chosen)
        GTEST_SKIP() << "no locale with a decimal comma is available";
    const std::string printed = Printf("%lf", 1.5);
    std::string out;
    AppendFixed6(out, Degrees(83820000, -600));
    std::setlocale(LC_NUMERIC, "C");
    ASSERT_EQ(printed, "1,500000") << chosen << " is not a comma locale";
    EXPECT_EQ(out, "139.699000") << chosen;
}

} // namespace
