#pragma once
// Where the course reader takes its bytes from: a file, or bytes already in memory.

#include <cstddef>
#include <cstdint>

namespace teedesk {

class CourseSource {
public:
    virtual ~CourseSource() = default;
    // Length of the whole source in bytes.
    virtual uint64_t Size() const = 0;
    // Fills `destination` with exactly `length` bytes from `offset`; false when fewer were there.
    virtual bool ReadAt(uint64_t offset, uint8_t* destination, size_t length) = 0;
};

} // namespace teedesk
