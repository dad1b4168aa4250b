#pragma once
// The reading half of the course image build: the key, the keystream restarts, the header
// checks, the two tables, course heads and course data blocks.

#include "CourseFormat.h"
#include "CourseSource.h"
#include "Rc4.h"

#include <array>
#include <cstdint>
#include <vector>

namespace teedesk {

class CourseSourceReader {
public:
    explicit CourseSourceReader(CourseSource& source) : source_(source) {}

    // Reads the 128-byte header, builds the key and deciphers bytes 16-127.
    bool ReadHeader();
    // File kind 2, course record size 32, then the format version the model requires.
    bool CheckHeader(uint16_t modelIndex) const;
    // The course table (continuing the header's keystream), then the area table (restarted).
    // Refuses tables that would not fit the file.
    bool ReadTables();

    // The 58-byte head of a course's block, deciphered from keystream position 0.
    bool ReadHead(const CourseRecord& course, uint8_t* head);
    // The whole block into `block` (room for kMaxBlockLength bytes); refuses longer blocks.
    bool ReadBlock(const CourseRecord& course, uint8_t* block);

    uint64_t fileSize() const { return source_.Size(); }
    const CourseSourceHeader& header() const { return header_; }
    // Bytes 0-15 as stored, 16-127 deciphered.
    const std::array<uint8_t, kSourceHeaderSize>& headerBytes() const { return headerBytes_; }
    const std::vector<CourseRecord>& courses() const { return courses_; }
    const std::vector<AreaRecord>& areas() const { return areas_; }

private:
    void Restart() { Rc4Init(rc4_, key_.data()); }
    bool ReadRegion(uint64_t offset, uint8_t* destination, size_t length);

    CourseSource& source_;
    std::array<uint8_t, kRc4KeySize> key_{};
    Rc4State rc4_{};
    std::array<uint8_t, kSourceHeaderSize> headerBytes_{};
    CourseSourceHeader header_{};
    std::vector<CourseRecord> courses_;
    std::vector<AreaRecord> areas_;
};

// The area names and values the file defines: the 47 prefectures, then its area records, in
// slots 0 .. N-1 (N = the larger of 47 and the highest area number). Fails on area number 0.
bool CollectAreas(const std::vector<AreaRecord>& records, std::vector<AreaIndexEntry>& areas);

} // namespace teedesk
