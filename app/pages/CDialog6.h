#pragma once
// The play data page: counts the sessions on the watch, asks where the CSV file goes and
// imports every session into it.

#include "TransferPage.h"

#include <cstdint>

class CDialog6 : public TransferPage {
    Q_OBJECT

public:
    static const TransferPageValues kValues;
    static const char* const kTextNoPlayData;

    explicit CDialog6(QWidget* parent = nullptr);

    QString csvPath() const { return m_strCsvPath; }
    uint32_t sessionCount() const { return m_nSessionCount; }

    static QList<FileFilter> Filters();

signals:
    // On this thread once an import has ended; `completed` when the completion text was shown.
    void importFinished(QString csvPath, bool completed);

protected:
    void OnStart() override;

private:
    QString m_strCsvPath;
    uint32_t m_nSessionCount = 0;
};
