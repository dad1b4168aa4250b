#pragma once
// Makes course source files from a readable description, for tests, benchmarks and people
// who need a file to try. A description in JSON:
//
// {
//   "version": 2,                       // 2 (LKR-Pin, LK-Band F) or 4 (LK-Band A)
//   "salt": "0102030405060708",          // header bytes 0-7, the file's half of the key (hex)
//   "header": { "bytes8": "hex", "bytes16": "hex", "bytes36": "hex", "bytes56": "hex",
//               "fileKind": 2, "courseRecordSize": 32, "areaRecordSize": 64 },  // all optional
//   "areas": [ { "number": 13, "name": "東京都", "value": 7 } ],
//   "courses": [ {
//     "id": 101, "area": 13, "slot": "ｱ",       // slot: half-width kana or its code (177)
//     "bounds": [upper1, upper2, lower1, lower2],
//     "name": "…", "secondName": "…",          // UTF-8, stored as code page 932
//     "field242": 0, "field456": 0, "field460": 0, "field464": 0,
//     "holes": [ { "bytes": [b0, b1], "extraCount": 2, "extra": "hex", "fields": ["…", "…"],
//                  "items": [ { "type": 1, "byte1": 0, "bytes": [b2, b3, b4], "s": 0, "p": 1,
//                               "q": 0, "values": [8 numbers], "payload": "hex" } ] } ]
//   } ]
// }
//
// Omitted payloads and extra bytes are filled with a pattern of the length the format asks.
// Texts are converted to code page 932; a text that does not fit its field is an error.

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace teedesk::tools {

struct MakerItem {
    uint8_t type = 1;
    uint8_t byte1 = 0;
    std::array<uint8_t, 3> bytes{}; // source bytes 2-4
    uint8_t s = 0, p = 0, q = 0;
    std::array<uint16_t, 8> values{};
    std::optional<std::vector<uint8_t>> payload;
};

struct MakerHole {
    uint8_t byte0 = 0, byte1 = 0;
    uint8_t extraCount = 0; // k
    std::optional<std::vector<uint8_t>> extra;
    std::string field1, field2; // code page 932
    std::vector<MakerItem> items;
};

struct MakerCourse {
    uint16_t id = 0;
    uint8_t area = 1;
    uint8_t slotCode = 0xB1;
    int32_t upper1 = 0, upper2 = 0, lower1 = 0, lower2 = 0;
    std::string name, secondName; // code page 932
    uint16_t field242 = 0;
    uint32_t field456 = 0, field460 = 0;
    uint8_t field464 = 0;
    std::vector<MakerHole> holes;
};

struct MakerArea {
    uint8_t number = 1;
    std::string name; // code page 932
    uint16_t value = 0;
};

struct CourseFileDescription {
    uint16_t version = 2;
    std::array<uint8_t, 8> salt{0x54, 0x44, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36};
    std::array<uint8_t, 2> bytes8{};
    std::array<uint8_t, 4> bytes16{};
    std::array<uint8_t, 8> bytes36{};
    std::array<uint8_t, 72> bytes56{};
    uint32_t fileKind = 2;
    uint32_t courseRecordSize = 32;
    uint32_t areaRecordSize = 64;
    std::vector<MakerArea> areas;
    std::vector<MakerCourse> courses;
};

// Where the regions went: header at 0, course table, area table, then the blocks.
struct CourseFileLayout {
    uint32_t courseTableOffset = 0;
    uint32_t areaTableOffset = 0;
    uint32_t blockBase = 0;
    std::vector<uint32_t> blockOffsets; // absolute file offsets
    std::vector<uint32_t> blockLengths;
};

// The file before encipherment, so a test can change any field first.
std::vector<uint8_t> MakePlainCourseFile(const CourseFileDescription& description, CourseFileLayout* layout = nullptr);
// Enciphers a plain file in place, region by region as its own (plain) header and course
// table place them; regions running past the end are cut at the end.
void EncipherCourseFile(std::vector<uint8_t>& bytes);
std::vector<uint8_t> MakeCourseFile(const CourseFileDescription& description);

// The payload length an item gets in a file of `version` (4: the LK-Band A rule).
std::optional<size_t> PayloadLengthFor(uint16_t version, const MakerItem& item);

// Throws std::runtime_error with a readable reason.
CourseFileDescription ParseCourseDescription(const nlohmann::json& json);

// A national-size file: 2,500 courses over the 47 prefectures, 18 holes each with 4 items.
CourseFileDescription MakeNationalDescription(uint16_t version = 2, uint32_t seed = 1);

// UTF-8 to code page 932; throws std::runtime_error when a character has no mapping.
std::string Utf8ToCp932(std::string_view utf8);

} // namespace teedesk::tools
