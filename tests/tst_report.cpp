// The report's content: the function head and the line rule of its memos.
#include "reportcontent.h"

#include <QTest>

using namespace quintora;

namespace {

QStringList Cells(const QString &values)
{
    QStringList cells;
    for (QChar v : values)
        cells << QStringLiteral("  ") + v;
    return cells;
}

QStringList IndexCells(int rows)
{
    QStringList cells;
    for (int m = 0; m < rows; ++m)
        cells << TruthIndexText(m);
    return cells;
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT

private slots:
    void threeVariableExample();
    void truthTableLines_data();
    void truthTableLines();
    void edgeMemos();
    void noKarnaughNode();
};

void TestReport::threeVariableExample()
{
    const ReportContent r = BuildReportContent(3, DefaultNomVar(), Cells(QStringLiteral("01101X01")), IndexCells(8),
                                               QStringList{QString::fromUtf8("a·|b"), QStringLiteral("c")});
    QCOMPARE(r.funcion, QStringLiteral("f( a,b,c )"));
    QCOMPARE(r.verdad, QStringList{QStringLiteral("f=( 0,1,1,0,1,X,0,1 )")});
    QCOMPARE(r.sop, QStringList{QStringLiteral("( 1,2,4,7 )")});
    QCOMPARE(r.pos, QStringList{QStringLiteral("( 0,3,6 )")});
    QCOMPARE(r.karnaugh, QStringList{QString::fromUtf8("(a·|b)+(c)")});
    QCOMPARE(r.nand, QStringList{QString::fromUtf8("|( |(a·|b)·|(c) )")});
    QCOMPARE(FunctionHead(4, DefaultNomVar()), QStringLiteral("f( a,b,c,d )"));
}

void TestReport::truthTableLines_data()
{
    QTest::addColumn<int>("numVar");
    QTest::addColumn<QList<int>>("valuesPerLine");
    QTest::addColumn<QString>("lastLine");
    // A line closes after the item that takes it past 85 characters.
    QTest::newRow("8 variables") << 8 << QList<int>{41, 43, 43, 43, 43, 43, 0} << QStringLiteral(" )");
    QTest::newRow("7 variables") << 7 << QList<int>{41, 43, 43, 1} << QStringLiteral("1 )");
    QTest::newRow("6 variables") << 6 << QList<int>{41, 23} << QString();
}

void TestReport::truthTableLines()
{
    QFETCH(int, numVar);
    QFETCH(QList<int>, valuesPerLine);
    QFETCH(QString, lastLine);
    const int rows = RowCount(numVar);
    const ReportContent r =
        BuildReportContent(numVar, DefaultNomVar(), Cells(QString(rows, QLatin1Char('1'))), IndexCells(rows), {});
    QCOMPARE(r.verdad.size(), valuesPerLine.size());
    int total = 0;
    for (int i = 0; i < r.verdad.size(); ++i) {
        const QString line = r.verdad[i];
        QCOMPARE(int(line.count(QLatin1Char('1'))), valuesPerLine[i]);
        total += valuesPerLine[i];
        if (i + 1 < r.verdad.size())
            QCOMPARE(line.size(), 86);
    }
    QCOMPARE(total, rows);
    QVERIFY(r.verdad.first().startsWith(QStringLiteral("f=( 1,1")));
    QVERIFY(r.verdad.last().endsWith(QStringLiteral(" )")));
    if (!lastLine.isEmpty())
        QCOMPARE(r.verdad.last(), lastLine);
}

void TestReport::edgeMemos()
{
    // No row holding 0, the sum "1", indices without leading blanks.
    QString values(256, QLatin1Char('X'));
    values[0] = values[7] = values[255] = QLatin1Char('1');
    const ReportContent r = BuildReportContent(8, DefaultNomVar(), Cells(values), IndexCells(256),
                                               QStringList{QStringLiteral("1")});
    QCOMPARE(r.sop, QStringList{QStringLiteral("( 0,7,255 )")});
    QCOMPARE(r.pos, QStringList{QStringLiteral("( )")});
    QCOMPARE(r.karnaugh, QStringList{QStringLiteral("(1)")});
    QCOMPARE(r.nand, QStringList{QStringLiteral("|( |(1) )")});

    // A "Karnaugh" node without children.
    const ReportContent empty = BuildReportContent(3, DefaultNomVar(), Cells(QStringLiteral("00000000")), IndexCells(8),
                                                   QStringList{});
    QCOMPARE(empty.karnaugh, QStringList{QString()});
    QCOMPARE(empty.nand, QStringList{QStringLiteral("|( )")});

    // The rule itself: an item that ends exactly at the break leaves the
    // closing text alone on the last line.
    QCOMPARE(MemoLines(QString(84, QLatin1Char('-')), {QStringLiteral("a")}, QStringLiteral(","), QStringLiteral(" )")),
             (QStringList{QString(84, QLatin1Char('-')) + QStringLiteral("a,"), QStringLiteral(" )")}));
    QCOMPARE(MemoLines(QString(83, QLatin1Char('-')), {QStringLiteral("a")}, QStringLiteral(","), QStringLiteral(" )")),
             QStringList{QString(83, QLatin1Char('-')) + QStringLiteral("a )")});
}

void TestReport::noKarnaughNode()
{
    const ReportContent r =
        BuildReportContent(3, DefaultNomVar(), Cells(QStringLiteral("01000000")), IndexCells(8), std::nullopt);
    QCOMPARE(r.sop, QStringList{QStringLiteral("( 1 )")});
    QVERIFY(r.karnaugh.isEmpty());
    QVERIFY(r.nand.isEmpty());
}

QTEST_APPLESS_MAIN(TestReport)
#include "tst_report.moc"
