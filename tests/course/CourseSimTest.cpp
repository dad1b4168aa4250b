// The course update end to end: a simulated watch on a virtual HID bus receives the image.

#include "CourseMaker.h"
#include "CourseTestSupport.h"
#include "CourseWriter.h"
#include "DeviceLink.h"
#include "DeviceModel.h"
#include "PrivateBus.h"
#include "RecordingHost.h"
#include "TempDir.h"
#include "VhidBackend.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace teedesk;
using namespace teedesk::test;

namespace {

class CourseOverBus : public testing::TestWithParam<uint16_t> {};

INSTANTIATE_TEST_SUITE_P(Models, CourseOverBus, testing::Values(kModelPin, kModelBandA),
                         [](const auto& info) { return std::to_string(info.param); });

} // namespace

TEST_P(CourseOverBus, WatchReceivesTheStampedImage)
{
    const uint16_t model = GetParam();
    sim::WatchOptions options;
    options.modelIndex = model;
    sim::PrivateBus bus(options);
    ASSERT_TRUE(bus.ok());
    VhidBackend backend(bus.directory());
    DeviceLink link(backend);
    ASSERT_TRUE(link.Discover());
    ASSERT_TRUE(link.Identify());

    TempDir folder;
    tools::CourseFileDescription description = OneCourse(model == kModelBandA ? 4 : 2);
    description.courses.push_back(Course(102, 13, 0xB2));
    description.courses.push_back(Course(4701, 47, 0xDC));
    const std::vector<uint8_t> file = tools::MakeCourseFile(description);
    const std::string path = folder.File("course.dat");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));

    CourseImage expected;
    ASSERT_EQ(PrepareCourseImage(path, model, expected), CoursePrepareStatus::Ready);
    RecordingHost host;
    const TransferResult result = WriteCourseImage(link, path, host);
    ASSERT_TRUE(result.completed) << result.reason;
    EXPECT_EQ(bus.watch().ReceivedCourse(), std::vector<uint8_t>(expected.data(), expected.data() + expected.size()));
    link.Close();
}
