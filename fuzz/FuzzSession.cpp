// Arbitrary session bytes, as the watch sends them, through the CSV writers of each model into
// memory, on a file that may fail part way. The writers must never read past the session's byte
// count, write only UTF-8, and report a failed write and nothing else as failure.

#include "CsvOutput.h"
#include "CsvSections.h"
#include "CsvWriter.h"
#include "DeviceModel.h"
#include "FuzzSeeds.h"
#include "SimulatedWatch.h"

#include <cstring>
#include <limits>
#include <memory>
#include <string>

using namespace teedesk;

namespace {

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// Keeps the bytes up to `failAfter`; the write that crosses it fails, and every one after.
class MemoryOutput final : public CsvOutput {
public:
    explicit MemoryOutput(size_t failAfter) : failAfter_(failAfter) {}

    bool Write(std::string_view bytes) override
    {
        if (!open_ || failed_) {
            ++refused;
            return false;
        }
        if (bytes.size() > failAfter_ - text.size()) {
            text.append(bytes.substr(0, failAfter_ - text.size()));
            failed_ = true;
            return false;
        }
        text.append(bytes);
        return true;
    }
    bool Close() override
    {
        open_ = false;
        return !failed_;
    }
    bool isOpen() const override { return open_; }
    bool failed() const { return failed_; }

    std::string text;
    int refused = 0;

private:
    size_t failAfter_;
    bool open_ = true;
    bool failed_ = false;
};

bool IsUtf8(std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

} // namespace

// Byte 0: the model (mod 3); byte 1: where the file fails, in 64-byte steps (255: never).
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::WriteSeedsIfAsked([](const fuzz::SeedWriter& write) {
        for (uint8_t model = 0; model < kModelCount; ++model) {
            const std::vector<std::vector<uint8_t>> rounds = sim::GenerateSessions(11 + model, 2, model);
            for (size_t r = 0; r < rounds.size(); ++r) {
                // Cut rounds: the header, the first fixes, shots and events, and an end marker.
                for (size_t cut : {272u, 1024u, 4096u}) {
                    std::vector<uint8_t> seed{model, 255};
                    seed.insert(seed.end(), rounds[r].begin(),
                                rounds[r].begin() + static_cast<std::ptrdiff_t>(std::min(cut, rounds[r].size())));
                    seed.resize(seed.size() + 16, 0);
                    write("round-" + std::to_string(model) + "-" + std::to_string(r) + "-" + std::to_string(cut), seed);
                    seed[1] = 20;
                    write("round-" + std::to_string(model) + "-" + std::to_string(r) + "-" + std::to_string(cut) +
                              "-fails",
                          seed);
                }
            }
        }
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const uint16_t model = data[0] % kModelCount;
    const size_t failAfter = data[1] == 255 ? std::numeric_limits<size_t>::max() : size_t{data[1]} * 64;

    const size_t n = size - 2;
    std::unique_ptr<uint8_t[]> session(new uint8_t[n]); // exact size: an overread is caught
    if (n != 0)
        std::memcpy(session.get(), data + 2, n);

    MemoryOutput output(failAfter);
    CsvWriter file(output, model);
    if (!file.ready())
        return 0;
    const bool started = WriteFileStart(file);
    const bool written = started && WriteSession(file, 0, std::span<const uint8_t>(session.get(), n));

    // Failure exactly when the file failed; then it is closed and nothing more reaches it.
    Check(written == !output.failed());
    if (output.failed())
        Check(!output.isOpen() || !started);
    Check(output.text.size() <= failAfter);
    if (!output.failed())
        Check(IsUtf8(std::string_view(output.text).substr(3)) && output.text.back() == '\n');
    return 0;
}
