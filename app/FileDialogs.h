#pragma once
// The file dialogs of the operation pages, behind a small interface so that tests and the
// screenshot run answer them without a window.

#include <QList>
#include <QString>
#include <optional>

class QWidget;

// One entry of a dialog's type list: the text shown and its patterns ("*.gof, *.gol").
struct FileFilter {
    QString description;
    QString patterns;

    bool operator==(const FileFilter&) const = default;
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;

    // An existing folder is required; the file itself need not exist. Nothing when cancelled.
    virtual std::optional<QString> GetOpenFileName(QWidget* owner, const QString& title,
                                                   const QList<FileFilter>& filters) = 0;
    // Starts with `presetName`; an existing file is replaced without a question and no
    // extension is added. Nothing when cancelled.
    virtual std::optional<QString> GetSaveFileName(QWidget* owner, const QString& presetName,
                                                   const QList<FileFilter>& filters) = 0;
};
