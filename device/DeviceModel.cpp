#include "DeviceModel.h"

#include "ByteOrder.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

namespace teedesk {

const std::array<DeviceModel, kModelCount> kKnownModels = {{
    {kModelPin, 2, 0x10C4, 0x8A3B, 1, 0, ""},
    {kModelBandF, 2, 0x10C4, 0x8A3B, 2, 0, "QRT_LK_BAND_F"},
    {kModelBandA, 2, 0x10C4, 0x8ADB, 1, 0, "QRT_LK_BAND_A"},
}};

std::string_view DeviceModel::IdentityName() const
{
    return {identityName, strnlen(identityName, sizeof identityName)};
}

void EncodeModelRecord(const DeviceModel& model, uint8_t* out76)
{
    WriteU16Le(out76 + 0, model.modelIndex);
    WriteU16Le(out76 + 2, model.reserved2);
    WriteU16Le(out76 + 4, model.vendorId);
    WriteU16Le(out76 + 6, model.productId);
    WriteU16Le(out76 + 8, model.releaseNumber);
    WriteU16Le(out76 + 10, model.reserved0);
    std::memcpy(out76 + 12, model.identityName, sizeof model.identityName);
}

std::string_view ModelName(unsigned modelIndex)
{
    switch (modelIndex) {
    case kModelPin: return "LKR-Pin";
    case kModelBandF: return "LK-Band F";
    case kModelBandA: return "LK-Band A";
    default: return {};
    }
}

std::optional<uint16_t> ParseModel(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    if (lower == "pin" || lower == "0")
        return kModelPin;
    if (lower == "bandf" || lower == "1")
        return kModelBandF;
    if (lower == "banda" || lower == "2")
        return kModelBandA;
    return std::nullopt;
}

const DeviceModel* MatchKnownModel(uint16_t vendorId, uint16_t productId, uint16_t releaseNumber)
{
    for (const DeviceModel& model : kKnownModels)
        if (model.vendorId == vendorId && model.productId == productId && model.releaseNumber == releaseNumber)
            return &model;
    return nullptr;
}

} // namespace teedesk
