#pragma once
// The main window: the page strip with its four pages, the progress bar the pages share and
// the Exit button. It owns the one device link and the connection watcher for its lifetime.

#include <QDialog>
#include <QFont>
#include <QIcon>
#include <array>
#include <chrono>
#include <memory>
#include <string>

class CDialog1;
class CDialog2;
class CDialog5;
class CDialog6;
class CTabCtrl;
class CTextProgressCtrl;
class FileDialogs;
class MessageBoxes;
class QPushButton;
class TransferRunner;

namespace teedesk {
class ConnectionWatcher;
class DeviceLink;
class HidBackend;
} // namespace teedesk

class CTeeDeskDlg : public QDialog {
    Q_OBJECT

public:
    static const char* const kCaption;

    // The link is made on `backend`, which must outlive the dialog. `devicePath` limits
    // discovery to one interface (empty: any).
    explicit CTeeDeskDlg(teedesk::HidBackend& backend, const std::string& devicePath = std::string(),
                         QWidget* parent = nullptr);
    ~CTeeDeskDlg() override;

    const QFont& uiFont() const { return m_font; }
    CTextProgressCtrl* progress() const { return m_progress; }
    QPushButton* exitButton() const { return m_btnExit; }
    CTabCtrl* tabCtrl() const { return m_tab; }
    teedesk::DeviceLink& link() const { return *m_link; }

    // The page of a tab index (0 play data, 1 course, 2 firmware, 3 information).
    QWidget* page(int index) const;
    CDialog1* firmwarePage() const { return m_dlg1; }
    CDialog2* coursePage() const { return m_dlg2; }
    CDialog5* informationPage() const { return m_dlg5; }
    CDialog6* playDataPage() const { return m_dlg6; }

    bool closeEnabled() const { return m_bCloseEnabled; }

    // The one runner of the operation pages' workers.
    TransferRunner& runner() const { return *m_runner; }
    // The dialogs the pages show; tests and the screenshot run put in their own (not owned;
    // null gives the system's back).
    FileDialogs& fileDialogs() const { return m_fileDialogs ? *m_fileDialogs : *m_systemFileDialogs; }
    MessageBoxes& messageBoxes() const { return m_messageBoxes ? *m_messageBoxes : *m_systemMessageBoxes; }
    void SetDialogs(FileDialogs* fileDialogs, MessageBoxes* messageBoxes);
    // The period of the operation pages' connection timers.
    void SetPageTimerPeriod(std::chrono::milliseconds period);

public slots:
    // The transfer lock switches these off and on again.
    void SetExitEnabled(bool enabled);
    void SetCloseEnabled(bool enabled);

private slots:
    // Device-change handling, on this thread, for a removal the backend reported.
    void OnDeviceRemovalQueued(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct RemovalRelay;

    void OnSelChanged(int index);
    void StartDeviceLink(teedesk::HidBackend& backend, const std::string& devicePath);
    void StopDeviceLink();

    QIcon m_hIcon;
    CDialog1* m_dlg1 = nullptr;
    CDialog2* m_dlg2 = nullptr;
    CDialog5* m_dlg5 = nullptr;
    CDialog6* m_dlg6 = nullptr;
    CTabCtrl* m_tab = nullptr;
    QPushButton* m_btnExit = nullptr;
    CTextProgressCtrl* m_progress = nullptr;
    QFont m_font;
    bool m_bCloseEnabled = true;

    std::unique_ptr<FileDialogs> m_systemFileDialogs;
    std::unique_ptr<MessageBoxes> m_systemMessageBoxes;
    FileDialogs* m_fileDialogs = nullptr;
    MessageBoxes* m_messageBoxes = nullptr;

    std::unique_ptr<teedesk::DeviceLink> m_link;
    std::unique_ptr<teedesk::ConnectionWatcher> m_watcher;
    std::shared_ptr<RemovalRelay> m_relay;
    std::unique_ptr<TransferRunner> m_runner;
};
