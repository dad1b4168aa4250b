#pragma once
// A command's output file, written so that a failure never leaves a partial file under the
// name asked for: a regular (or new) file is written beside its target and renamed over it
// once complete, keeping its mode and following a symbolic link; a device or a pipe is written
// in place, since renaming over it would replace the node itself; "-" is standard output.

#include <cstddef>
#include <string>

namespace teedesk::cli {

class OutputFile {
public:
    explicit OutputFile(std::string path);
    ~OutputFile(); // a temporary that was not committed is removed

    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // The descriptor to write to; -1 after a message on standard error.
    int Open();
    // Hands the descriptor to a writer that closes it itself.
    int ReleaseDescriptor();
    // Everything is written: close what is still ours and put the file in place. False after
    // a message on standard error.
    bool Commit();

    // Open, write every byte, commit.
    static bool WriteWhole(const std::string& path, const void* bytes, size_t size);

private:
    const std::string path_;
    std::string target_;    // the path, a symbolic link resolved
    std::string temporary_; // empty when written in place
    int descriptor_ = -1;
    bool owned_ = false;    // descriptor_ is ours to close
};

// Writes every byte, going on after interruptions; false on a failed write.
bool WriteAllBytes(int descriptor, const void* bytes, size_t size);

} // namespace teedesk::cli
