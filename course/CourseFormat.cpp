#include "CourseFormat.h"

#include "ByteOrder.h"

#include <cstring>

namespace teedesk {

namespace {

// Walks a record field by field in layout order, so each codec reads like its struct.
class Reader {
public:
    explicit Reader(const uint8_t* bytes) : p_(bytes) {}
    uint8_t U8() { return *p_++; }
    uint16_t U16() { const uint16_t v = ReadU16Le(p_); p_ += 2; return v; }
    uint32_t U32() { const uint32_t v = ReadU32Le(p_); p_ += 4; return v; }
    int32_t I32() { const int32_t v = ReadI32Le(p_); p_ += 4; return v; }
    template <size_t N> void Bytes(uint8_t (&out)[N]) { std::memcpy(out, p_, N); p_ += N; }

private:
    const uint8_t* p_;
};

class Writer {
public:
    explicit Writer(uint8_t* bytes) : p_(bytes) {}
    void U8(uint8_t v) { *p_++ = v; }
    void U16(uint16_t v) { WriteU16Le(p_, v); p_ += 2; }
    void U32(uint32_t v) { WriteU32Le(p_, v); p_ += 4; }
    void I32(int32_t v) { WriteI32Le(p_, v); p_ += 4; }
    template <size_t N> void Bytes(const uint8_t (&in)[N]) { std::memcpy(p_, in, N); p_ += N; }

private:
    uint8_t* p_;
};

} // namespace

uint16_t RequiredFormatVersion(uint16_t modelIndex)
{
    switch (modelIndex) {
    case 0:
    case 1:
        return 2;
    case 2:
        return 4;
    default:
        return 0;
    }
}

CourseSourceHeader DecodeSourceHeader(const uint8_t* bytes)
{
    Reader r(bytes);
    CourseSourceHeader h{};
    r.Bytes(h.keySalt);
    r.Bytes(h.carried8);
    h.formatVersion = r.U16();
    h.fileKind = r.U32();
    r.Bytes(h.carried16);
    h.courseCount = r.U32();
    h.courseRecordSize = r.U32();
    h.courseTableOffset = r.U32();
    h.blockBase = r.U32();
    r.Bytes(h.carried36);
    h.areaCount = r.U32();
    h.areaRecordSize = r.U32();
    h.areaTableOffset = r.U32();
    r.Bytes(h.carried56);
    return h;
}

void EncodeSourceHeader(const CourseSourceHeader& h, uint8_t* bytes)
{
    Writer w(bytes);
    w.Bytes(h.keySalt);
    w.Bytes(h.carried8);
    w.U16(h.formatVersion);
    w.U32(h.fileKind);
    w.Bytes(h.carried16);
    w.U32(h.courseCount);
    w.U32(h.courseRecordSize);
    w.U32(h.courseTableOffset);
    w.U32(h.blockBase);
    w.Bytes(h.carried36);
    w.U32(h.areaCount);
    w.U32(h.areaRecordSize);
    w.U32(h.areaTableOffset);
    w.Bytes(h.carried56);
}

CourseRecord DecodeCourseRecord(const uint8_t* bytes)
{
    Reader r(bytes);
    CourseRecord c{};
    c.upper1 = r.I32();
    c.upper2 = r.I32();
    c.lower1 = r.I32();
    c.lower2 = r.I32();
    c.courseId = r.U16();
    c.areaNumber = r.U8();
    c.slotCode = r.U8();
    c.blockOffset = r.U32();
    c.blockLength = r.U32();
    r.Bytes(c.reserved);
    return c;
}

void EncodeCourseRecord(const CourseRecord& c, uint8_t* bytes)
{
    Writer w(bytes);
    w.I32(c.upper1);
    w.I32(c.upper2);
    w.I32(c.lower1);
    w.I32(c.lower2);
    w.U16(c.courseId);
    w.U8(c.areaNumber);
    w.U8(c.slotCode);
    w.U32(c.blockOffset);
    w.U32(c.blockLength);
    w.Bytes(c.reserved);
}

AreaRecord DecodeAreaRecord(const uint8_t* bytes)
{
    Reader r(bytes);
    AreaRecord a{};
    r.Bytes(a.name);
    a.areaNumber = r.U8();
    a.areaValue = r.U16();
    r.Bytes(a.reserved);
    return a;
}

void EncodeAreaRecord(const AreaRecord& a, uint8_t* bytes)
{
    Writer w(bytes);
    w.Bytes(a.name);
    w.U8(a.areaNumber);
    w.U16(a.areaValue);
    w.Bytes(a.reserved);
}

CourseImageHeader DecodeImageHeader(const uint8_t* bytes)
{
    Reader r(bytes);
    CourseImageHeader h{};
    r.Bytes(h.keySalt);
    r.Bytes(h.carried8);
    h.formatVersion = r.U16();
    h.fileKind = r.U32();
    r.Bytes(h.carried16);
    h.courseCount = r.U32();
    h.courseRecordSize = r.U32();
    h.courseTableOffset = r.U32();
    h.dataOffset = r.U32();
    r.Bytes(h.carried36);
    h.areaCount = r.U32();
    h.areaRecordSize = r.U32();
    h.dataOffsetAgain = r.U32();
    r.Bytes(h.carried56);
    h.signature = r.U32();
    h.imageSize = r.U32();
    h.crc = r.U16();
    r.Bytes(h.carried70);
    h.courseBoundsOffset = r.U32();
    h.courseNameOffset = r.U32();
    h.areaSlotCount = r.U32();
    h.areaBoundsOffset = r.U32();
    h.areaIndexOffset = r.U32();
    r.Bytes(h.carried124);
    return h;
}

void EncodeImageHeader(const CourseImageHeader& h, uint8_t* bytes)
{
    Writer w(bytes);
    w.Bytes(h.keySalt);
    w.Bytes(h.carried8);
    w.U16(h.formatVersion);
    w.U32(h.fileKind);
    w.Bytes(h.carried16);
    w.U32(h.courseCount);
    w.U32(h.courseRecordSize);
    w.U32(h.courseTableOffset);
    w.U32(h.dataOffset);
    w.Bytes(h.carried36);
    w.U32(h.areaCount);
    w.U32(h.areaRecordSize);
    w.U32(h.dataOffsetAgain);
    w.Bytes(h.carried56);
    w.U32(h.signature);
    w.U32(h.imageSize);
    w.U16(h.crc);
    w.Bytes(h.carried70);
    w.U32(h.courseBoundsOffset);
    w.U32(h.courseNameOffset);
    w.U32(h.areaSlotCount);
    w.U32(h.areaBoundsOffset);
    w.U32(h.areaIndexOffset);
    w.Bytes(h.carried124);
}

CourseBoundsEntry DecodeCourseBounds(const uint8_t* bytes)
{
    Reader r(bytes);
    CourseBoundsEntry e{};
    e.upper1 = r.I32();
    e.upper2 = r.I32();
    e.lower1 = r.I32();
    e.lower2 = r.I32();
    e.dataOffset = r.U32();
    e.dataLength = r.U32();
    return e;
}

void EncodeCourseBounds(const CourseBoundsEntry& e, uint8_t* bytes)
{
    Writer w(bytes);
    w.I32(e.upper1);
    w.I32(e.upper2);
    w.I32(e.lower1);
    w.I32(e.lower2);
    w.U32(e.dataOffset);
    w.U32(e.dataLength);
}

CourseNameEntry DecodeCourseName(const uint8_t* bytes)
{
    Reader r(bytes);
    CourseNameEntry e{};
    e.courseId = r.U16();
    r.Bytes(e.name);
    e.dataOffset = r.U32();
    e.dataLength = r.U32();
    return e;
}

void EncodeCourseName(const CourseNameEntry& e, uint8_t* bytes)
{
    Writer w(bytes);
    w.U16(e.courseId);
    w.Bytes(e.name);
    w.U32(e.dataOffset);
    w.U32(e.dataLength);
}

AreaBoundsEntry DecodeAreaBounds(const uint8_t* bytes)
{
    Reader r(bytes);
    AreaBoundsEntry e{};
    e.upper1 = r.I32();
    e.upper2 = r.I32();
    e.lower1 = r.I32();
    e.lower2 = r.I32();
    e.firstCourse = r.U16();
    e.courseCount = r.U16();
    return e;
}

void EncodeAreaBounds(const AreaBoundsEntry& e, uint8_t* bytes)
{
    Writer w(bytes);
    w.I32(e.upper1);
    w.I32(e.upper2);
    w.I32(e.lower1);
    w.I32(e.lower2);
    w.U16(e.firstCourse);
    w.U16(e.courseCount);
}

AreaIndexEntry DecodeAreaIndex(const uint8_t* bytes)
{
    Reader r(bytes);
    AreaIndexEntry e{};
    r.Bytes(e.name);
    e.areaValue = r.U16();
    r.Bytes(e.zero52);
    for (AreaSlot& slot : e.slots) {
        slot.firstCourse = r.U16();
        slot.courseCount = r.U16();
    }
    r.Bytes(e.zero232);
    return e;
}

void EncodeAreaIndex(const AreaIndexEntry& e, uint8_t* bytes)
{
    Writer w(bytes);
    w.Bytes(e.name);
    w.U16(e.areaValue);
    w.Bytes(e.zero52);
    for (const AreaSlot& slot : e.slots) {
        w.U16(slot.firstCourse);
        w.U16(slot.courseCount);
    }
    w.Bytes(e.zero232);
}

// Code page 932 bytes; the comment gives each name as text.
const std::array<const char*, kPrefectureCount> kDefaultAreaNames = {
    "\x96\x6b\x8a\x43\x93\xb9", // 北海道
    "\x90\xc2\x90\x58\x8c\xa7", // 青森県
    "\x8a\xe2\x8e\xe8\x8c\xa7", // 岩手県
    "\x8b\x7b\x8f\xe9\x8c\xa7", // 宮城県
    "\x8f\x48\x93\x63\x8c\xa7", // 秋田県
    "\x8e\x52\x8c\x60\x8c\xa7", // 山形県
    "\x95\x9f\x93\x87\x8c\xa7", // 福島県
    "\x88\xef\x8f\xe9\x8c\xa7", // 茨城県
    "\x93\xc8\x96\xd8\x8c\xa7", // 栃木県
    "\x8c\x51\x94\x6e\x8c\xa7", // 群馬県
    "\x8d\xe9\x8b\xca\x8c\xa7", // 埼玉県
    "\x90\xe7\x97\x74\x8c\xa7", // 千葉県
    "\x93\x8c\x8b\x9e\x93\x73", // 東京都
    "\x90\x5f\x93\xde\x90\xec\x8c\xa7", // 神奈川県
    "\x90\x56\x8a\x83\x8c\xa7", // 新潟県
    "\x95\x78\x8e\x52\x8c\xa7", // 富山県
    "\x90\xce\x90\xec\x8c\xa7", // 石川県
    "\x95\x9f\x88\xe4\x8c\xa7", // 福井県
    "\x8e\x52\x97\x9c\x8c\xa7", // 山梨県
    "\x92\xb7\x96\xec\x8c\xa7", // 長野県
    "\x8a\xf2\x95\x8c\x8c\xa7", // 岐阜県
    "\x90\xc3\x89\xaa\x8c\xa7", // 静岡県
    "\x88\xa4\x92\x6d\x8c\xa7", // 愛知県
    "\x8e\x4f\x8f\x64\x8c\xa7", // 三重県
    "\x8e\xa0\x89\xea\x8c\xa7", // 滋賀県
    "\x8b\x9e\x93\x73\x95\x7b", // 京都府
    "\x91\xe5\x8d\xe3\x95\x7b", // 大阪府
    "\x95\xba\x8c\xc9\x8c\xa7", // 兵庫県
    "\x93\xde\x97\xc7\x8c\xa7", // 奈良県
    "\x98\x61\x89\xcc\x8e\x52\x8c\xa7", // 和歌山県
    "\x92\xb9\x8e\xe6\x8c\xa7", // 鳥取県
    "\x93\x87\x8d\xaa\x8c\xa7", // 島根県
    "\x89\xaa\x8e\x52\x8c\xa7", // 岡山県
    "\x8d\x4c\x93\x87\x8c\xa7", // 広島県
    "\x8e\x52\x8c\xfb\x8c\xa7", // 山口県
    "\x93\xbf\x93\x87\x8c\xa7", // 徳島県
    "\x8d\x81\x90\xec\x8c\xa7", // 香川県
    "\x88\xa4\x95\x51\x8c\xa7", // 愛媛県
    "\x8d\x82\x92\x6d\x8c\xa7", // 高知県
    "\x95\x9f\x89\xaa\x8c\xa7", // 福岡県
    "\x8d\xb2\x89\xea\x8c\xa7", // 佐賀県
    "\x92\xb7\x8d\xe8\x8c\xa7", // 長崎県
    "\x8c\x46\x96\x7b\x8c\xa7", // 熊本県
    "\x91\xe5\x95\xaa\x8c\xa7", // 大分県
    "\x8b\x7b\x8d\xe8\x8c\xa7", // 宮崎県
    "\x8e\xad\x8e\x99\x93\x87\x8c\xa7", // 鹿児島県
    "\x89\xab\x93\xea\x8c\xa7", // 沖縄県
};

} // namespace teedesk
