#pragma once

#include <cstddef>
#include <cstdint>

namespace teedesk {

constexpr size_t kPacketSize = 268;
constexpr size_t kReportSize = 269; // one leading report id byte, always 0
constexpr size_t kBlockSize = 256;

constexpr uint8_t kPacketStart = 0x23; // '#'
constexpr uint8_t kPacketEnd = 0x2A;   // '*'

// Command codes of the watch; all travel in one byte.
namespace Command {
constexpr uint8_t Version = 1;
constexpr uint8_t Firmware = 2;
constexpr uint8_t Course = 3;
constexpr uint8_t SessionCount = 4;
constexpr uint8_t Session = 5;
constexpr uint8_t Identity = 200;
} // namespace Command

// One framed command, byte for byte as it travels in report bytes 1 to 268.
struct CommandPacket {
    uint8_t start;
    uint8_t direction;
    uint8_t commandCode;
    uint8_t phase;        // 1 in an opening exchange, 0 in a block exchange
    uint8_t argument[4];  // u32 little-endian: block index, session index or 0
    uint8_t payload[256];
    uint8_t crcHigh;      // CRC-16 over bytes 1..263, high byte first
    uint8_t crcLow;
    uint8_t reserved;
    uint8_t end;

    uint32_t Argument() const;
    void SetArgument(uint32_t value);
    // The first payload word: a size, a count or a session's byte count.
    uint32_t FirstWord() const;
    void SetFirstWord(uint32_t value);
};

static_assert(sizeof(CommandPacket) == kPacketSize);
static_assert(offsetof(CommandPacket, direction) == 1);
static_assert(offsetof(CommandPacket, commandCode) == 2);
static_assert(offsetof(CommandPacket, phase) == 3);
static_assert(offsetof(CommandPacket, argument) == 4);
static_assert(offsetof(CommandPacket, payload) == 8);
static_assert(offsetof(CommandPacket, crcHigh) == 264);
static_assert(offsetof(CommandPacket, crcLow) == 265);
static_assert(offsetof(CommandPacket, reserved) == 266);
static_assert(offsetof(CommandPacket, end) == 267);

// The CRC a packet should carry: over direction, command, phase, argument and payload.
uint16_t PacketCrc(const CommandPacket& packet);

// Frames a packet whose phase, argument and payload are filled: markers, direction, command, CRC.
// The host stamps direction 1; the simulator uses the same code for its replies.
void StampPacket(CommandPacket& packet, uint8_t command, uint8_t direction = 1);

// The checks a reply must pass, in their order: markers, CRC, echoed command, direction 1 or 2.
bool IsAcceptableReply(const CommandPacket& reply, uint8_t expectedCommand);

// Report <-> packet: report byte 0 is the report id, bytes 1..268 the packet.
void PacketToReport(const CommandPacket& packet, uint8_t* report);
void ReportToPacket(const uint8_t* report, CommandPacket& packet);

} // namespace teedesk
