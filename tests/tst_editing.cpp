// Editing from the keyboard, undo and redo, and the question before unsaved
// work would be lost: on the real window, offscreen, with the prompts answered
// through the seam.
#include "main.h"
#include "prompts.h"
#include "window_helpers.h"

#include <QApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace quintora;
using namespace quintora::testing;

namespace {

// Both grids, one character per row ('_' for empty); a row whose two cells
// disagree shows as '!'.
QString Grids(TForm1 &f)
{
    QString values;
    for (int m = 0; m < RowCount(f.NumVar); ++m) {
        const QString truth = f.sgVerdad->Cell(f.NumVar + 1, m + 1).trimmed();
        const MapCell cell = MapCellOfIndex(m, f.NumVar);
        const QString map = f.sgKarna->Cell(cell.column, cell.row);
        values += truth != map ? QStringLiteral("!") : truth.isEmpty() ? QStringLiteral("_") : truth;
    }
    return values;
}

// Selects a block of cells as a drag would, without a mouse edit.
void Select(StringGrid *grid, QRect cells)
{
    grid->SetCurrentCell(cells.left(), cells.top());
    const int fixed = grid->FixedCols();
    grid->setRangeSelected(QTableWidgetSelectionRange(cells.top() - 1, cells.left() - fixed, cells.bottom() - 1,
                                                      cells.right() - fixed),
                           true);
}

} // namespace

class TestEditing : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void keys_data();
    void keys();
    void movingKeys();
    void undoRedoRoundTrip();
    void undoBringsBackAnOpenedFilesPredecessor();
    void undoRefusedWhileLocked();
    void unsavedChanges_data();
    void unsavedChanges();

private:
    std::unique_ptr<TForm1> f;
    prompts::Answers answers;
    QStringList asked;
    prompts::SaveChanges answer = prompts::SaveChanges::Cancel;
    QString saveTo;
    QTemporaryDir dir;
};

void TestEditing::initTestCase()
{
    SetUpApplication(*qApp);
    answers.message = [this](const QString &text) { asked << QStringLiteral("message: ") + text; };
    answers.saveChanges = [this] {
        asked << QStringLiteral("save changes?");
        return answer;
    };
    answers.saveFile = [this](const QString &) {
        asked << QStringLiteral("save dialog");
        return saveTo;
    };
    answers.openFile = [this](const QString &) {
        asked << QStringLiteral("open dialog");
        return QString();
    };
    prompts::SetAnswers(&answers);
}

void TestEditing::init()
{
    asked.clear();
    f = std::make_unique<TForm1>();
    f->show();
    f->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.get()));
}

void TestEditing::cleanup()
{
    answer = prompts::SaveChanges::Discard; // so the window can close
    f.reset();
}

// Four variables, rows 0 to 3 holding 1, 0, X and empty before each key.
void TestEditing::keys_data()
{
    QTest::addColumn<QString>("grid");
    QTest::addColumn<QRect>("cells"); // (column, row) of the grid, headers at 0
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("mode"); // Click-Insertar, for Space
    QTest::addColumn<bool>("locked");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QPoint>("current"); // the current cell afterwards

    const QRect row3(5, 4, 1, 1); // truth table, value cell of row index 3
    const QString start = QStringLiteral("10X_____________");
    QTest::newRow("1 in a value cell, then down") << "truth" << row3 << int(Qt::Key_1) << 0 << "1" << false
                                                   << "10X1____________" << QPoint(5, 5);
    QTest::newRow("0") << "truth" << row3 << int(Qt::Key_0) << 0 << "1" << false << "10X0____________" << QPoint(5, 5);
    QTest::newRow("x") << "truth" << row3 << int(Qt::Key_X) << 0 << "1" << false << "10XX____________" << QPoint(5, 5);
    QTest::newRow("X with shift") << "truth" << row3 << int(Qt::Key_X) << int(Qt::ShiftModifier) << "1" << false
                                  << "10XX____________" << QPoint(5, 5);
    QTest::newRow("space writes the Click-Insertar value") << "truth" << row3 << int(Qt::Key_Space) << 0 << "0" << false
                                                           << "10X0____________" << QPoint(5, 5);
    QTest::newRow("a block of value cells") << "truth" << QRect(5, 1, 1, 4) << int(Qt::Key_1) << 0 << "1" << false
                                            << "1111____________" << QPoint(5, 2);
    QTest::newRow("bits and values: the values only") << "truth" << QRect(1, 2, 5, 2) << int(Qt::Key_0) << 0 << "1"
                                                     << false << "100_____________" << QPoint(1, 3);
    QTest::newRow("delete empties") << "truth" << QRect(5, 1, 1, 3) << int(Qt::Key_Delete) << 0 << "1" << false
                                    << "________________" << QPoint(5, 1);
    QTest::newRow("backspace empties") << "truth" << row3.translated(0, -3) << int(Qt::Key_Backspace) << 0 << "1"
                                       << false << "_0X_____________" << QPoint(5, 1);
    QTest::newRow("last row does not move on") << "truth" << QRect(5, 16, 1, 1) << int(Qt::Key_1) << 0 << "1" << false
                                               << "10X____________1" << QPoint(5, 16);
    QTest::newRow("bit columns only: nothing") << "truth" << QRect(1, 1, 4, 2) << int(Qt::Key_1) << 0 << "1" << false
                                               << start << QPoint(1, 2);
    // Map cell (column 2, row 2) is index 5; the block (1..2, 1..2) is 0, 1, 4, 5.
    QTest::newRow("map cell") << "map" << QRect(2, 2, 1, 1) << int(Qt::Key_X) << 0 << "1" << false
                              << "10X__X__________" << QPoint(2, 2);
    QTest::newRow("map block") << "map" << QRect(1, 1, 2, 2) << int(Qt::Key_0) << 0 << "1" << false
                               << "00X_00__________" << QPoint(1, 1);
    QTest::newRow("map delete") << "map" << QRect(1, 1, 2, 1) << int(Qt::Key_Delete) << 0 << "1" << false
                                << "__X_____________" << QPoint(1, 1);
    QTest::newRow("locked: nothing") << "truth" << row3 << int(Qt::Key_1) << 0 << "1" << true << start << QPoint(5, 4);
    QTest::newRow("locked map: nothing") << "map" << QRect(1, 1, 1, 1) << int(Qt::Key_0) << 0 << "1" << true << start
                                         << QPoint(1, 1);
}

void TestEditing::keys()
{
    QFETCH(QString, grid);
    QFETCH(QRect, cells);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, mode);
    QFETCH(bool, locked);
    QFETCH(QString, expected);
    QFETCH(QPoint, current);

    SetValues(*f, QStringLiteral("10X_____________"));
    (mode == QLatin1String("0") ? f->rbPon0 : f->rbPon1)->setChecked(true);
    if (locked)
        f->UnlockClick(); // the open padlock locks
    f->DataChanged = false;
    StringGrid *g = grid == QLatin1String("map") ? f->sgKarna : f->sgVerdad;
    Select(g, cells);
    QTest::keyClick(g, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(Grids(*f), expected);
    QCOMPARE(f->DataChanged, !locked);
    QCOMPARE(g->CurrentCell(), current);
}

// The keys that move go from cell to cell as in any spreadsheet, and edit nothing.
void TestEditing::movingKeys()
{
    StringGrid *t = f->sgVerdad;
    t->SetCurrentCell(5, 1);
    QTest::keyClick(t, Qt::Key_Down);
    QCOMPARE(t->CurrentCell(), QPoint(5, 2));
    QTest::keyClick(t, Qt::Key_Left);
    QCOMPARE(t->CurrentCell(), QPoint(4, 2));
    QTest::keyClick(t, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(t->CurrentCell(), QPoint(5, 16));
    QTest::keyClick(t, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(t->CurrentCell(), QPoint(0, 1)); // the index column is the grid's first
    QTest::keyClick(t, Qt::Key_PageDown);
    QVERIFY(t->CurrentCell().y() > 2);
    QCOMPARE(Grids(*f), QString(16, QLatin1Char('_')));
    QVERIFY(f->Edits->isClean());
}

// A random run of edits of every kind, undone to the start and redone to the
// end: both grids, the count and the names come back exactly at every step.
void TestEditing::undoRedoRoundTrip()
{
    QRandomGenerator random(2024);
    auto snapshot = [this] { return std::make_pair(f->State(), Grids(*f)); };
    QList<std::pair<FunctionState, QString>> states{snapshot()};
    const char keys[] = {'0', '1', 'X', ' ', '\b'};
    for (int step = 0; step < 40; ++step) {
        const int kind = random.bounded(10);
        if (kind < 6) {
            StringGrid *g = random.bounded(2) ? f->sgVerdad : f->sgKarna;
            const int top = 1 + random.bounded(g->RowCount() - 1);
            const int left = g == f->sgVerdad ? f->NumVar + 1 : 1 + random.bounded(g->ColCount() - 1);
            Select(g, QRect(left, top, 1, 1 + random.bounded(g->RowCount() - top)));
            const char k = keys[random.bounded(5)];
            QTest::keyClick(g, k == '\b' ? Qt::Key_Backspace : k == ' ' ? Qt::Key_Space : Qt::Key(k));
        } else if (kind < 8) {
            (random.bounded(2) && f->NumVar < 8 ? f->udUno->UpButton() : f->udUno->DownButton())->click();
        } else {
            f->sbBorrar->click();
        }
        if (f->State() != states.last().first)
            states << snapshot();
    }
    QVERIFY(states.size() > 20);
    for (int i = states.size() - 2; i >= 0; --i) {
        QTest::keyClick(f.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Grids(*f), states[i].second);
        QVERIFY(f->State() == states[i].first);
    }
    QVERIFY(f->Edits->isClean());
    for (int i = 1; i < states.size(); ++i) {
        QTest::keyClick(f.get(), i % 2 ? Qt::Key_Y : Qt::Key_Z,
                        i % 2 ? Qt::ControlModifier : Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(Grids(*f), states[i].second);
        QVERIFY(f->State() == states[i].first);
    }
    // An undo or redo is an edit: the solutions go and Imprimir waits.
    f->DataChanged = false;
    QTest::keyClick(f.get(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(f->DataChanged);
    QCOMPARE(f->tvSolu->topLevelItemCount(), 0);
}

void TestEditing::undoBringsBackAnOpenedFilesPredecessor()
{
    const QString path = dir.filePath(QStringLiteral("three.qmt"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("NumVar:3\r\nNomVar:pqrdefgh\r\nTabla:0,1,1,0,1,X,0,1\r\nCRC:32S\r\n");
    }
    SetValues(*f, QStringLiteral("1111000011110000"));
    const FunctionState before = f->State();
    answers.openFile = [&](const QString &) { return path; };
    answer = prompts::SaveChanges::Discard;
    f->sbAbrir->click();
    answers.openFile = [this](const QString &) {
        asked << QStringLiteral("open dialog");
        return QString();
    };
    QCOMPARE(f->NumVar, 3);
    QCOMPARE(Grids(*f), QStringLiteral("01101X01"));
    QVERIFY(f->Edits->isClean());
    QCOMPARE(f->windowTitle(), QStringLiteral("Quintora"));
    QTest::keyClick(f.get(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(f->State() == before);
    QCOMPARE(f->NomVar[0], QStringLiteral("a"));
    QCOMPARE(f->windowTitle(), QStringLiteral("Quintora*"));
}

void TestEditing::undoRefusedWhileLocked()
{
    SetValues(*f, QStringLiteral("1000000000000000"));
    f->sgVerdad->SetCurrentCell(5, 2);
    QTest::keyClick(f->sgVerdad, Qt::Key_1);
    f->sbHazlo->click(); // Resolver locks
    QTest::keyClick(f.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Grids(*f), QStringLiteral("1100000000000000"));
    QCOMPARE(f->tvSolu->topLevelItemCount(), 4);
    f->LockClick(); // released: now it undoes
    QTest::keyClick(f.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Grids(*f), QStringLiteral("1000000000000000"));
}

// Closing and Abrir with unsaved changes ask first: Sí saves and goes on
// only if it saved, No goes on, Cancelar stops.
void TestEditing::unsavedChanges_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("saveTo"); // what the save dialog answers
    QTest::addColumn<bool>("goesOn");
    QTest::addColumn<bool>("saved");

    const int yes = int(prompts::SaveChanges::Save), no = int(prompts::SaveChanges::Discard),
              cancel = int(prompts::SaveChanges::Cancel);
    for (const char *command : {"close", "Abrir"}) {
        const QString c = QString::fromLatin1(command);
        QTest::newRow(qPrintable(c + ": Si")) << c << yes << "saved.qmt" << true << true;
        QTest::newRow(qPrintable(c + ": Si, save dialog cancelled")) << c << yes << "" << false << false;
        QTest::newRow(qPrintable(c + ": No")) << c << no << "" << true << false;
        QTest::newRow(qPrintable(c + ": Cancelar")) << c << cancel << "" << false << false;
    }
}

void TestEditing::unsavedChanges()
{
    QFETCH(QString, command);
    QFETCH(int, answer);
    QFETCH(QString, saveTo);
    QFETCH(bool, goesOn);
    QFETCH(bool, saved);

    this->answer = prompts::SaveChanges(answer);
    this->saveTo = saveTo.isEmpty() ? QString() : dir.filePath(saveTo);
    QFile::remove(this->saveTo);
    QCOMPARE(f->windowTitle(), QStringLiteral("Quintora"));
    f->sgVerdad->SetCurrentCell(5, 1);
    QTest::keyClick(f->sgVerdad, Qt::Key_1);
    QCOMPARE(f->windowTitle(), QStringLiteral("Quintora*"));

    bool wentOn = false;
    if (command == QLatin1String("close")) {
        wentOn = f->close();
    } else {
        f->sbAbrir->click();
        wentOn = asked.contains(QStringLiteral("open dialog"));
    }
    QCOMPARE(asked.first(), QStringLiteral("save changes?"));
    QCOMPARE(wentOn, goesOn);
    QCOMPARE(!saveTo.isEmpty() && QFile::exists(this->saveTo), saved);
    QCOMPARE(asked.contains(QStringLiteral("save dialog")), answer == int(prompts::SaveChanges::Save));
    if (saved)
        QCOMPARE(f->windowTitle(), QStringLiteral("Quintora"));

    // Nothing unsaved: nothing is asked.
    asked.clear();
    if (!saved) {
        this->answer = prompts::SaveChanges::Discard;
        return;
    }
    f->sbAbrir->click();
    QCOMPARE(asked, QStringList{QStringLiteral("open dialog")});
}

QTEST_MAIN(TestEditing)
#include "tst_editing.moc"
