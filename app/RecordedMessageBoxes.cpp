#include "RecordedMessageBoxes.h"

void RecordedMessageBoxes::Show(QWidget* owner, const QString& text, const QString& caption,
                                teedesk::MessageIcon icon)
{
    m_messages.append({owner, text, caption, icon});
    if (whileShown)
        whileShown(m_messages.last());
}

bool RecordedMessageBoxes::Ask(QWidget* owner, const QString& text, const QString& caption)
{
    m_questions.append({owner, text, caption, teedesk::MessageIcon::None});
    return answer;
}
