#pragma once
// The message boxes the user sees.

#include "MessageBoxes.h"

class SystemMessageBoxes : public MessageBoxes {
public:
    void Show(QWidget* owner, const QString& text, const QString& caption, teedesk::MessageIcon icon) override;
    bool Ask(QWidget* owner, const QString& text, const QString& caption) override;
};
