// Resolver and the solutions tree on the real window, offscreen, and the
// lighting of a clicked term on the map.
#include "main.h"
#include "prompts.h"
#include "window_helpers.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QHeaderView>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTest>

using namespace quintora;
using namespace quintora::testing;

namespace {

QStringList Children(QTreeWidgetItem *node)
{
    QStringList texts;
    for (int i = 0; node && i < node->childCount(); ++i)
        texts << node->child(i)->text(0);
    return texts;
}

QStringList Karnaugh(TForm1 &f) { return Children(TForm1::FindSolutionNode(f.tvSolu, kKarnaughCaption, false)); }

void ClickNode(TForm1 &f, QTreeWidgetItem *node)
{
    f.tvSolu->scrollToItem(node);
    QTest::mouseClick(f.tvSolu->viewport(), Qt::LeftButton, {}, f.tvSolu->visualItemRect(node).center());
}

// The rows whose map cells are painted green, read from the grabbed map.
QList<int> LitRows(TForm1 &f)
{
    f.sgKarna->RepaintAll();
    const QImage image = f.sgKarna->grab().toImage();
    QList<int> lit;
    for (int m = 0; m < RowCount(f.NumVar); ++m) {
        const MapCell cell = MapCellOfIndex(m, f.NumVar);
        const QRect rect = f.sgKarna->CellRect(cell.column, cell.row);
        // Near the bottom-right corner, away from the text.
        const QColor pixel = image.pixelColor(rect.right() - 3, rect.bottom() - 3);
        if (pixel == kMapGreen)
            lit << m;
    }
    return lit;
}

// The value of a sum of the window's product terms on a row.
bool SumCovers(const QStringList &terms, int m, int numVar, const VarNames &names)
{
    for (const QString &term : terms) {
        bool holds = true;
        if (term != QLatin1String("1")) {
            for (const QString &factor : term.split(QChar(0x00B7))) {
                const bool complemented = factor.startsWith(QLatin1Char('|'));
                const QString name = complemented ? factor.mid(1) : factor;
                int var = -1;
                for (int i = 0; i < numVar; ++i)
                    if (names[i] == name)
                        var = i;
                if (var < 0)
                    return false;
                const bool bit = (m >> (numVar - 1 - var)) & 1;
                if (bit == complemented)
                    holds = false;
            }
        }
        if (holds)
            return true;
    }
    return false;
}

// Counts the draws, so that a test can tell whether another solve ran.
class CountingRandom : public LcgRandom {
public:
    using LcgRandom::LcgRandom;
    uint32_t Draw(uint32_t n) override
    {
        ++draws;
        return LcgRandom::Draw(n);
    }
    long draws = 0;
};

// Calls `action` once, the first time the progress bar moves: from inside a
// solve, as a person's input would arrive.
void OnFirstProgress(TForm1 &f, std::function<void()> action)
{
    auto once = std::make_shared<bool>(false);
    QObject::connect(f.pBar, &QProgressBar::valueChanged, &f, [once, action] {
        if (!*once) {
            *once = true;
            action();
        }
    });
}

} // namespace

class TestSolve : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void noOneStopsEarly();
    void undefinedRowsBecomeZero();
    void allOnesOfEightVariables();
    void isolatedRows();
    void twoSolvesInARow();
    void findSolutionNode();
    void highlighting_data();
    void highlighting();
    void exactStepReachesTheWindow();
    void highlightSurvivesRepaint();
    void randomFunctionsThroughTheWindow();
    void longTermsScrollSideways();
    void highlightGoesWithTheSolutions_data();
    void highlightGoesWithTheSolutions();
    void progressBarReachesItsEnd_data();
    void progressBarReachesItsEnd();
    void unprovenMinimumIsMarked_data();
    void unprovenMinimumIsMarked();
    void inputDuringSolveIsDropped();
    void closeDuringSolveWaitsForIt();

private:
    std::unique_ptr<TForm1> f;
    prompts::Answers answers;
    QStringList messages;
};

void TestSolve::initTestCase()
{
    SetUpApplication(*qApp);
    answers.message = [this](const QString &text) { messages << text; };
    prompts::SetAnswers(&answers);
}

void TestSolve::init()
{
    messages.clear();
    f = std::make_unique<TForm1>();
    f->Random = std::make_unique<LcgRandom>(11);
    f->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.get()));
}

void TestSolve::cleanup()
{
    f.reset();
    answers.saveChanges = {};
}

void TestSolve::noOneStopsEarly()
{
    SetCount(*f, 3);
    SetValues(*f, QStringLiteral("X__0X___"));
    new QTreeWidgetItem(f->tvSolu, QStringList{QStringLiteral("previous")});
    f->sBarBaja->SetPanelText(1, QStringLiteral("7"));
    f->sbHazloClick();
    QCOMPARE(messages, QStringList{QString::fromUtf8("No hay ningún 1 y la solución sería 0.")});
    QVERIFY(!f->DataChanged);
    QVERIFY(!f->rbPon1->isEnabled());
    QVERIFY(f->Lock->isVisibleTo(f.get()));
    QVERIFY(!f->sbBorrar->isVisibleTo(f.get()));
    // Empty values became 0 in the truth table only; the map keeps its blanks.
    QCOMPARE(f->sgVerdad->Cell(4, 2), QStringLiteral("  0"));
    QCOMPARE(f->sgVerdad->Cell(4, 1), QStringLiteral("  X"));
    const MapCell cell = MapCellOfIndex(1, 3);
    QCOMPARE(f->sgKarna->Cell(cell.column, cell.row), QString());
    // The old solutions go: they belong to another function.
    QCOMPARE(f->tvSolu->topLevelItemCount(), 0);
    QCOMPARE(f->sBarBaja->PanelText(1), QStringLiteral("7"));
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void TestSolve::undefinedRowsBecomeZero()
{
    SetCount(*f, 3);
    SetValues(*f, QStringLiteral("_1___1X_"));
    f->sbHazloClick();
    QCOMPARE(messages, QStringList{QStringLiteral("Hay 5 punto/s sin definir, se considerarán como 0'")});
    for (int m : {0, 2, 3, 4, 7}) {
        QCOMPARE(f->sgVerdad->Cell(4, m + 1), QStringLiteral("  0"));
        const MapCell cell = MapCellOfIndex(m, 3);
        QCOMPARE(f->sgKarna->Cell(cell.column, cell.row), QStringLiteral("0"));
    }
    QCOMPARE(Children(TForm1::FindSolutionNode(f->tvSolu, kPosCaption, false)),
             (QStringList{"a+b+c", "a+|b+c", "a+|b+|c", "|a+b+c", "|a+|b+|c"}));
    QCOMPARE(Children(f->tvSolu->topLevelItem(0)),
             (QStringList{QString::fromUtf8("|a·|b·c"), QString::fromUtf8("a·|b·c")}));
    QCOMPARE(Karnaugh(*f), QStringList{QString::fromUtf8("|b·c")});
    QCOMPARE(f->sBarBaja->PanelText(1), QStringLiteral("2"));
    QCOMPARE(f->sBarBaja->PanelText(3), QStringLiteral("1"));
    QCOMPARE(f->sBarBaja->PanelText(5), QStringLiteral("1"));
    QCOMPARE(f->pBar->value(), 0);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    // Every branch is expanded.
    for (int i = 0; i < 3; ++i)
        QVERIFY(f->tvSolu->topLevelItem(i)->isExpanded());
}

void TestSolve::allOnesOfEightVariables()
{
    SetCount(*f, 8);
    SetValues(*f, QString(256, QLatin1Char('1')));
    f->sbHazloClick();
    QVERIFY(messages.isEmpty());
    QCOMPARE(Karnaugh(*f), QStringList{QStringLiteral("1")});
    QCOMPARE(f->sBarBaja->PanelText(5), QStringLiteral("1"));
    QCOMPARE(f->tvSolu->topLevelItem(0)->childCount(), 256);
    // Below 256 minterms, the minimal sum is scrolled into sight, its term too.
    QTreeWidgetItem *karnaugh = TForm1::FindSolutionNode(f->tvSolu, kKarnaughCaption, false);
    const QRect term = f->tvSolu->visualItemRect(karnaugh->child(0));
    QVERIFY(term.top() >= 0 && term.bottom() < f->tvSolu->viewport()->height());
    QCOMPARE(f->tvSolu->topLevelItem(1)->childCount(), 0);
}

void TestSolve::isolatedRows()
{
    SetCount(*f, 3);
    SetValues(*f, QStringLiteral("01101001"));
    f->sbHazloClick();
    QCOMPARE(Karnaugh(*f), (QStringList{QString::fromUtf8("|a·|b·c"), QString::fromUtf8("|a·b·|c"),
                                        QString::fromUtf8("a·|b·|c"), QString::fromUtf8("a·b·c")}));
    QCOMPARE(f->sBarBaja->PanelText(5), QStringLiteral("4"));
}

void TestSolve::twoSolvesInARow()
{
    SetValues(*f, QStringLiteral("1101X011010X1100"));
    f->sbHazloClick();
    const QStringList minterms = Children(f->tvSolu->topLevelItem(0));
    const QStringList maxterms = Children(f->tvSolu->topLevelItem(1));
    const int terms = Karnaugh(*f).size();
    f->sbHazloClick();
    QCOMPARE(f->tvSolu->topLevelItemCount(), 4);
    QCOMPARE(Children(f->tvSolu->topLevelItem(0)), minterms);
    QCOMPARE(Children(f->tvSolu->topLevelItem(1)), maxterms);
    // The trials differ, the minimum does not.
    QCOMPARE(Karnaugh(*f).size(), terms);
    QVERIFY(!f->rbPon1->isEnabled());
    QVERIFY(f->Lock->isVisibleTo(f.get()));
}

void TestSolve::findSolutionNode()
{
    QCOMPARE(TForm1::FindSolutionNode(f->tvSolu, QStringLiteral("karnaugh"), true), nullptr);
    SetValues(*f, QStringLiteral("1100110000000000"));
    f->sbHazloClick();
    QTreeWidgetItem *node = TForm1::FindSolutionNode(f->tvSolu, QStringLiteral("karnaugh"), true);
    QVERIFY(node);
    QCOMPARE(node->text(0), kKarnaughCaption);
    QCOMPARE(TForm1::FindSolutionNode(f->tvSolu, QStringLiteral("p.o.s. maxterm"), false), f->tvSolu->topLevelItem(1));
    // A child is found by its caption too, in tree order.
    QCOMPARE(TForm1::FindSolutionNode(f->tvSolu, QString::fromUtf8("|A·|C"), false)->parent(), node);
}

// Each case: a function, the node clicked (found by caption) and the rows lit.
void TestSolve::highlighting_data()
{
    QTest::addColumn<int>("numVar");
    QTest::addColumn<QString>("values");
    QTest::addColumn<QString>("node");
    QTest::addColumn<QList<int>>("lit");

    QTest::newRow("minterm lights its row") << 4 << "0000010000000000" << QString::fromUtf8("|a·b·|c·d") << QList<int>{5};
    QTest::newRow("maxterm lights the row where it is 0") << 4 << "1111101111111111" << "a+|b+c+|d" << QList<int>{5};
    QTest::newRow("product lights its cells") << 3 << "00001010" << QString::fromUtf8("a·|c") << QList<int>{4, 6};
    QTest::newRow("1 lights every cell") << 3 << "11111111" << "1" << QList<int>{0, 1, 2, 3, 4, 5, 6, 7};
    QTest::newRow("a sum of the product lights its zeros") << 3 << "11110101" << "|a+c" << QList<int>{4, 6};
    QTest::newRow("a branch caption lights nothing") << 4 << "0000010000000000" << "Karnaugh" << QList<int>{};
}

void TestSolve::highlighting()
{
    QFETCH(int, numVar);
    QFETCH(QString, values);
    QFETCH(QString, node);
    QFETCH(QList<int>, lit);
    SetCount(*f, numVar);
    SetValues(*f, values);
    f->sbHazlo->click();
    QTreeWidgetItem *item = TForm1::FindSolutionNode(f->tvSolu, node, true);
    QVERIFY2(item, qPrintable(node));
    ClickNode(*f, item);
    QCOMPARE(LitRows(*f), lit);
    QCOMPARE(f->sgKarna->CurrentCell(), QPoint(0, 0));
    // A click while no node is selected only turns the map grey.
    f->tvSolu->clearSelection();
    f->tvSoluClick();
    QCOMPARE(LitRows(*f), QList<int>{});
}

// The trials alone pick the middle square, which covers four rows yet is
// redundant; the exact step finds the four essential terms. A window that
// dropped the exact step's result would show five.
void TestSolve::exactStepReachesTheWindow()
{
    QString values(16, QLatin1Char('0'));
    for (int m : {1, 5, 6, 7, 11, 12, 13, 15})
        values[m] = QLatin1Char('1');
    SetValues(*f, values);
    f->sbHazlo->click();
    QCOMPARE(Karnaugh(*f).size(), 4);
    QCOMPARE(f->sBarBaja->PanelText(TForm1::kPanelTerms), QStringLiteral("4"));
    QVERIFY(f->Solved && f->Solved->karnaugh.size() == 4);
}

void TestSolve::highlightSurvivesRepaint()
{
    SetValues(*f, QStringLiteral("1100110000000000"));
    f->sbHazloClick();
    ClickNode(*f, TForm1::FindSolutionNode(f->tvSolu, QString::fromUtf8("|a·|c"), true));
    const QList<int> lit{0, 1, 4, 5};
    QCOMPARE(LitRows(*f), lit);
    // Repaints for other reasons (the whole window, a cell rewritten from the
    // truth table) must not spread the light.
    f->repaint();
    const MapCell other = MapCellOfIndex(15, 4);
    f->sgKarna->SetCell(other.column, other.row, QStringLiteral("0"));
    QCOMPARE(LitRows(*f), lit);
    // A release on the map ends it.
    QPoint local;
    QWidget *w = f->sgKarna->WidgetAt(2, 2, &local);
    QTest::mouseClick(w, Qt::LeftButton, {}, local);
    QCOMPARE(f->MapCellColor, kMapGrey);
    QCOMPARE(LitRows(*f), QList<int>{});
}

void TestSolve::randomFunctionsThroughTheWindow()
{
    QRandomGenerator gen(4242);
    for (int i = 0; i < 36; ++i) {
        const int n = 3 + i % 6;
        f->LockClick();
        if (!f->rbPon1->isEnabled())
            f->LockClick();
        SetCount(*f, n);
        QString values;
        for (int m = 0; m < RowCount(n); ++m) {
            const int roll = gen.bounded(10);
            values += roll < 5 ? QLatin1Char('1') : roll < 7 ? QLatin1Char('X') : QLatin1Char('0');
        }
        if (!values.contains(QLatin1Char('1')))
            values[0] = QLatin1Char('1');
        SetValues(*f, values);
        f->sbHazloClick();
        const QStringList terms = Karnaugh(*f);
        QCOMPARE(f->sBarBaja->PanelText(5), QString::number(terms.size()));
        for (int m = 0; m < RowCount(n); ++m) {
            if (values[m] == QLatin1Char('X'))
                continue;
            QVERIFY2(SumCovers(terms, m, n, f->NomVar) == (values[m] == QLatin1Char('1')),
                     qPrintable(QStringLiteral("%1 variables, row %2, function %3").arg(n).arg(m).arg(values)));
        }
    }
}

// At eight variables a maxterm is far wider than the tree: the tree scrolls
// sideways to show it whole, and its tool tip holds it.
void TestSolve::longTermsScrollSideways()
{
    SetCount(*f, 8);
    QString values(256, QLatin1Char('1'));
    values[0] = QLatin1Char('0');
    values[170] = QLatin1Char('0');
    SetValues(*f, values);
    f->sbHazlo->click();
    QTreeWidgetItem *pos = TForm1::FindSolutionNode(f->tvSolu, kPosCaption, false);
    QVERIFY(pos && pos->childCount() == 2);
    QTreeWidgetItem *longest = pos->child(1);
    QCOMPARE(longest->text(0), QStringLiteral("|a+b+|c+d+|e+f+|g+h"));
    QCOMPARE(longest->toolTip(0), longest->text(0));
    QCOMPARE(f->tvSolu->textElideMode(), Qt::ElideNone);
    // The whole caption fits its column, and the column is wider than the tree.
    const int textWidth = f->tvSolu->fontMetrics().horizontalAdvance(longest->text(0));
    const QRect rect = f->tvSolu->visualItemRect(longest);
    QVERIFY2(f->tvSolu->header()->sectionSize(0) >= rect.left() + f->tvSolu->horizontalScrollBar()->value() + textWidth,
             qPrintable(QStringLiteral("column %1, text %2").arg(f->tvSolu->header()->sectionSize(0)).arg(textWidth)));
    QVERIFY(f->tvSolu->horizontalScrollBar()->maximum() > 0);
    QVERIFY(f->tvSolu->horizontalScrollBar()->isVisible());
}

// Every event that empties the tree or rebuilds the map forgets the lit
// term: no cell of the new map may stay green.
void TestSolve::highlightGoesWithTheSolutions_data()
{
    QTest::addColumn<QString>("event");
    QTest::newRow("count 3 to 4 to 3") << QStringLiteral("count");
    QTest::newRow("Borrar") << QStringLiteral("clear");
    QTest::newRow("refused Resolver") << QStringLiteral("refused");
}

void TestSolve::highlightGoesWithTheSolutions()
{
    QFETCH(QString, event);
    SetCount(*f, 3);
    SetValues(*f, QStringLiteral("11110000"));
    f->sbHazlo->click();
    ClickNode(*f, TForm1::FindSolutionNode(f->tvSolu, kKarnaughCaption, false)->child(0));
    QCOMPARE(LitRows(*f), (QList<int>{0, 1, 2, 3}));
    f->LockClick(); // the closed padlock releases the lock
    if (event == QLatin1String("count")) {
        f->udUno->UpButton()->click();
        f->udUno->DownButton()->click();
    } else if (event == QLatin1String("clear")) {
        f->sbBorrar->click();
    } else {
        SetValues(*f, QStringLiteral("00000000"));
        f->sbHazlo->click();
        QCOMPARE(f->tvSolu->topLevelItemCount(), 0);
    }
    QCOMPARE(f->NumVar, 3);
    QCOMPARE(LitRows(*f), QList<int>{});
}

// The bar's range is the number of trials, so the last one fills it before
// it goes back to 0.
void TestSolve::progressBarReachesItsEnd_data()
{
    QTest::addColumn<int>("numVar");
    QTest::newRow("4, the start-up range") << 4;
    QTest::newRow("6") << 6;
}

void TestSolve::progressBarReachesItsEnd()
{
    QFETCH(int, numVar);
    SetCount(*f, numVar);
    if (numVar == 4)
        f->pBar->setRange(0, 100); // as at start-up, before any change of count
    QString values(RowCount(numVar), QLatin1Char('0'));
    for (int m = 0; m < values.size(); m += 3)
        values[m] = QLatin1Char('1');
    SetValues(*f, values);
    QList<int> shown;
    connect(f->pBar, &QProgressBar::valueChanged, f.get(), [&](int v) { shown << v; });
    f->sbHazlo->click();
    QCOMPARE(f->pBar->maximum(), TrialCount(numVar));
    QVERIFY2(shown.contains(f->pBar->maximum()), qPrintable(QString::number(shown.size())));
    QCOMPARE(f->pBar->value(), 0);
}

// A minimal form the exact step did not prove says so on its branch; the
// proven ones and the canonical lists say nothing.
void TestSolve::unprovenMinimumIsMarked_data()
{
    QTest::addColumn<int>("numVar");
    QTest::addColumn<QString>("values");
    QTest::addColumn<long>("nodeLimit");
    QTest::addColumn<bool>("sumProven");

    QString weights3To5;
    for (int m = 0; m < 256; ++m)
        weights3To5 += std::popcount(unsigned(m)) >= 3 && std::popcount(unsigned(m)) <= 5 ? QLatin1Char('1')
                                                                                          : QLatin1Char('0');
    QTest::newRow("proven") << 8 << weights3To5 << 0L << true;
    QTest::newRow("stopped after one node") << 8 << weights3To5 << 1L << false;
}

void TestSolve::unprovenMinimumIsMarked()
{
    QFETCH(int, numVar);
    QFETCH(QString, values);
    QFETCH(long, nodeLimit);
    QFETCH(bool, sumProven);
    SetCount(*f, numVar);
    SetValues(*f, values);
    f->ExactNodeLimit = nodeLimit;
    f->sbHazlo->click();
    QVERIFY(f->Solved);
    QCOMPARE(f->Solved->proven, sumProven);
    QCOMPARE(TForm1::FindSolutionNode(f->tvSolu, kKarnaughCaption, false)->toolTip(0),
             sumProven ? QString() : TForm1::kUnprovenNote);
    QCOMPARE(TForm1::FindSolutionNode(f->tvSolu, kKarnaughPosCaption, false)->toolTip(0),
             f->Solved->productProven ? QString() : TForm1::kUnprovenNote);
    for (const QString &caption : {kSopCaption, kPosCaption})
        QCOMPARE(TForm1::FindSolutionNode(f->tvSolu, caption, false)->toolTip(0), QString());
}

// Clicks and keys that reach the window while Resolver runs (through the event
// queue, as a person's do) are dropped, not kept to run another solve after it.
void TestSolve::inputDuringSolveIsDropped()
{
    SetCount(*f, 8);
    QString values;
    for (int m = 0; m < 256; ++m)
        values += (m * 37 % 11 < 6) ? QLatin1Char('1') : QLatin1Char('0');
    SetValues(*f, values);
    auto counting = std::make_unique<CountingRandom>(3);
    CountingRandom *random = counting.get();
    f->Random = std::move(counting);
    bool posted = false;
    OnFirstProgress(*f, [&] {
        posted = true;
        const QPoint at = f->sbHazlo->rect().center();
        const QPoint global = f->sbHazlo->mapToGlobal(at);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
            QCoreApplication::postEvent(f->sbHazlo, new QMouseEvent(type, QPointF(at), QPointF(global), Qt::LeftButton,
                                                                  Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(f->sbHazlo, new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " "));
        QCoreApplication::postEvent(f->sbHazlo, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " "));
    });
    f->sbHazlo->click();
    QVERIFY(posted);
    const long draws = random->draws;
    QVERIFY(draws > 0);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QCOMPARE(random->draws, draws);
    QCOMPARE(f->tvSolu->topLevelItemCount(), 4);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    // Input is the window's again.
    f->sbHazlo->click();
    QVERIFY(random->draws > draws);
}

// Closing the window mid-solve waits for the solve to end; then the window
// asks about unsaved work as ever, and closes.
void TestSolve::closeDuringSolveWaitsForIt()
{
    SetCount(*f, 6);
    SetValues(*f, QStringLiteral("1101X0110100110011110000101011X0110100110010111100001X1011011101"));
    int asked = 0;
    answers.saveChanges = [&] {
        ++asked;
        return prompts::SaveChanges::Discard;
    };
    bool closedMidSolve = true;
    OnFirstProgress(*f, [&] { closedMidSolve = f->close(); });
    f->sbHazlo->click();
    QVERIFY(!closedMidSolve);
    QCOMPARE(asked, 0);
    QCOMPARE(f->tvSolu->topLevelItemCount(), 4);
    QTRY_VERIFY(!f->isVisible());
    QCOMPARE(asked, 1);
}

QTEST_MAIN(TestSolve)
#include "tst_solve.moc"
