#include "HyperLinkFallback.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>
#include <QTextStream>

QString BrowserCommandLine(const QString& registeredCommand, const QString& address)
{
    QString command = registeredCommand;
    qsizetype cut = command.indexOf(QStringLiteral("\"%1\""));
    if (cut < 0)
        cut = command.indexOf(QStringLiteral("%1"));
    if (cut >= 0)
        command.truncate(cut);
    return command + QLatin1Char(' ') + address;
}

QString HyperlinkErrorSentence(int result)
{
    switch (result) {
    case 0: return QStringLiteral("The operating system is out\nof memory or resources.");
    case 2: return QStringLiteral("The specified file was not found.");
    case 3: return QStringLiteral("The specified path was not found.");
    case 5: return QStringLiteral("The operating system denied\naccess to the specified file.");
    case 8: return QStringLiteral("There was not enough memory to complete the operation.");
    case 11: return QStringLiteral("The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
    case 26: return QStringLiteral("A sharing violation occurred. ");
    case 27: return QStringLiteral("The filename association is\nincomplete or invalid.");
    case 28: return QStringLiteral("The DDE transaction could not\nbe completed because the request timed out.");
    case 29: return QStringLiteral("The DDE transaction failed.");
    case 30:
        return QStringLiteral("The DDE transaction could not\nbe completed because other DDE transactions\n"
                              "were being processed.");
    case 31: return QStringLiteral("There is no application associated\nwith the given filename extension.");
    case 32: return QStringLiteral("The specified dynamic-link library was not found.");
    default: return QString::asprintf("Unknown Error (%d) occurred.", result);
    }
}

QString HyperlinkErrorText(int result)
{
    return QStringLiteral("Unable to open hyperlink:\n\n") + HyperlinkErrorSentence(result);
}

namespace {

// The value of `key` in section `section` of a desktop-style ini file.
QString IniValue(const QString& path, const QString& section, const QString& key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QTextStream in(&file);
    bool inSection = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inSection = line == QLatin1Char('[') + section + QLatin1Char(']');
        else if (inSection && line.startsWith(key + QLatin1Char('=')))
            return line.mid(key.size() + 1).trimmed();
    }
    return QString();
}

} // namespace

QString RegisteredBrowserCommand()
{
    // The default handler for web pages, as the desktop's mimeapps.list files record it.
    QStringList lists;
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        lists << dir + QStringLiteral("/mimeapps.list");
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation))
        lists << dir + QStringLiteral("/mimeapps.list");
    QString desktopId;
    for (const QString& list : lists) {
        for (const char* type : {"x-scheme-handler/http", "text/html"}) {
            desktopId = IniValue(list, QStringLiteral("Default Applications"), QString::fromLatin1(type))
                            .section(QLatin1Char(';'), 0, 0);
            if (!desktopId.isEmpty())
                break;
        }
        if (!desktopId.isEmpty())
            break;
    }
    if (desktopId.isEmpty())
        return QString();
    const QString entry = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, desktopId);
    if (entry.isEmpty())
        return QString();
    QString exec = IniValue(entry, QStringLiteral("Desktop Entry"), QStringLiteral("Exec"));
    // The file and address codes become the placeholder; the other field codes are dropped.
    exec.replace(QRegularExpression(QStringLiteral("%[uUfF]")), QStringLiteral("%1"));
    exec.remove(QRegularExpression(QStringLiteral("%[dDnNickvm]")));
    return exec.trimmed();
}
