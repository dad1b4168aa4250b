#pragma once
// Runs the operation pages' workers, one at a time, each on its own thread. The transfer
// lock is taken here on the user-interface thread before the worker starts, so nothing can
// slip in before the worker's own lock step, and the window waits for a running worker
// before it lets the device link go.

#include "TransferHost.h"

#include <QObject>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class CTeeDeskDlg;
class TransferPage;
class UiCallBridge;
class WindowTransferHost;

class TransferRunner : public QObject {
    Q_OBJECT

public:
    using Work = std::function<teedesk::TransferResult(WindowTransferHost& host)>;
    // On the user-interface thread once the worker has ended.
    using Finished = std::function<void(const teedesk::TransferResult& result)>;

    explicit TransferRunner(CTeeDeskDlg& mainDlg);
    ~TransferRunner() override;

    // False, starting nothing, while a transfer holds the lock or after Shutdown.
    bool Start(TransferPage& page, Work work, Finished finished = {});
    // From Start until the end of its worker has been handled.
    bool running() const { return m_bRunning; }

    // Releases a worker waiting for this thread, makes it see no connection so that it stops
    // at its next block, and waits for it. Nothing starts afterwards.
    void Shutdown();

    // The transfer lock, on the user-interface thread: busy flag, Close grayed, Exit disabled.
    void TakeLock();
    // The page's button restored, Exit and Close enabled, and the busy flag cleared last.
    void ReleaseLock(TransferPage& page);

    void NotifyProgress(int position) { emit progressSet(position); }

signals:
    // After each position a worker set, while it waits for the call to return.
    void progressSet(int position);
    void transferFinished(bool completed);

private slots:
    void OnWorkerEnded();

private:
    struct Ended {
        unsigned generation = 0;
        TransferPage* page = nullptr;
        teedesk::TransferResult result;
        bool lockReleased = false;
        Finished finished;
    };

    CTeeDeskDlg& m_mainDlg;
    UiCallBridge* m_bridge; // a child of this object
    std::mutex m_endedMutex;
    std::deque<Ended> m_ended; // handed over under our own lock, the event only says "look"

    std::thread m_thread;
    unsigned m_generation = 0;
    bool m_bRunning = false;
    bool m_bShutDown = false;
};
