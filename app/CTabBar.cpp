#include "CTabBar.h"

CTabBar::CTabBar(QWidget* parent) : QTabBar(parent)
{
    setDrawBase(false); // the page strip draws the frame
    setExpanding(false);
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideNone);
}

void CTabBar::SetItemSize(QSize size)
{
    m_itemSize = size;
    updateGeometry();
    adjustSize();
}

QSize CTabBar::tabSizeHint(int index) const
{
    QSize size = QTabBar::tabSizeHint(index);
    if (m_itemSize.isValid())
        size = QSize(qMax(size.width(), m_itemSize.width()), m_itemSize.height());
    return size;
}
