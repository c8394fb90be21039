#include "GrayBin.h"

#include <QTest>
#include <limits>

using namespace quintora;

class TestGrayBin : public QObject {
    Q_OBJECT

private slots:
    void mapLabelSequence_data();
    void mapLabelSequence();
    void grayToBinOfSmallCodes();
    void grayRoundTrip();
    void grayExtremes_data();
    void grayExtremes();
    void grayToBinOfTopBitSet();
    void intToBin_data();
    void intToBin();
    void binToInt_data();
    void binToInt();
    void bitStringRoundTrip();
};

// The map labels its rows and columns with these codes, left to right and top
// to bottom, and finds a cell's position by decoding its label.
void TestGrayBin::mapLabelSequence_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<QStringList>("codes");

    QTest::newRow("width 1") << 1 << QStringList{"0", "1"};
    QTest::newRow("width 2") << 2 << QStringList{"00", "01", "11", "10"};
    QTest::newRow("width 3") << 3
                             << QStringList{"000", "001", "011", "010", "110", "111", "101", "100"};
    QTest::newRow("width 4") << 4
                             << QStringList{"0000", "0001", "0011", "0010", "0110", "0111",
                                            "0101", "0100", "1100", "1101", "1111", "1110",
                                            "1010", "1011", "1001", "1000"};
}

void TestGrayBin::mapLabelSequence()
{
    QFETCH(int, width);
    QFETCH(QStringList, codes);

    QCOMPARE(codes.size(), 1 << width);
    for (int j = 0; j < codes.size(); ++j) {
        const QString code = IntToBin(static_cast<int32_t>(BinToGray(static_cast<uint32_t>(j))), width);
        QCOMPARE(code, codes[j]);
        QCOMPARE(GrayToBin(BinToInt(code)), j);
    }
}

// Distinguishes the decoder from the encoder: both agree on 0..3 and differ above.
void TestGrayBin::grayToBinOfSmallCodes()
{
    const int decoded[] = {0, 1, 3, 2, 7, 6, 4, 5};
    for (int g = 0; g < 8; ++g)
        QCOMPARE(GrayToBin(g), decoded[g]);
}

void TestGrayBin::grayRoundTrip()
{
    for (uint32_t j = 0; j < 256; ++j)
        QCOMPARE(GrayToBin(static_cast<int32_t>(BinToGray(j))), static_cast<int32_t>(j));
}

void TestGrayBin::grayExtremes_data()
{
    QTest::addColumn<quint32>("plain");
    QTest::addColumn<quint32>("gray");

    // The shift must be logical: an arithmetic shift would give 0 here.
    QTest::newRow("all bits") << quint32(0xFFFFFFFFu) << quint32(0x80000000u);
    QTest::newRow("largest positive") << quint32(0x7FFFFFFFu) << quint32(0x40000000u);
    QTest::newRow("bit 30") << quint32(0x40000000u) << quint32(0x60000000u);
}

void TestGrayBin::grayExtremes()
{
    QFETCH(quint32, plain);
    QFETCH(quint32, gray);

    QCOMPARE(BinToGray(plain), gray);
    if (plain <= 0x7FFFFFFFu)
        QCOMPARE(GrayToBin(static_cast<int32_t>(gray)), static_cast<int32_t>(plain));
}

// Such a value is no code of a row index; it decodes to 0 instead of a negative number.
void TestGrayBin::grayToBinOfTopBitSet()
{
    const int32_t topBitSet[] = {std::numeric_limits<int32_t>::min(), -1,
                                 std::numeric_limits<int32_t>::min() + 5};
    for (int32_t g : topBitSet)
        QCOMPARE(GrayToBin(g), 0);
}

void TestGrayBin::intToBin_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("text");

    QTest::newRow("5/4 keeps the leading zero") << 5 << 4 << "0101";
    QTest::newRow("0/3") << 0 << 3 << "000";
    QTest::newRow("-1/3 is not encoded") << -1 << 3 << "000";
    QTest::newRow("most negative/4") << std::numeric_limits<int>::min() << 4 << "0000";
    QTest::newRow("255/8") << 255 << 8 << "11111111";
    QTest::newRow("128/8 top bit only") << 128 << 8 << "10000000";
    QTest::newRow("1/1") << 1 << 1 << "1";
    QTest::newRow("6/3 lowest bit last") << 6 << 3 << "110";
}

void TestGrayBin::intToBin()
{
    QFETCH(int, value);
    QFETCH(int, width);
    QFETCH(QString, text);

    QCOMPARE(IntToBin(value, width), text);
}

void TestGrayBin::binToInt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");

    QTest::newRow("0101") << "0101" << 5;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("dash is a zero digit") << "1-1" << 5;
    QTest::newRow("X is a zero digit") << "1X" << 2;
    QTest::newRow("trailing blank still a position") << "01 " << 2;
    QTest::newRow("leading blank") << " 1" << 1;
    QTest::newRow("eight ones") << "11111111" << 255;
}

void TestGrayBin::binToInt()
{
    QFETCH(QString, text);
    QFETCH(int, value);

    QCOMPARE(BinToInt(text), value);
}

// Row indices travel through text and back for every width the program uses.
void TestGrayBin::bitStringRoundTrip()
{
    for (int width = 1; width <= 8; ++width) {
        for (int v = 0; v < (1 << width); ++v) {
            const QString text = IntToBin(v, width);
            QCOMPARE(text.size(), width);
            QCOMPARE(BinToInt(text), v);
        }
    }
}

QTEST_APPLESS_MAIN(TestGrayBin)
#include "tst_graybin.moc"
