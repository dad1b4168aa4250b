#include "SessionLayout.h"

#include <cstring>

namespace teedesk {

const std::array<const char*, 23> kClubNames = {
    "1W", "3W", "5W", "7W", "9W", "2U", "3U", "4U", "5U", "6U", "3I", "4I",
    "5I", "6I", "7I", "8I", "9I", "PW", "AW", "SW", "LW", "PT", "-",
};

const std::array<const char*, 3> kLieNames = {"-", "Fairway", "Rough"};

std::string_view ClubName(unsigned clubIndex)
{
    return clubIndex < kClubNames.size() ? kClubNames[clubIndex] : kNoName;
}

std::string_view LieName(unsigned lieCode)
{
    return lieCode < kLieNames.size() ? kLieNames[lieCode] : kNoName;
}

std::string_view SessionHeader::NameAt(size_t offset) const
{
    if (!bytes_ || offset >= kSize)
        return {};
    const uint8_t* start = bytes_ + offset;
    const void* zero = std::memchr(start, 0, kSize - offset);
    const size_t length = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - start) : kSize - offset;
    return {reinterpret_cast<const char*>(start), length};
}

} // namespace teedesk
