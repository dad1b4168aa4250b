#pragma once
// The progress bar of the main window: a green bar over a grey track and, centred on top,
// either the text the pages set or the percentage, in one colour over the bar and another
// over the track.

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <QWidget>

class CTextProgressCtrl : public QWidget {
    Q_OBJECT

public:
    explicit CTextProgressCtrl(QWidget* parent = nullptr);

    void SetRange(int lower, int upper);
    // Stores the position as given (no clamping) and returns the previous one. Repaints at
    // once, but only when the filled width in pixels changes.
    int SetPos(int position);
    int GetPos() const { return m_nPos; }

    // A text replaces the percentage until it is cleared again.
    void setText(const QString& text);
    QString text() const { return m_strText; }

    // What the next paint shows in the middle: the text, the percentage or nothing.
    QString displayText() const;

    QSize sizeHint() const override { return QSize(510, 25); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int FilledWidth(int position) const;

    int m_nPos = 0;
    int m_nMin = 0;
    int m_nMax = 100;
    QString m_strText;
    int m_nBarWidth = -1; // at the last position change; -1 = unknown
    QColor m_crTrackText;
    QColor m_crBarText;
    QPixmap m_bar;
    QPixmap m_track;
    QFont m_font;
};
