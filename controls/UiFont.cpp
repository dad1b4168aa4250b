#include "UiFont.h"

#include <QStringList>

void InstallFontSubstitutions()
{
    static const bool installed = [] {
        // The proportional face first: the original face is proportional too.
        QFont::insertSubstitutions(QStringLiteral("MS UI gothic"),
                                   {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")});
        return true;
    }();
    (void)installed;
}

QFont UiFont(int pixelSize, QFont::Weight weight)
{
    InstallFontSubstitutions();
    QFont font(QStringLiteral("MS UI gothic"));
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    font.setStyleHint(QFont::SansSerif); // variable pitch, Swiss family
    return font;
}
