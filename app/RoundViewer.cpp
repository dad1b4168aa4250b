#include "RoundViewer.h"

#include "RoundExport.h"
#include "RoundReader.h"
#include "RoundStats.h"

#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <charconv>
#include <span>

const char* const RoundViewer::kTextOfferViewer = "取り込んだプレーデータを表示しますか？";

namespace {

QColor ToQColor(const teedesk::PlotColour& colour) { return QColor(colour.red, colour.green, colour.blue); }

QString Utf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QString Metres(double value)
{
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1);
    return error == std::errc() ? QString::fromLatin1(text, end - text) : QStringLiteral("?");
}

QString Shown(const std::optional<std::string>& value)
{
    return value && !value->empty() ? Utf8(*value) : QStringLiteral("-");
}

QTableWidget* MakeTable(const QStringList& headers, QWidget* parent)
{
    auto* table = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->setVisible(false);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

void SetRow(QTableWidget* table, int row, const QStringList& cells, int rightAlignedFrom)
{
    for (int column = 0; column < cells.size(); ++column) {
        auto* item = new QTableWidgetItem(cells[column]);
        if (column >= rightAlignedFrom)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table->setItem(row, column, item);
    }
}

} // namespace

// The round's picture, laid out again for every size the widget takes.
class RoundPictureView : public QWidget {
public:
    explicit RoundPictureView(QWidget* parent) : QWidget(parent)
    {
        setMinimumSize(480, 360);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

    void SetSession(const teedesk::RoundSession* session)
    {
        m_session = session;
        LayOut();
    }

    const teedesk::RoundPicture& picture() const { return m_picture; }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        LayOut();
    }

    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        if (m_session)
            PaintRoundPicture(painter, m_picture);
        else
            painter.fillRect(rect(), palette().window());
    }

private:
    void LayOut()
    {
        m_picture = m_session ? teedesk::LayOutRound(*m_session, {static_cast<double>(width()), static_cast<double>(height())})
                              : teedesk::RoundPicture{};
        update();
    }

    const teedesk::RoundSession* m_session = nullptr;
    teedesk::RoundPicture m_picture;
};

void PaintRoundPicture(QPainter& painter, const teedesk::RoundPicture& picture)
{
    using teedesk::RoundPicture;
    painter.save();
    painter.fillRect(QRectF(0, 0, picture.width, picture.height), QColor(0xf4, 0xf7, 0xf0));

    QFont titleFont = painter.font();
    titleFont.setPixelSize(static_cast<int>(picture.titleSize));
    titleFont.setBold(true);
    QFont textFont = painter.font();
    textFont.setPixelSize(static_cast<int>(picture.textSize));
    QFont smallFont = textFont;
    smallFont.setPixelSize(static_cast<int>(picture.textSize) - 2);
    const QColor ink(0x20, 0x20, 0x20);

    painter.setFont(titleFont);
    painter.setPen(ink);
    painter.drawText(QPointF(picture.titleAt.x, picture.titleAt.y), Utf8(picture.title));

    for (const teedesk::PlotHole& hole : picture.holes) {
        QPainterPath path;
        for (const auto& run : hole.runs)
            for (size_t k = 0; k < run.size(); ++k) {
                if (k == 0)
                    path.moveTo(run[k].x, run[k].y);
                else
                    path.lineTo(run[k].x, run[k].y);
            }
        QPen pen(ToQColor(hole.colour), RoundPicture::kTrackWidth);
        pen.setJoinStyle(Qt::RoundJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }

    painter.setFont(smallFont);
    for (const teedesk::PlotMark& mark : picture.marks) {
        painter.setBrush(ToQColor(mark.colour));
        if (mark.putt) {
            painter.setPen(QPen(Qt::white, 1));
            const double half = RoundPicture::kPuttSide / 2;
            painter.drawRect(QRectF(mark.at.x - half, mark.at.y - half, RoundPicture::kPuttSide, RoundPicture::kPuttSide));
        } else {
            painter.setPen(QPen(Qt::white, 1.5));
            painter.drawEllipse(QPointF(mark.at.x, mark.at.y), RoundPicture::kShotRadius, RoundPicture::kShotRadius);
        }
        painter.setPen(ink);
        if (!mark.label.empty())
            painter.drawText(QPointF(mark.at.x + 6, mark.at.y - 5), Utf8(mark.label));
    }

    painter.setFont(textFont);
    for (const teedesk::PlotLegendEntry& entry : picture.legend) {
        painter.setPen(QPen(ToQColor(entry.colour), 4));
        painter.drawLine(QPointF(entry.at.x, entry.at.y - 4), QPointF(entry.at.x + RoundPicture::kSwatchLength, entry.at.y - 4));
        painter.setPen(ink);
        painter.drawText(QPointF(entry.at.x + RoundPicture::kSwatchLength + 6, entry.at.y), Utf8(entry.label));
    }

    if (picture.scale.length > 0) {
        const teedesk::PlotScaleBar& scale = picture.scale;
        painter.setPen(QPen(ink, 2));
        painter.setBrush(Qt::NoBrush);
        const QPointF points[] = {{scale.start.x, scale.start.y - 5},
                                  {scale.start.x, scale.start.y},
                                  {scale.start.x + scale.length, scale.start.y},
                                  {scale.start.x + scale.length, scale.start.y - 5}};
        painter.drawPolyline(points, 4);
        painter.drawText(QPointF(scale.start.x + scale.length + 6, scale.start.y), Utf8(scale.label));
    }
    if (picture.northLength > 0) {
        const teedesk::PlotPoint tip = picture.northAt;
        const double length = picture.northLength;
        const QPointF arrow[] = {{tip.x, tip.y}, {tip.x + 6, tip.y + length}, {tip.x, tip.y + length - 6}, {tip.x - 6, tip.y + length}};
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        painter.drawPolygon(arrow, 4);
        painter.setPen(ink);
        const QRectF below(tip.x - 20, tip.y + length + 2, 40, picture.textSize + 4);
        painter.drawText(below, Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("N"));
    }
    if (!picture.emptyText.empty()) {
        painter.setPen(QColor(0x60, 0x60, 0x60));
        const QRectF around(picture.emptyAt.x - 200, picture.emptyAt.y - picture.textSize, 400, 2 * picture.textSize);
        painter.drawText(around, Qt::AlignCenter, Utf8(picture.emptyText));
    }
    painter.restore();
}

RoundViewer::RoundViewer(teedesk::RoundFile rounds, const QString& csvPath, QWidget* parent)
    : QWidget(parent, Qt::Window), m_rounds(std::move(rounds))
{
    setWindowTitle(QStringLiteral("プレーデータ - %1").arg(csvPath));
    resize(1180, 720);

    m_sessionList = MakeTable({QStringLiteral("日時"), QStringLiteral("ゴルフ場"), QStringLiteral("ホール")}, this);
    m_sessionList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_sessionList->setRowCount(static_cast<int>(m_rounds.sessions.size()));
    for (int row = 0; row < m_sessionList->rowCount(); ++row) {
        const teedesk::RoundSession& session = m_rounds.sessions[static_cast<size_t>(row)];
        std::string when = teedesk::IsoLocalTime(session.start).substr(0, 16);
        when[10] = ' ';
        SetRow(m_sessionList, row,
               {Utf8(when), Utf8(session.golfCourseName), QString::number(teedesk::HolesInPlayOrder(session).size())}, 2);
    }
    m_sessionList->resizeColumnsToContents();

    m_picture = new RoundPictureView(this);
    m_distanceTable = MakeTable({QStringLiteral("ホール"), QStringLiteral("打"), QStringLiteral("クラブ"),
                                 QStringLiteral("ライ"), QStringLiteral("距離 (m)")},
                                this);
    m_clubTable = MakeTable({QStringLiteral("クラブ"), QStringLiteral("回数"), QStringLiteral("平均 (m)"),
                             QStringLiteral("最長 (m)")},
                            this);
    m_tables = new QTabWidget(this);
    m_tables->addTab(m_distanceTable, QStringLiteral("距離"));
    m_tables->addTab(m_clubTable, QStringLiteral("クラブ"));

    auto* left = new QSplitter(Qt::Vertical, this);
    left->addWidget(m_sessionList);
    left->addWidget(m_tables);
    left->setStretchFactor(0, 1);
    left->setStretchFactor(1, 3);
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(left);
    split->addWidget(m_picture);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    split->setSizes({440, 740});
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(split);

    connect(m_sessionList, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int, int) { ShowSession(row); });
    if (m_sessionList->rowCount() > 0)
        SelectRow(0);
}

RoundViewer::~RoundViewer() = default;

QWidget* RoundViewer::pictureView() const { return m_picture; }

const teedesk::RoundPicture& RoundViewer::picture() const { return m_picture->picture(); }

int RoundViewer::currentRow() const { return m_sessionList->currentRow(); }

void RoundViewer::SelectRow(int row) { m_sessionList->setCurrentCell(row, 0); }

void RoundViewer::ShowSession(int row)
{
    const bool valid = row >= 0 && row < static_cast<int>(m_rounds.sessions.size());
    const teedesk::RoundSession* session = valid ? &m_rounds.sessions[static_cast<size_t>(row)] : nullptr;
    m_picture->SetSession(session);
    m_distanceTable->setRowCount(0);
    m_clubTable->setRowCount(0);
    if (!session)
        return;

    const teedesk::SessionDistances distances = teedesk::MeasureSession(*session);
    for (const teedesk::HoleDistances& hole : distances.holes)
        for (const teedesk::MarkDistance& distance : hole.marks) {
            const teedesk::RoundMark& mark = *distance.mark;
            const int at = m_distanceTable->rowCount();
            m_distanceTable->insertRow(at);
            SetRow(m_distanceTable, at,
                   {Utf8(hole.label), (mark.putt ? QStringLiteral("P") : QStringLiteral("S")) + QString::number(mark.additionalNumber),
                    Shown(mark.club), Shown(mark.lie), distance.metres ? Metres(*distance.metres) : QStringLiteral("-")},
                   4);
        }
    for (const teedesk::ClubSummary& club : teedesk::SummariseClubs(std::span(&distances, 1))) {
        const int at = m_clubTable->rowCount();
        m_clubTable->insertRow(at);
        SetRow(m_clubTable, at,
               {Utf8(club.club), QString::number(club.count), Metres(club.averageMetres), Metres(club.longestMetres)}, 1);
    }
    m_distanceTable->resizeColumnsToContents();
    m_clubTable->resizeColumnsToContents();
}

RoundViewer* OfferRoundViewer(QWidget* page, const QString& csvPath, const RoundViewerQuestion& ask)
{
    teedesk::RoundFile rounds;
    std::string error;
    // A file that reads back to nothing has nothing to show; the import said what there was to say.
    if (!teedesk::ReadRoundFile(QFile::encodeName(csvPath).toStdString(), rounds, error) || rounds.sessions.empty())
        return nullptr;
    if (!ask(page, QString::fromUtf8(RoundViewer::kTextOfferViewer)))
        return nullptr;
    auto* viewer = new RoundViewer(std::move(rounds), csvPath, page ? page->window() : nullptr);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->show();
    return viewer;
}

