#include "TransferPage.h"

#include "CButtonST.h"
#include "CTeeDeskDlg.h"
#include "CTextProgressCtrl.h"
#include "ConnectionState.h"
#include "DeviceLink.h"
#include "MessageBoxes.h"
#include "PermissionHint.h"
#include "Pictures.h"
#include "TransferHost.h"

#include <QLabel>

TransferPage::TransferPage(const TransferPageValues& values, QWidget* parent)
    : QWidget(parent), m_values(values), m_btnStart(new CButtonST(this)), m_description(new QLabel(this))
{
    m_btnStart->EnableBorder(false);
    m_btnStart->EnableFlat(true);
    SetPair(g_bDeviceConnected != 0);
    m_bConnected = g_bDeviceConnected.load();

    m_btnStart->setGeometry(18, 43, 140, 134);
    m_description->setGeometry(165, 43, 504, 134);
    m_description->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_description->setLineWidth(1);
    m_description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_description->setWordWrap(true);
    m_description->setText(QString::fromUtf8(values.description));

    // Page, page strip, main window.
    if (parent)
        m_pMainDlg = qobject_cast<CTeeDeskDlg*>(parent->parentWidget());
    if (m_pMainDlg)
        m_description->setFont(m_pMainDlg->uiFont());

    connect(m_btnStart, &QAbstractButton::clicked, this, &TransferPage::OnClicked);
    connect(&m_timer, &QTimer::timeout, this, &TransferPage::OnTimer);
    m_timer.start(kTimerPeriod);
}

TransferPage::~TransferPage()
{
    m_timer.stop();
}

void TransferPage::SetTimerPeriod(std::chrono::milliseconds period)
{
    m_timer.start(period);
}

FileDialogs& TransferPage::fileDialogs() const
{
    return m_pMainDlg->fileDialogs();
}

MessageBoxes& TransferPage::messageBoxes() const
{
    return m_pMainDlg->messageBoxes();
}

void TransferPage::SetPair(bool connected)
{
    const ButtonPictures& p = m_values.pictures;
    m_shown = connected ? std::pair{p.connectedHover, p.connectedRest}
                        : std::pair{p.disconnectedHover, p.disconnectedRest};
    m_btnStart->SetImagePair(PictureImage(m_shown.first), CButtonST::Cyan(), PictureImage(m_shown.second),
                             CButtonST::Cyan());
}

void TransferPage::SetSingle(int picture)
{
    m_shown = {picture, 0};
    m_btnStart->SetImagePair(PictureImage(picture), CButtonST::Cyan());
}

void TransferPage::RestoreButton()
{
    // The timer may have seen the watch go while the page was busy; the pair says so.
    SetPair(connected());
    m_btnStart->setEnabled(true);
}

void TransferPage::OnTimer()
{
    OnTimerWork();
    const int now = g_bDeviceConnected.load();
    if (now != m_bConnected.load()) {
        if (now == 0)
            OnDisconnected();
        SetPair(now != 0);
        m_bConnected = now;
    }
}

QString TransferPage::ConnectionMessage() const
{
    QString text = QString::fromUtf8(teedesk::kTextCheckConnection);
    // A watch that is there but may not be opened: say how to let this user open it.
    const teedesk::DeviceLink& link = m_pMainDlg->link();
    if (link.lastOpenError() == teedesk::HidOpenError::AccessDenied)
        text += QStringLiteral("\n\n") + QString::fromStdString(teedesk::PermissionHint(link.lastOpenFailurePath()));
    return text;
}

void TransferPage::OnClicked()
{
    if (!m_pMainDlg)
        return;
    m_pMainDlg->progress()->SetPos(0);
    m_pMainDlg->progress()->setText(QString());

    if (!connected()) {
        SetSingle(m_values.pictures.notConnected);
        messageBoxes().Show(this, ConnectionMessage(), QStringLiteral(" "), teedesk::MessageIcon::None);
        SetPair(connected()); // the timer may have changed it while the message was up
        return;
    }

    SetSingle(m_values.pictures.working);
    m_btnStart->setEnabled(false);
    OnStart();
}

bool TransferPage::StartWorker(TransferRunner::Work work, TransferRunner::Finished finished)
{
    if (m_pMainDlg->runner().Start(*this, std::move(work), std::move(finished)))
        return true;
    RestoreButton();
    return false;
}
