// quintora-cli: solves data files from the command line, with the same reading,
// validation and solution lists as the window.
#include "fileio.h"
#include "fonts.h"
#include "reportpage.h"
#include "solver.h"
#include "storage.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <unistd.h>

using namespace quintora;

namespace {

const char *const kHelp =
    "Uso: quintora-cli solve FICHERO [--seed N]\n"
    "     quintora-cli report FICHERO SALIDA.pdf [--seed N]\n"
    "     quintora-cli --help\n"
    "\n"
    "Simplifica la función guardada en un fichero de datos QMT e imprime el árbol de\n"
    "soluciones: \"S.O.P. MinTerm\" (suma canónica de mintérminos), \"P.O.S. MaxTerm\"\n"
    "(producto canónico de maxtérminos) y \"Karnaugh\" (suma mínima de productos).\n"
    "Con report escribe además el informe de soluciones, una página A4, en SALIDA.pdf.\n"
    "\n"
    "  --seed N   siembra el generador aleatorio una sola vez con N (0 a 4294967295),\n"
    "             para obtener siempre el mismo resultado; sin ella se siembra con el reloj.\n"
    "  --help     muestra esta ayuda.\n"
    "\n"
    "Estado de salida: 0 resuelto; 1 la función no tiene ningún 1; 2 fichero no válido,\n"
    "ilegible u orden incorrecta.\n";

void PrintLine(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fputc('\n', stream);
}

// Standard output is written in one go at the end and every write is
// checked, so that a full disk, a closed descriptor or /dev/full gives exit
// status 2 and a message instead of a silent success.
int WriteOutput(const QByteArray &bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(STDOUT_FILENO, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            PrintLine(stderr, QStringLiteral("No se pudo escribir la salida: ") + qt_error_string(errno));
            return 2;
        }
        done += n;
    }
    return 0;
}

// A standard descriptor left closed by the caller would be handed to the
// first file opened here, and the output meant for it would land in that
// file. Closed ones are filled with /dev/null; true when standard output was
// one of them.
bool StandardOutputWasClosed()
{
    bool stdoutClosed = false;
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        if (fd == STDOUT_FILENO)
            stdoutClosed = true;
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0 && null != fd) { // a lower one was free after all
            ::dup2(null, fd);
            ::close(null);
        }
    }
    return stdoutClosed;
}

int Usage()
{
    std::fputs(kHelp, stderr);
    return 2;
}

int Solve(const QString &path, std::optional<uint32_t> seed, const QString &pdf)
{
    // The page would replace the very data it was made from.
    if (!pdf.isEmpty() && SameFile(path, pdf)) {
        PrintLine(stderr, QStringLiteral("La salida \u00ab%1\u00bb es el propio fichero de datos; no se escribe nada.").arg(pdf));
        return 2;
    }
    const LoadResult loaded = LoadDataFile(path);
    if (loaded.status == LoadResult::ReadError) {
        PrintLine(stderr, loaded.errorText);
        return 2;
    }
    if (loaded.status == LoadResult::Invalid) {
        PrintLine(stderr, kInvalidFileMessage);
        return 2;
    }
    const DataFile &file = loaded.data;
    RowValues values;
    values.reserve(file.values.size());
    // As the window's Solve does: a row whose value is blank is undefined and
    // counts as 0.
    for (QChar v : file.values) {
        const QString text(v);
        values.push_back(text.trimmed().isEmpty() ? ValueZero : RowValueOfText(text));
    }
    if (std::find(values.begin(), values.end(), ValueOne) == values.end()) {
        PrintLine(stderr, QStringLiteral("No hay ningún 1 y la solución sería 0."));
        return 1;
    }
    std::unique_ptr<RandomSource> random;
    if (seed)
        random = std::make_unique<LcgRandom>(*seed);
    else
        random = std::make_unique<ClockRandom>();
    // A seeded run must print the same whatever the machine's load: its exact
    // step is bounded by search nodes rather than by the clock.
    const auto budget = seed ? std::chrono::milliseconds(std::chrono::minutes(1)) : std::chrono::milliseconds(2000);
    const long nodeLimit = seed ? 20000 : 0;
    const SolveOutcome outcome = MinimalSum(values, file.numVar, *random, {}, budget, nodeLimit);
    const SolutionLists lists = BuildSolutionLists(values, file.numVar, file.names, outcome.terms);
    SolvedFunction solved = DescribeSolution(values, file.numVar, file.names, outcome);
    AddMinimalProduct(solved, *random, budget, nodeLimit);
    QStringList sums;
    for (const SolvedTerm &sum : solved.sums)
        sums << sum.caption;
    if (!pdf.isEmpty()) {
        QStringList valueCells, indexCells;
        for (int m = 0; m < RowCount(file.numVar); ++m) {
            const QString v = file.values.mid(m, 1).trimmed();
            valueCells << TruthValueText(v.isEmpty() ? QStringLiteral("0") : v);
            indexCells << TruthIndexText(m);
        }
        QString error;
        if (!WriteReportPdf(pdf, BuildReportContent(file.numVar, file.names, valueCells, indexCells, lists.karnaugh),
                            &error)) {
            PrintLine(stderr, error);
            return 2;
        }
    }
    const std::pair<QString, const QStringList *> branches[] = {{kSopCaption, &lists.minterms},
                                                                 {kPosCaption, &lists.maxterms},
                                                                 {kKarnaughCaption, &lists.karnaugh},
                                                                 {kKarnaughPosCaption, &sums}};
    QString tree;
    for (const auto &[caption, children] : branches) {
        tree += caption + QLatin1Char('\n');
        for (const QString &child : *children)
            tree += QStringLiteral("  ") + child + QLatin1Char('\n');
    }
    return WriteOutput(tree.toUtf8());
}

} // namespace

int main(int argc, char *argv[])
{
    if (StandardOutputWasClosed()) {
        PrintLine(stderr, QStringLiteral("La salida est\u00e1ndar est\u00e1 cerrada; no se puede escribir el resultado."));
        return 2;
    }
    // The report is drawn with fonts: only it needs a (headless) GUI.
    // Qt's own notes (no runtime folder, font cache) are not the tool's
    // messages: stderr carries only what the user must read.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            PrintLine(stderr, text);
    });
    const bool report = argc > 1 && QByteArray(argv[1]) == "report";
    std::unique_ptr<QCoreApplication> app;
    if (report) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
        InstallStandInFonts();
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    const QStringList args = app->arguments().mid(1);
    if (args.size() == 1 && (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h"))) {
        return WriteOutput(kHelp);
    }
    if (args.isEmpty() || (args[0] != QLatin1String("solve") && !report))
        return Usage();
    QString path, pdf;
    std::optional<uint32_t> seed;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--seed") && i + 1 < args.size()) {
            bool ok = false;
            const uint value = args[++i].toUInt(&ok, 10);
            if (!ok)
                return Usage();
            seed = value;
        } else if (path.isEmpty() && !args[i].startsWith(QLatin1String("--"))) {
            path = args[i];
        } else if (report && pdf.isEmpty() && !args[i].startsWith(QLatin1String("--"))) {
            pdf = args[i];
        } else {
            return Usage();
        }
    }
    if (path.isEmpty() || (report && pdf.isEmpty()))
        return Usage();
    return Solve(path, seed, pdf);
}
