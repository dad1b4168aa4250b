#pragma once
// One play session as the watch sends it: a 272-byte header, then 16-byte record slots.
// Views read the bytes in place through the little-endian helpers and never past the
// session's byte count.

#include "ByteOrder.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace teedesk {

enum class RecordType : uint8_t {
    GpsFix = 0,
    Mark = 1,
    AccEvent = 2,
    Unused = 3, // ignored by every writer
};

// Local time packed into 32 bits; the word 0 ends a session's records.
struct PackedDateTime {
    uint32_t word = 0;

    int year() const { return static_cast<int>(word >> 26) + 2014; }
    int month() const { return static_cast<int>((word >> 22) & 0x0F) + 1; }
    int day() const { return static_cast<int>((word >> 17) & 0x1F) + 1; }
    int hour() const { return static_cast<int>((word >> 12) & 0x1F); }
    int minute() const { return static_cast<int>((word >> 6) & 0x3F); }
    int second() const { return static_cast<int>(word & 0x3F); }
};

class SessionHeader {
public:
    static constexpr size_t kSize = 272;
    static constexpr size_t kGolfCourseNameOffset = 4;
    static constexpr size_t kCourseNamesOffset = 14;
    static constexpr size_t kCourseNameStride = 40;
    static constexpr size_t kLongitudeBaseOffset = 260;
    static constexpr size_t kLatitudeBaseOffset = 264;
    static constexpr size_t kGolfCourseIdOffset = 268;

    // A session shorter than a header reads as an empty one: no names, bases and id 0.
    explicit SessionHeader(std::span<const uint8_t> session)
        : bytes_(session.size() >= kSize ? session.data() : nullptr)
    {
    }

    bool complete() const { return bytes_ != nullptr; }
    std::string_view GolfCourseName() const { return NameAt(kGolfCourseNameOffset); }
    // Course ids whose name would start beyond the header have no name.
    std::string_view CourseName(unsigned courseId) const
    {
        return NameAt(kCourseNamesOffset + kCourseNameStride * courseId);
    }
    int32_t LongitudeBase() const { return bytes_ ? ReadI32Le(bytes_ + kLongitudeBaseOffset) : 0; }
    int32_t LatitudeBase() const { return bytes_ ? ReadI32Le(bytes_ + kLatitudeBaseOffset) : 0; }
    uint16_t GolfCourseId() const { return bytes_ ? ReadU16Le(bytes_ + kGolfCourseIdOffset) : 0; }

private:
    // Names end at a zero byte or at the end of the header, whichever comes first.
    std::string_view NameAt(size_t offset) const;

    const uint8_t* bytes_;
};

static_assert(SessionHeader::kLatitudeBaseOffset == SessionHeader::kLongitudeBaseOffset + 4);
static_assert(SessionHeader::kGolfCourseIdOffset == SessionHeader::kLatitudeBaseOffset + 4);
static_assert(SessionHeader::kGolfCourseIdOffset + 2 + 2 == SessionHeader::kSize);

class SessionRecord {
public:
    static constexpr size_t kSize = 16;
    static constexpr size_t kTimeOffset = 0;
    static constexpr size_t kLongitudeOffset = 4;
    static constexpr size_t kLatitudeOffset = 6;
    static constexpr size_t kAdditionalNumberOffset = 8;
    static constexpr size_t kShotFlagsOffset = 9;  // bit 1 putt, bits 2-7 club
    static constexpr size_t kLieOffset = 10;       // bits 0-1 lie code
    static constexpr size_t kFixOffset = 12;       // bits 0-3 satellites, 4-5 fix type, 6-7 fix mode
    static constexpr size_t kCourseIdOffset = 13;
    static constexpr size_t kHoleOffset = 14;
    static constexpr size_t kTypeOffset = 15;      // bits 0-1 RecordType

    // `slot` must hold kSize bytes.
    explicit SessionRecord(const uint8_t* slot) : bytes_(slot) {}

    PackedDateTime time() const { return {ReadU32Le(bytes_ + kTimeOffset)}; }
    int16_t longitudeOffset() const { return ReadI16Le(bytes_ + kLongitudeOffset); }
    int16_t latitudeOffset() const { return ReadI16Le(bytes_ + kLatitudeOffset); }
    unsigned additionalNumber() const { return bytes_[kAdditionalNumberOffset]; }
    bool isPutt() const { return (bytes_[kShotFlagsOffset] & 0x02) != 0; }
    unsigned clubIndex() const { return bytes_[kShotFlagsOffset] >> 2; }
    unsigned lieCode() const { return bytes_[kLieOffset] & 0x03; }
    unsigned satellites() const { return bytes_[kFixOffset] & 0x0F; }
    unsigned fixType() const { return (bytes_[kFixOffset] >> 4) & 0x03; }
    unsigned fixMode() const { return bytes_[kFixOffset] >> 6; }
    unsigned courseId() const { return bytes_[kCourseIdOffset]; }
    unsigned hole() const { return bytes_[kHoleOffset]; }
    RecordType type() const { return static_cast<RecordType>(bytes_[kTypeOffset] & 0x03); }

private:
    const uint8_t* bytes_;
};

static_assert(SessionRecord::kTypeOffset + 1 == SessionRecord::kSize);

// Degrees from a base and an offset in 1/600000 degree; the sum wraps as a 32-bit value would.
inline double Degrees(int32_t base, int16_t offset)
{
    const int32_t sum = static_cast<int32_t>(static_cast<uint32_t>(base) + static_cast<uint32_t>(int32_t{offset}));
    return sum / 600000.0;
}

// The session's bytes, exactly its byte count n of them.
class SessionView {
public:
    explicit SessionView(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    SessionHeader header() const { return SessionHeader(bytes_); }
    size_t slotCount() const
    {
        return bytes_.size() >= SessionHeader::kSize ? (bytes_.size() - SessionHeader::kSize) / SessionRecord::kSize : 0;
    }
    SessionRecord slot(size_t index) const
    {
        return SessionRecord(bytes_.data() + SessionHeader::kSize + SessionRecord::kSize * index);
    }
    // Slot 0's time word dates the session; 0 when the word lies (partly) beyond n.
    PackedDateTime startTime() const
    {
        return bytes_.size() >= SessionHeader::kSize + 4 ? PackedDateTime{ReadU32Le(bytes_.data() + SessionHeader::kSize)}
                                                         : PackedDateTime{};
    }

    // The slots the writers look at: all but the last, up to the first whose time word is 0.
    // `visit` returns false to stop early; the walk then returns false too.
    template <class Visit>
    bool WalkSlots(Visit&& visit) const
    {
        const size_t count = slotCount();
        for (size_t index = 0; index + 1 < count; ++index) {
            const SessionRecord record = slot(index);
            if (record.time().word == 0)
                break;
            if (!visit(record))
                return false;
        }
        return true;
    }

private:
    std::span<const uint8_t> bytes_;
};

// Club and lie names; codes without a name in the tables read as kNoName.
extern const std::array<const char*, 23> kClubNames;
extern const std::array<const char*, 3> kLieNames;
inline constexpr const char* kNoName = "-";

std::string_view ClubName(unsigned clubIndex);
std::string_view LieName(unsigned lieCode);

} // namespace teedesk
