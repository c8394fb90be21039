// Abrir and Guardar on the real window, with the file dialogs and message
// boxes answered through the prompts seam.
#include "main.h"
#include "nomvar.h"
#include "prompts.h"
#include "window_helpers.h"
#include "storage.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quintora;
using namespace quintora::testing;

namespace {

// The function as both grids show it, one character per row ('_' for empty);
// fails the test when the grids disagree.
QString Values(TForm1 &f)
{
    QString values;
    for (int m = 0; m < RowCount(f.NumVar); ++m) {
        const QString truth = f.sgVerdad->Cell(f.NumVar + 1, m + 1);
        const MapCell cell = MapCellOfIndex(m, f.NumVar);
        const QString map = f.sgKarna->Cell(cell.column, cell.row);
        if (truth.trimmed() != map)
            return QStringLiteral("grids disagree on row %1").arg(m);
        values += map.isEmpty() ? QStringLiteral("_") : map;
    }
    return values;
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestFiles : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void saveWritesTheFile();
    void openRestoresTheFunction();
    void openWhileLocked();
    void refusedFilesChangeNothing_data();
    void refusedFilesChangeNothing();
    void cancelledDialogs();
    void failedSaveKeepsTheOldFile();
    void failedSyncKeepsTheOldFile();
    void fileDialogsKeepNoSettings();
    void plaFiles();
    void roundTrip();
    void namesCommand();

private:
    void Save(const QString &path);
    void Open(const QString &path);

    std::unique_ptr<TForm1> f;
    prompts::Answers answers;
    QStringList messages;
    QString nextFile;
    int saveQuestions = 0;
    prompts::SaveChanges saveAnswer = prompts::SaveChanges::Discard;
    QTemporaryDir dir;
};

void TestFiles::initTestCase()
{
    SetUpApplication(*qApp);
    QVERIFY(dir.isValid());
    answers.message = [this](const QString &text) { messages << text; };
    // Unsaved edits before Abrir are let go unless a test says otherwise.
    answers.saveChanges = [this] {
        ++saveQuestions;
        return saveAnswer;
    };
    answers.openFile = [this](const QString &title) {
        messages << QStringLiteral("[open] ") + title;
        return nextFile;
    };
    answers.saveFile = [this](const QString &title) {
        messages << QStringLiteral("[save] ") + title;
        return nextFile;
    };
    prompts::SetAnswers(&answers);
}

void TestFiles::init()
{
    messages.clear();
    f = std::make_unique<TForm1>();
    f->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.get()));
}

void TestFiles::cleanup() { f.reset(); }

void TestFiles::Save(const QString &path)
{
    nextFile = path;
    f->sbSalvarClick();
}

void TestFiles::Open(const QString &path)
{
    nextFile = path;
    f->sbAbrirClick();
}

void TestFiles::saveWritesTheFile()
{
    SetCount(*f, 3);
    SetValues(*f, QStringLiteral("_11X____"));
    const QString path = dir.filePath(QStringLiteral("three")); // the extension is added
    Save(path);
    QCOMPARE(messages, QStringList{QStringLiteral("[save] Salvar como...")});
    const QByteArray bytes = ReadAll(path + QStringLiteral(".qmt"));
    const QList<QByteArray> lines = bytes.split('\n');
    QCOMPARE(lines.size(), 8); // seven lines, each ending in CR LF
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(lines[0], QByteArray("[Quintora - QMT file]\r"));
    QCOMPARE(lines[1], QByteArray("NO alterar este fichero, se perder\xe1n los datos\r"));
    QVERIFY(lines[2].startsWith("Fecha/Hora:") && lines[2].size() > 13);
    QCOMPARE(lines[3], QByteArray("NumVar:3\r"));
    QCOMPARE(lines[4], QByteArray("NomVar:abcdefgh\r"));
    QCOMPARE(lines[5], QByteArray("Tabla:_,1,1,X,_,_,_,_\r"));
    QCOMPARE(lines[6], QByteArray("CRC:30S\r"));
    // Saving changes nothing in the window.
    QVERIFY(f->DataChanged);
    QCOMPARE(Values(*f), QStringLiteral("_11X____"));
}

void TestFiles::openRestoresTheFunction()
{
    SetCount(*f, 5);
    f->NomVar[0] = QStringLiteral("B"); // "B" and "b" are two names
    f->NomVar[4] = QStringLiteral("Z");
    QString values;
    for (int m = 0; m < 32; ++m)
        values += QStringLiteral("10X_")[m % 4];
    SetValues(*f, values);
    const QString path = dir.filePath(QStringLiteral("five.qmt"));
    Save(path);

    f->sbHazloClick(); // a solved, locked window with a tree
    messages.clear();
    SetCount(*f, 5);
    f->LockClick();
    SetCount(*f, 3);
    Open(path);
    QCOMPARE(messages.size(), 2);
    QCOMPARE(messages[0], QStringLiteral("[open] Abrir datos..."));
    QVERIFY(messages[1].startsWith(kFileDateMessage));
    QVERIFY(messages[1].size() > kFileDateMessage.size());
    QCOMPARE(f->NumVar, 5);
    QCOMPARE(f->udUno->Position(), 5);
    QCOMPARE(f->lblNumVar->text(), QStringLiteral("5"));
    QCOMPARE(f->pBar->maximum(), 256);
    // Empty rows come back as 0, X stays X.
    QCOMPARE(Values(*f), QString(values).replace(QLatin1Char('_'), QLatin1Char('0')));
    QCOMPARE(f->NomVar[0], QStringLiteral("B"));
    QCOMPARE(f->sgVerdad->Cell(1, 0), QStringLiteral(" B"));
    QCOMPARE(f->sgVerdad->Cell(5, 0), QStringLiteral(" Z"));
    QCOMPARE(f->lblTag1->text(), QStringLiteral("Bb"));
    QCOMPARE(f->lblTag2->text(), QStringLiteral("cdZ"));
    QVERIFY(f->DataChanged);
    QCOMPARE(f->tvSolu->topLevelItemCount(), 0);
}

void TestFiles::openWhileLocked()
{
    SetCount(*f, 3);
    SetValues(*f, QStringLiteral("1_______"));
    const QString path = dir.filePath(QStringLiteral("locked.qmt"));
    Save(path);
    SetCount(*f, 4);
    f->UnlockClick(); // locked now
    QVERIFY(!f->rbPon1->isEnabled());
    Open(path);
    QCOMPARE(f->NumVar, 3);
    QCOMPARE(Values(*f), QStringLiteral("10000000"));
    // The lock stays as it was.
    QVERIFY(!f->rbPon1->isEnabled());
    QVERIFY(f->Lock->isVisibleTo(f.get()));
}

void TestFiles::refusedFilesChangeNothing_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    const QString invalid = kInvalidFileMessage;
    QTest::newRow("checksum off by one") << QByteArray("NumVar:3\r\nNomVar:abcdefgh\r\nTabla:_,1,1,X,_,_,_,_\r\nCRC:31S\r\n") << invalid;
    QTest::newRow("table one value short") << QByteArray("NumVar:3\r\nNomVar:abcdefgh\r\nTabla:_,1,1,X,_,_,_\r\nCRC:30S\r\n") << invalid;
    QTest::newRow("count 10") << QByteArray("NumVar:10\r\nNomVar:abcdefgh\r\nTabla:_,1,1,X,_,_,_,_\r\nCRC:30S\r\n") << invalid;
    QTest::newRow("names too long") << QByteArray("NumVar:3\r\nNomVar:abcdefghi\r\nTabla:_,1,1,X,_,_,_,_\r\nCRC:30S\r\n") << invalid;
    QTest::newRow("checksum SS") << QByteArray("NumVar:3\r\nNomVar:abcdefgh\r\nTabla:_,1,1,X,_,_,_,_\r\nCRC:30SS\r\n") << invalid;
    QTest::newRow("not a data file") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << invalid;
    QTest::newRow("missing file") << QByteArray() << QString();
    // One flipped bit in a value ("0" to "p") leaves the checksum as it was.
    QTest::newRow("value altered to p") << QByteArray("NumVar:3\r\nNomVar:abcdefgh\r\nTabla:_,1,1,X,p,_,_,_\r\nCRC:30S\r\n") << invalid;
    QTest::newRow("names with an escape") << QByteArray("NumVar:3\r\nNomVar:ab\x1b" "cdefg\r\nTabla:_,1,1,X,_,_,_,_\r\nCRC:30S\r\n") << invalid;
    QTest::newRow("names repeated") << QByteArray("NumVar:3\r\nNomVar:abcdefgg\r\nTabla:_,1,1,X,_,_,_,_\r\nCRC:30S\r\n") << invalid;
    QTest::newRow("plus as a name") << QByteArray("NumVar:3\r\nNomVar:+bcdefgh\r\nTabla:_,1,1,X,_,_,_,_\r\nCRC:30S\r\n") << invalid;
    // Not a file at all: refused before it is opened, so nothing can block.
    QTest::newRow("FIFO") << QByteArray("fifo") << QStringLiteral("no es un fichero normal");
    QTest::newRow("folder") << QByteArray("folder") << QStringLiteral("es una carpeta");
}

void TestFiles::refusedFilesChangeNothing()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    SetValues(*f, QStringLiteral("1X0_1X0_1X0_1X0_"));
    f->NomVar[2] = QStringLiteral("q");
    f->DataChanged = false;
    QString path = dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_')) + QStringLiteral(".qmt"));
    if (content == "fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
    } else if (content == "folder") {
        QVERIFY(QDir().mkpath(path));
    } else if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    } else {
        path = dir.filePath(QStringLiteral("no/such/file.qmt"));
    }
    Open(path);
    QCOMPARE(messages.size(), 2);
    if (message.isEmpty()) // the system's own words
        QVERIFY(!messages[1].isEmpty() && messages[1] != kInvalidFileMessage);
    else if (message == kInvalidFileMessage)
        QCOMPARE(messages[1], message);
    else
        QVERIFY2(messages[1].contains(message), qPrintable(messages[1]));
    QCOMPARE(f->NumVar, 4);
    QCOMPARE(Values(*f), QStringLiteral("1X0_1X0_1X0_1X0_"));
    QCOMPARE(f->NomVar[2], QStringLiteral("q"));
    QVERIFY(!f->DataChanged);
}

void TestFiles::cancelledDialogs()
{
    SetValues(*f, QStringLiteral("1111000011110000"));
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    Save(QString());
    Open(QString());
    QCOMPARE(messages, (QStringList{QStringLiteral("[save] Salvar como..."), QStringLiteral("[open] Abrir datos...")}));
    QCOMPARE(Values(*f), QStringLiteral("1111000011110000"));
    // Nothing was written.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System), before);
}

void TestFiles::failedSaveKeepsTheOldFile()
{
    // A folder in the way: the save fails with the system's words.
    const QString folder = dir.filePath(QStringLiteral("folder.qmt"));
    QVERIFY(QDir().mkpath(folder));
    Save(folder);
    QCOMPARE(messages.size(), 2);
    QVERIFY(!messages[1].isEmpty());
    QVERIFY(QFileInfo(folder).isDir());

    // A write that fails half-way (the process may not write more than a few
    // bytes, as on a full disk) leaves the existing file exactly as it was.
    const QString path = dir.filePath(QStringLiteral("keep.qmt"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("the old file, kept whole");
    }
    const QByteArray before = ReadAll(path);
    messages.clear();
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 16;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    Save(path);
    setrlimit(RLIMIT_FSIZE, &old);
    QCOMPARE(messages.size(), 2);
    QVERIFY(!messages[1].isEmpty());
    QCOMPARE(ReadAll(path), before);
    // No temporary file is left behind.
    QCOMPARE(QDir(dir.path()).entryList(QStringList{QStringLiteral("keep.qmt*")}, QDir::Files).size(), 1);
}

// A save whose data the disk did not confirm is a failed save: the old file
// stays and the user is told. Syncs fail through the preloaded shim while
// QUINTORA_FAIL_SYNC is set.
void TestFiles::failedSyncKeepsTheOldFile()
{
    const QString path = dir.filePath(QStringLiteral("synced.qmt"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("the old file, kept whole");
    }
    qputenv("QUINTORA_FAIL_SYNC", "1");
    QFile probe(path);
    QVERIFY(probe.open(QIODevice::ReadOnly));
    const bool shimmed = ::fdatasync(probe.handle()) != 0;
    probe.close();
    if (!shimmed)
        qunsetenv("QUINTORA_FAIL_SYNC");
    QVERIFY2(shimmed, "the sync shim is not preloaded");
    SetValues(*f, QStringLiteral("1111000011110000"));
    Save(path);
    qunsetenv("QUINTORA_FAIL_SYNC");
    QCOMPARE(messages.size(), 2);
    QVERIFY(!messages[1].isEmpty());
    QCOMPARE(ReadAll(path), QByteArray("the old file, kept whole"));
    QCOMPARE(QDir(dir.path()).entryList(QStringList{QStringLiteral("synced.qmt*")}, QDir::Files).size(), 1);

    // The same save with a working disk goes through.
    messages.clear();
    Save(path);
    QCOMPARE(messages.size(), 1);
    QVERIFY(ReadAll(path).contains("Tabla:1,1,1,1,0,0,0,0,1,1,1,1,0,0,0,0"));
}

// The program keeps nothing between runs: the real file dialogs, shown and
// closed, leave the configuration folder (redirected for this test) empty.
void TestFiles::fileDialogsKeepNoSettings()
{
    const QString home = qEnvironmentVariable("XDG_CONFIG_HOME");
    QVERIFY2(!home.isEmpty(), "XDG_CONFIG_HOME must name a folder of the test's own");
    QDir(home).removeRecursively();
    QVERIFY(QDir().mkpath(home));
    auto saveAnswer = std::move(answers.saveFile);
    auto openAnswer = std::move(answers.openFile);
    answers.saveFile = nullptr;
    answers.openFile = nullptr;
    QStringList titles;
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            titles << dialog->windowTitle();
            dialog->reject();
        }
    });
    closer.start(50);
    f->sbSalvar->click();
    f->sbAbrir->click();
    closer.stop();
    answers.saveFile = std::move(saveAnswer);
    answers.openFile = std::move(openAnswer);
    QCOMPARE(titles, (QStringList{QStringLiteral("Salvar como..."), QStringLiteral("Abrir datos...")}));
    QCOMPARE(QDir(home).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

// Abrir and Guardar speak PLA too, by the file's extension; a bad PLA is
// refused with what is wrong and changes nothing.
void TestFiles::plaFiles()
{
    const QString pla = dir.filePath(QStringLiteral("in.pla"));
    {
        QFile file(pla);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(".i 3\n.o 1\n.ilb x y z\n.type fd\n1-1 1\n000 -\n.e\n");
    }
    Open(pla);
    QCOMPARE(messages, QStringList{QStringLiteral("[open] Abrir datos...")}); // no date to tell
    QCOMPARE(f->NumVar, 3);
    QCOMPARE(Values(*f), QStringLiteral("X0000101"));
    QCOMPARE(f->lblTag1->text() + f->lblTag2->text(), QStringLiteral("xyz"));

    const QString out = dir.filePath(QStringLiteral("out.pla"));
    messages.clear();
    Save(out);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(ReadAll(out), QByteArray("# Quintora\n.i 3\n.o 1\n.ilb x y z\n.ob f\n.type fd\n.p 3\n"
                                      "000 -\n101 1\n111 1\n.e\n"));

    const QString bad = dir.filePath(QStringLiteral("bad.pla"));
    {
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(".i 3\n.o 1\n1x1 1\n");
    }
    messages.clear();
    Open(bad);
    QCOMPARE(messages.size(), 2);
    QVERIFY2(messages[1].startsWith(QString::fromUtf8("Fichero PLA no válido: el cubo")), qPrintable(messages[1]));
    QCOMPARE(Values(*f), QStringLiteral("X0000101"));
}

void TestFiles::roundTrip()
{
    QRandomGenerator gen(99);
    const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    for (int i = 0; i < 12; ++i) {
        const int n = 3 + i % 6;
        SetCount(*f, n);
        QString values;
        for (int m = 0; m < RowCount(n); ++m)
            values += QStringLiteral("10X_")[gen.bounded(4)];
        SetValues(*f, values);
        // Eight different letters, as the names dialog lets them be.
        QString pool = letters;
        VarNames names;
        for (QString &name : names) {
            name = pool.mid(gen.bounded(pool.size()), 1);
            pool.remove(name);
        }
        f->NomVar = names;
        const QString path = dir.filePath(QStringLiteral("round%1.qmt").arg(i));
        Save(path);
        SetCount(*f, n == 3 ? 4 : 3);
        f->NomVar = DefaultNomVar();
        Open(path);
        QCOMPARE(f->NumVar, n);
        QCOMPARE(f->NomVar, names);
        QCOMPARE(Values(*f), QString(values).replace(QLatin1Char('_'), QLatin1Char('0')));
        for (int c = 1; c <= n; ++c)
            QCOMPARE(f->sgVerdad->Cell(c, 0), QStringLiteral(" ") + names[c - 1]);
    }
}

void TestFiles::namesCommand()
{
    TNomVars names(f.get());
    names.NomVar = &f->NomVar;
    f->NomVars = &names;
    QString typed;
    answers.modal = [&](QDialog *dialog) {
        auto *d = qobject_cast<TNomVars *>(dialog);
        d->FormShow();
        for (int i = 0; i < typed.size(); ++i)
            d->NameEdits[i]->setText(typed.mid(i, 1));
        d->bbNomOkClick();
        return d->result();
    };

    // Locked: refused with a message, nothing changes.
    f->UnlockClick();
    f->DataChanged = false;
    f->SpeedButton1Click();
    QCOMPARE(messages, QStringList{QStringLiteral("No se pueden cambiar nombres con sistema bloqueado")});
    QVERIFY(!f->DataChanged);
    f->LockClick();

    // Ok without a change still counts as a change and drops the solutions.
    SetValues(*f, QStringLiteral("1100110000000000"));
    f->sbHazloClick();
    f->LockClick();
    QVERIFY(!f->DataChanged);
    typed.clear();
    f->SpeedButton1Click();
    QVERIFY(f->DataChanged);
    QCOMPARE(f->tvSolu->topLevelItemCount(), 0);

    // New names reach the headers, the tags and the next solutions.
    SetCount(*f, 5);
    typed = QStringLiteral("pqrstuvw");
    f->SpeedButton1Click();
    QCOMPARE(f->lblTag1->text(), QStringLiteral("pq"));
    QCOMPARE(f->lblTag2->text(), QStringLiteral("rst"));
    for (int c = 1; c <= 5; ++c)
        QCOMPARE(f->sgVerdad->Cell(c, 0), QStringLiteral(" ") + typed[c - 1]);
    QCOMPARE(f->sgVerdad->Cell(6, 0), QStringLiteral(" ="));
    SetValues(*f, QStringLiteral("1000000000000000000000000000000X"));
    f->sbHazloClick();
    QCOMPARE(f->tvSolu->topLevelItem(0)->child(0)->text(0), QString::fromUtf8("|p·|q·|r·|s·|t"));
    QCOMPARE(f->tvSolu->topLevelItem(1)->child(0)->text(0), QStringLiteral("p+q+r+s+|t"));
    QCOMPARE(f->tvSolu->topLevelItem(2)->child(0)->text(0), QString::fromUtf8("|p·|q·|r·|s·|t"));
    answers.modal = nullptr;
    f->NomVars = nullptr;
}

QTEST_MAIN(TestFiles)
#include "tst_files.moc"
