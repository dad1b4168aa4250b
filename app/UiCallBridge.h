#pragma once
// Calls a worker thread makes into the windows: each runs on the thread of its context
// object while the worker waits. Unlike a blocking queued connection it can be closed: the
// user-interface thread closes it before it waits for a worker at shutdown, which releases a
// worker waiting for a call and turns every later call into nothing.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class QObject;

class UiCallBridge : public std::enable_shared_from_this<UiCallBridge> {
public:
    static std::shared_ptr<UiCallBridge> Create();

    // From a thread other than the context's. True when the call ran, false when the bridge
    // was closed first (or the context went away).
    bool Call(QObject* context, std::function<void()> call);

    // On the context's thread.
    void Close();
    bool closed() const;

private:
    UiCallBridge() = default;

    struct Job {
        bool done = false;
        bool ran = false;
    };

    mutable std::mutex m_mutex;
    std::condition_variable m_condition;
    bool m_bClosed = false;
};
