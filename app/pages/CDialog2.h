#pragma once
// The course data page of the main window's page strip.

#include <QWidget>

class CDialog2 : public QWidget {
    Q_OBJECT

public:
    explicit CDialog2(QWidget* parent = nullptr);
};
