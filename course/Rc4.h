#pragma once
// The RC4 stream cipher, as published; course source files are enciphered with it.

#include <cstddef>
#include <cstdint>

namespace teedesk {

constexpr size_t kRc4KeySize = 16;

// Kept between calls so that successive Rc4Crypt calls continue one keystream.
struct Rc4State {
    uint8_t s[256];
    uint8_t i;
    uint8_t j;
};

// Key scheduling over a 16-byte key; i = j = 0.
void Rc4Init(Rc4State& state, const uint8_t* key);

// XORs `length` bytes of `data` in place with the next keystream bytes.
void Rc4Crypt(Rc4State& state, uint8_t* data, size_t length);

} // namespace teedesk
