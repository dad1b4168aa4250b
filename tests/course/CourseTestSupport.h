#pragma once
// Small course files for the course tests, and a view of a built image's tables.

#include "CourseFormat.h"
#include "CourseImage.h"
#include "CourseMaker.h"

#include <cstdint>
#include <string>
#include <vector>

namespace teedesk::test {

// One course (id 101, area 13, slot A) with one hole (k = 2) holding one item of type 1
// (s = 0, p = 1, q = 0); no area records.
tools::CourseFileDescription OneCourse(uint16_t version = 2);
tools::MakerCourse Course(uint16_t id, uint8_t area, uint8_t slotCode = kFirstSlotCode);

// Builds from bytes in memory.
bool BuildFromBytes(const std::vector<uint8_t>& file, uint16_t modelIndex, CourseImage& image);

std::string Cp932ToUtf8(const uint8_t* text, size_t room);

struct ImageView {
    explicit ImageView(const CourseImage& image) : bytes(image.data()), size(image.size()) {}
    CourseImageHeader Header() const { return DecodeImageHeader(bytes); }
    CourseBoundsEntry CourseBounds(size_t k) const;
    CourseNameEntry CourseName(size_t k) const;
    AreaBoundsEntry AreaBounds(size_t a) const;
    AreaIndexEntry AreaIndex(size_t a) const;
    const uint8_t* Data(size_t k) const; // course k's converted block
    const uint8_t* bytes;
    uint32_t size;
};

} // namespace teedesk::test
