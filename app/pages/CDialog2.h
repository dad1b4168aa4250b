#pragma once
// The course data page: builds the course image for the connected watch from a course
// source file and writes it.

#include "TransferPage.h"

class CDialog2 : public TransferPage {
    Q_OBJECT

public:
    static const TransferPageValues kValues;

    explicit CDialog2(QWidget* parent = nullptr);

    QString coursePath() const { return m_szCoursePath; }

    static QList<FileFilter> Filters();

protected:
    void OnStart() override;

private:
    QString m_szCoursePath;
};
