// The operation pages against a simulated watch on a private bus: the connection check of the
// button, each page's whole operation, the transfer lock on every way out, the button that
// follows the connection also during a transfer, the firmware version line, and the window
// going while a worker runs.

#include "CButtonST.h"
#include "CTabBar.h"
#include "CTabCtrl.h"
#include "CTeeDeskDlg.h"
#include "CTextProgressCtrl.h"
#include "ConnectionState.h"
#include "CourseMaker.h"
#include "CourseWriter.h"
#include "CsvFile.h"
#include "CsvSections.h"
#include "CsvWriter.h"
#include "DeviceLink.h"
#include "DialogUnits.h"
#include "FirmwareMaker.h"
#include "RecordedMessageBoxes.h"
#include "ScriptedFileDialogs.h"
#include "SimulatedWatch.h"
#include "SystemFileDialogs.h"
#include "TransferRunner.h"
#include "VhidBackend.h"
#include "WindowTransferHost.h"
#include "pages/CDialog1.h"
#include "pages/CDialog2.h"
#include "pages/CDialog6.h"

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <nlohmann/json.hpp>

#include <fstream>
#include <memory>
#include <optional>

using teedesk::MessageIcon;
namespace sim = teedesk::sim;

namespace {

constexpr int kPlayDataTab = 0;
constexpr int kCourseTab = 1;
constexpr int kFirmwareTab = 2;

// Generous: the sanitizers slow everything down many times.
constexpr int kWaitMs = 30000;
constexpr std::chrono::milliseconds kShortPeriod{20};

const QString kCompleted = QStringLiteral("完了しました。");

enum class Input {
    Good,       // a file that suits the watch; for play data a CSV path that can be written
    Missing,    // a file that does not exist, in an existing folder
    WrongModel, // a file for another model family
    Unwritable, // a CSV path in a folder that does not exist
};

struct Message {
    QString text;
    QString caption;
    MessageIcon icon;
};

// Runs this thread's event loop until `done` (or the time limit). QTest::qWaitFor sleeps
// between its looks, which would cost every call a worker makes into this thread 10 ms.
bool SpinUntil(const std::function<bool()>& done, int timeoutMs = kWaitMs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done() || elapsed.elapsed() > timeoutMs)
            loop.quit();
    });
    look.start(1);
    if (!done())
        loop.exec();
    return done();
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const std::vector<uint8_t>& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())), qint64(bytes.size()));
}

QByteArray Bytes(const std::vector<uint8_t>& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

} // namespace

Q_DECLARE_METATYPE(Input)
Q_DECLARE_METATYPE(sim::Faults)
Q_DECLARE_METATYPE(std::optional<Message>)

class OperationPagesTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pagesKeepTheirLayoutAndTexts_data();
    void pagesKeepTheirLayoutAndTexts();
    void clickWhileNotConnectedShowsTheMessageAndSendsNothing_data();
    void clickWhileNotConnectedShowsTheMessageAndSendsNothing();
    void wholeOperation_data();
    void wholeOperation();
    void cancelledDialogLeavesThePageIdle_data();
    void cancelledDialogLeavesThePageIdle();
    void lockIsHeldDuringATransferAndReleasedOnEveryPath_data();
    void lockIsHeldDuringATransferAndReleasedOnEveryPath();
    void removalMidTransferShowsDeviceRemoved_data();
    void removalMidTransferShowsDeviceRemoved();
    void playDataClickEndsBeforeTheDialog_data();
    void playDataClickEndsBeforeTheDialog();
    void versionIsReadOncePerConnection_data();
    void versionIsReadOncePerConnection();
    void versionQueryWaitsWhileATransferHoldsTheLink();
    void windowGoingDuringATransferWaitsForTheWorker();
    void systemDialogsGetEachPatternApart();

private:
    std::unique_ptr<QTemporaryDir> m_bus;
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<teedesk::VhidBackend> m_backend;
    std::unique_ptr<sim::SimulatedWatch> m_watch;
    std::unique_ptr<CTeeDeskDlg> m_dialog;
    ScriptedFileDialogs m_fileDialogs;
    RecordedMessageBoxes m_messages;
    sim::WatchOptions m_options;

    void Plug(uint16_t modelIndex, int sessions = 3, std::chrono::milliseconds replyDelay = {})
    {
        m_options = {};
        m_options.modelIndex = modelIndex;
        m_options.replyDelay = replyDelay;
        if (sessions > 0)
            m_options.sessions = sim::GenerateSessions(20160512, sessions, modelIndex);
        m_watch = std::make_unique<sim::SimulatedWatch>((m_bus->path() + "/watch.hid").toStdString(), m_options);
        QVERIFY(m_watch->Plug());
    }

    CTeeDeskDlg& Shown(std::chrono::milliseconds period = kShortPeriod)
    {
        m_dialog = std::make_unique<CTeeDeskDlg>(*m_backend);
        m_dialog->SetDialogs(&m_fileDialogs, &m_messages);
        m_dialog->SetPageTimerPeriod(period);
        m_dialog->show();
        if (!QTest::qWaitForWindowExposed(m_dialog.get()))
            qFatal("main window not shown");
        return *m_dialog;
    }

    TransferPage* Page(int tab) const { return static_cast<TransferPage*>(m_dialog->page(tab)); }

    // The watch found and seen by the page.
    bool WaitConnected(int tab) const
    {
        return QTest::qWaitFor([&] { return g_bDeviceConnected == 1 && Page(tab)->connected(); }, kWaitMs);
    }

    void ShowTab(int tab) { m_dialog->tabCtrl()->tabBar()->setCurrentIndex(tab); }

    std::pair<int, int> Pair(int tab, bool connected) const
    {
        const ButtonPictures& p = Page(tab)->pictures();
        return connected ? std::pair{p.connectedHover, p.connectedRest}
                         : std::pair{p.disconnectedHover, p.disconnectedRest};
    }

    // The file the page is given (firmware, course) or asked to write (play data).
    QString MakeInput(int tab, Input input, uint16_t modelIndex) const;
    // What the watch or the CSV file should hold after a whole operation.
    QByteArray Expected(int tab, const QString& input, uint16_t modelIndex, int sessionsWritten) const;
    QByteArray Received(int tab, const QString& input) const;
    int CommandCount(uint8_t command) const;
    bool TransferCommandsSent() const;

    void ExpectIdle(int tab, bool connected)
    {
        QCOMPARE(g_bTransferBusy.load(), 0);
        QVERIFY(m_dialog->exitButton()->isEnabled());
        QVERIFY(m_dialog->closeEnabled());
        QVERIFY(!m_dialog->tabCtrl()->selectionChanging());
        QVERIFY(Page(tab)->button()->isEnabled());
        QCOMPARE(Page(tab)->buttonPictures(), Pair(tab, connected));
    }

    void ExpectLocked()
    {
        QCOMPARE(g_bTransferBusy.load(), 1);
        QVERIFY(!m_dialog->exitButton()->isEnabled());
        QVERIFY(!m_dialog->closeEnabled());
        QVERIFY(m_dialog->tabCtrl()->selectionChanging());
        QVERIFY(!m_dialog->close());
        QVERIFY(m_dialog->isVisible());
    }
};

void OperationPagesTest::init()
{
    m_bus = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/teedesk-pages-XXXXXX");
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_bus->isValid() && m_folder->isValid());
    m_backend = std::make_unique<teedesk::VhidBackend>(m_bus->path().toStdString());
    m_fileDialogs = ScriptedFileDialogs();
    m_messages.Clear();
    m_messages.whileShown = nullptr;
}

void OperationPagesTest::cleanup()
{
    m_dialog.reset();
    m_watch.reset();
    m_backend.reset();
    m_bus.reset();
    m_folder.reset();
    g_bTransferBusy = 0;
}

QString OperationPagesTest::MakeInput(int tab, Input input, uint16_t modelIndex) const
{
    const QString folder = m_folder->path();
    if (input == Input::Missing)
        return folder + "/missing.bin";
    if (input == Input::Unwritable)
        return folder + "/no-such-folder/play.csv";
    const bool other = input == Input::WrongModel;
    if (tab == kFirmwareTab) {
        teedesk::tools::FirmwareRecipe recipe;
        const uint16_t otherModel = modelIndex == teedesk::kModelBandA ? teedesk::kModelBandF : teedesk::kModelBandA;
        recipe.modelIndex = other ? otherModel : modelIndex;
        recipe.bodySize = 3000;
        const teedesk::tools::MadeFirmware made = teedesk::tools::MakeFirmware(recipe);
        if (!made.error.empty())
            qFatal("firmware: %s", made.error.c_str());
        const QString path = folder + "/firmware.bin";
        WriteAll(path, made.bytes);
        return path;
    }
    if (tab == kCourseTab) {
        // Version 4 files are for the LK-Band A, version 2 files for the others.
        const bool bandA = (modelIndex == teedesk::kModelBandA) != other;
        std::ifstream in(std::string(COURSE_FIXTURES) + (bandA ? "/banda-v4.json" : "/kanto-v2.json"));
        const auto description = teedesk::tools::ParseCourseDescription(nlohmann::json::parse(in));
        const QString path = folder + "/course.dat";
        WriteAll(path, teedesk::tools::MakeCourseFile(description));
        return path;
    }
    return folder + "/play.csv";
}

QByteArray OperationPagesTest::Expected(int tab, const QString& input, uint16_t modelIndex, int sessionsWritten) const
{
    if (tab == kFirmwareTab)
        return ReadAll(input);
    if (tab == kCourseTab) {
        teedesk::CourseImage image;
        if (teedesk::PrepareCourseImage(input.toStdString(), modelIndex, image) != teedesk::CoursePrepareStatus::Ready)
            return {};
        return QByteArray(reinterpret_cast<const char*>(image.data()), qsizetype(image.size()));
    }
    // What convert-session writes for the same sessions.
    const QString path = m_folder->path() + "/expected.csv";
    auto output = teedesk::CsvFile::Create(path.toStdString());
    if (!output)
        return {};
    {
        teedesk::CsvWriter file(*output, modelIndex);
        bool written = file.ready() && teedesk::WriteFileStart(file);
        for (int k = 0; k < sessionsWritten && written; ++k)
            written = teedesk::WriteSession(file, uint32_t(k), m_options.sessions[size_t(k)]);
        if (!output->Close() || !written)
            return {};
    }
    return ReadAll(path);
}

QByteArray OperationPagesTest::Received(int tab, const QString& input) const
{
    if (tab == kFirmwareTab)
        return Bytes(m_watch->ReceivedFirmware());
    if (tab == kCourseTab)
        return Bytes(m_watch->ReceivedCourse());
    return ReadAll(input);
}

int OperationPagesTest::CommandCount(uint8_t command) const
{
    int count = 0;
    for (const auto& request : m_watch->requests())
        count += request.command == command;
    return count;
}

bool OperationPagesTest::TransferCommandsSent() const
{
    for (const auto& request : m_watch->requests())
        if (request.command >= teedesk::Command::Firmware && request.command <= teedesk::Command::Session)
            return true;
    return false;
}

// ------------------------------------------------------------------------------------------

void OperationPagesTest::pagesKeepTheirLayoutAndTexts_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("timerId");
    QTest::newRow("play data") << kPlayDataTab << QStringLiteral("\n LINKORAに保存したプレーデータをPCに取り込みます。")
                               << 1128;
    QTest::newRow("course") << kCourseTab
                            << QStringLiteral("\n LINKORAのゴルフ場データをアップデートします。\n アップデートには約10分"
                                              "かかります。\n 書き込み中はUSBケーブルを抜かないでください。\n データ"
                                              "が破損する恐れがあります。")
                            << 1125;
    QTest::newRow("firmware") << kFirmwareTab
                              << QStringLiteral("\n LINKORAのファームウェアをアップデートします。\n アップデートには約1"
                                                "分かかります。\n 書き込み中はUSBケーブルを抜かないでください。\n デ"
                                                "ータが破損する恐れがあります。")
                              << 1124;
}

void OperationPagesTest::pagesKeepTheirLayoutAndTexts()
{
    QFETCH(int, tab);
    QFETCH(QString, text);
    QFETCH(int, timerId);
    CTeeDeskDlg& dialog = Shown();
    TransferPage* page = Page(tab);
    QCOMPARE(page->button()->geometry(), QRect(18, 43, 140, 134));
    QCOMPARE(page->description()->geometry(), QRect(165, 43, 504, 134));
    QCOMPARE(page->description()->text(), text);
    QCOMPARE(page->description()->font(), dialog.uiFont());
    QCOMPARE(page->description()->frameShape(), QFrame::Box);
    QCOMPARE(page->timerId(), timerId);
    QVERIFY(page->button()->hasImage());
    QVERIFY(page->button()->isEnabled());
    QCOMPARE(page->buttonPictures(), Pair(tab, false)); // no watch on the bus
    if (tab == kFirmwareTab) {
        QLabel* version = dialog.firmwarePage()->versionText();
        // The template's size and left edge, above the button.
        const QRect line = DialogUnitsToPixels(8, 14, 312, 11);
        QCOMPARE(version->geometry().size(), line.size());
        QCOMPARE(version->geometry().left(), line.left());
        QVERIFY(version->geometry().bottom() < page->button()->geometry().top());
        QCOMPARE(version->font(), dialog.uiFont());
        QCOMPARE(version->text(), QString());
    }
}

void OperationPagesTest::clickWhileNotConnectedShowsTheMessageAndSendsNothing_data()
{
    QTest::addColumn<int>("tab");
    QTest::newRow("play data") << kPlayDataTab;
    QTest::newRow("course") << kCourseTab;
    QTest::newRow("firmware") << kFirmwareTab;
}

void OperationPagesTest::clickWhileNotConnectedShowsTheMessageAndSendsNothing()
{
    QFETCH(int, tab);
    Plug(teedesk::kModelBandA);
    // The watcher finds the watch, but the page's timer has not looked yet.
    CTeeDeskDlg& dialog = Shown(std::chrono::hours(1));
    QVERIFY(QTest::qWaitFor([] { return g_bDeviceConnected == 1; }, kWaitMs));
    ShowTab(tab);
    m_watch->ClearRequests();
    dialog.progress()->SetPos(42);
    dialog.progress()->setText(QStringLiteral("earlier"));

    std::pair<int, int> whileShown;
    m_messages.whileShown = [&](const RecordedMessageBoxes::Message&) { whileShown = Page(tab)->buttonPictures(); };
    Page(tab)->button()->click();

    QCOMPARE(m_messages.messages().size(), 1);
    const RecordedMessageBoxes::Message& message = m_messages.messages().first();
    QCOMPARE(message.text, QStringLiteral("端末とUSBの接続を確認してください"));
    QCOMPARE(message.caption, QStringLiteral(" "));
    QCOMPARE(message.icon, MessageIcon::None);
    QCOMPARE(message.owner, static_cast<QWidget*>(Page(tab)));
    QCOMPARE(whileShown, std::pair(Page(tab)->pictures().notConnected, 0));
    QCOMPARE(Page(tab)->buttonPictures(), Pair(tab, false));

    QCOMPARE(dialog.progress()->GetPos(), 0);
    QCOMPARE(dialog.progress()->text(), QString());
    QVERIFY(m_fileDialogs.calls().isEmpty());
    ExpectIdle(tab, false);
    QTest::qWait(50); // anything sent would show in the log by now
    QVERIFY(!TransferCommandsSent());
}

void OperationPagesTest::wholeOperation_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("model");
    QTest::newRow("play data, LK-Band A") << kPlayDataTab << int(teedesk::kModelBandA);
    QTest::newRow("play data, LKR-Pin") << kPlayDataTab << int(teedesk::kModelPin);
    QTest::newRow("course, LK-Band A") << kCourseTab << int(teedesk::kModelBandA);
    QTest::newRow("course, LK-Band F") << kCourseTab << int(teedesk::kModelBandF);
    QTest::newRow("firmware, LK-Band A") << kFirmwareTab << int(teedesk::kModelBandA);
    QTest::newRow("firmware, LKR-Pin") << kFirmwareTab << int(teedesk::kModelPin);
}

void OperationPagesTest::wholeOperation()
{
    QFETCH(int, tab);
    QFETCH(int, model);
    const auto modelIndex = uint16_t(model);
    Plug(modelIndex);
    CTeeDeskDlg& dialog = Shown();
    QVERIFY(WaitConnected(tab));
    ShowTab(tab);
    const QString input = MakeInput(tab, Input::Good, modelIndex);
    m_fileDialogs.Answer(input);
    QSignalSpy finished(&dialog.runner(), &TransferRunner::transferFinished);
    QSignalSpy imports(dialog.playDataPage(), &CDialog6::importFinished);

    Page(tab)->button()->click();
    QCOMPARE(Page(tab)->buttonPictures(), std::pair(Page(tab)->pictures().working, 0));
    QVERIFY(!Page(tab)->button()->isEnabled());
    QVERIFY(SpinUntil([&] { return finished.count() == 1; }));

    QCOMPARE(m_fileDialogs.calls().size(), 1);
    const ScriptedFileDialogs::Call& call = m_fileDialogs.calls().first();
    QCOMPARE(call.owner, static_cast<QWidget*>(Page(tab)));
    if (tab == kPlayDataTab) {
        QVERIFY(call.save);
        QVERIFY2(QRegularExpression("^\\d{8}_\\d{6}\\.csv$").match(call.titleOrPreset).hasMatch(),
                 qPrintable(call.titleOrPreset));
        QCOMPARE(call.filters, CDialog6::Filters());
        QCOMPARE(imports.count(), 1);
        QCOMPARE(imports.first().at(0).toString(), input);
        QCOMPARE(imports.first().at(1).toBool(), true);
        QCOMPARE(dialog.playDataPage()->csvPath(), input);
        QCOMPARE(dialog.playDataPage()->sessionCount(), 3u);
        // The rounds just written are offered for viewing, with the empty caption; No here.
        QCOMPARE(m_messages.questions().size(), 1);
        QCOMPARE(m_messages.questions().first().text, QStringLiteral("取り込んだプレーデータを表示しますか？"));
        QCOMPARE(m_messages.questions().first().caption, QStringLiteral(" "));
    } else {
        QVERIFY(!call.save);
        QCOMPARE(call.titleOrPreset, QStringLiteral("開く"));
        QCOMPARE(call.filters, tab == kCourseTab ? CDialog2::Filters() : CDialog1::Filters());
        QCOMPARE(imports.count(), 0);
    }

    QVERIFY(m_messages.messages().isEmpty());
    QCOMPARE(dialog.progress()->GetPos(), 100);
    QCOMPARE(dialog.progress()->text(), kCompleted);
    const QByteArray expected = Expected(tab, input, modelIndex, 3);
    QVERIFY(!expected.isEmpty());
    // Not QCOMPARE: it would turn megabytes into text first.
    const QByteArray received = Received(tab, input);
    QVERIFY2(received == expected, qPrintable(QString("%1 bytes, %2 expected").arg(received.size()).arg(expected.size())));
    ExpectIdle(tab, true);
}

void OperationPagesTest::cancelledDialogLeavesThePageIdle_data()
{
    clickWhileNotConnectedShowsTheMessageAndSendsNothing_data();
}

void OperationPagesTest::cancelledDialogLeavesThePageIdle()
{
    QFETCH(int, tab);
    Plug(teedesk::kModelBandA);
    CTeeDeskDlg& dialog = Shown();
    QVERIFY(WaitConnected(tab));
    ShowTab(tab);
    m_watch->ClearRequests();
    m_fileDialogs.Answer(std::nullopt);

    Page(tab)->button()->click();
    QCOMPARE(m_fileDialogs.calls().size(), 1);
    ExpectIdle(tab, true);
    QVERIFY(dialog.runner().running() == false);
    QVERIFY(m_messages.messages().isEmpty());
    QCOMPARE(dialog.progress()->text(), QString());
    QTest::qWait(50);
    // The play data page has asked for the count, nothing more.
    for (const auto& request : m_watch->requests())
        QVERIFY(request.command == teedesk::Command::Version || request.command == teedesk::Command::SessionCount);
}

void OperationPagesTest::lockIsHeldDuringATransferAndReleasedOnEveryPath_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<Input>("input");
    QTest::addColumn<sim::Faults>("faults");
    QTest::addColumn<std::optional<Message>>("message");
    QTest::addColumn<QString>("progressText");
    QTest::addColumn<bool>("completed");

    sim::Faults none;
    sim::Faults refused; // every reply echoes another command: the opening exchange fails
    refused.wrongCommandEcho = true;
    sim::Faults blockFails; // block 1 never arrives intact
    blockFails.badCrcOnBlock = 1;
    blockFails.badCrcAlways = true;
    const std::optional<Message> silent;
    const MessageIcon error = MessageIcon::Error;

    QTest::newRow("firmware written") << kFirmwareTab << Input::Good << none << silent << kCompleted << true;
    QTest::newRow("firmware file missing") << kFirmwareTab << Input::Missing << none
                                           << std::optional<Message>({"Failed to Open firmware file", "Error", error})
                                           << QString() << false;
    QTest::newRow("firmware for another model")
        << kFirmwareTab << Input::WrongModel << none
        << std::optional<Message>({"Incorrect firmwarefile!", "Open File", error}) << QString() << false;
    QTest::newRow("firmware opening refused") << kFirmwareTab << Input::Good << refused << silent << QString() << false;
    QTest::newRow("firmware block fails twice")
        << kFirmwareTab << Input::Good << blockFails << silent << QString() << false;

    QTest::newRow("course written") << kCourseTab << Input::Good << none << silent << kCompleted << true;
    QTest::newRow("course file missing") << kCourseTab << Input::Missing << none
                                         << std::optional<Message>({"Failed to Open course file", "Error", error})
                                         << QString() << false;
    QTest::newRow("course for another model") << kCourseTab << Input::WrongModel << none
                                              << std::optional<Message>({"Failed to read course file", "Error", error})
                                              << QString() << false;
    QTest::newRow("course opening refused") << kCourseTab << Input::Good << refused << silent << QString() << false;
    QTest::newRow("course block fails twice") << kCourseTab << Input::Good << blockFails << silent << QString() << false;

    QTest::newRow("play data imported") << kPlayDataTab << Input::Good << none << silent << kCompleted << true;
    QTest::newRow("play data file cannot be created")
        << kPlayDataTab << Input::Unwritable << none << silent << QString() << false;
    // Every session is left out, and the import still ends as completed.
    QTest::newRow("play data blocks fail twice")
        << kPlayDataTab << Input::Good << blockFails << silent << kCompleted << true;
}

void OperationPagesTest::lockIsHeldDuringATransferAndReleasedOnEveryPath()
{
    QFETCH(int, tab);
    QFETCH(Input, input);
    QFETCH(sim::Faults, faults);
    QFETCH(std::optional<Message>, message);
    QFETCH(QString, progressText);
    QFETCH(bool, completed);

    Plug(teedesk::kModelBandA);
    CTeeDeskDlg& dialog = Shown();
    QVERIFY(WaitConnected(tab));
    ShowTab(tab);
    m_fileDialogs.Answer(MakeInput(tab, input, teedesk::kModelBandA));
    QSignalSpy finished(&dialog.runner(), &TransferRunner::transferFinished);
    int lockedWhileShown = 0, unlockedWhileShown = 0;
    m_messages.whileShown = [&](const RecordedMessageBoxes::Message&) {
        (g_bTransferBusy == 1 && !dialog.exitButton()->isEnabled() && !dialog.closeEnabled() ? lockedWhileShown
                                                                                               : unlockedWhileShown)++;
    };
    int unlockedProgress = 0;
    connect(&dialog.runner(), &TransferRunner::progressSet, this, [&] {
        unlockedProgress += g_bTransferBusy != 1 || dialog.exitButton()->isEnabled() || dialog.closeEnabled();
    });

    // None of the faults touches the play data page's count, which comes before the dialog.
    m_watch->SetFaults(faults);

    Page(tab)->button()->click();
    ExpectLocked();
    // The page refuses a second start while the lock is held.
    bool secondRan = false;
    QVERIFY(!dialog.runner().Start(*Page(tab), [&](WindowTransferHost&) {
        secondRan = true;
        return teedesk::TransferResult{};
    }));
    QVERIFY(SpinUntil([&] { return finished.count() == 1; }));
    QVERIFY(!secondRan);
    QCOMPARE(finished.first().at(0).toBool(), completed);

    ExpectIdle(tab, true);
    QCOMPARE(unlockedProgress, 0);
    QCOMPARE(unlockedWhileShown, 0);
    QCOMPARE(dialog.progress()->text(), progressText);
    if (message) {
        QCOMPARE(m_messages.messages().size(), 1);
        QCOMPARE(m_messages.messages().first().text, message->text);
        QCOMPARE(m_messages.messages().first().caption, message->caption);
        QCOMPARE(m_messages.messages().first().icon, message->icon);
        QCOMPARE(m_messages.messages().first().owner, static_cast<QWidget*>(Page(tab)));
        QCOMPARE(lockedWhileShown, 1);
    } else {
        QVERIFY(m_messages.messages().isEmpty());
    }
}

void OperationPagesTest::removalMidTransferShowsDeviceRemoved_data()
{
    clickWhileNotConnectedShowsTheMessageAndSendsNothing_data();
}

void OperationPagesTest::removalMidTransferShowsDeviceRemoved()
{
    QFETCH(int, tab);
    Plug(teedesk::kModelBandA, 3, std::chrono::milliseconds(2));
    CTeeDeskDlg& dialog = Shown();
    QVERIFY(WaitConnected(tab));
    ShowTab(tab);
    const QString input = MakeInput(tab, Input::Good, teedesk::kModelBandA);
    m_fileDialogs.Answer(input);
    sim::Faults faults;
    faults.unplugAfterBlock = 2;
    m_watch->SetFaults(faults); // block exchanges only: the play data page's count is answered

    // The position after block 2: the third one set, or the fourth on the play data page,
    // which first sets 0 for the session. The worker waits for this call meanwhile.
    const int afterBlock2 = tab == kPlayDataTab ? 3 : 2;
    int calls = 0;
    bool sawDisconnectedPair = false, stillLocked = false;
    connect(&dialog.runner(), &TransferRunner::progressSet, this, [&] {
        if (calls++ != afterBlock2)
            return;
        sawDisconnectedPair = QTest::qWaitFor([&] { return Page(tab)->buttonPictures() == Pair(tab, false); }, kWaitMs);
        stillLocked = g_bTransferBusy == 1 && !Page(tab)->button()->isEnabled();
    });
    QSignalSpy finished(&dialog.runner(), &TransferRunner::transferFinished);
    Page(tab)->button()->click();
    QVERIFY(SpinUntil([&] { return finished.count() == 1; }));

    QVERIFY(sawDisconnectedPair);
    QVERIFY(stillLocked);
    QCOMPARE(m_messages.messages().size(), 1);
    QCOMPARE(m_messages.messages().first().text, QStringLiteral("Device removed!"));
    QCOMPARE(m_messages.messages().first().caption, QStringLiteral("Error"));
    QCOMPARE(m_messages.messages().first().icon, MessageIcon::Error);
    // The watch is gone: the page says so, and is usable again.
    ExpectIdle(tab, false);
    if (tab == kPlayDataTab) {
        // Every session is left out; the import still ends with the completion text.
        QCOMPARE(dialog.progress()->text(), kCompleted);
        QCOMPARE(ReadAll(input), Expected(tab, input, teedesk::kModelBandA, 0));
    } else {
        QCOMPARE(dialog.progress()->text(), QString());
        QVERIFY(Received(tab, input).isEmpty());
    }
}

void OperationPagesTest::playDataClickEndsBeforeTheDialog_data()
{
    QTest::addColumn<int>("sessions");
    QTest::addColumn<bool>("countFails");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    QTest::newRow("no sessions") << 0 << false << 100 << QStringLiteral("プレーデータがありません。");
    QTest::newRow("count not answered") << 3 << true << 0 << QString();
}

void OperationPagesTest::playDataClickEndsBeforeTheDialog()
{
    QFETCH(int, sessions);
    QFETCH(bool, countFails);
    QFETCH(int, position);
    QFETCH(QString, text);
    Plug(teedesk::kModelBandA, sessions);
    CTeeDeskDlg& dialog = Shown();
    QVERIFY(WaitConnected(kPlayDataTab));
    if (countFails) {
        sim::Faults faults;
        faults.wrongCommandEcho = true;
        m_watch->SetFaults(faults);
    }
    m_fileDialogs.Answer(m_folder->path() + "/play.csv");

    Page(kPlayDataTab)->button()->click();
    QVERIFY(m_fileDialogs.calls().isEmpty());
    QVERIFY(!dialog.runner().running());
    ExpectIdle(kPlayDataTab, true);
    QCOMPARE(dialog.progress()->GetPos(), position);
    QCOMPARE(dialog.progress()->text(), text);
    QVERIFY(m_messages.messages().isEmpty());
    QCOMPARE(CommandCount(teedesk::Command::SessionCount), 1);
    QCOMPARE(CommandCount(teedesk::Command::Session), 0);
}

void OperationPagesTest::versionIsReadOncePerConnection_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("text");
    QTest::newRow("LK-Band A") << int(teedesk::kModelBandA)
                               << QStringLiteral("ファームウェアバージョン 1.05\tBluetooth バージョン 2.01.003");
    QTest::newRow("LK-Band F") << int(teedesk::kModelBandF) << QStringLiteral("ファームウェアバージョン 1.05");
    QTest::newRow("LKR-Pin") << int(teedesk::kModelPin)
                             << QStringLiteral("ファームウェアバージョン 1.05\tBluetooth バージョン 2.01.003");
}

void OperationPagesTest::versionIsReadOncePerConnection()
{
    QFETCH(int, model);
    QFETCH(QString, text);
    Plug(uint16_t(model));
    CTeeDeskDlg& dialog = Shown();
    QLabel* version = dialog.firmwarePage()->versionText();
    QTRY_COMPARE_WITH_TIMEOUT(version->text(), text, kWaitMs);
    QTest::qWait(200); // ten ticks, which must not ask again
    QCOMPARE(CommandCount(teedesk::Command::Version), 1);

    m_watch->Unplug();
    QTRY_COMPARE_WITH_TIMEOUT(version->text(), QString(), kWaitMs);
    QVERIFY(!dialog.firmwarePage()->versionShown());
    QTRY_COMPARE_WITH_TIMEOUT(Page(kFirmwareTab)->buttonPictures(), Pair(kFirmwareTab, false), kWaitMs);

    QVERIFY(m_watch->Plug());
    QTRY_COMPARE_WITH_TIMEOUT(version->text(), text, kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(Page(kFirmwareTab)->buttonPictures(), Pair(kFirmwareTab, true), kWaitMs);
    QCOMPARE(CommandCount(teedesk::Command::Version), 2);
}

void OperationPagesTest::versionQueryWaitsWhileATransferHoldsTheLink()
{
    CTeeDeskDlg& dialog = Shown();
    g_bTransferBusy = 1; // another page's worker owns the link
    Plug(teedesk::kModelBandA);
    QVERIFY(WaitConnected(kFirmwareTab));
    QTest::qWait(200);
    QCOMPARE(CommandCount(teedesk::Command::Version), 0);
    QCOMPARE(dialog.firmwarePage()->versionText()->text(), QString());

    g_bTransferBusy = 0;
    QTRY_VERIFY_WITH_TIMEOUT(dialog.firmwarePage()->versionShown(), kWaitMs);
    QCOMPARE(CommandCount(teedesk::Command::Version), 1);
}

void OperationPagesTest::windowGoingDuringATransferWaitsForTheWorker()
{
    Plug(teedesk::kModelBandA, 3, std::chrono::milliseconds(5));
    CTeeDeskDlg& dialog = Shown();
    QVERIFY(WaitConnected(kFirmwareTab));
    ShowTab(kFirmwareTab);
    teedesk::tools::FirmwareRecipe recipe;
    recipe.bodySize = 400 * 1024; // far longer than this test waits
    const QString path = m_folder->path() + "/large.bin";
    WriteAll(path, teedesk::tools::MakeFirmware(recipe).bytes);
    m_fileDialogs.Answer(path);
    int positions = 0;
    connect(&dialog.runner(), &TransferRunner::progressSet, this, [&] { ++positions; });

    Page(kFirmwareTab)->button()->click();
    QVERIFY(SpinUntil([&] { return positions >= 3; }));
    QCOMPARE(g_bTransferBusy.load(), 1);
    m_dialog.reset(); // returns once the worker has stopped
    QCOMPARE(g_bTransferBusy.load(), 0);
    QCOMPARE(g_pDeviceLink.load(), nullptr);
    QVERIFY(m_watch->ReceivedFirmware().empty());
}

void OperationPagesTest::systemDialogsGetEachPatternApart()
{
    // "*.gof, *.gol" taken as it stands would be the patterns "*.gof," and "*.gol".
    QCOMPARE(SystemFileDialogs::NameFilters(CDialog2::Filters()),
             QStringList({"Golf Files(*.dat) (*.dat)", "Golf Files(*.gof, *.gol) (*.gof *.gol)",
                          "Bin Files(*.bin) (*.bin)", "All File(*.*) (*.*)"}));
}

QTEST_MAIN(OperationPagesTest)
#include "OperationPagesTest.moc"
