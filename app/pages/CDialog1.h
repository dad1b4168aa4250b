#pragma once
// The firmware update page of the main window's page strip.

#include <QWidget>

class CDialog1 : public QWidget {
    Q_OBJECT

public:
    explicit CDialog1(QWidget* parent = nullptr);
};
