// quintora-cli end to end: data files written byte by byte, the tool run as a
// separate process, its output and exit status checked.
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <optional>

namespace {

const QString kCli = QStringLiteral(QUINTORA_CLI_PATH);
const QString kDot = QString(QChar(0x00B7));
const QString kInvalid = QStringLiteral("Error, fichero alterado o no del tipo QMT");
const QString kNoOne = QStringLiteral("No hay ning\u00fan 1 y la soluci\u00f3n ser\u00eda 0.");
const QStringList kCaptions = {QStringLiteral("S.O.P. MinTerm"), QStringLiteral("P.O.S. MaxTerm"),
                               QStringLiteral("Karnaugh")};

// Row index plus the digit's value; "X" and "_" count nothing.
int Checksum(const QByteArray &values)
{
    int sum = 0;
    for (int r = 0; r < values.size(); ++r) {
        const char v = values[r];
        sum += r + (v >= '0' && v <= '9' ? v - '0' : 0);
    }
    return sum;
}

// The seven lines as saved, without line ends; `values` has one character per row.
QList<QByteArray> QmtLines(int numVar, const QByteArray &names, const QByteArray &values)
{
    QByteArray table;
    for (char v : values) {
        if (!table.isEmpty())
            table += ',';
        table += v;
    }
    return {
        "[Quintora - QMT file]",
        "NO alterar este fichero, se perder\xE1n los datos",
        "Fecha/Hora:01/02/2024 10:11:12",
        "NumVar:" + QByteArray::number(numVar),
        "NomVar:" + names,
        "Tabla:" + table,
        "CRC:" + QByteArray::number(Checksum(values)) + "S",
    };
}

QByteArray Joined(const QList<QByteArray> &lines, const QByteArray &lineEnd = "\r\n")
{
    QByteArray bytes;
    for (const QByteArray &line : lines)
        bytes += line + lineEnd;
    return bytes;
}

QByteArray QmtFile(int numVar, const QByteArray &names, const QByteArray &values)
{
    return Joined(QmtLines(numVar, names, values));
}

QList<QByteArray> WithLine(QList<QByteArray> lines, int index, const QByteArray &line)
{
    lines[index] = line;
    return lines;
}

struct Run {
    bool finished = false;
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Run RunCli(const QStringList &args)
{
    QProcess process;
    process.start(kCli, args);
    Run run;
    run.finished = process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit;
    if (!run.finished) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

struct Branch {
    QString caption;
    QStringList children;
};

// Captions at column 0, children indented by exactly two blanks, every line
// ended by a single LF; nullopt when the text breaks that shape.
std::optional<QList<Branch>> ParseTree(const QByteArray &out)
{
    if (!out.endsWith('\n'))
        return std::nullopt;
    QList<Branch> tree;
    const QStringList lines = QString::fromUtf8(out).chopped(1).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.isEmpty() || line.contains(QLatin1Char('\r')))
            return std::nullopt;
        if (line.startsWith(QLatin1String("  "))) {
            const QString child = line.mid(2);
            if (tree.isEmpty() || child.isEmpty() || child.at(0).isSpace())
                return std::nullopt;
            tree.last().children.append(child);
        } else if (line.at(0).isSpace()) {
            return std::nullopt;
        } else {
            tree.append(Branch{line, {}});
        }
    }
    return tree;
}

// The canonical terms, written out from their definition.
QString MintermText(int m, int numVar, const QString &names)
{
    QStringList factors;
    for (int i = 0; i < numVar; ++i)
        factors.append(((m >> (numVar - 1 - i)) & 1 ? QString() : QStringLiteral("|")) + names[i]);
    return factors.join(kDot);
}

QString MaxtermText(int m, int numVar, const QString &names)
{
    QStringList factors;
    for (int i = 0; i < numVar; ++i)
        factors.append(((m >> (numVar - 1 - i)) & 1 ? QStringLiteral("|") : QString()) + names[i]);
    return factors.join(QLatin1Char('+'));
}

QStringList Sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void parityFunctionWholeOutput();
    void solve_data();
    void solve();
    void sameSeedSameOutput();
    void karnaughTermsEvaluateToTheFunction();
    void failures_data();
    void failures();
    void help();
    void usage_data();
    void usage();

private:
    QString WriteFile(const QString &name, const QByteArray &bytes);

    QTemporaryDir m_dir;
    QString m_validFile;
};

QString TestCli::WriteFile(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

void TestCli::initTestCase()
{
    QVERIFY2(QFileInfo(kCli).isExecutable(), qPrintable(kCli));
    QVERIFY(m_dir.isValid());
    m_validFile = WriteFile(QStringLiteral("valid.qmt"), QmtFile(3, "abcdefgh", "01101001"));
    QVERIFY(!m_validFile.isEmpty());
}

// Rows 1, 2, 4 and 7 have no neighbour holding 1, so each is a term of its own,
// in ascending row order.
void TestCli::parityFunctionWholeOutput()
{
    const QString path = WriteFile(QStringLiteral("parity.qmt"), QmtFile(3, "abcdefgh", "01101001"));
    const Run run = RunCli({QStringLiteral("solve"), path, QStringLiteral("--seed"), QStringLiteral("1")});
    QVERIFY(run.finished);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QByteArray());
    const QByteArray expected = "S.O.P. MinTerm\n"
                                "  |a\xC2\xB7|b\xC2\xB7" "c\n"
                                "  |a\xC2\xB7" "b\xC2\xB7|c\n"
                                "  a\xC2\xB7|b\xC2\xB7|c\n"
                                "  a\xC2\xB7" "b\xC2\xB7" "c\n"
                                "P.O.S. MaxTerm\n"
                                "  a+b+c\n"
                                "  a+|b+|c\n"
                                "  |a+b+|c\n"
                                "  |a+|b+c\n"
                                "Karnaugh\n"
                                "  |a\xC2\xB7|b\xC2\xB7" "c\n"
                                "  |a\xC2\xB7" "b\xC2\xB7|c\n"
                                "  a\xC2\xB7|b\xC2\xB7|c\n"
                                "  a\xC2\xB7" "b\xC2\xB7" "c\n";
    QCOMPARE(run.out, expected);
}

// Canonical branches are checked in full and in order; the Karnaugh terms as a
// set, since the order of a multi-term sum depends on the search's draws.
void TestCli::solve_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("numVar");
    QTest::addColumn<QString>("names");
    QTest::addColumn<QByteArray>("values");
    QTest::addColumn<QStringList>("karnaugh");

    QTest::newRow("empty rows read as 0")
        << QmtFile(3, "abcdefgh", "_11X____") << 3 << "abcdefgh" << QByteArray("_11X____")
        << QStringList{"|a" + kDot + "b", "|a" + kDot + "c"};

    // Only row 0 needs covering; the X rows let one literal do it.
    QTest::newRow("X rows in no canonical branch")
        << QmtFile(3, "abcdefgh", "1XX0X0X0") << 3 << "abcdefgh" << QByteArray("1XX0X0X0")
        << QStringList{"|c"};

    // Value characters are not checked on reading: a digit other than 0 and 1
    // counts its value in the checksum and is then a don't care.
    QTest::newRow("other digit is a don't care")
        << QmtFile(3, "abcdefgh", "17000000") << 3 << "abcdefgh" << QByteArray("17000000")
        << QStringList{"|a" + kDot + "|b"};

    QTest::newRow("eight variables, every row 1")
        << QmtFile(8, "abcdefgh", QByteArray(256, '1')) << 8 << "abcdefgh" << QByteArray(256, '1')
        << QStringList{"1"};

    QTest::newRow("renamed variables in UTF-8")
        << QmtFile(3, "\xF1pqdefgh", "11110000") << 3 << "\u00f1pqdefgh" << QByteArray("11110000")
        << QStringList{"|\u00f1"};

    // Any line order, no header or warning line, LF endings, text before a key.
    QList<QByteArray> lines = QmtLines(4, "abcdefgh", "0000010100000101");
    QList<QByteArray> shuffled = {lines[6], lines[5], "; " + lines[3], lines[2], lines[4]};
    QTest::newRow("lines reordered, LF endings")
        << Joined(shuffled, "\n") << 4 << "abcdefgh" << QByteArray("0000010100000101")
        << QStringList{"b" + kDot + "d"};
}

void TestCli::solve()
{
    QFETCH(QByteArray, file);
    QFETCH(int, numVar);
    QFETCH(QString, names);
    QFETCH(QByteArray, values);
    QFETCH(QStringList, karnaugh);

    const QString path = WriteFile(QStringLiteral("case.qmt"), file);
    const Run run = RunCli({QStringLiteral("solve"), path, QStringLiteral("--seed"), QStringLiteral("7")});
    QVERIFY(run.finished);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QByteArray());

    const std::optional<QList<Branch>> tree = ParseTree(run.out);
    QVERIFY2(tree, run.out.constData());
    QStringList captions;
    for (const Branch &branch : *tree)
        captions.append(branch.caption);
    QCOMPARE(captions, kCaptions);

    QStringList minterms;
    QStringList maxterms;
    for (int r = 0; r < values.size(); ++r) {
        if (values[r] == '1')
            minterms.append(MintermText(r, numVar, names));
        else if (values[r] == '0' || values[r] == '_')
            maxterms.append(MaxtermText(r, numVar, names));
    }
    QCOMPARE(tree->at(0).children, minterms);
    QCOMPARE(tree->at(1).children, maxterms);
    QCOMPARE(Sorted(tree->at(2).children), Sorted(karnaugh));
}

// Six variables with many minimal sums of the same size: the seed alone decides.
void TestCli::sameSeedSameOutput()
{
    const QByteArray values = "1101X0110110100X1011011001X10110"
                              "0110110X1011010110X1101011010110";
    const QString path = WriteFile(QStringLiteral("seed.qmt"), QmtFile(6, "abcdefgh", values));
    const QStringList args = {QStringLiteral("solve"), path, QStringLiteral("--seed"), QStringLiteral("2024")};
    const Run first = RunCli(args);
    const Run second = RunCli(args);
    QVERIFY(first.finished && second.finished);
    QCOMPARE(first.status, 0);
    QCOMPARE(second.status, 0);
    QVERIFY(ParseTree(first.out));
    QCOMPARE(second.out, first.out);
}

// Reads the printed sum back through the names and "|" and evaluates it on every
// row: a right answer printed wrongly (names, complements, factor order) fails.
void TestCli::karnaughTermsEvaluateToTheFunction()
{
    const int numVar = 5;
    const QString names = QStringLiteral("vwxyz");
    const QByteArray values = "1X01101100X11101" "0011X1001101X001";
    const QString path = WriteFile(QStringLiteral("eval.qmt"), QmtFile(numVar, "vwxyzfgh", values));
    const Run run = RunCli({QStringLiteral("solve"), path});
    QVERIFY(run.finished);
    QCOMPARE(run.status, 0);
    const std::optional<QList<Branch>> tree = ParseTree(run.out);
    QVERIFY2(tree && tree->size() == 3, run.out.constData());
    const QStringList terms = tree->at(2).children;
    QVERIFY(!terms.isEmpty());

    QList<bool> sum(values.size(), false);
    for (const QString &term : terms) {
        int care = 0; // bits of the row index that the term fixes
        int ones = 0; // their required values
        if (term != QLatin1String("1")) {
            int previous = -1;
            for (const QString &factor : term.split(kDot)) {
                const bool complemented = factor.startsWith(QLatin1Char('|'));
                const int var = names.indexOf(complemented ? factor.mid(1) : factor);
                QVERIFY2(factor.size() == (complemented ? 2 : 1) && var >= 0, qPrintable(term));
                QVERIFY2(var > previous, qPrintable(term + QStringLiteral(": factors out of order")));
                previous = var;
                const int bit = 1 << (numVar - 1 - var);
                care |= bit;
                if (!complemented)
                    ones |= bit;
            }
        }
        for (int r = 0; r < values.size(); ++r) {
            if ((r & care) == ones)
                sum[r] = true;
        }
    }
    for (int r = 0; r < values.size(); ++r) {
        if (values[r] == '1')
            QVERIFY2(sum[r], qPrintable(QStringLiteral("row %1 not covered").arg(r)));
        else if (values[r] == '0')
            QVERIFY2(!sum[r], qPrintable(QStringLiteral("row %1 covered but 0").arg(r)));
    }
}

void TestCli::failures_data()
{
    QTest::addColumn<QByteArray>("file"); // null: the path does not exist
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message"); // empty: the system's own wording

    const QList<QByteArray> lines = QmtLines(3, "abcdefgh", "01101001");
    QTest::newRow("wrong checksum") << Joined(WithLine(lines, 6, "CRC:33S")) << 2 << kInvalid;
    QTest::newRow("table one value short") << QmtFile(3, "abcdefgh", "0110100") << 2 << kInvalid;
    QTest::newRow("count 9") << Joined(WithLine(lines, 3, "NumVar:9")) << 2 << kInvalid;
    QTest::newRow("names too long") << Joined(WithLine(lines, 4, "NomVar:abcdefghi")) << 2 << kInvalid;
    QTest::newRow("no 1, only 0 and X") << QmtFile(3, "abcdefgh", "0X0X00X0") << 1 << kNoOne;
    QTest::newRow("no 1, every row empty") << QmtFile(4, "abcdefgh", QByteArray(16, '_')) << 1 << kNoOne;
    QTest::newRow("missing file") << QByteArray() << 2 << QString();
}

void TestCli::failures()
{
    QFETCH(QByteArray, file);
    QFETCH(int, status);
    QFETCH(QString, message);

    const QString path = file.isNull() ? m_dir.filePath(QStringLiteral("missing.qmt"))
                                       : WriteFile(QStringLiteral("bad.qmt"), file);
    QVERIFY(!path.isEmpty());
    const Run run = RunCli({QStringLiteral("solve"), path});
    QVERIFY(run.finished);
    QCOMPARE(run.status, status);
    QCOMPARE(run.out, QByteArray());
    const QString err = QString::fromUtf8(run.err).trimmed();
    if (message.isEmpty()) {
        QVERIFY(!err.isEmpty());
        QVERIFY(err != kInvalid);
    } else {
        QCOMPARE(err, message);
    }
}

void TestCli::help()
{
    const Run run = RunCli({QStringLiteral("--help")});
    QVERIFY(run.finished);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QByteArray());
    const QString out = QString::fromUtf8(run.out);
    QVERIFY2(out.startsWith(QLatin1String("Uso: quintora-cli solve FICHERO")), run.out.constData());
    QVERIFY(out.contains(QLatin1String("--seed")));
}

// FILE stands for a valid data file.
void TestCli::usage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");

    QTest::newRow("no arguments") << QStringList{} << 2;
    QTest::newRow("solve without a file") << QStringList{"solve"} << 2;
    QTest::newRow("unknown command") << QStringList{"resolve", "FILE"} << 2;
    QTest::newRow("two files") << QStringList{"solve", "FILE", "FILE"} << 2;
    QTest::newRow("unknown option") << QStringList{"solve", "FILE", "--fast"} << 2;
    QTest::newRow("seed without a number") << QStringList{"solve", "FILE", "--seed"} << 2;
    QTest::newRow("seed not a number") << QStringList{"solve", "FILE", "--seed", "abc"} << 2;
    QTest::newRow("seed negative") << QStringList{"solve", "FILE", "--seed", "-1"} << 2;
    QTest::newRow("seed above 32 bits") << QStringList{"solve", "FILE", "--seed", "4294967296"} << 2;
    QTest::newRow("largest seed") << QStringList{"solve", "FILE", "--seed", "4294967295"} << 0;
    QTest::newRow("seed before the file") << QStringList{"solve", "--seed", "0", "FILE"} << 0;
}

void TestCli::usage()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);

    args.replaceInStrings(QStringLiteral("FILE"), m_validFile);
    const Run run = RunCli(args);
    QVERIFY(run.finished);
    QCOMPARE(run.status, status);
    if (status == 0) {
        QCOMPARE(run.err, QByteArray());
        QVERIFY(run.out.startsWith("S.O.P. MinTerm\n"));
    } else {
        QCOMPARE(run.out, QByteArray());
        QVERIFY(!run.err.isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
