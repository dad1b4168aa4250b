#include "TransferRunner.h"

#include "CTeeDeskDlg.h"
#include "ConnectionState.h"
#include "TransferPage.h"
#include "UiCallBridge.h"
#include "WindowTransferHost.h"

TransferRunner::TransferRunner(CTeeDeskDlg& mainDlg) : m_mainDlg(mainDlg), m_bridge(new UiCallBridge(this)) {}

TransferRunner::~TransferRunner()
{
    Shutdown();
}

void TransferRunner::TakeLock()
{
    g_bTransferBusy = 1;
    m_mainDlg.SetCloseEnabled(false);
    m_mainDlg.SetExitEnabled(false);
}

void TransferRunner::ReleaseLock(TransferPage& page)
{
    page.RestoreButton();
    m_mainDlg.SetExitEnabled(true);
    m_mainDlg.SetCloseEnabled(true);
    g_bTransferBusy = 0;
}

bool TransferRunner::Start(TransferPage& page, Work work, Finished finished)
{
    if (m_bShutDown || g_bTransferBusy != 0)
        return false;
    // A worker that has released the lock has nothing left to do but return.
    if (m_thread.joinable())
        m_thread.join();

    TakeLock();
    m_bRunning = true;
    const unsigned generation = ++m_generation;
    auto host = std::make_unique<WindowTransferHost>(*m_bridge, page, *this, m_mainDlg.link());
    m_thread = std::thread([this, generation, page = &page, host = std::move(host), work = std::move(work),
                            finished = std::move(finished)]() mutable {
        const teedesk::TransferResult result = work(*host);
        const bool released = host->released();
        host.reset();
        {
            const std::lock_guard lock(m_endedMutex);
            m_ended.push_back({generation, page, result, released, std::move(finished)});
        }
        QMetaObject::invokeMethod(this, "OnWorkerEnded", Qt::QueuedConnection);
    });
    return true;
}

void TransferRunner::OnWorkerEnded()
{
    for (;;) {
        Ended ended;
        {
            const std::lock_guard lock(m_endedMutex);
            if (m_bShutDown || m_ended.empty())
                return;
            ended = std::move(m_ended.front());
            m_ended.pop_front();
        }
        if (ended.generation == m_generation) {
            if (m_thread.joinable())
                m_thread.join();
            m_bRunning = false;
        }
        // Every worker unlocks on its way out; should one not, the page is not left locked.
        if (!ended.lockReleased && g_bTransferBusy != 0 && !m_bRunning)
            ReleaseLock(*ended.page);
        if (ended.finished)
            ended.finished(ended.result);
        emit transferFinished(ended.result.completed);
    }
}

void TransferRunner::Shutdown()
{
    if (m_bShutDown)
        return;
    m_bShutDown = true;
    m_bridge->Close();
    if (m_thread.joinable())
        m_thread.join();
    if (m_bRunning) {
        m_bRunning = false;
        g_bTransferBusy = 0; // its release call could not run any more
    }
}
