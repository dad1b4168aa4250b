#include "UiCallBridge.h"

UiCallBridge::UiCallBridge(QObject* parent) : QObject(parent) {}

bool UiCallBridge::Call(std::function<void()> call)
{
    auto job = std::make_shared<Job>();
    job->call = std::move(call);
    std::unique_lock lock(m_mutex);
    if (m_bClosed)
        return false;
    m_jobs.push_back(job);
    lock.unlock();
    QMetaObject::invokeMethod(this, "RunQueued", Qt::QueuedConnection);
    lock.lock();
    m_condition.wait(lock, [&] { return job->done || m_bClosed; });
    return job->done;
}

void UiCallBridge::RunQueued()
{
    for (;;) {
        std::shared_ptr<Job> job;
        {
            const std::lock_guard lock(m_mutex);
            if (m_bClosed || m_jobs.empty())
                return;
            job = m_jobs.front();
            m_jobs.pop_front();
        }
        job->call();
        {
            const std::lock_guard lock(m_mutex);
            job->done = true;
        }
        m_condition.notify_all();
    }
}

void UiCallBridge::Close()
{
    {
        const std::lock_guard lock(m_mutex);
        m_bClosed = true;
        m_jobs.clear();
    }
    m_condition.notify_all();
}

bool UiCallBridge::closed() const
{
    const std::lock_guard lock(m_mutex);
    return m_bClosed;
}
