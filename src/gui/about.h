// The about dialog.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace quintora {

class Picture;

class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget *parent = nullptr);

    Picture *Image2;
    QLabel *lblVer, *lblAuthor, *lblMail, *lblWeb;
    QPushButton *BitBtn1;
};

} // namespace quintora
