// PLA files: reading the types f, fd and fr, refusing what is not a valid
// one-output PLA of 3 to 8 inputs, and writing files that read back the same.
#include "pla.h"
#include "solver.h"

#include <QRandomGenerator>
#include <QTest>

using namespace quintora;

class TestPla : public QObject {
    Q_OBJECT

private slots:
    void reads_data();
    void reads();
    void refuses_data();
    void refuses();
    void writtenFunctionReadsBack();
    void writtenSumReadsBack();
};

void TestPla::reads_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("values");
    QTest::addColumn<QString>("names"); // the first numVar names

    QTest::newRow("fd by default, don't cares") << QByteArray(".i 3\n.o 1\n1-1 1\n000 -\n.e\n") << "X0000101" << "abc";
    QTest::newRow("type f ignores 0 and -") << QByteArray(".i 3\n.o 1\n.type f\n11- 1\n000 0\n001 -\n") << "00000011"
                                            << "abc";
    QTest::newRow("type fr: unset rows are free") << QByteArray(".i 3\n.o 1\n.type fr\n11- 1\n0-- 0\n") << "0000XX11"
                                                  << "abc";
    QTest::newRow("names from .ilb, comments, no blank before the output")
        << QByteArray("# made by hand\n.i 4\n.o 1\n.ilb p Q r s # names\n.ob out\n.p 1\n--11 1\n.end\n")
        << "0001000100010001" << "pQrs";
    QTest::newRow("names not single letters: a to h") << QByteArray(".i 3\n.o 1\n.ilb x1 y z\n111 1\n") << "00000001"
                                                       << "abc";
    QTest::newRow("names repeated: a to h") << QByteArray(".i 3\n.o 1\n.ilb x x z\n111 1\n") << "00000001" << "abc";
    QTest::newRow("eight inputs") << QByteArray(".i 8\n.o 1\n1------- 1\n") << QString(128, QLatin1Char('0')) + QString(128, QLatin1Char('1'))
                                  << "abcdefgh";
    QTest::newRow("no cube: all 0") << QByteArray(".i 3\n.o 1\n.e\n") << "00000000" << "abc";
}

void TestPla::reads()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, values);
    QFETCH(QString, names);
    const PlaRead read = ParsePla(text);
    QVERIFY2(read.ok, qPrintable(read.error));
    QCOMPARE(read.file.values, values);
    QCOMPARE(read.file.numVar, int(names.size()));
    QString first;
    for (int i = 0; i < read.file.numVar; ++i)
        first += read.file.names[i];
    QCOMPARE(first, names);
    // All eight names stay different ASCII letters, so the function saves as a data file.
    for (int i = 0; i < 8; ++i)
        for (int j = i + 1; j < 8; ++j)
            QVERIFY(read.file.names[i] != read.file.names[j]);
}

void TestPla::refuses_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("says");

    QTest::newRow("nine inputs") << QByteArray(".i 9\n.o 1\n") << "9 entradas";
    QTest::newRow("two inputs") << QByteArray(".i 2\n.o 1\n") << "2 entradas";
    QTest::newRow("several outputs") << QByteArray(".i 3\n.o 2\n111 11\n") << "2 salidas";
    QTest::newRow("bad character in a cube") << QByteArray(".i 3\n.o 1\n1x1 1\n") << "no v\u00e1lido";
    QTest::newRow("bad output") << QByteArray(".i 3\n.o 1\n111 x\n") << "salida";
    QTest::newRow("cube too narrow") << QByteArray(".i 4\n.o 1\n111 1\n") << "4 entradas y una salida";
    QTest::newRow("cube too wide") << QByteArray(".i 3\n.o 1\n1111 1\n") << "3 entradas y una salida";
    QTest::newRow("1 and don't care in fd") << QByteArray(".i 3\n.o 1\n.type fd\n1-1 1\n111 -\n") << "contradictorios";
    QTest::newRow("1 and 0 in fr") << QByteArray(".i 3\n.o 1\n.type fr\n1-1 1\n1-- 0\n") << "contradictorios";
    QTest::newRow("unknown type") << QByteArray(".i 3\n.o 1\n.type fdr\n") << "fdr";
    QTest::newRow("unknown directive") << QByteArray(".i 3\n.o 1\n.phase 1\n") << ".phase";
    QTest::newRow("cube before .i") << QByteArray("111 1\n.i 3\n") << "antes de .i";
    QTest::newRow("no .i") << QByteArray(".o 1\n") << "falta .i";
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n", 8) << "no v\u00e1lido";
}

void TestPla::refuses()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, says);
    const PlaRead read = ParsePla(text);
    QVERIFY(!read.ok);
    QVERIFY2(read.error.startsWith(QStringLiteral("Fichero PLA no v\u00e1lido: ")), qPrintable(read.error));
    QVERIFY2(read.error.contains(says), qPrintable(read.error));
}

// Random functions of every size with random names: written as .type fd and
// read back, the values (empty rows as 0) and the first names are the same.
void TestPla::writtenFunctionReadsBack()
{
    QRandomGenerator random(77);
    for (int round = 0; round < 60; ++round) {
        const int n = kMinVars + round % 6;
        QString pool = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
        VarNames names;
        for (QString &name : names) {
            name = pool.mid(random.bounded(pool.size()), 1);
            pool.remove(name);
        }
        QString values;
        for (int r = 0; r < RowCount(n); ++r)
            values += QStringLiteral("01X_")[random.bounded(4)];
        const PlaRead read = ParsePla(WritePla(n, names, values));
        QVERIFY2(read.ok, qPrintable(read.error));
        QCOMPARE(read.file.numVar, n);
        QCOMPARE(read.file.values, QString(values).replace(QLatin1Char('_'), QLatin1Char('0')));
        for (int i = 0; i < n; ++i)
            QCOMPARE(read.file.names[i], names[i]);
    }
}

// A minimal sum written as .type f reads back as the function on every row
// that is not a don't care.
void TestPla::writtenSumReadsBack()
{
    QRandomGenerator random(78);
    for (int round = 0; round < 30; ++round) {
        const int n = kMinVars + round % 6;
        RowValues values(RowCount(n));
        for (uint8_t &v : values)
            v = uint8_t(random.bounded(3));
        values[0] = ValueOne;
        LcgRandom draws(round);
        const SolveOutcome outcome = MinimalSum(values, n, draws);
        QStringList patterns;
        for (Pattern p : outcome.terms)
            patterns << PatternText(p, n);
        const PlaRead read = ParsePla(WritePlaSum(n, DefaultNomVar(), patterns));
        QVERIFY2(read.ok, qPrintable(read.error));
        for (int r = 0; r < RowCount(n); ++r)
            if (values[r] != ValueDontCare)
                QCOMPARE(read.file.values[r], values[r] == ValueOne ? QLatin1Char('1') : QLatin1Char('0'));
    }
}

QTEST_APPLESS_MAIN(TestPla)
#include "tst_pla.moc"
