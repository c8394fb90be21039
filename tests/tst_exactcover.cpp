// The exact cover search against every subset of the columns, on small random
// problems: the search prunes on several bounds, and any one of them wrong
// shows up as a cover that is not the best.
#include "exactcover.h"
#include "solver.h"

#include <QRandomGenerator>
#include <QTest>

using namespace quintora;

namespace {

// Proofs here, CBC's as references included, must not be cut short by a slow
// (sanitizer) build on a loaded machine: the budget only guards against waiting.
constexpr auto kNoRush = std::chrono::minutes(10);

struct Best {
    CoverCost cost{1000, 0};
    bool any = false;
};

Best BruteForce(const CoverProblem &p)
{
    const int n = static_cast<int>(p.columns.size());
    Best best;
    for (uint32_t mask = 1; mask < (1u << n); ++mask) {
        RowSet covered;
        CoverCost cost;
        for (int j = 0; j < n; ++j) {
            if ((mask >> j) & 1) {
                covered |= p.columns[j];
                ++cost.columns;
                cost.literals += p.literals[j];
            }
        }
        if (p.rows.isSubsetOf(covered) && cost < best.cost) {
            best.cost = cost;
            best.any = true;
        }
    }
    return best;
}

// Rows spread over the whole range, so that every word of a row set is used;
// few literal values, so that many covers tie on columns and differ in literals.
CoverProblem RandomProblem(QRandomGenerator &gen)
{
    CoverProblem p;
    const int rowCount = 4 + gen.bounded(20);
    std::vector<int> rows;
    while (static_cast<int>(rows.size()) < rowCount) {
        const int r = gen.bounded(kMaxRows);
        if (std::find(rows.begin(), rows.end(), r) == rows.end())
            rows.push_back(r);
    }
    const int columns = 4 + gen.bounded(13);
    const int density = 15 + gen.bounded(30); // percent
    for (int j = 0; j < columns; ++j) {
        RowSet c;
        for (int r : rows)
            if (gen.bounded(100) < density)
                c.set(r);
        p.columns.push_back(c);
        p.literals.push_back(gen.bounded(2) ? 3 + gen.bounded(3) : gen.bounded(9));
    }
    // Every row lies in some column.
    for (int r : rows) {
        bool inSome = false;
        for (const RowSet &c : p.columns)
            inSome = inSome || c.test(r);
        if (!inSome)
            p.columns[gen.bounded(columns)].set(r);
        p.rows.set(r);
    }
    return p;
}

CoverCost CostOf(const CoverProblem &p, const std::vector<int> &chosen, RowSet &covered)
{
    CoverCost cost;
    for (int j : chosen) {
        covered |= p.columns[j];
        ++cost.columns;
        cost.literals += p.literals[j];
    }
    return cost;
}

// A found cover that covers every row at the cost it claims.
bool IsCover(const CoverProblem &p, const CoverSolution &s)
{
    RowSet covered;
    return s.found && CostOf(p, s.columns, covered) == s.cost && p.rows.isSubsetOf(covered);
}

// The prime table of a function given row by row.
CoverProblem PrimeTable(const RowValues &values, int numVar)
{
    SolverState s;
    s.NumVar = numVar;
    BuildPrimeImplicants(s, values);
    return ExactCoverProblem(s);
}

// What is wrong with the search alone, without CBC (so that only its own
// proof counts) and within `nodeLimit` nodes when positive, against CBC's
// proven minimum; empty when it proves a cover of that cost.
QString AloneAgainstCbc(const CoverProblem &p, long nodeLimit)
{
    SearchOptions noCbc;
    noCbc.cbc = false;
    const CoverSolution s = SolveMinimumCover(p, {1000, 0}, kNoRush, nodeLimit, noCbc);
    const CoverSolution reference = SolveMinimumCoverMip(p, {1000, 0}, kNoRush);
    if (!reference.proven)
        return QStringLiteral("CBC did not prove its cover");
    if (!s.proven)
        return QStringLiteral("not proven");
    if (!IsCover(p, s))
        return QStringLiteral("not a cover at the cost it claims");
    if (s.cost != reference.cost)
        return QStringLiteral("%1/%2, CBC %3/%4")
            .arg(s.cost.columns)
            .arg(s.cost.literals)
            .arg(reference.cost.columns)
            .arg(reference.cost.literals);
    return {};
}

// The prime table of a function given by weight ("0", "1" or "x" for each
// number of bits set, from none to all), with `flips` rows chosen by `seed`
// turned from 1 to 0 or back.
CoverProblem WeightTable(int numVar, const QByteArray &byWeight, int flips, int seed)
{
    RowValues values(1u << numVar, ValueZero);
    for (int r = 0; r < (1 << numVar); ++r) {
        const char c = byWeight.at(std::popcount(unsigned(r)));
        values[r] = c == '1' ? ValueOne : c == 'x' ? ValueDontCare : ValueZero;
    }
    QRandomGenerator gen(seed);
    for (int k = 0; k < flips; ++k) {
        const int r = gen.bounded(1 << numVar);
        values[r] = values[r] == ValueOne ? ValueZero : ValueOne;
    }
    return PrimeTable(values, numVar);
}

} // namespace

class TestExactCover : public QObject {
    Q_OBJECT
private slots:
    void findsTheBestCover();
    void nothingBetterThanTheBound();
    void boundWithMoreLiteralsThanAnyCover();
    void symmetricAndNearSymmetric_data();
    void symmetricAndNearSymmetric();
    void symmetricSearchAgreesWithPlainSearch();
    void twoThreadsAsOne_data();
    void twoThreadsAsOne();
    void symmetriesFromTheStart_data();
    void symmetriesFromTheStart();
    void denseFunctionsAgainstCbc();
    void floorFromCuts();
    void cutFloorOnNearlySymmetricTable();
    void localSearchFindsTheFewest();
    void stoppedSearchIsUnproven_data();
    void stoppedSearchIsUnproven();
};

void TestExactCover::findsTheBestCover()
{
    QRandomGenerator gen(4242);
    for (int i = 0; i < 600; ++i) {
        const CoverProblem p = RandomProblem(gen);
        const Best best = BruteForce(p);
        QVERIFY(best.any);
        const CoverSolution s = SolveMinimumCover(p, {1000, 0}, kNoRush);
        QVERIFY(s.proven);
        QVERIFY(s.found);
        RowSet covered;
        const CoverCost cost = CostOf(p, s.columns, covered);
        QVERIFY2(p.rows.isSubsetOf(covered), qPrintable(QStringLiteral("case %1: not a cover").arg(i)));
        QVERIFY2(cost == s.cost, qPrintable(QStringLiteral("case %1: cost misreported").arg(i)));
        QVERIFY2(cost == best.cost, qPrintable(QStringLiteral("case %1: %2 columns %3 literals, best %4 and %5")
                                                   .arg(i)
                                                   .arg(cost.columns)
                                                   .arg(cost.literals)
                                                   .arg(best.cost.columns)
                                                   .arg(best.cost.literals)));
    }
}

void TestExactCover::nothingBetterThanTheBound()
{
    QRandomGenerator gen(99);
    for (int i = 0; i < 200; ++i) {
        const CoverProblem p = RandomProblem(gen);
        const Best best = BruteForce(p);
        // The best itself as the bound: only something strictly better counts.
        const CoverSolution same = SolveMinimumCover(p, best.cost, kNoRush);
        QVERIFY(same.proven);
        QVERIFY2(!same.found, qPrintable(QStringLiteral("case %1").arg(i)));
        // One literal more: the best must be found.
        const CoverSolution above = SolveMinimumCover(p, {best.cost.columns, best.cost.literals + 1}, kNoRush);
        QVERIFY(above.found);
        QVERIFY2(above.cost == best.cost, qPrintable(QStringLiteral("case %1").arg(i)));
    }
}

void TestExactCover::boundWithMoreLiteralsThanAnyCover()
{
    // Two rows, a column each: the only cover has two columns, which ranks
    // after one column of however many literals.
    CoverProblem p;
    RowSet a, b;
    a.set(3);
    b.set(200);
    p.columns = {a, b};
    p.literals = {3, 3};
    p.rows = a | b;
    const CoverSolution s = SolveMinimumCover(p, {1, 5000}, kNoRush);
    QVERIFY(s.proven);
    QVERIFY(!s.found);
    const CoverSolution t = SolveMinimumCover(p, {2, 5000}, kNoRush);
    QVERIFY(t.found);
    QCOMPARE(t.cost, (CoverCost{2, 6}));
}

// Functions invariant under permutations of their variables, and such
// functions with a few rows flipped: many columns alike and many covers of
// equal cost, where a bound or a reduction that cuts one optimum too many
// shows. Checked against every subset of the columns where they are few, else
// against CBC's branch and cut alone.
void TestExactCover::symmetricAndNearSymmetric_data()
{
    QTest::addColumn<int>("numVar");
    QTest::addColumn<QByteArray>("byWeight");
    QTest::addColumn<int>("flips");
    QTest::addColumn<int>("seed");
    QTest::newRow("4 variables, weights 1-2") << 4 << QByteArray("01100") << 0 << 0;
    QTest::newRow("4 variables, weights 1-2, x on 3") << 4 << QByteArray("0110x") << 0 << 0;
    QTest::newRow("4 variables, weights 0-1 and 3-4") << 4 << QByteArray("11011") << 0 << 0;
    QTest::newRow("4 variables, weights 1-2, 2 flipped") << 4 << QByteArray("01100") << 2 << 11;
    QTest::newRow("5 variables, weights 2-3, 3 flipped") << 5 << QByteArray("001100") << 3 << 5;
    QTest::newRow("8 variables, weights 3-4") << 8 << QByteArray("000110000") << 0 << 0;
    QTest::newRow("8 variables, weights 3-4 and 8") << 8 << QByteArray("000110001") << 0 << 0;
    QTest::newRow("8 variables, weights 3-4, x on 2") << 8 << QByteArray("00x110000") << 0 << 0;
    QTest::newRow("8 variables, weights 3-4, x on 2 and 6") << 8 << QByteArray("00x110x00") << 0 << 0;
    QTest::newRow("8 variables, weights 3-5") << 8 << QByteArray("000111000") << 0 << 0;
    QTest::newRow("8 variables, weights 0, 4-6, 8, x on 3") << 8 << QByteArray("100x11101") << 0 << 0;
    QTest::newRow("7 variables, weights 2 and 4, x on 1, 3 and 5, 1 flipped") << 7 << QByteArray("0x1x1x00") << 1 << 3;
    for (int flips : {1, 3, 5, 8})
        for (int seed : {1, 2})
            QTest::addRow("8 variables, weights 3-4, %d flipped, seed %d", flips, seed)
                << 8 << QByteArray("000110000") << flips << seed;
}

void TestExactCover::symmetricAndNearSymmetric()
{
    QFETCH(int, numVar);
    QFETCH(QByteArray, byWeight);
    QFETCH(int, flips);
    QFETCH(int, seed);
    const CoverProblem p = WeightTable(numVar, byWeight, flips, seed);
    QVERIFY(!p.columns.empty());
    const CoverSolution s = SolveMinimumCover(p, {1000, 0}, kNoRush);
    QVERIFY(s.proven);
    QVERIFY(IsCover(p, s));
    CoverCost best;
    if (p.columns.size() <= 20) {
        best = BruteForce(p).cost;
    } else {
        const CoverSolution reference = SolveMinimumCoverMip(p, {1000, 0}, kNoRush);
        QVERIFY(reference.proven);
        best = reference.cost;
    }
    QCOMPARE(s.cost, best);
}

// A function that every permutation of its seven variables leaves as it is
// (ones on weights 2 and 4, don't cares on 1, 3 and 5): the default search
// hands it to the search with all 5040 symmetries, which picks its branching
// rows by their classes of columns. Its cover must cost what the plain search
// alone finds, with no symmetries, no CBC and no node cap; CBC alone takes
// many seconds here.
void TestExactCover::symmetricSearchAgreesWithPlainSearch()
{
    const CoverProblem p = WeightTable(7, "0x1x1x00", 0, 0);
    const CoverSolution s = SolveMinimumCover(p, {1000, 0}, kNoRush);
    QVERIFY(s.proven);
    QVERIFY(IsCover(p, s));
    SearchOptions plain;
    plain.plainNodes = plain.literalNodes = plain.symmetricPlainNodes = 1L << 40;
    plain.cbc = false;
    const CoverSolution reference = SolveMinimumCover(p, {1000, 0}, kNoRush, 0, plain);
    QVERIFY(reference.proven);
    QCOMPARE(s.cost, reference.cost);
}

// The symmetric search of a function with many symmetries, shared out
// between two threads, returns what it returns on one: the same cover, the
// same proof or stop, and the same count of nodes, where a node limit or its
// phase's cap cuts it short (limits applied to both threads' nodes together)
// as where it runs to the end. Ones on weights 3 to 5 of eight variables,
// don't cares on 2 and 6: about 1,900 nodes of symmetric search from its
// floor of 15 columns, ending in 16; on 2 to 5, don't cares on 1 and 6,
// about 400. The limits are set from the one-thread search's own count:
// `limitBack` nodes before its end (-1: no limit; -2: at four fifths of
// it), or its symmetric phase capped `capBack` nodes short of what it needs.
void TestExactCover::twoThreadsAsOne_data()
{
    QTest::addColumn<QByteArray>("byWeight");
    QTest::addColumn<int>("floor");
    QTest::addColumn<int>("limitBack");
    QTest::addColumn<int>("capBack");
    QTest::addColumn<bool>("proven");
    QTest::newRow("weights 3-5, to the end") << QByteArray("00x111x00") << 15 << -1 << -1 << true;
    QTest::newRow("weights 2-5, to the end") << QByteArray("0x1111x00") << 0 << -1 << -1 << true;
    // Each thread alone stays under this limit, both together pass it.
    QTest::newRow("weights 2-5, node limit at 4/5") << QByteArray("0x1111x00") << 0 << -2 << -1 << false;
    QTest::newRow("weights 2-5, node limit one short") << QByteArray("0x1111x00") << 0 << 1 << -1 << false;
    QTest::newRow("weights 2-5, node limit just met") << QByteArray("0x1111x00") << 0 << 0 << -1 << true;
    QTest::newRow("weights 2-5, phase one node short") << QByteArray("0x1111x00") << 0 << -1 << 1 << false;
    QTest::newRow("weights 2-5, phase just enough") << QByteArray("0x1111x00") << 0 << -1 << 0 << true;
}

void TestExactCover::twoThreadsAsOne()
{
    QFETCH(QByteArray, byWeight);
    QFETCH(int, floor);
    QFETCH(int, limitBack);
    QFETCH(int, capBack);
    QFETCH(bool, proven);
    CoverProblem p = WeightTable(8, byWeight, 0, 0);
    p.fewestColumns = floor;
    SearchOptions options;
    options.cbc = false;
    options.threads = 1;
    // The one-thread search to the end, for its count of nodes.
    const CoverSolution whole = SolveMinimumCover(p, {1000, 0}, kNoRush, 0, options);
    QVERIFY(whole.proven);
    long nodeLimit = 0;
    if (limitBack >= 0)
        nodeLimit = whole.nodes - limitBack;
    else if (limitBack < -1)
        nodeLimit = whole.nodes * 4 / 5;
    // The nodes its symmetric phase needs: the least cap it closes under.
    if (capBack >= 0) {
        long low = 1, high = options.symmetricNodes;
        while (low < high) {
            SearchOptions capped = options;
            capped.symmetricNodes = (low + high) / 2;
            if (SolveMinimumCover(p, {1000, 0}, kNoRush, 0, capped).proven)
                high = capped.symmetricNodes;
            else
                low = capped.symmetricNodes + 1;
        }
        options.symmetricNodes = low - capBack;
    }
    const CoverSolution one = SolveMinimumCover(p, {1000, 0}, kNoRush, nodeLimit, options);
    options.threads = 2;
    const CoverSolution two = SolveMinimumCover(p, {1000, 0}, kNoRush, nodeLimit, options);
    QCOMPARE(two.threads, 2);
    QCOMPARE(one.threads, 1);
    QVERIFY(one.found);
    QCOMPARE(two.found, one.found);
    QCOMPARE(two.proven, one.proven);
    QCOMPARE(two.proven, proven);
    QCOMPARE(two.columns, one.columns);
    QCOMPARE(two.cost, one.cost);
    QCOMPARE(two.nodes, one.nodes);
    QVERIFY(IsCover(p, two));
}

// The search with the function's symmetries from its first node, and nothing
// else to fall back on: branching once per class of alike columns must still
// reach the best cover, with complementations among the symmetries too.
void TestExactCover::symmetriesFromTheStart_data()
{
    QTest::addColumn<int>("numVar");
    QTest::addColumn<QByteArray>("byWeight");
    QTest::addColumn<int>("flips");
    QTest::addColumn<int>("seed");
    QTest::newRow("4 variables, weights 1-2") << 4 << QByteArray("01100") << 0 << 0;
    QTest::newRow("4 variables, weights 0-1 and 3-4") << 4 << QByteArray("11011") << 0 << 0;
    QTest::newRow("5 variables, weights 1-2, x on 3") << 5 << QByteArray("0110x0") << 0 << 0;
    QTest::newRow("5 variables, weights 2-3") << 5 << QByteArray("001100") << 0 << 0;
    QTest::newRow("6 variables, weights 2-4") << 6 << QByteArray("0011100") << 0 << 0;
    QTest::newRow("6 variables, weights 2-4, x on 1 and 5") << 6 << QByteArray("0x111x0") << 0 << 0;
    QTest::newRow("6 variables, weights 0-1 and 5-6") << 6 << QByteArray("1100011") << 0 << 0;
    QTest::newRow("6 variables, weights 2-3, 2 flipped") << 6 << QByteArray("0011000") << 2 << 3;
    QTest::newRow("7 variables, weights 2-3, x on 4") << 7 << QByteArray("0011x000") << 0 << 0;
    QTest::newRow("7 variables, weights 1, 3-4, 6") << 7 << QByteArray("01011010") << 0 << 0;
    QTest::newRow("6 variables, weights 0, 2-3, x on 4") << 6 << QByteArray("1011x00") << 0 << 0;
    QTest::newRow("7 variables, weights 2-5, x on 1 and 6") << 7 << QByteArray("0x1111x0") << 0 << 0;
    QTest::newRow("8 variables, weights 3-4") << 8 << QByteArray("000110000") << 0 << 0;
    QTest::newRow("8 variables, weights 3-5") << 8 << QByteArray("000111000") << 0 << 0;
    QTest::newRow("8 variables, weights 0, 4-6, 8, x on 3") << 8 << QByteArray("100x11101") << 0 << 0;
}

void TestExactCover::symmetriesFromTheStart()
{
    QFETCH(int, numVar);
    QFETCH(QByteArray, byWeight);
    QFETCH(int, flips);
    QFETCH(int, seed);
    const CoverProblem p = WeightTable(numVar, byWeight, flips, seed);
    QVERIFY(!p.columns.empty());
    SearchOptions symmetric;
    symmetric.plainNodes = 0;
    symmetric.literalNodes = 0;
    symmetric.symmetricPlainNodes = 0;
    symmetric.symmetricNodes = 1L << 40;
    symmetric.cbc = false;
    const CoverSolution s = SolveMinimumCover(p, {1000, 0}, kNoRush, 0, symmetric);
    QVERIFY(s.proven);
    QVERIFY(IsCover(p, s));
    const CoverCost best = p.columns.size() <= 20 ? BruteForce(p).cost
                                                  : SolveMinimumCoverMip(p, {1000, 0}, kNoRush).cost;
    QCOMPARE(s.cost, best);
}

// Dense functions of eight variables: covers of many columns, where most of
// the literal phase's nodes have no cover left of the fewest columns and are
// dropped on their relaxation alone. A node dropped wrongly shows as more
// literals than CBC's proven minimum.
void TestExactCover::denseFunctionsAgainstCbc()
{
    QRandomGenerator gen(777);
    for (int i = 0; i < 8; ++i) {
        RowValues values(256, ValueZero);
        for (auto &v : values)
            if (gen.bounded(100) < 80)
                v = ValueOne;
        const QString wrong = AloneAgainstCbc(PrimeTable(values, 8), 0);
        QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("function %1: %2").arg(i).arg(wrong)));
    }
}

// Two triangles of rows, each column covering one side: the relaxation takes
// half of every column, three in all, while a cover needs two columns a
// triangle. A search capped at its first node, with nothing to hand over to,
// still proves four from the floor that cuts give its root.
void TestExactCover::floorFromCuts()
{
    CoverProblem p;
    for (int base : {0, 100}) {
        for (auto [a, b] : {std::pair{0, 1}, std::pair{1, 2}, std::pair{0, 2}}) {
            RowSet side;
            side.set(base + a);
            side.set(base + b);
            p.columns.push_back(side);
            p.literals.push_back(2);
            p.rows |= side;
        }
    }
    SearchOptions capped;
    capped.plainNodes = capped.literalNodes = capped.symmetricPlainNodes = 1;
    capped.symmetricNodes = 0;
    capped.cbc = false;
    const CoverSolution s = SolveMinimumCover(p, {1000, 0}, kNoRush, 0, capped);
    QVERIFY(s.proven);
    QVERIFY(IsCover(p, s));
    QCOMPARE(s.cost, (CoverCost{4, 8}));
}

// Weights 3 and 4 of eight variables with eight rows flipped: the root's
// relaxation has dozens of fractional values, but only a few distinct ones,
// and the floor from cuts, taken after 50 nodes, closes the search in about
// 60. A table taken for one whose cuts do not pay (as dense random ones,
// with dozens of distinct values) runs past 300 nodes without it.
void TestExactCover::cutFloorOnNearlySymmetricTable()
{
    RowValues values(256, ValueZero);
    for (int r = 0; r < 256; ++r)
        if (std::popcount(unsigned(r)) == 3 || std::popcount(unsigned(r)) == 4)
            values[r] = ValueOne;
    for (int r : {2, 27, 55, 121, 135, 153, 209, 244})
        values[r] = values[r] == ValueOne ? ValueZero : ValueOne;
    const QString wrong = AloneAgainstCbc(PrimeTable(values, 8), 150);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
}

// Ones on weights 3 to 5 of eight variables, don't cares on 2 and 6: the
// fewest terms are 16, which greedy covers miss by one to five and the
// branching reaches only after some two thousand nodes. The local search at the
// root finds such a cover though the search stops right after the root.
void TestExactCover::localSearchFindsTheFewest()
{
    const CoverProblem p = WeightTable(8, "00x111x00", 0, 0);
    const CoverSolution s = SolveMinimumCover(p, {1000, 0}, kNoRush, 1);
    QVERIFY(!s.proven);
    QVERIFY(s.found);
    QVERIFY(IsCover(p, s));
    QCOMPARE(s.cost.columns, 16);
}

// A search stopped by its node limit, its clock or its phase's cap with
// nothing to hand over to says so, and what it does return is a cover at the
// cost it reports. Ones on weights 3 to 5 of eight variables, don't cares on
// 2 and 6: far from closed in a few dozen nodes.
void TestExactCover::stoppedSearchIsUnproven_data()
{
    QTest::addColumn<int>("budgetMs");
    QTest::addColumn<int>("nodeLimit");
    QTest::addColumn<bool>("cbc");
    QTest::newRow("node limit") << 60000 << 30 << true;
    QTest::newRow("no time") << 0 << 0 << true;
    QTest::newRow("symmetric search capped, no CBC") << 60000 << 0 << false;
}

void TestExactCover::stoppedSearchIsUnproven()
{
    QFETCH(int, budgetMs);
    QFETCH(int, nodeLimit);
    QFETCH(bool, cbc);
    const CoverProblem p = WeightTable(8, "00x111x00", 0, 0);
    SearchOptions options;
    if (!cbc) {
        options.symmetricNodes = 20;
        options.cbc = false;
    }
    const CoverSolution s = SolveMinimumCover(p, {1000, 0}, std::chrono::milliseconds(budgetMs), nodeLimit, options);
    QVERIFY(!s.proven);
    if (s.found)
        QVERIFY(IsCover(p, s));
}

QTEST_APPLESS_MAIN(TestExactCover)
#include "tst_exactcover.moc"
