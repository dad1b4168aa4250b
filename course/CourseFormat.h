#pragma once
// Byte layouts of the course source file and of the course image the watch receives. All
// fields are little-endian; records are decoded and encoded through ByteOrder.h only.

#include <array>
#include <cstddef>
#include <cstdint>

namespace teedesk {

// The first half of every course file's RC4 key; the file's first 8 bytes are the second half.
inline constexpr std::array<uint8_t, 8> kCourseKeyPrefix = {'L', 'i', 'n', 'k', 'o', 'r', 'a', 'C'};

constexpr uint32_t kCourseFileKind = 2;
constexpr uint32_t kCourseRecordSize = 32;
constexpr uint32_t kAreaRecordSize = 64;
constexpr size_t kSourceHeaderSize = 128;
constexpr size_t kSourcePlainBytes = 16; // header bytes stored without encipherment
constexpr size_t kCourseHeadSize = 58;
constexpr size_t kMaxBlockLength = 8192;

constexpr uint32_t kPrefectureCount = 47;
constexpr uint32_t kSlotCount = 44;
constexpr uint8_t kFirstSlotCode = 0xB1; // half-width katakana A
constexpr uint8_t kLastSlotCode = 0xDC;  // half-width katakana WA
constexpr size_t kAreaNameSize = 50;
constexpr size_t kCourseNameSize = 50;

constexpr uint32_t kImageSignature = 0x476F6C66; // the bytes 66 6C 6F 47
constexpr size_t kImageHeaderSize = 128;

// The format version a course file must carry for a model; 0 for an unknown model.
uint16_t RequiredFormatVersion(uint16_t modelIndex);

struct CourseSourceHeader {
    uint8_t keySalt[8];
    uint8_t carried8[2];
    uint16_t formatVersion;
    uint32_t fileKind;
    uint8_t carried16[4];
    uint32_t courseCount;
    uint32_t courseRecordSize;
    uint32_t courseTableOffset;
    uint32_t blockBase;
    uint8_t carried36[8];
    uint32_t areaCount;
    uint32_t areaRecordSize;
    uint32_t areaTableOffset;
    uint8_t carried56[72];
};
static_assert(sizeof(CourseSourceHeader) == 128);
static_assert(offsetof(CourseSourceHeader, formatVersion) == 10);
static_assert(offsetof(CourseSourceHeader, fileKind) == 12);
static_assert(offsetof(CourseSourceHeader, courseCount) == 20);
static_assert(offsetof(CourseSourceHeader, courseRecordSize) == 24);
static_assert(offsetof(CourseSourceHeader, courseTableOffset) == 28);
static_assert(offsetof(CourseSourceHeader, blockBase) == 32);
static_assert(offsetof(CourseSourceHeader, areaCount) == 44);
static_assert(offsetof(CourseSourceHeader, areaRecordSize) == 48);
static_assert(offsetof(CourseSourceHeader, areaTableOffset) == 52);
static_assert(offsetof(CourseSourceHeader, carried56) == 56);

struct CourseRecord {
    int32_t upper1; // upper bound of the first coordinate
    int32_t upper2;
    int32_t lower1;
    int32_t lower2;
    uint16_t courseId;
    uint8_t areaNumber; // 1-based
    uint8_t slotCode;   // 0xB1..0xDC
    uint32_t blockOffset; // relative to the header's block base
    uint32_t blockLength;
    uint8_t reserved[4];
};
static_assert(sizeof(CourseRecord) == 32);
static_assert(offsetof(CourseRecord, courseId) == 16);
static_assert(offsetof(CourseRecord, areaNumber) == 18);
static_assert(offsetof(CourseRecord, slotCode) == 19);
static_assert(offsetof(CourseRecord, blockOffset) == 20);
static_assert(offsetof(CourseRecord, blockLength) == 24);

struct AreaRecord {
    uint8_t name[53]; // NUL-terminated, code page 932
    uint8_t areaNumber;
    uint16_t areaValue;
    uint8_t reserved[8];
};
static_assert(sizeof(AreaRecord) == 64);
static_assert(offsetof(AreaRecord, areaNumber) == 53);
static_assert(offsetof(AreaRecord, areaValue) == 54);

struct CourseImageHeader {
    uint8_t keySalt[8];
    uint8_t carried8[2];
    uint16_t formatVersion;
    uint32_t fileKind;
    uint8_t carried16[4];
    uint32_t courseCount;
    uint32_t courseRecordSize;
    uint32_t courseTableOffset;
    uint32_t dataOffset; // D, in place of the block base
    uint8_t carried36[8];
    uint32_t areaCount;
    uint32_t areaRecordSize;
    uint32_t dataOffsetAgain; // D, in place of the area table offset
    uint8_t carried56[4];
    uint32_t signature;
    uint32_t imageSize;
    uint16_t crc;
    uint8_t carried70[34];
    uint32_t courseBoundsOffset;
    uint32_t courseNameOffset;
    uint32_t areaSlotCount; // N
    uint32_t areaBoundsOffset;
    uint32_t areaIndexOffset;
    uint8_t carried124[4];
};
static_assert(sizeof(CourseImageHeader) == 128);
static_assert(offsetof(CourseImageHeader, dataOffset) == 32);
static_assert(offsetof(CourseImageHeader, dataOffsetAgain) == 52);
static_assert(offsetof(CourseImageHeader, signature) == 60);
static_assert(offsetof(CourseImageHeader, imageSize) == 64);
static_assert(offsetof(CourseImageHeader, crc) == 68);
static_assert(offsetof(CourseImageHeader, courseBoundsOffset) == 104);
static_assert(offsetof(CourseImageHeader, courseNameOffset) == 108);
static_assert(offsetof(CourseImageHeader, areaSlotCount) == 112);
static_assert(offsetof(CourseImageHeader, areaBoundsOffset) == 116);
static_assert(offsetof(CourseImageHeader, areaIndexOffset) == 120);

struct CourseBoundsEntry {
    int32_t upper1;
    int32_t upper2;
    int32_t lower1;
    int32_t lower2;
    uint32_t dataOffset; // relative to D
    uint32_t dataLength;
};
static_assert(sizeof(CourseBoundsEntry) == 24);
static_assert(offsetof(CourseBoundsEntry, dataOffset) == 16);

struct CourseNameEntry {
    uint16_t courseId;
    uint8_t name[kCourseNameSize];
    uint32_t dataOffset;
    uint32_t dataLength;
};
static_assert(sizeof(CourseNameEntry) == 60);
static_assert(offsetof(CourseNameEntry, dataOffset) == 52);
static_assert(offsetof(CourseNameEntry, dataLength) == 56);

struct AreaBoundsEntry {
    int32_t upper1;
    int32_t upper2;
    int32_t lower1;
    int32_t lower2;
    uint16_t firstCourse; // index in the course bounds table
    uint16_t courseCount;
};
static_assert(sizeof(AreaBoundsEntry) == 20);
static_assert(offsetof(AreaBoundsEntry, firstCourse) == 16);

struct AreaSlot {
    uint16_t firstCourse; // index in the course name table
    uint16_t courseCount;
};

struct AreaIndexEntry {
    uint8_t name[kAreaNameSize];
    uint16_t areaValue;
    uint8_t zero52[4];
    AreaSlot slots[kSlotCount];
    uint8_t zero232[24];
};
static_assert(sizeof(AreaIndexEntry) == 256);
static_assert(offsetof(AreaIndexEntry, areaValue) == 50);
static_assert(offsetof(AreaIndexEntry, slots) == 56);
static_assert(offsetof(AreaIndexEntry, zero232) == 232);

// Offsets inside a source course data block and its converted form.
namespace BlockLayout {
constexpr size_t kSourceHeadSize = 466;
constexpr size_t kSourceName = 2;
constexpr size_t kSourceSecondField = 102;
constexpr size_t kSource242 = 242;
constexpr size_t kSource456 = 456;
constexpr size_t kSource460 = 460;
constexpr size_t kSource464 = 464;
constexpr size_t kSourceHoleCount = 465;
constexpr size_t kImageHeadSize = 114;
constexpr size_t kSourceHoleFixed = 104; // plus the extra bytes
constexpr size_t kImageHoleFixed = 104;
constexpr size_t kSourceItemSize = 24;
constexpr size_t kImageItemSizeShort = 22; // LKR-Pin, LK-Band F
constexpr size_t kImageItemSizeLong = 23;  // LK-Band A
constexpr size_t kFieldSize = 50;
} // namespace BlockLayout

// Number of extra bytes a hole record holds for extra count k.
constexpr size_t HoleExtraBytes(uint8_t k) { return k < 4 ? k : 4; }

CourseSourceHeader DecodeSourceHeader(const uint8_t* bytes);
void EncodeSourceHeader(const CourseSourceHeader& header, uint8_t* bytes);
CourseRecord DecodeCourseRecord(const uint8_t* bytes);
void EncodeCourseRecord(const CourseRecord& record, uint8_t* bytes);
AreaRecord DecodeAreaRecord(const uint8_t* bytes);
void EncodeAreaRecord(const AreaRecord& record, uint8_t* bytes);
CourseImageHeader DecodeImageHeader(const uint8_t* bytes);
void EncodeImageHeader(const CourseImageHeader& header, uint8_t* bytes);
CourseBoundsEntry DecodeCourseBounds(const uint8_t* bytes);
void EncodeCourseBounds(const CourseBoundsEntry& entry, uint8_t* bytes);
CourseNameEntry DecodeCourseName(const uint8_t* bytes);
void EncodeCourseName(const CourseNameEntry& entry, uint8_t* bytes);
AreaBoundsEntry DecodeAreaBounds(const uint8_t* bytes);
void EncodeAreaBounds(const AreaBoundsEntry& entry, uint8_t* bytes);
AreaIndexEntry DecodeAreaIndex(const uint8_t* bytes);
void EncodeAreaIndex(const AreaIndexEntry& entry, uint8_t* bytes);

// The 47 prefectures in JIS X 0401 order, code page 932, NUL-terminated: entry a is area a + 1.
extern const std::array<const char*, kPrefectureCount> kDefaultAreaNames;

} // namespace teedesk
