#pragma once
// File dialogs that answer from a list at once and note how they were asked, for tests and
// the screenshot run.

#include "FileDialogs.h"

#include <deque>

class ScriptedFileDialogs : public FileDialogs {
public:
    struct Call {
        bool save = false;
        QWidget* owner = nullptr;
        QString titleOrPreset; // the title of an open dialog, the preset name of a save dialog
        QList<FileFilter> filters;
    };

    // The next dialog's answer; nothing = cancelled. A dialog with no answer left is cancelled.
    void Answer(const std::optional<QString>& path) { m_answers.push_back({path.has_value(), path.value_or(QString())}); }

    const QList<Call>& calls() const { return m_calls; }
    void ClearCalls() { m_calls.clear(); }

    std::optional<QString> GetOpenFileName(QWidget* owner, const QString& title,
                                           const QList<FileFilter>& filters) override;
    std::optional<QString> GetSaveFileName(QWidget* owner, const QString& presetName,
                                           const QList<FileFilter>& filters) override;

private:
    std::optional<QString> Next();

    struct Answered {
        bool given;
        QString path;
    };
    std::deque<Answered> m_answers;
    QList<Call> m_calls;
};
