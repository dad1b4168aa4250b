#include "SystemFileDialogs.h"

#include <QFileDialog>
#include <QRegularExpression>

namespace {

std::optional<QString> Run(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

} // namespace

QStringList SystemFileDialogs::NameFilters(const QList<FileFilter>& filters)
{
    // "*.gof, *.gol" would otherwise give the pattern "*.gof," that matches no file.
    static const QRegularExpression separators(QStringLiteral("[,;\\s]+"));
    QStringList nameFilters;
    for (const FileFilter& filter : filters)
        nameFilters << QStringLiteral("%1 (%2)").arg(
            filter.description, filter.patterns.split(separators, Qt::SkipEmptyParts).join(QLatin1Char(' ')));
    return nameFilters;
}

std::optional<QString> SystemFileDialogs::GetOpenFileName(QWidget* owner, const QString& title,
                                                          const QList<FileFilter>& filters)
{
    QFileDialog dialog(owner, title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile); // a typed name that does not exist is taken
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(NameFilters(filters));
    return Run(dialog);
}

std::optional<QString> SystemFileDialogs::GetSaveFileName(QWidget* owner, const QString& presetName,
                                                          const QList<FileFilter>& filters)
{
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(NameFilters(filters));
    dialog.selectFile(presetName);
    return Run(dialog);
}
