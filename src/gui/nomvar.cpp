#include "nomvar.h"

#include "controls.h"
#include "style.h"
#include "prompts.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <algorithm>

namespace quintora {

namespace {

QChar PositionLetter(int i) { return QChar(u'a' + i); }

// The layout's widths were measured in its own fonts, which are narrower than
// the installed substitutes: condense the font just enough that the text is
// not cut off at the label's edge.
void FitText(QLabel *label, const QFont &font, const QString &text)
{
    const auto needed = [&](const QFont &f) {
        const QFontMetrics metrics(f);
        return std::max(metrics.horizontalAdvance(text), metrics.boundingRect(text).right() + 1);
    };
    QFont fitted = font;
    if (!text.isEmpty() && needed(font) > label->width()) {
        // A stretch scales the font's own width, whatever that is.
        fitted.setStretch(100);
        int stretch = std::max(1, 100 * label->width() / needed(fitted));
        fitted.setStretch(stretch);
        while (stretch > 1 && needed(fitted) > label->width())
            fitted.setStretch(--stretch);
    }
    label->setFont(fitted);
    label->setText(text);
}

QLabel *NewLabel(QWidget *parent, const QString &name, const QString &text, const QRect &geometry, const QFont &font,
                 QColor colour = QColor())
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    FitText(label, font, text);
    if (colour.isValid()) {
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, colour);
        label->setPalette(p);
    }
    return label;
}

QFont NameFont() { return LayoutFont(QStringLiteral("MingLiU"), 21, true); }

} // namespace

TNomVars::TNomVars(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QString());
    // A title bar without buttons: the dialog has no way out but Ok.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(130, 250);
    move(586, 215);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);
    setFont(LayoutFont(QStringLiteral("MS Sans Serif"), 11));

    // Created first so that it heads the tab order.
    bbNomOk = new QPushButton(QIcon(QStringLiteral(":/icons/tick.svg")), QStringLiteral("Ok"), this);
    bbNomOk->setObjectName(QStringLiteral("bbNomOk"));
    bbNomOk->setIconSize(QSize(16, 16));
    bbNomOk->setGeometry(28, 216, 75, 29);
    bbNomOk->setDefault(true);
    connect(bbNomOk, &QPushButton::clicked, this, &TNomVars::bbNomOkClick);

    Label1 = NewLabel(this, QStringLiteral("Label1"), QStringLiteral("Nombre Variables"), QRect(12, 4, 106, 25),
                      LayoutFont(QStringLiteral("Agency FB"), 21, true), QColor(0x00, 0x80, 0x00));

    const QFont arrowFont = LayoutFont(QStringLiteral("Agency FB"), 16, true);
    for (int i = 0; i < 8; ++i) {
        lblV[i] = NewLabel(this, QStringLiteral("lblV") + PositionLetter(i), PositionLetter(i),
                           QRect(28, 34 + 22 * i, 12, 21), NameFont());
        Arrows[i] = NewLabel(this, QStringLiteral("Label%1").arg(i + 2), QStringLiteral("-->"),
                             QRect(52, 36 + 22 * i, 16, 20), arrowFont);
        auto *edit = new QLineEdit(PositionLetter(i), this);
        edit->setObjectName(QStringLiteral("NameEdit%1").arg(i));
        edit->setMaxLength(1);
        edit->setGeometry(76, 36 + 22 * i, 25, 21);
        NameEdits[i] = edit;
    }
}

void TNomVars::FormShow()
{
    if (!NomVar)
        return;
    for (int i = 0; i < 8; ++i) {
        FitText(lblV[i], NameFont(), (*NomVar)[i]);
        NameEdits[i]->setText((*NomVar)[i]);
    }
}

void TNomVars::bbNomOkClick()
{
    bool valid = true;
    for (int i = 0; i < 8; ++i) {
        const QString text = NameEdits[i]->text();
        if (text.isEmpty()) {
            prompts::Message(this, QStringLiteral("Variable ") + PositionLetter(i) + QStringLiteral(" sin asignar"));
            valid = false;
        } else if (!IsValidVarName(text)) {
            valid = false;
        }
    }
    // Once per equal pair, empty pairs included, as the user is told of each.
    for (int i = 0; i < 7; ++i)
        for (int j = i + 1; j < 8; ++j)
            if (NameEdits[i]->text() == NameEdits[j]->text()) {
                prompts::Message(this, QStringLiteral("Hay nombre repetidos... corríjalo."));
                valid = false;
            }
    if (!valid)
        return;
    if (NomVar)
        for (int i = 0; i < 8; ++i)
            (*NomVar)[i] = NameEdits[i]->text();
    accept();
}

bool TNomVars::IsValidVarName(const QString &name)
{
    const QChar first = name.isEmpty() ? QChar() : name.front();
    if ((first >= u'A' && first <= u'Z') || (first >= u'a' && first <= u'z'))
        return true;
    prompts::Message(this, QStringLiteral("Nombre de variable no permitido: ") + name);
    return false;
}

void TNomVars::reject() {}

void TNomVars::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Only a real showing refills the boxes; a window restored by the system
    // keeps what the user typed.
    if (!event->spontaneous())
        FormShow();
}

void TNomVars::closeEvent(QCloseEvent *event) { event->ignore(); }

} // namespace quintora
