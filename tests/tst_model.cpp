#include "model.h"

#include <QTest>

using namespace quintora;

using Grid = QList<QList<int>>;

namespace quintora {
// Lets a failed comparison show the cells.
char *toString(const MapCell &cell)
{
    return QTest::toString(QStringLiteral("(column %1, row %2)").arg(cell.column).arg(cell.row));
}
} // namespace quintora

namespace {

VarNames Names(const char *eight)
{
    VarNames names;
    for (int i = 0; i < 8; ++i)
        names[i] = QString(QLatin1Char(eight[i]));
    return names;
}

} // namespace

class TestModel : public QObject {
    Q_OBJECT

private slots:
    void defaultNames();
    void truthHeaderText_data();
    void truthHeaderText();
    void truthIndexText_data();
    void truthIndexText();
    void truthBitTexts_data();
    void truthBitTexts();
    void valueTexts_data();
    void valueTexts();
    void mapTags_data();
    void mapTags();
    void mapLayout_data();
    void mapLayout();
    void indexSixWithFourVariables();
    void mapRoundTripEveryCount();
    void rowValueOfText_data();
    void rowValueOfText();
};

void TestModel::defaultNames()
{
    QCOMPARE(DefaultNomVar(), Names("abcdefgh"));
}

void TestModel::truthHeaderText_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("numVar");
    QTest::addColumn<QString>("text");

    QTest::newRow("corner stays empty") << 0 << 3 << "";
    QTest::newRow("first variable") << 1 << 3 << " p";
    QTest::newRow("last variable, 3") << 3 << 3 << " r";
    QTest::newRow("value column, 3") << 4 << 3 << " =";
    QTest::newRow("last variable, 8") << 8 << 8 << " w";
    QTest::newRow("value column, 8") << 9 << 8 << " =";
}

void TestModel::truthHeaderText()
{
    QFETCH(int, column);
    QFETCH(int, numVar);
    QFETCH(QString, text);

    QCOMPARE(TruthHeaderText(column, numVar, Names("pqrstuvw")), text);
}

void TestModel::truthIndexText_data()
{
    QTest::addColumn<int>("m");
    QTest::addColumn<QString>("text");

    QTest::newRow("first row") << 0 << "  0";
    QTest::newRow("two digits") << 42 << " 42";
    QTest::newRow("last row of eight variables") << 255 << "255";
}

void TestModel::truthIndexText()
{
    QFETCH(int, m);
    QFETCH(QString, text);

    QCOMPARE(TruthIndexText(m), text);
}

// Column 1 is the most significant bit of the row index.
void TestModel::truthBitTexts_data()
{
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("numVar");
    QTest::addColumn<QString>("columns"); // columns 1..numVar, concatenated

    QTest::newRow("5 of 3") << 5 << 3 << " 1 0 1";
    QTest::newRow("6 of 4") << 6 << 4 << " 0 1 1 0";
    QTest::newRow("128 of 8") << 128 << 8 << " 1 0 0 0 0 0 0 0";
    QTest::newRow("1 of 8") << 1 << 8 << " 0 0 0 0 0 0 0 1";
}

void TestModel::truthBitTexts()
{
    QFETCH(int, m);
    QFETCH(int, numVar);
    QFETCH(QString, columns);

    QString text;
    for (int column = 1; column <= numVar; ++column)
        text += TruthBitText(m, column, numVar);
    QCOMPARE(text, columns);
}

// A value travels from the truth table (two blanks first) to the map (bare).
void TestModel::valueTexts_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("truthText");

    QTest::newRow("1") << "1" << "  1";
    QTest::newRow("0") << "0" << "  0";
    QTest::newRow("X") << "X" << "  X";
    QTest::newRow("undefined") << "" << "";
}

void TestModel::valueTexts()
{
    QFETCH(QString, value);
    QFETCH(QString, truthText);

    QCOMPARE(TruthValueText(value), truthText);
    QCOMPARE(MapValueText(truthText), value);
}

void TestModel::mapTags_data()
{
    QTest::addColumn<int>("numVar");
    QTest::addColumn<QString>("names");
    QTest::addColumn<QString>("rowTag");
    QTest::addColumn<QString>("colTag");

    QTest::newRow("3") << 3 << "abcdefgh" << "a" << "bc";
    QTest::newRow("5") << 5 << "abcdefgh" << "ab" << "cde";
    QTest::newRow("7") << 7 << "abcdefgh" << "abc" << "defg";
    QTest::newRow("8") << 8 << "abcdefgh" << "abcd" << "efgh";
    QTest::newRow("6, renamed") << 6 << "xyzuvwgh" << "xyz" << "uvw";
}

void TestModel::mapTags()
{
    QFETCH(int, numVar);
    QFETCH(QString, names);
    QFETCH(QString, rowTag);
    QFETCH(QString, colTag);

    const VarNames varNames = Names(names.toLatin1().constData());
    QCOMPARE(MapRowTag(numVar, varNames), rowTag);
    QCOMPARE(MapColTag(numVar, varNames), colTag);
}

// The map as the user sees it: header labels and the row index in every data cell.
void TestModel::mapLayout_data()
{
    QTest::addColumn<int>("numVar");
    QTest::addColumn<QStringList>("rowHeaders");
    QTest::addColumn<QStringList>("colHeaders");
    QTest::addColumn<Grid>("indices");

    QTest::newRow("3 variables") << 3 << QStringList{"0", "1"} << QStringList{"00", "01", "11", "10"}
                                 << Grid{{0, 1, 3, 2}, {4, 5, 7, 6}};
    QTest::newRow("4 variables") << 4 << QStringList{"00", "01", "11", "10"}
                                 << QStringList{"00", "01", "11", "10"}
                                 << Grid{{0, 1, 3, 2}, {4, 5, 7, 6}, {12, 13, 15, 14}, {8, 9, 11, 10}};
    QTest::newRow("5 variables") << 5 << QStringList{"00", "01", "11", "10"}
                                 << QStringList{"000", "001", "011", "010", "110", "111", "101", "100"}
                                 << Grid{{0, 1, 3, 2, 6, 7, 5, 4},
                                         {8, 9, 11, 10, 14, 15, 13, 12},
                                         {24, 25, 27, 26, 30, 31, 29, 28},
                                         {16, 17, 19, 18, 22, 23, 21, 20}};
}

void TestModel::mapLayout()
{
    QFETCH(int, numVar);
    QFETCH(QStringList, rowHeaders);
    QFETCH(QStringList, colHeaders);
    QFETCH(Grid, indices);

    QCOMPARE(rowHeaders.size(), MapDataRows(numVar));
    QCOMPARE(colHeaders.size(), MapDataColumns(numVar));
    for (int i = 0; i < rowHeaders.size(); ++i)
        QCOMPARE(MapHeaderText(i, MapRowVars(numVar)), rowHeaders[i]);
    for (int j = 0; j < colHeaders.size(); ++j)
        QCOMPARE(MapHeaderText(j, MapColVars(numVar)), colHeaders[j]);

    for (int i = 0; i < rowHeaders.size(); ++i) {
        for (int j = 0; j < colHeaders.size(); ++j) {
            const int m = indices[i][j];
            QCOMPARE(MapCellOfIndex(m, numVar), (MapCell{j + 1, i + 1}));
            QCOMPARE(IndexOfMapCell(rowHeaders[i], colHeaders[j]), m);
        }
    }
}

void TestModel::indexSixWithFourVariables()
{
    // "0110": row part "01" is map row 2, column part "10" is map column 4.
    QCOMPARE(MapCellOfIndex(6, 4), (MapCell{4, 2}));
    QCOMPARE(IndexOfMapCell(QStringLiteral("01"), QStringLiteral("10")), 6);
    // Header cells are read trimmed.
    QCOMPARE(IndexOfMapCell(QStringLiteral(" 01 "), QStringLiteral("10 ")), 6);
}

void TestModel::mapRoundTripEveryCount()
{
    for (int numVar = kMinVars; numVar <= kMaxVars; ++numVar) {
        for (int m = 0; m < RowCount(numVar); ++m) {
            const MapCell cell = MapCellOfIndex(m, numVar);
            QVERIFY2(cell.column >= 1 && cell.column <= MapDataColumns(numVar)
                         && cell.row >= 1 && cell.row <= MapDataRows(numVar),
                     qPrintable(QStringLiteral("m %1 of %2").arg(m).arg(numVar)));
            const QString rowHeader = MapHeaderText(cell.row - 1, MapRowVars(numVar));
            const QString colHeader = MapHeaderText(cell.column - 1, MapColVars(numVar));
            QCOMPARE(IndexOfMapCell(rowHeader, colHeader), m);
        }
    }
}

// The minimiser reads a trimmed decimal number; whatever is not 0 or 1 is a don't care.
void TestModel::rowValueOfText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");

    QTest::newRow("one") << "  1" << int(ValueOne);
    QTest::newRow("zero") << "  0" << int(ValueZero);
    QTest::newRow("X") << "  X" << int(ValueDontCare);
    QTest::newRow("bare one") << "1" << int(ValueOne);
    QTest::newRow("another digit") << "7" << int(ValueDontCare);
    QTest::newRow("two digits starting with 1") << "10" << int(ValueDontCare);
    QTest::newRow("one followed by a letter") << "1X" << int(ValueDontCare);
    QTest::newRow("empty") << "" << int(ValueDontCare);
    QTest::newRow("blanks only") << "   " << int(ValueDontCare);
}

void TestModel::rowValueOfText()
{
    QFETCH(QString, text);
    QFETCH(int, value);

    QCOMPARE(int(RowValueOfText(text)), value);
}

QTEST_APPLESS_MAIN(TestModel)
#include "tst_model.moc"
