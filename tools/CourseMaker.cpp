#include "CourseMaker.h"

#include "ByteOrder.h"
#include "CourseFormat.h"
#include "DeviceModel.h"
#include "Rc4.h"

#include <nlohmann/json.hpp>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>

namespace teedesk::tools {

namespace {

using nlohmann::json;

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error(what); }

void PutText(uint8_t* field, size_t size, const std::string& text, const char* what)
{
    if (text.size() > size)
        Fail(std::string(what) + " is longer than " + std::to_string(size) + " bytes in code page 932");
    std::memcpy(field, text.data(), text.size());
}

std::vector<uint8_t> Pattern(size_t length, uint32_t seed)
{
    std::vector<uint8_t> bytes(length);
    for (size_t n = 0; n < length; ++n)
        bytes[n] = static_cast<uint8_t>(seed * 31 + n * 7 + 1);
    return bytes;
}

std::vector<uint8_t> EncodeBlock(const CourseFileDescription& description, const MakerCourse& course)
{
    using namespace BlockLayout;
    std::vector<uint8_t> block(kSourceHeadSize, 0);
    WriteU16Le(block.data(), course.id);
    PutText(block.data() + kSourceName, kFieldSize, course.name, "a course name");
    PutText(block.data() + kSourceSecondField, kFieldSize, course.secondName, "a course's second name");
    WriteU16Le(block.data() + kSource242, course.field242);
    WriteU32Le(block.data() + kSource456, course.field456);
    WriteU32Le(block.data() + kSource460, course.field460);
    block[kSource464] = course.field464;
    if (course.holes.size() > 255)
        Fail("a course has more than 255 holes");
    block[kSourceHoleCount] = static_cast<uint8_t>(course.holes.size());

    uint32_t seed = course.id;
    for (const MakerHole& hole : course.holes) {
        const size_t e = HoleExtraBytes(hole.extraCount);
        std::vector<uint8_t> extra = hole.extra ? *hole.extra : Pattern(e, ++seed);
        if (extra.size() != e)
            Fail("a hole with extra count " + std::to_string(hole.extraCount) + " needs " + std::to_string(e) +
                 " extra bytes");
        if (hole.items.size() > 255)
            Fail("a hole has more than 255 items");
        const size_t at = block.size();
        block.resize(at + kSourceHoleFixed + e, 0);
        uint8_t* record = block.data() + at;
        record[0] = hole.byte0;
        record[1] = hole.byte1;
        record[2] = hole.extraCount;
        std::copy(extra.begin(), extra.end(), record + 3);
        PutText(record + 3 + e, kFieldSize, hole.field1, "a hole's first field");
        PutText(record + 53 + e, kFieldSize, hole.field2, "a hole's second field");
        record[103 + e] = static_cast<uint8_t>(hole.items.size());

        for (const MakerItem& item : hole.items) {
            std::vector<uint8_t> payload;
            if (item.payload) {
                payload = *item.payload;
            } else {
                const auto length = PayloadLengthFor(description.version, item);
                if (!length)
                    Fail("an item of type " + std::to_string(item.type) + " needs an explicit payload");
                payload = Pattern(*length, ++seed);
            }
            const size_t itemAt = block.size();
            block.resize(itemAt + kSourceItemSize, 0);
            uint8_t* source = block.data() + itemAt;
            source[0] = item.type;
            source[1] = item.byte1;
            std::copy(item.bytes.begin(), item.bytes.end(), source + 2);
            source[5] = item.s;
            source[6] = item.p;
            source[7] = item.q;
            for (size_t v = 0; v < item.values.size(); ++v)
                WriteU16Le(source + 8 + 2 * v, item.values[v]);
            block.insert(block.end(), payload.begin(), payload.end());
        }
    }
    return block;
}

uint8_t Byte(const json& value, const char* what)
{
    const int number = value.get<int>();
    if (number < 0 || number > 255)
        Fail(std::string(what) + " must be a byte (0-255)");
    return static_cast<uint8_t>(number);
}

std::vector<uint8_t> Hex(const std::string& text, const char* what)
{
    std::vector<uint8_t> bytes;
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == ':' || c == '-')
            continue;
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            Fail(std::string(what) + " must be hex digits");
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<uint8_t>(high * 16 + digit));
            high = -1;
        }
    }
    if (high >= 0)
        Fail(std::string(what) + " has an odd number of hex digits");
    return bytes;
}

template <size_t N> void HexInto(const json& object, const char* key, std::array<uint8_t, N>& out)
{
    if (!object.contains(key))
        return;
    const std::vector<uint8_t> bytes = Hex(object.at(key).get<std::string>(), key);
    if (bytes.size() > N)
        Fail(std::string(key) + " holds more than " + std::to_string(N) + " bytes");
    std::copy(bytes.begin(), bytes.end(), out.begin());
}

template <typename T> T Get(const json& object, const char* key, T fallback)
{
    return object.contains(key) ? object.at(key).get<T>() : fallback;
}

std::string Text(const json& object, const char* key)
{
    return object.contains(key) ? Utf8ToCp932(object.at(key).get<std::string>()) : std::string();
}

uint8_t SlotCode(const json& value)
{
    if (value.is_number())
        return Byte(value, "slot");
    const std::string code = Utf8ToCp932(value.get<std::string>());
    if (code.size() != 1)
        Fail("slot must be one half-width katakana");
    return static_cast<uint8_t>(code[0]);
}

MakerItem ParseItem(const json& j)
{
    MakerItem item;
    item.type = Byte(Get<int>(j, "type", 1), "type");
    item.byte1 = Byte(Get<int>(j, "byte1", 0), "byte1");
    if (j.contains("bytes")) {
        const json& bytes = j.at("bytes");
        if (bytes.size() != 3)
            Fail("an item's bytes are its three carried bytes 2-4");
        for (size_t n = 0; n < 3; ++n)
            item.bytes[n] = Byte(bytes[n], "an item byte");
    }
    item.s = Byte(Get<int>(j, "s", 0), "s");
    item.p = Byte(Get<int>(j, "p", 0), "p");
    item.q = Byte(Get<int>(j, "q", 0), "q");
    if (j.contains("values")) {
        const json& values = j.at("values");
        if (values.size() > 8)
            Fail("an item has eight values");
        for (size_t n = 0; n < values.size(); ++n)
            item.values[n] = values[n].get<uint16_t>();
    }
    if (j.contains("payload"))
        item.payload = Hex(j.at("payload").get<std::string>(), "payload");
    return item;
}

MakerHole ParseHole(const json& j)
{
    MakerHole hole;
    if (j.contains("bytes")) {
        const json& bytes = j.at("bytes");
        if (bytes.size() != 2)
            Fail("a hole's bytes are its two carried bytes 0-1");
        hole.byte0 = Byte(bytes[0], "a hole byte");
        hole.byte1 = Byte(bytes[1], "a hole byte");
    }
    hole.extraCount = Byte(Get<int>(j, "extraCount", 0), "extraCount");
    if (j.contains("extra"))
        hole.extra = Hex(j.at("extra").get<std::string>(), "extra");
    if (j.contains("fields")) {
        const json& fields = j.at("fields");
        if (fields.size() > 2)
            Fail("a hole has two text fields");
        if (fields.size() > 0)
            hole.field1 = Utf8ToCp932(fields[0].get<std::string>());
        if (fields.size() > 1)
            hole.field2 = Utf8ToCp932(fields[1].get<std::string>());
    }
    for (const json& item : Get<json>(j, "items", json::array()))
        hole.items.push_back(ParseItem(item));
    return hole;
}

MakerCourse ParseCourse(const json& j)
{
    MakerCourse course;
    course.id = j.at("id").get<uint16_t>();
    course.area = Byte(j.at("area"), "area");
    if (j.contains("slot"))
        course.slotCode = SlotCode(j.at("slot"));
    if (j.contains("bounds")) {
        const json& b = j.at("bounds");
        if (b.size() != 4)
            Fail("bounds are [upper1, upper2, lower1, lower2]");
        course.upper1 = b[0].get<int32_t>();
        course.upper2 = b[1].get<int32_t>();
        course.lower1 = b[2].get<int32_t>();
        course.lower2 = b[3].get<int32_t>();
    }
    course.name = Text(j, "name");
    course.secondName = Text(j, "secondName");
    course.field242 = Get<uint16_t>(j, "field242", 0);
    course.field456 = Get<uint32_t>(j, "field456", 0);
    course.field460 = Get<uint32_t>(j, "field460", 0);
    course.field464 = Byte(Get<int>(j, "field464", 0), "field464");
    for (const json& hole : Get<json>(j, "holes", json::array()))
        course.holes.push_back(ParseHole(hole));
    return course;
}

} // namespace

std::optional<size_t> PayloadLengthFor(uint16_t version, const MakerItem& item)
{
    const size_t points = 6u * (size_t{item.p} + item.q);
    if (version != 4)
        return points;
    if (item.type == 1)
        return 8u * item.s + points;
    if (item.type == 2)
        return 10u * item.s + points;
    return std::nullopt;
}

std::vector<uint8_t> MakePlainCourseFile(const CourseFileDescription& d, CourseFileLayout* layout)
{
    std::vector<std::vector<uint8_t>> blocks;
    for (const MakerCourse& course : d.courses)
        blocks.push_back(EncodeBlock(d, course));

    const uint32_t courseTable = kSourceHeaderSize;
    const uint32_t areaTable = courseTable + static_cast<uint32_t>(d.courses.size() * kCourseRecordSize);
    const uint32_t blockBase = areaTable + static_cast<uint32_t>(d.areas.size() * kAreaRecordSize);
    size_t total = blockBase;
    for (const auto& block : blocks)
        total += block.size();
    std::vector<uint8_t> file(total, 0);

    CourseSourceHeader header{};
    std::copy(d.salt.begin(), d.salt.end(), header.keySalt);
    std::copy(d.bytes8.begin(), d.bytes8.end(), header.carried8);
    header.formatVersion = d.version;
    header.fileKind = d.fileKind;
    std::copy(d.bytes16.begin(), d.bytes16.end(), header.carried16);
    header.courseCount = static_cast<uint32_t>(d.courses.size());
    header.courseRecordSize = d.courseRecordSize;
    header.courseTableOffset = courseTable;
    header.blockBase = blockBase;
    std::copy(d.bytes36.begin(), d.bytes36.end(), header.carried36);
    header.areaCount = static_cast<uint32_t>(d.areas.size());
    header.areaRecordSize = d.areaRecordSize;
    header.areaTableOffset = areaTable;
    std::copy(d.bytes56.begin(), d.bytes56.end(), header.carried56);
    EncodeSourceHeader(header, file.data());

    CourseFileLayout result{courseTable, areaTable, blockBase, {}, {}};
    uint32_t offset = 0;
    for (size_t k = 0; k < d.courses.size(); ++k) {
        const MakerCourse& c = d.courses[k];
        CourseRecord record{};
        record.upper1 = c.upper1;
        record.upper2 = c.upper2;
        record.lower1 = c.lower1;
        record.lower2 = c.lower2;
        record.courseId = c.id;
        record.areaNumber = c.area;
        record.slotCode = c.slotCode;
        record.blockOffset = offset;
        record.blockLength = static_cast<uint32_t>(blocks[k].size());
        EncodeCourseRecord(record, file.data() + courseTable + k * kCourseRecordSize);
        std::copy(blocks[k].begin(), blocks[k].end(), file.begin() + blockBase + offset);
        result.blockOffsets.push_back(blockBase + offset);
        result.blockLengths.push_back(record.blockLength);
        offset += record.blockLength;
    }
    for (size_t a = 0; a < d.areas.size(); ++a) {
        AreaRecord record{};
        if (d.areas[a].name.size() > kAreaNameSize - 1)
            Fail("an area name is longer than 49 bytes in code page 932");
        std::memcpy(record.name, d.areas[a].name.data(), d.areas[a].name.size());
        record.areaNumber = d.areas[a].number;
        record.areaValue = d.areas[a].value;
        EncodeAreaRecord(record, file.data() + areaTable + a * kAreaRecordSize);
    }
    if (layout)
        *layout = std::move(result);
    return file;
}

void EncipherCourseFile(std::vector<uint8_t>& bytes)
{
    if (bytes.size() < kSourceHeaderSize)
        return;
    const CourseSourceHeader header = DecodeSourceHeader(bytes.data());
    const uint64_t size = bytes.size();
    auto clamp = [size](uint64_t offset, uint64_t length) -> uint64_t {
        return offset >= size ? 0 : std::min(length, size - offset);
    };

    // Gather the block regions from the plain course table before it is enciphered.
    std::map<uint64_t, uint64_t> blocks; // offset -> longest length; a shared block only once
    for (uint64_t k = 0; k < header.courseCount; ++k) {
        const uint64_t at = uint64_t{header.courseTableOffset} + k * kCourseRecordSize;
        if (clamp(at, kCourseRecordSize) < kCourseRecordSize)
            break;
        const CourseRecord record = DecodeCourseRecord(bytes.data() + at);
        const uint64_t offset = uint64_t{header.blockBase} + record.blockOffset;
        uint64_t& length = blocks[offset];
        length = std::max<uint64_t>({length, record.blockLength, kCourseHeadSize});
    }

    std::array<uint8_t, kRc4KeySize> key{};
    std::copy(kCourseKeyPrefix.begin(), kCourseKeyPrefix.end(), key.begin());
    std::copy_n(bytes.begin(), 8, key.begin() + 8);
    Rc4State state;
    Rc4Init(state, key.data());
    Rc4Crypt(state, bytes.data() + kSourcePlainBytes, kSourceHeaderSize - kSourcePlainBytes);
    Rc4Crypt(state, bytes.data() + std::min<uint64_t>(header.courseTableOffset, size),
             clamp(header.courseTableOffset, uint64_t{header.courseCount} * kCourseRecordSize));
    Rc4Init(state, key.data());
    Rc4Crypt(state, bytes.data() + std::min<uint64_t>(header.areaTableOffset, size),
             clamp(header.areaTableOffset, uint64_t{header.areaCount} * kAreaRecordSize));
    for (const auto& [offset, length] : blocks) {
        Rc4Init(state, key.data());
        Rc4Crypt(state, bytes.data() + std::min(offset, size), clamp(offset, length));
    }
}

std::vector<uint8_t> MakeCourseFile(const CourseFileDescription& description)
{
    std::vector<uint8_t> file = MakePlainCourseFile(description);
    EncipherCourseFile(file);
    return file;
}

CourseFileDescription ParseCourseDescription(const json& j)
{
    try {
        CourseFileDescription d;
        d.version = Get<uint16_t>(j, "version", 2);
        if (j.contains("salt")) {
            const std::vector<uint8_t> salt = Hex(j.at("salt").get<std::string>(), "salt");
            if (salt.size() != 8)
                Fail("salt must be 8 bytes");
            std::copy(salt.begin(), salt.end(), d.salt.begin());
        }
        const json header = Get<json>(j, "header", json::object());
        HexInto(header, "bytes8", d.bytes8);
        HexInto(header, "bytes16", d.bytes16);
        HexInto(header, "bytes36", d.bytes36);
        HexInto(header, "bytes56", d.bytes56);
        d.fileKind = Get<uint32_t>(header, "fileKind", 2);
        d.courseRecordSize = Get<uint32_t>(header, "courseRecordSize", 32);
        d.areaRecordSize = Get<uint32_t>(header, "areaRecordSize", 64);
        for (const json& area : Get<json>(j, "areas", json::array()))
            d.areas.push_back({Byte(area.at("number"), "an area number"), Text(area, "name"),
                               Get<uint16_t>(area, "value", 0)});
        for (const json& course : Get<json>(j, "courses", json::array()))
            d.courses.push_back(ParseCourse(course));
        return d;
    } catch (const json::exception& error) {
        Fail(std::string("bad course description: ") + error.what());
    }
}

CourseFileDescription MakeNationalDescription(uint16_t version, uint32_t seed)
{
    constexpr int kCourses = 2500;
    constexpr int kHoles = 18;
    constexpr int kItems = 4;
    static const char* const kWords[] = {"カントリー倶楽部", "ゴルフクラブ", "ゴルフ場", "カントリークラブ", "ゴルフリンクス"};
    std::vector<std::string> words;
    for (const char* word : kWords)
        words.push_back(Utf8ToCp932(word));
    const std::string course932 = Utf8ToCp932("コース");

    uint32_t random = seed * 2654435761u + 1;
    auto next = [&random] {
        random = random * 1664525u + 1013904223u;
        return random >> 8;
    };

    CourseFileDescription d;
    d.version = version;
    d.courses.reserve(kCourses);
    for (int k = 0; k < kCourses; ++k) {
        MakerCourse c;
        c.id = static_cast<uint16_t>(1000 + k);
        c.area = static_cast<uint8_t>(1 + k * 47 / kCourses);
        c.slotCode = static_cast<uint8_t>(kFirstSlotCode + (k * 47 % kCourses) * kSlotCount / kCourses);
        const int32_t north = 24000000 + static_cast<int32_t>(c.area) * 450000 + static_cast<int32_t>(next() % 200000);
        const int32_t east = 123000000 + static_cast<int32_t>(c.area) * 420000 + static_cast<int32_t>(next() % 200000);
        c.upper1 = north + 9000;
        c.upper2 = east + 9000;
        c.lower1 = north;
        c.lower2 = east;
        c.name = words[k % words.size()] + " No." + std::to_string(k + 1);
        c.secondName = course932 + " " + std::to_string(k % 3 + 1);
        c.field242 = static_cast<uint16_t>(next());
        c.field456 = next();
        c.field460 = next();
        c.field464 = static_cast<uint8_t>(next());
        for (int h = 0; h < kHoles; ++h) {
            MakerHole hole;
            hole.byte0 = static_cast<uint8_t>(h + 1);
            hole.byte1 = static_cast<uint8_t>(3 + next() % 3);
            hole.extraCount = 2;
            hole.field1 = "HOLE " + std::to_string(h + 1);
            hole.field2 = "PAR " + std::to_string(hole.byte1);
            for (int n = 0; n < kItems; ++n) {
                MakerItem item;
                item.type = static_cast<uint8_t>(1 + n % 2);
                item.bytes = {static_cast<uint8_t>(n), static_cast<uint8_t>(next()), static_cast<uint8_t>(next())};
                item.s = version == 4 ? 1 : 0;
                item.p = 3;
                item.q = 2;
                for (uint16_t& value : item.values)
                    value = static_cast<uint16_t>(next());
                hole.items.push_back(item);
            }
            c.holes.push_back(std::move(hole));
        }
        d.courses.push_back(std::move(c));
    }
    return d;
}

std::string Utf8ToCp932(std::string_view utf8)
{
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8(nullptr, 0, &length, utf8.data(), static_cast<int32_t>(utf8.size()), &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status))
        Fail("text is not UTF-8");
    status = U_ZERO_ERROR;
    std::u16string wide(static_cast<size_t>(length), u'\0');
    u_strFromUTF8(reinterpret_cast<UChar*>(wide.data()), length, nullptr, utf8.data(),
                  static_cast<int32_t>(utf8.size()), &status);
    if (U_FAILURE(status))
        Fail("text is not UTF-8");

    std::unique_ptr<UConverter, void (*)(UConverter*)> converter(ucnv_open("windows-932", &status), ucnv_close);
    if (U_FAILURE(status))
        Fail("no code page 932 converter");
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    std::string out(wide.size() * 2 + 2, '\0');
    const int32_t written = ucnv_fromUChars(converter.get(), out.data(), static_cast<int32_t>(out.size()),
                                            reinterpret_cast<const UChar*>(wide.data()),
                                            static_cast<int32_t>(wide.size()), &status);
    if (U_FAILURE(status))
        Fail("\"" + std::string(utf8) + "\" has a character that code page 932 cannot hold");
    out.resize(static_cast<size_t>(written));
    return out;
}

} // namespace teedesk::tools
