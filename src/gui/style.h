// How every window looks: the layout's fonts and colours, its labels, and
// the application-wide set-up of style, fonts, language and settings.
#pragma once

#include "fonts.h"

#include <QColor>

class QApplication;
class QLabel;
class QWidget;

namespace quintora {

inline const QColor kMapGrey(0xEE, 0xEE, 0xEE);
inline const QColor kMapGreen(0xAA, 0xFF, 0xAA);

QColor Hex(unsigned rgb);

// The stand-in fonts, the style every window is drawn with, Qt's texts in
// Spanish, and no settings kept between runs.
void SetUpApplication(QApplication &app);
// A label sized to its text at (x, y), in a font and, when valid, a colour.
QLabel *NewLabel(QWidget *parent, const QString &text, int x, int y, const QFont &font, QColor colour = QColor());
// A caption wider than `room` is drawn narrower to fit it.
void FitCaption(QLabel *label, int room);

} // namespace quintora
