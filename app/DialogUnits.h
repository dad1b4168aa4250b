#pragma once
// Dialog layouts are given in dialog units of their font. One horizontal unit is a quarter of
// the font's average character width and one vertical unit an eighth of its height; with the
// dialog font's 7 x 16 pixel base, the main template's 415 x 159 units come to the 726 x 318
// pixels that hold the main window's pixel layout (tab strip to x 711, progress bar to y 295).

#include <QRect>
#include <QSize>

constexpr int kDialogBaseWidth = 7;   // pixels per 4 horizontal units
constexpr int kDialogBaseHeight = 16; // pixels per 8 vertical units

// Rounded to the nearest pixel, halves away from zero.
int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);
QRect DialogUnitsToPixels(int x, int y, int width, int height);
QSize DialogUnitsToPixels(QSize units);
