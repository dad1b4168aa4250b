// The firmware update end to end: a simulated watch on a virtual HID bus receives the file.

#include "DeviceLink.h"
#include "DeviceModel.h"
#include "FirmwareMaker.h"
#include "PrivateBus.h"
#include "RecordingHost.h"
#include "TempDir.h"
#include "VersionText.h"
#include "VhidBackend.h"
#include "WriteFirmware.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace teedesk;
using namespace teedesk::test;

namespace {

std::vector<uint8_t> FileFor(uint16_t model, size_t bodySize, FirmwareKind kind)
{
    tools::FirmwareRecipe recipe;
    recipe.modelIndex = model;
    recipe.bodySize = bodySize;
    recipe.kind = kind;
    recipe.seed = 11 + model;
    return tools::MakeFirmware(recipe).bytes;
}

std::string Save(const TempDir& folder, const std::vector<uint8_t>& bytes)
{
    const std::string path = folder.File("firmware.bin");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

class FirmwareOverBus : public testing::TestWithParam<uint16_t> {
protected:
    void SetUp() override
    {
        options.modelIndex = GetParam();
        bus = std::make_unique<sim::PrivateBus>(options);
        ASSERT_TRUE(bus->ok());
        backend = std::make_unique<VhidBackend>(bus->directory());
        link = std::make_unique<DeviceLink>(*backend);
        ASSERT_TRUE(link->Discover());
        ASSERT_TRUE(link->Identify());
    }
    void TearDown() override
    {
        if (link)
            link->Close();
    }

    sim::WatchOptions options;
    std::unique_ptr<sim::PrivateBus> bus;
    std::unique_ptr<VhidBackend> backend;
    std::unique_ptr<DeviceLink> link;
    TempDir folder;
    RecordingHost host;
};

INSTANTIATE_TEST_SUITE_P(Models, FirmwareOverBus, testing::Values(kModelPin, kModelBandF, kModelBandA),
                         [](const auto& info) { return std::to_string(info.param); });

} // namespace

TEST_P(FirmwareOverBus, WatchReceivesTheFile)
{
    const std::vector<uint8_t> file = FileFor(GetParam(), 5000, FirmwareKind::Font);
    const TransferResult result = WriteFirmware(*link, Save(folder, file), host);
    ASSERT_TRUE(result.completed) << result.reason;
    EXPECT_EQ(bus->watch().ReceivedFirmware(), file);
    EXPECT_EQ(host.positions().back(), 100);
}

TEST_P(FirmwareOverBus, BadReplyOnceIsRetried)
{
    sim::Faults faults;
    faults.badCrcOnBlock = 3;
    bus->watch().SetFaults(faults);
    const std::vector<uint8_t> file = FileFor(GetParam(), 2000, FirmwareKind::Bluetooth);
    ASSERT_TRUE(WriteFirmware(*link, Save(folder, file), host).completed);
    EXPECT_EQ(bus->watch().ReceivedFirmware(), file);
    int block3 = 0;
    for (const auto& request : bus->watch().requests())
        block3 += request.command == Command::Firmware && request.phase == 0 && request.argument == 3;
    EXPECT_EQ(block3, 2);
}

TEST_P(FirmwareOverBus, UnpluggedMidwayStopsAndUnlocks)
{
    sim::Faults faults;
    faults.unplugAfterBlock = 1;
    bus->watch().SetFaults(faults);
    const TransferResult result =
        WriteFirmware(*link, Save(folder, FileFor(GetParam(), 2000, FirmwareKind::Main)), host);
    EXPECT_FALSE(result.completed);
    EXPECT_NE(result.reason, "");
    EXPECT_EQ(host.events().back().kind, HostEvent::Unlock);
    EXPECT_FALSE(host.locked());
    EXPECT_TRUE(bus->watch().ReceivedFirmware().empty());
}

TEST_P(FirmwareOverBus, VersionText)
{
    const std::string expected = GetParam() == kModelBandF
                                     ? "ファームウェアバージョン 1.05"
                                     : "ファームウェアバージョン 1.05\tBluetooth バージョン 2.01.003";
    EXPECT_EQ(QueryVersionText(*link), expected);
}
