#include "CDialog1.h"

CDialog1::CDialog1(QWidget* parent) : QWidget(parent) {}
