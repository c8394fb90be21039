#include "symmetric.h"

#include <algorithm>
#include <bit>
#include <map>
#include <mutex>
#include <string>

namespace quintora {

namespace {

// Fixings of this many variables at most feed a run's floor: more of them
// seldom raise it, and each needs the minimum of a smaller function.
constexpr int kMostFixed = 2;

// A short plain search closes most runs, no floor needed.
constexpr long kQuickNodes = 50;

// The search for a smaller function's minimum stops here; that fixing then
// adds nothing to the floor.
constexpr long kSmallerNodes = 20000;
constexpr std::chrono::milliseconds kSmallerBudget{60000}; // never the limit: the nodes are

long Binomial(int n, int k)
{
    if (k < 0 || k > n)
        return 0;
    long r = 1;
    for (int i = 1; i <= k; ++i)
        r = r * (n - k + i) / i;
    return r;
}

int NumVarOf(const WeightValues &byWeight) { return static_cast<int>(byWeight.size()) - 1; }

// The run's values alone, 0 elsewhere, after fixing `ones` variables to 1 and
// `zeros` to 0: weight w of what is left is weight w + ones of the whole.
WeightValues Fixed(const WeightValues &byWeight, WeightRun run, int ones, int zeros)
{
    WeightValues out(NumVarOf(byWeight) - ones - zeros + 1, 0);
    for (size_t w = 0; w < out.size(); ++w) {
        const int whole = static_cast<int>(w) + ones;
        if (whole >= run.low && whole <= run.high)
            out[w] = byWeight[whole];
    }
    return out;
}

CoverSolution QuickSearch(const CoverProblem &p, std::chrono::milliseconds budget, long nodeLimit)
{
    SearchOptions quick;
    quick.plainNodes = kQuickNodes;
    quick.symmetricPlainNodes = kQuickNodes;
    quick.symmetricNodes = 0;
    quick.cbc = false;
    return SolveMinimumCover(p, CoverCost{kMaxRows + 1, 0}, budget, nodeLimit, quick);
}

} // namespace

std::optional<WeightValues> ValuesByWeight(const std::vector<uint8_t> &function, int numVar)
{
    if (numVar < 1 || numVar > 8 || function.size() != (size_t(1) << numVar))
        return std::nullopt;
    WeightValues byWeight(numVar + 1, 0);
    std::vector<bool> seen(numVar + 1, false);
    for (unsigned x = 0; x < function.size(); ++x) {
        const int w = std::popcount(x);
        if (!seen[w]) {
            seen[w] = true;
            byWeight[w] = function[x];
        } else if (byWeight[w] != function[x]) {
            return std::nullopt;
        }
    }
    return byWeight;
}

std::vector<WeightRun> WeightRuns(const WeightValues &byWeight)
{
    std::vector<WeightRun> runs;
    const int n = NumVarOf(byWeight);
    for (int w = 0; w <= n;) {
        if (byWeight[w] == 0) {
            ++w;
            continue;
        }
        WeightRun run{w, w};
        bool one = false;
        for (; w <= n && byWeight[w] != 0; ++w) {
            run.high = w;
            one = one || byWeight[w] == 1;
        }
        if (one)
            runs.push_back(run);
    }
    return runs;
}

CoverProblem RunCoverProblem(const WeightValues &byWeight, WeightRun run)
{
    const int n = NumVarOf(byWeight);
    const unsigned all = (1u << n) - 1;
    const int ones = run.low, zeros = n - run.high;
    CoverProblem p;
    p.numVar = n;
    p.function.assign(size_t(1) << n, 0);
    for (unsigned x = 0; x <= all; ++x) {
        const int w = std::popcount(x);
        if (w >= run.low && w <= run.high) {
            p.function[x] = byWeight[w];
            if (byWeight[w] == 1)
                p.rows.set(static_cast<int>(x));
        }
    }
    for (unsigned up = 0; up <= all; ++up) {
        if (std::popcount(up) != ones)
            continue;
        for (unsigned down = 0; down <= all; ++down) {
            if ((down & up) || std::popcount(down) != zeros)
                continue;
            const unsigned dashes = all & ~(up | down);
            RowSet covers;
            // Every row of the cube: the dashes' bits in every way.
            for (unsigned free = dashes;; free = (free - 1) & dashes) {
                if (p.rows.test(static_cast<int>(up | free)))
                    covers.set(static_cast<int>(up | free));
                if (free == 0)
                    break;
            }
            p.columns.push_back(covers);
            p.literals.push_back(ones + zeros);
            p.cubes.emplace_back(static_cast<uint16_t>(up), static_cast<uint16_t>(dashes));
        }
    }
    return p;
}

namespace {

using Clock = std::chrono::steady_clock;

// What is left of the time to `deadline`, at least a millisecond.
std::chrono::milliseconds Left(Clock::time_point deadline)
{
    return std::max(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()),
                    std::chrono::milliseconds(1));
}

std::optional<int> Minimum(const WeightValues &byWeight, WeightRun run, Clock::time_point deadline);
CoverSolution Solve(CoverProblem p, const WeightValues &byWeight, WeightRun run, Clock::time_point deadline,
                    long nodeLimit);

std::string KeyOf(const WeightValues &byWeight, WeightRun run)
{
    std::string key(1, static_cast<char>(run.low));
    key += static_cast<char>(run.high);
    for (uint8_t v : byWeight)
        key += static_cast<char>('0' + v);
    return key;
}

// The terms of a cover of a smaller function's run found by a short search,
// and whether that search proved it fewest. Remembered, for all threads.
std::optional<std::pair<int, bool>> QuickCover(const WeightValues &byWeight, WeightRun run, Clock::time_point deadline)
{
    static std::mutex guard;
    static std::map<std::string, std::pair<int, bool>> known;
    const std::string key = KeyOf(byWeight, run);
    {
        const std::lock_guard<std::mutex> lock(guard);
        if (auto it = known.find(key); it != known.end())
            return it->second;
    }
    const bool shortOfTime = Left(deadline) < kSmallerBudget;
    const CoverSolution quick = QuickSearch(RunCoverProblem(byWeight, run), std::min(kSmallerBudget, Left(deadline)), 0);
    if (!quick.found)
        return std::nullopt;
    const std::pair<int, bool> found{quick.cost.columns, quick.proven};
    if (quick.proven || !shortOfTime) {
        const std::lock_guard<std::mutex> lock(guard);
        known.emplace(key, found);
    }
    return found;
}

// The floor, within the caller's time: a smaller minimum not found by
// `deadline` adds nothing to it.
int Floor(const WeightValues &byWeight, WeightRun run, int target, Clock::time_point deadline)
{
    const int n = NumVarOf(byWeight);
    const int ones = run.low, zeros = n - run.high, dashes = run.high - run.low;
    // Each fixing's smaller function, with a cover of it found by a short
    // search: the most that fixing can lift the floor to.
    struct Fixing {
        WeightValues smaller;
        WeightRun run;
        long fixings, meets;
        int cover;
        bool proven;
        long most;
    };
    std::vector<Fixing> fixings;
    for (int i = 0; i <= kMostFixed; ++i) {
        for (int j = 0; i + j <= kMostFixed; ++j) {
            if (i + j == 0 || i + j >= n)
                continue;
            Fixing f;
            f.smaller = Fixed(byWeight, run, i, j);
            const std::vector<WeightRun> runs = WeightRuns(f.smaller);
            if (runs.empty())
                continue;
            f.run = runs.front(); // fixing keeps one run at most
            // The fixings a term meets: its 1s may be among the i, its 0s
            // among the j, its dashes among either.
            f.meets = 0;
            for (int k = 0; k <= i; ++k)
                f.meets += Binomial(ones, k) * Binomial(dashes, i - k) * Binomial(zeros + dashes - (i - k), j);
            f.fixings = Binomial(n, i) * Binomial(n - i, j);
            if (f.meets == 0)
                continue;
            if (f.run.low == f.run.high) { // single rows, a term each
                f.cover = static_cast<int>(Binomial(NumVarOf(f.smaller), f.run.low));
                f.proven = true;
            } else {
                const std::optional<std::pair<int, bool>> quick = QuickCover(f.smaller, f.run, deadline);
                if (!quick)
                    continue;
                f.cover = quick->first;
                f.proven = quick->second;
            }
            f.most = (f.fixings * f.cover + f.meets - 1) / f.meets;
            fixings.push_back(std::move(f));
        }
    }
    // The most promising first; a fixing that cannot lift the floor needs
    // no smaller minimum.
    std::stable_sort(fixings.begin(), fixings.end(), [](const Fixing &a, const Fixing &b) { return a.most > b.most; });
    long floor = 1;
    for (const Fixing &f : fixings) {
        if (f.most <= floor || (target > 0 && floor >= target))
            break;
        std::optional<int> minimum;
        if (f.proven)
            minimum = f.cover;
        else
            minimum = Minimum(f.smaller, f.run, deadline);
        if (minimum)
            floor = std::max(floor, (f.fixings * *minimum + f.meets - 1) / f.meets);
    }
    return static_cast<int>(floor);
}

std::optional<int> Minimum(const WeightValues &byWeight, WeightRun run, Clock::time_point deadline)
{
    const int n = NumVarOf(byWeight);
    if (run.low == run.high) // single rows: each needs a term of its own
        return byWeight[run.low] == 1 ? static_cast<int>(Binomial(n, run.low)) : 0;
    const std::string key = KeyOf(byWeight, run);
    static std::mutex guard;
    static std::map<std::string, std::optional<int>> known;
    {
        const std::lock_guard<std::mutex> lock(guard);
        if (auto it = known.find(key); it != known.end())
            return it->second;
    }
    // Found outside the lock: the search below asks for smaller functions.
    const bool shortOfTime = Left(deadline) < kSmallerBudget;
    const CoverSolution s = Solve(RunCoverProblem(byWeight, run), byWeight, run,
                                  std::min(deadline, Clock::now() + kSmallerBudget), kSmallerNodes);
    std::optional<int> minimum;
    if (s.found && s.proven)
        minimum = s.cost.columns;
    // A search the caller's clock cut short says nothing lasting.
    if (minimum || !shortOfTime) {
        const std::lock_guard<std::mutex> lock(guard);
        known.emplace(key, minimum);
    }
    return minimum;
}

// `p` is the run's own problem, RunCoverProblem(byWeight, run).
CoverSolution Solve(CoverProblem p, const WeightValues &byWeight, WeightRun run, Clock::time_point deadline,
                    long nodeLimit)
{
    // The floor first: the smaller functions it needs are remembered, and a
    // search that knows it stops as soon as a cover meets it.
    p.fewestColumns = Floor(byWeight, run, 0, deadline);
    return SolveMinimumCover(p, CoverCost{kMaxRows + 1, 0}, Left(deadline), nodeLimit);
}

// Far enough that only node limits stop a search.
Clock::time_point NoDeadline() { return Clock::now() + std::chrono::hours(24 * 365); }

} // namespace

int RunTermFloor(const WeightValues &byWeight, WeightRun run, int target)
{
    return Floor(byWeight, run, target, NoDeadline());
}

std::optional<int> RunMinimum(const WeightValues &byWeight, WeightRun run)
{
    return Minimum(byWeight, run, NoDeadline());
}

CoverSolution SolveRun(const WeightValues &byWeight, WeightRun run, std::chrono::milliseconds budget, long nodeLimit)
{
    return Solve(RunCoverProblem(byWeight, run), byWeight, run, Clock::now() + budget, nodeLimit);
}

namespace {

// The table's cover, one run at a time; nothing when the table is not the
// runs' own (its function is not of this kind, or its rows or columns differ).
std::optional<CoverSolution> SolveByRuns(const CoverProblem &problem, Clock::time_point deadline, long nodeLimit)
{
    const std::optional<WeightValues> byWeight = ValuesByWeight(problem.function, problem.numVar);
    if (!byWeight || problem.cubes.size() != problem.columns.size())
        return std::nullopt;
    std::vector<std::pair<WeightRun, CoverProblem>> runs;
    RowSet rows;
    for (const WeightRun &run : WeightRuns(*byWeight)) {
        if (run.low == run.high) // single rows, which the table leaves out
            continue;
        runs.emplace_back(run, RunCoverProblem(*byWeight, run));
        rows |= runs.back().second.rows;
    }
    if (!(rows == problem.rows))
        return std::nullopt;
    std::map<std::pair<uint16_t, uint16_t>, int> columnOf;
    for (size_t c = 0; c < problem.cubes.size(); ++c)
        columnOf.emplace(problem.cubes[c], static_cast<int>(c));
    CoverSolution whole;
    whole.found = whole.proven = true;
    for (const auto &[run, own] : runs) {
        const CoverSolution part = Solve(own, *byWeight, run, deadline, nodeLimit);
        if (!part.found)
            return std::nullopt;
        for (int c : part.columns) {
            const auto it = columnOf.find(own.cubes[c]);
            if (it == columnOf.end() || !(problem.columns[it->second] == own.columns[c]))
                return std::nullopt;
            whole.columns.push_back(it->second);
        }
        whole.proven = whole.proven && part.proven;
        whole.cost.columns += part.cost.columns;
        whole.cost.literals += part.cost.literals;
        whole.nodes += part.nodes;
        whole.threads = std::max(whole.threads, part.threads);
    }
    return whole;
}

} // namespace

CoverSolution SolveFunctionCover(const CoverProblem &problem, CoverCost bound, std::chrono::milliseconds budget,
                                 long nodeLimit)
{
    const Clock::time_point deadline = Clock::now() + budget;
    std::optional<CoverSolution> byRuns = SolveByRuns(problem, deadline, nodeLimit);
    // Whatever the runs did not settle has only the time they left.
    if (!byRuns)
        return SolveMinimumCover(problem, bound, Left(deadline), nodeLimit);
    if (!(byRuns->cost < bound)) { // nothing better than the bound: none to show
        byRuns->found = false;
        byRuns->columns.clear();
        byRuns->cost = {};
    }
    return *byRuns;
}

} // namespace quintora
