#pragma once
// Little-endian reads and writes for wire and file layouts; never casts unaligned pointers.

#include <cstdint>

namespace teedesk {

inline uint16_t ReadU16Le(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline uint32_t ReadU32Le(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline int16_t ReadI16Le(const uint8_t* p) { return static_cast<int16_t>(ReadU16Le(p)); }
inline int32_t ReadI32Le(const uint8_t* p) { return static_cast<int32_t>(ReadU32Le(p)); }

inline void WriteU16Le(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void WriteU32Le(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

inline void WriteI32Le(uint8_t* p, int32_t v) { WriteU32Le(p, static_cast<uint32_t>(v)); }

} // namespace teedesk
