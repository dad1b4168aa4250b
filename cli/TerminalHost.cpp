#include "TerminalHost.h"

#include "CliContext.h"
#include "ConnectionState.h"

#include <cstdio>
#include <unistd.h>

namespace teedesk::cli {

TerminalHost::TerminalHost() : live_(isatty(STDERR_FILENO) == 1), started_(std::chrono::steady_clock::now()) {}

TerminalHost::~TerminalHost() { EndBar(); }

void TerminalHost::SetProgressPos(int position)
{
    position_ = position;
    Draw();
}

void TerminalHost::SetProgressText(const std::string& text)
{
    text_ = text;
    if (text.empty())
        return;
    EndBar();
    std::fprintf(stderr, "%s\n", text.c_str());
}

void TerminalHost::ShowMessage(const std::string& text, const std::string&, MessageIcon)
{
    EndBar();
    PrintMessage(text);
}

bool TerminalHost::IsConnected() { return g_bDeviceConnected != 0; }

void TerminalHost::LockTransfer() { g_bTransferBusy = 1; }

void TerminalHost::UnlockTransfer()
{
    EndBar();
    g_bTransferBusy = 0;
}

void TerminalHost::ReportBytes(uint64_t done, uint64_t total)
{
    done_ = done;
    total_ = total;
    Draw();
}

void TerminalHost::Draw()
{
    if (!live_)
        return;
    constexpr int kWidth = 30;
    const int percent = position_ < 0 ? 0 : position_ > 100 ? 100 : position_;
    const int filled = percent * kWidth / 100;
    char bar[kWidth + 1];
    for (int i = 0; i < kWidth; ++i)
        bar[i] = i < filled ? '#' : '-';
    bar[kWidth] = 0;
    std::fprintf(stderr, "\r[%s] %3d%%", bar, percent);
    if (total_ > 0) {
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
        std::fprintf(stderr, "  %llu/%llu bytes", static_cast<unsigned long long>(done_),
                     static_cast<unsigned long long>(total_));
        if (done_ > 0 && done_ < total_) {
            const double left = elapsed * static_cast<double>(total_ - done_) / static_cast<double>(done_);
            std::fprintf(stderr, "  %3.0f s left", left);
        }
    }
    std::fprintf(stderr, "\x1b[K");
    std::fflush(stderr);
    barShown_ = true;
}

void TerminalHost::EndBar()
{
    if (!barShown_)
        return;
    std::fprintf(stderr, "\n");
    barShown_ = false;
}

} // namespace teedesk::cli
