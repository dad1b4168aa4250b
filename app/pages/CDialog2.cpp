#include "CDialog2.h"

CDialog2::CDialog2(QWidget* parent) : QWidget(parent) {}
