#include "Crc16.h"
#include "DeviceModel.h"
#include "FirmwareFormat.h"
#include "FirmwareMaker.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

using namespace teedesk;
using Bytes = std::vector<uint8_t>;

namespace {

const std::string kNameF = "QRT_LK_BAND_F";
const std::string kNameA = "QRT_LK_BAND_A";

std::string_view IdentityOf(uint16_t model) { return kKnownModels.at(model).IdentityName(); }

// A body that classifies as Main, then whatever trailer the case wants.
Bytes Body(size_t size = 256, uint32_t seed = 7)
{
    Bytes body = tools::RandomBytes(size, seed);
    const uint32_t address = 0x10010; // tag at 0x13
    body[0] = 0;
    body[4] = static_cast<uint8_t>(address);
    body[5] = static_cast<uint8_t>(address >> 8);
    body[6] = static_cast<uint8_t>(address >> 16);
    body[7] = 0;
    std::memcpy(body.data() + 0x13, "MAIN", 4);
    return body;
}

Bytes Named(Bytes body, const std::string& name)
{
    tools::AppendNamedTrailer(body, name);
    return body;
}

Bytes Marker(Bytes body)
{
    tools::AppendMarkerTrailer(body);
    return body;
}

// A named trailer whose field is given whole (64 bytes), with a correct CRC.
Bytes NamedField(Bytes body, const uint8_t (&field)[64])
{
    body.insert(body.end(), field, field + 64);
    const uint16_t crc = Crc16(body);
    body.push_back(static_cast<uint8_t>(crc));
    body.push_back(static_cast<uint8_t>(crc >> 8));
    return body;
}

Bytes Changed(Bytes file, std::function<void(Bytes&)> change)
{
    change(file);
    return file;
}

// One byte short of the smallest file the trailer allows.
Bytes DropFirst(Bytes file)
{
    file.erase(file.begin());
    return file;
}

// The first seed whose named-trailer CRC has two equal bytes, so storing it either way round is the same.
Bytes NamedWithSymmetricCrc()
{
    for (uint32_t seed = 1;; ++seed) {
        Bytes file = Named(Body(256, seed), kNameF);
        if (file[file.size() - 1] == file[file.size() - 2])
            return file;
    }
}

struct TrailerCase {
    const char* name;
    std::function<Bytes()> make;
    uint16_t model;
    bool passes;
};

void PrintTo(const TrailerCase& c, std::ostream* out) { *out << c.name; }

const TrailerCase kTrailerCases[] = {
    {"MarkerOnPin", [] { return Marker(Body()); }, kModelPin, true},
    {"MarkerOnBandF", [] { return Marker(Body()); }, kModelBandF, false},
    {"MarkerOnBandA", [] { return Marker(Body()); }, kModelBandA, false},
    {"NamedFOnBandF", [] { return Named(Body(), kNameF); }, kModelBandF, true},
    {"NamedFOnBandA", [] { return Named(Body(), kNameF); }, kModelBandA, false},
    {"NamedAOnBandA", [] { return Named(Body(), kNameA); }, kModelBandA, true},
    {"NamedAOnPin", [] { return Named(Body(), kNameA); }, kModelPin, false},
    {"NameWithMoreTextBeforeNul", [] { return Named(Body(), kNameF + "X"); }, kModelBandF, false},
    {"NameInLowerCase", [] { return Named(Body(), "qrt_lk_band_f"); }, kModelBandF, false},
    {"NameShorterThanIdentity", [] { return Named(Body(), "QRT_LK_BAND"); }, kModelBandF, false},
    {"NameFieldOf64NonNulBytes",
     [] {
         uint8_t field[64];
         std::memset(field, 'X', sizeof field);
         std::memcpy(field, kNameF.data(), kNameF.size());
         return NamedField(Body(), field);
     },
     kModelBandF, false},
    {"BytesAfterNulIgnoredByName",
     [] {
         uint8_t field[64] = {};
         std::memcpy(field, kNameF.data(), kNameF.size());
         std::memset(field + kNameF.size() + 1, 0x5A, 64 - kNameF.size() - 1);
         return NamedField(Body(), field);
     },
     kModelBandF, true},
    // The CRC covers the name field, so padding changed after the fact fails the CRC.
    {"PaddingChangedAfterCrc",
     [] { return Changed(Named(Body(), kNameF), [](Bytes& f) { f[f.size() - 66 + 40] ^= 1; }); }, kModelBandF,
     false},
    {"NamedBodyByteChanged", [] { return Changed(Named(Body(), kNameF), [](Bytes& f) { f[100] ^= 0x80; }); },
     kModelBandF, false},
    {"NamedCrcHighByteFirst",
     [] { return Changed(Named(Body(), kNameF), [](Bytes& f) { std::swap(f[f.size() - 1], f[f.size() - 2]); }); },
     kModelBandF, false},
    {"NamedCrcSwappedButBothBytesEqual",
     [] {
         return Changed(NamedWithSymmetricCrc(), [](Bytes& f) { std::swap(f[f.size() - 1], f[f.size() - 2]); });
     },
     kModelBandF, true},
    {"MarkerCrcHighByteFirst",
     [] { return Changed(Marker(Body()), [](Bytes& f) { std::swap(f[f.size() - 18], f[f.size() - 17]); }); },
     kModelPin, false},
    // The marker CRC stops before the marker, and the last two bytes are free.
    {"MarkerLastTwoBytesAnything",
     [] { return Changed(Marker(Body()), [](Bytes& f) { f[f.size() - 1] = 0xFF; f[f.size() - 2] = 0x17; }); },
     kModelPin, true},
    {"MarkerTextChanged", [] { return Changed(Marker(Body()), [](Bytes& f) { f[f.size() - 3] = 'x'; }); },
     kModelPin, false},
    {"MarkerBodyByteChanged", [] { return Changed(Marker(Body()), [](Bytes& f) { f[9] ^= 1; }); }, kModelPin, false},
    {"MarkerOnlyFile", [] { return Marker({}); }, kModelPin, true},
    {"NamedOnlyFile", [] { return Named({}, kNameA); }, kModelBandA, true},
    {"SeventeenBytesOnPin", [] { return DropFirst(Marker({})); }, kModelPin, false},
    {"SixtyFiveBytesOnBandA", [] { return DropFirst(Named({}, kNameA)); },
     kModelBandA, false},
    {"EmptyFileOnPin", [] { return Bytes{}; }, kModelPin, false},
    {"EmptyFileOnBandA", [] { return Bytes{}; }, kModelBandA, false},
};

class TrailerTest : public testing::TestWithParam<TrailerCase> {};

INSTANTIATE_TEST_SUITE_P(Cases, TrailerTest, testing::ValuesIn(kTrailerCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

TEST_P(TrailerTest, Verify)
{
    const Bytes file = GetParam().make();
    EXPECT_EQ(VerifyFirmwareTrailer(file, IdentityOf(GetParam().model)), GetParam().passes);
}

namespace {

Bytes WithTag(size_t size, uint32_t address, size_t offset, const char* tag)
{
    Bytes file(size, 0xEE);
    file[0] = 0;
    file[4] = static_cast<uint8_t>(address);
    file[5] = static_cast<uint8_t>(address >> 8);
    file[6] = static_cast<uint8_t>(address >> 16);
    file[7] = static_cast<uint8_t>(address >> 24);
    if (tag)
        std::memcpy(file.data() + offset, tag, 4);
    return file;
}

Bytes WithHead(std::string_view head, size_t size = 64)
{
    Bytes file(size, 0);
    std::memcpy(file.data(), head.data(), head.size());
    return file;
}

struct KindCase {
    const char* name;
    std::function<Bytes()> make;
    std::optional<FirmwareKind> kind;
};

void PrintTo(const KindCase& c, std::ostream* out) { *out << c.name; }

const KindCase kKindCases[] = {
    {"TouchPanelHead", [] { return WithHead(kTouchPanelHead); }, FirmwareKind::TouchPanel},
    // Bytes 4 to 7 of a touch-panel file are part of its marker; no tag is looked for.
    {"TouchPanelIgnoresTagAddress",
     [] {
         Bytes file = WithHead(kTouchPanelHead, 0x40);
         std::memcpy(file.data() + 0x23, "BOOT", 4); // where A = 0x20 would point
         return file;
     },
     FirmwareKind::TouchPanel},
    {"TouchPanelHeadAlone", [] { return WithHead(kTouchPanelHead, 17); }, FirmwareKind::TouchPanel},
    {"BluetoothHead", [] { return WithHead(kBluetoothHead); }, FirmwareKind::Bluetooth},
    {"BluetoothHeadAlone", [] { return WithHead(kBluetoothHead, 18); }, FirmwareKind::Bluetooth},
    {"HeadCutShort", [] { return WithHead(kBluetoothHead.substr(0, 17), 17); }, std::nullopt},
    {"ZeroAddressTagAtStart",
     [] {
         Bytes file(64, 0);
         std::memcpy(file.data(), "MAIN", 4);
         return file;
     },
     FirmwareKind::Main},
    {"LowBandTop", [] { return WithTag(0x10100, 0x10000, 0x10003, "BOOT"); }, FirmwareKind::Boot},
    {"LowBandSmall", [] { return WithTag(64, 0x20, 0x23, "FONT"); }, FirmwareKind::Font},
    {"MiddleBandFirstClear", [] { return WithTag(64, 0x10005, 8, "MAIN"); }, FirmwareKind::Main},
    {"MiddleBandTop", [] { return WithTag(0xA8100, 0xB8000, 0xA8003, "FONT"); }, FirmwareKind::Font},
    {"HighBandFirstClear", [] { return WithTag(64, 0xB8005, 8, "BOOT"); }, FirmwareKind::Boot},
    // A = 0x10001 and 0xB8001 point at the address itself, which is no tag.
    {"MiddleBandPointsAtAddress", [] { return WithTag(64, 0x10001, 4, nullptr); }, std::nullopt},
    {"HighBandPointsAtAddress", [] { return WithTag(64, 0xB8001, 4, nullptr); }, std::nullopt},
    {"TagEndsAtFileEnd", [] { return WithTag(0x27, 0x20, 0x23, "MAIN"); }, FirmwareKind::Main},
    {"TagPastFileEnd",
     [] {
         Bytes file = WithTag(0x27, 0x20, 0x23, "MAIN");
         file.pop_back();
         return file;
     },
     std::nullopt},
    {"TagFarBeyondEnd", [] { return WithTag(64, 0xFFFFFFFF, 0, nullptr); }, std::nullopt},
    {"LowerCaseTag", [] { return WithTag(64, 0x20, 0x23, "boot"); }, std::nullopt},
    {"UnknownTag", [] { return WithTag(64, 0x20, 0x23, "MAIX"); }, std::nullopt},
    {"SevenBytes", [] { return Bytes(7, 0); }, std::nullopt},
    {"Empty", [] { return Bytes{}; }, std::nullopt},
};

class KindTest : public testing::TestWithParam<KindCase> {};

INSTANTIATE_TEST_SUITE_P(Cases, KindTest, testing::ValuesIn(kKindCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

TEST_P(KindTest, Classify)
{
    const Bytes file = GetParam().make();
    // An exact-size heap copy, so a read past the end shows under the address sanitizer.
    std::unique_ptr<uint8_t[]> exact(new uint8_t[file.size() + (file.empty() ? 1 : 0)]);
    if (!file.empty())
        std::memcpy(exact.get(), file.data(), file.size());
    EXPECT_EQ(ClassifyFirmware({exact.get(), file.size()}), GetParam().kind);
}

TEST(FirmwareTagOffset, BandsAreInclusiveAtTheTop)
{
    const std::pair<uint32_t, uint32_t> rows[] = {
        {0, 0},          {1, 4},         {0x10000, 0x10003}, {0x10001, 4},
        {0xB8000, 0xA8003}, {0xB8001, 4}, {0xFFFFFFFF, 0xFFFFFFFFu - 0xB7FFD},
    };
    for (const auto& [address, offset] : rows)
        EXPECT_EQ(FirmwareTagOffset(address), offset) << std::hex << address;
}

TEST(CheckFirmware, TrailerIsCheckedBeforeKind)
{
    const Bytes unknownKind = Marker(WithTag(64, 0x20, 0x23, "XXXX"));
    const FirmwareCheck bad = CheckFirmware(unknownKind, IdentityOf(kModelBandA));
    EXPECT_FALSE(bad.kind);
    EXPECT_EQ(bad.refusal.text, "Incorrect firmwarefile!");
    EXPECT_EQ(bad.refusal.caption, "Open File");

    const FirmwareCheck invalid = CheckFirmware(unknownKind, IdentityOf(kModelPin));
    EXPECT_FALSE(invalid.kind);
    EXPECT_EQ(invalid.refusal.text, "Invalid firmware type!");
    EXPECT_EQ(invalid.refusal.caption, "Error");

    EXPECT_EQ(CheckFirmware(Named(Body(), kNameF), IdentityOf(kModelBandF)).kind, FirmwareKind::Main);
}
