#include "RecordedMessageBoxes.h"

void RecordedMessageBoxes::Show(QWidget* owner, const QString& text, const QString& caption,
                                teedesk::MessageIcon icon)
{
    m_messages.append({owner, text, caption, icon});
    if (whileShown)
        whileShown(m_messages.last());
}
