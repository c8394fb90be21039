// The program's entry: creates the windows and runs the event loop.
#include "about.h"
#include "main.h"
#include "nomvar.h"
#include "report.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    quintora::SetUpApplication(app);
    quintora::TForm1 Form1;
    quintora::TNomVars NomVars(&Form1);
    NomVars.NomVar = &Form1.NomVar;
    Form1.NomVars = &NomVars;
    quintora::TAboutBox AboutBox(&Form1);
    Form1.AboutBox = &AboutBox;
    quintora::TfrmReport frmReport(&Form1);
    Form1.frmReport = &frmReport;
    Form1.show();
    return app.exec();
}
