#pragma once
// The fonts of the window: "MS UI gothic" by name, with the Japanese Gothic faces Debian
// ships standing in for it where it is not installed.

#include <QFont>

// Registers the stand-ins once; UiFont does it on first use.
void InstallFontSubstitutions();
QFont UiFont(int pixelSize, QFont::Weight weight = QFont::Normal);
