#pragma once
// Wraps a backend and writes every exchange to a file as JSON lines: the time, the output
// report, and the input report or what happened instead. For bug reports and for replay.

#include "HidBackend.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

namespace teedesk {

class ExchangeRecorder;

class RecordingBackend final : public HidBackend {
public:
    // Null when the file cannot be created.
    static std::unique_ptr<RecordingBackend> Create(HidBackend& inner, const std::string& path);
    ~RecordingBackend() override;

    std::vector<std::string> Enumerate() override { return inner_.Enumerate(); }
    std::optional<HidAttributes> ReadAttributes(const std::string& path) override
    {
        return inner_.ReadAttributes(path);
    }
    HidOpenResult Open(const std::string& path) override;
    void SetRemovalCallback(RemovalCallback callback) override;

private:
    RecordingBackend(HidBackend& inner, std::shared_ptr<ExchangeRecorder> recorder);

    HidBackend& inner_;
    std::shared_ptr<ExchangeRecorder> recorder_;
};

} // namespace teedesk
