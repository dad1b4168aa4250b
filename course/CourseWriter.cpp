#include "CourseWriter.h"

#include "CommandPacket.h"
#include "CourseStamp.h"
#include "FileCourseSource.h"

#include <algorithm>
#include <new>

namespace teedesk {

namespace {

constexpr int kBlockAttempts = 2;

TransferResult WriteWhileLocked(DeviceLink& link, const std::string& path, TransferHost& host)
{
    CourseImage image;
    const CoursePrepareStatus status = PrepareCourseImage(path, link.model().modelIndex, image);
    if (status != CoursePrepareStatus::Ready) {
        host.ShowMessage(CoursePrepareMessage(status), kCaptionError, MessageIcon::Error);
        return {};
    }
    return SendCourseImage(link, image.data(), image.bufferSize(), image.size(), host);
}

} // namespace

int BlockProgress(uint64_t block, uint32_t size)
{
    // In 64 bits: 25600 * i leaves 32 bits behind for the last blocks of large images.
    return size == 0 ? 0 : static_cast<int>(25600 * block / size);
}

TransferResult SendCourseImage(DeviceLink& link, const uint8_t* image, size_t bufferSize, uint32_t size,
                               TransferHost& host)
{
    const uint64_t blocks = (uint64_t{size} + kBlockSize - 1) / kBlockSize;
    if (size == 0 || bufferSize < blocks * kBlockSize)
        return {false, "the course image is empty or its buffer is short"};
    if (!link.OpeningExchange(Command::Course, 0, size))
        return {false, "the watch did not answer the opening exchange"};

    for (uint64_t i = 0; i < blocks; ++i) {
        if (!host.IsConnected()) {
            host.ShowMessage(kTextDeviceRemoved, kCaptionError, MessageIcon::Error);
            return {};
        }
        const uint8_t* source = image + i * kBlockSize;
        bool written = false;
        for (int attempt = 0; attempt < kBlockAttempts && !written; ++attempt)
            written = link.WriteBlock(Command::Course, source, static_cast<uint32_t>(i));
        if (!written)
            return {false, "the watch did not accept block " + std::to_string(i) + " of the course image"};
        host.SetProgressPos(BlockProgress(i, size));
        host.ReportBytes(std::min<uint64_t>((i + 1) * kBlockSize, size), size);
    }
    host.SetProgressPos(100);
    host.SetProgressText(kTextCompleted);
    return {true, {}};
}

std::string CoursePrepareMessage(CoursePrepareStatus status)
{
    switch (status) {
    case CoursePrepareStatus::Ready:
        return {};
    case CoursePrepareStatus::CannotOpen:
        return kTextCourseOpenFailed;
    case CoursePrepareStatus::CannotGetLength:
        return kTextCourseLengthFailed;
    case CoursePrepareStatus::CannotBuild:
        return kTextCourseReadFailed;
    }
    return kTextCourseReadFailed;
}

CoursePrepareStatus PrepareCourseImage(const std::string& path, uint16_t modelIndex, CourseImage& image)
{
    {
        FileCourseSource file;
        switch (file.Open(path)) {
        case FileOpenStatus::Opened:
            break;
        case FileOpenStatus::CannotOpen:
            return CoursePrepareStatus::CannotOpen;
        case FileOpenStatus::CannotGetLength:
            return CoursePrepareStatus::CannotGetLength;
        }
    }
    if (!image.Build(path, modelIndex))
        return CoursePrepareStatus::CannotBuild;
    StampCourseImage(image);
    return CoursePrepareStatus::Ready;
}

TransferResult WriteCourseImage(DeviceLink& link, const std::string& path, TransferHost& host)
{
    // Locked before the build rather than after it: while the image is built, no other
    // operation may start on the link, nor the page or the program close under the worker.
    host.LockTransfer();
    TransferResult result;
    try {
        result = WriteWhileLocked(link, path, host);
    } catch (const std::bad_alloc&) {
        result = {false, "out of memory while writing the course image"};
    }
    host.UnlockTransfer(); // the image is already released
    return result;
}

} // namespace teedesk
