#include "CourseTestSupport.h"

#include "MemoryCourseSource.h"

#include <unicode/ucnv.h>

#include <cstring>

namespace teedesk::test {

tools::MakerCourse Course(uint16_t id, uint8_t area, uint8_t slotCode)
{
    tools::MakerCourse course;
    course.id = id;
    course.area = area;
    course.slotCode = slotCode;
    course.upper1 = 35700000;
    course.upper2 = 139800000;
    course.lower1 = 35690000;
    course.lower2 = 139790000;
    course.name = "COURSE " + std::to_string(id);
    tools::MakerHole hole;
    hole.byte0 = 1;
    hole.byte1 = 4;
    hole.extraCount = 2;
    hole.field1 = "FIRST";
    hole.field2 = "SECOND";
    tools::MakerItem item;
    item.type = 1;
    item.bytes = {0x21, 0x22, 0x23};
    item.p = 1;
    item.values = {1, 2, 3, 4, 5, 6, 7, 0xABCD};
    hole.items.push_back(item);
    course.holes.push_back(hole);
    return course;
}

tools::CourseFileDescription OneCourse(uint16_t version)
{
    tools::CourseFileDescription description;
    description.version = version;
    description.courses.push_back(Course(101, 13));
    return description;
}

bool BuildFromBytes(const std::vector<uint8_t>& file, uint16_t modelIndex, CourseImage& image)
{
    MemoryCourseSource source(file);
    return image.Build(source, modelIndex);
}

std::string Cp932ToUtf8(const uint8_t* text, size_t room)
{
    const size_t length = strnlen(reinterpret_cast<const char*>(text), room);
    char out[512];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_convert("UTF-8", "windows-932", out, sizeof out, reinterpret_cast<const char*>(text),
                                   static_cast<int32_t>(length), &status);
    return U_SUCCESS(status) ? std::string(out, static_cast<size_t>(n)) : std::string("?");
}

CourseBoundsEntry ImageView::CourseBounds(size_t k) const
{
    return DecodeCourseBounds(bytes + Header().courseBoundsOffset + 24 * k);
}

CourseNameEntry ImageView::CourseName(size_t k) const
{
    return DecodeCourseName(bytes + Header().courseNameOffset + 60 * k);
}

AreaBoundsEntry ImageView::AreaBounds(size_t a) const
{
    return DecodeAreaBounds(bytes + Header().areaBoundsOffset + 20 * a);
}

AreaIndexEntry ImageView::AreaIndex(size_t a) const { return DecodeAreaIndex(bytes + Header().areaIndexOffset + 256 * a); }

const uint8_t* ImageView::Data(size_t k) const { return bytes + Header().dataOffset + CourseBounds(k).dataOffset; }

} // namespace teedesk::test
