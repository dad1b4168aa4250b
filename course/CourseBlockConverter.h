#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace teedesk {

// The payload length of a hole item for a model; nothing for an LK-Band A item whose type has
// no payload rule (neither 1 nor 2).
std::optional<size_t> HoleItemPayloadLength(uint16_t modelIndex, uint8_t type, uint8_t s, uint8_t p, uint8_t q);

// Converts one deciphered course data block into the model's image form. Nothing when a count
// runs past the block or the result would not fit `capacity`. Never reads or writes outside.
std::optional<size_t> ConvertCourseBlock(const uint8_t* source, size_t length, uint16_t modelIndex,
                                         uint8_t* destination, size_t capacity);

} // namespace teedesk
