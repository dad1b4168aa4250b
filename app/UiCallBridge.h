#pragma once
// Calls a worker thread makes into the windows: each runs on the thread this object belongs
// to (the user-interface thread) while the worker waits. Unlike a blocking queued connection
// it can be closed: the user-interface thread closes it before it waits for a worker at
// shutdown, which releases a worker waiting for a call and turns every later call into nothing.
//
// The calls go through a queue of our own under our own lock; the event only says "look".

#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class UiCallBridge : public QObject {
    Q_OBJECT

public:
    explicit UiCallBridge(QObject* parent = nullptr);

    // From another thread. True when the call ran, false when the bridge was closed first.
    bool Call(std::function<void()> call);

    // On this object's thread.
    void Close();
    bool closed() const;

private slots:
    void RunQueued();

private:
    struct Job {
        std::function<void()> call;
        bool done = false;
    };

    mutable std::mutex m_mutex;
    std::condition_variable m_condition;
    std::deque<std::shared_ptr<Job>> m_jobs;
    bool m_bClosed = false;
};
