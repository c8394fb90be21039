// The fast minimiser: worked examples, agreement with the literal string
// transcription draw for draw, the proven minima of the cases file, and the
// soundness of every result.
#include "solver.h"
#include "transcription.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTest>

using namespace quintora;

namespace {

// '1', '0' or 'X' per row.
RowValues ValuesOf(const QString &text)
{
    RowValues values;
    for (QChar c : text)
        values.push_back(c == QLatin1Char('1') ? ValueOne : c == QLatin1Char('0') ? ValueZero : ValueDontCare);
    return values;
}

RowValues ValuesWithOnes(int numVar, std::initializer_list<int> ones)
{
    RowValues values(RowCount(numVar), ValueZero);
    for (int r : ones)
        values[r] = ValueOne;
    return values;
}

QStringList CellsOf(const RowValues &values)
{
    QStringList cells;
    for (uint8_t v : values)
        cells << (v == ValueOne ? QStringLiteral("  1") : v == ValueZero ? QStringLiteral("  0") : QStringLiteral("  X"));
    return cells;
}

QStringList Texts(const std::vector<Pattern> &patterns, int numVar)
{
    QStringList texts;
    for (Pattern p : patterns)
        texts << PatternText(p, numVar);
    return texts;
}

QStringList LevelTexts(const SolverState &s, int k) { return Texts(s.Levels[k], s.NumVar); }

RowValues RandomFunction(QRandomGenerator &gen, int numVar)
{
    // Vary the density so that sparse, dense and don't-care-heavy functions all occur.
    const int onePercent = 10 + gen.bounded(70);
    const int dcPercent = gen.bounded(3) == 0 ? 0 : gen.bounded(30);
    RowValues values(RowCount(numVar));
    for (auto &v : values) {
        const int roll = gen.bounded(100);
        v = roll < onePercent ? ValueOne : roll < onePercent + dcPercent ? ValueDontCare : ValueZero;
    }
    return values;
}

bool HasOne(const RowValues &values) { return std::find(values.begin(), values.end(), ValueOne) != values.end(); }

// The sum must be 1 on every 1-row and 0 on every 0-row, and each term must be
// a prime implicant: no 0-row inside, and no widening by one dash stays so.
QString Unsound(const RowValues &values, int numVar, const std::vector<Pattern> &terms)
{
    const int rows = RowCount(numVar);
    for (int r = 0; r < rows; ++r) {
        const bool covered = std::any_of(terms.begin(), terms.end(), [&](Pattern p) { return TermCovers(r, p); });
        if (values[r] == ValueOne && !covered)
            return QStringLiteral("row %1 holds 1 but no term covers it").arg(r);
        if (values[r] == ValueZero && covered)
            return QStringLiteral("row %1 holds 0 but a term covers it").arg(r);
    }
    auto isImplicant = [&](Pattern p) {
        for (int r = 0; r < rows; ++r)
            if (values[r] == ValueZero && TermCovers(r, p))
                return false;
        return true;
    };
    for (Pattern p : terms) {
        for (int bit = 0; bit < numVar; ++bit) {
            if ((p.dashes >> bit) & 1)
                continue;
            const Pattern wider{static_cast<uint16_t>(p.ones & ~(1u << bit)), static_cast<uint16_t>(p.dashes | (1u << bit))};
            if (isImplicant(wider))
                return QStringLiteral("term %1 is not prime").arg(PatternText(p, numVar));
        }
    }
    return QString();
}

// Proofs here must not be cut short by a slow (sanitizer) build: the budget is
// the program's guard against waiting, not part of what is tested.
constexpr std::chrono::milliseconds kNoRush(10 * 60 * 1000);

struct ProgressLog {
    QList<SearchProgress> events;
    ProgressFn fn()
    {
        return [this](const SearchProgress &p) { events << p; };
    }
};

} // namespace

class TestSolver : public QObject {
    Q_OBJECT

private slots:
    void levelsOfWorkedExamples_data();
    void levelsOfWorkedExamples();
    void allOnesOfEightVariables();
    void isolatedRows();
    void agreesWithTranscription_data();
    void agreesWithTranscription();
    void agreesOnLargeLevels_data();
    void agreesOnLargeLevels();
    void reachesProvenMinimum_data();
    void reachesProvenMinimum();
    void minimalProductOfExchangedCases_data();
    void minimalProductOfExchangedCases();
    void exactStepMendsRedundantTerm();
    void exactStepOutOfTimeKeepsTrialResult();
    void randomResultsAreSound();
    void termNotation_data();
    void termNotation();
    void solutionLists();
};

void TestSolver::levelsOfWorkedExamples_data()
{
    QTest::addColumn<int>("numVar");
    QTest::addColumn<QString>("values");
    QTest::addColumn<QStringList>("mergedLevel1");
    QTest::addColumn<QStringList>("mergedLevel2");
    QTest::addColumn<QStringList>("primeLevel0");
    QTest::addColumn<QStringList>("primeLevel1");
    QTest::addColumn<QStringList>("primeLevel2");

    QTest::newRow("rows 0 1 2 5 6 7") << 3 << "11100111"
        << QStringList{"00-", "0-0", "-01", "-10", "1-1", "11-"} << QStringList{}
        << QStringList{} << QStringList{"00-", "0-0", "-01", "-10", "1-1", "11-"} << QStringList{};
    // The square comes out of two merges and stays once.
    QTest::newRow("rows 0 to 3") << 3 << "11110000"
        << QStringList{"00-", "0-0", "0-1", "01-"} << QStringList{"0--"}
        << QStringList{} << QStringList{} << QStringList{"0--"};
    // A pattern made only of don't cares survives as a prime implicant.
    QTest::newRow("X pair beside a 1") << 3 << "1000XX00"
        << QStringList{"-00", "10-"} << QStringList{}
        << QStringList{} << QStringList{"-00", "10-"} << QStringList{};
}

void TestSolver::levelsOfWorkedExamples()
{
    QFETCH(int, numVar);
    QFETCH(QString, values);
    SolverState s;
    s.NumVar = numVar;
    ReadRows(s, ValuesOf(values));
    for (int k = 0; k < 8; ++k)
        MergeLevel(s, k);
    QFETCH(QStringList, mergedLevel1);
    QFETCH(QStringList, mergedLevel2);
    QCOMPARE(LevelTexts(s, 1), mergedLevel1);
    QCOMPARE(LevelTexts(s, 2), mergedLevel2);
    MarkCoveredImplicants(s);
    CompactLevels(s);
    QFETCH(QStringList, primeLevel0);
    QFETCH(QStringList, primeLevel1);
    QFETCH(QStringList, primeLevel2);
    QCOMPARE(LevelTexts(s, 0), primeLevel0);
    QCOMPARE(LevelTexts(s, 1), primeLevel1);
    QCOMPARE(LevelTexts(s, 2), primeLevel2);
}

void TestSolver::allOnesOfEightVariables()
{
    SolverState s;
    s.NumVar = 8;
    const RowValues values(256, ValueOne);
    ReadRows(s, values);
    for (int k = 0; k < 8; ++k)
        MergeLevel(s, k);
    QCOMPARE(s.Levels[1].size(), size_t(1024));
    MarkCoveredImplicants(s);
    CompactLevels(s);
    for (int k = 0; k < 8; ++k)
        QVERIFY2(s.Levels[k].empty(), qPrintable(QString::number(k)));
    QCOMPARE(LevelTexts(s, 8), QStringList{"--------"});

    LcgRandom random(7);
    ProgressLog log;
    const SolveOutcome outcome = MinimalSum(values, 8, random, log.fn());
    QCOMPARE(Texts(outcome.terms, 8), QStringList{"--------"});
    QCOMPARE(log.events.size(), TrialCount(8) + 1);
    QCOMPARE(log.events.last().BestTermCount, 1);
}

void TestSolver::isolatedRows()
{
    // No two rows are neighbours: every trial ends at once, and the level-0
    // step adds the four rows in ascending order.
    const RowValues values = ValuesWithOnes(3, {1, 2, 4, 7});
    SolverState s;
    s.NumVar = 3;
    BuildPrimeImplicants(s, values);
    QCOMPARE(TopLevel(s), 0);
    LcgRandom random(1);
    ProgressLog log;
    CoverSearch(s, random, log.fn());
    QCOMPARE(s.BestTermCount, 0);
    QCOMPARE(s.TrialsDone, 65);
    QCOMPARE(log.events.first().BestTermCount, 0);
    ExactCover(s);
    AddIsolatedRows(s, values, log.fn());
    QCOMPARE(Texts(s.BestTerms, 3), (QStringList{"001", "010", "100", "111"}));
    QCOMPARE(s.BestTermCount, 4);
    QCOMPARE(log.events.last().BestTermCount, 4);

    // An isolated don't care is never part of the result.
    const RowValues withX = ValuesOf("01X00001");
    SolverState t;
    t.NumVar = 3;
    BuildPrimeImplicants(t, withX);
    CoverSearch(t, random);
    AddIsolatedRows(t, withX);
    QCOMPARE(Texts(t.BestTerms, 3), (QStringList{"001", "111"}));
}

void TestSolver::agreesWithTranscription_data()
{
    QTest::addColumn<int>("numVar");
    QTest::addColumn<int>("functions");
    // The transcription recounts every candidate against every row after each
    // pick, so the larger sizes get fewer (and sparser) functions.
    QTest::newRow("3") << 3 << 60;
    QTest::newRow("4") << 4 << 60;
    QTest::newRow("5") << 5 << 40;
    QTest::newRow("6") << 6 << 15;
    QTest::newRow("7") << 7 << 4;
    QTest::newRow("8") << 8 << 2;
}

void TestSolver::agreesWithTranscription()
{
    QFETCH(int, numVar);
    QFETCH(int, functions);
    QRandomGenerator gen(1000 + numVar);
    for (int f = 0; f < functions; ++f) {
        RowValues values = RandomFunction(gen, numVar);
        if (numVar >= 7) // keep the literal search affordable
            for (auto &v : values)
                if (v == ValueOne && gen.bounded(3) != 0)
                    v = ValueZero;
        if (!HasOne(values))
            values[gen.bounded(RowCount(numVar))] = ValueOne;
        const QStringList cells = CellsOf(values);
        const uint32_t seed = gen.generate();
        const QByteArray where = QStringLiteral("function %1, seed %2").arg(f).arg(seed).toLatin1();

        reference::State ref;
        ref.NumVar = numVar;
        reference::BuildPrimeImplicants(ref, cells);
        SolverState s;
        s.NumVar = numVar;
        BuildPrimeImplicants(s, values);
        for (int k = 0; k < kLevelCount; ++k)
            QVERIFY2(LevelTexts(s, k) == ref.Levels[k], where.constData());

        LcgRandom refRandom(seed), random(seed);
        ProgressLog refLog, log;
        reference::CoverSearch(ref, refRandom, refLog.fn());
        CoverSearch(s, random, log.fn());
        QVERIFY2(Texts(s.BestTerms, numVar) == ref.BestTerms, where.constData());
        QCOMPARE(s.BestTermCount, ref.BestTermCount);
        QCOMPARE(s.TrialsDone, ref.TrialsDone);
        // Same draws consumed, so the generators end in the same state.
        QCOMPARE(random.Seed(), refRandom.Seed());
        QCOMPARE(log.events.size(), refLog.events.size());
        for (int i = 0; i < log.events.size(); ++i) {
            QCOMPARE(log.events[i].BestTermCount, refLog.events[i].BestTermCount);
            QCOMPARE(log.events[i].BestCountChanged, refLog.events[i].BestCountChanged);
        }

        reference::AddIsolatedRows(ref, cells);
        AddIsolatedRows(s, values);
        QVERIFY2(Texts(s.BestTerms, numVar) == ref.BestTerms, where.constData());
        QCOMPARE(s.BestTermCount, ref.BestTermCount);
    }
}

void TestSolver::agreesOnLargeLevels_data()
{
    // Eight variables, where levels hold hundreds of candidates (counted in
    // groups of blocks with a masked tail) and counts can pass 127 (wider
    // counters): a few trials each, since the transcription is slow here.
    QTest::addColumn<RowValues>("values");
    RowValues sym(256, ValueZero);
    for (int r = 0; r < 256; ++r)
        if (std::popcount(unsigned(r)) >= 3 && std::popcount(unsigned(r)) <= 5)
            sym[r] = ValueOne;
    QTest::newRow("560 candidates in one level") << sym;
    QRandomGenerator gen(31);
    RowValues half(256, ValueZero);
    for (int r = 0; r < 256; ++r)
        half[r] = (r & 0x80) ? ValueOne : gen.bounded(100) < 40 ? ValueOne : gen.bounded(3) == 0 ? ValueDontCare : ValueZero;
    QTest::newRow("a term over 128 rows holding 1") << half;
    for (int i = 0; i < 3; ++i) {
        RowValues values(256, ValueZero);
        for (auto &v : values)
            v = gen.bounded(100) < 45 ? ValueOne : gen.bounded(4) == 0 ? ValueDontCare : ValueZero;
        QTest::newRow(qPrintable(QStringLiteral("random %1").arg(i))) << values;
    }
}

void TestSolver::agreesOnLargeLevels()
{
    QFETCH(RowValues, values);
    constexpr int kTrials = 12;
    reference::State ref;
    ref.NumVar = 8;
    reference::BuildPrimeImplicants(ref, CellsOf(values));
    SolverState s;
    s.NumVar = 8;
    BuildPrimeImplicants(s, values);
    LcgRandom refRandom(17), random(17);
    ProgressLog refLog, log;
    reference::CoverSearch(ref, refRandom, refLog.fn(), kTrials);
    CoverSearch(s, random, log.fn(), kTrials);
    QCOMPARE(Texts(s.BestTerms, 8), ref.BestTerms);
    QCOMPARE(s.TrialsDone, kTrials);
    QCOMPARE(random.Seed(), refRandom.Seed());
    QCOMPARE(log.events.size(), refLog.events.size());
    for (int i = 0; i < log.events.size(); ++i)
        QCOMPARE(log.events[i].BestTermCount, refLog.events[i].BestTermCount);
}

void TestSolver::reachesProvenMinimum_data()
{
    QTest::addColumn<int>("numVar");
    QTest::addColumn<QList<int>>("ones");
    QTest::addColumn<QList<int>>("dontCares");
    QTest::addColumn<int>("minTerms");
    QTest::addColumn<int>("minLiterals");
    QFile file(QStringLiteral(QUINTORA_CASES_FILE));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonArray cases = QJsonDocument::fromJson(file.readAll()).array();
    QVERIFY(!cases.isEmpty());
    auto ints = [](const QJsonValue &v) {
        QList<int> list;
        for (const QJsonValue &x : v.toArray())
            list << x.toInt();
        return list;
    };
    for (const QJsonValue &v : cases) {
        const QJsonObject o = v.toObject();
        QTest::newRow(qPrintable(o["name"].toString()))
            << o["n"].toInt() << ints(o["ones"]) << ints(o["dcs"]) << o["min_terms"].toInt()
            << o["min_literals"].toInt();
    }
}

void TestSolver::reachesProvenMinimum()
{
    QFETCH(int, numVar);
    QFETCH(QList<int>, ones);
    QFETCH(QList<int>, dontCares);
    QFETCH(int, minTerms);
    QFETCH(int, minLiterals);
    RowValues values(RowCount(numVar), ValueZero);
    for (int r : ones)
        values[r] = ValueOne;
    for (int r : dontCares)
        values[r] = ValueDontCare;
    if (ones.isEmpty()) {
        QCOMPARE(minTerms, 0); // the window refuses to solve such a function
        return;
    }
    // A few seeds: the exact step must reach the minimum whatever the trials found.
    for (uint32_t seed : {1u, 2u, 3u}) {
        LcgRandom random(seed);
        const SolveOutcome outcome = MinimalSum(values, numVar, random, {}, kNoRush);
        QVERIFY(outcome.exact.proven);
        QCOMPARE(int(outcome.terms.size()), minTerms);
        QCOMPARE(LiteralCount(outcome.terms, numVar), minLiterals);
        const QString fault = Unsound(values, numVar, outcome.terms);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }
}

// The cases again with their 0s and 1s exchanged: the minimal product of sums
// of the exchanged function groups the original 1s, so it has the proven
// minimum's counts, and each sum is 0 on exactly the rows it groups.
void TestSolver::minimalProductOfExchangedCases_data() { reachesProvenMinimum_data(); }

void TestSolver::minimalProductOfExchangedCases()
{
    QFETCH(int, numVar);
    QFETCH(QList<int>, ones);
    QFETCH(QList<int>, dontCares);
    QFETCH(int, minTerms);
    QFETCH(int, minLiterals);
    RowValues exchanged(RowCount(numVar), ValueOne);
    for (int r : ones)
        exchanged[r] = ValueZero;
    for (int r : dontCares)
        exchanged[r] = ValueDontCare;
    SolvedFunction solved = DescribeSolution(exchanged, numVar, DefaultNomVar(), SolveOutcome{});
    LcgRandom random(5);
    AddMinimalProduct(solved, random, kNoRush);
    QVERIFY(solved.productProven);
    if (ones.isEmpty()) { // no 0 to group: the empty product
        QCOMPARE(solved.sums.size(), 1);
        QCOMPARE(solved.sums[0].caption, QStringLiteral("1"));
        return;
    }
    QCOMPARE(int(solved.sums.size()), minTerms);
    int literals = 0;
    QList<bool> zero(RowCount(numVar), false);
    for (const SolvedTerm &sum : solved.sums) {
        literals += int(sum.cells.size() - sum.cells.count(QLatin1Char('-')));
        // The caption says the same: "0" for no literal, else one per "+" and one more.
        QCOMPARE(sum.caption == QLatin1String("0") ? 0 : int(sum.caption.count(QLatin1Char('+'))) + 1,
                 int(sum.cells.size() - sum.cells.count(QLatin1Char('-'))));
        for (int r = 0; r < RowCount(numVar); ++r) {
            if (TermCovers(r, sum.cells, numVar)) {
                QVERIFY2(exchanged[r] != ValueOne, qPrintable(sum.caption + QStringLiteral(" is 0 on a 1")));
                zero[r] = true;
            }
        }
    }
    QCOMPARE(literals, minLiterals);
    for (int r : ones)
        QVERIFY2(zero[r], qPrintable(QStringLiteral("row %1 is not 0").arg(r)));
}

void TestSolver::exactStepMendsRedundantTerm()
{
    // Every trial takes the middle square first, which the four essential
    // terms make redundant.
    const RowValues values = ValuesWithOnes(4, {1, 5, 6, 7, 11, 12, 13, 15});
    SolverState s;
    s.NumVar = 4;
    BuildPrimeImplicants(s, values);
    LcgRandom random(3);
    CoverSearch(s, random);
    QCOMPARE(s.BestTermCount, 5);
    QCOMPARE(PatternText(s.BestTerms.front(), 4), QStringLiteral("-1-1"));
    ProgressLog log;
    const ExactResult exact = ExactCover(s, log.fn());
    QVERIFY(exact.improved);
    QVERIFY(exact.proven);
    QCOMPARE(s.BestTermCount, 4);
    // Highest level first, each level in its own order.
    QCOMPARE(Texts(s.BestTerms, 4), (QStringList{"0-01", "011-", "1-11", "110-"}));
    QCOMPARE(log.events.size(), 1);
    QCOMPARE(log.events[0].BestTermCount, 4);
    QVERIFY(log.events[0].BestCountChanged);

    // Already minimal: nothing changes and nothing is reported.
    ProgressLog again;
    const ExactResult second = ExactCover(s, again.fn());
    QVERIFY(!second.improved);
    QVERIFY(second.proven);
    QVERIFY(again.events.isEmpty());
}

void TestSolver::exactStepOutOfTimeKeepsTrialResult()
{
    // Rows with three to five bits set: 560 prime implicants, none essential.
    RowValues values(256, ValueZero);
    for (int r = 0; r < 256; ++r)
        if (std::popcount(unsigned(r)) >= 3 && std::popcount(unsigned(r)) <= 5)
            values[r] = ValueOne;
    SolverState s;
    s.NumVar = 8;
    BuildPrimeImplicants(s, values);
    LcgRandom random(5);
    CoverSearch(s, random);
    const int trialCount = s.BestTermCount;
    const int trialLiterals = LiteralCount(s.BestTerms, 8);
    const ExactResult exact = ExactCover(s, {}, std::chrono::milliseconds(0));
    QVERIFY(!exact.proven);
    QVERIFY(s.BestTermCount < trialCount
            || (s.BestTermCount == trialCount && LiteralCount(s.BestTerms, 8) <= trialLiterals));
    const QString fault = Unsound(values, 8, s.BestTerms);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
}

void TestSolver::randomResultsAreSound()
{
    QRandomGenerator gen(77);
    for (int i = 0; i < 300; ++i) {
        const int numVar = 3 + i % 6;
        RowValues values = RandomFunction(gen, numVar);
        if (!HasOne(values))
            continue;
        SolverState s;
        s.NumVar = numVar;
        BuildPrimeImplicants(s, values);
        LcgRandom random(gen.generate());
        CoverSearch(s, random);
        const int trialTerms = s.BestTermCount;
        const int trialLiterals = LiteralCount(s.BestTerms, numVar);
        const ExactResult exact = ExactCover(s, {}, kNoRush);
        QVERIFY(exact.proven);
        // Only a strictly better cover replaces the trials' result.
        if (exact.improved)
            QVERIFY(s.BestTermCount < trialTerms
                    || (s.BestTermCount == trialTerms && LiteralCount(s.BestTerms, numVar) < trialLiterals));
        else
            QCOMPARE(s.BestTermCount, trialTerms);
        AddIsolatedRows(s, values);
        QCOMPARE(int(s.BestTerms.size()), s.BestTermCount);
        const QString fault = Unsound(values, numVar, s.BestTerms);
        QVERIFY2(fault.isEmpty(), qPrintable(QStringLiteral("case %1: %2").arg(i).arg(fault)));
    }
}

void TestSolver::termNotation_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("numVar");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("text");
    QTest::newRow("minterm 5") << "min" << 3 << "5" << QString::fromUtf8("a·|b·c");
    QTest::newRow("minterm 0") << "min" << 3 << "0" << QString::fromUtf8("|a·|b·|c");
    QTest::newRow("maxterm 2") << "max" << 3 << "2" << "a+|b+c";
    QTest::newRow("maxterm 255") << "max" << 8 << "255" << "|a+|b+|c+|d+|e+|f+|g+|h";
    QTest::newRow("product 1-0") << "product" << 3 << "1-0" << QString::fromUtf8("a·|c");
    QTest::newRow("product ---") << "product" << 3 << "---" << "1";
    QTest::newRow("product one literal") << "product" << 5 << "---0-" << "|d";
}

void TestSolver::termNotation()
{
    QFETCH(QString, kind);
    QFETCH(int, numVar);
    QFETCH(QString, input);
    QFETCH(QString, text);
    const VarNames names = DefaultNomVar();
    if (kind == QLatin1String("min"))
        QCOMPARE(MintermText(input.toInt(), numVar, names), text);
    else if (kind == QLatin1String("max"))
        QCOMPARE(MaxtermText(input.toInt(), numVar, names), text);
    else
        QCOMPARE(ProductText(PatternOfText(input), numVar, names), text);
    // The middle dot is one character.
    if (text.contains(QChar(0x00B7)))
        QCOMPARE(text.toUtf8().size(), text.size() + text.count(QChar(0x00B7)));
}

void TestSolver::solutionLists()
{
    VarNames names = DefaultNomVar();
    names[0] = QStringLiteral("x");
    names[2] = QString(QChar(0x00F1)); // a name from a file may be any character
    const RowValues values = ValuesOf("1X0X1100");
    const SolutionLists lists =
        BuildSolutionLists(values, 3, names, {PatternOfText(QStringLiteral("-0-")), PatternOfText(QStringLiteral("---"))});
    const QString n = names[2];
    QCOMPARE(lists.minterms, (QStringList{QString::fromUtf8("|x·|b·|") + n, QString::fromUtf8("x·|b·|") + n,
                                          QString::fromUtf8("x·|b·") + n}));
    QCOMPARE(lists.maxterms, (QStringList{"x+|b+" + n, "|x+|b+" + n, "|x+|b+|" + n}));
    QCOMPARE(lists.karnaugh, (QStringList{"|b", "1"}));
}

QTEST_APPLESS_MAIN(TestSolver)
#include "tst_solver.moc"
