// Times the minimiser on hard eight-variable functions: the fast engine's whole
// solve (prime implicants, every trial, the exact step, the isolated rows), and
// the same functions through the literal string transcription, so that the
// speed-up is measured in one run.
//
// The transcription needs minutes for one whole solve of the hardest functions,
// so its whole solve is put together from what is timed: its prime implicants,
// kComparedTrials of its trials scaled to the full trial count (every trial
// does the same kind of work), and its isolated rows. The summary at the end
// sets the fast engine's median whole solve against that.
#include "main.h"
#include "prompts.h"
#include "solver.h"
#include "transcription.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <string>

using namespace quintora;

namespace {

constexpr int kNumVar = 8;
constexpr uint32_t kSeed = 20261210;
constexpr int kComparedTrials = 8;

struct Function {
    const char *name;
    RowValues values;
};

RowValues AllOnes() { return RowValues(256, ValueOne); }

RowValues OddParity()
{
    RowValues v(256, ValueZero);
    for (int r = 0; r < 256; ++r)
        if (std::popcount(unsigned(r)) % 2 == 1)
            v[r] = ValueOne;
    return v;
}

// Half the rows 1 and a fifth don't care, placed by a fixed shuffle.
RowValues FixedRandom()
{
    std::vector<int> rows(256);
    for (int r = 0; r < 256; ++r)
        rows[r] = r;
    std::mt19937 gen(8);
    std::shuffle(rows.begin(), rows.end(), gen);
    RowValues v(256, ValueZero);
    for (int i = 0; i < 128; ++i)
        v[rows[i]] = ValueOne;
    for (int i = 128; i < 128 + 51; ++i)
        v[rows[i]] = ValueDontCare;
    return v;
}

// 1 on the rows with three to five bits set: 560 prime implicants, none essential.
RowValues Sym8W3To5()
{
    RowValues v(256, ValueZero);
    for (int r = 0; r < 256; ++r) {
        const int w = std::popcount(unsigned(r));
        if (w >= 3 && w <= 5)
            v[r] = ValueOne;
    }
    return v;
}

// A cyclic core of 70 rows, each prime covering two neighbours: no essential term.
RowValues Coil8Len70()
{
    static const int ones[] = {0,   5,   7,   9,   11,  13,  16,  18,  22,  23,  27,  33,  36,  38,
                               49,  52,  53,  59,  64,  66,  67,  83,  85,  90,  93,  94,  95,  101,
                               102, 105, 109, 110, 114, 115, 121, 122, 130, 132, 138, 143, 148, 149,
                               154, 158, 159, 161, 162, 165, 168, 171, 172, 174, 176, 178, 184, 187,
                               196, 198, 203, 207, 208, 210, 213, 214, 216, 217, 229, 235, 238, 249};
    RowValues v(256, ValueZero);
    for (int r : ones)
        v[r] = ValueOne;
    return v;
}

const std::vector<Function> &Functions()
{
    static const std::vector<Function> functions = {
        {"all_ones", AllOnes()},         {"parity", OddParity()},          {"random_half_fifth_x", FixedRandom()},
        {"sym8_w3to5", Sym8W3To5()},     {"coil8_len70", Coil8Len70()},
    };
    return functions;
}

QStringList Cells(const RowValues &values)
{
    QStringList cells;
    for (uint8_t v : values)
        cells << (v == ValueOne ? QStringLiteral("  1") : v == ValueZero ? QStringLiteral("  0") : QStringLiteral("  X"));
    return cells;
}

struct Figures {
    std::vector<double> solveMs;  // fast engine, one whole solve per entry
    double transcriptionMs = 0;   // literal transcription, whole solve put together
    std::vector<double> clickMs;  // the Resolver click on the window
};
std::map<std::string, Figures> g_figures;

double Ms(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void BM_Solve(benchmark::State &state, const Function *f)
{
    int terms = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        LcgRandom random(kSeed);
        const SolveOutcome outcome = MinimalSum(f->values, kNumVar, random);
        g_figures[f->name].solveMs.push_back(Ms(std::chrono::steady_clock::now() - start));
        terms = static_cast<int>(outcome.terms.size());
        benchmark::DoNotOptimize(terms);
    }
    state.counters["terms"] = terms;
}

void BM_Transcription(benchmark::State &state, const Function *f)
{
    const QStringList cells = Cells(f->values);
    for (auto _ : state) {
        using Clock = std::chrono::steady_clock;
        const auto t0 = Clock::now();
        reference::State s;
        s.NumVar = kNumVar;
        reference::BuildPrimeImplicants(s, cells);
        const auto t1 = Clock::now();
        LcgRandom random(kSeed);
        reference::CoverSearch(s, random, {}, kComparedTrials);
        const auto t2 = Clock::now();
        reference::AddIsolatedRows(s, cells);
        const auto t3 = Clock::now();
        const double perTrial = Ms(t2 - t1) / kComparedTrials;
        const double whole = Ms(t1 - t0) + perTrial * TrialCount(kNumVar) + Ms(t3 - t2);
        g_figures[f->name].transcriptionMs = whole;
        state.counters["implicants_ms"] = Ms(t1 - t0);
        state.counters["per_trial_ms"] = perTrial;
        state.counters["whole_solve_ms"] = whole;
    }
}

// The whole Resolver click on the window, offscreen: counts, progress
// feedback, the engine and the solutions tree. Filling the grids and releasing
// the lock between clicks is not timed.
void BM_ResolverClick(benchmark::State &state, const Function *f)
{
    TForm1 form;
    form.show();
    QApplication::processEvents();
    while (form.NumVar < kNumVar)
        form.udUno->UpButton()->click();
    for (auto _ : state) {
        state.PauseTiming();
        if (!form.rbPon1->isEnabled())
            form.LockClick();
        for (int m = 0; m < 256; ++m) {
            const QString v = f->values[m] == ValueOne ? QStringLiteral("1")
                              : f->values[m] == ValueZero ? QStringLiteral("0") : QStringLiteral("X");
            form.sgVerdad->SetCell(kNumVar + 1, m + 1, TruthValueText(v));
            const MapCell cell = MapCellOfIndex(m, kNumVar);
            form.sgKarna->SetCell(cell.column, cell.row, v);
        }
        form.Random = std::make_unique<LcgRandom>(kSeed);
        QApplication::processEvents();
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        form.sbHazloClick();
        g_figures[f->name].clickMs.push_back(Ms(std::chrono::steady_clock::now() - start));
    }
}

int Register()
{
    for (const Function &f : Functions()) {
        benchmark::RegisterBenchmark((std::string("Solve/") + f.name).c_str(), BM_Solve, &f)
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
        benchmark::RegisterBenchmark((std::string("ResolverClick/") + f.name).c_str(), BM_ResolverClick, &f)
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
        benchmark::RegisterBenchmark((std::string("Transcription/") + f.name).c_str(), BM_Transcription, &f)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
    }
    return 0;
}

const int registered = Register();

double Median(std::vector<double> times)
{
    if (times.empty())
        return 0;
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void PrintSummary()
{
    std::printf("\n%-22s %18s %26s %10s %18s\n", "function", "solve median (ms)", "transcription solve (ms)",
                "speed-up", "click median (ms)");
    for (const Function &f : Functions()) {
        auto it = g_figures.find(f.name);
        if (it == g_figures.end() || it->second.solveMs.empty())
            continue;
        const double median = Median(it->second.solveMs);
        const double click = Median(it->second.clickMs);
        if (it->second.transcriptionMs > 0)
            std::printf("%-22s %18.3f %26.1f %9.0fx %18.3f\n", f.name, median, it->second.transcriptionMs,
                        it->second.transcriptionMs / median, click);
        else
            std::printf("%-22s %18.3f %26s %10s %18.3f\n", f.name, median, "-", "-", click);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SetUpApplication(app);
    prompts::Answers silent;
    silent.message = [](const QString &) {};
    prompts::SetAnswers(&silent);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintSummary();
    return 0;
}
