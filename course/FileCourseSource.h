#pragma once

#include "CourseSource.h"

#include <string>

namespace teedesk {

enum class FileOpenStatus {
    Opened,
    CannotOpen,   // missing, unreadable, or a folder
    CannotGetLength, // opened, but not a file with a length (a pipe, a device)
};

// A course file read with positioned reads, so no copy of the file is held.
class FileCourseSource final : public CourseSource {
public:
    FileCourseSource() = default;
    ~FileCourseSource() override;
    FileCourseSource(const FileCourseSource&) = delete;
    FileCourseSource& operator=(const FileCourseSource&) = delete;

    FileOpenStatus Open(const std::string& path);
    void Close();

    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t offset, uint8_t* destination, size_t length) override;

private:
    int fd_ = -1;
    uint64_t size_ = 0;
};

} // namespace teedesk
