#include "OutputFile.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

using teedesk::cli::OutputFile;

namespace {

std::string Read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

size_t EntriesIn(const std::string& folder)
{
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++count;
    return count;
}

} // namespace

TEST(OutputFile, NewFileAppearsOnlyWhenCommitted)
{
    teedesk::test::TempDir folder;
    const std::string path = folder.File("out.csv");
    {
        OutputFile file(path);
        const int descriptor = file.Open();
        ASSERT_GE(descriptor, 0);
        ASSERT_TRUE(teedesk::cli::WriteAllBytes(descriptor, "half", 4));
        EXPECT_FALSE(std::filesystem::exists(path)) << "a partial file stands under the name asked for";
    } // not committed: as a failed write leaves it
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(EntriesIn(folder.path()), 0u) << "the temporary file was left behind";

    ASSERT_TRUE(OutputFile::WriteWhole(path, "whole", 5));
    EXPECT_EQ(Read(path), "whole");
    EXPECT_EQ(EntriesIn(folder.path()), 1u);
}

TEST(OutputFile, FailureKeepsTheOldFileAndItsMode)
{
    teedesk::test::TempDir folder;
    const std::string path = folder.File("image.bin");
    ASSERT_TRUE(OutputFile::WriteWhole(path, "old", 3));
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    {
        OutputFile file(path);
        ASSERT_GE(file.Open(), 0);
    }
    EXPECT_EQ(Read(path), "old");

    ASSERT_TRUE(OutputFile::WriteWhole(path, "new", 3));
    EXPECT_EQ(Read(path), "new");
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(OutputFile, SymbolicLinkKeepsPointingAtTheReplacedFile)
{
    teedesk::test::TempDir folder;
    const std::string target = folder.File("rounds.gpx");
    const std::string link = folder.File("latest.gpx");
    ASSERT_TRUE(OutputFile::WriteWhole(target, "1", 1));
    std::filesystem::create_symlink(target, link);
    ASSERT_TRUE(OutputFile::WriteWhole(link, "2", 1));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(Read(target), "2");
}

TEST(OutputFile, DeviceIsWrittenInPlaceAndItsFailureReported)
{
    if (access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full here";
    EXPECT_FALSE(OutputFile::WriteWhole("/dev/full", "x", 1));
    struct stat info {};
    ASSERT_EQ(stat("/dev/full", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode)) << "the device node was replaced by a file";
    EXPECT_TRUE(OutputFile::WriteWhole("/dev/null", "x", 1));
}

TEST(OutputFile, MissingFolderIsRefused)
{
    EXPECT_FALSE(OutputFile::WriteWhole("/nonexistent-folder/out.csv", "x", 1));
}
