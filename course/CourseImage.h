#pragma once
// The course image the watch receives, built from a course source file for one model.

#include "CourseSource.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace teedesk {

class CourseImage {
public:
    // Reads the file at `path` and builds the image for the model. On false nothing usable
    // is held (size 0, no buffer).
    bool Build(const std::string& path, uint16_t modelIndex);
    // The same from any byte source.
    bool Build(CourseSource& source, uint16_t modelIndex);

    void Release();

    // The image, S bytes; the buffer behind it is zero-filled and at least S + 256 bytes long,
    // so the last 256-byte block can always be read whole.
    uint8_t* data() { return buffer_.get(); }
    const uint8_t* data() const { return buffer_.get(); }
    uint32_t size() const { return size_; }
    size_t bufferSize() const { return bufferSize_; }

private:
    bool BuildFrom(CourseSource& source, uint16_t modelIndex);

    std::unique_ptr<uint8_t[]> buffer_;
    size_t bufferSize_ = 0;
    uint32_t size_ = 0;
};

} // namespace teedesk
