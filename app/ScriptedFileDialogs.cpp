#include "ScriptedFileDialogs.h"

std::optional<QString> ScriptedFileDialogs::Next()
{
    if (m_answers.empty())
        return std::nullopt;
    const Answered answer = m_answers.front();
    m_answers.pop_front();
    if (!answer.given)
        return std::nullopt;
    return answer.path;
}

std::optional<QString> ScriptedFileDialogs::GetOpenFileName(QWidget* owner, const QString& title,
                                                            const QList<FileFilter>& filters)
{
    m_calls.append({false, owner, title, filters});
    return Next();
}

std::optional<QString> ScriptedFileDialogs::GetSaveFileName(QWidget* owner, const QString& presetName,
                                                            const QList<FileFilter>& filters)
{
    m_calls.append({true, owner, presetName, filters});
    return Next();
}
