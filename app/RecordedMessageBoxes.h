#pragma once
// Message boxes that are closed as soon as they are shown and only noted, for tests and the
// screenshot run.

#include "MessageBoxes.h"

#include <QList>
#include <functional>

class RecordedMessageBoxes : public MessageBoxes {
public:
    struct Message {
        QWidget* owner = nullptr;
        QString text;
        QString caption;
        teedesk::MessageIcon icon = teedesk::MessageIcon::None;
    };

    void Show(QWidget* owner, const QString& text, const QString& caption, teedesk::MessageIcon icon) override;
    // Noted apart from the messages, and answered with `answer`.
    bool Ask(QWidget* owner, const QString& text, const QString& caption) override;

    const QList<Message>& messages() const { return m_messages; }
    const QList<Message>& questions() const { return m_questions; }
    bool answer = false;
    void Clear()
    {
        m_messages.clear();
        m_questions.clear();
    }

    // Runs while the box would be up, after it has been noted.
    std::function<void(const Message&)> whileShown;

private:
    QList<Message> m_messages;
    QList<Message> m_questions;
};
