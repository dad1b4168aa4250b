#include "CTeeDeskDlg.h"

#include "CTabBar.h"
#include "CTabCtrl.h"
#include "CTextProgressCtrl.h"
#include "ConnectionState.h"
#include "ConnectionWatcher.h"
#include "DeviceLink.h"
#include "DialogUnits.h"
#include "Pictures.h"
#include "RoundViewer.h"
#include "SystemFileDialogs.h"
#include "SystemMessageBoxes.h"
#include "TransferRunner.h"
#include "UiFont.h"
#include "pages/CDialog1.h"
#include "pages/CDialog2.h"
#include "pages/CDialog5.h"
#include "pages/CDialog6.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>

#include <mutex>

const char* const CTeeDeskDlg::kCaption = "Dravik LINKORA for LKR-Pin,LK-Band F,LK-Band A";

namespace {

constexpr QSize kTemplateSize(415, 159); // dialog units

const char* const kTabCaptions[] = {"プレーデータ", "コースデータ", "ファームウェアアップデート", "情報"};

} // namespace

// Removal notices arrive on a thread of the backend's and are posted to the dialog from there;
// the dialog clears `dialog` before it goes, so a late notice finds nothing to post to.
struct CTeeDeskDlg::RemovalRelay {
    std::mutex mutex;
    CTeeDeskDlg* dialog = nullptr;
};

CTeeDeskDlg::CTeeDeskDlg(teedesk::HidBackend& backend, const std::string& devicePath, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_hIcon(ApplicationIcon()), m_systemFileDialogs(std::make_unique<SystemFileDialogs>()),
      m_systemMessageBoxes(std::make_unique<SystemMessageBoxes>())
{
    setWindowTitle(QString::fromUtf8(kCaption));
    setFixedSize(DialogUnitsToPixels(kTemplateSize));
    setWindowIcon(m_hIcon);

    m_font = UiFont(16);
    m_tab = new CTabCtrl(this);
    m_tab->setFont(m_font);
    m_tab->SetItemSize(QSize(40, 21));
    for (int i = 0; i < 4; ++i)
        m_tab->InsertItem(i, QString::fromUtf8(kTabCaptions[i]));

    m_progress = new CTextProgressCtrl(this);
    m_progress->SetRange(0, 100);
    m_progress->setGeometry(13, 270, 510, 25);

    m_btnExit = new QPushButton(QString::fromUtf8("終了"), this);
    m_btnExit->setAutoDefault(false);
    m_btnExit->setGeometry(573, 271, 135, 23);
    m_btnExit->setFont(m_font);
    connect(m_btnExit, &QPushButton::clicked, this, &QDialog::reject);

    // Created in the template order; they are children of the page strip.
    m_runner = std::make_unique<TransferRunner>(*this);
    m_dlg1 = new CDialog1(m_tab);
    m_dlg2 = new CDialog2(m_tab);
    m_dlg5 = new CDialog5(m_font, m_tab);
    m_dlg6 = new CDialog6(m_tab);
    connect(m_dlg6, &CDialog6::importFinished, this, [this](const QString& csvPath, bool completed) {
        if (!completed)
            return;
        OfferRoundViewer(m_dlg6, csvPath, [this](QWidget* owner, const QString& text) {
            return messageBoxes().Ask(owner, text, QStringLiteral(" ")); // guidance: the empty caption
        });
    });

    m_tab->setGeometry(13, 13, 698, 236);
    // The pictures' transparent corners show the button face; on the pages that face is the
    // colour the page area is painted with, so the pictures sit on the page without a patch.
    QPalette pageColours = m_tab->palette();
    pageColours.setColor(QPalette::Button, m_tab->PanelColour());
    const QRect pageRect = m_tab->GetClientRect().adjusted(4, 25, -4, -4);
    for (int i = 0; i < 4; ++i) {
        page(i)->setGeometry(pageRect);
        page(i)->setPalette(pageColours);
        page(i)->setVisible(i == 0);
    }
    m_tab->SetCurSel(0);
    m_tab->selectionChanging = [] { return g_bTransferBusy != 0; };
    connect(m_tab, &CTabCtrl::selectionChanged, this, &CTeeDeskDlg::OnSelChanged);

    // Enter and Escape are taken before any control of this window sees them.
    qApp->installEventFilter(this);

    StartDeviceLink(backend, devicePath);
}

CTeeDeskDlg::~CTeeDeskDlg()
{
    // A running worker still uses the link and the pages.
    m_runner->Shutdown();
    StopDeviceLink();
}

void CTeeDeskDlg::SetDialogs(FileDialogs* fileDialogs, MessageBoxes* messageBoxes)
{
    m_fileDialogs = fileDialogs;
    m_messageBoxes = messageBoxes;
}

void CTeeDeskDlg::SetPageTimerPeriod(std::chrono::milliseconds period)
{
    m_dlg1->SetTimerPeriod(period);
    m_dlg2->SetTimerPeriod(period);
    m_dlg6->SetTimerPeriod(period);
}

QWidget* CTeeDeskDlg::page(int index) const
{
    switch (index) {
    case 0: return m_dlg6;
    case 1: return m_dlg2;
    case 2: return m_dlg1;
    case 3: return m_dlg5;
    default: return nullptr;
    }
}

void CTeeDeskDlg::OnSelChanged(int index)
{
    QWidget* shown = page(index);
    if (!shown)
        return;
    for (int i = 0; i < 4; ++i)
        if (page(i) != shown)
            page(i)->hide();
    shown->show();
    shown->setFocus();
}

void CTeeDeskDlg::SetExitEnabled(bool enabled) { m_btnExit->setEnabled(enabled); }

void CTeeDeskDlg::SetCloseEnabled(bool enabled) { m_bCloseEnabled = enabled; }

void CTeeDeskDlg::closeEvent(QCloseEvent* event)
{
    if (!m_bCloseEnabled) {
        event->ignore(); // a transfer holds the lock
        return;
    }
    QDialog::closeEvent(event);
}

bool CTeeDeskDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) &&
            static_cast<QWidget*>(watched)->window() == this)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CTeeDeskDlg::StartDeviceLink(teedesk::HidBackend& backend, const std::string& devicePath)
{
    g_bDeviceConnected = 0;
    g_bTransferBusy = 0;
    m_link = std::make_unique<teedesk::DeviceLink>(backend);
    m_link->SetDeviceFilter(devicePath);
    g_pDeviceLink = m_link.get();

    m_relay = std::make_shared<RemovalRelay>();
    m_relay->dialog = this;
    m_link->RegisterDeviceNotifications([relay = m_relay](const std::string& path) {
        // Posted while the dialog is known to exist; a notice still queued when it goes is
        // dropped with it.
        const std::lock_guard lock(relay->mutex);
        if (relay->dialog)
            QMetaObject::invokeMethod(relay->dialog, "OnDeviceRemovalQueued", Qt::QueuedConnection,
                                      Q_ARG(QString, QString::fromStdString(path)));
    });

    m_watcher = std::make_unique<teedesk::ConnectionWatcher>(*m_link, g_hDetectEvent, g_bDeviceConnected);
    m_watcher->Start();
    g_hDetectEvent.Signal(); // the first check at once
}

void CTeeDeskDlg::OnDeviceRemovalQueued(const QString& path)
{
    if (m_link)
        teedesk::HandleDeviceRemoval(*m_link, path.toStdString(), g_hDetectEvent, g_bDeviceConnected);
}

void CTeeDeskDlg::StopDeviceLink()
{
    if (m_relay) {
        const std::lock_guard lock(m_relay->mutex);
        m_relay->dialog = nullptr;
    }
    if (m_link)
        m_link->RegisterDeviceNotifications({});
    // The watcher is joined before the link goes, so it never touches a destroyed link.
    if (m_watcher)
        m_watcher->Stop();
    if (m_link) {
        g_pDeviceLink = nullptr;
        m_link->Close();
        m_link.reset();
    }
    m_watcher.reset();
    g_bDeviceConnected = 0;
}
