#include "style.h"

#include "controls.h"

#include <QApplication>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QProxyStyle>
#include <QSettings>
#include <QStyleFactory>
#include <QTranslator>

namespace quintora {

namespace {

// Scroll bars as wide as the layout's sizes assume.
class LayoutStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        if (metric == PM_ScrollBarExtent)
            return 17;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

} // namespace

QColor Hex(unsigned rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

void SetUpApplication(QApplication &app)
{
    InstallStandInFonts();
    app.setStyle(new LayoutStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
    app.setFont(LayoutFont(QStringLiteral("MS Sans Serif"), 11));
    // No display name: Qt would add it to every window's title, the file
    // dialogs' included, whose titles must read exactly as given.
    app.setApplicationName(QStringLiteral("Quintora"));
    // Qt's own dialogs and buttons speak the program's language, whatever
    // the machine's locale.
    auto *qtTexts = new QTranslator(&app);
    if (qtTexts->load(QLocale(QLocale::Spanish, QLocale::Spain), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(qtTexts);
    // The program keeps no settings between runs, but Qt's file dialog keeps
    // its history and last folder in the user's settings: they are pointed
    // where no file can be created.
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/dev/null"));
    app.setWindowIcon(QIcon(QStringLiteral(":/icons/app.svg")));
}

QLabel *NewLabel(QWidget *parent, const QString &text, int x, int y, const QFont &font, QColor colour)
{
    auto *label = new QLabel(text, parent);
    label->setFont(font);
    if (colour.isValid()) {
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, colour);
        label->setPalette(p);
    }
    label->adjustSize();
    label->move(x, y);
    return label;
}

// A caption wider than the room before the next one is drawn narrower, so
// that neighbouring captions never run together with the stand-in fonts. A
// stretch counts from the normal width, whatever the face's own.
void FitCaption(QLabel *label, int room)
{
    QFont font = label->font();
    const int width = QFontMetrics(font).horizontalAdvance(label->text());
    if (width <= room)
        return;
    font.setStretch(100);
    const int normalWidth = QFontMetrics(font).horizontalAdvance(label->text());
    font.setStretch(std::max(50, 100 * room / normalWidth));
    label->setFont(font);
    label->adjustSize();
}

} // namespace quintora
