#pragma once
// Builds session bytes as the watch sends them, field by field, for small fixtures.

#include "ByteOrder.h"
#include "SessionLayout.h"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace teedesk::test {

inline uint32_t PackTime(int year, int month, int day, int hour, int minute, int second)
{
    return (static_cast<uint32_t>(year - 2014) << 26) | (static_cast<uint32_t>(month - 1) << 22) |
           (static_cast<uint32_t>(day - 1) << 17) | (static_cast<uint32_t>(hour) << 12) |
           (static_cast<uint32_t>(minute) << 6) | static_cast<uint32_t>(second);
}

struct Slot {
    uint32_t time = 0;
    int16_t longitudeOffset = 0;
    int16_t latitudeOffset = 0;
    uint8_t additionalNumber = 0;
    bool putt = false;
    uint8_t club = 0;
    uint8_t lie = 0;
    uint8_t satellites = 0;
    uint8_t fixType = 0;
    uint8_t fixMode = 0;
    uint8_t courseId = 0;
    uint8_t hole = 0;
    RecordType type = RecordType::GpsFix;
};

class SessionBuilder {
public:
    SessionBuilder() : bytes_(SessionHeader::kSize, 0) {}

    // Copies `name` (code page 932 bytes) without a terminator; the zero after it is already there.
    SessionBuilder& GolfCourseName(std::string_view name) { return Put(SessionHeader::kGolfCourseNameOffset, name); }
    SessionBuilder& CourseName(unsigned courseId, std::string_view name)
    {
        return Put(SessionHeader::kCourseNamesOffset + SessionHeader::kCourseNameStride * courseId, name);
    }
    SessionBuilder& Bases(int32_t longitude, int32_t latitude)
    {
        WriteI32Le(bytes_.data() + SessionHeader::kLongitudeBaseOffset, longitude);
        WriteI32Le(bytes_.data() + SessionHeader::kLatitudeBaseOffset, latitude);
        return *this;
    }
    SessionBuilder& GolfCourseId(uint16_t id)
    {
        WriteU16Le(bytes_.data() + SessionHeader::kGolfCourseIdOffset, id);
        return *this;
    }
    SessionBuilder& Put(size_t offset, std::string_view raw)
    {
        if (offset + raw.size() > bytes_.size())
            bytes_.resize(offset + raw.size(), 0);
        std::memcpy(bytes_.data() + offset, raw.data(), raw.size());
        return *this;
    }
    SessionBuilder& Add(const Slot& slot)
    {
        uint8_t record[SessionRecord::kSize] = {};
        WriteU32Le(record + SessionRecord::kTimeOffset, slot.time);
        WriteU16Le(record + SessionRecord::kLongitudeOffset, static_cast<uint16_t>(slot.longitudeOffset));
        WriteU16Le(record + SessionRecord::kLatitudeOffset, static_cast<uint16_t>(slot.latitudeOffset));
        record[SessionRecord::kAdditionalNumberOffset] = slot.additionalNumber;
        record[SessionRecord::kShotFlagsOffset] = static_cast<uint8_t>((slot.club << 2) | (slot.putt ? 2 : 0));
        record[SessionRecord::kLieOffset] = slot.lie;
        record[SessionRecord::kFixOffset] =
            static_cast<uint8_t>(slot.satellites | (slot.fixType << 4) | (slot.fixMode << 6));
        record[SessionRecord::kCourseIdOffset] = slot.courseId;
        record[SessionRecord::kHoleOffset] = slot.hole;
        record[SessionRecord::kTypeOffset] = static_cast<uint8_t>(slot.type);
        bytes_.insert(bytes_.end(), record, record + sizeof record);
        return *this;
    }
    // A GPS fix, mode 2, at the given time: filler for slot counts.
    SessionBuilder& AddFix(uint32_t time) { return Add({.time = time, .satellites = 5, .fixMode = 2}); }

    std::vector<uint8_t> Bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

} // namespace teedesk::test
