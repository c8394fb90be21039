#include "storage.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace quintora;

namespace {

const QString kDate = QStringLiteral("01/02/2024 10:11:12");

// A file as saved for three variables: rows 1 and 2 at 1, row 3 at X, the rest empty.
QStringList ExampleLines()
{
    return {
        QStringLiteral("[Quintora - QMT file]"),
        QStringLiteral("NO alterar este fichero, se perder\u00e1n los datos"),
        QStringLiteral("Fecha/Hora:") + kDate,
        QStringLiteral("NumVar:3"),
        QStringLiteral("NomVar:abcdefgh"),
        QStringLiteral("Tabla:_,1,1,X,_,_,_,_"),
        QStringLiteral("CRC:30S"),
    };
}

QStringList ExampleCellTexts()
{
    return {QString(), QStringLiteral("  1"), QStringLiteral("  1"), QStringLiteral("  X"),
            QString(), QString(), QString(), QString()};
}

// The example with the line that starts with `key` replaced, or dropped when
// `replacement` is empty.
QStringList ExampleWith(const QString &key, const QString &replacement)
{
    QStringList lines;
    for (const QString &line : ExampleLines()) {
        if (!line.startsWith(key))
            lines.append(line);
        else if (!replacement.isEmpty())
            lines.append(replacement);
    }
    return lines;
}

QByteArray Latin1File(const QStringList &lines, const QByteArray &lineEnd = "\r\n")
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toLatin1() + lineEnd;
    return bytes;
}

QString EmptyTable(int numVar)
{
    QStringList values;
    for (int r = 0; r < RowCount(numVar); ++r)
        values.append(QStringLiteral("_"));
    return values.join(QLatin1Char(',')) + QLatin1Char(',');
}

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestStorage : public QObject {
    Q_OBJECT

private slots:
    void decodeMapsEveryByteToOneCharacter();
    void decodeSpecialBytes_data();
    void decodeSpecialBytes();
    void encodeCharactersOutsideTheSet_data();
    void encodeCharactersOutsideTheSet();

    void tableChecksum_data();
    void tableChecksum();

    void composeExample();
    void composeTable_data();
    void composeTable();
    void encodeDataFileBytes();
    void roundTrip_data();
    void roundTrip();

    void splitLines_data();
    void splitLines();
    void gatherFieldLimits();
    void gatherChecksumSuffix_data();
    void gatherChecksumSuffix();
    void gatherSeveralKeysInOneLine();

    void validateFileData_data();
    void validateFileData();
    void parseValidity_data();
    void parseValidity();
    void parseContent();

    void loadDataFile_data();
    void loadDataFile();
    void loadRefusesWhatIsNotAFile();
    void saveDateHasNoTimeZone_data();
    void saveDateHasNoTimeZone();
};

void TestStorage::decodeMapsEveryByteToOneCharacter()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = DecodeWindows1252(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(EncodeWindows1252(text), all);
}

void TestStorage::decodeSpecialBytes_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("codePoint");
    QTest::newRow("nul") << 0x00 << 0x0000;
    QTest::newRow("euro") << 0x80 << 0x20AC;
    QTest::newRow("undefined 81") << 0x81 << 0x0081;
    QTest::newRow("single low quote") << 0x82 << 0x201A;
    QTest::newRow("undefined 8D") << 0x8D << 0x008D;
    QTest::newRow("Z caron") << 0x8E << 0x017D;
    QTest::newRow("undefined 8F") << 0x8F << 0x008F;
    QTest::newRow("undefined 90") << 0x90 << 0x0090;
    QTest::newRow("trade mark") << 0x99 << 0x2122;
    QTest::newRow("undefined 9D") << 0x9D << 0x009D;
    QTest::newRow("Y diaeresis") << 0x9F << 0x0178;
    QTest::newRow("no-break space") << 0xA0 << 0x00A0;
    QTest::newRow("a acute") << 0xE1 << 0x00E1;
    QTest::newRow("y diaeresis") << 0xFF << 0x00FF;
}

void TestStorage::decodeSpecialBytes()
{
    QFETCH(int, byte);
    QFETCH(int, codePoint);
    const QString text = DecodeWindows1252(QByteArray(1, static_cast<char>(byte)));
    QCOMPARE(text.size(), 1);
    QCOMPARE(int(text[0].unicode()), codePoint);
}

void TestStorage::encodeCharactersOutsideTheSet_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("euro and acute") << QStringLiteral("a\u20ac\u00e1") << QByteArray("a\x80\xe1");
    QTest::newRow("A macron") << QStringLiteral("x\u0100y") << QByteArray("x?y");
    // U+0080 and U+0085 are C1 codes whose bytes Windows-1252 gives to other characters.
    QTest::newRow("C1 taken by the euro") << QStringLiteral("\u0080") << QByteArray("?");
    QTest::newRow("C1 taken by the ellipsis") << QStringLiteral("\u0085") << QByteArray("?");
    QTest::newRow("beyond the BMP is one character") << QString::fromUtf8("a\xF0\x9F\x98\x80" "b")
                                                     << QByteArray("a?b");
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray("?");
}

void TestStorage::encodeCharactersOutsideTheSet()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(EncodeWindows1252(text), bytes);
}

void TestStorage::tableChecksum_data()
{
    QTest::addColumn<QString>("values");
    QTest::addColumn<int>("checksum");
    QTest::newRow("three variables, example") << QStringLiteral("_11X____") << 30;
    QTest::newRow("four variables, empty") << QString(16, QLatin1Char('_')) << 120;
    QTest::newRow("eight variables, all ones") << QString(256, QLatin1Char('1')) << 32896;
    QTest::newRow("other digits count their value") << QStringLiteral("9070____") << 44;
    // Superscript two is a Unicode digit and a Windows-1252 character, but no digit here.
    QTest::newRow("superscript is no digit") << QStringLiteral("\u00b2\u00b9Z?____") << 28;
}

void TestStorage::tableChecksum()
{
    QFETCH(QString, values);
    QFETCH(int, checksum);
    QCOMPARE(TableChecksum(values), checksum);
}

void TestStorage::composeExample()
{
    QCOMPARE(ComposeDataFile(3, DefaultNomVar(), ExampleCellTexts(), kDate), ExampleLines());

    // All eight names are written whatever the count.
    VarNames names = DefaultNomVar();
    names[7] = QStringLiteral("\u00f1");
    QCOMPARE(ComposeDataFile(3, names, ExampleCellTexts(), kDate).at(4),
             QStringLiteral("NomVar:abcdefg\u00f1"));
}

void TestStorage::composeTable_data()
{
    QTest::addColumn<int>("numVar");
    QTest::addColumn<QStringList>("cellTexts");
    QTest::addColumn<QString>("tableLine");
    QTest::addColumn<QString>("checksumLine");

    QStringList values16;
    for (int i = 0; i < 16; ++i)
        values16.append(QStringLiteral("_"));
    QTest::newRow("four variables, all empty")
        << 4 << QStringList(16, QString()) << QStringLiteral("Tabla:") + values16.join(QLatin1Char(','))
        << QStringLiteral("CRC:120S");

    QTest::newRow("blanks and control characters stripped")
        << 3
        << QStringList{QStringLiteral("\t 1\r\n"), QStringLiteral(" X "), QStringLiteral("\u00850\u007f"),
                       QStringLiteral(" \n "), QStringLiteral("  0"), QStringLiteral("  1"),
                       QStringLiteral("  1"), QStringLiteral("  1")}
        << QStringLiteral("Tabla:1,X,0,_,0,1,1,1") << QStringLiteral("CRC:32S");

    QTest::newRow("rows without a text are empty")
        << 3 << QStringList{QStringLiteral("  1")} << QStringLiteral("Tabla:1,_,_,_,_,_,_,_")
        << QStringLiteral("CRC:29S");

    QStringList ones(256, QStringLiteral("  1"));
    QTest::newRow("eight variables, all ones")
        << 8 << ones << QStringLiteral("Tabla:") + QStringList(256, QStringLiteral("1")).join(QLatin1Char(','))
        << QStringLiteral("CRC:32896S");
}

void TestStorage::composeTable()
{
    QFETCH(int, numVar);
    QFETCH(QStringList, cellTexts);
    QFETCH(QString, tableLine);
    QFETCH(QString, checksumLine);
    const QStringList lines = ComposeDataFile(numVar, DefaultNomVar(), cellTexts, kDate);
    QCOMPARE(lines.size(), 7);
    QCOMPARE(lines.at(3), QStringLiteral("NumVar:") + QString::number(numVar));
    QCOMPARE(lines.at(5), tableLine);
    QCOMPARE(lines.at(6), checksumLine);
}

void TestStorage::encodeDataFileBytes()
{
    const QByteArray expected = "[Quintora - QMT file]\r\n"
                                "NO alterar este fichero, se perder\xe1n los datos\r\n"
                                "Fecha/Hora:01/02/2024 10:11:12\r\n"
                                "NumVar:3\r\n"
                                "NomVar:abcdefgh\r\n"
                                "Tabla:_,1,1,X,_,_,_,_\r\n"
                                "CRC:30S\r\n";
    QCOMPARE(EncodeDataFile(ComposeDataFile(3, DefaultNomVar(), ExampleCellTexts(), kDate)), expected);
}

void TestStorage::roundTrip_data()
{
    QTest::addColumn<int>("numVar");
    for (int n = kMinVars; n <= kMaxVars; ++n)
        QTest::newRow(qPrintable(QStringLiteral("%1 variables").arg(n))) << n;
}

void TestStorage::roundTrip()
{
    QFETCH(int, numVar);
    QRandomGenerator random(1000 + numVar);

    // Eight different ASCII letters, either case.
    QString pool = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    VarNames names;
    for (QString &name : names) {
        name = pool.mid(random.bounded(pool.size()), 1);
        pool.remove(name);
    }
    const QStringList cellChoices{QString(), QStringLiteral("  0"), QStringLiteral("  1"), QStringLiteral("  X")};
    QStringList cellTexts;
    QString expectedValues;
    for (int r = 0; r < RowCount(numVar); ++r) {
        const int pick = random.bounded(4);
        cellTexts.append(cellChoices[pick]);
        expectedValues += pick == 0 ? QStringLiteral("0") : cellChoices[pick].trimmed();
    }
    const QString date = QStringLiteral("31/12/1999 23:59:59 \u00e1");

    const QStringList lines = ComposeDataFile(numVar, names, cellTexts, date);
    QCOMPARE(lines.at(5).size(), 6 + 2 * RowCount(numVar) - 1); // 517 for eight variables
    const std::optional<DataFile> file = ParseDataFile(EncodeDataFile(lines));
    QVERIFY(file);
    QCOMPARE(file->numVar, numVar);
    QCOMPARE(file->names, names);
    QCOMPARE(file->values, expectedValues);
    QCOMPARE(file->dateText, date);
}

void TestStorage::splitLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("CR LF") << QStringLiteral("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("LF") << QStringLiteral("a\nb\n") << QStringList{"a", "b"};
    QTest::newRow("CR") << QStringLiteral("a\rb\r") << QStringList{"a", "b"};
    QTest::newRow("last line unterminated") << QStringLiteral("a\r\nb") << QStringList{"a", "b"};
    QTest::newRow("LF then CR is two ends") << QStringLiteral("a\n\rb") << QStringList{"a", "", "b"};
    QTest::newRow("CR CR LF") << QStringLiteral("a\r\r\nb") << QStringList{"a", "", "b"};
    QTest::newRow("blank lines kept") << QStringLiteral("\r\n\r\nx") << QStringList{"", "", "x"};
}

void TestStorage::splitLines()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QCOMPARE(SplitLines(text), lines);
}

void TestStorage::gatherFieldLimits()
{
    const QString long70 = QStringLiteral("0123456789").repeated(7);
    const DataFileFields fields = GatherFields({
        QStringLiteral("NumVar:345"),
        QStringLiteral("NomVar:") + long70,
        QStringLiteral("Tabla:") + long70.repeated(10),
        QStringLiteral("Fecha/Hora:") + long70,
    });
    QCOMPARE(fields.count, QStringLiteral("3"));
    QCOMPARE(fields.names, long70.left(16));
    QCOMPARE(fields.table, long70.repeated(10).left(600) + QLatin1Char(','));
    QCOMPARE(fields.date, long70.left(50));
    QCOMPARE(fields.checksum, QString());

    // An absent key leaves its field empty; the table gets its "," only when found.
    const DataFileFields none = GatherFields({QStringLiteral("numvar:3"), QStringLiteral("Tabla")});
    QVERIFY(none.count.isEmpty());
    QVERIFY(none.table.isEmpty());
}

void TestStorage::gatherChecksumSuffix_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("checksum");
    QTest::newRow("with S") << QStringLiteral("CRC:30S") << QStringLiteral("30");
    QTest::newRow("without S") << QStringLiteral("CRC:30") << QStringLiteral("30");
    QTest::newRow("two S, one removed") << QStringLiteral("CRC:30SS") << QStringLiteral("30S");
    QTest::newRow("lower-case s kept") << QStringLiteral("CRC:30s") << QStringLiteral("30s");
    QTest::newRow("S alone") << QStringLiteral("CRC:S") << QString();
    // Cut to fifteen first, so an S in sixteenth place is never seen.
    QTest::newRow("S after fifteen") << QStringLiteral("CRC:123456789012345S") << QStringLiteral("123456789012345");
    QTest::newRow("S fifteenth") << QStringLiteral("CRC:12345678901234S") << QStringLiteral("12345678901234");
}

void TestStorage::gatherChecksumSuffix()
{
    QFETCH(QString, line);
    QFETCH(QString, checksum);
    QCOMPARE(GatherFields({line}).checksum, checksum);
}

void TestStorage::gatherSeveralKeysInOneLine()
{
    const DataFileFields fields = GatherFields({
        QStringLiteral("NumVar:4"),
        QStringLiteral("xx NomVar:NumVar:5 CRC:7S"), // every key of a line counts, later lines win
        QStringLiteral("Tabla:a,bTabla:c,"),         // the first occurrence in a line counts
    });
    QCOMPARE(fields.count, QStringLiteral("5"));
    QCOMPARE(fields.names, QStringLiteral("NumVar:5 CRC:7S"));
    QCOMPARE(fields.checksum, QStringLiteral("7"));
    QCOMPARE(fields.table, QStringLiteral("a,bTabla:c,,"));
}

void TestStorage::validateFileData_data()
{
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("names");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("checksum");
    QTest::addColumn<bool>("valid");

    const QString names = QStringLiteral("abcdefgh");
    const QString t3 = QStringLiteral("_,1,1,X,_,_,_,_,");
    const QString t4 = EmptyTable(4);

    QTest::newRow("three") << "3" << names << t3 << "30" << true;
    QTest::newRow("eight") << "8" << names << EmptyTable(8) << "32640" << true;
    QTest::newRow("two") << "2" << names << QStringLiteral("1,1,_,_,") << "8" << false;
    QTest::newRow("nine") << "9" << names << EmptyTable(9) << "130816" << false;
    QTest::newRow("count empty") << "" << names << t3 << "30" << false;
    QTest::newRow("count letter") << "x" << names << t3 << "30" << false;
    QTest::newRow("count with blank") << " 4" << names << t4 << "120" << false;
    QTest::newRow("count with sign") << "+4" << names << t4 << "120" << false;

    QTest::newRow("names of both cases") << "3" << QStringLiteral("aAbBcCzZ") << t3 << "30" << true;
    // Names must be what the names dialog lets through: eight different ASCII letters.
    QTest::newRow("names repeated") << "3" << QStringLiteral("abcdefga") << t3 << "30" << false;
    QTest::newRow("names with a digit") << "3" << QStringLiteral("abc1efgh") << t3 << "30" << false;
    QTest::newRow("names with a plus") << "3" << QStringLiteral("abc+efgh") << t3 << "30" << false;
    QTest::newRow("names with a blank") << "3" << QStringLiteral("abc efgh") << t3 << "30" << false;
    QTest::newRow("names with ESC") << "3" << QStringLiteral("abc\u001befgh") << t3 << "30" << false;
    QTest::newRow("names with NUL") << "3" << QString::fromLatin1("abc\0efgh", 8) << t3 << "30" << false;
    QTest::newRow("names with a C1 control") << "3" << QStringLiteral("abc\u009befgh") << t3 << "30" << false;
    QTest::newRow("names with n tilde") << "3" << QStringLiteral("abc\u00f1efgh") << t3 << "30" << false;
    QTest::newRow("names seven") << "3" << names.left(7) << t3 << "30" << false;
    QTest::newRow("names nine") << "3" << names + "i" << t3 << "30" << false;

    QTest::newRow("table without final comma") << "3" << names << t3.chopped(1) << "30" << false;
    QTest::newRow("table for four") << "3" << names << t4 << "120" << false;
    QTest::newRow("separators not looked at") << "3" << names << QStringLiteral("_;1 1_X,_,_,_,_9") << "30" << true;
    // The checksum counts every value but a digit as 0, so each other value
    // character is refused on its own: one flipped bit must not load.
    QTest::newRow("value p for 0") << "3" << names << QStringLiteral("_,1,1,X,p,_,_,_,") << "30" << false;
    QTest::newRow("value 0 flipped to 8") << "3" << names << QStringLiteral("_,1,1,X,8,_,_,_,") << "38" << false;
    QTest::newRow("value lower-case x") << "3" << names << QStringLiteral("_,1,1,x,_,_,_,_,") << "30" << false;
    QTest::newRow("value blank") << "3" << names << QStringLiteral("_,1,1, ,_,_,_,_,") << "30" << false;
    QTest::newRow("value NUL") << "3" << names << QStringLiteral("_,1,1,X,_,_,_,").append(QChar(0)).append(QLatin1Char(',')) << "30" << false;

    QTest::newRow("checksum wrong") << "3" << names << t3 << "31" << false;
    QTest::newRow("checksum leading zero") << "3" << names << t3 << "030" << true;
    QTest::newRow("checksum empty") << "3" << names << t3 << "" << false;
    QTest::newRow("checksum leading blank") << "3" << names << t3 << " 30" << false;
    QTest::newRow("checksum trailing blank") << "3" << names << t3 << "30 " << false;
    QTest::newRow("checksum with sign") << "3" << names << t3 << "+30" << false;
    QTest::newRow("checksum letter O") << "3" << names << t3 << "3O" << false;
    // 100000 * 2^32 + 30: equal to 30 if the reading wrapped around in 32 bits.
    QTest::newRow("checksum wraps to match") << "3" << names << t3 << "429496729600030" << false;
    QTest::newRow("checksum fifteen nines") << "3" << names << t3 << "999999999999999" << false;
}

void TestStorage::validateFileData()
{
    QFETCH(QString, count);
    QFETCH(QString, names);
    QFETCH(QString, table);
    QFETCH(QString, checksum);
    QFETCH(bool, valid);
    QCOMPARE(ValidateFileData(count, names, table, checksum), valid);
}

void TestStorage::parseValidity_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");

    const QStringList example = ExampleLines();
    QTest::newRow("as saved") << Latin1File(example) << true;
    QTest::newRow("LF only") << Latin1File(example, "\n") << true;
    QTest::newRow("CR only") << Latin1File(example, "\r") << true;
    QTest::newRow("last line unterminated") << Latin1File(example, "\r").chopped(1) << true;

    QStringList reversed(example.rbegin(), example.rend());
    QTest::newRow("lines reversed") << Latin1File(reversed) << true;

    QStringList prefixed;
    for (const QString &line : example)
        prefixed.append(QStringLiteral("junk ") + line);
    QTest::newRow("text before every key") << Latin1File(prefixed) << true;

    QTest::newRow("no header or warning") << Latin1File(example.mid(2)) << true;
    QTest::newRow("other header") << Latin1File(QStringList{"[other]"} + example.mid(1)) << true;
    QTest::newRow("no date") << Latin1File(ExampleWith("Fecha/Hora:", {})) << true;
    QTest::newRow("extra lines") << Latin1File(example + QStringList{"", "more"}) << true;

    QTest::newRow("no count") << Latin1File(ExampleWith("NumVar:", {})) << false;
    QTest::newRow("no names") << Latin1File(ExampleWith("NomVar:", {})) << false;
    QTest::newRow("no table") << Latin1File(ExampleWith("Tabla:", {})) << false;
    QTest::newRow("no checksum") << Latin1File(ExampleWith("CRC:", {})) << false;
    QTest::newRow("key case") << Latin1File(ExampleWith("NumVar:", "numvar:3")) << false;
    // A name line holding the count key cannot be eight letters.
    QStringList namesFirst = example;
    namesFirst.swapItemsAt(3, 4);
    namesFirst[3] = QStringLiteral("NomVar:NumVar:3");
    QTest::newRow("count key in names") << Latin1File(namesFirst) << false;

    QTest::newRow("count 10 reads as 1") << Latin1File(ExampleWith("NumVar:", "NumVar:10")) << false;
    QTest::newRow("count after a blank") << Latin1File(ExampleWith("NumVar:", "NumVar: 3")) << false;
    QTest::newRow("count 36 reads as 3") << Latin1File(ExampleWith("NumVar:", "NumVar:36")) << true;
    QTest::newRow("names too long") << Latin1File(ExampleWith("NomVar:", "NomVar:abcdefghi")) << false;
    QTest::newRow("names of anything") << Latin1File(ExampleWith("NomVar:", "NomVar:aa1 ,S:_")) << false;
    QTest::newRow("table one short") << Latin1File(ExampleWith("Tabla:", "Tabla:_,1,1,X,_,_,_")) << false;
    QTest::newRow("table one long") << Latin1File(ExampleWith("Tabla:", "Tabla:_,1,1,X,_,_,_,_,_")) << false;
    QTest::newRow("table with final comma") << Latin1File(ExampleWith("Tabla:", "Tabla:_,1,1,X,_,_,_,_,")) << false;
    QTest::newRow("digit 9 counted") << Latin1File(ExampleWith("Tabla:", "Tabla:_,9,1,X,_,_,_,_")) << false;
    QTest::newRow("digit 9 in checksum")
        << Latin1File(ExampleWith("Tabla:", "Tabla:_,9,1,X,_,_,_,_").replaceInStrings("CRC:30S", "CRC:38S"))
        << false;
    QTest::newRow("other letters as values") << Latin1File(ExampleWith("Tabla:", "Tabla:Q,1,1,z,?,_,_,_")) << false;

    QTest::newRow("checksum without S") << Latin1File(ExampleWith("CRC:", "CRC:30")) << true;
    QTest::newRow("checksum with SS") << Latin1File(ExampleWith("CRC:", "CRC:30SS")) << false;
    QTest::newRow("checksum empty") << Latin1File(ExampleWith("CRC:", "CRC:")) << false;
    QTest::newRow("checksum S alone") << Latin1File(ExampleWith("CRC:", "CRC:S")) << false;
    QTest::newRow("checksum not a number") << Latin1File(ExampleWith("CRC:", "CRC:thirtyS")) << false;
    QTest::newRow("checksum trailing blank") << Latin1File(ExampleWith("CRC:", "CRC:30S ")) << false;

    QStringList countTwice = ExampleWith("NumVar:", "NumVar:9");
    countTwice.append(QStringLiteral("NumVar:3"));
    QTest::newRow("later count wins, valid") << Latin1File(countTwice) << true;
    countTwice = example;
    countTwice.append(QStringLiteral("NumVar:9"));
    QTest::newRow("later count wins, invalid") << Latin1File(countTwice) << false;
    QTest::newRow("first count in a line") << Latin1File(ExampleWith("NumVar:", "NumVar:3 NumVar:9")) << true;
    // One line carrying two keys gives both fields.
    QTest::newRow("count inside the date line")
        << Latin1File(ExampleWith("NumVar:", {}).replaceInStrings("Fecha/Hora:", "Fecha/Hora:x NumVar:3")) << true;
}

void TestStorage::parseValidity()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    QCOMPARE(ParseDataFile(bytes).has_value(), valid);
}

void TestStorage::parseContent()
{
    // Names in the order written, "_" read as 0, X kept, and the date as written.
    const QByteArray bytes = "Fecha/Hora:\xe1 NumVar:3 CRC:0\n"
                             "CRC:30\n"
                             "Tabla:_,1,1,X,_,0,X,_\n"
                             "NomVar:pQaAzZbc\n"
                             "NumVar:3\n";
    const std::optional<DataFile> file = ParseDataFile(bytes);
    QVERIFY(file);
    QCOMPARE(file->numVar, 3);
    const QStringList names{"p", "Q", "a", "A", "z", "Z", "b", "c"};
    for (int i = 0; i < 8; ++i)
        QCOMPARE(file->names[i], names[i]);
    QCOMPARE(file->values, QStringLiteral("011X00X0"));
    QCOMPARE(file->dateText, QStringLiteral("\u00e1 NumVar:3 CRC:0"));

    const std::optional<DataFile> undated = ParseDataFile(Latin1File(ExampleWith("Fecha/Hora:", {})));
    QVERIFY(undated);
    QVERIFY(undated->dateText.isEmpty());
}

void TestStorage::loadDataFile_data()
{
    QTest::addColumn<QByteArray>("bytes"); // written to the file, unless the path is given
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");

    const QByteArray valid = Latin1File(ExampleLines());
    QTest::newRow("valid") << valid << QString() << int(LoadResult::Ok);
    QTest::newRow("invalid") << Latin1File(ExampleWith("CRC:", "CRC:31S")) << QString() << int(LoadResult::Invalid);
    QTest::newRow("empty") << QByteArray() << QString() << int(LoadResult::Invalid);
    // Valid lines followed by padding: the size alone decides.
    QTest::newRow("at the size limit") << valid + QByteArray(kMaxDataFileSize - valid.size(), 'x') << QString()
                                       << int(LoadResult::Ok);
    QTest::newRow("one byte over the limit") << valid + QByteArray(kMaxDataFileSize + 1 - valid.size(), 'x')
                                             << QString() << int(LoadResult::Invalid);
    QTest::newRow("missing file") << QByteArray() << QStringLiteral("missing/none.qmt") << int(LoadResult::ReadError);
    QTest::newRow("directory") << QByteArray() << QStringLiteral(".") << int(LoadResult::ReadError);
}

void TestStorage::loadDataFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, path);
    QFETCH(int, status);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    if (path.isEmpty()) {
        path = dir.filePath(QStringLiteral("data.qmt"));
        QVERIFY(WriteFile(path, bytes));
    } else {
        path = dir.filePath(path);
    }

    const LoadResult result = LoadDataFile(path);
    QCOMPARE(int(result.status), status);
    QCOMPARE(result.errorText.isEmpty(), status != LoadResult::ReadError);
    if (status == LoadResult::Ok) {
        QCOMPARE(result.data.numVar, 3);
        QCOMPARE(result.data.values, QStringLiteral("011X0000"));
        QCOMPARE(result.data.dateText, kDate);
    }
}

void TestStorage::loadRefusesWhatIsNotAFile()
{
    // A device that never ends and a FIFO that no one writes: both would
    // keep a reader waiting, so neither is read at all.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fifo = dir.filePath(QStringLiteral("pipe.qmt"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    for (const QString &path : {QStringLiteral("/dev/zero"), fifo}) {
        const LoadResult result = LoadDataFile(path);
        QCOMPARE(int(result.status), int(LoadResult::ReadError));
        QVERIFY2(result.errorText.contains(QStringLiteral("no es un fichero normal")), qPrintable(result.errorText));
    }
}

// Line 3 holds the short date, one blank and the long time as the locale
// writes them; the zone some long formats add ("UTC", "(GMT)") is left out.
void TestStorage::saveDateHasNoTimeZone_data()
{
    QTest::addColumn<QLocale>("locale");
    for (const char *name : {"C", "en_US", "en_GB", "es_ES", "de_DE", "fr_FR", "ja_JP", "pt_BR"})
        QTest::newRow(name) << QLocale(QString::fromLatin1(name));
}

void TestStorage::saveDateHasNoTimeZone()
{
    QFETCH(QLocale, locale);
    const QDateTime when(QDate(2026, 12, 10), QTime(13, 32, 25), Qt::UTC);
    const QString text = SaveDateText(locale, when);
    const QString date = locale.toString(when.date(), QLocale::ShortFormat);
    QVERIFY2(text.startsWith(date + QLatin1Char(' ')), qPrintable(text));
    const QString time = text.mid(date.size() + 1);
    QVERIFY2(time.contains(QStringLiteral("32")) && time.contains(QStringLiteral("25")), qPrintable(text));
    QVERIFY2(!time.contains(QStringLiteral("UTC")) && !time.contains(QStringLiteral("GMT"))
                 && !time.contains(QLatin1Char('(')) && time == time.simplified(),
             qPrintable(text));
    // The time as the locale's long format writes it, less the zone.
    QVERIFY2(locale.toString(when.time(), QLocale::LongFormat).startsWith(time.left(5)), qPrintable(text));
}

QTEST_APPLESS_MAIN(TestStorage)
#include "tst_storage.moc"
