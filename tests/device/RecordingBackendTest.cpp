#include "DeviceLink.h"
#include "FakeHidBackend.h"
#include "RecordingBackend.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

using namespace teedesk;
using namespace std::chrono_literals;

TEST(RecordingBackend, WritesOneLinePerExchangeWithItsOutcome)
{
    test::TempDir folder;
    const std::string path = folder.File("record.jsonl");
    test::FakeHidBackend fake;
    bool answer = true;
    fake.Add({"/fake/watch", {0x10C4, 0x8ADB, 1}, [&](std::span<const uint8_t> request) {
                  return answer ? std::vector<test::Report>{test::MakeReply(request)} : std::vector<test::Report>{};
              }});
    {
        auto recording = RecordingBackend::Create(fake, path);
        ASSERT_TRUE(recording);
        DeviceLink link(*recording, 50ms);
        ASSERT_TRUE(link.Discover());
        uint8_t block[kBlockSize] = {};
        EXPECT_TRUE(link.ReadBlock(Command::Version, 0, block));
        answer = false;
        EXPECT_FALSE(link.ReadBlock(Command::Version, 1, block));
        link.Close();
    }

    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_NE(lines[0].find("\"teedesk_record\":1"), std::string::npos);
    EXPECT_NE(lines[1].find("\"event\":\"open\""), std::string::npos);
    // The reply is the request echoed, so its hex starts like the request's: report id 0, '#', direction 1, command 1.
    EXPECT_NE(lines[2].find("\"out\":\"00230101"), std::string::npos);
    EXPECT_NE(lines[2].find("\"in\":\"00230101"), std::string::npos);
    EXPECT_NE(lines[3].find("\"in\":null,\"outcome\":\"timeout\""), std::string::npos);
}

TEST(RecordingBackend, UnwritableFileIsRefused)
{
    test::FakeHidBackend fake;
    EXPECT_EQ(RecordingBackend::Create(fake, "/nonexistent-folder/record.jsonl"), nullptr);
}
