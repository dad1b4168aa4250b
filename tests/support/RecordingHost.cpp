#include "RecordingHost.h"

namespace teedesk::test {

void RecordingHost::Record(HostEvent event)
{
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
}

void RecordingHost::SetProgressPos(int position)
{
    Record({HostEvent::Position, position, {}, {}, MessageIcon::None});
    if (onPosition)
        onPosition(position);
}

void RecordingHost::SetProgressText(const std::string& text) { Record({HostEvent::Text, 0, text, {}, MessageIcon::None}); }

void RecordingHost::ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon)
{
    Record({HostEvent::Message, 0, text, caption, icon});
}

void RecordingHost::LockTransfer()
{
    locked_ = true;
    Record({HostEvent::Lock, 0, {}, {}, MessageIcon::None});
}

void RecordingHost::UnlockTransfer()
{
    Record({HostEvent::Unlock, 0, {}, {}, MessageIcon::None});
    locked_ = false;
}

std::vector<HostEvent> RecordingHost::events() const
{
    std::lock_guard lock(mutex_);
    return events_;
}

std::vector<int> RecordingHost::positions() const
{
    std::vector<int> result;
    for (const HostEvent& event : events())
        if (event.kind == HostEvent::Position)
            result.push_back(event.position);
    return result;
}

std::vector<HostEvent> RecordingHost::messages() const
{
    std::vector<HostEvent> result;
    for (const HostEvent& event : events())
        if (event.kind == HostEvent::Message)
            result.push_back(event);
    return result;
}

int RecordingHost::locks() const
{
    int n = 0;
    for (const HostEvent& event : events())
        n += event.kind == HostEvent::Lock;
    return n;
}

int RecordingHost::unlocks() const
{
    int n = 0;
    for (const HostEvent& event : events())
        n += event.kind == HostEvent::Unlock;
    return n;
}

} // namespace teedesk::test
