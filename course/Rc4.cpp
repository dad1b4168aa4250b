#include "Rc4.h"

namespace teedesk {

void Rc4Init(Rc4State& state, const uint8_t* key)
{
    for (int n = 0; n < 256; ++n)
        state.s[n] = static_cast<uint8_t>(n);
    uint8_t j = 0;
    for (int n = 0; n < 256; ++n) {
        const uint8_t t = state.s[n];
        j = static_cast<uint8_t>(j + t + key[n % kRc4KeySize]);
        state.s[n] = state.s[j];
        state.s[j] = t;
    }
    state.i = 0;
    state.j = 0;
}

void Rc4Crypt(Rc4State& state, uint8_t* data, size_t length)
{
    uint8_t* const s = state.s;
    uint8_t i = state.i;
    uint8_t j = state.j;
    for (size_t n = 0; n < length; ++n) {
        i = static_cast<uint8_t>(i + 1);
        const uint8_t si = s[i];
        j = static_cast<uint8_t>(j + si);
        const uint8_t sj = s[j];
        s[i] = sj;
        s[j] = si;
        data[n] ^= s[static_cast<uint8_t>(si + sj)];
    }
    state.i = i;
    state.j = j;
}

} // namespace teedesk
