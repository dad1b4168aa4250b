#pragma once
// The modal message boxes of the pages, behind a small interface so that tests answer them
// without a window.

#include "TransferHost.h"

#include <QString>

class QWidget;

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;

    // One OK button; returns once the box has been closed.
    virtual void Show(QWidget* owner, const QString& text, const QString& caption, teedesk::MessageIcon icon) = 0;
    // Yes and No buttons; true for Yes.
    virtual bool Ask(QWidget* owner, const QString& text, const QString& caption) = 0;
};
