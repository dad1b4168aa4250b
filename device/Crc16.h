#pragma once

#include <cstdint>
#include <span>

namespace teedesk {

// CRC-16/XMODEM: polynomial 0x1021, initial 0, not reflected, no final XOR.
// An empty range gives 0; "123456789" gives 0x31C3.
uint16_t Crc16(const uint8_t* begin, const uint8_t* end);

inline uint16_t Crc16(std::span<const uint8_t> bytes) { return Crc16(bytes.data(), bytes.data() + bytes.size()); }

} // namespace teedesk
