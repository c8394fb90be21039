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
#include "symmetric.h"
#include "transcription.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numeric>
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
class ClickRig {
public:
    ClickRig()
    {
        m_form.show();
        QApplication::processEvents();
        while (m_form.NumVar < kNumVar)
            m_form.udUno->UpButton()->click();
    }
    void Fill(const RowValues &values)
    {
        if (!m_form.rbPon1->isEnabled())
            m_form.LockClick();
        for (int m = 0; m < 256; ++m) {
            const QString v = values[m] == ValueOne ? QStringLiteral("1")
                              : values[m] == ValueZero ? QStringLiteral("0") : QStringLiteral("X");
            m_form.sgVerdad->SetCell(kNumVar + 1, m + 1, TruthValueText(v));
            const MapCell cell = MapCellOfIndex(m, kNumVar);
            m_form.sgKarna->SetCell(cell.column, cell.row, v);
        }
        m_form.Random = std::make_unique<LcgRandom>(kSeed);
        QApplication::processEvents();
    }
    double Click()
    {
        const auto start = std::chrono::steady_clock::now();
        m_form.sbHazloClick();
        return Ms(std::chrono::steady_clock::now() - start);
    }

private:
    TForm1 m_form;
};

void BM_ResolverClick(benchmark::State &state, const Function *f)
{
    ClickRig rig;
    for (auto _ : state) {
        state.PauseTiming();
        rig.Fill(f->values);
        state.ResumeTiming();
        g_figures[f->name].clickMs.push_back(rig.Click());
    }
}

// ---------------------------------------------------------------- the exact step's tail
//
// The exact step alone (SolveFunctionCover on the prime table, from no bound, as
// the solve runs it) over seeded random functions and symmetric families, and
// CBC alone on the very same tables as the reference. Per group: median, 99th
// percentile and maximum of our time, the count not proven, CBC's median and
// total, and the whole solve and Resolver click of the group's slowest function.

struct TailGroup {
    std::string name;
    std::vector<RowValues> functions;
    std::vector<std::string> labels; // by function, where it has a short name
};

struct TailFigures {
    std::vector<double> oursMs, mipMs;
    int unproven = 0, mipUnproven = 0, disagree = 0, worse = 0;
    std::vector<std::string> unprovenLabels;
    double slowestSolveMs = 0, slowestClickMs = 0;
};
std::vector<std::pair<std::string, TailFigures>> g_tail;

double Percentile(std::vector<double> times, double q)
{
    if (times.empty())
        return 0;
    std::sort(times.begin(), times.end());
    const size_t i = std::min(times.size() - 1, static_cast<size_t>(std::ceil(q * times.size())) - 1);
    return times[i];
}

// Rows are don't care with probability dc; the others hold 1 with probability ones.
RowValues RandomFunction(std::mt19937 &gen, double ones, double dc)
{
    std::uniform_real_distribution<double> u(0, 1);
    RowValues v(256, ValueZero);
    for (int r = 0; r < 256; ++r) {
        if (u(gen) < dc)
            v[r] = ValueDontCare;
        else if (u(gen) < ones)
            v[r] = ValueOne;
    }
    if (std::find(v.begin(), v.end(), ValueOne) == v.end())
        v[0] = ValueOne;
    return v;
}

RowValues ByWeight(const std::array<uint8_t, 9> &byWeight)
{
    RowValues v(256, ValueZero);
    for (int r = 0; r < 256; ++r)
        v[r] = byWeight[std::popcount(unsigned(r))];
    return v;
}

// Ones on every set of weights that is a union of at most three intervals,
// alone or with don't cares on the weights next to them.
TailGroup SymmetricFamily(const std::string &name, bool neighbours)
{
    TailGroup out{name, {}, {}};
    for (int set = 1; set < 512; ++set) {
        int runs = 0;
        for (int w = 0; w < 9; ++w)
            if (((set >> w) & 1) && (w == 0 || !((set >> (w - 1)) & 1)))
                ++runs;
        if (runs > 3)
            continue;
        std::array<uint8_t, 9> byWeight{};
        for (int w = 0; w < 9; ++w)
            byWeight[w] = ((set >> w) & 1) ? ValueOne : ValueZero;
        if (neighbours) {
            bool any = false;
            for (int w = 0; w < 9; ++w) {
                const bool next = (w > 0 && ((set >> (w - 1)) & 1)) || (w < 8 && ((set >> (w + 1)) & 1));
                if (!((set >> w) & 1) && next) {
                    byWeight[w] = ValueDontCare;
                    any = true;
                }
            }
            if (!any)
                continue;
        }
        out.functions.push_back(ByWeight(byWeight));
        std::string label;
        for (uint8_t v : byWeight)
            label += v == ValueOne ? '1' : v == ValueDontCare ? 'x' : '0';
        out.labels.push_back(label);
    }
    return out;
}

// The function that is 1 on the rows of weight 3 or 4, with 1 to 8 rows flipped.
std::vector<RowValues> FlippedFamily()
{
    std::array<uint8_t, 9> w34{};
    w34[3] = w34[4] = ValueOne;
    const RowValues base = ByWeight(w34);
    std::mt19937 gen(kSeed);
    std::vector<RowValues> out;
    for (int flips = 1; flips <= 8; ++flips) {
        for (int i = 0; i < 16; ++i) {
            RowValues v = base;
            std::vector<int> rows(256);
            std::iota(rows.begin(), rows.end(), 0);
            std::shuffle(rows.begin(), rows.end(), gen);
            for (int k = 0; k < flips; ++k)
                v[rows[k]] = v[rows[k]] == ValueOne ? ValueZero : ValueOne;
            out.push_back(v);
        }
    }
    return out;
}

const std::vector<TailGroup> &TailGroups()
{
    static const std::vector<TailGroup> groups = [] {
        std::vector<TailGroup> g;
        for (int dc : {0, 20}) {
            for (int ones : {10, 20, 30, 40, 50, 60, 70, 80, 90, 95}) {
                TailGroup cell;
                cell.name = "Sweep/ones=" + std::to_string(ones) + "%/dc=" + std::to_string(dc) + "%";
                std::mt19937 gen(kSeed + ones * 100 + dc);
                for (int i = 0; i < 60; ++i)
                    cell.functions.push_back(RandomFunction(gen, ones / 100.0, dc / 100.0));
                g.push_back(std::move(cell));
            }
        }
        g.push_back(SymmetricFamily("Family/symmetric", false));
        g.push_back(SymmetricFamily("Family/symmetric_dc", true));
        g.push_back({"Family/w34_flipped", FlippedFamily(), {}});
        return g;
    }();
    return groups;
}

void BM_Tail(benchmark::State &state, const TailGroup *group)
{
    TailFigures fig;
    size_t slowest = 0;
    std::vector<size_t> index; // each timed problem's function in the group
    for (auto _ : state) {
        std::vector<CoverProblem> problems;
        index.clear();
        for (size_t i = 0; i < group->functions.size(); ++i) {
            SolverState s;
            s.NumVar = kNumVar;
            BuildPrimeImplicants(s, group->functions[i]);
            CoverProblem p = ExactCoverProblem(s);
            if (p.columns.empty())
                continue;
            problems.push_back(std::move(p));
            index.push_back(i);
        }
        // Each function's time is the median of three runs, one in each of
        // three passes over the group, the middle one with CBC's run after
        // each function: a spell of load on the machine, which can last
        // seconds, then slows one of a function's runs, not all three. The
        // search stops on node counts, so each run finds the same.
        std::vector<std::vector<double>> runs(problems.size());
        auto ours = [&](size_t k) {
            const auto start = std::chrono::steady_clock::now();
            CoverSolution solution = SolveFunctionCover(problems[k], {kNoBestTermCount, 0}, kExactBudget);
            runs[k].push_back(Ms(std::chrono::steady_clock::now() - start));
            return solution;
        };
        for (size_t k = 0; k < problems.size(); ++k)
            ours(k);
        for (size_t k = 0; k < problems.size(); ++k) {
            const CoverSolution mine = ours(k);
            const auto t0 = std::chrono::steady_clock::now();
            const CoverSolution mip = SolveMinimumCoverMip(problems[k], {kNoBestTermCount, 0}, kExactBudget);
            fig.mipMs.push_back(Ms(std::chrono::steady_clock::now() - t0));
            fig.unproven += !mine.proven;
            if (!mine.proven && index[k] < group->labels.size())
                fig.unprovenLabels.push_back(group->labels[index[k]]);
            fig.mipUnproven += !mip.proven;
            if (mine.proven && mip.proven && mine.cost != mip.cost)
                ++fig.disagree;
            if (mip.found && (!mine.found || mip.cost < mine.cost))
                ++fig.worse;
        }
        for (size_t k = 0; k < problems.size(); ++k)
            ours(k);
        for (size_t k = 0; k < problems.size(); ++k) {
            const double oursMs = Percentile(runs[k], 0.5);
            if (fig.oursMs.empty() || oursMs > fig.oursMs[slowest])
                slowest = fig.oursMs.size();
            fig.oursMs.push_back(oursMs);
        }
    }
    // The whole solve and the Resolver click of the function slowest in the
    // exact step: the median of three each, so that one run slowed by the
    // machine's load does not stand for them; a fresh window for each click.
    if (slowest < index.size()) {
        const RowValues &values = group->functions[index[slowest]];
        std::vector<double> solves, clicks;
        for (int run = 0; run < 3; ++run) {
            const auto t0 = std::chrono::steady_clock::now();
            LcgRandom random(kSeed);
            MinimalSum(values, kNumVar, random);
            solves.push_back(Ms(std::chrono::steady_clock::now() - t0));
            ClickRig rig;
            rig.Fill(values);
            clicks.push_back(rig.Click());
        }
        fig.slowestSolveMs = Percentile(solves, 0.5);
        fig.slowestClickMs = Percentile(clicks, 0.5);
    }
    state.counters["functions"] = static_cast<double>(fig.oursMs.size());
    state.counters["median_ms"] = Percentile(fig.oursMs, 0.5);
    state.counters["p99_ms"] = Percentile(fig.oursMs, 0.99);
    state.counters["max_ms"] = Percentile(fig.oursMs, 1.0);
    state.counters["unproven"] = fig.unproven;
    state.counters["cbc_median_ms"] = Percentile(fig.mipMs, 0.5);
    g_tail.emplace_back(group->name, std::move(fig));
}

void PrintTailSummary()
{
    if (g_tail.empty())
        return;
    std::printf("\nexact step alone (ms, median of 3 runs a function) against CBC alone on the same prime tables; the "
                "group's slowest whole solve and click (ms, median of 3)\n");
    std::printf("%-24s %5s %8s %8s %8s %5s | %8s %8s %9s %5s %6s %5s | %8s %8s\n", "group", "n", "median", "p99",
                "max", "unpr", "cbc med", "cbc max", "ratio", "cbcU", "disagr", "worse", "solve", "click");
    auto row = [](const std::string &name, const TailFigures &f) {
        double ours = 0, mip = 0;
        for (double t : f.oursMs)
            ours += t;
        for (double t : f.mipMs)
            mip += t;
        std::printf("%-24s %5zu %8.2f %8.2f %8.1f %5d | %8.2f %8.1f %8.3fx %5d %6d %5d | %8.1f %8.1f\n", name.c_str(),
                    f.oursMs.size(), Percentile(f.oursMs, 0.5), Percentile(f.oursMs, 0.99), Percentile(f.oursMs, 1.0),
                    f.unproven, Percentile(f.mipMs, 0.5), Percentile(f.mipMs, 1.0), mip > 0 ? ours / mip : 0.0,
                    f.mipUnproven, f.disagree, f.worse, f.slowestSolveMs, f.slowestClickMs);
    };
    // The sweep is one family: its cells pooled, where the 99th percentile is
    // not simply the maximum, as it is in a cell of 60.
    TailFigures sweep;
    for (const auto &[name, f] : g_tail) {
        row(name, f);
        if (name.rfind("Sweep/", 0) != 0)
            continue;
        sweep.oursMs.insert(sweep.oursMs.end(), f.oursMs.begin(), f.oursMs.end());
        sweep.mipMs.insert(sweep.mipMs.end(), f.mipMs.begin(), f.mipMs.end());
        sweep.unproven += f.unproven;
        sweep.mipUnproven += f.mipUnproven;
        sweep.disagree += f.disagree;
        sweep.worse += f.worse;
        sweep.slowestSolveMs = std::max(sweep.slowestSolveMs, f.slowestSolveMs);
        sweep.slowestClickMs = std::max(sweep.slowestClickMs, f.slowestClickMs);
    }
    if (!sweep.oursMs.empty())
        row("Sweep (all cells)", sweep);
    for (const auto &[name, f] : g_tail)
        if (!f.unprovenLabels.empty()) {
            std::printf("%s, stopped at the limit (value by weight 0..8):", name.c_str());
            for (const std::string &l : f.unprovenLabels)
                std::printf(" %s", l.c_str());
            std::printf("\n");
        }
    std::printf("ratio: our total time over CBC's total on the group; unpr/cbcU: stopped at the %lld ms limit; "
                "disagr: both proven, different minima; worse: CBC found a better cover than ours\n",
                static_cast<long long>(kExactBudget.count()));
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
    for (const TailGroup &g : TailGroups())
        benchmark::RegisterBenchmark(g.name.c_str(), BM_Tail, &g)->Unit(benchmark::kMillisecond)->Iterations(1);
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
    PrintTailSummary();
    return 0;
}
