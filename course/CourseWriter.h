#pragma once
// Course data update: build and stamp the image for the connected model, then write it to
// the watch with command 3 in 256-byte blocks.

#include "CourseImage.h"
#include "DeviceLink.h"
#include "TransferHost.h"

#include <cstdint>
#include <string>

namespace teedesk {

inline constexpr const char* kTextCourseOpenFailed = "Failed to Open course file";
inline constexpr const char* kTextCourseLengthFailed = "Failed to Get the length of course file";
inline constexpr const char* kTextCourseReadFailed = "Failed to read course file";

enum class CoursePrepareStatus {
    Ready,
    CannotOpen,
    CannotGetLength,
    CannotBuild,
};

// The message for a status; empty for Ready.
std::string CoursePrepareMessage(CoursePrepareStatus status);

// Opens the file and takes its length, then builds and stamps the image for the model.
CoursePrepareStatus PrepareCourseImage(const std::string& path, uint16_t modelIndex, CourseImage& image);

// The progress position after block i of an image of `size` bytes: floor(25600 * i / size),
// the share that lay before the block.
int BlockProgress(uint64_t block, uint32_t size);

// The writing half: the opening exchange with the size, then every block, two attempts each,
// the connection checked before each. `bufferSize` must cover the last block whole.
TransferResult SendCourseImage(DeviceLink& link, const uint8_t* image, size_t bufferSize, uint32_t size,
                               TransferHost& host);

// The worker of the course page: the transfer lock is held from its first step to its last.
TransferResult WriteCourseImage(DeviceLink& link, const std::string& path, TransferHost& host);

} // namespace teedesk
