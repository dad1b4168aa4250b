#include "ByteOrder.h"
#include "CourseFormat.h"
#include "CourseImage.h"
#include "CourseMaker.h"
#include "CourseSourceReader.h"
#include "CourseTestSupport.h"
#include "DeviceModel.h"
#include "MemoryCourseSource.h"
#include "Rc4.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>
#include <fstream>

using namespace teedesk;
using namespace teedesk::test;
using tools::CourseFileDescription;
using tools::MakeCourseFile;

namespace {

constexpr uint32_t kHeadSize = 114;
constexpr uint32_t kOneCourseLength = kHeadSize + 104 + 2 + 22 + 6; // one hole, one item (p = 1)

// Counts the reads, so a test can tell that nothing past the header was read.
class CountingSource final : public CourseSource {
public:
    explicit CountingSource(const std::vector<uint8_t>& bytes) : inner_(bytes) {}
    uint64_t Size() const override { return inner_.Size(); }
    bool ReadAt(uint64_t offset, uint8_t* destination, size_t length) override
    {
        ++reads;
        return inner_.ReadAt(offset, destination, length);
    }
    int reads = 0;

private:
    MemoryCourseSource inner_;
};

std::string NameOf(const AreaIndexEntry& entry) { return Cp932ToUtf8(entry.name, kAreaNameSize); }

bool AllZero(const uint8_t* bytes, size_t length)
{
    return std::all_of(bytes, bytes + length, [](uint8_t b) { return b == 0; });
}

struct VersionCase {
    uint16_t version;
    uint16_t modelIndex;
    bool builds;
};

class VersionPerModel : public testing::TestWithParam<VersionCase> {};

INSTANTIATE_TEST_SUITE_P(Rows, VersionPerModel,
                         testing::Values(VersionCase{2, kModelPin, true}, VersionCase{2, kModelBandF, true},
                                         VersionCase{2, kModelBandA, false}, VersionCase{4, kModelBandA, true},
                                         VersionCase{4, kModelPin, false}, VersionCase{4, kModelBandF, false},
                                         VersionCase{3, kModelBandA, false}, VersionCase{2, 3, false}));

} // namespace

TEST_P(VersionPerModel, FileServesOneModelFamily)
{
    CourseImage image;
    EXPECT_EQ(BuildFromBytes(MakeCourseFile(OneCourse(GetParam().version)), GetParam().modelIndex, image),
              GetParam().builds);
}

TEST(CourseHeaderChecks, KindAndRecordSizeRefusedBeforeAnyTableIsRead)
{
    for (auto change : {+[](CourseFileDescription& d) { d.fileKind = 1; },
                        +[](CourseFileDescription& d) { d.courseRecordSize = 64; }}) {
        CourseFileDescription description = OneCourse();
        change(description);
        const std::vector<uint8_t> file = MakeCourseFile(description);
        CountingSource source(file);
        CourseImage image;
        EXPECT_FALSE(image.Build(source, kModelPin));
        EXPECT_EQ(source.reads, 1);
    }
}

TEST(CourseKeystream, ChangedSaltDeciphersToOtherBytes)
{
    std::vector<uint8_t> file = MakeCourseFile(OneCourse());
    CourseImage image;
    ASSERT_TRUE(BuildFromBytes(file, kModelPin, image));
    file[3] ^= 0x01;
    EXPECT_FALSE(BuildFromBytes(file, kModelPin, image));
}

TEST(CourseKeystream, CourseTableContinuesTheHeaderKeystream)
{
    const CourseFileDescription description = OneCourse();
    tools::CourseFileLayout layout;
    const std::vector<uint8_t> plain = tools::MakePlainCourseFile(description, &layout);

    // Enciphered as the format says, except for a restart before the course table.
    std::vector<uint8_t> restarted = plain;
    tools::EncipherCourseFile(restarted);
    std::array<uint8_t, 16> key{};
    std::copy(kCourseKeyPrefix.begin(), kCourseKeyPrefix.end(), key.begin());
    std::copy_n(plain.begin(), 8, key.begin() + 8);
    std::copy_n(plain.begin() + layout.courseTableOffset, kCourseRecordSize,
                restarted.begin() + layout.courseTableOffset);
    Rc4State state;
    Rc4Init(state, key.data());
    Rc4Crypt(state, restarted.data() + layout.courseTableOffset, kCourseRecordSize);

    CourseImage image;
    EXPECT_FALSE(BuildFromBytes(restarted, kModelPin, image));
    ASSERT_TRUE(BuildFromBytes(MakeCourseFile(description), kModelPin, image));
    EXPECT_EQ(ImageView(image).CourseBounds(0).upper2, 139800000);
}

TEST(CourseReader, BlocksAtOnePlaceDecipherAlike)
{
    CourseFileDescription description = OneCourse();
    description.courses.push_back(Course(102, 13, 0xB2));
    std::vector<uint8_t> plain = tools::MakePlainCourseFile(description);
    uint8_t* second = plain.data() + kSourceHeaderSize + kCourseRecordSize;
    WriteU32Le(second + 20, 0); // course 102 now points at course 101's block
    tools::EncipherCourseFile(plain);

    MemoryCourseSource source(plain);
    CourseSourceReader reader(source);
    ASSERT_TRUE(reader.ReadHeader());
    ASSERT_TRUE(reader.ReadTables());
    ASSERT_EQ(reader.courses().size(), 2u);
    std::vector<uint8_t> first(kMaxBlockLength), other(kMaxBlockLength);
    ASSERT_TRUE(reader.ReadBlock(reader.courses()[0], first.data()));
    CourseRecord shortened = reader.courses()[1];
    shortened.blockLength = reader.courses()[0].blockLength;
    ASSERT_TRUE(reader.ReadBlock(shortened, other.data()));
    EXPECT_EQ(first, other);
    EXPECT_EQ(ReadU16Le(first.data()), 101);
    uint8_t head[kCourseHeadSize];
    ASSERT_TRUE(reader.ReadHead(reader.courses()[1], head));
    EXPECT_EQ(0, std::memcmp(head, first.data(), kCourseHeadSize));
}

TEST(CourseImageLayout, OneCourseWithoutAreaRecords)
{
    CourseFileDescription description = OneCourse();
    description.courses[0].secondName = "SECOND NAME";
    description.courses[0].field242 = 0x4242;
    description.courses[0].field456 = 0x45645645;
    description.courses[0].field460 = 0x46046046;
    description.courses[0].field464 = 0x64;
    CourseImage image;
    ASSERT_TRUE(BuildFromBytes(MakeCourseFile(description), kModelPin, image));
    const ImageView view(image);
    const CourseImageHeader header = view.Header();

    constexpr uint32_t d = 13184; // 128 + 84 + 276 * 47
    EXPECT_EQ(header.dataOffset, d);
    EXPECT_EQ(header.dataOffsetAgain, d);
    EXPECT_EQ(header.courseBoundsOffset, 128u);
    EXPECT_EQ(header.courseNameOffset, 152u);
    EXPECT_EQ(header.areaSlotCount, 47u);
    EXPECT_EQ(header.areaBoundsOffset, 212u);
    EXPECT_EQ(header.areaIndexOffset, 212u + 20 * 47);
    EXPECT_EQ(header.courseCount, 1u);
    EXPECT_EQ(header.courseRecordSize, 32u);
    EXPECT_EQ(header.courseTableOffset, 128u);
    EXPECT_EQ(header.areaCount, 0u);
    EXPECT_EQ(header.areaRecordSize, 64u);
    EXPECT_EQ(image.size(), d + kOneCourseLength);
    EXPECT_GE(image.bufferSize(), image.size() + 256u);
    EXPECT_TRUE(AllZero(image.data() + image.size(), image.bufferSize() - image.size()));

    // Tables: the course under Tokyo, slot A; the prefectures with their built-in names.
    const CourseBoundsEntry bounds = view.CourseBounds(0);
    EXPECT_EQ(bounds.upper1, 35700000);
    EXPECT_EQ(bounds.lower2, 139790000);
    EXPECT_EQ(bounds.dataOffset, 0u);
    EXPECT_EQ(bounds.dataLength, kOneCourseLength);
    const CourseNameEntry name = view.CourseName(0);
    EXPECT_EQ(name.courseId, 101);
    EXPECT_STREQ(reinterpret_cast<const char*>(name.name), "COURSE 101");
    EXPECT_EQ(name.dataLength, kOneCourseLength);
    EXPECT_EQ(NameOf(view.AreaIndex(0)), "北海道");
    EXPECT_EQ(NameOf(view.AreaIndex(12)), "東京都");
    EXPECT_EQ(NameOf(view.AreaIndex(46)), "沖縄県");
    EXPECT_EQ(view.AreaIndex(12).areaValue, 0);
    EXPECT_EQ(view.AreaBounds(12).courseCount, 1);
    EXPECT_EQ(view.AreaBounds(12).upper1, 35700000);
    EXPECT_EQ(view.AreaIndex(12).slots[0].courseCount, 1);
    EXPECT_EQ(view.AreaIndex(13).slots[0].firstCourse, 1);

    // The converted block: head fields moved, the hole's n and k first, extra bytes last.
    const uint8_t* data = view.Data(0);
    EXPECT_EQ(ReadU16Le(data), 101);
    EXPECT_STREQ(reinterpret_cast<const char*>(data + 2), "COURSE 101");
    EXPECT_STREQ(reinterpret_cast<const char*>(data + 52), "SECOND NAME");
    EXPECT_EQ(ReadU16Le(data + 102), 0x4242);
    EXPECT_EQ(ReadU32Le(data + 104), 0x45645645u);
    EXPECT_EQ(ReadU32Le(data + 108), 0x46046046u);
    EXPECT_EQ(data[112], 0x64);
    EXPECT_EQ(data[113], 1); // holes
    const uint8_t* hole = data + kHeadSize;
    EXPECT_EQ(hole[0], 1);
    EXPECT_EQ(hole[1], 4);
    EXPECT_EQ(hole[2], 1); // items
    EXPECT_EQ(hole[3], 2); // k
    EXPECT_STREQ(reinterpret_cast<const char*>(hole + 4), "FIRST");
    EXPECT_STREQ(reinterpret_cast<const char*>(hole + 54), "SECOND");
    const uint8_t* item = hole + 106;
    EXPECT_EQ(item[0], 1);
    EXPECT_EQ(item[1], 0x21);
    EXPECT_EQ(item[2], 0x22);
    EXPECT_EQ(item[3], 0x23);
    EXPECT_EQ(item[4], 1); // p
    EXPECT_EQ(item[5], 0); // q
    EXPECT_EQ(ReadU16Le(item + 6), 1);
    EXPECT_EQ(ReadU16Le(item + 20), 0xABCD);
}

TEST(CourseImageLayout, HeaderBytesTheBuilderDoesNotOwnAreCarried)
{
    CourseFileDescription description = OneCourse();
    description.bytes8 = {0xA8, 0xA9};
    description.bytes16 = {0xB0, 0xB1, 0xB2, 0xB3};
    for (size_t n = 0; n < 8; ++n)
        description.bytes36[n] = static_cast<uint8_t>(0xC0 + n);
    for (size_t n = 0; n < 72; ++n)
        description.bytes56[n] = static_cast<uint8_t>(0x10 + n);
    const std::vector<uint8_t> file = MakeCourseFile(description);
    CourseImage image;
    ASSERT_TRUE(BuildFromBytes(file, kModelPin, image));
    const uint8_t* h = image.data();
    EXPECT_EQ(0, std::memcmp(h, file.data(), 16)); // salt, 8-9, version, kind as stored
    EXPECT_EQ(0, std::memcmp(h + 16, description.bytes16.data(), 4));
    EXPECT_EQ(0, std::memcmp(h + 36, description.bytes36.data(), 8));
    EXPECT_EQ(0, std::memcmp(h + 56, description.bytes56.data(), 104 - 56)); // 60-69 stamped later
    EXPECT_EQ(0, std::memcmp(h + 124, description.bytes56.data() + 68, 4));
}

TEST(CourseImageAreas, RecordAboveFortySevenWidensTheTables)
{
    CourseFileDescription description = OneCourse();
    description.areas.push_back({60, tools::Utf8ToCp932("海外"), 0x0606});
    CourseImage image;
    ASSERT_TRUE(BuildFromBytes(MakeCourseFile(description), kModelPin, image));
    const ImageView view(image);
    const CourseImageHeader header = view.Header();
    EXPECT_EQ(header.areaSlotCount, 60u);
    EXPECT_EQ(header.dataOffset, 128u + 84 + 276 * 60);
    for (size_t a = 47; a < 59; ++a) {
        EXPECT_TRUE(AllZero(image.data() + header.areaBoundsOffset + 20 * a, 20)) << a;
        EXPECT_TRUE(AllZero(image.data() + header.areaIndexOffset + 256 * a, 256)) << a;
    }
    EXPECT_EQ(NameOf(view.AreaIndex(59)), "海外");
    EXPECT_EQ(view.AreaIndex(59).areaValue, 0x0606);
    EXPECT_EQ(view.AreaIndex(59).slots[0].firstCourse, 1);
}

TEST(CourseImageAreas, RecordRenamesAPrefecture)
{
    CourseFileDescription description = OneCourse();
    description.areas.push_back({13, tools::Utf8ToCp932("東京"), 0x1313});
    CourseImage image;
    ASSERT_TRUE(BuildFromBytes(MakeCourseFile(description), kModelPin, image));
    const ImageView view(image);
    EXPECT_EQ(view.Header().areaSlotCount, 47u);
    EXPECT_EQ(NameOf(view.AreaIndex(12)), "東京");
    EXPECT_EQ(view.AreaIndex(12).areaValue, 0x1313);
    EXPECT_EQ(NameOf(view.AreaIndex(13)), "神奈川県");
    EXPECT_EQ(view.AreaIndex(13).areaValue, 0);
}

TEST(CourseImageAreas, BoundsMergeAsSignedNumbers)
{
    CourseFileDescription description;
    tools::MakerCourse first = Course(1, 5), second = Course(2, 5, 0xB2);
    first.upper1 = -5, first.upper2 = 10, first.lower1 = -20, first.lower2 = 4;
    second.upper1 = 3, second.upper2 = -2, second.lower1 = 1, second.lower2 = -9;
    description.courses = {first, second};
    CourseImage image;
    ASSERT_TRUE(BuildFromBytes(MakeCourseFile(description), kModelPin, image));
    const AreaBoundsEntry area = ImageView(image).AreaBounds(4);
    EXPECT_EQ(area.upper1, 3);
    EXPECT_EQ(area.upper2, 10);
    EXPECT_EQ(area.lower1, -20);
    EXPECT_EQ(area.lower2, -9);
    EXPECT_EQ(area.firstCourse, 0);
    EXPECT_EQ(area.courseCount, 2);
}

TEST(CourseImageAreas, PrefectureWithoutCoursesKeepsItsPlace)
{
    CourseFileDescription description;
    description.courses = {Course(1, 1, 0xB1), Course(2, 1, 0xB2), Course(3, 3, 0xB6)};
    CourseImage image;
    ASSERT_TRUE(BuildFromBytes(MakeCourseFile(description), kModelPin, image));
    const ImageView view(image);

    const AreaBoundsEntry empty = view.AreaBounds(1);
    EXPECT_EQ(empty.courseCount, 0);
    EXPECT_EQ(empty.firstCourse, 2);
    EXPECT_EQ(empty.upper1, 0);
    EXPECT_EQ(empty.lower2, 0);
    const AreaIndexEntry aomori = view.AreaIndex(1);
    EXPECT_EQ(NameOf(aomori), "青森県");
    for (const AreaSlot& slot : aomori.slots) {
        EXPECT_EQ(slot.firstCourse, 2);
        EXPECT_EQ(slot.courseCount, 0);
    }
    const AreaIndexEntry hokkaido = view.AreaIndex(0);
    EXPECT_EQ(hokkaido.slots[0].firstCourse, 0);
    EXPECT_EQ(hokkaido.slots[1].firstCourse, 1);
    EXPECT_EQ(hokkaido.slots[2].firstCourse, 2);
    const AreaIndexEntry iwate = view.AreaIndex(2);
    EXPECT_EQ(iwate.slots[4].firstCourse, 2);
    EXPECT_EQ(iwate.slots[4].courseCount, 0);
    EXPECT_EQ(iwate.slots[5].firstCourse, 2);
    EXPECT_EQ(iwate.slots[5].courseCount, 1);
    EXPECT_EQ(iwate.slots[6].firstCourse, 3);
    EXPECT_EQ(view.AreaBounds(2).firstCourse, 2);
    EXPECT_EQ(view.CourseName(2).courseId, 3);
    EXPECT_EQ(view.CourseBounds(2).dataOffset, 2 * kOneCourseLength);
}

namespace {

struct PayloadCase {
    uint16_t version;
    uint16_t modelIndex;
    uint8_t type;
    size_t payload;
};

class PayloadPerModel : public testing::TestWithParam<PayloadCase> {};

INSTANTIATE_TEST_SUITE_P(Rows, PayloadPerModel,
                         testing::Values(PayloadCase{4, kModelBandA, 1, 22}, PayloadCase{4, kModelBandA, 2, 26},
                                         PayloadCase{2, kModelPin, 1, 6}, PayloadCase{2, kModelPin, 2, 6},
                                         PayloadCase{2, kModelBandF, 2, 6}, PayloadCase{2, kModelBandF, 7, 6}));

} // namespace

TEST_P(PayloadPerModel, ItemCarriesTheModelsPayload)
{
    const PayloadCase& c = GetParam();
    CourseFileDescription description = OneCourse(c.version);
    tools::MakerItem& item = description.courses[0].holes[0].items[0];
    item.type = c.type;
    item.s = 2, item.p = 1, item.q = 0;
    item.payload = std::vector<uint8_t>(c.payload);
    for (size_t n = 0; n < c.payload; ++n)
        (*item.payload)[n] = static_cast<uint8_t>(0x80 + n);
    tools::MakerItem marker; // follows, so a wrong payload length shows
    marker.type = 2;
    marker.bytes = {0x77, 0x78, 0x79};
    marker.payload = std::vector<uint8_t>{};
    const std::vector<uint8_t> payload = *item.payload;
    description.courses[0].holes[0].items.push_back(marker); // `item` is gone from here on

    CourseImage image;
    ASSERT_TRUE(BuildFromBytes(MakeCourseFile(description), c.modelIndex, image));
    const bool bandA = c.modelIndex == kModelBandA;
    const size_t itemSize = bandA ? 23 : 22;
    const ImageView view(image);
    EXPECT_EQ(view.CourseBounds(0).dataLength, kHeadSize + 106 + 2 * itemSize + c.payload);
    const uint8_t* first = view.Data(0) + kHeadSize + 106;
    if (bandA) {
        EXPECT_EQ(first[4], 2); // s
        EXPECT_EQ(first[5], 1); // p
        EXPECT_EQ(ReadU16Le(first + 7), 1);
        EXPECT_EQ(ReadU16Le(first + 21), 0xABCD);
    } else {
        EXPECT_EQ(first[4], 1); // p; s is dropped
    }
    EXPECT_EQ(std::vector<uint8_t>(first + itemSize, first + itemSize + c.payload), payload);
    const uint8_t* second = first + itemSize + c.payload;
    EXPECT_EQ(second[0], 2);
    EXPECT_EQ(second[1], 0x77);
}

TEST(CourseImageHoles, ExtraCountFiveTakesFourBytes)
{
    CourseFileDescription description = OneCourse();
    tools::MakerHole& hole = description.courses[0].holes[0];
    hole.extraCount = 5;
    hole.extra = std::vector<uint8_t>{0xE1, 0xE2, 0xE3, 0xE4};
    CourseImage image;
    ASSERT_TRUE(BuildFromBytes(MakeCourseFile(description), kModelPin, image));
    const ImageView view(image);
    const uint8_t* converted = view.Data(0) + kHeadSize;
    EXPECT_EQ(converted[3], 5);
    EXPECT_STREQ(reinterpret_cast<const char*>(converted + 4), "FIRST");
    EXPECT_EQ(std::vector<uint8_t>(converted + 104, converted + 108), *hole.extra);
    EXPECT_EQ(converted[108], 1); // the item follows the four extra bytes
    EXPECT_EQ(view.CourseBounds(0).dataLength, kHeadSize + 108 + 28);
}

TEST(CourseImageNames, FullFiftyByteNameIsCutInTheNameTable)
{
    CourseFileDescription description = OneCourse();
    description.courses[0].name = std::string(50, 'N');
    CourseImage image;
    ASSERT_TRUE(BuildFromBytes(MakeCourseFile(description), kModelPin, image));
    const ImageView view(image);
    const CourseNameEntry entry = view.CourseName(0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry.name)), std::string(49, 'N'));
    EXPECT_EQ(entry.name[49], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(view.Data(0) + 2), 50), std::string(50, 'N'));
}

TEST(CourseImageNames, AreaNameWithoutTerminatorIsCutToFortyNineBytes)
{
    CourseFileDescription description = OneCourse();
    description.areas.push_back({13, std::string(49, 'T'), 1});
    std::vector<uint8_t> plain = tools::MakePlainCourseFile(description);
    uint8_t* record = plain.data() + kSourceHeaderSize + kCourseRecordSize;
    std::memset(record, 'T', 53); // no NUL anywhere in the name field
    tools::EncipherCourseFile(plain);
    CourseImage image;
    ASSERT_TRUE(BuildFromBytes(plain, kModelPin, image));
    const AreaIndexEntry entry = ImageView(image).AreaIndex(12);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry.name)), std::string(49, 'T'));
    EXPECT_EQ(entry.areaValue, 1);
}

TEST(CourseImageCounts, NoCoursesGiveTheTablesAlone)
{
    CourseFileDescription description;
    CourseImage image;
    ASSERT_TRUE(BuildFromBytes(MakeCourseFile(description), kModelBandF, image));
    EXPECT_EQ(image.size(), 128u + 276 * 47);
    const ImageView view(image);
    EXPECT_EQ(view.Header().dataOffset, image.size());
    EXPECT_EQ(view.AreaIndex(46).slots[43].firstCourse, 0);
    EXPECT_EQ(NameOf(view.AreaIndex(46)), "沖縄県");
}

TEST(CourseImage, FailedBuildReleasesTheEarlierImage)
{
    CourseImage image;
    ASSERT_TRUE(BuildFromBytes(MakeCourseFile(OneCourse()), kModelPin, image));
    EXPECT_FALSE(BuildFromBytes(MakeCourseFile(OneCourse()), kModelBandA, image));
    EXPECT_EQ(image.size(), 0u);
    EXPECT_EQ(image.bufferSize(), 0u);
}

TEST(CourseImage, BuildsFromAFileAndRefusesAMissingOne)
{
    TempDir folder;
    const std::vector<uint8_t> file = MakeCourseFile(OneCourse());
    std::ofstream(folder.File("course.dat"), std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    CourseImage fromFile, fromBytes;
    ASSERT_TRUE(fromFile.Build(folder.File("course.dat"), kModelPin));
    ASSERT_TRUE(BuildFromBytes(file, kModelPin, fromBytes));
    EXPECT_EQ(std::vector<uint8_t>(fromFile.data(), fromFile.data() + fromFile.size()),
              std::vector<uint8_t>(fromBytes.data(), fromBytes.data() + fromBytes.size()));
    EXPECT_FALSE(fromFile.Build(folder.File("missing.dat"), kModelPin));
    EXPECT_FALSE(fromFile.Build(folder.path(), kModelPin));
}

namespace {

struct FixtureCase {
    const char* file;
    uint16_t modelIndex;
    size_t courses;
};

class Fixtures : public testing::TestWithParam<FixtureCase> {};

INSTANTIATE_TEST_SUITE_P(Files, Fixtures,
                         testing::Values(FixtureCase{"kanto-v2.json", kModelPin, 3},
                                         FixtureCase{"banda-v4.json", kModelBandA, 2}));

} // namespace

TEST_P(Fixtures, DescriptionBuildsForItsModel)
{
    std::ifstream in(std::string(COURSE_FIXTURES) + "/" + GetParam().file);
    ASSERT_TRUE(in);
    const CourseFileDescription description = tools::ParseCourseDescription(nlohmann::json::parse(in));
    ASSERT_EQ(description.courses.size(), GetParam().courses);
    CourseImage image;
    ASSERT_TRUE(BuildFromBytes(MakeCourseFile(description), GetParam().modelIndex, image));
    const ImageView view(image);
    for (size_t k = 0; k < description.courses.size(); ++k)
        EXPECT_EQ(view.CourseName(k).courseId, description.courses[k].id);
}
