#pragma once

#include "CourseSource.h"

#include <span>

namespace teedesk {

// Reads from bytes the caller keeps alive; no copy is made.
class MemoryCourseSource final : public CourseSource {
public:
    explicit MemoryCourseSource(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    uint64_t Size() const override { return bytes_.size(); }
    bool ReadAt(uint64_t offset, uint8_t* destination, size_t length) override;

private:
    std::span<const uint8_t> bytes_;
};

} // namespace teedesk
