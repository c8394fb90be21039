// quintora-cli: solves data files from the command line, with the same reading,
// validation and solution lists as the window.
#include "fileio.h"
#include "fonts.h"
#include "pla.h"
#include "reportpage.h"
#include "solver.h"
#include "storage.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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
    "Uso: quintora-cli solve FICHERO [--seed N] [--format tree|json]\n"
    "     quintora-cli report FICHERO SALIDA.pdf [--seed N]\n"
    "     quintora-cli export FICHERO SALIDA.pla [--minimal] [--seed N]\n"
    "     quintora-cli --help | --version\n"
    "\n"
    "Simplifica la función guardada en un fichero de datos QMT o PLA (por su extensión)\n"
    "e imprime el árbol de soluciones: \"S.O.P. MinTerm\" (suma canónica de mintérminos),\n"
    "\"P.O.S. MaxTerm\" (producto canónico de maxtérminos), \"Karnaugh\" (suma mínima de\n"
    "productos) y \"Karnaugh P.O.S.\" (producto mínimo de sumas).\n"
    "Con report escribe además el informe de soluciones, una página A4, en SALIDA.pdf.\n"
    "Con export escribe la función en SALIDA.pla (.type fd: unos y indiferencias), o con\n"
    "--minimal su suma mínima (.type f).\n"
    "\n"
    "  --seed N       siembra el generador aleatorio una sola vez con N (0 a 4294967295),\n"
    "                 para obtener siempre el mismo resultado; sin ella se siembra con el reloj.\n"
    "  --format json  imprime un objeto JSON en lugar del árbol.\n"
    "  --help         muestra esta ayuda.\n"
    "  --version      muestra la versión.\n"
    "\n"
    "Estado de salida: 0 resuelto; 1 la función no tiene ningún 1; 2 fichero no válido,\n"
    "ilegible, salida que no se pudo escribir u orden incorrecta.\n";

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

struct Options {
    QString command; // solve, report or export
    QString path;
    QString out; // the PDF or PLA written
    std::optional<uint32_t> seed;
    bool json = false;
    bool minimal = false;
};

QJsonArray TermsJson(const QList<SolvedTerm> &terms)
{
    QJsonArray array;
    for (const SolvedTerm &t : terms)
        array.append(QJsonObject{{QStringLiteral("pattern"), t.cells}, {QStringLiteral("text"), t.caption}});
    return array;
}

int Literals(const QList<SolvedTerm> &terms)
{
    int count = 0;
    for (const SolvedTerm &t : terms)
        count += int(t.cells.size() - t.cells.count(QLatin1Char('-')));
    return count;
}

QByteArray Json(const SolvedFunction &f)
{
    QJsonArray names;
    for (const QString &name : f.names)
        names.append(name);
    QString values;
    for (uint8_t v : f.values)
        values += ValueText(v);
    const QJsonObject o{
        {QStringLiteral("numVar"), f.numVar},
        {QStringLiteral("names"), names},
        {QStringLiteral("values"), values},
        {QStringLiteral("minterms"), TermsJson(f.minterms)},
        {QStringLiteral("maxterms"), TermsJson(f.maxterms)},
        {QStringLiteral("sum"), TermsJson(f.karnaugh)},
        {QStringLiteral("product"), TermsJson(f.sums)},
        {QStringLiteral("sumTerms"), int(f.karnaugh.size())},
        {QStringLiteral("sumLiterals"), Literals(f.karnaugh)},
        {QStringLiteral("productTerms"), int(f.sums.size())},
        {QStringLiteral("productLiterals"), Literals(f.sums)},
        {QStringLiteral("sumProven"), f.proven},
        {QStringLiteral("productProven"), f.productProven},
    };
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

QString Tree(const SolvedFunction &f)
{
    const std::pair<QString, const QList<SolvedTerm> *> branches[] = {
        {kSopCaption, &f.minterms}, {kPosCaption, &f.maxterms}, {kKarnaughCaption, &f.karnaugh}, {kKarnaughPosCaption, &f.sums}};
    QString tree;
    for (const auto &[caption, terms] : branches) {
        tree += caption + QLatin1Char('\n');
        for (const SolvedTerm &t : *terms)
            tree += QStringLiteral("  ") + t.caption + QLatin1Char('\n');
    }
    return tree;
}

int Run(const Options &o)
{
    // The output would replace the very data it was made from.
    if (!o.out.isEmpty() && SameFile(o.path, o.out)) {
        PrintLine(stderr, QStringLiteral("La salida \u00ab%1\u00bb es el propio fichero de datos; no se escribe nada.").arg(o.out));
        return 2;
    }
    const LoadResult loaded = LoadFunctionFile(o.path);
    if (loaded.status != LoadResult::Ok) {
        PrintLine(stderr, loaded.errorText);
        return 2;
    }
    const DataFile &file = loaded.data;
    // Read files hold "0", "1" and "X" only ("_" already read as "0").
    RowValues values;
    values.reserve(file.values.size());
    for (QChar v : file.values)
        values.push_back(RowValueOfText(QString(v)));
    auto writePla = [&o](const QByteArray &bytes) {
        QString error;
        if (WriteWholeFile(o.out, bytes, &error))
            return 0;
        PrintLine(stderr, QStringLiteral("No se pudo guardar \u00ab%1\u00bb: %2").arg(o.out, error));
        return 2;
    };
    if (o.command == QLatin1String("export") && !o.minimal)
        return writePla(WritePla(file.numVar, file.names, file.values));
    if (std::find(values.begin(), values.end(), ValueOne) == values.end()) {
        PrintLine(stderr, QStringLiteral("No hay ningún 1 y la solución sería 0."));
        return 1;
    }
    std::unique_ptr<RandomSource> random;
    if (o.seed)
        random = std::make_unique<LcgRandom>(*o.seed);
    else
        random = std::make_unique<ClockRandom>();
    // A seeded run must print the same whatever the machine's load: its exact
    // step is bounded by search nodes rather than by the clock.
    const auto budget = o.seed ? std::chrono::milliseconds(std::chrono::minutes(1)) : kExactBudget;
    const long nodeLimit = o.seed ? 20000 : 0;
    const SolveOutcome outcome = MinimalSum(values, file.numVar, *random, {}, budget, nodeLimit);
    SolvedFunction solved = DescribeSolution(values, file.numVar, file.names, outcome);
    if (o.command == QLatin1String("export")) {
        QStringList patterns;
        for (const SolvedTerm &t : solved.karnaugh)
            patterns << t.cells;
        return writePla(WritePlaSum(file.numVar, file.names, patterns));
    }
    AddMinimalProduct(solved, *random, budget, nodeLimit);
    if (o.command == QLatin1String("report")) {
        QString error;
        if (!WriteReportPdf(o.out, BuildReportContent(solved), &error)) {
            PrintLine(stderr, error);
            return 2;
        }
    }
    return WriteOutput(o.json ? Json(solved) : Tree(solved).toUtf8());
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
    if (args.size() == 1 && (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h")))
        return WriteOutput(kHelp);
    if (args.size() == 1 && args[0] == QLatin1String("--version"))
        return WriteOutput("quintora-cli " QUINTORA_VERSION "\n");
    Options o;
    o.command = args.value(0);
    if (o.command != QLatin1String("solve") && o.command != QLatin1String("report") && o.command != QLatin1String("export"))
        return Usage();
    const bool needsOut = o.command != QLatin1String("solve");
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--seed") && i + 1 < args.size()) {
            bool ok = false;
            const uint value = args[++i].toUInt(&ok, 10);
            if (!ok)
                return Usage();
            o.seed = value;
        } else if (args[i] == QLatin1String("--format") && i + 1 < args.size() && o.command == QLatin1String("solve")) {
            const QString format = args[++i];
            if (format != QLatin1String("json") && format != QLatin1String("tree"))
                return Usage();
            o.json = format == QLatin1String("json");
        } else if (args[i] == QLatin1String("--minimal") && o.command == QLatin1String("export")) {
            o.minimal = true;
        } else if (o.path.isEmpty() && !args[i].startsWith(QLatin1String("--"))) {
            o.path = args[i];
        } else if (needsOut && o.out.isEmpty() && !args[i].startsWith(QLatin1String("--"))) {
            o.out = args[i];
        } else {
            return Usage();
        }
    }
    if (o.path.isEmpty() || (needsOut && o.out.isEmpty()))
        return Usage();
    return Run(o);
}
