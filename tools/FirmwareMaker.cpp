#include "FirmwareMaker.h"

#include "ByteOrder.h"
#include "Crc16.h"
#include "DeviceModel.h"

#include <algorithm>
#include <cstring>
#include <random>

namespace teedesk::tools {

namespace {

void PutText(std::vector<uint8_t>& bytes, size_t offset, std::string_view text)
{
    std::memcpy(bytes.data() + offset, text.data(), text.size());
}

std::string_view TagOf(FirmwareKind kind)
{
    switch (kind) {
    case FirmwareKind::Boot: return "BOOT";
    case FirmwareKind::Main: return "MAIN";
    case FirmwareKind::Font: return "FONT";
    default: return {};
    }
}

bool Overlaps(uint64_t begin, uint64_t size, uint64_t otherBegin, uint64_t otherSize)
{
    return begin < otherBegin + otherSize && otherBegin < begin + size;
}

} // namespace

std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed)
{
    std::mt19937 generator(seed);
    std::vector<uint8_t> bytes(size);
    for (uint8_t& byte : bytes)
        byte = static_cast<uint8_t>(generator() >> 24);
    return bytes;
}

void AppendNamedTrailer(std::vector<uint8_t>& file, const std::string& name)
{
    uint8_t field[kTrailerNameFieldSize] = {};
    std::memcpy(field, name.data(), std::min(name.size(), sizeof field - 1));
    file.insert(file.end(), field, field + sizeof field);
    const uint16_t crc = Crc16(file);
    file.resize(file.size() + 2);
    WriteU16Le(file.data() + file.size() - 2, crc);
}

void AppendMarkerTrailer(std::vector<uint8_t>& file)
{
    const uint16_t crc = Crc16(file);
    file.resize(file.size() + 2);
    WriteU16Le(file.data() + file.size() - 2, crc);
    file.insert(file.end(), kTrailerMarker.begin(), kTrailerMarker.end());
    file.push_back(0);
    file.push_back(0);
}

MadeFirmware MakeFirmware(const FirmwareRecipe& recipe)
{
    std::vector<uint8_t> bytes = recipe.body ? *recipe.body : RandomBytes(recipe.bodySize, recipe.seed);

    switch (recipe.kind) {
    case FirmwareKind::TouchPanel:
    case FirmwareKind::Bluetooth: {
        const std::string_view head = recipe.kind == FirmwareKind::TouchPanel ? kTouchPanelHead : kBluetoothHead;
        if (bytes.size() < head.size())
            return {{}, "the body is shorter than the head marker"};
        PutText(bytes, 0, head);
        break;
    }
    case FirmwareKind::Boot:
    case FirmwareKind::Main:
    case FirmwareKind::Font: {
        const uint64_t offset = FirmwareTagOffset(recipe.tagAddress);
        if (bytes.size() < kTagAddressOffset + 4 || offset + 4 > bytes.size())
            return {{}, "the body is too short for the tag address and the tag it places"};
        // A = 0 is the one address whose tag may share bytes with the address field: it is zero.
        if (recipe.tagAddress != 0 && Overlaps(offset, 4, kTagAddressOffset, 4))
            return {{}, "the tag would overwrite the tag address"};
        WriteU32Le(bytes.data() + kTagAddressOffset, recipe.tagAddress);
        // Neither head marker may survive from a random body.
        if (recipe.tagAddress != 0)
            bytes[0] = 0;
        PutText(bytes, offset, TagOf(recipe.kind));
        if (offset + 6 <= bytes.size() && !Overlaps(offset + 4, 2, kTagAddressOffset, 4)) {
            bytes[offset + 4] = static_cast<uint8_t>(recipe.versionMinor);
            bytes[offset + 5] = static_cast<uint8_t>(recipe.versionMajor);
        }
        break;
    }
    }

    std::string name;
    if (recipe.trailerName)
        name = *recipe.trailerName;
    else if (recipe.modelIndex < kKnownModels.size())
        name = std::string(kKnownModels[recipe.modelIndex].IdentityName());
    else
        return {{}, "unknown model index"};

    if (name.empty())
        AppendMarkerTrailer(bytes);
    else
        AppendNamedTrailer(bytes, name);
    return {std::move(bytes), {}};
}

} // namespace teedesk::tools
