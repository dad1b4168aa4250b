#include "Cp932Converter.h"
#include "CsvFile.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace teedesk;
using namespace teedesk::test;

namespace {

std::string Contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(CsvFile, TruncatesAnExistingFileAndClosesOnce)
{
    TempDir folder;
    const std::string path = folder.File("out.csv");
    std::ofstream(path) << "an older and longer file";
    auto file = CsvFile::Create(path);
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->Write("ab"));
    EXPECT_TRUE(file->Write(std::string(200000, 'c'))); // larger than the buffer
    EXPECT_TRUE(file->Close());
    EXPECT_FALSE(file->isOpen());
    EXPECT_TRUE(file->Close());
    EXPECT_FALSE(file->Write("late"));
    EXPECT_EQ(Contents(path), "ab" + std::string(200000, 'c'));
}

TEST(CsvFile, CreationFailureGivesTheReason)
{
    std::string error;
    EXPECT_FALSE(CsvFile::Create("/nonexistent-folder/out.csv", &error));
    EXPECT_FALSE(error.empty());
}

TEST(CsvFile, AFullDiskFailsLaterWritesAndTheClose)
{
    auto file = CsvFile::Create("/dev/full");
    if (!file)
        GTEST_SKIP() << "no /dev/full";
    bool failed = false;
    for (int line = 0; line < 10000 && !failed; ++line)
        failed = !file->Write(std::string(100, 'x'));
    EXPECT_TRUE(failed);
    EXPECT_FALSE(file->Write("x"));
    EXPECT_FALSE(file->Close());
    EXPECT_FALSE(file->Close());
}

TEST(CsvFile, BufferedBytesThatCannotBeFlushedFailTheClose)
{
    auto file = CsvFile::Create("/dev/full");
    if (!file)
        GTEST_SKIP() << "no /dev/full";
    EXPECT_TRUE(file->Write("buffered"));
    EXPECT_FALSE(file->Close());
}

TEST(Cp932, KanaKanjiAndInvalidBytes)
{
    Cp932Converter converter;
    ASSERT_TRUE(converter.isOpen());
    const std::pair<std::string, std::string> cases[] = {
        {"plain ASCII, \"quoted\"\n", "plain ASCII, \"quoted\"\n"},
        {"\x82\xA0\x83\x41\x93\x8C\x8B\x9E", "あア東京"},
        {"\xB1\xDD", "ｱﾝ"},
        {"\x80", "\xEF\xBF\xBD"},
        {"x\xA0y", "x\xEF\xBF\xBDy"},
        {"\x81\"", "\xEF\xBF\xBD\""}, // a lead byte without its trail byte keeps the next character
        {"\x85\x40", "\xEF\xBF\xBD"}, // unassigned double-byte code
    };
    for (const auto& [input, expected] : cases) {
        std::string out = "kept:";
        EXPECT_TRUE(converter.AppendUtf8(input, out));
        EXPECT_EQ(out, "kept:" + expected);
    }
}

} // namespace
