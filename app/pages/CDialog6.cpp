#include "CDialog6.h"

CDialog6::CDialog6(QWidget* parent) : QWidget(parent) {}
