#pragma once
// Runs an action once, from the event loop, right after a widget has painted for the first
// time: the moment the window is on the screen.

#include <QObject>
#include <functional>

class FirstPaintHook : public QObject {
    Q_OBJECT

public:
    FirstPaintHook(QWidget& widget, std::function<void()> action);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> m_action;
    bool m_bDone = false;
};
