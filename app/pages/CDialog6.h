#pragma once
// The play data page of the main window's page strip.

#include <QWidget>

class CDialog6 : public QWidget {
    Q_OBJECT

public:
    explicit CDialog6(QWidget* parent = nullptr);
};
