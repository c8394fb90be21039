#include "prompts.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>

namespace quintora::prompts {

namespace {
Answers *g_answers = nullptr;
}

void SetAnswers(Answers *answers) { g_answers = answers; }

int ShowModal(QDialog *dialog)
{
    if (g_answers && g_answers->modal)
        return g_answers->modal(dialog);
    return dialog->exec();
}

void Message(QWidget *parent, const QString &text)
{
    if (g_answers && g_answers->message) {
        g_answers->message(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace quintora::prompts
