#include "fonts.h"

#include <utility>

namespace quintora {

void InstallStandInFonts()
{
    // The layout's families, as installed on Debian: Liberation Sans Narrow is
    // metric-compatible with Arial Narrow and narrow enough for Agency FB.
    static const std::pair<const char *, const char *> substitutes[] = {
        {"MS Sans Serif", "Liberation Sans"},
        {"Arial", "Liberation Sans"},
        {"Arial Narrow", "Liberation Sans Narrow"},
        {"Agency FB", "Liberation Sans Narrow"},
        {"Haettenschweiler", "DejaVu Sans Condensed"},
        {"Denmark", "DejaVu Sans Condensed"},
        {"Gentium Basic", "Liberation Serif"},
        {"Gentium Book Basic", "Liberation Serif"},
        {"MingLiU", "Liberation Mono"},
    };
    for (const auto &[family, substitute] : substitutes)
        QFont::insertSubstitution(QString::fromLatin1(family), QString::fromLatin1(substitute));
}

QFont LayoutFont(const QString &family, int pixels, bool bold)
{
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

} // namespace quintora
