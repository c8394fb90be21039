// Functions that depend only on the number of 1 bits: their runs of weights,
// the floor found from smaller functions, and their cover, one run at a time,
// checked against CBC's independent solve and the search on the whole table.
#include "solver.h"
#include "symmetric.h"

#include <QTest>

#include <bit>
#include <thread>

using namespace quintora;

namespace {

// "01x..." by weight, 0 to numVar.
WeightValues Weights(const char *text)
{
    WeightValues v;
    for (const char *c = text; *c; ++c)
        v.push_back(*c == '1' ? 1 : *c == 'x' ? 2 : 0);
    return v;
}

QString Text(const WeightValues &v)
{
    QString s;
    for (uint8_t x : v)
        s += x == 1 ? QLatin1Char('1') : x == 2 ? QLatin1Char('x') : QLatin1Char('0');
    return s;
}

RowValues RowsOf(const WeightValues &byWeight)
{
    const int n = static_cast<int>(byWeight.size()) - 1;
    RowValues values(size_t(1) << n);
    for (unsigned x = 0; x < values.size(); ++x)
        values[x] = byWeight[std::popcount(x)];
    return values;
}

// The solver's own table of a function: its prime implicants, as the exact step gets it.
CoverProblem TableOf(const RowValues &values, int numVar)
{
    SolverState s;
    s.NumVar = numVar;
    BuildPrimeImplicants(s, values);
    return ExactCoverProblem(s);
}

bool Covers(const CoverProblem &p, const std::vector<int> &columns)
{
    RowSet covered;
    for (int c : columns)
        covered |= p.columns[c];
    return p.rows.isSubsetOf(covered);
}

// Every function by weight of numVar variables, in base 3.
QList<WeightValues> AllByWeight(int numVar)
{
    QList<WeightValues> all;
    int count = 1;
    for (int w = 0; w <= numVar; ++w)
        count *= 3;
    for (int code = 0; code < count; ++code) {
        WeightValues v;
        for (int w = 0, c = code; w <= numVar; ++w, c /= 3)
            v.push_back(static_cast<uint8_t>(c % 3));
        all << v;
    }
    return all;
}

constexpr auto kBudget = std::chrono::milliseconds(20000);
// For searches that their node caps, not the clock, must stop, even under the
// sanitizers on a loaded machine.
constexpr auto kNoRush = std::chrono::minutes(10);

} // namespace

class TestSymmetric : public QObject {
    Q_OBJECT

private slots:
    void valuesByWeight_data();
    void valuesByWeight();
    void weightRuns_data();
    void weightRuns();
    void floorAndMinimumAgainstCbc_data();
    void floorAndMinimumAgainstCbc();
    void tableSolvedByRuns_data();
    void tableSolvedByRuns();
    void floorProvesHardFunctions_data();
    void floorProvesHardFunctions();
    void longerLocalSearchCloses_data();
    void longerLocalSearchCloses();
    void otherTablesGoToTheWholeSearch();
    void stoppedSearchIsUnproven();
    void minimaSharedBetweenThreads();
    void shortBudgetLeavesNoWrongMinimum();
};

void TestSymmetric::valuesByWeight_data()
{
    QTest::addColumn<int>("numVar");
    QTest::addColumn<QString>("rows");     // by row
    QTest::addColumn<QString>("byWeight"); // empty: not of this kind

    QTest::newRow("odd parity") << 3 << "01101001" << "0101";
    QTest::newRow("majority with don't cares") << 3 << "000x0xx1" << "00x1";
    QTest::newRow("one row of weight 2 off") << 3 << "01111001" << "";
    QTest::newRow("a don't care where its weight holds 1") << 3 << "0x101001" << "";
}

void TestSymmetric::valuesByWeight()
{
    QFETCH(int, numVar);
    QFETCH(QString, rows);
    QFETCH(QString, byWeight);
    std::vector<uint8_t> function;
    for (QChar c : rows)
        function.push_back(c == QLatin1Char('1') ? 1 : c == QLatin1Char('x') ? 2 : 0);
    const std::optional<WeightValues> got = ValuesByWeight(function, numVar);
    QCOMPARE(got.has_value(), !byWeight.isEmpty());
    if (got)
        QCOMPARE(Text(*got), byWeight);
}

void TestSymmetric::weightRuns_data()
{
    QTest::addColumn<QString>("byWeight");
    QTest::addColumn<QList<int>>("bounds"); // low, high of each run

    QTest::newRow("one run between don't cares") << "00x111x00" << QList<int>{2, 6};
    QTest::newRow("two runs") << "1x0x1x1x0" << QList<int>{0, 1, 3, 7};
    QTest::newRow("single weights") << "1001" << QList<int>{0, 0, 3, 3};
    QTest::newRow("don't cares alone make no run") << "x0x01" << QList<int>{4, 4};
    QTest::newRow("every weight") << "111" << QList<int>{0, 2};
    QTest::newRow("nothing") << "000" << QList<int>{};
}

void TestSymmetric::weightRuns()
{
    QFETCH(QString, byWeight);
    QFETCH(QList<int>, bounds);
    QList<int> got;
    for (const WeightRun &run : WeightRuns(Weights(qPrintable(byWeight))))
        got << run.low << run.high;
    QCOMPARE(got, bounds);
}

// Every run of every function by weight of 3 to 5 variables: the floor never
// passes the minimum, and the minimum is CBC's.
void TestSymmetric::floorAndMinimumAgainstCbc_data()
{
    QTest::addColumn<int>("numVar");
    for (int n = 3; n <= 5; ++n)
        QTest::addRow("%d variables", n) << n;
}

void TestSymmetric::floorAndMinimumAgainstCbc()
{
    QFETCH(int, numVar);
    int tight = 0, runs = 0;
    for (const WeightValues &v : AllByWeight(numVar)) {
        for (const WeightRun &run : WeightRuns(v)) {
            if (run.low == run.high)
                continue;
            ++runs;
            const CoverProblem p = RunCoverProblem(v, run);
            const CoverSolution cbc = SolveMinimumCoverMip(p, CoverCost{kMaxRows + 1, 0}, kBudget);
            QVERIFY(cbc.proven && cbc.found);
            const int floor = RunTermFloor(v, run);
            QVERIFY2(floor <= cbc.cost.columns, qPrintable(Text(v)));
            tight += floor == cbc.cost.columns;
            const std::optional<int> minimum = RunMinimum(v, run);
            QVERIFY2(minimum && *minimum == cbc.cost.columns, qPrintable(Text(v)));
            const CoverSolution own = SolveRun(v, run, kBudget);
            QVERIFY(own.proven && own.found);
            QCOMPARE(own.cost, cbc.cost);
            QVERIFY(Covers(p, own.columns));
        }
    }
    // A floor that is seldom reached would be no use.
    QVERIFY2(tight * 2 > runs, qPrintable(QStringLiteral("%1 of %2").arg(tight).arg(runs)));
}

// The solver's prime table of a function by weight, solved a run at a time:
// the same cost as the search on the whole table, with the table's own columns.
void TestSymmetric::tableSolvedByRuns_data()
{
    QTest::addColumn<QString>("byWeight");
    QTest::newRow("two runs of different literals") << "1x0x1x1";
    QTest::newRow("one run, don't cares both sides") << "0x11x0";
    QTest::newRow("runs and a single row") << "11001x10";
    QTest::newRow("all but the extremes") << "0111110";
    QTest::newRow("odd parity: single rows only") << "010101";
}

void TestSymmetric::tableSolvedByRuns()
{
    QFETCH(QString, byWeight);
    const WeightValues v = Weights(qPrintable(byWeight));
    const int n = static_cast<int>(v.size()) - 1;
    const CoverProblem p = TableOf(RowsOf(v), n);
    if (p.columns.empty()) {
        QVERIFY(SolveFunctionCover(p, CoverCost{kMaxRows + 1, 0}, kBudget).proven);
        return;
    }
    const CoverSolution byRuns = SolveFunctionCover(p, CoverCost{kMaxRows + 1, 0}, kBudget);
    const CoverSolution whole = SolveMinimumCover(p, CoverCost{kMaxRows + 1, 0}, kBudget);
    QVERIFY(byRuns.proven && whole.proven && byRuns.found);
    QCOMPARE(byRuns.cost, whole.cost);
    QVERIFY(Covers(p, byRuns.columns));
    CoverCost counted;
    for (int c : byRuns.columns) {
        ++counted.columns;
        counted.literals += p.literals[c];
    }
    QCOMPARE(counted, byRuns.cost);
}

// Functions the search on the whole table cannot prove within seconds: the
// floor meets the cover found, so it is proven minimal.
void TestSymmetric::floorProvesHardFunctions_data()
{
    QTest::addColumn<QString>("byWeight");
    QTest::addColumn<int>("terms");
    // Every 4-set of 8 containing a chosen 3-set: Turán's T(8,4,3) = 20.
    QTest::newRow("weight 4 by three 0s") << "x1xx1x000" << 20;
    QTest::newRow("weights 2 to 4, don't cares beside") << "0x111x000" << 20;
    QTest::newRow("two runs") << "1x0x1x1x0" << 21;
}

void TestSymmetric::floorProvesHardFunctions()
{
    QFETCH(QString, byWeight);
    QFETCH(int, terms);
    const WeightValues v = Weights(qPrintable(byWeight));
    const CoverProblem p = TableOf(RowsOf(v), 8);
    const CoverSolution s = SolveFunctionCover(p, CoverCost{kMaxRows + 1, 0}, kBudget);
    QVERIFY(s.proven && s.found);
    QCOMPARE(s.cost.columns, terms);
    QVERIFY(Covers(p, s.columns));
    int floor = 0;
    for (const WeightRun &run : WeightRuns(v))
        floor += run.low == run.high ? 0 : RunTermFloor(v, run);
    QCOMPARE(floor, terms);
}

// Runs whose covers of fewest terms the short local search at the root
// misses: the symmetric search closes them without CBC's help; cut short
// before it reaches such a cover, the longer local search finds it, and the
// symmetric search then only has to prove it.
void TestSymmetric::longerLocalSearchCloses_data()
{
    QTest::addColumn<QString>("byWeight");
    QTest::addColumn<int>("terms");
    QTest::addColumn<long>("symmetricNodes"); // 0: the program's own
    QTest::newRow("weights 3-4, don't cares on 2, 5 and 6") << "00x11xx00" << 15 << 0L;
    QTest::newRow("weights 4-5, don't cares on 2, 3 and 6") << "00xx11x00" << 15 << 0L;
    QTest::newRow("weights 3-4, don't cares on 2, 5 and 6, search cut short") << "00x11xx00" << 15 << 1000L;
}

void TestSymmetric::longerLocalSearchCloses()
{
    QFETCH(QString, byWeight);
    QFETCH(int, terms);
    QFETCH(long, symmetricNodes);
    const WeightValues v = Weights(qPrintable(byWeight));
    const std::vector<WeightRun> runs = WeightRuns(v);
    QCOMPARE(runs.size(), size_t(1));
    const CoverProblem p = RunCoverProblem(v, runs.front());
    SearchOptions noCbc;
    noCbc.cbc = false;
    if (symmetricNodes > 0)
        noCbc.symmetricNodes = symmetricNodes;
    const CoverSolution s = SolveMinimumCover(p, CoverCost{kMaxRows + 1, 0}, kNoRush, 0, noCbc);
    QVERIFY(s.proven && s.found);
    QCOMPARE(s.cost.columns, terms);
    QVERIFY(Covers(p, s.columns));
}

void TestSymmetric::otherTablesGoToTheWholeSearch()
{
    // Not of this kind: a row of weight 2 differs from the others.
    RowValues values = RowsOf(Weights("0x11x0"));
    values[3] = ValueZero;
    const CoverProblem p = TableOf(values, 5);
    const CoverSolution a = SolveFunctionCover(p, CoverCost{kMaxRows + 1, 0}, kBudget);
    const CoverSolution b = SolveMinimumCover(p, CoverCost{kMaxRows + 1, 0}, kBudget);
    QVERIFY(a.proven && b.proven);
    QCOMPARE(a.cost, b.cost);
    QCOMPARE(a.columns, b.columns);
    // A bound nothing beats: nothing found, still proven.
    const CoverSolution none = SolveFunctionCover(TableOf(RowsOf(Weights("0x11x0")), 5), a.cost, kBudget);
    QVERIFY(none.proven);
}

void TestSymmetric::stoppedSearchIsUnproven()
{
    // Its floor (15) falls short of its minimum (16): only a search proves it.
    const CoverProblem p = TableOf(RowsOf(Weights("00x111x00")), 8);
    const CoverSolution s = SolveFunctionCover(p, CoverCost{kMaxRows + 1, 0}, kBudget, 50);
    QVERIFY(!s.proven);
    QVERIFY(s.found && Covers(p, s.columns));
}

// Two exact steps at once ask for the same smaller minima.
void TestSymmetric::minimaSharedBetweenThreads()
{
    const WeightValues v = Weights("1x0x11x1x");
    const CoverProblem p = TableOf(RowsOf(v), 8);
    CoverSolution a, b;
    std::thread other([&] { a = SolveFunctionCover(p, CoverCost{kMaxRows + 1, 0}, kBudget); });
    b = SolveFunctionCover(p, CoverCost{kMaxRows + 1, 0}, kBudget);
    other.join();
    QVERIFY(a.proven && b.proven);
    QCOMPARE(a.cost, b.cost);
}

// The caller's clock bounds the smaller searches too; a smaller minimum it
// cut short is not remembered as unknown or wrong.
void TestSymmetric::shortBudgetLeavesNoWrongMinimum()
{
    const WeightValues v = Weights("00x11x000");
    const CoverSolution rushed =
        SolveFunctionCover(TableOf(RowsOf(v), 8), CoverCost{kMaxRows + 1, 0}, std::chrono::milliseconds(1));
    QVERIFY(rushed.found || !rushed.proven);
    // Fixing one variable to 0 leaves this one.
    const WeightValues smaller = Weights("00x11x00");
    const WeightRun run = WeightRuns(smaller).front();
    const std::optional<int> minimum = RunMinimum(smaller, run);
    const CoverSolution whole = SolveMinimumCover(RunCoverProblem(smaller, run), CoverCost{kMaxRows + 1, 0}, kBudget);
    QVERIFY(minimum && whole.proven);
    QCOMPARE(*minimum, whole.cost.columns);
    const CoverSolution calm = SolveFunctionCover(TableOf(RowsOf(v), 8), CoverCost{kMaxRows + 1, 0}, kBudget);
    QVERIFY(calm.proven);
    QVERIFY(!rushed.found || !rushed.proven || rushed.cost == calm.cost);
}

QTEST_GUILESS_MAIN(TestSymmetric)
#include "tst_symmetric.moc"
