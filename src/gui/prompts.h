// Every modal dialog and message box of the program goes through here, so
// that tests can answer them without a person.
#pragma once

#include <QString>
#include <functional>

class QDialog;
class QWidget;

namespace quintora::prompts {

// Shows a dialog modally and returns its result.
int ShowModal(QDialog *dialog);
// An information box with an OK button.
void Message(QWidget *parent, const QString &text);

// "¿Guardar los cambios?" with Sí, No and Cancelar.
enum class SaveChanges { Save, Discard, Cancel };
SaveChanges AskSaveChanges(QWidget *parent);

// The file chosen in an open or save dialog, empty when cancelled. The
// filters are separated by ";;"; a name typed without extension gets the
// extension of the filter shown (`suffix` for the first).
QString OpenFileName(QWidget *parent, const QString &title, const QString &filter, const QString &suffix);
QString SaveFileName(QWidget *parent, const QString &title, const QString &filter, const QString &suffix);

// Answers given instead of a person while set; each returns what the user's
// action would have.
struct Answers {
    std::function<int(QDialog *)> modal;
    std::function<void(const QString &)> message;
    std::function<QString(const QString &title)> openFile;
    std::function<QString(const QString &title)> saveFile;
    std::function<void(QWidget *window)> preview; // sees the preview window, then it closes
    std::function<SaveChanges()> saveChanges;
};
// True when the answers took the shown preview window instead of a person.
bool PreviewShown(QWidget *window);
void SetAnswers(Answers *answers); // nullptr: back to the real dialogs

} // namespace quintora::prompts
