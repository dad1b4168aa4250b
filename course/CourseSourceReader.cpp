#include "CourseSourceReader.h"

#include <algorithm>
#include <cstring>

namespace teedesk {

namespace {

// Tables are deciphered and decoded in pieces, so no raw copy of a table is kept.
constexpr size_t kTableChunk = 4096;
static_assert(kTableChunk % kCourseRecordSize == 0 && kTableChunk % kAreaRecordSize == 0);

bool FitsIn(uint64_t fileSize, uint64_t offset, uint64_t length)
{
    return offset <= fileSize && length <= fileSize - offset;
}

} // namespace

bool CourseSourceReader::ReadRegion(uint64_t offset, uint8_t* destination, size_t length)
{
    return FitsIn(source_.Size(), offset, length) && source_.ReadAt(offset, destination, length);
}

bool CourseSourceReader::ReadHeader()
{
    if (!ReadRegion(0, headerBytes_.data(), headerBytes_.size()))
        return false;
    std::copy(kCourseKeyPrefix.begin(), kCourseKeyPrefix.end(), key_.begin());
    std::copy_n(headerBytes_.begin(), 8, key_.begin() + kCourseKeyPrefix.size());
    Restart();
    Rc4Crypt(rc4_, headerBytes_.data() + kSourcePlainBytes, kSourceHeaderSize - kSourcePlainBytes);
    header_ = DecodeSourceHeader(headerBytes_.data());
    return true;
}

bool CourseSourceReader::CheckHeader(uint16_t modelIndex) const
{
    if (header_.fileKind != kCourseFileKind || header_.courseRecordSize != kCourseRecordSize)
        return false;
    const uint16_t required = RequiredFormatVersion(modelIndex);
    return required != 0 && header_.formatVersion == required;
}

bool CourseSourceReader::ReadTables()
{
    const uint64_t size = source_.Size();
    const uint64_t courseBytes = uint64_t{header_.courseCount} * kCourseRecordSize;
    const uint64_t areaBytes = uint64_t{header_.areaCount} * kAreaRecordSize;
    if (!FitsIn(size, header_.courseTableOffset, courseBytes) || !FitsIn(size, header_.areaTableOffset, areaBytes))
        return false;

    uint8_t chunk[kTableChunk];
    courses_.clear();
    courses_.reserve(header_.courseCount);
    // The course table continues the header's keystream: no restart here.
    for (uint64_t done = 0; done < courseBytes;) {
        const size_t length = static_cast<size_t>(std::min<uint64_t>(kTableChunk, courseBytes - done));
        if (!source_.ReadAt(header_.courseTableOffset + done, chunk, length))
            return false;
        Rc4Crypt(rc4_, chunk, length);
        for (size_t at = 0; at < length; at += kCourseRecordSize)
            courses_.push_back(DecodeCourseRecord(chunk + at));
        done += length;
    }

    areas_.clear();
    areas_.reserve(header_.areaCount);
    Restart();
    for (uint64_t done = 0; done < areaBytes;) {
        const size_t length = static_cast<size_t>(std::min<uint64_t>(kTableChunk, areaBytes - done));
        if (!source_.ReadAt(header_.areaTableOffset + done, chunk, length))
            return false;
        Rc4Crypt(rc4_, chunk, length);
        for (size_t at = 0; at < length; at += kAreaRecordSize)
            areas_.push_back(DecodeAreaRecord(chunk + at));
        done += length;
    }
    return true;
}

bool CourseSourceReader::ReadHead(const CourseRecord& course, uint8_t* head)
{
    const uint64_t at = uint64_t{header_.blockBase} + course.blockOffset;
    if (!ReadRegion(at, head, kCourseHeadSize))
        return false;
    Restart();
    Rc4Crypt(rc4_, head, kCourseHeadSize);
    return true;
}

bool CourseSourceReader::ReadBlock(const CourseRecord& course, uint8_t* block)
{
    if (course.blockLength > kMaxBlockLength)
        return false;
    const uint64_t at = uint64_t{header_.blockBase} + course.blockOffset;
    if (!ReadRegion(at, block, course.blockLength))
        return false;
    Restart();
    Rc4Crypt(rc4_, block, course.blockLength);
    return true;
}

bool CollectAreas(const std::vector<AreaRecord>& records, std::vector<AreaIndexEntry>& areas)
{
    uint32_t slots = kPrefectureCount;
    for (const AreaRecord& record : records) {
        if (record.areaNumber == 0)
            return false; // it would name the slot before the first
        slots = std::max<uint32_t>(slots, record.areaNumber);
    }
    areas.assign(slots, AreaIndexEntry{});
    for (uint32_t a = 0; a < kPrefectureCount; ++a) {
        const char* name = kDefaultAreaNames[a];
        std::memcpy(areas[a].name, name, std::strlen(name) + 1);
    }
    for (const AreaRecord& record : records) {
        AreaIndexEntry& entry = areas[record.areaNumber - 1u];
        // A name without its NUL in the field is cut to 49 bytes, like a course name.
        const auto* end = std::find(record.name, record.name + kAreaNameSize - 1, uint8_t{0});
        const size_t length = static_cast<size_t>(end - record.name);
        std::copy(record.name, end, entry.name);
        entry.name[length] = 0;
        entry.areaValue = record.areaValue;
    }
    return true;
}

} // namespace teedesk
