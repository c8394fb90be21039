// The layout's fonts: its Windows families drawn with installed stand-ins,
// at pixel sizes. QtGui only, for the windows and the report page alike.
#pragma once

#include <QFont>
#include <QString>

namespace quintora {

// Maps each Windows family the layout names to an installed one.
void InstallStandInFonts();
QFont LayoutFont(const QString &family, int pixels, bool bold = false);

} // namespace quintora
