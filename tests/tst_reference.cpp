// Checks of the literal string minimiser that serves as the fast engine's oracle.
#include "transcription.h"

#include <QTest>

using namespace quintora;
using reference::State;

namespace {

// One value cell per character: '1' -> "  1", '0' -> "  0", 'X' -> "  X".
QStringList Cells(const QString &values)
{
    QStringList cells;
    for (QChar c : values)
        cells.append(QStringLiteral("  ") + c);
    return cells;
}

QStringList AllLevels(const State &s)
{
    QStringList all;
    for (const QStringList &level : s.Levels)
        all += level;
    return all;
}

// The seeded generator, counting its reseeds and draws.
class CountingLcg : public LcgRandom {
public:
    explicit CountingLcg(uint32_t seed) : LcgRandom(seed) {}
    void Reseed() override { ++reseeds; }
    uint32_t Draw(uint32_t n) override
    {
        ++draws;
        return LcgRandom::Draw(n);
    }
    int reseeds = 0;
    int draws = 0;
};

// Returns the scripted values in order, then 0; records every n and the reseeds.
class ScriptedRandom : public RandomSource {
public:
    explicit ScriptedRandom(QList<uint32_t> script) : m_script(std::move(script)) {}
    void Reseed() override { ++reseeds; }
    uint32_t Draw(uint32_t n) override
    {
        sizes.append(int(n));
        return m_next < m_script.size() ? m_script[m_next++] : 0;
    }
    QList<int> sizes;
    int reseeds = 0;

private:
    QList<uint32_t> m_script;
    qsizetype m_next = 0;
};

bool IsImplicant(const QString &pattern, const QString &values)
{
    State s;
    s.NumVar = int(pattern.size());
    for (int m = 0; m < values.size(); ++m) {
        if (values[m] == QLatin1Char('0') && reference::TermCovers(s, m, pattern))
            return false;
    }
    return true;
}

// Every prime implicant of the rows holding 1 or X, found by trying all 3^n patterns.
QStringList BrutePrimes(int numVar, const QString &values)
{
    QStringList primes;
    int total = 1;
    for (int i = 0; i < numVar; ++i)
        total *= 3;
    for (int code = 0; code < total; ++code) {
        QString pattern;
        for (int i = 0, c = code; i < numVar; ++i, c /= 3)
            pattern += QLatin1Char("01-"[c % 3]);
        if (!IsImplicant(pattern, values))
            continue;
        bool prime = true;
        for (int p = 0; p < numVar && prime; ++p) {
            if (pattern[p] == QLatin1Char('-'))
                continue;
            QString wider = pattern;
            wider[p] = QLatin1Char('-');
            prime = !IsImplicant(wider, values);
        }
        if (prime)
            primes.append(pattern);
    }
    primes.sort();
    return primes;
}

QString RandomValues(int numVar, CountingLcg &random)
{
    QString values;
    for (int m = 0; m < (1 << numVar); ++m)
        values += QLatin1Char("0001111X"[random.Draw(8)]);
    return values;
}

} // namespace

class TestReference : public QObject {
    Q_OBJECT

private slots:
    void combineTerms_data();
    void combineTerms();
    void markIfCovered_data();
    void markIfCovered();
    void readRows();
    void compactKeepsOrder();
    void mergeBeforeMarking();
    void primeImplicants_data();
    void primeImplicants();
    void primeImplicantsMatchBruteForce();
    void allOnesEightVariables();
    void coverSearch_data();
    void coverSearch();
    void sixRowExampleAlwaysThreeTerms();
};

void TestReference::combineTerms_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QString>("result");
    QTest::newRow("dash in same place") << "0-1" << "0-0" << "0--";
    QTest::newRow("one bit") << "001" << "011" << "0-1";
    QTest::newRow("reversed order") << "011" << "001" << "0-1";
    QTest::newRow("dash against digit") << "0-1" << "001" << "";
    QTest::newRow("two differences") << "011" << "101" << "";
    QTest::newRow("equal patterns") << "010" << "010" << "";
    QTest::newRow("lengths differ") << "01" << "011" << "";
    QTest::newRow("to all dashes") << "--1" << "--0" << "---";
    QTest::newRow("eight variables") << "1-0-1-01" << "1-0-1-00" << "1-0-1-0-";
}

void TestReference::combineTerms()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(QString, result);
    QCOMPARE(reference::CombineTerms(a, b), result);
}

void TestReference::markIfCovered_data()
{
    QTest::addColumn<QString>("higher");
    QTest::addColumn<QString>("lower");
    QTest::addColumn<QString>("after");
    QTest::newRow("inside") << "0--" << "010" << "R";
    QTest::newRow("inside, with dash") << "0--" << "0-1" << "R";
    QTest::newRow("other half") << "0--" << "110" << "110";
    QTest::newRow("dash against digit") << "1-1" << "--1" << "--1";
    QTest::newRow("marked higher marks nothing") << "R" << "010" << "010";
    QTest::newRow("marked lower stays marked") << "---" << "R" << "R";
}

void TestReference::markIfCovered()
{
    QFETCH(QString, higher);
    QFETCH(QString, lower);
    QFETCH(QString, after);
    State s;
    s.NumVar = 3;
    reference::MarkIfCovered(s, higher, lower);
    QCOMPARE(lower, after);
}

void TestReference::readRows()
{
    State s;
    s.NumVar = 3;
    reference::ReadRows(s, {"  1", "  0", "  X", "", "  5", "abc", " 0 ", "1"});
    const QList<int> index{0, 2, 3, 4, 5, 7};
    const QList<int> value{1, 2, 2, 5, 2, 1};
    QCOMPARE(s.Minterms.size(), index.size());
    for (int i = 0; i < index.size(); ++i) {
        QCOMPARE(s.Minterms[i].Index, index[i]);
        QCOMPARE(s.Minterms[i].Value, value[i]);
    }
    QCOMPARE(s.Levels[0], QStringList({"000", "010", "011", "100", "101", "111"}));
}

void TestReference::compactKeepsOrder()
{
    State s;
    s.Levels[0] = QStringList{"R", "a", "R", "R", "b", "c", "R"};
    s.Levels[3] = QStringList{"R", "R"};
    s.Levels[5] = QStringList{"x", "R", "y"};
    s.Levels[8] = QStringList{"z"};
    reference::CompactLevels(s);
    QCOMPARE(s.Levels[0], QStringList({"a", "b", "c"}));
    QVERIFY(s.Levels[3].isEmpty());
    QCOMPARE(s.Levels[5], QStringList({"x", "y"}));
    QCOMPARE(s.Levels[8], QStringList({"z"}));
}

void TestReference::mergeBeforeMarking()
{
    State s;
    s.NumVar = 3;
    reference::ReadRows(s, Cells("11100111"));
    reference::MergeLevel(s, 0);
    reference::MergeLevel(s, 1);
    QCOMPARE(s.Levels[0], QStringList({"000", "001", "010", "101", "110", "111"}));
    QCOMPARE(s.Levels[1], QStringList({"00-", "0-0", "-01", "-10", "1-1", "11-"}));
    QVERIFY(s.Levels[2].isEmpty());

    // The square of rows 0..3 comes from two pairs of level 1 and is kept once.
    State square;
    square.NumVar = 3;
    reference::ReadRows(square, Cells("11110000"));
    reference::MergeLevel(square, 0);
    QCOMPARE(square.Levels[1], QStringList({"00-", "0-0", "0-1", "01-"}));
    QCOMPARE(reference::CombineTerms("00-", "01-"), QStringLiteral("0--"));
    QCOMPARE(reference::CombineTerms("0-0", "0-1"), QStringLiteral("0--"));
    reference::MergeLevel(square, 1);
    QCOMPARE(square.Levels[2], QStringList({"0--"}));

    // Level 2 is produced as -00-, 0--0, 0--0, -00-: the first production of each stays.
    State interleaved;
    interleaved.NumVar = 4;
    reference::ReadRows(interleaved, Cells("1110101011000000"));
    reference::MergeLevel(interleaved, 0);
    QCOMPARE(interleaved.Levels[1],
             QStringList({"000-", "00-0", "0-00", "-000", "-001", "0-10", "01-0", "100-"}));
    reference::MergeLevel(interleaved, 1);
    QCOMPARE(interleaved.Levels[2], QStringList({"-00-", "0--0"}));
}

void TestReference::primeImplicants_data()
{
    QTest::addColumn<int>("numVar");
    QTest::addColumn<QString>("values");
    QTest::addColumn<QList<QStringList>>("levels"); // levels 0 .. 8 after the stage

    const QStringList none;
    QTest::newRow("six rows of three") << 3 << "11100111"
        << QList<QStringList>{none, {"00-", "0-0", "-01", "-10", "1-1", "11-"}, none, none,
                              none, none, none, none, none};
    QTest::newRow("no neighbours") << 3 << "01101001"
        << QList<QStringList>{{"001", "010", "100", "111"}, none, none, none,
                              none, none, none, none, none};
    QTest::newRow("square of rows 0..3") << 3 << "11110000"
        << QList<QStringList>{none, none, {"0--"}, none, none, none, none, none, none};
    QTest::newRow("X widens a term, X-only term survives") << 3 << "1X0000XX"
        << QList<QStringList>{none, {"00-", "11-"}, none, none, none, none, none, none, none};
    QTest::newRow("all rows of four") << 4 << "1111XXXX11111111"
        << QList<QStringList>{none, none, none, none, {"----"}, none, none, none, none};
}

void TestReference::primeImplicants()
{
    QFETCH(int, numVar);
    QFETCH(QString, values);
    QFETCH(QList<QStringList>, levels);
    State s;
    s.NumVar = numVar;
    reference::BuildPrimeImplicants(s, Cells(values));
    for (int k = 0; k < 9; ++k)
        QCOMPARE(s.Levels[k], levels[k]);
}

void TestReference::primeImplicantsMatchBruteForce()
{
    CountingLcg random(12345);
    for (int numVar = 3; numVar <= 5; ++numVar) {
        for (int round = 0; round < 30; ++round) {
            const QString values = RandomValues(numVar, random);
            State s;
            s.NumVar = numVar;
            reference::BuildPrimeImplicants(s, Cells(values));
            for (int k = 0; k < 9; ++k) {
                for (const QString &pattern : s.Levels[k])
                    QCOMPARE(pattern.count(QLatin1Char('-')), k);
            }
            QStringList found = AllLevels(s);
            found.sort();
            QCOMPARE(found, BrutePrimes(numVar, values));
        }
    }
}

void TestReference::allOnesEightVariables()
{
    State s;
    s.NumVar = 8;
    const QStringList cells = Cells(QString(256, QLatin1Char('1')));
    reference::ReadRows(s, cells);
    for (int k = 0; k <= 7; ++k)
        reference::MergeLevel(s, k);
    QCOMPARE(s.Levels[1].size(), 1024);
    reference::MarkCoveredImplicants(s);
    reference::CompactLevels(s);
    QCOMPARE(AllLevels(s), QStringList({"--------"}));
    QCOMPARE(reference::CountCovered(s, "--------", false), 256);
}

void TestReference::coverSearch_data()
{
    QTest::addColumn<int>("numVar");
    QTest::addColumn<QString>("values");
    QTest::addColumn<QList<uint32_t>>("script");    // draws of the first trials, then 0
    QTest::addColumn<QList<int>>("firstSizes");     // n of the first draws
    QTest::addColumn<int>("totalDraws");
    QTest::addColumn<QStringList>("searchTerms");   // BestTerms after the trials
    QTest::addColumn<QStringList>("finalTerms");    // after the isolated rows

    // First trial picks 0-0, 1-1, 00-, -10 (four terms); every later trial
    // draws 0 and picks 00-, -10, 1-1, which wins and is never replaced.
    QTest::newRow("six rows of three") << 3 << "11100111" << QList<uint32_t>{1, 1, 0, 0}
        << QList<int>{6, 3, 4, 2, 6, 3, 1} << 4 + 64 * 3 << QStringList{"00-", "-10", "1-1"}
        << QStringList{"00-", "-10", "1-1"};
    // First trial 0-0, -01, 11-; the later ones 00-, -10, 1-1: equal terms and
    // literals, so the first stays.
    QTest::newRow("equal trials keep the earlier") << 3 << "11100111" << QList<uint32_t>{1, 0, 0}
        << QList<int>{6, 3, 1, 6, 3, 1} << 65 * 3 << QStringList{"0-0", "-01", "11-"}
        << QStringList{"0-0", "-01", "11-"};
    // -0-0 first, then a draw between 01-1 and -101: the first trial takes -101
    // and ends with 0-11 (8 literals), the later ones take 01-1 and 1-0- (7).
    QTest::newRow("fewer literals replace") << 4 << "101X01011X10X100" << QList<uint32_t>{0, 1, 0}
        << QList<int>{1, 2, 2, 1, 2, 1} << 129 * 3 << QStringList{"-0-0", "01-1", "1-0-"}
        << QStringList{"-0-0", "01-1", "1-0-"};
    // 00-- (ones 0, 1; rows 2, 3 are X) and 110- both cover two rows holding 1:
    // the higher level wins alone, so each draw is among one candidate.
    QTest::newRow("tie across levels") << 4 << "11XX000000001100" << QList<uint32_t>{}
        << QList<int>{1, 1, 1, 1} << 129 * 2 << QStringList{"00--", "110-"}
        << QStringList{"00--", "110-"};
    QTest::newRow("isolated rows") << 3 << "01101001" << QList<uint32_t>{}
        << QList<int>{} << 0 << QStringList{} << QStringList{"001", "010", "100", "111"};
    // 11- covers only X rows: its count is 0 and it is never drawn.
    QTest::newRow("X-only candidate") << 3 << "100000XX" << QList<uint32_t>{}
        << QList<int>{} << 0 << QStringList{} << QStringList{"000"};
    // The isolated X row 000 is left out.
    QTest::newRow("isolated X row") << 3 << "X0010001" << QList<uint32_t>{}
        << QList<int>{1} << 65 << QStringList{"-11"} << QStringList{"-11"};
    // Row 0 reads 5: it takes part like an X and is not a row holding 1.
    QTest::newRow("isolated row of another number") << 3 << "50010001" << QList<uint32_t>{}
        << QList<int>{1} << 65 << QStringList{"-11"} << QStringList{"-11"};
    QTest::newRow("all ones") << 4 << QString(16, QLatin1Char('1')) << QList<uint32_t>{}
        << QList<int>{1} << 129 << QStringList{"----"} << QStringList{"----"};
}

void TestReference::coverSearch()
{
    QFETCH(int, numVar);
    QFETCH(QString, values);
    QFETCH(QList<uint32_t>, script);
    QFETCH(QList<int>, firstSizes);
    QFETCH(int, totalDraws);
    QFETCH(QStringList, searchTerms);
    QFETCH(QStringList, finalTerms);

    State s;
    s.NumVar = numVar;
    const QStringList cells = Cells(values);
    reference::BuildPrimeImplicants(s, cells);
    ScriptedRandom random(script);
    QList<SearchProgress> reports;
    const ProgressFn record = [&reports](const SearchProgress &p) { reports.append(p); };

    reference::CoverSearch(s, random, record);
    const int trials = 8 * (1 << numVar) + 1;
    QCOMPARE(s.TrialsDone, trials);
    QCOMPARE(s.BestTerms, searchTerms);
    QCOMPARE(s.BestTermCount, int(searchTerms.size()));
    QCOMPARE(random.sizes.mid(0, firstSizes.size()), firstSizes);
    QCOMPARE(random.reseeds, int(random.sizes.size()));
    QCOMPARE(int(random.sizes.size()), totalDraws);

    QCOMPARE(reports.size(), trials);
    int previous = 1000;
    for (int t = 0; t < trials; ++t) {
        QCOMPARE(reports[t].TrialsDone, t + 1);
        QCOMPARE(reports[t].BestCountChanged, reports[t].BestTermCount < previous);
        QVERIFY(reports[t].BestTermCount <= previous);
        previous = reports[t].BestTermCount;
    }
    QCOMPARE(previous, int(searchTerms.size()));

    reference::AddIsolatedRows(s, cells, record);
    QCOMPARE(s.BestTerms, finalTerms);
    QCOMPARE(s.BestTermCount, int(finalTerms.size()));
    QCOMPARE(reports.size(), trials + 1);
    QCOMPARE(reports.last().BestTermCount, int(finalTerms.size()));
    QCOMPARE(reports.last().TrialsDone, trials);
    QVERIFY(reports.last().BestCountChanged);
}

void TestReference::sixRowExampleAlwaysThreeTerms()
{
    const QStringList cells = Cells("11100111");
    for (uint32_t seed : {1u, 2u, 7u, 42u, 1000u, 0xDEADBEEFu}) {
        State s;
        s.NumVar = 3;
        reference::BuildPrimeImplicants(s, cells);
        CountingLcg random(seed);
        reference::CoverSearch(s, random);
        reference::AddIsolatedRows(s, cells);
        QCOMPARE(s.BestTermCount, 3);
        QCOMPARE(s.BestTerms.size(), 3);
        QCOMPARE(reference::LiteralCount(s.BestTerms), 6);
        QCOMPARE(random.draws, random.reseeds);
        for (int m : {0, 1, 2, 5, 6, 7}) {
            bool covered = false;
            for (const QString &term : s.BestTerms)
                covered = covered || reference::TermCovers(s, m, term);
            QVERIFY2(covered, qPrintable(QString::number(m)));
        }
    }
}

QTEST_APPLESS_MAIN(TestReference)
#include "tst_reference.moc"
