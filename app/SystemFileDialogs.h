#pragma once
// The file dialogs the user sees.

#include "FileDialogs.h"

class SystemFileDialogs : public FileDialogs {
public:
    std::optional<QString> GetOpenFileName(QWidget* owner, const QString& title,
                                           const QList<FileFilter>& filters) override;
    std::optional<QString> GetSaveFileName(QWidget* owner, const QString& presetName,
                                           const QList<FileFilter>& filters) override;

    // The name filters as the dialog takes them: the description as shown, then the patterns
    // split into single ones, which the dialog hides.
    static QStringList NameFilters(const QList<FileFilter>& filters);
};
