#include "CTextProgressCtrl.h"

#include "Pictures.h"
#include "UiFont.h"

#include <QPainter>

CTextProgressCtrl::CTextProgressCtrl(QWidget* parent)
    : QWidget(parent),
      // Over the track the highlight colour; over the bar the window (edit field) colour.
      m_crTrackText(palette().color(QPalette::Active, QPalette::Highlight)),
      m_crBarText(palette().color(QPalette::Active, QPalette::Base)),
      m_bar(Picture(154)),
      m_track(Picture(156)),
      m_font(UiFont(16, QFont::Bold))
{
    // Every paint covers the whole control, and Qt's backing store already paints off-screen
    // and shows the result in one step, so there is nothing to erase and nothing flickers.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CTextProgressCtrl::SetRange(int lower, int upper)
{
    if (lower >= upper)
        return; // the range must stay non-empty: positions are divided by it
    m_nMin = lower;
    m_nMax = upper;
    update();
}

int CTextProgressCtrl::FilledWidth(int position) const
{
    const double fraction = double(position - m_nMin) / double(m_nMax - m_nMin);
    return static_cast<int>(fraction * width());
}

int CTextProgressCtrl::SetPos(int position)
{
    const int previous = m_nPos;
    m_nPos = position;
    const int filled = FilledWidth(position);
    if (filled != m_nBarWidth) {
        m_nBarWidth = filled;
        repaint();
    }
    return previous;
}

void CTextProgressCtrl::setText(const QString& text)
{
    if (text == m_strText)
        return;
    m_strText = text;
    update();
}

QString CTextProgressCtrl::displayText() const
{
    if (!m_strText.isEmpty())
        return m_strText;
    if (m_nPos == m_nMin)
        return QString();
    // In integers: 0.29 * 100 in floating point truncates to 28.
    const long long percent = (static_cast<long long>(m_nPos) - m_nMin) * 100 / (static_cast<long long>(m_nMax) - m_nMin);
    return QString::asprintf("%d%%", static_cast<int>(percent));
}

void CTextProgressCtrl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_nBarWidth = -1;
}

void CTextProgressCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect client = rect();
    const int filled = qBound(0, FilledWidth(m_nPos), client.width());
    const int x = client.left() + filled;
    const QRect barPart(client.left(), client.top(), filled, client.height());
    const QRect trackPart(x, client.top(), client.right() + 1 - x, client.height());

    if (client.width() > m_track.width() || client.height() > m_track.height())
        painter.fillRect(client, palette().window()); // beyond the images
    // Both images are drawn unstretched; the track from the same x, so it lines up.
    painter.drawPixmap(barPart.topLeft(), m_bar, QRect(0, 0, barPart.width(), barPart.height()));
    painter.drawPixmap(trackPart.topLeft(), m_track, QRect(x - client.left(), 0, trackPart.width(), trackPart.height()));

    const QString text = displayText();
    if (text.isEmpty())
        return;
    painter.setFont(m_font);
    const int flags = Qt::AlignCenter | Qt::TextSingleLine;
    painter.setClipRect(barPart);
    painter.setPen(m_crBarText);
    painter.drawText(client, flags, text);
    painter.setClipRect(trackPart);
    painter.setPen(m_crTrackText);
    painter.drawText(client, flags, text);
}
