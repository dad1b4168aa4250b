#pragma once

#include <cstdint>

namespace teedesk {

class CourseImage;

// Signature at 60, size S at 64, then the CRC-16 over bytes 0..S-1 computed with 0xFFFF in
// its field at 68 and stored there low byte first.
void StampCourseImage(uint8_t* image, uint32_t size);
void StampCourseImage(CourseImage& image);

} // namespace teedesk
