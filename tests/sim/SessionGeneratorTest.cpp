#include "ByteOrder.h"
#include "DeviceModel.h"
#include "SimulatedWatch.h"

#include <gtest/gtest.h>

#include <unicode/ucnv.h>

#include <cstring>
#include <set>
#include <string>
#include <utility>

using namespace teedesk;
using namespace teedesk::sim;

namespace {

constexpr size_t kHeaderSize = 272;
constexpr size_t kSlotSize = 16;

std::string Cp932ToUtf8(const uint8_t* text, size_t room)
{
    const size_t length = strnlen(reinterpret_cast<const char*>(text), room);
    char out[256];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_convert("UTF-8", "windows-932", out, sizeof out, reinterpret_cast<const char*>(text),
                                   static_cast<int32_t>(length), &status);
    return U_SUCCESS(status) ? std::string(out, static_cast<size_t>(n)) : std::string();
}

struct Slot {
    uint32_t time;
    int16_t longitudeOffset;
    int16_t latitudeOffset;
    uint8_t additional, marks, lie, fix, courseId, hole, type;
};

Slot SlotAt(const std::vector<uint8_t>& session, size_t j)
{
    const uint8_t* p = session.data() + kHeaderSize + kSlotSize * j;
    return {ReadU32Le(p), ReadI16Le(p + 4), ReadI16Le(p + 6), p[8], p[9], p[10], p[12], p[13], p[14], p[15]};
}

class GeneratedRounds : public testing::TestWithParam<uint16_t> {};

INSTANTIATE_TEST_SUITE_P(Models, GeneratedRounds, testing::Values(kModelPin, kModelBandF, kModelBandA),
                         [](const auto& info) { return std::to_string(info.param); });

} // namespace

TEST(GenerateSessions, SameSeedSameBytesOtherSeedOtherBytes)
{
    const auto a = GenerateSessions(42, 3, kModelBandA);
    EXPECT_EQ(a, GenerateSessions(42, 3, kModelBandA));
    EXPECT_NE(a, GenerateSessions(43, 3, kModelBandA));
    ASSERT_EQ(a.size(), 3u);
    EXPECT_NE(a[0], a[1]);
    EXPECT_TRUE(GenerateSessions(42, 0, kModelBandA).empty());
}

TEST(GenerateSessions, NamesAreCodePage932)
{
    // Over a few rounds every golf course comes up; one of them has "東コース" as course 1.
    const uint8_t east[] = {0x93, 0x8C, 0x83, 0x52, 0x81, 0x5B, 0x83, 0x58, 0x00};
    bool found = false;
    for (const auto& session : GenerateSessions(7, 16, kModelBandA)) {
        found = found || std::memcmp(session.data() + 14 + 40, east, sizeof east) == 0;
        EXPECT_FALSE(Cp932ToUtf8(session.data() + 4, 50).empty());
    }
    EXPECT_TRUE(found);
}

TEST_P(GeneratedRounds, AreWellFormedRounds)
{
    const uint16_t model = GetParam();
    for (const auto& session : GenerateSessions(2024, 4, model)) {
        ASSERT_GE(session.size(), kHeaderSize + kSlotSize);
        EXPECT_EQ((session.size() - kHeaderSize) % kSlotSize, 0u);
        EXPECT_GE(session.size(), 20'000u);
        EXPECT_LE(session.size(), 64'000u);
        const size_t slots = (session.size() - kHeaderSize) / kSlotSize;

        const std::string golfCourse = Cp932ToUtf8(session.data() + 4, 50);
        EXPECT_FALSE(golfCourse.empty());
        const int32_t longitudeBase = ReadI32Le(session.data() + 260);
        const int32_t latitudeBase = ReadI32Le(session.data() + 264);
        EXPECT_NE(ReadU16Le(session.data() + 268), 0);

        // The last slot ends the list; every slot before it is a dated record.
        EXPECT_EQ(SlotAt(session, slots - 1).time, 0u);
        std::set<int> types, modes;
        std::set<std::pair<int, int>> holes;
        uint32_t previous = 0;
        for (size_t j = 0; j + 1 < slots; ++j) {
            const Slot slot = SlotAt(session, j);
            ASSERT_NE(slot.time, 0u) << "slot " << j;
            EXPECT_GE(slot.time, previous);
            previous = slot.time;
            EXPECT_GE(slot.time >> 26, 2u); // from 2016 on
            EXPECT_LT(slot.time >> 22 & 0xF, 12u);
            EXPECT_LT(slot.time >> 12 & 0x1F, 24u);
            EXPECT_LT(slot.time >> 6 & 0x3F, 60u);
            EXPECT_LT(slot.time & 0x3F, 60u);

            const double longitude = (longitudeBase + slot.longitudeOffset) / 600000.0;
            const double latitude = (latitudeBase + slot.latitudeOffset) / 600000.0;
            EXPECT_TRUE(longitude > 122 && longitude < 154 && latitude > 20 && latitude < 46);
            EXPECT_LE(slot.type, 2);
            types.insert(slot.type);
            holes.insert({slot.courseId, slot.hole});
            EXPECT_FALSE(Cp932ToUtf8(session.data() + 14 + 40 * slot.courseId, 40).empty());
            if (slot.type == 0)
                modes.insert(slot.fix >> 6);
            if (slot.type == 1) {
                const bool putt = slot.marks & 0x02;
                EXPECT_GE(slot.additional, 1);
                if (model == kModelBandA) {
                    EXPECT_LT(slot.marks >> 2, 23);
                    EXPECT_LE(slot.lie, 2);
                    EXPECT_EQ(putt, (slot.marks >> 2) == 21) << "putts and only putts use PT";
                }
            }
        }
        EXPECT_EQ(holes.size(), 18u);
        EXPECT_TRUE(types.count(0) && types.count(1));
        EXPECT_EQ(types.count(2) != 0, model != kModelBandF) << "the LK-Band F has no acceleration events";
        EXPECT_TRUE(modes.count(0) || modes.count(1));
        EXPECT_TRUE(modes.count(2) && modes.count(3));
    }
}
