// Course files that must be refused, each as one row: the build fails and leaves nothing.

#include "ByteOrder.h"
#include "CourseFormat.h"
#include "CourseImage.h"
#include "CourseMaker.h"
#include "CourseTestSupport.h"
#include "DeviceModel.h"

#include <gtest/gtest.h>

#include <functional>

using namespace teedesk;
using namespace teedesk::test;
using tools::CourseFileDescription;
using tools::CourseFileLayout;

namespace {

using Bytes = std::vector<uint8_t>;

// Plain-file offsets of the first hole and item of a block made by Course().
constexpr size_t kHoleCount = 465;
constexpr size_t kItemCount = 466 + 103 + 2;
constexpr size_t kItemType = kItemCount + 1;
constexpr size_t kItemP = kItemType + 6;

struct BadInput {
    const char* name;
    uint16_t version;
    std::function<void(CourseFileDescription&)> describe;
    std::function<void(Bytes&, const CourseFileLayout&)> patch;
};

CourseFileDescription Base(uint16_t version)
{
    CourseFileDescription description = OneCourse(version);
    description.courses.push_back(Course(102, 13, 0xB2));
    description.areas.push_back({14, "KANAGAWA", 5});
    return description;
}

uint8_t* Record(Bytes& file, const CourseFileLayout& layout, size_t k)
{
    return file.data() + layout.courseTableOffset + k * kCourseRecordSize;
}

uint8_t* Block(Bytes& file, const CourseFileLayout& layout, size_t k) { return file.data() + layout.blockOffsets[k]; }

void Header32(Bytes& file, size_t offset, uint32_t value) { WriteU32Le(file.data() + offset, value); }

uint32_t BlockBytes(const CourseFileLayout& layout)
{
    uint32_t total = 0;
    for (uint32_t length : layout.blockLengths)
        total += length;
    return total;
}

const BadInput kBadInputs[] = {
    {"HeaderCutShort", 2, {}, [](Bytes& f, const CourseFileLayout&) { f.resize(100); }},
    {"LastBlockCutShort", 2, {}, [](Bytes& f, const CourseFileLayout&) { f.pop_back(); }},
    {"BlockLongerThan8192", 2, {},
     [](Bytes& f, const CourseFileLayout& l) {
         WriteU32Le(Record(f, l, 1) + 24, 8193);
         f.resize(f.size() + 8193);
     }},
    {"HoleCountRunsPastBlock", 2, {}, [](Bytes& f, const CourseFileLayout& l) { Block(f, l, 0)[kHoleCount] = 9; }},
    {"ItemCountRunsPastBlock", 2, {}, [](Bytes& f, const CourseFileLayout& l) { Block(f, l, 1)[kItemCount] = 9; }},
    {"PayloadRunsPastBlock", 2, {}, [](Bytes& f, const CourseFileLayout& l) { Block(f, l, 1)[kItemP] = 9; }},
    {"BandAItemOfTypeThree", 4,
     [](CourseFileDescription& d) {
         d.courses[0].holes[0].items[0].type = 3;
         d.courses[0].holes[0].items[0].payload = Bytes(6);
     },
     {}},
    {"AreaRecordNumberedZero", 2, [](CourseFileDescription& d) { d.areas.push_back({0, "ZERO", 0}); }, {}},
    {"CourseInAreaZero", 2, {}, [](Bytes& f, const CourseFileLayout& l) { Record(f, l, 0)[18] = 0; }},
    {"CourseInUnnamedArea", 2, {}, [](Bytes& f, const CourseFileLayout& l) { Record(f, l, 1)[18] = 48; }},
    {"CourseInAreaRenamedToNothing", 2, [](CourseFileDescription& d) { d.areas.push_back({13, "", 0}); }, {}},
    {"SlotCodeBelowA", 2, {}, [](Bytes& f, const CourseFileLayout& l) { Record(f, l, 0)[19] = 0xB0; }},
    {"SlotCodeAboveWa", 2, {}, [](Bytes& f, const CourseFileLayout& l) { Record(f, l, 1)[19] = 0xDD; }},
    {"BlockOfNoCourse", 2, {}, [](Bytes& f, const CourseFileLayout& l) { WriteU16Le(Block(f, l, 1), 999); }},
    {"TwoCoursesShareOneBlock", 2, {}, [](Bytes& f, const CourseFileLayout& l) { WriteU32Le(Record(f, l, 1) + 20, 0); }},
    {"CourseCountPastFile", 2, {}, [](Bytes& f, const CourseFileLayout&) { Header32(f, 20, 0x08000000); }},
    {"AreaCountPastFile", 2, {}, [](Bytes& f, const CourseFileLayout&) { Header32(f, 44, 0x01000000); }},
    {"CourseTableOffsetPastFile", 2, {}, [](Bytes& f, const CourseFileLayout&) { Header32(f, 28, 0xFFFFFF00); }},
    {"BlockOffsetWrapsThirtyTwoBits", 2, {},
     [](Bytes& f, const CourseFileLayout& l) {
         // Added in 32 bits, base and offset would land on the real blocks again.
         Header32(f, 32, 0xFFFFFF00);
         for (size_t k = 0; k < l.blockOffsets.size(); ++k)
             WriteU32Le(Record(f, l, k) + 20, l.blockOffsets[k] + 0x100);
     }},
    {"AreaRecordSizeLeavesNoRoomForTables", 2, {},
     [](Bytes& f, const CourseFileLayout&) { Header32(f, 48, 0xFFFFFFFF); }},
    {"AreaRecordSizeLeavesNoRoomForData", 2, {},
     [](Bytes& f, const CourseFileLayout& l) { Header32(f, 48, 64 + BlockBytes(l) - 1); }},
};

class CourseBadInput : public testing::TestWithParam<BadInput> {};

INSTANTIATE_TEST_SUITE_P(Rows, CourseBadInput, testing::ValuesIn(kBadInputs),
                         [](const auto& info) { return std::string(info.param.name); });

uint16_t ModelFor(uint16_t version) { return version == 4 ? kModelBandA : kModelPin; }

} // namespace

TEST_P(CourseBadInput, BuildFailsAndHoldsNothing)
{
    const BadInput& row = GetParam();
    CourseImage image;
    ASSERT_TRUE(BuildFromBytes(tools::MakeCourseFile(Base(row.version)), ModelFor(row.version), image))
        << "the file is sound before the change";

    CourseFileDescription description = Base(row.version);
    if (row.describe)
        row.describe(description);
    CourseFileLayout layout;
    Bytes file = tools::MakePlainCourseFile(description, &layout);
    if (row.patch)
        row.patch(file, layout);
    tools::EncipherCourseFile(file);
    EXPECT_FALSE(BuildFromBytes(file, ModelFor(row.version), image));
    EXPECT_EQ(image.size(), 0u);
    EXPECT_EQ(image.bufferSize(), 0u);
}
