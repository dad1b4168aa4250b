// The main window: layout, the page strip and its veto, the keys it swallows, the device link
// it starts and stops, the information page, and the single instance of the real program.

#include "CButtonST.h"
#include "CHyperLink.h"
#include "CTabBar.h"
#include "CTabCtrl.h"
#include "CTeeDeskDlg.h"
#include "CTextProgressCtrl.h"
#include "ConnectionState.h"
#include "DeviceLink.h"
#include "RecordedMessageBoxes.h"
#include "SimulatedWatch.h"
#include "VhidBackend.h"
#include "pages/CDialog5.h"
#include "pages/CDialog6.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// One LK-Band A whose node this user may not open.
class DeniedBackend final : public teedesk::HidBackend {
public:
    std::vector<std::string> Enumerate() override { return {"/dev/hidraw7"}; }
    std::optional<teedesk::HidAttributes> ReadAttributes(const std::string&) override
    {
        return teedesk::HidAttributes{0x10C4, 0x8ADB, 1};
    }
    teedesk::HidOpenResult Open(const std::string&) override
    {
        return {nullptr, teedesk::HidOpenError::AccessDenied};
    }
    void SetRemovalCallback(RemovalCallback) override {}
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsOnThePlayDataPage();
    void layoutKeepsItsPixelPositions();
    void tabChangeShowsItsPage();
    void tabChangeIsRefusedWhileATransferRuns();
    void enterAndEscapeDoNothing();
    void exitAndCloseEndTheWindowUnlessLocked();
    void removalOfTheWatchReachesTheWindowThread();
    void shutdownReleasesTheLink();
    void informationPageShowsLogoTitleAndLink();

    void deniedWatchAddsThePermissionHint();

    void secondInstanceEndsSilently();

private:
    std::unique_ptr<QTemporaryDir> m_bus;
    std::unique_ptr<teedesk::VhidBackend> m_backend;
    std::unique_ptr<CTeeDeskDlg> m_dialog;

    CTeeDeskDlg& Shown()
    {
        m_dialog = std::make_unique<CTeeDeskDlg>(*m_backend);
        m_dialog->show();
        if (!QTest::qWaitForWindowExposed(m_dialog.get()))
            qFatal("main window not shown");
        return *m_dialog;
    }

    static void ClickTab(CTeeDeskDlg& dialog, int index)
    {
        CTabBar* bar = dialog.tabCtrl()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }

    static void ExpectPage(CTeeDeskDlg& dialog, int index)
    {
        QCOMPARE(dialog.tabCtrl()->GetCurSel(), index);
        QCOMPARE(dialog.tabCtrl()->tabBar()->currentIndex(), index);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(dialog.page(i)->isVisible(), i == index);
    }
};

void MainWindowTest::init()
{
    m_bus = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/teedesk-app-XXXXXX");
    QVERIFY(m_bus->isValid());
    m_backend = std::make_unique<teedesk::VhidBackend>(m_bus->path().toStdString());
}

void MainWindowTest::cleanup()
{
    m_dialog.reset();
    m_backend.reset();
    m_bus.reset();
    g_bTransferBusy = 0;
}

void MainWindowTest::startsOnThePlayDataPage()
{
    CTeeDeskDlg& dialog = Shown();
    ExpectPage(dialog, 0);
    QCOMPARE(dialog.page(0), static_cast<QWidget*>(dialog.playDataPage()));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Dravik LINKORA for LKR-Pin,LK-Band F,LK-Band A"));
    QVERIFY(!dialog.windowIcon().isNull());
    QCOMPARE(g_pDeviceLink.load(), &dialog.link());

    const QStringList captions = {"プレーデータ", "コースデータ", "ファームウェアアップデート", "情報"};
    QCOMPARE(dialog.tabCtrl()->GetItemCount(), 4);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(dialog.tabCtrl()->tabBar()->tabText(i), captions[i]);
    QCOMPARE(dialog.exitButton()->text(), QStringLiteral("終了"));
    QCOMPARE(dialog.uiFont().family(), QStringLiteral("MS UI gothic"));
    QCOMPARE(dialog.uiFont().pixelSize(), 16);
    QCOMPARE(dialog.exitButton()->font(), dialog.uiFont());
}

void MainWindowTest::layoutKeepsItsPixelPositions()
{
    CTeeDeskDlg& dialog = Shown();
    QCOMPARE(dialog.tabCtrl()->geometry(), QRect(13, 13, 698, 236));
    QCOMPARE(dialog.progress()->geometry(), QRect(13, 270, 510, 25));
    QCOMPARE(dialog.exitButton()->geometry(), QRect(573, 271, 135, 23));
    for (int i = 0; i < 4; ++i)
        QCOMPARE(dialog.page(i)->geometry(), QRect(4, 25, 690, 207));
    QCOMPARE(dialog.size(), QSize(726, 318));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QVERIFY(!(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    for (int i = 0; i < 4; ++i)
        QCOMPARE(dialog.tabCtrl()->tabBar()->tabRect(i).height(), 21);
}

void MainWindowTest::tabChangeShowsItsPage()
{
    CTeeDeskDlg& dialog = Shown();
    for (int index : {2, 3, 1, 0}) {
        ClickTab(dialog, index);
        ExpectPage(dialog, index);
    }
}

void MainWindowTest::tabChangeIsRefusedWhileATransferRuns()
{
    CTeeDeskDlg& dialog = Shown();
    g_bTransferBusy = 1;
    QSignalSpy changes(dialog.tabCtrl(), &CTabCtrl::selectionChanged);
    ClickTab(dialog, 2);
    ExpectPage(dialog, 0);
    QTest::keyClick(dialog.tabCtrl()->tabBar(), Qt::Key_Right);
    ExpectPage(dialog, 0);
    QCOMPARE(changes.count(), 0);

    g_bTransferBusy = 0;
    ClickTab(dialog, 2);
    ExpectPage(dialog, 2);
}

void MainWindowTest::enterAndEscapeDoNothing()
{
    CTeeDeskDlg& dialog = Shown();
    QSignalSpy exits(dialog.exitButton(), &QPushButton::clicked);
    QSignalSpy finished(&dialog, &QDialog::finished);
    QList<QWidget*> targets = {&dialog, dialog.exitButton(), dialog.tabCtrl()->tabBar()};
    for (int i = 0; i < 4; ++i)
        targets << dialog.page(i);
    for (QWidget* target : targets) {
        target->setFocus();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
            QTest::keyClick(target, key);
    }
    QVERIFY(dialog.isVisible());
    QCOMPARE(exits.count(), 0);
    QCOMPARE(finished.count(), 0);
    ExpectPage(dialog, 0);
}

void MainWindowTest::exitAndCloseEndTheWindowUnlessLocked()
{
    CTeeDeskDlg& dialog = Shown();
    dialog.SetCloseEnabled(false);
    dialog.SetExitEnabled(false);
    QVERIFY(!dialog.exitButton()->isEnabled());
    QVERIFY(!dialog.close());
    QVERIFY(dialog.isVisible());

    dialog.SetCloseEnabled(true);
    dialog.SetExitEnabled(true);
    QVERIFY(dialog.close());
    QVERIFY(!dialog.isVisible());

    CTeeDeskDlg& again = Shown();
    QSignalSpy finished(&again, &QDialog::finished);
    QTest::mouseClick(again.exitButton(), Qt::LeftButton);
    QCOMPARE(finished.count(), 1);
    QVERIFY(!again.isVisible());
}

void MainWindowTest::removalOfTheWatchReachesTheWindowThread()
{
    teedesk::sim::WatchOptions options;
    options.modelIndex = 2;
    teedesk::sim::SimulatedWatch watch((m_bus->path() + "/watch.hid").toStdString(), options);
    QVERIFY(watch.Plug());

    CTeeDeskDlg& dialog = Shown();
    QTRY_COMPARE_WITH_TIMEOUT(g_bDeviceConnected.load(), 1, 10000);
    QVERIFY(dialog.link().isOpen());

    watch.Unplug();
    // The notice comes on the backend's thread and is handled in this thread's event loop.
    QTRY_COMPARE_WITH_TIMEOUT(g_bDeviceConnected.load(), 0, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.link().isOpen(), 10000);

    QVERIFY(watch.Plug());
    QTRY_COMPARE_WITH_TIMEOUT(g_bDeviceConnected.load(), 1, 10000);
}

void MainWindowTest::shutdownReleasesTheLink()
{
    g_bTransferBusy = 1;
    Shown();
    QCOMPARE(g_bTransferBusy.load(), 0); // cleared at start
    QVERIFY(g_pDeviceLink.load() != nullptr);
    m_dialog.reset();
    QCOMPARE(g_pDeviceLink.load(), nullptr);
    QCOMPARE(g_bDeviceConnected.load(), 0);
}

void MainWindowTest::informationPageShowsLogoTitleAndLink()
{
    CTeeDeskDlg& dialog = Shown();
    ClickTab(dialog, 3);
    CDialog5* page = dialog.informationPage();
    QVERIFY(page->isVisible());

    QVERIFY(!page->logo()->isEnabled());
    QVERIFY(page->logo()->hasImage());
    QSignalSpy logoClicks(page->logo(), &QAbstractButton::clicked);
    QTest::mouseClick(page->logo(), Qt::LeftButton);
    QCOMPARE(logoClicks.count(), 0);
    ExpectPage(dialog, 3);

    QVERIFY(page->title()->text().startsWith("Dravik LINKORA For LKR-Pin,LK-Band F,LK-Band A\n\nVer 1.20\n\n"));
    QVERIFY(page->title()->text().endsWith("\n"));
    QCOMPARE(page->title()->font(), dialog.uiFont());

    CHyperLink* link = page->link();
    QVERIFY(link->GetURL().startsWith("https://www.example.com/"));
    QCOMPARE(link->text(), link->GetURL());
    QCOMPARE(link->toolTip(), link->GetURL());
    QCOMPARE(link->font().pixelSize(), 14);
    QVERIFY(link->font().underline());
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(link->size(), link->sizeHint()); // fitted to its text
    QCOMPARE(g_bTransferBusy.load(), 0);
}

// ------------------------------------------------------------------------------------------

void MainWindowTest::secondInstanceEndsSilently()
{
    QTemporaryDir lockDir(QDir::tempPath() + "/teedesk-lock-XXXXXX");
    QVERIFY(lockDir.isValid());
    const QStringList common = {"--hid-dir", m_bus->path(), "--lock-dir", lockDir.path()};
    const QString lockFile = lockDir.filePath("Dravik GOLF.lock");

    QProcess first;
    first.start(TEEDESK_APP_PATH, common);
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(lockFile), 30000);

    // A second start shows nothing: with a window it would print when the window came up.
    QProcess second;
    second.start(TEEDESK_APP_PATH, common + QStringList{"--quit-when-shown"});
    QVERIFY(second.waitForFinished(30000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(second.readAllStandardOutput(), QByteArray());
    QCOMPARE(first.state(), QProcess::Running);

    // A first instance that died leaves its lock behind; the next start takes it over.
    first.kill();
    QVERIFY(first.waitForFinished(30000));
    QVERIFY(QFileInfo::exists(lockFile));
    QProcess third;
    third.start(TEEDESK_APP_PATH, common + QStringList{"--quit-when-shown"});
    QVERIFY(third.waitForFinished(60000));
    QCOMPARE(third.exitCode(), 0);
    QVERIFY(third.readAllStandardOutput().startsWith("shown-at-ns "));
}

void MainWindowTest::deniedWatchAddsThePermissionHint()
{
    DeniedBackend denied;
    RecordedMessageBoxes messages;
    CTeeDeskDlg dialog(denied);
    dialog.SetDialogs(nullptr, &messages);
    dialog.show();
    QVERIFY(QTest::qWaitFor([&] { return dialog.link().lastOpenError() == teedesk::HidOpenError::AccessDenied; }, 10000));

    dialog.playDataPage()->button()->click();
    QCOMPARE(messages.messages().size(), 1);
    const QString text = messages.messages().first().text;
    QVERIFY(text.startsWith(QStringLiteral("端末とUSBの接続を確認してください\n\n")));
    QVERIFY(text.contains(QStringLiteral("/dev/hidraw7")));
    QVERIFY(text.contains(QStringLiteral("permission denied")));
    QVERIFY(text.contains(QStringLiteral("70-teedesk.rules")));
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
