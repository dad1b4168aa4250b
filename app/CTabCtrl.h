#pragma once
// The page strip of the main window: a row of tab items over a frame, with the pages as
// children placed by the owner. A change of item can be refused before it happens.

#include <QWidget>
#include <functional>

class CTabBar;

class CTabCtrl : public QWidget {
    Q_OBJECT

public:
    explicit CTabCtrl(QWidget* parent = nullptr);

    void SetItemSize(QSize size);
    int InsertItem(int index, const QString& caption);
    int GetItemCount() const;
    int GetCurSel() const { return m_nCurSel; }
    // Selects without asking the veto and without the change notice, as a program does.
    void SetCurSel(int index);
    QRect GetClientRect() const { return rect(); }
    CTabBar* tabBar() const { return m_bar; }
    // The colour the style fills the page area with.
    QColor PanelColour() const;

    // Asked before every change the user makes; true refuses it.
    std::function<bool()> selectionChanging;

signals:
    void selectionChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void OnBarChanged(int index);
    void PlaceBar();

    CTabBar* m_bar;
    int m_nCurSel = -1;
};
