// Arbitrary course source files through the reader and the image builder of each model. A
// build that passes must hold an image that stays inside its buffer, with the header offsets
// and tables as the builder lays them out; one that fails must hold nothing.

#include "ByteOrder.h"
#include "CommandPacket.h"
#include "CourseFormat.h"
#include "CourseImage.h"
#include "CourseMaker.h"
#include "CourseStamp.h"
#include "Crc16.h"
#include "DeviceModel.h"
#include "FuzzSeeds.h"
#include "MemoryCourseSource.h"

#include <nlohmann/json.hpp>

#include <cstring>
#include <fstream>
#include <memory>
#include <string>

using namespace teedesk;

namespace {

// Byte 0 of an input: bits 0-1 the model, bit 2 "the rest is a plain file: encipher it first",
// so the fuzzer can reach past the cipher by mutating the structure itself.
constexpr uint8_t kEncipher = 0x04;

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void CheckImage(const CourseImage& image, uint16_t modelIndex)
{
    const uint8_t* bytes = image.data();
    const size_t bufferSize = image.bufferSize();
    const uint64_t s = image.size();
    Check(bytes != nullptr && bufferSize >= kBlockSize && s >= kImageHeaderSize && s <= bufferSize - kBlockSize);

    const CourseImageHeader header = DecodeImageHeader(bytes);
    const uint64_t c = header.courseCount;
    const uint64_t n = header.areaSlotCount;
    const uint64_t d = kImageHeaderSize + 84 * c + 276 * n;
    Check(n >= kPrefectureCount && n <= 255);
    Check(header.dataOffset == d && header.dataOffsetAgain == d && d <= s);
    Check(header.courseBoundsOffset == kImageHeaderSize);
    Check(header.courseNameOffset == kImageHeaderSize + 24 * c);
    Check(header.areaBoundsOffset == kImageHeaderSize + 84 * c);
    Check(header.areaIndexOffset == kImageHeaderSize + 84 * c + 20 * n);
    Check(header.courseRecordSize == kCourseRecordSize && header.fileKind == kCourseFileKind);
    Check(header.formatVersion == RequiredFormatVersion(modelIndex));

    // Both course tables describe the same blocks, all inside the data the builder placed.
    uint64_t placed = 0;
    for (uint64_t k = 0; k < c; ++k) {
        const CourseBoundsEntry bounds = DecodeCourseBounds(bytes + kImageHeaderSize + 24 * k);
        const CourseNameEntry name = DecodeCourseName(bytes + header.courseNameOffset + 60 * k);
        Check(bounds.dataOffset == name.dataOffset && bounds.dataLength == name.dataLength);
        Check(name.name[kCourseNameSize - 1] == 0);
        Check(d + uint64_t{bounds.dataOffset} + bounds.dataLength <= bufferSize - kBlockSize);
        placed += bounds.dataLength;
    }
    Check(d + placed <= bufferSize - kBlockSize);
    if (c != 0) {
        const CourseBoundsEntry last = DecodeCourseBounds(bytes + kImageHeaderSize + 24 * (c - 1));
        Check(s == d + last.dataOffset + last.dataLength);
    } else {
        Check(s == d);
    }

    // Area tables: every course counted once in each, indices inside the course tables.
    uint64_t inAreas = 0, inSlots = 0;
    for (uint64_t a = 0; a < n; ++a) {
        const AreaBoundsEntry area = DecodeAreaBounds(bytes + header.areaBoundsOffset + 20 * a);
        const AreaIndexEntry index = DecodeAreaIndex(bytes + header.areaIndexOffset + 256 * a);
        Check(uint64_t{area.firstCourse} + area.courseCount <= c);
        inAreas += area.courseCount;
        for (const AreaSlot& slot : index.slots) {
            Check(uint64_t{slot.firstCourse} + slot.courseCount <= c);
            inSlots += slot.courseCount;
        }
        if (index.name[0] == 0)
            Check(area.courseCount == 0 && area.firstCourse == 0);
    }
    Check(inAreas == c && inSlots == c);

    // The buffer past the placed data is zero, so the last block carries nothing stale.
    for (uint64_t at = d + placed; at < bufferSize; ++at)
        Check(bytes[at] == 0);
}

std::vector<uint8_t> WithControl(uint8_t control, const std::vector<uint8_t>& file)
{
    std::vector<uint8_t> seed{control};
    seed.insert(seed.end(), file.begin(), file.end());
    return seed;
}

// A national-style file cut down to a few courses, so the fuzzer keeps its pace.
tools::CourseFileDescription SmallNational(uint16_t version)
{
    tools::CourseFileDescription national = tools::MakeNationalDescription(version, 3);
    std::vector<tools::MakerCourse> kept;
    for (size_t k = 0; k < national.courses.size(); k += 500) {
        tools::MakerCourse course = national.courses[k];
        course.holes.resize(3);
        kept.push_back(std::move(course));
    }
    national.courses = std::move(kept);
    return national;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::WriteSeedsIfAsked([](const fuzz::SeedWriter& write) {
        std::vector<std::pair<std::string, tools::CourseFileDescription>> descriptions;
        for (const char* fixture : {"kanto-v2", "banda-v4"}) {
            std::ifstream in(std::string(COURSE_FIXTURES) + "/" + fixture + ".json");
            try {
                descriptions.emplace_back(fixture, tools::ParseCourseDescription(nlohmann::json::parse(in)));
            } catch (const std::exception&) {
            }
        }
        descriptions.emplace_back("national-v2", SmallNational(2));
        descriptions.emplace_back("national-v4", SmallNational(4));
        for (const auto& [name, description] : descriptions) {
            const std::vector<uint8_t> plain = tools::MakePlainCourseFile(description);
            const std::vector<uint8_t> enciphered = tools::MakeCourseFile(description);
            for (uint8_t model = 0; model < kModelCount; ++model) {
                // Only the models the file's version suits get past the header check.
                if (RequiredFormatVersion(model) != description.version)
                    continue;
                write(name + "-model" + std::to_string(model), WithControl(model, enciphered));
                write(name + "-plain-model" + std::to_string(model), WithControl(model | kEncipher, plain));
            }
        }
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t control = data[0];
    const uint16_t model = (control & 3) % kModelCount;

    std::vector<uint8_t> file(data + 1, data + size);
    if ((control & kEncipher) != 0)
        tools::EncipherCourseFile(file);
    const size_t n = file.size();
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[n]); // exact size: an overread is caught
    if (n != 0)
        std::memcpy(buffer.get(), file.data(), n);

    MemoryCourseSource source(std::span<const uint8_t>(buffer.get(), n));
    CourseImage image;
    if (!image.Build(source, model)) {
        Check(image.data() == nullptr && image.size() == 0 && image.bufferSize() == 0);
        return 0;
    }
    CheckImage(image, model);

    // The stamp as the writer applies it: the CRC over S bytes with 0xFFFF in its field.
    StampCourseImage(image);
    uint8_t* bytes = image.data();
    Check(ReadU32Le(bytes + 60) == kImageSignature && ReadU32Le(bytes + 64) == image.size());
    const uint16_t crc = ReadU16Le(bytes + 68);
    WriteU16Le(bytes + 68, 0xFFFF);
    Check(Crc16(bytes, bytes + image.size()) == crc);
    return 0;
}
