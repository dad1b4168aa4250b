#include "SystemMessageBoxes.h"

#include <QMessageBox>

void SystemMessageBoxes::Show(QWidget* owner, const QString& text, const QString& caption, teedesk::MessageIcon icon)
{
    QMessageBox::Icon shown = QMessageBox::NoIcon;
    switch (icon) {
    case teedesk::MessageIcon::None: shown = QMessageBox::NoIcon; break;
    case teedesk::MessageIcon::Error: shown = QMessageBox::Critical; break;
    case teedesk::MessageIcon::Exclamation: shown = QMessageBox::Warning; break;
    }
    QMessageBox box(shown, caption, text, QMessageBox::Ok, owner);
    box.exec();
}

bool SystemMessageBoxes::Ask(QWidget* owner, const QString& text, const QString& caption)
{
    return QMessageBox::question(owner, caption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
           QMessageBox::Yes;
}
