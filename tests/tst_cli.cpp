// quintora-cli end to end: data files written byte by byte, the tool run as a
// separate process, its output and exit status checked.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kCli = QStringLiteral(QUINTORA_CLI_PATH);
const QString kDot = QString(QChar(0x00B7));
const QString kInvalid = QStringLiteral("Error, fichero alterado o no del tipo QMT");
const QString kNoOne = QStringLiteral("No hay ning\u00fan 1 y la soluci\u00f3n ser\u00eda 0.");
const QStringList kCaptions = {QStringLiteral("S.O.P. MinTerm"), QStringLiteral("P.O.S. MaxTerm"),
                               QStringLiteral("Karnaugh"), QStringLiteral("Karnaugh P.O.S.")};

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

Run RunProcess(QProcess &process, int timeoutMs)
{
    Run run;
    run.finished = process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
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

Run RunCli(const QStringList &args, int timeoutMs = 120000)
{
    QProcess process;
    process.start(kCli, args);
    return RunProcess(process, timeoutMs);
}

// A shell line with $CLI, and the given variables, set in its environment.
Run RunShell(const QString &line, const QMap<QString, QString> &vars)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CLI"), kCli);
    for (auto it = vars.begin(); it != vars.end(); ++it)
        env.insert(it.key(), it.value());
    // A sanitizer's runtime must come first among the libraries unless told
    // otherwise; a line may preload the shim, which only wraps two calls.
    env.insert(QStringLiteral("ASAN_OPTIONS"),
               env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":verify_asan_link_order=0"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), line});
    return RunProcess(process, 120000);
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
    void notAFile_data();
    void notAFile();
    void unwritableOutput_data();
    void unwritableOutput();
    void reportOutputFaults_data();
    void reportOutputFaults();
    void reportIntoFolderThatRefusesNewFiles();
    void plaInAndOut();
    void jsonOutput();

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
                                "  a\xC2\xB7" "b\xC2\xB7" "c\n"
                                "Karnaugh P.O.S.\n"
                                "  a+b+c\n"
                                "  a+|b+|c\n"
                                "  |a+b+|c\n"
                                "  |a+|b+c\n";
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

    QTest::newRow("eight variables, every row 1")
        << QmtFile(8, "abcdefgh", QByteArray(256, '1')) << 8 << "abcdefgh" << QByteArray(256, '1')
        << QStringList{"1"};

    QTest::newRow("renamed variables, both cases")
        << QmtFile(3, "ZpqdefgP", "11110000") << 3 << "ZpqdefgP" << QByteArray("11110000")
        << QStringList{"|Z"};

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
void TestCli::karnaughTermsEvaluateToTheFunction() // and the product of sums too
{
    const int numVar = 5;
    const QString names = QStringLiteral("vwxyz");
    const QByteArray values = "1X01101100X11101" "0011X1001101X001";
    const QString path = WriteFile(QStringLiteral("eval.qmt"), QmtFile(numVar, "vwxyzfgh", values));
    const Run run = RunCli({QStringLiteral("solve"), path});
    QVERIFY(run.finished);
    QCOMPARE(run.status, 0);
    const std::optional<QList<Branch>> tree = ParseTree(run.out);
    QVERIFY2(tree && tree->size() == 4, run.out.constData());
    const QStringList terms = tree->at(2).children;
    QVERIFY(!terms.isEmpty());

    // The product of sums: a sum is 0 on the rows where every literal is 0,
    // and the product is 0 exactly on the 0 rows.
    QList<bool> product(values.size(), true);
    for (const QString &sum : tree->at(3).children) {
        int care = 0, zeros = 0; // the bits a sum fixes, and the row bits where it is 0
        for (const QString &literal : sum.split(QLatin1Char('+'))) {
            const bool complemented = literal.startsWith(QLatin1Char('|'));
            const int var = names.indexOf(complemented ? literal.mid(1) : literal);
            QVERIFY2(literal.size() == (complemented ? 2 : 1) && var >= 0, qPrintable(sum));
            const int bit = 1 << (numVar - 1 - var);
            care |= bit;
            if (complemented)
                zeros |= bit;
        }
        for (int r = 0; r < values.size(); ++r)
            if ((r & care) == zeros)
                product[r] = false;
    }
    for (int r = 0; r < values.size(); ++r) {
        if (values[r] == '1')
            QVERIFY2(product[r], qPrintable(QStringLiteral("product is 0 on row %1").arg(r)));
        else if (values[r] == '0')
            QVERIFY2(!product[r], qPrintable(QStringLiteral("product is 1 on row %1").arg(r)));
    }

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
    // Values and names a save could not have written: the checksum would not
    // see a value altered to another character, and a name reaches the
    // terminal as it is.
    QTest::newRow("value altered to p") << QmtFile(3, "abcdefgh", "0110p001") << 2 << kInvalid;
    QTest::newRow("value altered to another digit") << QmtFile(3, "abcdefgh", "01107001") << 2 << kInvalid;
    QTest::newRow("escape sequence in names") << QmtFile(3, "a\x1b[2Jxyz", "01101001") << 2 << kInvalid;
    QTest::newRow("C1 control in names") << QmtFile(3, "abc\x9b" "efgh", "01101001") << 2 << kInvalid;
    QTest::newRow("vertical tab in names") << QmtFile(3, "abc\vefgh", "01101001") << 2 << kInvalid;
    QTest::newRow("plus as a name") << QmtFile(3, "a+cdefgh", "01101001") << 2 << kInvalid;
    QTest::newRow("two names alike") << QmtFile(3, "abadefgh", "01101001") << 2 << kInvalid;
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

    // The version, as the about dialog shows it.
    const Run version = RunCli({QStringLiteral("--version")});
    QCOMPARE(version.status, 0);
    QCOMPARE(version.out, QByteArray("quintora-cli " QUINTORA_VERSION "\n"));
    QCOMPARE(QByteArray(QUINTORA_VERSION), QByteArray("0.9"));
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

// Anything but a regular file is refused before it is opened for reading: a
// FIFO with no writer used to block the tool for ever.
void TestCli::notAFile_data()
{
    QTest::addColumn<QString>("path"); // DIR: the test's folder

    QTest::newRow("FIFO") << QStringLiteral("DIR/pipe.qmt");
    QTest::newRow("folder") << QStringLiteral("DIR");
    QTest::newRow("endless device") << QStringLiteral("/dev/zero");
    QTest::newRow("link to a FIFO") << QStringLiteral("DIR/pipe-link.qmt");
}

void TestCli::notAFile()
{
    QFETCH(QString, path);
    const QString fifo = m_dir.filePath(QStringLiteral("pipe.qmt"));
    if (!QFileInfo::exists(fifo)) {
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
        QVERIFY(QFile::link(fifo, m_dir.filePath(QStringLiteral("pipe-link.qmt"))));
    }
    path.replace(QStringLiteral("DIR"), m_dir.path());
    const Run run = RunCli({QStringLiteral("solve"), path}, 20000);
    QVERIFY2(run.finished, "the tool blocked");
    QCOMPARE(run.status, 2);
    QCOMPARE(run.out, QByteArray());
    QVERIFY(!run.err.isEmpty());
}

// Output that cannot be written is an error, never a success.
void TestCli::unwritableOutput_data()
{
    QTest::addColumn<QString>("line");

    QTest::newRow("solve into /dev/full") << QStringLiteral("exec \"$CLI\" solve \"$IN\" > /dev/full");
    QTest::newRow("solve with stdout closed") << QStringLiteral("exec \"$CLI\" solve \"$IN\" >&-");
    // The file size limit stands for a full disk: writes past it fail.
    QTest::newRow("solve into a full file")
        << QStringLiteral("trap '' XFSZ; ulimit -f 0; exec \"$CLI\" solve \"$IN\" > \"$DIR/out.txt\"");
    QTest::newRow("help into /dev/full") << QStringLiteral("exec \"$CLI\" --help > /dev/full");
    QTest::newRow("report with stdout closed")
        << QStringLiteral("exec \"$CLI\" report \"$IN\" \"$DIR/closed.pdf\" >&-");
}

void TestCli::unwritableOutput()
{
    QFETCH(QString, line);
    const Run run = RunShell(line, {{QStringLiteral("IN"), m_validFile}, {QStringLiteral("DIR"), m_dir.path()}});
    QVERIFY(run.finished);
    QCOMPARE(run.status, 2);
    QVERIFY2(QString::fromUtf8(run.err).contains(QStringLiteral("salida")), run.err.constData());
}

// The page replaces its file whole or not at all; a refused output is never
// touched, and the data file is never written over.
void TestCli::reportOutputFaults_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("out");      // the output as the tool is given it
    QTest::addColumn<QString>("kept");     // a file that must keep its bytes
    QTest::addColumn<QString>("message");  // what stderr starts with

    const QString run = QStringLiteral("exec \"$CLI\" report \"$IN\" \"$OUT\"");
    const QString failed = QStringLiteral("No se pudo guardar el PDF");
    const QString sameFile = QStringLiteral("La salida");
    QTest::newRow("device /dev/full") << run << QStringLiteral("/dev/full") << QString() << failed;
    QTest::newRow("FIFO") << run << QStringLiteral("DIR/out-pipe.pdf") << QString() << failed;
    QTest::newRow("missing folder") << run << QStringLiteral("DIR/none/out.pdf") << QString() << failed;
    QTest::newRow("output is the input") << run << QStringLiteral("IN") << QStringLiteral("IN") << sameFile;
    QTest::newRow("link to the input") << run << QStringLiteral("DIR/in-link.pdf") << QStringLiteral("IN") << sameFile;
    QTest::newRow("hard link to the input") << run << QStringLiteral("DIR/in-hard.pdf") << QStringLiteral("IN") << sameFile;
    QTest::newRow("full disk, old page kept")
        << QStringLiteral("trap '' XFSZ; ulimit -f 4; ") + run << QStringLiteral("DIR/old.pdf")
        << QStringLiteral("DIR/old.pdf") << failed;
    QTest::newRow("sync fails, old page kept")
        << QStringLiteral("QUINTORA_FAIL_SYNC=1 LD_PRELOAD=\"$SHIM\" ") + run << QStringLiteral("DIR/old.pdf")
        << QStringLiteral("DIR/old.pdf") << failed;
}

void TestCli::reportOutputFaults()
{
    QFETCH(QString, line);
    QFETCH(QString, out);
    QFETCH(QString, kept);
    QFETCH(QString, message);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString in = dir.filePath(QStringLiteral("in.qmt"));
    const QByteArray data = QmtFile(3, "abcdefgh", "01101001");
    QFile(in).remove();
    {
        QFile file(in);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
    }
    QVERIFY(QFile::link(in, dir.filePath(QStringLiteral("in-link.pdf"))));
    QCOMPARE(::link(QFile::encodeName(in).constData(), QFile::encodeName(dir.filePath(QStringLiteral("in-hard.pdf"))).constData()), 0);
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("out-pipe.pdf"))).constData(), 0644), 0);
    const QByteArray oldPage = "%PDF-1.4 an older page, kept whole";
    {
        QFile file(dir.filePath(QStringLiteral("old.pdf")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(oldPage) == oldPage.size());
    }
    auto expand = [&](QString path) {
        return path == QLatin1String("IN") ? in : path.replace(QStringLiteral("DIR"), dir.path());
    };
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    const QByteArray keptBefore = kept.isEmpty() ? QByteArray() : ReadAll(expand(kept));

    const Run run = RunShell(line, {{QStringLiteral("IN"), in}, {QStringLiteral("OUT"), expand(out)},
                                    {QStringLiteral("SHIM"), QStringLiteral(QUINTORA_FAULTSHIM_PATH)}});
    QVERIFY(run.finished);
    QCOMPARE(run.status, 2);
    QCOMPARE(run.out, QByteArray());
    QVERIFY2(QString::fromUtf8(run.err).startsWith(message), run.err.constData());
    if (!kept.isEmpty())
        QCOMPARE(ReadAll(expand(kept)), kept == QLatin1String("IN") ? data : oldPage);
    QCOMPARE(ReadAll(in), data);
    // Nothing new is left behind, and what was there is still what it was.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System), before);
    QVERIFY(!QFileInfo(dir.filePath(QStringLiteral("out-pipe.pdf"))).isFile());
    QVERIFY(!QFileInfo(QStringLiteral("/dev/full")).isFile());
}

// A folder that refuses new files, holding a page the user may write: the
// page is written in place; a new page there is refused.
void TestCli::reportIntoFolderThatRefusesNewFiles()
{
    QStringList prefix; // root may write anywhere: run as nobody instead
    if (::geteuid() == 0) {
        if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
            QSKIP("setpriv is needed to drop root's rights");
        prefix = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                             QStringLiteral("--clear-groups")};
    }
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("shut"));
    QVERIFY(QDir().mkpath(folder));
    const QString in = folder + QStringLiteral("/in.qmt");
    const QString page = folder + QStringLiteral("/page.pdf");
    for (const auto &[path, bytes] : {std::pair{in, QmtFile(3, "abcdefgh", "01101001")},
                                      std::pair{page, QByteArray("%PDF-1.4 old")}}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup
                                    | QFile::ReadOther | QFile::WriteOther));
    }
    const auto open = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                      | QFile::ExeOther;
    QVERIFY(QFile::setPermissions(dir.path(), open));
    QVERIFY(QFile::setPermissions(folder, open));

    auto report = [&](const QString &out) {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        const QStringList line = prefix + QStringList{kCli, QStringLiteral("report"), in, out};
        process.start(line.first(), line.mid(1));
        return RunProcess(process, 120000);
    };
    const Run replaced = report(page);
    QVERIFY(replaced.finished);
    QCOMPARE(replaced.status, 0);
    QVERIFY(ReadAll(page).startsWith("%PDF-"));
    QVERIFY(ReadAll(page).size() > 1000);

    const Run refused = report(folder + QStringLiteral("/new.pdf"));
    QVERIFY(refused.finished);
    QCOMPARE(refused.status, 2);
    QVERIFY(!QFileInfo::exists(folder + QStringLiteral("/new.pdf")));
    QVERIFY(QFile::setPermissions(folder, open | QFile::WriteOwner)); // so the folder can go
}

// A data file exported as PLA solves to the same tree; its minimal sum
// exported as PLA is the same function; a bad PLA is refused with its reason.
void TestCli::plaInAndOut()
{
    const QString qmt = WriteFile(QStringLiteral("out.qmt"), QmtFile(5, "pqrstuvw", "1X01101100X11101" "0011X1001101X001"));
    const QString pla = m_dir.filePath(QStringLiteral("out.pla"));
    const QString sum = m_dir.filePath(QStringLiteral("sum.pla"));
    const QStringList seed{QStringLiteral("--seed"), QStringLiteral("3")};
    const Run exported = RunCli(QStringList{QStringLiteral("export"), qmt, pla});
    QCOMPARE(exported.status, 0);
    QVERIFY(exported.out.isEmpty());
    QVERIFY(ReadAll(pla).contains(".type fd\n"));
    const Run fromQmt = RunCli(QStringList{QStringLiteral("solve"), qmt} + seed);
    const Run fromPla = RunCli(QStringList{QStringLiteral("solve"), pla} + seed);
    QCOMPARE(fromQmt.status, 0);
    QCOMPARE(fromPla.out, fromQmt.out);

    QCOMPARE(RunCli(QStringList{QStringLiteral("export"), qmt, sum, QStringLiteral("--minimal")} + seed).status, 0);
    QVERIFY(ReadAll(sum).contains(".type f\n"));
    // The sum has the function's 1s and 0s; its don't cares fall either way.
    const QList<Branch> a = *ParseTree(fromQmt.out);
    const QList<Branch> b = *ParseTree(RunCli(QStringList{QStringLiteral("solve"), sum} + seed).out);
    for (const QString &minterm : a[0].children)
        QVERIFY2(b[0].children.contains(minterm), qPrintable(minterm));
    for (const QString &maxterm : a[1].children)
        QVERIFY2(b[1].children.contains(maxterm), qPrintable(maxterm));

    // Refused, with what is wrong, and nothing written over the input.
    const QString bad = WriteFile(QStringLiteral("bad.pla"), ".i 3\n.o 2\n111 11\n");
    const Run refused = RunCli({QStringLiteral("solve"), bad});
    QCOMPARE(refused.status, 2);
    QVERIFY2(QString::fromUtf8(refused.err).startsWith(QString::fromUtf8("Fichero PLA no válido: tiene 2 salidas")),
             refused.err.constData());
    QCOMPARE(RunCli({QStringLiteral("export"), qmt, qmt}).status, 2);
    QCOMPARE(ReadAll(qmt), QmtFile(5, "pqrstuvw", "1X01101100X11101" "0011X1001101X001"));
}

// The whole solution as one JSON object, its counts agreeing with its lists.
void TestCli::jsonOutput()
{
    const QByteArray values = "0110100110X10110";
    const QString path = WriteFile(QStringLiteral("json.qmt"), QmtFile(4, "wxyzefgh", values));
    const Run run = RunCli({QStringLiteral("solve"), path, QStringLiteral("--format"), QStringLiteral("json"),
                            QStringLiteral("--seed"), QStringLiteral("1")});
    QCOMPARE(run.status, 0);
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(run.out, &error).object();
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
    QCOMPARE(o[QStringLiteral("numVar")].toInt(), 4);
    QCOMPARE(o[QStringLiteral("names")].toArray().size(), 8);
    QCOMPARE(o[QStringLiteral("names")].toArray()[0].toString(), QStringLiteral("w"));
    QCOMPARE(o[QStringLiteral("values")].toString(), QString::fromLatin1(values));
    QCOMPARE(o[QStringLiteral("minterms")].toArray().size(), values.count('1'));
    QCOMPARE(o[QStringLiteral("maxterms")].toArray().size(), values.count('0'));
    for (const char *list : {"sum", "product"}) {
        const QJsonArray terms = o[QString::fromLatin1(list)].toArray();
        const QString prefix = QString::fromLatin1(list);
        QCOMPARE(o[prefix + QStringLiteral("Terms")].toInt(), terms.size());
        int literals = 0;
        for (const QJsonValue &t : terms) {
            const QString pattern = t[QStringLiteral("pattern")].toString();
            QCOMPARE(pattern.size(), 4);
            QVERIFY(!t[QStringLiteral("text")].toString().isEmpty());
            literals += 4 - int(pattern.count(QLatin1Char('-')));
        }
        QCOMPARE(o[prefix + QStringLiteral("Literals")].toInt(), literals);
        QVERIFY(o[prefix + QStringLiteral("Proven")].toBool());
    }
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
