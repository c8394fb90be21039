// Imprimir: the refusal before a Solve, the preview, and the page written as
// PDF and read back as text.
#include "main.h"
#include "nomvar.h"
#include "prompts.h"
#include "report.h"
#include "window_helpers.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace quintora;
using namespace quintora::testing;

namespace {

// Only the tests that read a PDF back need pdftotext.
#define REQUIRE_PDFTOTEXT()                                                                                            \
    do {                                                                                                               \
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())                                     \
            QSKIP("pdftotext (poppler-utils) is not installed");                                                      \
    } while (false)

// The page's text, as a PDF reader extracts it.
QString PdfText(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestPrint : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void refusedWhileChanged();
    void previewShowsTheSolvedFunction();
    void pdfHoldsEveryLine_data();
    void pdfHoldsEveryLine();
    void commandLineReport();
    void previewLeavesMainWindowUsable();
    void refusedSolveLeavesNoOldSum();
    void savePdfFromPreview_data();
    void savePdfFromPreview();

private:
    std::unique_ptr<TForm1> f;
    std::unique_ptr<TfrmReport> report;
    prompts::Answers answers;
    QStringList messages;
    int previews = 0;
    QTemporaryDir dir;
};

void TestPrint::initTestCase()
{
    SetUpApplication(*qApp);
    answers.message = [this](const QString &text) { messages << text; };
    answers.preview = [this](QWidget *window) {
        ++previews;
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Quintora - Soluciones"));
        // It fits the screen's free area (offscreen, 800 x 600) and shows
        // the whole page at first.
        const QRect room = window->screen()->availableGeometry();
        QVERIFY2(window->width() <= room.width() && window->height() <= room.height(),
                 qPrintable(QStringLiteral("%1 x %2").arg(window->width()).arg(window->height())));
        auto *preview = window->findChild<QPrintPreviewWidget *>();
        QVERIFY(preview);
        QCOMPARE(preview->zoomMode(), QPrintPreviewWidget::FitInView);
    };
    answers.modal = [](QDialog *) { return int(QDialog::Accepted); };
    prompts::SetAnswers(&answers);
}

void TestPrint::init()
{
    messages.clear();
    previews = 0;
    f = std::make_unique<TForm1>();
    report = std::make_unique<TfrmReport>(f.get());
    f->frmReport = report.get();
    f->Random = std::make_unique<LcgRandom>(3);
    f->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.get()));
}

void TestPrint::cleanup()
{
    report.reset();
    f.reset();
}

void TestPrint::refusedWhileChanged()
{
    const QString refusal = QStringLiteral("Pueden haberse realizado cambios en datos, pulse Resolver antes de imprimir");
    f->sbPrintClick(); // start-up
    SetValues(*f, QStringLiteral("1100000000000000"));
    f->sbHazloClick();
    f->LockClick();
    f->DataChanged = true; // as any edit leaves it
    f->sbPrintClick();
    f->DataChanged = false;
    TNomVars names(f.get());
    f->NomVars = &names;
    f->SpeedButton1Click(); // renaming counts as a change
    f->sbPrintClick();
    f->NomVars = nullptr;
    QCOMPARE(messages, (QStringList{refusal, refusal, refusal}));
    QCOMPARE(previews, 0);
}

void TestPrint::previewShowsTheSolvedFunction()
{
    SetCount(*f, 3);
    SetValues(*f, QStringLiteral("01101X01"));
    f->sbHazloClick();
    f->tvSolu->scrollToTop();
    f->sbPrintClick();
    QVERIFY(messages.isEmpty());
    QCOMPARE(previews, 1);
    QCOMPARE(report->qrlFuncion, QStringLiteral("f( a,b,c )"));
    QCOMPARE(report->qrmVerdad, QStringList{QStringLiteral("f=( 0,1,1,0,1,X,0,1 )")});
    QCOMPARE(report->qrmSOP, QStringList{QStringLiteral("( 1,2,4,7 )")});
    QCOMPARE(report->qrmPOS, QStringList{QStringLiteral("( 0,3,6 )")});
    QVERIFY(report->qrmKarnaugh.first().startsWith(QLatin1Char('(')));
    QVERIFY(report->qrmNAND.first().startsWith(QStringLiteral("|( |(")));
    // Printing changes neither the grids nor the tree.
    QCOMPARE(f->sgVerdad->Cell(4, 6), QStringLiteral("  X"));
    QCOMPARE(f->tvSolu->topLevelItemCount(), 4);
}

void TestPrint::pdfHoldsEveryLine_data()
{
    QTest::addColumn<int>("numVar");
    QTest::newRow("3 variables") << 3;
    QTest::newRow("8 variables") << 8;
}

void TestPrint::pdfHoldsEveryLine()
{
    REQUIRE_PDFTOTEXT();
    QFETCH(int, numVar);
    SetCount(*f, numVar);
    QString values;
    for (int m = 0; m < RowCount(numVar); ++m)
        values += QStringLiteral("10X1")[(m * 7 + m / 3) % 4];
    SetValues(*f, values);
    f->sbHazloClick();
    f->sbPrintClick();
    QCOMPARE(previews, 1);
    const QString path = dir.filePath(QStringLiteral("report%1.pdf").arg(numVar));
    QString error;
    QVERIFY2(report->WritePdf(path, &error), qPrintable(error));
    // Text extraction guesses blanks from glyph positions: compare without them.
    auto squeezed = [](QString t) { return t.remove(QRegularExpression(QStringLiteral("\\s"))); };
    const QString text = squeezed(PdfText(path));
    QVERIFY(!text.isEmpty());
    // Every memo line is on the page, even those past what the box holds at
    // its full size (the text is set smaller instead).
    const QStringList memos = report->qrmVerdad + report->qrmSOP + report->qrmPOS + report->qrmKarnaugh + report->qrmNAND;
    if (numVar == 8)
        QCOMPARE(report->qrmVerdad.size(), 7);
    // The Greek labels sit between lines and may pull a memo's opening bracket
    // out of its line in the extracted text.
    for (const QString &line : memos) {
        QString wanted = squeezed(line);
        if (wanted.startsWith(QLatin1Char('(')) && !text.contains(wanted))
            wanted.remove(0, 1);
        QVERIFY2(text.contains(wanted), qPrintable(line));
    }
    for (const QString &fixed : {QStringLiteral("Quintora - Soluciones"), QStringLiteral("Tabla verdad"),
                                 QString::fromUtf8("Solución Karnaugh usando NAND"), QStringLiteral("f="),
                                 QString::fromUtf8("Nota sobre signos: | -> Negación"), QString(QChar(0x03A3)),
                                 QString(QChar(0x03A0)), QString(QChar(0x039A)), report->qrlFuncion})
        QVERIFY2(text.contains(squeezed(fixed)), qPrintable(fixed));
    QVERIFY(text.contains(QChar(0x00B7)));
}

void TestPrint::commandLineReport()
{
    REQUIRE_PDFTOTEXT();
    const QString data = dir.filePath(QStringLiteral("three.qmt"));
    QFile file(data);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("NumVar:3\r\nNomVar:pqrdefgh\r\nTabla:0,1,1,0,1,X,0,1\r\nCRC:32S\r\n");
    file.close();
    const QString pdf = dir.filePath(QStringLiteral("three.pdf"));
    QProcess cli;
    cli.start(QStringLiteral(QUINTORA_CLI_PATH), {QStringLiteral("report"), data, pdf, QStringLiteral("--seed"), QStringLiteral("5")});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
    // The same tree on standard output as "solve" prints, and the page.
    QVERIFY(QString::fromUtf8(cli.readAllStandardOutput()).startsWith(QStringLiteral("S.O.P. MinTerm\n")));
    const QString text = PdfText(pdf);
    QVERIFY(text.contains(QStringLiteral("f( p,q,r )")));
    QVERIFY(text.contains(QStringLiteral("( 1,2,4,7 )")));

    // A file it cannot read: the usual message and status, no page.
    cli.start(QStringLiteral(QUINTORA_CLI_PATH), {QStringLiteral("report"), dir.filePath(QStringLiteral("none.qmt")),
                                                  dir.filePath(QStringLiteral("none.pdf"))});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 2);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("none.pdf"))));
}

void TestPrint::previewLeavesMainWindowUsable()
{
    SetValues(*f, QStringLiteral("1100000000000000"));
    f->sbHazloClick();
    f->LockClick(); // the spinner works again; the solution stays printable
    auto hook = std::move(answers.preview);
    answers.preview = nullptr;
    bool sawPreview = false;
    // While the preview is open, the main window takes a click; then the
    // preview is closed by its own button.
    QTimer::singleShot(200, this, [&] {
        f->udUno->UpButton()->click();
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && w != f.get() && w->windowTitle() == QStringLiteral("Quintora - Soluciones")) {
                sawPreview = true;
                for (QPushButton *b : w->findChildren<QPushButton *>())
                    if (b->text() == QStringLiteral("Cerrar"))
                        b->click();
            }
        }
    });
    f->sbPrintClick(); // returns once the preview has closed
    answers.preview = std::move(hook);
    QVERIFY(sawPreview);
    QCOMPARE(f->NumVar, 5);
}

// A Resolver refused for want of a 1 must not leave the last function's sum
// to be printed beside the new table.
void TestPrint::refusedSolveLeavesNoOldSum()
{
    SetCount(*f, 3);
    SetValues(*f, QStringLiteral("01101001"));
    f->sbHazlo->click();
    QCOMPARE(f->tvSolu->topLevelItemCount(), 4);
    f->LockClick();
    SetValues(*f, QStringLiteral("00000000"));
    f->DataChanged = true; // as the edits leave it
    f->sbHazlo->click();
    QCOMPARE(messages, QStringList{QString::fromUtf8("No hay ningún 1 y la solución sería 0.")});
    QCOMPARE(f->tvSolu->topLevelItemCount(), 0);
    f->sbPrint->click();
    QCOMPARE(report->qrmVerdad, QStringList{QStringLiteral("f=( 0,0,0,0,0,0,0,0 )")});
    QVERIFY2(report->qrmKarnaugh.isEmpty(), qPrintable(report->qrmKarnaugh.join(QLatin1Char('|'))));
    QVERIFY(report->qrmNAND.isEmpty());
}

// "Guardar PDF..." in the preview window: the page replaces its file whole or
// not at all, and a failure is told in Spanish.
void TestPrint::savePdfFromPreview_data()
{
    QTest::addColumn<QString>("path"); // DIR: the test's folder
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("saved");

    QTest::newRow("new file") << QStringLiteral("DIR/page") << QString() << true;
    QTest::newRow("over an old page") << QStringLiteral("DIR/old.pdf") << QString() << true;
    QTest::newRow("link to /dev/full") << QStringLiteral("DIR/full.pdf") << QString() << false;
    QTest::newRow("missing folder") << QStringLiteral("DIR/none/page.pdf") << QString() << false;
    QTest::newRow("full disk, old page kept") << QStringLiteral("DIR/old.pdf") << QStringLiteral("size") << false;
    QTest::newRow("sync fails, old page kept") << QStringLiteral("DIR/old.pdf") << QStringLiteral("sync") << false;
}

void TestPrint::savePdfFromPreview()
{
    REQUIRE_PDFTOTEXT();
    QFETCH(QString, path);
    QFETCH(QString, fault);
    QFETCH(bool, saved);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    path.replace(QStringLiteral("DIR"), folder.path());
    const QByteArray oldPage = "%PDF-1.4 an older page, kept whole";
    {
        QFile file(folder.filePath(QStringLiteral("old.pdf")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(oldPage) == oldPage.size());
    }
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), folder.filePath(QStringLiteral("full.pdf"))));
    SetValues(*f, QStringLiteral("1100000000000000"));
    f->sbHazlo->click();

    QStringList asked;
    answers.saveFile = [&](const QString &title) {
        asked << title;
        return path;
    };
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    answers.preview = [&](QWidget *window) {
        ++previews;
        QPushButton *save = nullptr;
        for (QPushButton *b : window->findChildren<QPushButton *>())
            if (b->text() == QStringLiteral("Guardar PDF..."))
                save = b;
        QVERIFY(save);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 2048;
        if (fault == QLatin1String("size"))
            setrlimit(RLIMIT_FSIZE, &small);
        if (fault == QLatin1String("sync"))
            qputenv("QUINTORA_FAIL_SYNC", "1");
        save->click();
        setrlimit(RLIMIT_FSIZE, &old);
        qunsetenv("QUINTORA_FAIL_SYNC");
    };
    f->sbPrint->click();
    answers.saveFile = nullptr;
    QCOMPARE(previews, 1);
    QCOMPARE(asked, QStringList{QStringLiteral("Guardar PDF...")});

    const QString written = QFileInfo(path).suffix().isEmpty() ? path + QStringLiteral(".pdf") : path;
    if (saved) {
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join(QLatin1Char('|'))));
        QVERIFY(PdfText(written).contains(QStringLiteral("Quintora - Soluciones")));
    } else {
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].startsWith(QStringLiteral("No se pudo guardar el PDF en")), qPrintable(messages[0]));
        QFile kept(folder.filePath(QStringLiteral("old.pdf")));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), oldPage);
        QVERIFY(!QFileInfo(QStringLiteral("/dev/full")).isFile());
        // No half-written page or temporary file is left.
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::System),
                 (QStringList{QStringLiteral("full.pdf"), QStringLiteral("old.pdf")}));
    }
}

QTEST_MAIN(TestPrint)
#include "tst_print.moc"
