// The picture button, the progress bar and the hyperlink label, checked on what they draw.

#include "CButtonST.h"
#include "CHyperLink.h"
#include "CTextProgressCtrl.h"
#include "HyperLinkFallback.h"
#include "Pictures.h"

#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

namespace {

const QColor kRed(200, 30, 30);
const QColor kGreen(30, 160, 60);

// A solid picture of the button's size with cyan rounded corners, as the pages' pictures are.
QImage SolidPicture(QColor colour, QSize size = QSize(140, 134))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(CButtonST::Cyan());
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawRoundedRect(QRect(QPoint(0, 0), size), 12, 12);
    return image;
}

QColor PixelAt(QWidget& widget, QPoint at) { return widget.grab().toImage().pixelColor(at); }

QColor Face(const QWidget& widget) { return widget.palette().color(QPalette::Active, QPalette::Button); }

void SendMove(QWidget& widget, QPoint at, Qt::MouseButtons buttons)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(at), widget.mapToGlobal(QPointF(at)), Qt::NoButton, buttons,
                     Qt::NoModifier);
    QApplication::sendEvent(&widget, &move);
}

class CountingFilter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Opens nothing: answers with a preset result and remembers what was reported.
class ScriptedLink : public CHyperLink {
public:
    int answer = 33;
    QList<int> reported;

protected:
    int OpenAddress(const QString&) override { return answer; }
    void ReportError(int result) override { reported << result; }
};

} // namespace

class ControlsTest : public QObject {
    Q_OBJECT

private slots:
    // --- CButtonST ---
    void buttonShowsTheImageOfItsState_data();
    void buttonShowsTheImageOfItsState();
    void buttonKeyColourShowsTheFaceAndNothingElse();
    void buttonRejectsAnImageWithoutSize();
    void dragOntoTheButtonDoesNotLightIt();
    void hoverEndsOnLeaveAndOnDisable();
    void disabledButtonKeepsItsColours();
    void doubleClickCountsAsTwoClicks();

    // --- CTextProgressCtrl ---
    void progressText_data();
    void progressText();
    void emptyTextBringsThePercentageBack();
    void setPosReturnsThePreviousPosition();
    void progressRepaintsOnlyWhenTheFilledWidthChanges();
    void progressDrawsBarAndTrackAligned();

    // --- CHyperLink ---
    void browserCommandLine_data();
    void browserCommandLine();
    void errorSentence_data();
    void errorSentence();
    void linkTurnsVisitedAfterASuccessfulOpen();
    void failedOpenIsReported();
};

// ------------------------------------------------------------------------------------------

void ControlsTest::buttonShowsTheImageOfItsState_data()
{
    QTest::addColumn<bool>("withRest");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QColor>("expected");
    QTest::addColumn<int>("offset");

    QTest::newRow("rest") << true << "rest" << kGreen << 0;
    QTest::newRow("hover") << true << "hover" << kRed << 0;
    QTest::newRow("pressed") << true << "pressed" << kRed << 1;
    QTest::newRow("single image at rest") << false << "rest" << kRed << 0;
    QTest::newRow("single image pressed") << false << "pressed" << kRed << 1;
}

void ControlsTest::buttonShowsTheImageOfItsState()
{
    QFETCH(bool, withRest);
    QFETCH(QString, state);
    QFETCH(QColor, expected);
    QFETCH(int, offset);

    CButtonST button;
    button.EnableBorder(false);
    button.EnableFlat(true);
    const auto rest = withRest ? std::optional<QImage>(SolidPicture(kGreen)) : std::nullopt;
    QCOMPARE(button.SetImagePair(SolidPicture(kRed), CButtonST::Cyan(), rest, CButtonST::Cyan()), 0);
    button.resize(140, 134);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));

    const QPoint middle(70, 67);
    if (state == "hover")
        SendMove(button, middle, Qt::NoButton);
    if (state == "pressed")
        QTest::mousePress(&button, Qt::LeftButton, {}, middle);

    // The left column of the picture at mid height is picture, not corner; pressed, the
    // picture moves one pixel right and down and the face shows there.
    QCOMPARE(PixelAt(button, QPoint(offset, 67)), expected);
    if (offset == 1) {
        QCOMPARE(PixelAt(button, QPoint(0, 67)), Face(button));
        QCOMPARE(PixelAt(button, QPoint(70, 0)), Face(button));
    }
    if (state == "pressed")
        QTest::mouseRelease(&button, Qt::LeftButton, {}, middle);
}

void ControlsTest::buttonKeyColourShowsTheFaceAndNothingElse()
{
    QImage picture = SolidPicture(kRed);
    picture.setPixelColor(70, 60, QColor(0, 255, 254)); // near the key, but not the key
    picture.setPixelColor(70, 61, QColor(1, 255, 255));
    picture.setPixelColor(70, 62, CButtonST::Cyan());   // the key inside the picture
    CButtonST button;
    QCOMPARE(button.SetImagePair(picture, CButtonST::Cyan()), 0);
    button.resize(140, 134);
    const QImage drawn = button.grab().toImage();

    QCOMPARE(drawn.pixelColor(0, 0), Face(button));
    QCOMPARE(drawn.pixelColor(139, 133), Face(button));
    QCOMPARE(drawn.pixelColor(70, 62), Face(button));
    QCOMPARE(drawn.pixelColor(70, 60), QColor(0, 255, 254));
    QCOMPARE(drawn.pixelColor(70, 61), QColor(1, 255, 255));
    QCOMPARE(drawn.pixelColor(70, 67), kRed);
}

void ControlsTest::buttonRejectsAnImageWithoutSize()
{
    CButtonST button;
    QCOMPARE(button.SetImagePair(SolidPicture(kRed), CButtonST::Cyan()), 0);
    QCOMPARE(button.SetImagePair(SolidPicture(kRed), CButtonST::Cyan(), QImage(), CButtonST::Cyan()), 1);
    QVERIFY(!button.hasImage()); // a failure releases every image
    QCOMPARE(button.SetImagePair(QImage(), CButtonST::Cyan()), 1);
}

void ControlsTest::dragOntoTheButtonDoesNotLightIt()
{
    CButtonST button;
    button.SetImagePair(SolidPicture(kRed), CButtonST::Cyan(), SolidPicture(kGreen), CButtonST::Cyan());
    button.resize(140, 134);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));

    SendMove(button, QPoint(70, 67), Qt::LeftButton);
    QVERIFY(!button.pointerOver());
    QCOMPARE(PixelAt(button, QPoint(0, 67)), kGreen);

    SendMove(button, QPoint(70, 67), Qt::NoButton);
    QVERIFY(button.pointerOver());
}

void ControlsTest::hoverEndsOnLeaveAndOnDisable()
{
    CButtonST button;
    button.SetImagePair(SolidPicture(kRed), CButtonST::Cyan(), SolidPicture(kGreen), CButtonST::Cyan());
    button.resize(140, 134);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));

    SendMove(button, QPoint(70, 67), Qt::NoButton);
    QVERIFY(button.pointerOver());
    SendMove(button, QPoint(200, 67), Qt::NoButton); // off the button, still ours (capture)
    QVERIFY(!button.pointerOver());

    SendMove(button, QPoint(70, 67), Qt::NoButton);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    QVERIFY(!button.pointerOver());
    QCOMPARE(PixelAt(button, QPoint(0, 67)), kGreen);

    SendMove(button, QPoint(70, 67), Qt::NoButton);
    button.setEnabled(false);
    QVERIFY(!button.pointerOver());
}

void ControlsTest::disabledButtonKeepsItsColours()
{
    CButtonST button;
    button.SetImagePair(SolidPicture(kRed), CButtonST::Cyan());
    button.resize(170, 160); // larger than the picture, as the logo's button is
    button.setEnabled(false);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    QCOMPARE(PixelAt(button, QPoint(85, 80)), kRed);
    QCOMPARE(PixelAt(button, QPoint(2, 2)), Face(button));

    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(85, 80));
    QCOMPARE(clicks.count(), 0);
    QVERIFY(!button.pointerOver());
}

void ControlsTest::doubleClickCountsAsTwoClicks()
{
    CButtonST button;
    button.SetImagePair(SolidPicture(kRed), CButtonST::Cyan());
    button.resize(140, 134);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    // The second press of a quick pair arrives as a double-click.
    const QPoint middle(70, 67);
    QTest::mouseClick(&button, Qt::LeftButton, {}, middle);
    QMouseEvent second(QEvent::MouseButtonDblClick, QPointF(middle), button.mapToGlobal(QPointF(middle)),
                       Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&button, &second);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, middle);
    QCOMPARE(clicks.count(), 2);
}

// ------------------------------------------------------------------------------------------

void ControlsTest::progressText_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");

    QTest::newRow("nothing at 0") << 0 << "" << "";
    QTest::newRow("51%") << 51 << "" << "51%";
    QTest::newRow("29% is not 28%") << 29 << "" << "29%";
    QTest::newRow("57% is not 56%") << 57 << "" << "57%";
    QTest::newRow("1%") << 1 << "" << "1%";
    QTest::newRow("100%") << 100 << "" << "100%";
    QTest::newRow("text replaces the percentage") << 100 << QString::fromUtf8("完了しました。")
                                                  << QString::fromUtf8("完了しました。");
    QTest::newRow("text also at 0") << 0 << "Device removed!" << "Device removed!";
}

void ControlsTest::progressText()
{
    QFETCH(int, position);
    QFETCH(QString, text);
    QFETCH(QString, shown);
    CTextProgressCtrl progress;
    progress.SetPos(position);
    progress.setText(text);
    QCOMPARE(progress.displayText(), shown);
}

void ControlsTest::emptyTextBringsThePercentageBack()
{
    CTextProgressCtrl progress;
    progress.SetPos(40);
    progress.setText(QStringLiteral("abc"));
    QCOMPARE(progress.text(), QStringLiteral("abc"));
    progress.setText(QString());
    QCOMPARE(progress.text(), QString());
    QCOMPARE(progress.displayText(), QStringLiteral("40%"));
}

void ControlsTest::setPosReturnsThePreviousPosition()
{
    CTextProgressCtrl progress;
    QCOMPARE(progress.SetPos(25), 0);
    QCOMPARE(progress.SetPos(140), 25); // stored as given
    QCOMPARE(progress.SetPos(-3), 140);
    QCOMPARE(progress.GetPos(), -3);
}

void ControlsTest::progressRepaintsOnlyWhenTheFilledWidthChanges()
{
    CTextProgressCtrl progress;
    progress.resize(50, 25); // one position is half a pixel here
    progress.show();
    QVERIFY(QTest::qWaitForWindowExposed(&progress));
    QCoreApplication::processEvents();
    CountingFilter counter;
    progress.installEventFilter(&counter);

    progress.SetPos(51);
    QCOMPARE(counter.paints, 1); // at once, not later
    progress.SetPos(51);
    QCOMPARE(counter.paints, 1);
    progress.SetPos(10); // 5 pixels
    QCOMPARE(counter.paints, 2);
    progress.SetPos(11); // still 5 pixels
    QCOMPARE(counter.paints, 2);
    QCoreApplication::processEvents();
    QCOMPARE(counter.paints, 2);
}

void ControlsTest::progressDrawsBarAndTrackAligned()
{
    CTextProgressCtrl progress;
    progress.resize(510, 25);
    progress.SetPos(51);
    const QImage drawn = progress.grab().toImage();
    const QImage bar = PictureImage(154);
    const QImage track = PictureImage(156);
    QCOMPARE(drawn.pixelColor(3, 3), bar.pixelColor(3, 3));
    QCOMPARE(drawn.pixelColor(259, 3), bar.pixelColor(259, 3));
    QCOMPARE(drawn.pixelColor(261, 3), track.pixelColor(261, 3));
    QCOMPARE(drawn.pixelColor(505, 20), track.pixelColor(505, 20));
    // The text sits in the middle: some pixels there are neither bar nor track.
    bool textDrawn = false;
    for (int x = 230; x < 290 && !textDrawn; ++x)
        for (int y = 5; y < 20 && !textDrawn; ++y)
            textDrawn = drawn.pixelColor(x, y) != (x < 260 ? bar : track).pixelColor(x, y);
    QVERIFY(textDrawn);

    CTextProgressCtrl empty;
    empty.resize(510, 25);
    const QImage blank = empty.grab().toImage();
    for (int x = 0; x < 510; x += 7)
        QCOMPARE(blank.pixelColor(x, 12), track.pixelColor(x, 12));
}

// ------------------------------------------------------------------------------------------

void ControlsTest::browserCommandLine_data()
{
    QTest::addColumn<QString>("registered");
    QTest::addColumn<QString>("commandLine");

    const QString address = QStringLiteral("https://www.example.com/linkora/");
    QTest::newRow("quoted placeholder") << "\"/opt/browser\" -osint -url \"%1\""
                                        << "\"/opt/browser\" -osint -url  " + address;
    QTest::newRow("bare placeholder") << "/usr/bin/browser %1 --new-tab" << "/usr/bin/browser  " + address;
    QTest::newRow("no placeholder") << "/usr/bin/browser" << "/usr/bin/browser " + address;
    QTest::newRow("quoted wins over an earlier bare one") << "b %1 \"%1\"" << "b %1  " + address;
    QTest::newRow("placeholder first") << "%1" << " " + address;
    QTest::newRow("other digits are no placeholder") << "b %2" << "b %2 " + address;
}

void ControlsTest::browserCommandLine()
{
    QFETCH(QString, registered);
    QFETCH(QString, commandLine);
    QCOMPARE(BrowserCommandLine(registered, QStringLiteral("https://www.example.com/linkora/")), commandLine);
}

void ControlsTest::errorSentence_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("sentence");

    QTest::newRow("0") << 0 << "The operating system is out\nof memory or resources.";
    QTest::newRow("2") << 2 << "The specified file was not found.";
    QTest::newRow("3") << 3 << "The specified path was not found.";
    QTest::newRow("5") << 5 << "The operating system denied\naccess to the specified file.";
    QTest::newRow("8") << 8 << "There was not enough memory to complete the operation.";
    QTest::newRow("11") << 11 << "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    QTest::newRow("26") << 26 << "A sharing violation occurred. ";
    QTest::newRow("27") << 27 << "The filename association is\nincomplete or invalid.";
    QTest::newRow("28") << 28 << "The DDE transaction could not\nbe completed because the request timed out.";
    QTest::newRow("29") << 29 << "The DDE transaction failed.";
    QTest::newRow("30") << 30
                        << "The DDE transaction could not\nbe completed because other DDE transactions\nwere being "
                           "processed.";
    QTest::newRow("31") << 31 << "There is no application associated\nwith the given filename extension.";
    QTest::newRow("32") << 32 << "The specified dynamic-link library was not found.";
    QTest::newRow("4 has none") << 4 << "Unknown Error (4) occurred.";
    QTest::newRow("negative") << -7 << "Unknown Error (-7) occurred.";
}

void ControlsTest::errorSentence()
{
    QFETCH(int, result);
    QFETCH(QString, sentence);
    QCOMPARE(HyperlinkErrorSentence(result), sentence);
    QCOMPARE(HyperlinkErrorText(result), "Unable to open hyperlink:\n\n" + sentence);
}

void ControlsTest::linkTurnsVisitedAfterASuccessfulOpen()
{
    ScriptedLink link;
    link.SetURL(QStringLiteral("https://www.example.com/linkora/"));
    QCOMPARE(link.text(), QStringLiteral("https://www.example.com/linkora/"));
    QCOMPARE(link.toolTip(), QStringLiteral("https://www.example.com/linkora/"));
    QVERIFY(link.font().underline());
    QCOMPARE(link.currentColour(), CHyperLink::LinkColour());
    link.show();
    QVERIFY(QTest::qWaitForWindowExposed(&link));

    QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(3, 3));
    QVERIFY(link.GetVisited());
    QVERIFY(link.reported.isEmpty());
    if (link.pointerOver()) {
        QCOMPARE(link.currentColour(), link.palette().color(QPalette::Active, QPalette::Highlight));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&link, &leave);
    }
    QCOMPARE(link.currentColour(), CHyperLink::VisitedColour());
    QCOMPARE(link.palette().color(QPalette::WindowText), CHyperLink::VisitedColour());
}

void ControlsTest::failedOpenIsReported()
{
    ScriptedLink link;
    link.SetURL(QStringLiteral("https://www.example.com/linkora/"));
    link.answer = 26;
    QCOMPARE(link.GotoURL(), 26);
    QCOMPARE(link.reported, QList<int>{26});
    QVERIFY(!link.GetVisited());
    link.answer = 32; // 32 is still a failure
    link.GotoURL();
    QCOMPARE(link.reported, (QList<int>{26, 32}));
}

QTEST_MAIN(ControlsTest)
#include "ControlsTest.moc"
