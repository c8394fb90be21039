// The variable names dialog: shows the eight names, takes new ones and
// stores them only when all eight are single letters and all different.
#pragma once

#include "model.h"

#include <QDialog>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quintora {

class TNomVars : public QDialog {
    Q_OBJECT

public:
    explicit TNomVars(QWidget *parent = nullptr);

    // The names the dialog reads when shown and writes on a valid Ok; the
    // program points it at the main window's NomVar.
    VarNames *NomVar = nullptr;

    // Controls, as the layout names them; row i belongs to variable i.
    QLabel *Label1;
    std::array<QLabel *, 8> lblV;      // lblVa .. lblVh: the current names
    std::array<QLabel *, 8> Arrows;    // Label2 .. Label9: "-->"
    std::array<QLineEdit *, 8> NameEdits;
    QPushButton *bbNomOk;

    // Handlers.
    void FormShow();
    void bbNomOkClick();

    // Whether `name` begins with an ASCII letter; shows the refusal when not.
    bool IsValidVarName(const QString &name);

    // Only a valid Ok closes the dialog: Escape and the window manager don't.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
};

} // namespace quintora
