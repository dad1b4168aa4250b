#include "CourseStamp.h"

#include "ByteOrder.h"
#include "CourseImage.h"
#include "CourseFormat.h"
#include "Crc16.h"

namespace teedesk {

void StampCourseImage(uint8_t* image, uint32_t size)
{
    WriteU32Le(image + offsetof(CourseImageHeader, signature), kImageSignature);
    WriteU32Le(image + offsetof(CourseImageHeader, imageSize), size);
    WriteU16Le(image + offsetof(CourseImageHeader, crc), 0xFFFF);
    WriteU16Le(image + offsetof(CourseImageHeader, crc), Crc16(image, image + size));
}

void StampCourseImage(CourseImage& image)
{
    if (image.size() >= kImageHeaderSize)
        StampCourseImage(image.data(), image.size());
}

} // namespace teedesk
