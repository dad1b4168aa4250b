#include "DialogUnits.h"

namespace {

int Scaled(int units, int base, int unitsPerBase)
{
    const int numerator = units * base;
    const int half = unitsPerBase / 2;
    return numerator >= 0 ? (numerator + half) / unitsPerBase : -((-numerator + half) / unitsPerBase);
}

} // namespace

int DialogUnitsToPixelsX(int units) { return Scaled(units, kDialogBaseWidth, 4); }
int DialogUnitsToPixelsY(int units) { return Scaled(units, kDialogBaseHeight, 8); }

QRect DialogUnitsToPixels(int x, int y, int width, int height)
{
    return QRect(DialogUnitsToPixelsX(x), DialogUnitsToPixelsY(y), DialogUnitsToPixelsX(width),
                 DialogUnitsToPixelsY(height));
}

QSize DialogUnitsToPixels(QSize units)
{
    return QSize(DialogUnitsToPixelsX(units.width()), DialogUnitsToPixelsY(units.height()));
}
