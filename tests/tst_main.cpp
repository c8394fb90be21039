// The main window driven as a user drives it, offscreen: drags, clicks and
// right clicks on both grids, the insertion-mode buttons, the spinner, the
// padlocks and the pictures; what the user sees is read back from the cells,
// the controls and grabbed pixels.
#include "about.h"
#include "main.h"
#include "model.h"
#include "prompts.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QImage>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTest>

using namespace quintora;

// Ends the test at the first failure inside a helper.
#define CHECK(...)                                                                                                     \
    do {                                                                                                               \
        __VA_ARGS__;                                                                                                   \
        if (QTest::currentTestFailed())                                                                                \
            return;                                                                                                    \
    } while (false)

namespace {

using Indices = QList<int>;

const QColor kGrey(0xEE, 0xEE, 0xEE);
const QColor kGreen(0xAA, 0xFF, 0xAA);

QString TruthText(const QString &mode) { return QStringLiteral("  ") + mode; }

// Texts the grids must show for n variables and the default names, written
// out independently of the window's code.
QString GrayBits(int j, int width)
{
    const int g = j ^ (j >> 1);
    QString bits;
    for (int k = width - 1; k >= 0; --k)
        bits += ((g >> k) & 1) ? QLatin1Char('1') : QLatin1Char('0');
    return bits;
}

bool IsRed(QColor c) { return c.red() >= 190 && c.green() <= 90 && c.blue() <= 90; }

} // namespace

class TestMain : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startUp();

    void dragOverRowsThreeToSix();
    void truthTableSelections_data();
    void truthTableSelections();
    void truthTableRightClicks_data();
    void truthTableRightClicks();
    void headerReleases_data();
    void headerReleases();
    void mapSelections_data();
    void mapSelections();
    void mapRightAndMiddleClicksWriteTheSelection();
    void mapRightClickAfterATermWritesNothing();
    void randomEditsKeepGridsAgreeing_data();
    void randomEditsKeepGridsAgreeing();

    void lockedRefusesEverything();
    void lockThenUnlockRestoresStart_data();
    void lockThenUnlockRestoresStart();
    void mousePictureTogglesTwice();
    void mousePictureThenOpenPadlock();
    void spinner_data();
    void spinner();
    void clearAfterEdits();
    void tablesForEveryCount_data();
    void tablesForEveryCount();
    void aboutDialogGoesThroughTheModalSeam();
    void truthTableNeverHidesRowZero_data();
    void truthTableNeverHidesRowZero();
    void captionsKeepApart();
    void everyControlIsNamed();
    void qtTextsAreSpanish();

    void paintTruthTable_data();
    void paintTruthTable();
    void paintMap();
    void paintMapOnMapCellColor();

private:
    // Input, as the user gives it.
    QWidget *Target(StringGrid *grid, QPoint cell, QPoint *local) const;
    void Drag(StringGrid *grid, QPoint from, QPoint to);
    void Click(StringGrid *grid, QPoint cell, Qt::MouseButton button = Qt::LeftButton);
    void SetMode(const QString &mode);
    void ClickPicture(Picture *picture);
    void Spin(int delta);
    void SetCount(int n);

    // What the user sees.
    QString Value(int m) const;
    QString MapValue(int m) const;
    void CheckValues(const QMap<int, QString> &expected) const;
    void CheckGridsAgree() const;
    void CheckUnlocked() const;
    void CheckLocked() const;
    void CheckTexts(int n) const;
    QRect DrawnRect(StringGrid *grid, int column, int row) const;
    QColor Background(const QImage &image, StringGrid *grid, int column, int row) const;
    bool HasRedText(const QImage &image, StringGrid *grid, int column, int row) const;

    TForm1 *form = nullptr;
};

// ------------------------------------------------------------------ helpers

// The widget under the cell's centre, where a real click lands: for a header
// cell that is the header view's viewport, since a header view (a scroll
// area) drops mouse events sent to itself.
QWidget *TestMain::Target(StringGrid *grid, QPoint cell, QPoint *local) const
{
    QWidget *w = grid->WidgetAt(cell.x(), cell.y(), local);
    if (!w)
        qFatal("no widget for cell (%d, %d)", cell.x(), cell.y());
    if (auto *area = qobject_cast<QAbstractScrollArea *>(w); area && area->viewport() != w) {
        *local = area->viewport()->mapFrom(w, *local);
        w = area->viewport();
    }
    return w;
}

// Press on one cell, move there with the left button held, release: the
// release goes to the widget that took the press, as the mouse grab does.
void TestMain::Drag(StringGrid *grid, QPoint from, QPoint to)
{
    QPoint a, b;
    QWidget *wa = Target(grid, from, &a);
    QWidget *wb = Target(grid, to, &b);
    const QPoint end = wa->mapFromGlobal(wb->mapToGlobal(b));
    QTest::mousePress(wa, Qt::LeftButton, {}, a);
    if (end != a) {
        QMouseEvent move(QEvent::MouseMove, QPointF(end), QPointF(wa->mapToGlobal(end)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(wa, &move);
    }
    QTest::mouseRelease(wa, Qt::LeftButton, {}, end);
}

void TestMain::Click(StringGrid *grid, QPoint cell, Qt::MouseButton button)
{
    QPoint p;
    QWidget *w = Target(grid, cell, &p);
    QTest::mouseClick(w, button, {}, p);
}

void TestMain::SetMode(const QString &mode)
{
    QRadioButton *radio = mode == QLatin1String("0") ? form->rbPon0 : mode == QLatin1String("X") ? form->rbPonX : form->rbPon1;
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(6, radio->height() / 2));
    QVERIFY(radio->isChecked());
}

void TestMain::ClickPicture(Picture *picture)
{
    QVERIFY2(picture->isVisible(), "a hidden picture cannot be clicked");
    QTest::mouseClick(picture, Qt::LeftButton, {}, picture->rect().center());
}

void TestMain::Spin(int delta)
{
    QToolButton *button = delta > 0 ? form->udUno->UpButton() : form->udUno->DownButton();
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

void TestMain::SetCount(int n)
{
    for (int guard = 0; form->NumVar != n && guard < 10; ++guard)
        Spin(n > form->NumVar ? 1 : -1);
    QCOMPARE(form->NumVar, n);
}

QString TestMain::Value(int m) const { return form->sgVerdad->Cell(form->NumVar + 1, m + 1); }

QString TestMain::MapValue(int m) const
{
    const MapCell cell = MapCellOfIndex(m, form->NumVar);
    return form->sgKarna->Cell(cell.column, cell.row);
}

// Every row not named holds no value; each map cell mirrors its row. Lists,
// so that a failure names the first row index that differs.
void TestMain::CheckValues(const QMap<int, QString> &expected) const
{
    QStringList truth, map, wantTruth, wantMap;
    for (int m = 0; m < (1 << form->NumVar); ++m) {
        const QString mode = expected.value(m);
        truth << Value(m);
        map << MapValue(m);
        wantTruth << (mode.isEmpty() ? QString() : TruthText(mode));
        wantMap << mode;
    }
    QCOMPARE(truth, wantTruth);
    QCOMPARE(map, wantMap);
}

void TestMain::CheckGridsAgree() const
{
    QStringList truth, map;
    for (int m = 0; m < (1 << form->NumVar); ++m) {
        const QString v = Value(m);
        QVERIFY2(v.isEmpty() || v == TruthText("0") || v == TruthText("1") || v == TruthText("X"), qPrintable(v));
        truth << v.trimmed();
        map << MapValue(m);
    }
    QCOMPARE(map, truth);
}

void TestMain::CheckUnlocked() const
{
    QVERIFY(form->Unlock->isVisible());
    QVERIFY(!form->Lock->isVisible());
    QVERIFY(form->sbBorrar->isVisible());
    QVERIFY(form->lblBorrar->isVisible());
    for (QWidget *w : std::initializer_list<QWidget *>{form->udUno, form->rbPon0, form->rbPon1, form->rbPonX})
        QVERIFY(w->isEnabled());
}

void TestMain::CheckLocked() const
{
    QVERIFY(!form->Unlock->isVisible());
    QVERIFY(form->Lock->isVisible());
    QVERIFY(!form->sbBorrar->isVisible());
    QVERIFY(!form->lblBorrar->isVisible());
    for (QWidget *w : std::initializer_list<QWidget *>{form->udUno, form->rbPon0, form->rbPon1, form->rbPonX})
        QVERIFY(!w->isEnabled());
}

// Headers, indices and bits for n variables, no values: nothing stale. Each
// cell is listed with its place, so that a failure names it.
void TestMain::CheckTexts(int n) const
{
    StringGrid *t = form->sgVerdad, *k = form->sgKarna;
    QCOMPARE(t->ColCount(), n + 2);
    QCOMPARE(t->RowCount(), (1 << n) + 1);
    auto entry = [](int c, int r, const QString &text) { return QStringLiteral("(%1,%2) '%3'").arg(c).arg(r).arg(text); };
    QStringList actual, expected;
    for (int r = 0; r <= (1 << n); ++r) {
        for (int c = 0; c <= n + 1; ++c) {
            const int m = r - 1;
            QString want;
            if (r == 0)
                want = c == 0 ? QString() : c == n + 1 ? QStringLiteral(" =") : QStringLiteral(" ") + QChar('a' + c - 1);
            else if (c == 0)
                want = QStringLiteral("%1").arg(m, 3);
            else if (c <= n)
                want = ((m >> (n - c)) & 1) ? QStringLiteral(" 1") : QStringLiteral(" 0");
            actual << entry(c, r, t->Cell(c, r));
            expected << entry(c, r, want);
        }
    }
    QCOMPARE(actual, expected);

    const int R = n / 2, C = n - R;
    QCOMPARE(k->ColCount(), (1 << C) + 1);
    QCOMPARE(k->RowCount(), (1 << R) + 1);
    actual.clear();
    expected.clear();
    for (int r = 0; r <= (1 << R); ++r) {
        for (int c = 0; c <= (1 << C); ++c) {
            const QString want = r == 0 && c > 0 ? GrayBits(c - 1, C) : c == 0 && r > 0 ? GrayBits(r - 1, R) : QString();
            actual << entry(c, r, k->Cell(c, r));
            expected << entry(c, r, want);
        }
    }
    QCOMPARE(actual, expected);
}

// The part of a cell that the cell's painting covers (its grid line excluded),
// in the grid widget's coordinates, as grab() returns them.
QRect TestMain::DrawnRect(StringGrid *grid, int column, int row) const
{
    QPoint local;
    QWidget *w = Target(grid, QPoint(column, row), &local);
    const QPoint centre = w->mapTo(grid, local);
    const QRect cell = grid->CellRect(column, row).translated(grid->frameWidth(), grid->frameWidth());
    if (!cell.contains(centre))
        qFatal("cell rectangle and click point disagree for (%d, %d)", column, row);
    return cell.adjusted(0, 0, -1, -1);
}

// A pixel near the inner bottom-right corner, away from the text and the
// cell's edges and focus rectangle.
QColor TestMain::Background(const QImage &image, StringGrid *grid, int column, int row) const
{
    const QRect r = DrawnRect(grid, column, row);
    return image.pixelColor(r.right() - 3, r.bottom() - 3);
}

bool TestMain::HasRedText(const QImage &image, StringGrid *grid, int column, int row) const
{
    const QRect r = DrawnRect(grid, column, row);
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (IsRed(image.pixelColor(x, y)))
                return true;
    return false;
}

// ------------------------------------------------------------------ fixture

void TestMain::initTestCase() { SetUpApplication(*qobject_cast<QApplication *>(QCoreApplication::instance())); }

void TestMain::init()
{
    form = new TForm1;
    form->AboutBox = new TAboutBox(form);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
}

void TestMain::cleanup()
{
    prompts::SetAnswers(nullptr);
    delete form;
    form = nullptr;
}

// ------------------------------------------------------------------ start-up

void TestMain::startUp()
{
    QCOMPARE(form->lblNumVar->text(), QStringLiteral("4"));
    QCOMPARE(form->NumVar, 4);
    QCOMPARE(form->lblVersion->text(), QStringLiteral("v.0.9"));
    CHECK(CheckTexts(4));
    QCOMPARE(form->sgVerdad->RowCount(), 17);
    QCOMPARE(form->sgVerdad->ColCount(), 6);
    QCOMPARE(form->sgKarna->RowCount(), 5);
    QCOMPARE(form->sgKarna->ColCount(), 5);
    QCOMPARE(form->sgVerdad->size(), QSize(129, 359));
    QCOMPARE(form->sgKarna->size(), QSize(138, 138));
    QCOMPARE(form->lblTag1->text(), QStringLiteral("ab"));
    QCOMPARE(form->lblTag2->text(), QStringLiteral("cd"));
    QVERIFY(form->DataChanged);
    QCOMPARE(form->MapCellColor, kGrey);
    CHECK(CheckUnlocked());
    QVERIFY(form->rbPon1->isChecked());
    QCOMPARE(form->tvSolu->topLevelItemCount(), 0);

    // The start-up selections: the index cell of row 1, the map's first cell.
    const GridRect t = form->sgVerdad->Selection();
    QCOMPARE(QList<int>({t.Left, t.Top, t.Right, t.Bottom}), QList<int>({0, 1, 0, 1}));
    const GridRect k = form->sgKarna->Selection();
    QCOMPARE(QList<int>({k.Left, k.Top, k.Right, k.Bottom}), QList<int>({1, 1, 1, 1}));

    // Status bar and progress bar: fixed captions, empty value panels, range
    // untouched by start-up, the bar inside the last panel 15 px short.
    const QStringList captions = {QString::fromUtf8("Número de 1's:"), QString(), QString::fromUtf8("Número de X's:"),
                                  QString(), QString::fromUtf8("Nº Términos solución:"), QString(),
                                  QString::fromUtf8("Cálculos %")};
    for (int i = 0; i < captions.size(); ++i)
        QCOMPARE(form->sBarBaja->PanelText(i), captions[i]);
    QCOMPARE(form->pBar->minimum(), 0);
    QCOMPARE(form->pBar->maximum(), 100);
    QCOMPARE(form->pBar->value(), 0);
    QCOMPARE(form->pBar->parentWidget(), form->sBarBaja);
    const QRect panel = form->sBarBaja->PanelRect(7);
    QCOMPARE(form->pBar->geometry(), QRect(panel.left(), panel.top(), panel.width() - 15, panel.height()));
    QVERIFY(panel.left() >= 450 && panel.right() >= form->sBarBaja->width() - 5);
}

// ------------------------------------------------------------------ editing

void TestMain::dragOverRowsThreeToSix()
{
    form->DataChanged = false;
    Drag(form->sgVerdad, {5, 4}, {5, 7});
    QVERIFY(form->DataChanged);
    CHECK(CheckValues({{3, "1"}, {4, "1"}, {5, "1"}, {6, "1"}}));
    // Index 3 sits in map row 1, column 3; indices 4, 5, 6 in map row 2,
    // columns 1, 2 and 4.
    QStringList map;
    for (int r = 1; r <= 4; ++r)
        for (int c = 1; c <= 4; ++c)
            map << form->sgKarna->Cell(c, r);
    QCOMPARE(map, QStringList({"", "", "1", "", //
                               "1", "1", "", "1", //
                               "", "", "", "", //
                               "", "", "", ""}));
    // The dragged range is shown selected, its neighbours are not.
    const QImage image = form->sgVerdad->grab().toImage();
    const QColor highlight = form->sgVerdad->palette().color(QPalette::Highlight);
    for (int r = 4; r <= 7; ++r)
        QCOMPARE(Background(image, form->sgVerdad, 5, r), highlight);
    QCOMPARE(Background(image, form->sgVerdad, 5, 3), QColor(0xEE, 0xFF, 0xDD));
    QCOMPARE(Background(image, form->sgVerdad, 5, 8), QColor(0xEE, 0xFF, 0xDD));
}

void TestMain::truthTableSelections_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<Indices>("written");

    QTest::newRow("value column upwards") << QPoint(5, 7) << QPoint(5, 4) << "X" << Indices{3, 4, 5, 6};
    QTest::newRow("one value cell") << QPoint(5, 16) << QPoint(5, 16) << "0" << Indices{15};
    QTest::newRow("bit column to value column") << QPoint(1, 2) << QPoint(5, 4) << "1" << Indices{1, 2, 3};
    QTest::newRow("index column to value column") << QPoint(0, 10) << QPoint(5, 13) << "0" << Indices{9, 10, 11, 12};
    // The selection, not where the button goes up, decides: this one still
    // ends in the value column.
    QTest::newRow("value column leftwards to a bit") << QPoint(5, 3) << QPoint(2, 5) << "X" << Indices{2, 3, 4};
    QTest::newRow("ends left of the value column") << QPoint(0, 2) << QPoint(4, 5) << "1" << Indices{};
    QTest::newRow("one bit cell") << QPoint(3, 9) << QPoint(3, 9) << "1" << Indices{};
    QTest::newRow("whole value column") << QPoint(5, 1) << QPoint(5, 16) << "0"
                                        << Indices{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
}

void TestMain::truthTableSelections()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(QString, mode);
    QFETCH(Indices, written);

    QStringList before;
    for (int r = 0; r <= 16; ++r)
        for (int c = 0; c <= 4; ++c)
            before << form->sgVerdad->Cell(c, r);
    CHECK(SetMode(mode));
    form->DataChanged = false;
    Drag(form->sgVerdad, from, to);

    // Every release over a data row marks the table changed, written or not.
    QVERIFY(form->DataChanged);
    QMap<int, QString> expected;
    for (int m : written)
        expected[m] = mode;
    CHECK(CheckValues(expected));
    QStringList after;
    for (int r = 0; r <= 16; ++r)
        for (int c = 0; c <= 4; ++c)
            after << form->sgVerdad->Cell(c, r);
    QCOMPARE(after, before);
}

void TestMain::truthTableRightClicks_data()
{
    QTest::addColumn<QPoint>("cell");
    QTest::addColumn<int>("button");
    QTest::addColumn<Indices>("zeroed");
    QTest::addColumn<QRect>("selection"); // left, top, right, bottom as x, y, right, bottom

    QTest::newRow("right: value cell inside the selection")
        << QPoint(5, 4) << int(Qt::RightButton) << Indices{3} << QRect(QPoint(5, 4), QPoint(5, 4));
    QTest::newRow("right: value cell outside the selection")
        << QPoint(5, 12) << int(Qt::RightButton) << Indices{11} << QRect(QPoint(5, 12), QPoint(5, 12));
    QTest::newRow("right: bit cell") << QPoint(2, 4) << int(Qt::RightButton) << Indices{}
                                     << QRect(QPoint(2, 4), QPoint(2, 4));
    QTest::newRow("right: index cell") << QPoint(0, 4) << int(Qt::RightButton) << Indices{}
                                       << QRect(QPoint(0, 4), QPoint(0, 4));
    // Only the right button moves the selection; a middle click writes the
    // selection it finds.
    QTest::newRow("middle: on a bit cell") << QPoint(2, 12) << int(Qt::MiddleButton)
                                           << Indices{0, 1, 2, 3, 4, 5, 6, 7} << QRect(QPoint(5, 1), QPoint(5, 8));
}

// A right click acts on the cell under the pointer alone, whatever was
// selected before.
void TestMain::truthTableRightClicks()
{
    QFETCH(QPoint, cell);
    QFETCH(int, button);
    QFETCH(Indices, zeroed);
    QFETCH(QRect, selection);

    Drag(form->sgVerdad, {5, 1}, {5, 8});
    CHECK(SetMode("0"));
    form->DataChanged = false;
    Click(form->sgVerdad, cell, Qt::MouseButton(button));

    QVERIFY(form->DataChanged);
    QMap<int, QString> expected;
    for (int m = 0; m < 8; ++m)
        expected[m] = "1";
    for (int m : zeroed)
        expected[m] = "0";
    CHECK(CheckValues(expected));
    const GridRect sel = form->sgVerdad->Selection();
    QCOMPARE(QRect(QPoint(sel.Left, sel.Top), QPoint(sel.Right, sel.Bottom)), selection);
}

void TestMain::headerReleases_data()
{
    QTest::addColumn<bool>("map");
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<int>("button");

    QTest::newRow("truth: click on \" =\"") << false << QPoint(5, 0) << QPoint(5, 0) << int(Qt::LeftButton);
    QTest::newRow("truth: click above the index column") << false << QPoint(0, 0) << QPoint(0, 0) << int(Qt::LeftButton);
    QTest::newRow("truth: right click on \" =\"") << false << QPoint(5, 0) << QPoint(5, 0) << int(Qt::RightButton);
    QTest::newRow("truth: drag up into the header") << false << QPoint(5, 6) << QPoint(5, 0) << int(Qt::LeftButton);
    QTest::newRow("map: click on a column header") << true << QPoint(3, 0) << QPoint(3, 0) << int(Qt::LeftButton);
    QTest::newRow("map: click on the corner") << true << QPoint(0, 0) << QPoint(0, 0) << int(Qt::LeftButton);
    QTest::newRow("map: right click on a column header") << true << QPoint(2, 0) << QPoint(2, 0) << int(Qt::RightButton);
    QTest::newRow("map: drag up into the header") << true << QPoint(4, 3) << QPoint(4, 0) << int(Qt::LeftButton);
}

// A release over a header row writes nothing and leaves the changed flag,
// although the selection before it would have been written.
void TestMain::headerReleases()
{
    QFETCH(bool, map);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(int, button);

    StringGrid *grid = map ? form->sgKarna : form->sgVerdad;
    if (map)
        Click(grid, {2, 2}); // index 5
    else
        Click(grid, {5, 6}); // index 5
    CHECK(CheckValues({{5, "1"}}));
    CHECK(SetMode("0"));
    form->DataChanged = false;
    form->MapCellColor = kGreen;

    if (from != to)
        Drag(grid, from, to);
    else
        Click(grid, from, Qt::MouseButton(button));

    CHECK(CheckValues({{5, "1"}}));
    QVERIFY(!form->DataChanged);
    // Every release over the map takes a highlighted term away.
    QCOMPARE(form->MapCellColor, map ? kGrey : kGreen);
}

void TestMain::mapSelections_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<Indices>("written");

    QTest::newRow("2 x 2 over 5, 7, 13, 15") << QPoint(2, 2) << QPoint(3, 3) << "X" << Indices{5, 7, 13, 15};
    QTest::newRow("same, drawn upwards") << QPoint(3, 3) << QPoint(2, 2) << "X" << Indices{5, 7, 13, 15};
    QTest::newRow("one cell in the last row") << QPoint(4, 4) << QPoint(4, 4) << "0" << Indices{10};
    QTest::newRow("row of 12, 13, 15, 14") << QPoint(4, 3) << QPoint(1, 3) << "1" << Indices{12, 13, 14, 15};
    QTest::newRow("column of 1, 5, 13, 9") << QPoint(2, 1) << QPoint(2, 4) << "0" << Indices{1, 5, 9, 13};
    // A release over the header column is over a data row, so accepted.
    QTest::newRow("released over the header column") << QPoint(1, 2) << QPoint(0, 2) << "1" << Indices{4};
}

void TestMain::mapSelections()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(QString, mode);
    QFETCH(Indices, written);

    CHECK(SetMode(mode));
    form->DataChanged = false;
    Drag(form->sgKarna, from, to);

    QVERIFY(form->DataChanged);
    QMap<int, QString> expected;
    for (int m : written)
        expected[m] = mode;
    CHECK(CheckValues(expected));
}

// The map has no press handler: buttons other than the left one release over
// a cell but write the current selection.
void TestMain::mapRightAndMiddleClicksWriteTheSelection()
{
    Click(form->sgKarna, {3, 4}); // index 11
    CHECK(CheckValues({{11, "1"}}));

    CHECK(SetMode("0"));
    form->DataChanged = false;
    Click(form->sgKarna, {1, 1}, Qt::RightButton);
    QVERIFY(form->DataChanged);
    CHECK(CheckValues({{11, "0"}}));

    CHECK(SetMode("X"));
    Click(form->sgKarna, {4, 2}, Qt::MiddleButton);
    CHECK(CheckValues({{11, "X"}}));

    // Writing the value a cell already holds still marks the table changed.
    form->DataChanged = false;
    Click(form->sgKarna, {2, 3}, Qt::RightButton);
    QVERIFY(form->DataChanged);
    CHECK(CheckValues({{11, "X"}}));
}

// A click on a term of the solutions tree leaves the map's selection on its
// corner cell: a right click on the map then writes nothing, yet removes the
// highlight and marks the table changed.
void TestMain::mapRightClickAfterATermWritesNothing()
{
    Click(form->sgKarna, {2, 2}); // index 5
    auto *branch = new QTreeWidgetItem(QStringList("Karnaugh"));
    auto *term = new QTreeWidgetItem(branch, QStringList(QStringLiteral("a") + QChar(0x00B7) + QStringLiteral("b")));
    term->setData(0, Qt::UserRole, QStringLiteral("11--")); // the cells a term lights, as Resolver stores them
    form->tvSolu->addTopLevelItem(branch);
    branch->setExpanded(true);
    const QRect place = form->tvSolu->visualItemRect(term);
    QVERIFY(!place.isEmpty());
    QTest::mouseClick(form->tvSolu->viewport(), Qt::LeftButton, {}, place.center());
    QCOMPARE(form->MapCellColor, kGreen);
    const GridRect corner = form->sgKarna->Selection();
    QCOMPARE(QRect(QPoint(corner.Left, corner.Top), QPoint(corner.Right, corner.Bottom)), QRect(0, 0, 1, 1));

    CHECK(SetMode("0"));
    form->DataChanged = false;
    Click(form->sgKarna, {3, 3}, Qt::RightButton);
    QVERIFY(form->DataChanged);
    QCOMPARE(form->MapCellColor, kGrey);
    CHECK(CheckValues({{5, "1"}}));
    // The header cells keep their texts.
    QCOMPARE(form->sgKarna->Cell(0, 0), QString());
    QCOMPARE(form->sgKarna->Cell(0, 3), QStringLiteral("11"));
    QCOMPARE(form->sgKarna->Cell(3, 0), QStringLiteral("11"));
}

void TestMain::randomEditsKeepGridsAgreeing_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<quint32>("seed");
    QTest::newRow("3 variables") << 3 << 11u;
    QTest::newRow("4 variables") << 4 << 12u;
    QTest::newRow("5 variables") << 5 << 13u;
    QTest::newRow("8 variables") << 8 << 14u;
}

// Whatever the user does, every truth-table value equals its map cell.
void TestMain::randomEditsKeepGridsAgreeing()
{
    QFETCH(int, count);
    QFETCH(quint32, seed);
    CHECK(SetCount(count));
    QRandomGenerator random(seed);
    const QStringList modes = {"0", "1", "X"};

    // A cell the user can reach: headers included, truth-table rows only
    // where the table is scrolled to.
    auto truthCell = [&] {
        StringGrid *t = form->sgVerdad;
        int lastShown = t->rowAt(t->viewport()->height() - 11);
        if (lastShown < 0)
            lastShown = t->rowCount() - 1;
        const int first = t->rowAt(0) + 1, last = lastShown + 1;
        const int row = random.bounded(10) == 0 ? 0 : random.bounded(first, last + 1);
        return QPoint(random.bounded(t->ColCount()), row);
    };
    auto mapCell = [&] {
        StringGrid *k = form->sgKarna;
        return QPoint(random.bounded(k->ColCount()), random.bounded(k->RowCount()));
    };

    int nonEmpty = 0;
    for (int step = 0; step < 80; ++step) {
        CHECK(SetMode(modes[random.bounded(3)]));
        if (form->sgVerdad->verticalScrollBar()->isVisible() && random.bounded(4) == 0)
            form->sgVerdad->verticalScrollBar()->setValue(
                random.bounded(form->sgVerdad->verticalScrollBar()->maximum() + 1));
        const bool map = random.bounded(2) == 1;
        StringGrid *grid = map ? form->sgKarna : form->sgVerdad;
        const QPoint a = map ? mapCell() : truthCell();
        switch (random.bounded(3)) {
        case 0: // a drag from a data cell
            Drag(grid, QPoint(a.x(), std::max(a.y(), 1)), map ? mapCell() : truthCell());
            break;
        case 1:
            Click(grid, a, Qt::RightButton);
            break;
        default:
            Click(grid, a);
            break;
        }
        CheckGridsAgree();
        if (QTest::currentTestFailed()) {
            qWarning("the grids disagree after step %d", step);
            return;
        }
    }
    for (int m = 0; m < (1 << count); ++m)
        nonEmpty += !Value(m).isEmpty();
    QVERIFY2(nonEmpty > 0, "the random edits wrote nothing");
}

// ------------------------------------------------------------------ lock, clear, count

void TestMain::lockedRefusesEverything()
{
    Click(form->sgVerdad, {5, 4}); // index 3
    CHECK(ClickPicture(form->Unlock));
    CHECK(CheckLocked());

    form->DataChanged = false;
    Drag(form->sgVerdad, {5, 1}, {5, 8});
    Click(form->sgVerdad, {5, 10}, Qt::RightButton);
    Drag(form->sgKarna, {1, 1}, {4, 4});
    Click(form->sgKarna, {2, 2}, Qt::RightButton);
    CHECK(CheckValues({{3, "1"}}));
    QVERIFY(!form->DataChanged);

    // A release over the map still takes a highlighted term away.
    form->MapCellColor = kGreen;
    Click(form->sgKarna, {3, 3});
    QCOMPARE(form->MapCellColor, kGrey);
    CHECK(CheckValues({{3, "1"}}));
    QVERIFY(!form->DataChanged);

    // The spinner is disabled, Clear hidden.
    Spin(1);
    QCOMPARE(form->NumVar, 4);
    QCOMPARE(form->lblNumVar->text(), QStringLiteral("4"));
    QVERIFY(!form->sbBorrar->isVisible());
}

void TestMain::lockThenUnlockRestoresStart_data()
{
    QTest::addColumn<bool>("byMousePicture");
    QTest::newRow("closed padlock") << false;
    QTest::newRow("mouse picture") << true;
}

// Locking and releasing again, by the closed padlock or by the mouse picture
// that runs the same command, returns every control to its start state.
void TestMain::lockThenUnlockRestoresStart()
{
    QFETCH(bool, byMousePicture);
    auto fillPanels = [this] {
        form->sBarBaja->SetPanelText(1, "7");
        form->sBarBaja->SetPanelText(3, "2");
        form->sBarBaja->SetPanelText(5, "3");
        form->pBar->setValue(40);
    };
    auto checkPanelsReset = [this] {
        for (int panel : {1, 3, 5})
            QCOMPARE(form->sBarBaja->PanelText(panel), QString());
        QCOMPARE(form->sBarBaja->PanelText(0), QString::fromUtf8("Número de 1's:"));
        QCOMPARE(form->pBar->value(), 0);
    };
    form->DataChanged = false;

    fillPanels();
    CHECK(ClickPicture(form->Unlock));
    CHECK(CheckLocked());
    checkPanelsReset();

    fillPanels();
    CHECK(ClickPicture(byMousePicture ? form->Image1 : form->Lock));
    CHECK(CheckUnlocked());
    checkPanelsReset();
    // The lock does not count as a change of the function.
    QVERIFY(!form->DataChanged);

    Drag(form->sgVerdad, {5, 2}, {5, 3});
    CHECK(CheckValues({{1, "1"}, {2, "1"}}));
}

// The mouse picture inverts the four controls without touching the padlocks.
void TestMain::mousePictureTogglesTwice()
{
    CHECK(ClickPicture(form->Image1));
    for (QWidget *w : std::initializer_list<QWidget *>{form->udUno, form->rbPon0, form->rbPon1, form->rbPonX})
        QVERIFY(!w->isEnabled());
    QVERIFY(form->Unlock->isVisible());
    QVERIFY(!form->Lock->isVisible());
    QVERIFY(form->sbBorrar->isVisible());
    form->DataChanged = false;
    Drag(form->sgVerdad, {5, 2}, {5, 3});
    CHECK(CheckValues({}));
    QVERIFY(!form->DataChanged);

    CHECK(ClickPicture(form->Image1));
    CHECK(CheckUnlocked());
    Drag(form->sgVerdad, {5, 2}, {5, 3});
    CHECK(CheckValues({{1, "1"}, {2, "1"}}));
}

// After the mouse picture has disabled the controls, the open padlock turns
// them on again while it shows the closed padlock.
void TestMain::mousePictureThenOpenPadlock()
{
    CHECK(ClickPicture(form->Image1));
    CHECK(ClickPicture(form->Unlock));
    for (QWidget *w : std::initializer_list<QWidget *>{form->udUno, form->rbPon0, form->rbPon1, form->rbPonX})
        QVERIFY(w->isEnabled());
    QVERIFY(form->Lock->isVisible());
    QVERIFY(!form->Unlock->isVisible());
    QVERIFY(!form->sbBorrar->isVisible());
    Click(form->sgKarna, {4, 1}); // index 2
    CHECK(CheckValues({{2, "1"}}));
}

void TestMain::spinner_data()
{
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<int>("count");
    QTest::newRow("4 up to 5") << QList<int>{1} << 5;
    QTest::newRow("4 down to 3") << QList<int>{-1} << 3;
    QTest::newRow("up at 8 stays 8") << QList<int>{1, 1, 1, 1, 1} << 8;
    QTest::newRow("down at 3 stays 3") << QList<int>{-1, -1} << 3;
    QTest::newRow("8 down to 7") << QList<int>{1, 1, 1, 1, -1} << 7;
}

// Every click rebuilds both grids, discards the values, marks the table
// changed and sets the progress range; the tree keeps its solutions.
void TestMain::spinner()
{
    QFETCH(QList<int>, clicks);
    QFETCH(int, count);

    for (int i = 0; i < clicks.size() - 1; ++i)
        Spin(clicks[i]);
    Drag(form->sgVerdad, {form->NumVar + 1, 1}, {form->NumVar + 1, 3});
    Click(form->sgKarna, {2, 2});
    form->tvSolu->addTopLevelItem(new QTreeWidgetItem(QStringList("Karnaugh")));
    form->sBarBaja->SetPanelText(1, "5");
    form->pBar->setValue(3);
    form->DataChanged = false;

    Spin(clicks.last());

    QCOMPARE(form->NumVar, count);
    QCOMPARE(form->lblNumVar->text(), QString::number(count));
    QCOMPARE(form->udUno->Position(), count);
    QVERIFY(form->DataChanged);
    QCOMPARE(form->pBar->minimum(), 0);
    QCOMPARE(form->pBar->maximum(), 8 << count);
    QCOMPARE(form->pBar->value(), 0);
    CHECK(CheckTexts(count));
    QCOMPARE(form->tvSolu->topLevelItemCount(), 1);
    QCOMPARE(form->sBarBaja->PanelText(1), QStringLiteral("5"));
}

void TestMain::clearAfterEdits()
{
    CHECK(SetMode("X"));
    Drag(form->sgVerdad, {5, 1}, {5, 5});
    CHECK(SetMode("0"));
    Drag(form->sgKarna, {3, 3}, {4, 4});
    form->tvSolu->addTopLevelItem(new QTreeWidgetItem(QStringList("S.O.P. MinTerm")));
    form->tvSolu->addTopLevelItem(new QTreeWidgetItem(QStringList("Karnaugh")));
    for (int panel : {1, 3, 5})
        form->sBarBaja->SetPanelText(panel, "9");
    form->pBar->setValue(37);
    form->MapCellColor = kGreen;
    form->DataChanged = false;

    QTest::mouseClick(form->sbBorrar, Qt::LeftButton);

    QVERIFY(form->DataChanged);
    QCOMPARE(form->MapCellColor, kGrey);
    CHECK(CheckTexts(4));
    for (int panel : {1, 3, 5})
        QCOMPARE(form->sBarBaja->PanelText(panel), QString());
    QCOMPARE(form->tvSolu->topLevelItemCount(), 0);
    QCOMPARE(form->pBar->value(), 37);
    QCOMPARE(form->NumVar, 4);
}

void TestMain::tablesForEveryCount_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QSize>("truth");
    QTest::addColumn<bool>("scrollBar");
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<QSize>("map");
    QTest::addColumn<int>("verdadLeft");
    QTest::addColumn<int>("karnaLeft");
    QTest::addColumn<QString>("tag1");
    QTest::addColumn<QString>("tag2");

    // Up to four variables the table shows every row: one pixel more than
    // the rows and header alone, for its frame, so nothing is left to scroll.
    QTest::newRow("3") << 3 << QSize(108, 191) << false << QSize(116, 199) << QSize(138, 84) << 30 << 330 << "a" << "bc";
    QTest::newRow("4") << 4 << QSize(129, 359) << false << QSize(137, 367) << QSize(138, 138) << 40 << 330 << "ab" << "cd";
    QTest::newRow("5") << 5 << QSize(167, 500) << true << QSize(175, 508) << QSize(246, 138) << 50 << 405 << "ab" << "cde";
    QTest::newRow("6") << 6 << QSize(188, 500) << true << QSize(196, 508) << QSize(246, 246) << 60 << 405 << "abc" << "def";
    QTest::newRow("7") << 7 << QSize(209, 500) << true << QSize(217, 508) << QSize(462, 246) << 70 << 480 << "abc" << "defg";
    QTest::newRow("8") << 8 << QSize(230, 500) << true << QSize(238, 508) << QSize(462, 462) << 80 << 480 << "abcd" << "efgh";
}

// Reached from eight variables with values in both grids (and for eight,
// through three and back), so stale texts would show.
void TestMain::tablesForEveryCount()
{
    QFETCH(int, n);
    QFETCH(QSize, truth);
    QFETCH(bool, scrollBar);
    QFETCH(QSize, frame);
    QFETCH(QSize, map);
    QFETCH(int, verdadLeft);
    QFETCH(int, karnaLeft);
    QFETCH(QString, tag1);
    QFETCH(QString, tag2);

    CHECK(SetCount(8));
    CHECK(SetMode("X"));
    Drag(form->sgVerdad, {9, 1}, {9, 12});
    Drag(form->sgKarna, {16, 16}, {10, 10});
    CHECK(SetCount(3));
    CHECK(SetCount(n));

    CHECK(CheckTexts(n));
    QCOMPARE(form->sgVerdad->size(), truth);
    QCOMPARE(form->sgVerdad->verticalScrollBar()->isVisible(), scrollBar);
    QCOMPARE(form->bVerdad->size(), frame);
    QCOMPARE(form->sgKarna->size(), map);
    QCOMPARE(form->lblVerdad->x(), verdadLeft);
    QCOMPARE(form->lblKarna->x(), karnaLeft);
    QCOMPARE(form->lblTag1->text(), tag1);
    QCOMPARE(form->lblTag2->text(), tag2);
    // The grids keep their places; the frame stays around the table.
    QCOMPARE(form->sgVerdad->pos(), QPoint(12, 120));
    QCOMPARE(form->sgKarna->pos(), QPoint(284, 116));
    QVERIFY(form->bVerdad->geometry().contains(form->sgVerdad->geometry()));

    // Every column of the truth table and every map cell is in full view;
    // without a scroll bar so is every truth-table row.
    auto inView = [](StringGrid *grid, int column, int row, int side) {
        QPoint local;
        QWidget *w = grid->WidgetAt(column, row, &local);
        const QRect cell(local - QPoint((side - 1) / 2, (side - 1) / 2), QSize(side, side));
        return w->rect().contains(cell);
    };
    QVERIFY(inView(form->sgVerdad, n + 1, 1, 20));
    QVERIFY(inView(form->sgKarna, form->sgKarna->ColCount() - 1, form->sgKarna->RowCount() - 1, 26));
    if (!scrollBar) {
        QPoint local;
        QWidget *w = form->sgVerdad->WidgetAt(n + 1, 1 << n, &local);
        const int shown = w->rect().intersected(QRect(local - QPoint(9, 9), QSize(20, 20))).height();
        QVERIFY2(inView(form->sgVerdad, n + 1, 1 << n, 20),
                 qPrintable(QStringLiteral("the last truth-table row shows %1 of its 20 px").arg(shown)));
    }
}

void TestMain::aboutDialogGoesThroughTheModalSeam()
{
    QList<QDialog *> shown;
    QString caption;
    prompts::Answers answers;
    answers.modal = [&](QDialog *dialog) {
        shown << dialog;
        caption = dialog->windowTitle();
        return int(QDialog::Accepted);
    };
    prompts::SetAnswers(&answers);
    form->DataChanged = false;

    CHECK(ClickPicture(form->Image4));

    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first(), static_cast<QDialog *>(form->AboutBox));
    QCOMPARE(caption, QStringLiteral("Acerca de programa..."));
    QVERIFY(!form->DataChanged);
}

// A drag down to the last row must not leave the table scrolled: a table
// that shows all its rows has nothing to scroll, and a rebuild starts at row 0.
void TestMain::truthTableNeverHidesRowZero_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("3 to 5") << 3 << 5;
    QTest::newRow("4 to 5") << 4 << 5;
    QTest::newRow("4 to 8") << 4 << 8;
    QTest::newRow("6 to 7, scrolled to the end") << 6 << 7;
}

void TestMain::truthTableNeverHidesRowZero()
{
    QFETCH(int, from);
    QFETCH(int, to);
    StringGrid *t = form->sgVerdad;
    CHECK(SetCount(from));
    const int rows = 1 << from;
    if (from <= 4) {
        Drag(t, {from + 1, 1}, {from + 1, rows});
        QCOMPARE(t->verticalScrollBar()->maximum(), 0);
        QCOMPARE(t->rowViewportPosition(0), 0);
        QVERIFY(t->rowViewportPosition(rows - 1) + t->rowHeight(rows - 1) <= t->viewport()->height());
    } else {
        t->scrollToBottom();
        QVERIFY(t->verticalScrollBar()->value() > 0);
    }
    CHECK(SetCount(to));
    QCOMPARE(t->verticalScrollBar()->value(), 0);
    QCOMPARE(t->rowViewportPosition(0), 0);
}

// With the stand-in fonts each caption of the top panel still ends before
// the next begins.
void TestMain::captionsKeepApart()
{
    const QList<QLabel *> captions{form->Label8, form->Label9, form->Label4, form->Label6, form->Label1,
                                   form->Label2, form->lblBorrar, form->Label3, form->Label5};
    for (int i = 0; i < captions.size(); ++i) {
        QLabel *label = captions[i];
        const int drawn = QFontMetrics(label->font()).horizontalAdvance(label->text());
        QVERIFY2(drawn <= label->width(), qPrintable(label->text()));
        const int limit = i + 1 < captions.size() ? captions[i + 1]->x() : form->SetUp->width();
        QVERIFY2(label->x() + drawn < limit, qPrintable(QStringLiteral("%1 reaches %2, the next begins at %3")
                                                            .arg(label->text()).arg(label->x() + drawn).arg(limit)));
    }
}

// A screen reader names every command, and the tool tips say the same.
void TestMain::everyControlIsNamed()
{
    const QList<std::pair<const char *, QString>> named{
        {"sbAbrir", "Abrir"}, {"sbSalvar", "Guardar"}, {"sbHazlo", "Resolver"}, {"SpeedButton1", "Nom. Vars."},
        {"sbBorrar", "Borrar"}, {"sbPrint", "Imprimir"}, {"udUno", QString::fromUtf8("Nº Variables")},
        {"Image1", "Click-Insertar"}, {"Image4", "Acerca de Quintora"}, {"Lock", "Desbloquear"},
        {"Unlock", "Bloquear"}, {"rbPon0", "Insertar 0"}, {"rbPon1", "Insertar 1"}, {"rbPonX", "Insertar X"},
        {"sgVerdad", "Tabla Verdad"}, {"sgKarna", "Tabla Karnaugh"}, {"tvSolu", "Soluciones"}};
    for (const auto &[object, name] : named) {
        auto *w = form->findChild<QWidget *>(QString::fromLatin1(object));
        QVERIFY2(w, object);
        QCOMPARE(w->accessibleName(), name);
        QCOMPARE(w->toolTip(), name);
    }
    for (QToolButton *b : form->SetUp->findChildren<QToolButton *>())
        QVERIFY2(!b->accessibleName().isEmpty(), qPrintable(b->objectName()));
    // The buttons found by name are the ones wired to the commands.
    form->findChild<QToolButton *>(QStringLiteral("sbBorrar"))->click();
    QVERIFY(form->DataChanged);
}

// Qt's own dialogs and buttons speak Spanish whatever the machine's locale.
void TestMain::qtTextsAreSpanish()
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quintora"), QStringLiteral("x"),
                    QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.button(QMessageBox::Cancel)->text().remove(QLatin1Char('&')), QStringLiteral("Cancelar"));
    QCOMPARE(box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), QString::fromUtf8("Sí"));
    QFileDialog dialog(nullptr, QStringLiteral("Abrir datos..."));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    QStringList texts;
    for (QLabel *label : dialog.findChildren<QLabel *>())
        texts << label->text().remove(QLatin1Char('&'));
    QVERIFY2(texts.contains(QStringLiteral("Nombre de fichero:")), qPrintable(texts.join(QLatin1Char('|'))));
    QVERIFY2(!texts.contains(QStringLiteral("File name:")), qPrintable(texts.join(QLatin1Char('|'))));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Abrir datos..."));
}

// ------------------------------------------------------------------ painting

void TestMain::paintTruthTable_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("expect"); // a colour, "highlight", "button", "red text", "no red text"

    QTest::newRow("empty value cell") << 5 << 6 << "#EEFFDD";
    QTest::newRow("value 0, background") << 5 << 3 << "#EEFFDD";
    QTest::newRow("value 0, red") << 5 << 3 << "red text";
    QTest::newRow("value 1, not red") << 5 << 4 << "no red text";
    QTest::newRow("index cell") << 0 << 6 << "#EEFFDD";
    QTest::newRow("bit of index 0") << 1 << 1 << "#FFEEDD";
    QTest::newRow("bit of index 1") << 2 << 2 << "#FFFFDD";
    QTest::newRow("bit of index 4") << 3 << 5 << "#FFEEDD";
    QTest::newRow("bit of index 15") << 4 << 16 << "#FFFFDD";
    QTest::newRow("selected index cell") << 0 << 10 << "highlight";
    QTest::newRow("header = is red") << 5 << 0 << "red text";
    QTest::newRow("header = background") << 5 << 0 << "button";
    QTest::newRow("header a not red") << 1 << 0 << "no red text";
}

void TestMain::paintTruthTable()
{
    QFETCH(int, column);
    QFETCH(int, row);
    QFETCH(QString, expect);

    CHECK(SetMode("0"));
    Click(form->sgVerdad, {5, 3}, Qt::RightButton); // index 2: "  0"
    CHECK(SetMode("1"));
    Click(form->sgVerdad, {5, 4}, Qt::RightButton); // index 3: "  1"
    Click(form->sgVerdad, {0, 10});                 // selects, writes nothing
    CHECK(CheckValues({{2, "0"}, {3, "1"}}));

    const QImage image = form->sgVerdad->grab().toImage();
    const QPalette palette = form->sgVerdad->palette();
    if (expect == QLatin1String("red text"))
        QVERIFY(HasRedText(image, form->sgVerdad, column, row));
    else if (expect == QLatin1String("no red text"))
        QVERIFY(!HasRedText(image, form->sgVerdad, column, row));
    else if (expect == QLatin1String("highlight"))
        QCOMPARE(Background(image, form->sgVerdad, column, row), palette.color(QPalette::Highlight));
    else if (expect == QLatin1String("button"))
        QCOMPARE(Background(image, form->sgVerdad, column, row), palette.color(QPalette::Button));
    else
        QCOMPARE(Background(image, form->sgVerdad, column, row), QColor(expect));
}

void TestMain::paintMap()
{
    StringGrid *k = form->sgKarna;
    CHECK(SetMode("0"));
    Click(k, {2, 2}); // index 5: "0"
    CHECK(SetMode("1"));
    Click(k, {4, 4}); // index 10: "1", stays selected
    const QColor highlight = k->palette().color(QPalette::Highlight);

    QImage image = k->grab().toImage();
    QCOMPARE(Background(image, k, 1, 1), kGrey);
    QCOMPARE(Background(image, k, 2, 2), kGrey);
    QVERIFY(HasRedText(image, k, 2, 2));
    QCOMPARE(Background(image, k, 4, 4), highlight);
    QVERIFY(!HasRedText(image, k, 4, 4));
    QVERIFY(!HasRedText(image, k, 2, 0)); // headers in window text
    QCOMPARE(Background(image, k, 1, 0), k->palette().color(QPalette::Button));
    QCOMPARE(Background(image, k, 0, 3), k->palette().color(QPalette::Button));
}

// Unselected value cells are painted on whatever the colour holds at that
// moment, whichever cell it is; a release over the map turns it grey again.
void TestMain::paintMapOnMapCellColor()
{
    StringGrid *k = form->sgKarna;
    CHECK(SetMode("0"));
    Click(k, {2, 2}); // index 5: "0"
    CHECK(SetMode("1"));
    Click(k, {4, 4}); // index 10: "1", stays selected
    const QColor highlight = k->palette().color(QPalette::Highlight);

    // Green is only ever the clicked term's cells: a repaint while the colour
    // is green but no term lies on a cell leaves that cell grey.
    form->MapCellColor = kGreen;
    k->RepaintAll();
    QImage image = k->grab().toImage();
    QCOMPARE(Background(image, k, 1, 1), kGrey);
    QCOMPARE(Background(image, k, 2, 2), kGrey);
    QVERIFY(HasRedText(image, k, 2, 2));
    QCOMPARE(Background(image, k, 4, 4), highlight);

    Click(k, {3, 0});
    QCOMPARE(form->MapCellColor, kGrey);
    image = k->grab().toImage();
    QCOMPARE(Background(image, k, 1, 1), kGrey);
    CHECK(CheckValues({{5, "0"}, {10, "1"}}));
}

QTEST_MAIN(TestMain)
#include "tst_main.moc"
