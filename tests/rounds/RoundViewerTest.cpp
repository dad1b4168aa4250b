// The round viewer on the offscreen platform: the offer after an import, the session list and
// the picture and distances of the chosen session.

#include "DeviceModel.h"
#include "RoundViewer.h"
#include "RoundsTestSupport.h"
#include "TempDir.h"

#include <QImage>
#include <QTableWidget>
#include <QtTest>

#include <set>

using namespace teedesk;

class RoundViewerTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_folder = std::make_unique<test::TempDir>();
        m_page = std::make_unique<QWidget>();
        m_asked = 0;
    }
    void cleanup()
    {
        m_page.reset();
        m_folder.reset();
    }

    void asksAndOpensOnlyOnYes()
    {
        const QString path = Write("round.csv", test::SimulatedCsv(kModelBandA, 3, 17));
        QCOMPARE(OfferRoundViewer(m_page.get(), path, Answer(false)), nullptr);
        QCOMPARE(m_asked, 1);
        QCOMPARE(m_question, QStringLiteral("取り込んだプレーデータを表示しますか？"));

        RoundViewer* viewer = OfferRoundViewer(m_page.get(), path, Answer(true));
        QVERIFY(viewer);
        QCOMPARE(m_asked, 2);
        QVERIFY(viewer->isVisible());
        QVERIFY(viewer->isWindow());
        QCOMPARE(viewer->parentWidget(), m_page.get());
    }

    void nothingToShowMeansNoQuestion_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("no sessions") << QByteArray("\xEF\xBB\xBF\"bandA\"\n");
        QTest::newRow("not ours") << QByteArray("shopping list\n");
        QTest::newRow("empty") << QByteArray();
    }
    void nothingToShowMeansNoQuestion()
    {
        QFETCH(QByteArray, content);
        const QString path = Write("round.csv", content.toStdString());
        QCOMPARE(OfferRoundViewer(m_page.get(), path, Answer(true)), nullptr);
        QCOMPARE(OfferRoundViewer(m_page.get(), m_folder->File("missing.csv").c_str(), Answer(true)), nullptr);
        QCOMPARE(m_asked, 0);
    }

    void listsSessionsAndShowsTheChosenOne()
    {
        const std::string csv = test::SimulatedCsv(kModelBandA, 3, 17);
        const RoundFile rounds = test::ReadOrFail(csv);
        RoundViewer viewer(rounds, QStringLiteral("round.csv"));
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));

        QTableWidget* list = viewer.sessionList();
        QCOMPARE(list->rowCount(), 3);
        for (int row = 0; row < 3; ++row) {
            const RoundSession& session = rounds.sessions[static_cast<size_t>(row)];
            QCOMPARE(list->item(row, 1)->text(), QString::fromStdString(session.golfCourseName));
            QCOMPARE(list->item(row, 2)->text(), QStringLiteral("18"));
            QVERIFY(list->item(row, 0)->text().startsWith(QString::number(session.start.year)));
        }
        QCOMPARE(viewer.currentRow(), 0);
        QCOMPARE(viewer.picture().holes.size(), size_t{18});

        viewer.SelectRow(2);
        const RoundSession& third = rounds.sessions[2];
        QCOMPARE(viewer.picture().title, RoundTitle(third));
        QCOMPARE(viewer.picture().marks.size(), third.marks.size());
        QCOMPARE(viewer.distanceTable()->rowCount(), static_cast<int>(third.marks.size()));
        QVERIFY(viewer.clubTable()->rowCount() > 0);
        QCOMPARE(viewer.clubTable()->item(0, 0)->text(), QStringLiteral("1W"));

        // The picture is laid out for the widget's size and actually painted in the holes' colours.
        QCOMPARE(viewer.picture().width, static_cast<double>(viewer.pictureView()->width()));
        const QImage image = viewer.pictureView()->grab().toImage();
        std::set<QRgb> trackColours;
        for (const PlotHole& hole : viewer.picture().holes)
            trackColours.insert(qRgb(hole.colour.red, hole.colour.green, hole.colour.blue));
        int trackPixels = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                trackPixels += trackColours.count(image.pixel(x, y) | 0xFF000000u) ? 1 : 0;
        QVERIFY2(trackPixels > 200, qPrintable(QString::number(trackPixels)));
    }

    void aSessionWithoutPositionsShowsAnEmptyPicture()
    {
        const RoundFile rounds = test::ReadOrFail(test::CsvOf(kModelPin, {std::vector<uint8_t>(272 + 32, 0)}));
        RoundViewer viewer(rounds, QStringLiteral("empty.csv"));
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QCOMPARE(viewer.sessionList()->rowCount(), 1);
        QVERIFY(viewer.picture().holes.empty());
        QCOMPARE(viewer.picture().emptyText, std::string("No positions recorded"));
        QCOMPARE(viewer.distanceTable()->rowCount(), 0);
        QVERIFY(!viewer.pictureView()->grab().isNull());
    }

private:
    QString Write(const char* name, const std::string& content)
    {
        test::WriteText(m_folder->File(name), content);
        return QString::fromStdString(m_folder->File(name));
    }

    RoundViewerQuestion Answer(bool yes)
    {
        return [this, yes](QWidget*, const QString& text) {
            ++m_asked;
            m_question = text;
            return yes;
        };
    }

    std::unique_ptr<test::TempDir> m_folder;
    std::unique_ptr<QWidget> m_page;
    int m_asked = 0;
    QString m_question;
};

QTEST_MAIN(RoundViewerTest)
#include "RoundViewerTest.moc"
