#pragma once
// What the three operation pages share: the big picture button whose images follow the
// connection, the bordered description, the page's copy of the connection flag kept by its
// timer, and the click that checks the connection before the page's own steps.

#include <QWidget>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <utility>

#include "FileDialogs.h"
#include "TransferRunner.h"

class CButtonST;
class CTeeDeskDlg;
class FileDialogs;
class MessageBoxes;
class QLabel;

// Picture numbers of a page's button.
struct ButtonPictures {
    int connectedHover, connectedRest;
    int disconnectedHover, disconnectedRest;
    int notConnected; // while the connection message is up
    int working;      // from the click that starts an operation until its end
};

struct TransferPageValues {
    ButtonPictures pictures;
    int timerId;
    const char* description; // UTF-8
};

class TransferPage : public QWidget {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kTimerPeriod{1000};

    // `parent` is the main window's page strip.
    TransferPage(const TransferPageValues& values, QWidget* parent);
    ~TransferPage() override;

    CButtonST* button() const { return m_btnStart; }
    QLabel* description() const { return m_description; }
    int timerId() const { return m_values.timerId; }
    const ButtonPictures& pictures() const { return m_values.pictures; }
    // The pictures the button has now: (hover, rest), or (single, 0).
    std::pair<int, int> buttonPictures() const { return m_shown; }
    // The connection as the page last saw it; the workers read it between blocks.
    bool connected() const { return m_bConnected.load() != 0; }

    void SetTimerPeriod(std::chrono::milliseconds period);

    // The end of an operation: the pair that suits the connection as last seen, enabled.
    void RestoreButton();

    CTeeDeskDlg* mainDlg() const { return m_pMainDlg; }

protected:
    // The click once the page has seen a connection; the button already shows the working
    // image and is disabled.
    virtual void OnStart() = 0;
    // First step of every tick (the firmware page's version query).
    virtual void OnTimerWork() {}
    // The tick that sees the connection gone, before the button changes.
    virtual void OnDisconnected() {}

    FileDialogs& fileDialogs() const;
    MessageBoxes& messageBoxes() const;
    // Starts the worker under the transfer lock; on refusal the button is restored.
    bool StartWorker(TransferRunner::Work work, TransferRunner::Finished finished = {});

    void SetPair(bool connected);
    void SetSingle(int picture);

private:
    void OnClicked();
    QString ConnectionMessage() const;
    void OnTimer();

    const TransferPageValues m_values;
    CButtonST* m_btnStart;
    QLabel* m_description;
    std::atomic<int> m_bConnected{0};
    CTeeDeskDlg* m_pMainDlg = nullptr;
    QTimer m_timer;
    std::pair<int, int> m_shown{0, 0};
};
