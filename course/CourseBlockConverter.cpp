#include "CourseBlockConverter.h"

#include "CourseFormat.h"
#include "DeviceModel.h"

#include <cstring>

namespace teedesk {

using namespace BlockLayout;

std::optional<size_t> HoleItemPayloadLength(uint16_t modelIndex, uint8_t type, uint8_t s, uint8_t p, uint8_t q)
{
    const size_t points = 6u * (size_t{p} + q);
    if (modelIndex != kModelBandA)
        return points;
    if (type == 1)
        return 8u * s + points;
    if (type == 2)
        return 10u * s + points;
    return std::nullopt;
}

std::optional<size_t> ConvertCourseBlock(const uint8_t* source, size_t length, uint16_t modelIndex,
                                         uint8_t* destination, size_t capacity)
{
    if (length < kSourceHeadSize || capacity < kImageHeadSize)
        return std::nullopt;
    const bool longItems = modelIndex == kModelBandA;
    const size_t itemSize = longItems ? kImageItemSizeLong : kImageItemSizeShort;

    uint8_t* out = destination;
    std::memcpy(out, source, 2 + kFieldSize); // identifier and course name
    std::memcpy(out + 52, source + kSourceSecondField, kFieldSize);
    std::memcpy(out + 102, source + kSource242, 2);
    std::memcpy(out + 104, source + kSource456, 4);
    std::memcpy(out + 108, source + kSource460, 4);
    out[112] = source[kSource464];
    const uint8_t holes = source[kSourceHoleCount];
    out[113] = holes;

    size_t in = kSourceHeadSize;
    size_t produced = kImageHeadSize;
    for (unsigned h = 0; h < holes; ++h) {
        if (length - in < 3)
            return std::nullopt;
        const uint8_t k = source[in + 2];
        const size_t e = HoleExtraBytes(k);
        if (length - in < kSourceHoleFixed + e || capacity - produced < kImageHoleFixed + e)
            return std::nullopt;
        const uint8_t* hole = source + in;
        uint8_t* image = destination + produced;
        const uint8_t items = hole[103 + e];
        image[0] = hole[0];
        image[1] = hole[1];
        image[2] = items;
        image[3] = k;
        std::memcpy(image + 4, hole + 3 + e, 2 * kFieldSize);
        std::memcpy(image + 104, hole + 3, e);
        in += kSourceHoleFixed + e;
        produced += kImageHoleFixed + e;

        for (unsigned n = 0; n < items; ++n) {
            if (length - in < kSourceItemSize)
                return std::nullopt;
            const uint8_t* item = source + in;
            const auto payload = HoleItemPayloadLength(modelIndex, item[0], item[5], item[6], item[7]);
            if (!payload || length - in - kSourceItemSize < *payload || capacity - produced < itemSize + *payload)
                return std::nullopt;
            uint8_t* target = destination + produced;
            target[0] = item[0];
            target[1] = item[2];
            target[2] = item[3];
            target[3] = item[4];
            size_t at = 4;
            if (longItems)
                target[at++] = item[5]; // s
            target[at++] = item[6];     // p
            target[at++] = item[7];     // q
            std::memcpy(target + at, item + 8, 16);
            std::memcpy(target + itemSize, item + kSourceItemSize, *payload);
            in += kSourceItemSize + *payload;
            produced += itemSize + *payload;
        }
    }
    return produced;
}

} // namespace teedesk
