#include "about.h"

#include "controls.h"
#include "style.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace quintora {

namespace {

QLabel *Line(QWidget *parent, const QString &text, int x, int y, int pixels, QColor colour)
{
    return NewLabel(parent, text, x, y, LayoutFont(QStringLiteral("Gentium Basic"), pixels), colour);
}

} // namespace

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Acerca de programa..."));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(268, 147);
    move(540, 304);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);
    setFont(LayoutFont(QStringLiteral("MS Sans Serif"), 11));

    Image2 = new Picture(QStringLiteral(":/icons/banner.svg"), QSize(269, 77), this);
    Image2->move(-4, -4);
    lblVer = new QLabel(QStringLiteral("v " QUINTORA_VERSION), this);
    lblVer->setFont(LayoutFont(QStringLiteral("Gentium Book Basic"), 13));
    lblVer->adjustSize();
    lblVer->move(236, 52);

    auto *frame = new QFrame(this);
    frame->setGeometry(8, 76, 169, 65);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lblAuthor = Line(this, QStringLiteral("Proyecto Quintora"), 24, 84, 13, QColor(0x00, 0x80, 0x00));
    lblMail = Line(this, QStringLiteral("quintora@example.org"), 20, 100, 13, QColor(0x80, 0x00, 0x00));
    lblWeb = Line(this, QStringLiteral("www.example.org"), 36, 116, 16, QColor(0x00, 0x00, 0x80));

    BitBtn1 = new QPushButton(QIcon(QStringLiteral(":/icons/ok.svg")), QStringLiteral("OK"), this);
    BitBtn1->setGeometry(184, 92, 75, 33);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace quintora
