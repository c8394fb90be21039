#include "prompts.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

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
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok, parent);
    box.exec();
}

SaveChanges AskSaveChanges(QWidget *parent)
{
    if (g_answers && g_answers->saveChanges)
        return g_answers->saveChanges();
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), QString::fromUtf8("¿Guardar los cambios?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    // The program's own words, whether or not Qt's translation is there.
    box.button(QMessageBox::Yes)->setText(QString::fromUtf8("&Sí"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&No"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("&Cancelar"));
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return SaveChanges::Save;
    case QMessageBox::No:
        return SaveChanges::Discard;
    default:
        return SaveChanges::Cancel;
    }
}

bool PreviewShown(QWidget *window)
{
    if (!g_answers || !g_answers->preview)
        return false;
    g_answers->preview(window);
    return true;
}

namespace {

QString WithSuffix(const QString &name, const QString &suffix)
{
    if (name.isEmpty() || !QFileInfo(name).suffix().isEmpty())
        return name;
    return name + QLatin1Char('.') + suffix;
}

QString AskFile(QWidget *parent, const QString &title, const QString &filter, const QString &suffix, bool save)
{
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // A typed name need not exist (reading it reports the failure), and a
    // save replaces an existing file without asking.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setDefaultSuffix(suffix);
    // A name typed without extension takes the one of the filter shown.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &chosen) {
        const qsizetype star = chosen.indexOf(QLatin1String("*."));
        if (star >= 0)
            dialog.setDefaultSuffix(chosen.mid(star + 2).section(QLatin1Char(')'), 0, 0).section(QLatin1Char(' '), 0, 0));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

} // namespace

QString OpenFileName(QWidget *parent, const QString &title, const QString &filter, const QString &suffix)
{
    if (g_answers && g_answers->openFile)
        return WithSuffix(g_answers->openFile(title), suffix);
    return WithSuffix(AskFile(parent, title, filter, suffix, false), suffix);
}

QString SaveFileName(QWidget *parent, const QString &title, const QString &filter, const QString &suffix)
{
    if (g_answers && g_answers->saveFile)
        return WithSuffix(g_answers->saveFile(title), suffix);
    return WithSuffix(AskFile(parent, title, filter, suffix, true), suffix);
}

} // namespace quintora::prompts
