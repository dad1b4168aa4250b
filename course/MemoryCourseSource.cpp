#include "MemoryCourseSource.h"

#include <cstring>

namespace teedesk {

bool MemoryCourseSource::ReadAt(uint64_t offset, uint8_t* destination, size_t length)
{
    if (offset > bytes_.size() || length > bytes_.size() - offset)
        return false;
    if (length != 0)
        std::memcpy(destination, bytes_.data() + offset, length);
    return true;
}

} // namespace teedesk
