#include "CommandPacket.h"
#include "Crc16.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <ostream>
#include <string_view>
#include <vector>

using namespace teedesk;

namespace {

CommandPacket ValidReply(uint8_t command)
{
    CommandPacket packet{};
    packet.SetArgument(7);
    for (size_t i = 0; i < sizeof packet.payload; ++i)
        packet.payload[i] = static_cast<uint8_t>(i * 3);
    StampPacket(packet, command, 1);
    return packet;
}

void Restamp(CommandPacket& packet)
{
    const uint16_t crc = PacketCrc(packet);
    packet.crcHigh = static_cast<uint8_t>(crc >> 8);
    packet.crcLow = static_cast<uint8_t>(crc);
}

} // namespace

TEST(Crc16, KnownValues)
{
    constexpr std::string_view check = "123456789";
    const auto* bytes = reinterpret_cast<const uint8_t*>(check.data());
    EXPECT_EQ(Crc16(bytes, bytes + check.size()), 0x31C3);
    EXPECT_EQ(Crc16(bytes, bytes), 0);
}

TEST(Crc16, AgreesWithTheByteAtATimeFormulation)
{
    // The four-shift form, per byte: swap, xor, and three folds.
    auto reference = [](const std::vector<uint8_t>& bytes) {
        uint16_t c = 0;
        for (uint8_t b : bytes) {
            c = static_cast<uint16_t>((c >> 8) | (c << 8));
            c ^= b;
            c ^= static_cast<uint16_t>((c & 0xFF) >> 4);
            c ^= static_cast<uint16_t>(c << 12);
            c ^= static_cast<uint16_t>((c & 0xFF) << 5);
        }
        return c;
    };
    std::vector<uint8_t> bytes;
    uint32_t state = 12345;
    for (size_t length = 0; length < 300; ++length) {
        EXPECT_EQ(Crc16(bytes.data(), bytes.data() + bytes.size()), reference(bytes)) << "length " << length;
        state = state * 1103515245 + 12345;
        bytes.push_back(static_cast<uint8_t>(state >> 16));
    }
}

TEST(CommandPacket, IdentityRequestLayout)
{
    CommandPacket request{};
    request.phase = 0;
    request.SetArgument(0);
    StampPacket(request, Command::Identity);

    uint8_t report[kReportSize];
    PacketToReport(request, report);
    EXPECT_EQ(report[0], 0);
    const uint8_t* packet = report + 1;
    EXPECT_EQ(packet[0], 0x23);
    EXPECT_EQ(packet[1], 1);
    EXPECT_EQ(packet[2], 0xC8);
    EXPECT_EQ(packet[3], 0);
    for (int i = 4; i < 8; ++i)
        EXPECT_EQ(packet[i], 0);
    EXPECT_EQ(packet[267], 0x2A);

    uint8_t covered[263] = {0x01, 0xC8};
    const uint16_t crc = Crc16(covered, covered + sizeof covered);
    EXPECT_EQ(packet[264], crc >> 8);
    EXPECT_EQ(packet[265], crc & 0xFF);
}

struct ReplyCase {
    const char* name;
    std::function<void(CommandPacket&)> change;
    bool restamp; // recompute the CRC after the change
    bool accepted;
};

void PrintTo(const ReplyCase& replyCase, std::ostream* out) { *out << replyCase.name; }

class ReplyChecks : public testing::TestWithParam<ReplyCase> {};

TEST_P(ReplyChecks, Acceptance)
{
    CommandPacket reply = ValidReply(Command::Version);
    GetParam().change(reply);
    if (GetParam().restamp)
        Restamp(reply);
    EXPECT_EQ(IsAcceptableReply(reply, Command::Version), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Packet, ReplyChecks,
    testing::Values(
        ReplyCase{"Unchanged", [](CommandPacket&) {}, false, true},
        ReplyCase{"DirectionTwo", [](CommandPacket& p) { p.direction = 2; }, true, true},
        ReplyCase{"DirectionZero", [](CommandPacket& p) { p.direction = 0; }, true, false},
        ReplyCase{"DirectionThree", [](CommandPacket& p) { p.direction = 3; }, true, false},
        ReplyCase{"CrcLowByteFirst", [](CommandPacket& p) { std::swap(p.crcHigh, p.crcLow); }, false, false},
        ReplyCase{"OtherCommandEcho", [](CommandPacket& p) { p.commandCode = Command::Firmware; }, true, false},
        ReplyCase{"BadStart", [](CommandPacket& p) { p.start = 0x24; }, false, false},
        ReplyCase{"BadEnd", [](CommandPacket& p) { p.end = 0x2B; }, false, false},
        ReplyCase{"ReservedByteChanged", [](CommandPacket& p) { p.reserved = 0x5A; }, false, true},
        ReplyCase{"PhaseChangedWithoutCrc", [](CommandPacket& p) { p.phase ^= 1; }, false, false},
        ReplyCase{"LastPayloadByteWithoutCrc", [](CommandPacket& p) { p.payload[255] ^= 0x80; }, false, false},
        ReplyCase{"ArgumentChangedWithoutCrc", [](CommandPacket& p) { p.argument[3] ^= 1; }, false, false}),
    [](const testing::TestParamInfo<ReplyCase>& info) { return info.param.name; });

TEST(CommandPacket, CrcLowByteFirstPassesOnlyWhenBothBytesEqual)
{
    // Search a payload whose CRC has equal bytes: then the byte order cannot matter.
    CommandPacket reply{};
    for (uint32_t seed = 0;; ++seed) {
        reply = ValidReply(Command::Version);
        reply.SetArgument(seed);
        StampPacket(reply, Command::Version, 1);
        if (reply.crcHigh == reply.crcLow)
            break;
    }
    std::swap(reply.crcHigh, reply.crcLow);
    EXPECT_TRUE(IsAcceptableReply(reply, Command::Version));
}

TEST(CommandPacket, EveryCoveredByteMatters)
{
    const CommandPacket original = ValidReply(Command::Session);
    for (size_t offset = 1; offset <= 263; ++offset) {
        CommandPacket changed = original;
        reinterpret_cast<uint8_t*>(&changed)[offset] ^= 0x01;
        EXPECT_FALSE(IsAcceptableReply(changed, Command::Session)) << "offset " << offset;
    }
}
