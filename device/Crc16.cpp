#include "Crc16.h"

#include <array>

namespace teedesk {

namespace {

// Slicing by eight: table k holds the CRC of a byte followed by k zero bytes, so eight
// independent lookups replace eight dependent ones; a packet's CRC is on every exchange.
using Tables = std::array<std::array<uint16_t, 256>, 8>;

constexpr Tables MakeTables()
{
    Tables tables{};
    for (unsigned value = 0; value < 256; ++value) {
        uint16_t c = static_cast<uint16_t>(value << 8);
        for (int bit = 0; bit < 8; ++bit)
            c = static_cast<uint16_t>((c & 0x8000) ? (c << 1) ^ 0x1021 : c << 1);
        tables[0][value] = c;
    }
    for (size_t k = 1; k < tables.size(); ++k)
        for (unsigned value = 0; value < 256; ++value) {
            const uint16_t previous = tables[k - 1][value];
            tables[k][value] = static_cast<uint16_t>((previous << 8) ^ tables[0][previous >> 8]);
        }
    return tables;
}

constexpr Tables kTables = MakeTables();

} // namespace

uint16_t Crc16(const uint8_t* begin, const uint8_t* end)
{
    uint16_t c = 0;
    const uint8_t* p = begin;
    for (; end - p >= 8; p += 8) {
        c = static_cast<uint16_t>(kTables[7][p[0] ^ (c >> 8)] ^ kTables[6][p[1] ^ (c & 0xFF)] ^
                                  kTables[5][p[2]] ^ kTables[4][p[3]] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^
                                  kTables[1][p[6]] ^ kTables[0][p[7]]);
    }
    for (; p != end; ++p)
        c = static_cast<uint16_t>((c << 8) ^ kTables[0][((c >> 8) ^ *p) & 0xFF]);
    return c;
}

} // namespace teedesk
