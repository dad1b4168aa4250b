#include "FirstPaintHook.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

FirstPaintHook::FirstPaintHook(QWidget& widget, std::function<void()> action)
    : QObject(&widget), m_action(std::move(action))
{
    widget.installEventFilter(this);
}

bool FirstPaintHook::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_bDone && event->type() == QEvent::Paint) {
        m_bDone = true;
        // After this paint has reached the screen.
        QTimer::singleShot(0, this, [this] { m_action(); });
    }
    return QObject::eventFilter(watched, event);
}
