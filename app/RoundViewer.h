#pragma once
// A window over the rounds of one play data CSV file: the sessions, the picture of the chosen
// one and its shot distances. The picture is drawn with QPainter from the same layout the
// SVG export uses (RoundPlot in the core).

#include "Round.h"
#include "RoundPlot.h"

#include <QString>
#include <QWidget>

#include <functional>

class QPainter;
class QTableWidget;
class QTabWidget;
class RoundPictureView;

class RoundViewer : public QWidget {
    Q_OBJECT

public:
    static const char* const kTextOfferViewer;

    // `parent` keeps the viewer; it is a window of its own either way.
    RoundViewer(teedesk::RoundFile rounds, const QString& csvPath, QWidget* parent = nullptr);
    ~RoundViewer() override;

    const teedesk::RoundFile& rounds() const { return m_rounds; }
    QTableWidget* sessionList() const { return m_sessionList; }
    QTableWidget* distanceTable() const { return m_distanceTable; }
    QTableWidget* clubTable() const { return m_clubTable; }
    QWidget* pictureView() const;
    // The layout drawn now; empty before a session is chosen.
    const teedesk::RoundPicture& picture() const;

    // Row of the session list; -1 when none is chosen.
    int currentRow() const;
    void SelectRow(int row);

private:
    void ShowSession(int row);

    teedesk::RoundFile m_rounds;
    QTableWidget* m_sessionList = nullptr;
    RoundPictureView* m_picture = nullptr;
    QTabWidget* m_tables = nullptr;
    QTableWidget* m_distanceTable = nullptr;
    QTableWidget* m_clubTable = nullptr;
};

// Draws the layout at its own coordinates.
void PaintRoundPicture(QPainter& painter, const teedesk::RoundPicture& picture);

// Asks a yes-or-no question; true for Yes. The window asks through its message boxes.
using RoundViewerQuestion = std::function<bool(QWidget* owner, const QString& text)>;

// After an import: when the file holds at least one session, asks whether to show it and opens
// the viewer on Yes. Returns the viewer, or null when nothing was opened.
RoundViewer* OfferRoundViewer(QWidget* page, const QString& csvPath, const RoundViewerQuestion& ask);
