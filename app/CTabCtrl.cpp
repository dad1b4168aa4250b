#include "CTabCtrl.h"

#include "CTabBar.h"

#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>

CTabCtrl::CTabCtrl(QWidget* parent) : QWidget(parent), m_bar(new CTabBar(this))
{
    connect(m_bar, &QTabBar::currentChanged, this, &CTabCtrl::OnBarChanged);
    PlaceBar();
}

void CTabCtrl::SetItemSize(QSize size)
{
    m_bar->SetItemSize(size);
    PlaceBar();
}

int CTabCtrl::InsertItem(int index, const QString& caption)
{
    const QSignalBlocker quiet(m_bar);
    const int inserted = m_bar->insertTab(index, caption);
    m_nCurSel = m_bar->currentIndex();
    PlaceBar();
    return inserted;
}

int CTabCtrl::GetItemCount() const { return m_bar->count(); }

void CTabCtrl::SetCurSel(int index)
{
    const QSignalBlocker quiet(m_bar);
    m_bar->setCurrentIndex(index);
    m_nCurSel = m_bar->currentIndex();
}

void CTabCtrl::OnBarChanged(int index)
{
    // Every way of changing the item (click, keys, wheel) ends here; a refused change is
    // put back before anything is painted, so neither the item nor the page moves.
    if (selectionChanging && selectionChanging()) {
        const QSignalBlocker quiet(m_bar);
        m_bar->setCurrentIndex(m_nCurSel);
        return;
    }
    m_nCurSel = index;
    emit selectionChanged(index);
}

void CTabCtrl::PlaceBar()
{
    const QSize hint = m_bar->sizeHint();
    m_bar->setGeometry(2, 0, qMin(hint.width(), width() - 4), hint.height());
    update();
}

void CTabCtrl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlaceBar();
}

void CTabCtrl::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        PlaceBar();
}

QColor CTabCtrl::PanelColour() const
{
    QImage sample(64, 64, QImage::Format_RGB32);
    sample.fill(palette().color(QPalette::Window));
    QPainter painter(&sample);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    frame.rect = sample.rect();
    frame.shape = QTabBar::RoundedNorth;
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
    painter.end();
    return sample.pixelColor(32, 32);
}

void CTabCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
    const int top = m_bar->geometry().bottom() + 1 - overlap;
    frame.rect = QRect(0, top, width(), height() - top);
    frame.shape = QTabBar::RoundedNorth;
    frame.tabBarSize = m_bar->size();
    frame.tabBarRect = m_bar->geometry();
    frame.selectedTabRect = m_bar->tabRect(m_bar->currentIndex()).translated(m_bar->pos());
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
}
