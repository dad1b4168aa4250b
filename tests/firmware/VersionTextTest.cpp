#include "DeviceLink.h"
#include "DeviceModel.h"
#include "FakeHidBackend.h"
#include "VersionText.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace teedesk;
using namespace teedesk::test;

namespace {

struct VersionCase {
    const char* name;
    uint16_t model;
    // V[3], V[2], V[15], V[17], V[16], V[14]
    uint8_t fwMajor, fwMinor, fwThird, btMajor, btMinor, btThird;
    const char* text;
};

void PrintTo(const VersionCase& c, std::ostream* out) { *out << c.name; }

const VersionCase kCases[] = {
    {"BandFFirmwareOnly", kModelBandF, 1, 5, 0, 2, 1, 3, "ファームウェアバージョン 1.05"},
    {"BandAWithBluetooth", kModelBandA, 1, 5, 0, 2, 1, 3, "ファームウェアバージョン 1.05\tBluetooth バージョン 2.01.003"},
    {"FirmwareThirdPart", kModelBandF, 1, 5, 7, 0, 0, 0, "ファームウェアバージョン 1.05.007"},
    {"PinTwoPartBluetooth", kModelPin, 3, 12, 0, 4, 0, 0, "ファームウェアバージョン 3.12\tBluetooth バージョン 4.00"},
    {"LargestBytes", kModelBandA, 255, 255, 255, 255, 255, 255,
     "ファームウェアバージョン 255.255.255\tBluetooth バージョン 255.255.255"},
};

class VersionTextTest : public testing::TestWithParam<VersionCase> {};

INSTANTIATE_TEST_SUITE_P(Cases, VersionTextTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

uint8_t Filler(size_t i) { return static_cast<uint8_t>(0x40 + i); }

} // namespace

TEST_P(VersionTextTest, Format)
{
    const VersionCase& c = GetParam();
    uint8_t v[256];
    for (size_t i = 0; i < sizeof v; ++i)
        v[i] = Filler(i); // bytes nobody reads must not show
    v[3] = c.fwMajor;
    v[2] = c.fwMinor;
    v[15] = c.fwThird;
    v[17] = c.btMajor;
    v[16] = c.btMinor;
    v[14] = c.btThird;
    EXPECT_EQ(FormatVersionText(v, c.model), c.text);
}

TEST(QueryVersionText, AsksCommandOneForBlockZero)
{
    FakeHidBackend backend;
    backend.Add({"/fake/watch", {0x10C4, 0x8ADB, 1}, EchoResponder([](CommandPacket& p) {
                     p.payload[3] = 1;
                     p.payload[2] = 5;
                     p.payload[17] = 2;
                     p.payload[16] = 1;
                     p.payload[14] = 3;
                 })});
    DeviceLink link(backend, std::chrono::milliseconds(50));
    ASSERT_TRUE(link.Discover());
    EXPECT_EQ(QueryVersionText(link), "ファームウェアバージョン 1.05\tBluetooth バージョン 2.01.003");
    const auto writes = backend.handle("/fake/watch")->writes();
    ASSERT_EQ(writes.size(), 1u);
    const CommandPacket request = PacketOf(writes[0]);
    EXPECT_EQ(request.commandCode, Command::Version);
    EXPECT_EQ(request.phase, 0);
    EXPECT_EQ(request.Argument(), 0u);
}

TEST(QueryVersionText, FailedQueryGivesNothing)
{
    FakeHidBackend backend;
    backend.Add({"/fake/watch", {0x10C4, 0x8ADB, 1}, EchoResponder([](CommandPacket& p) { p.SetArgument(1); })});
    DeviceLink link(backend, std::chrono::milliseconds(50));
    ASSERT_TRUE(link.Discover());
    EXPECT_EQ(QueryVersionText(link), std::nullopt);
    link.Close();
    EXPECT_EQ(QueryVersionText(link), std::nullopt);
}
