#pragma once
// The row of tab items of the main window's page strip, with a fixed item height.

#include <QSize>
#include <QTabBar>

class CTabBar : public QTabBar {
    Q_OBJECT

public:
    explicit CTabBar(QWidget* parent = nullptr);

    // Items are this high and at least this wide; wider when the caption needs it.
    void SetItemSize(QSize size);

protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }

private:
    QSize m_itemSize;
};
