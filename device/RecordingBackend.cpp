#include "RecordingBackend.h"

#include <array>
#include <ctime>
#include <vector>

namespace teedesk {

class ExchangeRecorder {
public:
    explicit ExchangeRecorder(FILE* file) : file_(file), started_(std::chrono::steady_clock::now())
    {
        char stamp[32] = "";
        const std::time_t now = std::time(nullptr);
        std::tm utc{};
        gmtime_r(&now, &utc);
        std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
        std::fprintf(file_, "{\"teedesk_record\":1,\"started\":\"%s\"}\n", stamp);
        std::fflush(file_);
    }
    ~ExchangeRecorder() { std::fclose(file_); }

    void Event(const std::string& path, const char* what)
    {
        std::lock_guard lock(mutex_);
        std::fprintf(file_, "{\"time\":%.6f,\"event\":\"%s\",\"path\":\"%s\"}\n", Seconds(), what,
                     Escaped(path).c_str());
        std::fflush(file_);
    }

    void Sent(std::span<const uint8_t> report, HidWriteStatus status)
    {
        std::lock_guard lock(mutex_);
        out_.assign(report.begin(), report.end());
        outTime_ = Seconds();
        pending_ = true;
        if (status == HidWriteStatus::Written)
            return;
        Finish(nullptr, status == HidWriteStatus::TimedOut ? "write-timeout" : "write-failed");
    }

    void Received(std::span<const uint8_t> report, HidReadResult result)
    {
        std::lock_guard lock(mutex_);
        if (!pending_)
            return; // a read with no request before it: nothing to pair
        if (result.status == HidReadStatus::Delivered)
            Finish(&report, nullptr, result.count);
        else
            Finish(nullptr, result.status == HidReadStatus::TimedOut ? "timeout" : "read-failed");
    }

private:
    void Finish(const std::span<const uint8_t>* in, const char* outcome, size_t count = 0)
    {
        std::fprintf(file_, "{\"time\":%.6f,\"out\":\"%s\",", outTime_, Hex(out_).c_str());
        if (in) {
            const std::vector<uint8_t> delivered(in->begin(), in->begin() + std::min(count, in->size()));
            std::fprintf(file_, "\"in\":\"%s\"}\n", Hex(delivered).c_str());
        } else {
            std::fprintf(file_, "\"in\":null,\"outcome\":\"%s\"}\n", outcome);
        }
        std::fflush(file_);
        pending_ = false;
    }

    double Seconds() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    }

    static std::string Hex(const std::vector<uint8_t>& bytes)
    {
        static constexpr char kDigits[] = "0123456789abcdef";
        std::string text;
        text.reserve(bytes.size() * 2);
        for (uint8_t byte : bytes) {
            text.push_back(kDigits[byte >> 4]);
            text.push_back(kDigits[byte & 15]);
        }
        return text;
    }

    static std::string Escaped(const std::string& text)
    {
        std::string out;
        for (char c : text) {
            if (c == '"' || c == '\\')
                out.push_back('\\');
            if (static_cast<unsigned char>(c) >= 0x20)
                out.push_back(c);
        }
        return out;
    }

    std::mutex mutex_;
    FILE* file_;
    const std::chrono::steady_clock::time_point started_;
    std::vector<uint8_t> out_;
    double outTime_ = 0;
    bool pending_ = false;
};

namespace {

class RecordingHandle final : public HidHandle {
public:
    RecordingHandle(std::shared_ptr<HidHandle> inner, std::shared_ptr<ExchangeRecorder> recorder)
        : inner_(std::move(inner)), recorder_(std::move(recorder))
    {
    }

    HidWriteStatus Write(std::span<const uint8_t> report, std::chrono::milliseconds limit) override
    {
        const HidWriteStatus status = inner_->Write(report, limit);
        recorder_->Sent(report, status);
        return status;
    }
    HidReadResult Read(std::span<uint8_t> buffer, std::chrono::milliseconds limit) override
    {
        const HidReadResult result = inner_->Read(buffer, limit);
        recorder_->Received(buffer, result);
        return result;
    }
    void DropPending() override { inner_->DropPending(); }
    void Close() override { inner_->Close(); }

private:
    std::shared_ptr<HidHandle> inner_;
    std::shared_ptr<ExchangeRecorder> recorder_;
};

} // namespace

std::unique_ptr<RecordingBackend> RecordingBackend::Create(HidBackend& inner, const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "w");
    if (!file)
        return nullptr;
    return std::unique_ptr<RecordingBackend>(new RecordingBackend(inner, std::make_shared<ExchangeRecorder>(file)));
}

RecordingBackend::RecordingBackend(HidBackend& inner, std::shared_ptr<ExchangeRecorder> recorder)
    : inner_(inner), recorder_(std::move(recorder))
{
}

RecordingBackend::~RecordingBackend() = default;

HidOpenResult RecordingBackend::Open(const std::string& path)
{
    HidOpenResult result = inner_.Open(path);
    if (!result.handle)
        return result;
    recorder_->Event(path, "open");
    result.handle = std::make_shared<RecordingHandle>(std::move(result.handle), recorder_);
    return result;
}

void RecordingBackend::SetRemovalCallback(RemovalCallback callback)
{
    std::shared_ptr<ExchangeRecorder> recorder = recorder_;
    inner_.SetRemovalCallback([recorder, callback = std::move(callback)](const std::string& path) {
        recorder->Event(path, "removed");
        if (callback)
            callback(path);
    });
}

} // namespace teedesk
