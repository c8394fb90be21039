// The main window's editing beyond the mouse: keys that write values, undo
// and redo of every edit of the function or its names, and the question
// before unsaved work would be lost.
#include "main.h"
#include "prompts.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QUndoCommand>
#include <optional>

namespace quintora {

namespace {

// An edit of the function or its names, kept as the states before and after.
class EditCommand : public QUndoCommand {
public:
    EditCommand(TForm1 *window, FunctionState before, FunctionState after, const QString &what)
        : QUndoCommand(what), m_window(window), m_before(std::move(before)), m_after(std::move(after))
    {
    }
    void undo() override { m_window->RestoreState(m_before); }
    void redo() override
    {
        // Pushed once the edit is already on screen.
        if (m_done)
            m_window->RestoreState(m_after);
        m_done = true;
    }

private:
    TForm1 *m_window;
    FunctionState m_before, m_after;
    bool m_done = false;
};

// The value a key writes into a value cell, or nullopt for any other key.
std::optional<QString> KeyValue(const QKeyEvent *event, const QString &insertion)
{
    switch (event->key()) {
    case Qt::Key_0:
        return QStringLiteral("  0");
    case Qt::Key_1:
        return QStringLiteral("  1");
    case Qt::Key_X:
        return QStringLiteral("  X");
    case Qt::Key_Space:
        return insertion;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        return QString();
    default:
        return std::nullopt;
    }
}

} // namespace

// 0, 1, X, Space (the Click-Insertar value), Delete and Backspace write the
// selected value cells as a mouse edit does; typing moves down a row in the
// truth table. Refused, as the mouse is, while the lock refuses edits.
bool TForm1::EditKey(StringGrid *grid, QKeyEvent *event)
{
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const std::optional<QString> value = KeyValue(event, InsertionValue());
    if (!value)
        return false;
    if (!rbPon1->isEnabled())
        return true;
    if (grid == sgKarna) {
        MapCellColor = kMapGrey;
        m_litPattern.clear();
        sgKarna->RepaintAll();
    }
    DataChanged = true;
    const FunctionState before = State();
    const GridRect sel = grid->Selection();
    for (int r = std::max(sel.Top, 1); r <= sel.Bottom; ++r) {
        for (int c = std::max(sel.Left, 1); c <= sel.Right; ++c) {
            if (grid == sgVerdad && c == NumVar + 1)
                WriteValue(r - 1, *value);
            else if (grid == sgKarna)
                WriteValue(IndexOfMapCell(sgKarna->Cell(0, r), sgKarna->Cell(c, 0)), *value);
        }
    }
    Edited(before, grid == sgVerdad ? QStringLiteral("Tabla Verdad") : QStringLiteral("Tabla Karnaugh"));
    const QPoint current = grid->CurrentCell();
    if (grid == sgVerdad && !value->isEmpty() && current.y() >= 1 && current.y() < grid->RowCount() - 1)
        grid->SetCurrentCell(current.x(), current.y() + 1);
    return true;
}

FunctionState TForm1::State() const
{
    FunctionState state{NumVar, NomVar, QString()};
    for (int r = 1; r <= RowCount(NumVar); ++r) {
        const QString v = sgVerdad->Cell(NumVar + 1, r).trimmed();
        state.values += v.isEmpty() ? QStringLiteral("_") : v;
    }
    return state;
}

void TForm1::RestoreState(const FunctionState &state)
{
    if (state.numVar != NumVar)
        SetCount(state.numVar);
    NomVar = state.names;
    ShowNames();
    for (int m = 0; m < RowCount(NumVar); ++m) {
        const QString v = state.values.mid(m, 1);
        WriteValue(m, v == QLatin1String("_") ? QString() : TruthValueText(v));
    }
    DataChanged = true;
    ClearSolutions();
}

void TForm1::Edited(const FunctionState &before, const QString &what)
{
    FunctionState after = State();
    if (after != before)
        Edits->push(new EditCommand(this, before, std::move(after), what));
}

void TForm1::UndoClick()
{
    if (rbPon1->isEnabled())
        Edits->undo();
}

void TForm1::RedoClick()
{
    if (rbPon1->isEnabled())
        Edits->redo();
}

bool TForm1::ConfirmDiscard()
{
    if (Edits->isClean())
        return true;
    switch (prompts::AskSaveChanges(this)) {
    case prompts::SaveChanges::Save:
        return Save();
    case prompts::SaveChanges::Discard:
        return true;
    case prompts::SaveChanges::Cancel:
        return false;
    }
    return false;
}

void TForm1::closeEvent(QCloseEvent *event)
{
    // Mid-solve the window closes when the solve ends, asking then as ever.
    if (m_solving) {
        m_closeAfterSolve = true;
        event->ignore();
        return;
    }
    if (ConfirmDiscard())
        event->accept();
    else
        event->ignore();
}

} // namespace quintora
