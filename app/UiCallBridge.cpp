#include "UiCallBridge.h"

#include <QMetaObject>
#include <QObject>

std::shared_ptr<UiCallBridge> UiCallBridge::Create()
{
    return std::shared_ptr<UiCallBridge>(new UiCallBridge());
}

bool UiCallBridge::Call(QObject* context, std::function<void()> call)
{
    auto job = std::make_shared<Job>();
    {
        const std::lock_guard lock(m_mutex);
        if (m_bClosed)
            return false;
    }
    // The guard ends the wait also when the event is dropped with its context unrun.
    struct Finish {
        std::shared_ptr<UiCallBridge> bridge;
        std::shared_ptr<Job> job;
        ~Finish()
        {
            {
                const std::lock_guard lock(bridge->m_mutex);
                job->done = true;
            }
            bridge->m_condition.notify_all();
        }
    };
    auto finish = std::make_shared<Finish>(shared_from_this(), job);
    const bool posted = QMetaObject::invokeMethod(
        context,
        [finish = std::move(finish), call = std::move(call)]() mutable {
            {
                const std::lock_guard lock(finish->bridge->m_mutex);
                if (finish->bridge->m_bClosed)
                    return;
            }
            call();
            const std::lock_guard lock(finish->bridge->m_mutex);
            finish->job->ran = true;
        },
        Qt::QueuedConnection);
    if (!posted)
        return false;

    std::unique_lock lock(m_mutex);
    m_condition.wait(lock, [&] { return job->done || m_bClosed; });
    return job->ran;
}

void UiCallBridge::Close()
{
    {
        const std::lock_guard lock(m_mutex);
        m_bClosed = true;
    }
    m_condition.notify_all();
}

bool UiCallBridge::closed() const
{
    const std::lock_guard lock(m_mutex);
    return m_bClosed;
}
