#include "CourseImage.h"

#include "ByteOrder.h"
#include "CommandPacket.h"
#include "CourseBlockConverter.h"
#include "CourseFormat.h"
#include "CourseSourceReader.h"
#include "FileCourseSource.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <numeric>

namespace teedesk {

namespace {

constexpr uint64_t kU16Max = std::numeric_limits<uint16_t>::max();
constexpr uint64_t kU32Max = std::numeric_limits<uint32_t>::max();
constexpr int32_t kNoEntry = -1;

bool IsNamed(const AreaIndexEntry& area) { return area.name[0] != 0; }

void Merge(AreaBoundsEntry& area, const CourseRecord& course)
{
    if (area.courseCount == 0) {
        area.upper1 = course.upper1;
        area.upper2 = course.upper2;
        area.lower1 = course.lower1;
        area.lower2 = course.lower2;
        return;
    }
    area.upper1 = std::max(area.upper1, course.upper1);
    area.upper2 = std::max(area.upper2, course.upper2);
    area.lower1 = std::min(area.lower1, course.lower1);
    area.lower2 = std::min(area.lower2, course.lower2);
}

} // namespace

void CourseImage::Release()
{
    buffer_.reset();
    bufferSize_ = 0;
    size_ = 0;
}

bool CourseImage::Build(const std::string& path, uint16_t modelIndex)
{
    Release();
    FileCourseSource file;
    if (file.Open(path) != FileOpenStatus::Opened)
        return false;
    return Build(file, modelIndex);
}

bool CourseImage::Build(CourseSource& source, uint16_t modelIndex)
{
    Release();
    bool built = false;
    try {
        built = BuildFrom(source, modelIndex);
    } catch (const std::bad_alloc&) {
        built = false;
    }
    if (!built)
        Release();
    return built;
}

bool CourseImage::BuildFrom(CourseSource& source, uint16_t modelIndex)
{
    CourseSourceReader reader(source);
    if (!reader.ReadHeader() || !reader.CheckHeader(modelIndex) || !reader.ReadTables())
        return false;
    const CourseSourceHeader& header = reader.header();
    const std::vector<CourseRecord>& courses = reader.courses();
    const uint64_t courseCount = courses.size();

    std::vector<AreaIndexEntry> areaIndex;
    if (!CollectAreas(reader.areas(), areaIndex))
        return false;
    const uint64_t slotCount = areaIndex.size(); // N
    const uint64_t dataStart = kImageHeaderSize + 84 * courseCount + 276 * slotCount; // D
    if (dataStart > kU32Max)
        return false;

    // Courses of one area in table order, and of one area and slot in table order.
    std::vector<uint32_t> byArea(courseCount);
    std::iota(byArea.begin(), byArea.end(), 0u);
    std::stable_sort(byArea.begin(), byArea.end(),
                     [&](uint32_t x, uint32_t y) { return courses[x].areaNumber < courses[y].areaNumber; });
    std::vector<uint32_t> bySlot = byArea;
    std::stable_sort(bySlot.begin(), bySlot.end(),
                     [&](uint32_t x, uint32_t y) { return courses[x].slotCode < courses[y].slotCode; });
    std::stable_sort(bySlot.begin(), bySlot.end(),
                     [&](uint32_t x, uint32_t y) { return courses[x].areaNumber < courses[y].areaNumber; });

    // Bounds pass.
    std::vector<CourseBoundsEntry> courseBounds(courseCount);
    std::vector<AreaBoundsEntry> areaBounds(slotCount);
    uint64_t r = 0;
    auto nextByArea = byArea.begin();
    for (uint64_t a = 0; a < slotCount; ++a) {
        while (nextByArea != byArea.end() && courses[*nextByArea].areaNumber < a + 1)
            ++nextByArea;
        if (!IsNamed(areaIndex[a]))
            continue;
        if (r > kU16Max)
            return false;
        AreaBoundsEntry& area = areaBounds[a];
        area.firstCourse = static_cast<uint16_t>(r);
        for (; nextByArea != byArea.end() && courses[*nextByArea].areaNumber == a + 1; ++nextByArea) {
            const CourseRecord& course = courses[*nextByArea];
            if (area.courseCount == kU16Max)
                return false;
            courseBounds[r] = {course.upper1, course.upper2, course.lower1, course.lower2, course.blockOffset,
                               course.blockLength};
            Merge(area, course);
            ++area.courseCount;
            ++r;
        }
    }

    // Name pass.
    std::vector<CourseNameEntry> courseNames(courseCount);
    uint64_t p = 0;
    uint8_t head[kCourseHeadSize];
    auto nextBySlot = bySlot.begin();
    for (uint64_t a = 0; a < slotCount; ++a) {
        if (!IsNamed(areaIndex[a]))
            continue;
        for (uint32_t j = 0; j < kSlotCount; ++j) {
            const uint8_t code = static_cast<uint8_t>(kFirstSlotCode + j);
            while (nextBySlot != bySlot.end() &&
                   (courses[*nextBySlot].areaNumber < a + 1 ||
                    (courses[*nextBySlot].areaNumber == a + 1 && courses[*nextBySlot].slotCode < code)))
                ++nextBySlot;
            if (p > kU16Max)
                return false;
            AreaSlot& slot = areaIndex[a].slots[j];
            slot.firstCourse = static_cast<uint16_t>(p);
            for (; nextBySlot != bySlot.end() && courses[*nextBySlot].areaNumber == a + 1 &&
                   courses[*nextBySlot].slotCode == code;
                 ++nextBySlot) {
                const CourseRecord& course = courses[*nextBySlot];
                if (slot.courseCount == kU16Max || !reader.ReadHead(course, head))
                    return false;
                CourseNameEntry& entry = courseNames[p];
                entry.courseId = course.courseId;
                std::memcpy(entry.name, head + 2, kCourseNameSize - 1);
                entry.name[kCourseNameSize - 1] = 0;
                entry.dataOffset = course.blockOffset;
                entry.dataLength = course.blockLength;
                ++slot.courseCount;
                ++p;
            }
        }
    }
    // A course without a name entry (its area unnamed or its slot code out of range) would
    // have its block match nothing.
    if (p != courseCount)
        return false;

    // The bound B: the tables plus at most the file's bytes, since no converted block is longer
    // than its source block.
    const uint64_t positive = 276 * slotCount + (84 - uint64_t{kCourseRecordSize}) * courseCount + reader.fileSize();
    const uint64_t negative = uint64_t{header.areaRecordSize} * header.areaCount;
    if (negative > positive)
        return false;
    const uint64_t bound = positive - negative;
    if (bound < dataStart || bound > kU32Max)
        return false;
    // Every byte below D + m is written below; the rest is zeroed once the data is placed.
    bufferSize_ = static_cast<size_t>(bound) + kBlockSize;
    buffer_.reset(new uint8_t[bufferSize_]);

    // First name entry of each identifier; a second block with the same identifier is refused,
    // since it would leave another entry pointing at source offsets.
    std::vector<int32_t> entryOfId(size_t{kU16Max} + 1, kNoEntry);
    for (uint64_t i = courseCount; i-- > 0;)
        entryOfId[courseNames[i].courseId] = static_cast<int32_t>(i);
    std::vector<bool> placed(courseCount, false);

    // Placement pass.
    // Blocks are converted straight into place: the image's free room serves as the staging
    // buffer, which saves a copy of every block.
    std::unique_ptr<uint8_t[]> block(new uint8_t[kMaxBlockLength]);
    uint64_t m = 0;
    for (const CourseRecord& course : courses) {
        if (!reader.ReadBlock(course, block.get()))
            return false;
        uint8_t* target = buffer_.get() + dataStart + m;
        const size_t room = static_cast<size_t>(std::min<uint64_t>(kMaxBlockLength, bound - dataStart - m));
        // Overlapping regions would outgrow the bound: then the room runs out.
        const auto length = ConvertCourseBlock(block.get(), course.blockLength, modelIndex, target, room);
        if (!length)
            return false;
        const int32_t found = entryOfId[ReadU16Le(block.get())];
        if (found == kNoEntry || placed[static_cast<size_t>(found)])
            return false;
        const auto i = static_cast<size_t>(found);
        placed[i] = true;
        courseNames[i].dataOffset = courseBounds[i].dataOffset = static_cast<uint32_t>(m);
        courseNames[i].dataLength = courseBounds[i].dataLength = static_cast<uint32_t>(*length);
        m += *length;
    }

    std::memset(buffer_.get() + dataStart + m, 0, bufferSize_ - dataStart - m);

    // Header and tables.
    uint8_t* image = buffer_.get();
    const uint64_t nameTable = kImageHeaderSize + 24 * courseCount;
    const uint64_t areaBoundsTable = kImageHeaderSize + 84 * courseCount;
    const uint64_t areaIndexTable = areaBoundsTable + 20 * slotCount;
    CourseImageHeader imageHeader = DecodeImageHeader(reader.headerBytes().data());
    imageHeader.dataOffset = static_cast<uint32_t>(dataStart);
    imageHeader.dataOffsetAgain = static_cast<uint32_t>(dataStart);
    imageHeader.courseBoundsOffset = kImageHeaderSize;
    imageHeader.courseNameOffset = static_cast<uint32_t>(nameTable);
    imageHeader.areaSlotCount = static_cast<uint32_t>(slotCount);
    imageHeader.areaBoundsOffset = static_cast<uint32_t>(areaBoundsTable);
    imageHeader.areaIndexOffset = static_cast<uint32_t>(areaIndexTable);
    EncodeImageHeader(imageHeader, image);
    for (uint64_t k = 0; k < courseCount; ++k) {
        EncodeCourseBounds(courseBounds[k], image + kImageHeaderSize + 24 * k);
        EncodeCourseName(courseNames[k], image + nameTable + 60 * k);
    }
    for (uint64_t a = 0; a < slotCount; ++a) {
        EncodeAreaBounds(areaBounds[a], image + areaBoundsTable + 20 * a);
        EncodeAreaIndex(areaIndex[a], image + areaIndexTable + 256 * a);
    }

    // The last course's entry ends the image; without courses the image ends at D.
    uint64_t size = dataStart;
    if (courseCount != 0)
        size += uint64_t{courseBounds.back().dataOffset} + courseBounds.back().dataLength;
    size_ = static_cast<uint32_t>(size);
    return true;
}

} // namespace teedesk
