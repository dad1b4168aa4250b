#include "CommandPacket.h"

#include "ByteOrder.h"
#include "Crc16.h"

#include <cstring>

namespace teedesk {

uint32_t CommandPacket::Argument() const { return ReadU32Le(argument); }
void CommandPacket::SetArgument(uint32_t value) { WriteU32Le(argument, value); }
uint32_t CommandPacket::FirstWord() const { return ReadU32Le(payload); }
void CommandPacket::SetFirstWord(uint32_t value) { WriteU32Le(payload, value); }

uint16_t PacketCrc(const CommandPacket& packet)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(&packet);
    return Crc16(bytes + 1, bytes + 264);
}

void StampPacket(CommandPacket& packet, uint8_t command, uint8_t direction)
{
    packet.start = kPacketStart;
    packet.end = kPacketEnd;
    packet.direction = direction;
    packet.commandCode = command;
    const uint16_t crc = PacketCrc(packet);
    packet.crcHigh = static_cast<uint8_t>(crc >> 8);
    packet.crcLow = static_cast<uint8_t>(crc);
}

bool IsAcceptableReply(const CommandPacket& reply, uint8_t expectedCommand)
{
    if (reply.start != kPacketStart || reply.end != kPacketEnd)
        return false;
    if (PacketCrc(reply) != static_cast<uint16_t>(reply.crcHigh << 8 | reply.crcLow))
        return false;
    if (reply.commandCode != expectedCommand)
        return false;
    // The watch answers 1 or 2; the two are not told apart.
    return reply.direction == 1 || reply.direction == 2;
}

void PacketToReport(const CommandPacket& packet, uint8_t* report)
{
    report[0] = 0;
    std::memcpy(report + 1, &packet, kPacketSize);
}

void ReportToPacket(const uint8_t* report, CommandPacket& packet) { std::memcpy(&packet, report + 1, kPacketSize); }

} // namespace teedesk
