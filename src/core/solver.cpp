#include "solver.h"

#include "GrayBin.h"
#include "exactcover.h"
#include "symmetric.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

// The vector helpers below never cross a library boundary.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace quintora {

// ---------------------------------------------------------------- patterns

QString PatternText(Pattern p, int numVar)
{
    QString text(numVar, QLatin1Char('0'));
    for (int i = 0; i < numVar; ++i) {
        const int bit = numVar - 1 - i;
        if ((p.dashes >> bit) & 1)
            text[i] = QLatin1Char('-');
        else if ((p.ones >> bit) & 1)
            text[i] = QLatin1Char('1');
    }
    return text;
}

Pattern PatternOfText(const QString &text)
{
    Pattern p;
    const int n = static_cast<int>(std::min<qsizetype>(text.size(), 16));
    for (int i = 0; i < n; ++i) {
        const uint16_t bit = static_cast<uint16_t>(1u << (n - 1 - i));
        if (text.at(i) == QLatin1Char('1'))
            p.ones |= bit;
        else if (text.at(i) != QLatin1Char('0'))
            p.dashes |= bit;
    }
    return p;
}

int LiteralCount(Pattern p, int numVar)
{
    return numVar - std::popcount(static_cast<unsigned>(p.dashes));
}

int LiteralCount(const std::vector<Pattern> &terms, int numVar)
{
    int total = 0;
    for (Pattern p : terms)
        total += LiteralCount(p, numVar);
    return total;
}

// ---------------------------------------------------------------- random source

uint32_t LcgRandom::Draw(uint32_t n)
{
    m_seed = m_seed * 134775813u + 1u;
    return static_cast<uint32_t>((static_cast<uint64_t>(m_seed) * n) >> 32);
}

void ClockRandom::Reseed()
{
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch();
    m_seed = static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(ticks).count());
}

// ---------------------------------------------------------------- prime implicants

bool TermCovers(int minterm, Pattern p)
{
    if (p.IsRemoved())
        return false;
    return (static_cast<unsigned>(minterm) & ~static_cast<unsigned>(p.dashes)) == p.ones;
}

bool TermCovers(int minterm, const QString &pattern, int numVar)
{
    if (pattern.size() != numVar)
        return false;
    const QString bits = IntToBin(minterm, numVar);
    for (int i = 0; i < numVar; ++i) {
        const QChar c = pattern.at(i);
        if ((c == QLatin1Char('0') || c == QLatin1Char('1')) && c != bits.at(i))
            return false;
    }
    return true;
}

std::optional<Pattern> CombineTerms(Pattern a, Pattern b)
{
    if (a.IsRemoved() || b.IsRemoved() || a.dashes != b.dashes)
        return std::nullopt;
    const uint16_t diff = a.ones ^ b.ones;
    if (std::popcount(static_cast<unsigned>(diff)) != 1)
        return std::nullopt;
    return Pattern{static_cast<uint16_t>(a.ones & ~diff), static_cast<uint16_t>(a.dashes | diff)};
}

void ReadRows(SolverState &s, const RowValues &values)
{
    s.Minterms.clear();
    for (auto &level : s.Levels)
        level.clear();
    const int rows = std::min<int>(RowCount(s.NumVar), static_cast<int>(values.size()));
    for (int r = 0; r < rows; ++r) {
        if (values[r] == ValueZero)
            continue;
        const int value = values[r] == ValueOne ? 1 : 2;
        s.Minterms.push_back(MintermRec{r, value, 0});
        s.Levels[0].push_back(Pattern{static_cast<uint16_t>(r), 0});
    }
}

namespace {

// Patterns of 8 variables fit a 16-bit key: dashes in the high byte.
inline unsigned KeyOf(Pattern p) { return (static_cast<unsigned>(p.dashes) << 8) | p.ones; }
constexpr unsigned kKeySpace = 1u << 16;

} // namespace

void MergeLevel(SolverState &s, int k)
{
    const std::vector<Pattern> &level = s.Levels[k];
    std::vector<Pattern> next;
    if (level.size() >= 2) {
        // Position of every pattern of the level, so that each entry finds its
        // partners (same dashes, one bit apart) without trying every pair.
        std::vector<int> positionOf(kKeySpace, -1);
        for (int i = 0; i < static_cast<int>(level.size()); ++i)
            positionOf[KeyOf(level[i])] = i;
        std::vector<bool> produced(kKeySpace, false);
        const unsigned varMask = (1u << s.NumVar) - 1;
        int partners[8];
        for (int i = 0; i < static_cast<int>(level.size()); ++i) {
            const Pattern p = level[i];
            int count = 0;
            for (unsigned care = varMask & ~p.dashes; care; care &= care - 1) {
                const unsigned bit = care & (0u - care);
                const int j = positionOf[KeyOf(Pattern{static_cast<uint16_t>(p.ones ^ bit), p.dashes})];
                if (j > i)
                    partners[count++] = j;
            }
            // Pairs are tried in ascending j, and the first production of a pattern stays.
            for (int a = 1; a < count; ++a) // at most 8 entries
                for (int b = a; b > 0 && partners[b - 1] > partners[b]; --b)
                    std::swap(partners[b - 1], partners[b]);
            for (int n = 0; n < count; ++n) {
                const Pattern merged = *CombineTerms(p, level[partners[n]]);
                const unsigned key = KeyOf(merged);
                if (!produced[key]) {
                    produced[key] = true;
                    next.push_back(merged);
                }
            }
        }
    }
    s.Levels[k + 1] = std::move(next);
}

void MarkIfCovered(Pattern higher, Pattern &lower)
{
    if (higher.IsRemoved() || lower.IsRemoved())
        return;
    // Every position where `higher` has a digit must hold the same digit in `lower`.
    if ((lower.dashes & ~higher.dashes) == 0 && ((lower.ones ^ higher.ones) & ~higher.dashes) == 0)
        lower = Pattern::Removed();
}

void MarkCoveredImplicants(SolverState &s)
{
    // An entry lies inside some higher implicant exactly when one of its
    // one-dash widenings is on the next level, since the merges produce every
    // implicant. Widenings are looked up before that next level is marked.
    const unsigned varMask = (1u << s.NumVar) - 1;
    std::vector<bool> onNext(kKeySpace, false);
    for (int l = 0; l + 1 < kLevelCount; ++l) {
        std::vector<Pattern> &level = s.Levels[l];
        const std::vector<Pattern> &next = s.Levels[l + 1];
        if (level.empty() || next.empty())
            continue;
        for (Pattern h : next)
            onNext[KeyOf(h)] = true;
        for (Pattern &e : level) {
            for (unsigned care = varMask & ~e.dashes; care && !e.IsRemoved(); care &= care - 1) {
                const unsigned bit = care & (0u - care);
                const Pattern widened{static_cast<uint16_t>(e.ones & ~bit), static_cast<uint16_t>(e.dashes | bit)};
                if (onNext[KeyOf(widened)])
                    MarkIfCovered(widened, e);
            }
        }
        for (Pattern h : next)
            onNext[KeyOf(h)] = false;
    }
}

void CompactLevels(SolverState &s)
{
    for (auto &level : s.Levels)
        std::erase_if(level, [](Pattern p) { return p.IsRemoved(); });
}

void BuildPrimeImplicants(SolverState &s, const RowValues &values)
{
    ReadRows(s, values);
    for (int k = 0; k + 1 < kLevelCount; ++k)
        MergeLevel(s, k);
    MarkCoveredImplicants(s);
    CompactLevels(s);
}

int TopLevel(const SolverState &s)
{
    for (int k = kLevelCount - 1; k > 0; --k)
        if (!s.Levels[k].empty())
            return k;
    return 0;
}

// ---------------------------------------------------------------- cover search

namespace {

RowSet RowsOf(Pattern p)
{
    RowSet rows;
    // Every subset of the dash bits added to the fixed bits is one covered row.
    const unsigned dashes = p.dashes;
    unsigned sub = 0;
    do {
        rows.set(p.ones | sub);
        sub = (sub - dashes) & dashes;
    } while (sub != 0);
    return rows;
}

// The candidates of one Solve, fixed across trials: levels 1 to top, in level
// order, without those that cover no row holding 1 (a count never rises, and a
// zero count is never drawn, so they can take no part).
struct CandidateTable {
    struct Candidate {
        int level;
        int position; // in its level of Levels
        Pattern pattern;
        RowSet cover; // rows holding 1 that it covers
        int literals;
    };
    std::vector<Candidate> candidates; // in level order; the index is the id
    std::vector<uint8_t> literals;     // by id, apart: the trials read it at every pick
    int top = 0;
    RowSet ones;
    std::array<int, kLevelCount> levelBegin{}, levelEnd{};
    std::vector<int> rowStart;      // rows holding 1 -> the ids covering them,
    std::vector<uint16_t> rowIds;   // as compressed lists
    std::vector<int> idStart;       // ids -> the rows holding 1 they cover,
    std::vector<uint8_t> idRows;    // as compressed lists

    explicit CandidateTable(const SolverState &s)
    {
        top = TopLevel(s);
        for (const MintermRec &m : s.Minterms)
            if (m.Value == 1)
                ones.set(m.Index);
        for (int k = 1; k <= top; ++k) {
            levelBegin[k] = static_cast<int>(candidates.size());
            for (int pos = 0; pos < static_cast<int>(s.Levels[k].size()); ++pos) {
                const Pattern p = s.Levels[k][pos];
                const RowSet cover = RowsOf(p) & ones;
                if (cover.any())
                    candidates.push_back({k, pos, p, cover, LiteralCount(p, s.NumVar)});
            }
            levelEnd[k] = static_cast<int>(candidates.size());
        }
        rowStart.assign(kMaxRows + 1, 0);
        for (const Candidate &c : candidates)
            c.cover.forEach([&](int r) { ++rowStart[r + 1]; });
        for (int r = 0; r < kMaxRows; ++r)
            rowStart[r + 1] += rowStart[r];
        rowIds.assign(rowStart[kMaxRows], 0);
        std::vector<int> fill(rowStart.begin(), rowStart.end() - 1);
        for (size_t id = 0; id < candidates.size(); ++id)
            candidates[id].cover.forEach([&](int r) { rowIds[fill[r]++] = static_cast<uint16_t>(id); });
        idStart.push_back(0);
        for (const Candidate &c : candidates) {
            literals.push_back(static_cast<uint8_t>(c.literals));
            c.cover.forEach([&](int r) { idRows.push_back(static_cast<uint8_t>(r)); });
            idStart.push_back(static_cast<int>(idRows.size()));
        }
    }
};

// Counting and finding the counts equal to a value, 32 bytes at a time, with
// the compiler's generic vectors (SSE2 everywhere, AVX2 in the copy built for it).
template <typename CountT>
struct CountLanes {
    static constexpr int kPerBlock = 32 / static_cast<int>(sizeof(CountT));
    typedef CountT Block __attribute__((vector_size(32)));
    static constexpr int kBits = 8 * static_cast<int>(sizeof(CountT));
    // One at the bottom of every lane of a 64-bit word.
    static constexpr uint64_t kLaneOnes = sizeof(CountT) == 1 ? 0x0101010101010101ull : 0x0001000100010001ull;

    typedef uint64_t Words __attribute__((vector_size(32)));

    static Block Load(const CountT *counts)
    {
        Block block;
        std::memcpy(&block, counts, sizeof block);
        return block;
    }

    // 1 in every lane equal to c, else 0.
    static Block Ties(const CountT *counts, CountT c) { return (Load(counts) == c) & 1; }

    // Adds up the lanes; their total must fit one lane.
    static uint32_t SumLanes(Block lanes)
    {
        const Words w = reinterpret_cast<Words>(lanes);
        const uint64_t sum = w[0] + w[1] + w[2] + w[3];
        return static_cast<uint32_t>((sum * kLaneOnes) >> (64 - kBits));
    }

    // The first `lanes` lanes set to all ones, the others zero.
    static Block LeadingLanes(int lanes)
    {
        Block mask{};
        for (int i = 0; i < lanes; ++i)
            mask[i] = -1;
        return mask;
    }

    // Ties in a few consecutive blocks, as long as their total fits SumLanes.
    static uint32_t TiesInBlocks(const CountT *counts, CountT c, int blocks)
    {
        Block sum = Ties(counts, c);
        for (int b = 1; b < blocks; ++b)
            sum += Ties(counts + b * kPerBlock, c);
        return SumLanes(sum);
    }

    // The lane of the (q+1)-th tie; the block must hold more than q ties.
    // Without branches, which a random q would mispredict: every lane gets the
    // number of ties up to it, and the lanes where that is at most q are the
    // lanes before the one sought.
    static int NthTie(Block ties, uint32_t q)
    {
        constexpr uint64_t kHigh = kLaneOnes << (kBits - 1);
        const uint64_t atMostQ = ((uint64_t{1} << (kBits - 1)) + q) * kLaneOnes;
        const Words w = reinterpret_cast<Words>(ties);
        uint64_t before = 0;
        int lane = 0;
        for (int i = 0; i < 4; ++i) {
            const uint64_t upTo = w[i] * kLaneOnes; // running sums within the word
            lane += std::popcount((atMostQ - (upTo + before * kLaneOnes)) & kHigh);
            before += upTo >> (64 - kBits);
        }
        return lane;
    }
};

// One trial's working state: a count per candidate, kept current as rows get
// covered. A chosen candidate's own count falls to zero with its rows, which
// takes it out of every later draw. Counts are narrow integers scanned in
// fixed-length blocks, which the compiler turns into vector instructions.
template <typename CountT>
class TrialState {
public:
    explicit TrialState(const CandidateTable &table) : m_table(table)
    {
        m_pending = table.ones;
        for (const auto &c : table.candidates)
            m_initialCounts.push_back(static_cast<CountT>(CountCovered(c.cover, false)));
        // A level's last block is read whole and its lanes past the level
        // masked off; past the last level it reads these zeros.
        m_initialCounts.resize(m_initialCounts.size() + Lanes::kPerBlock, 0);
        m_counts = m_initialCounts;
        for (int k = 1; k <= table.top; ++k) {
            for (int id = table.levelBegin[k]; id < table.levelEnd[k]; ++id)
                m_initialMax[k] = std::max<int>(m_initialMax[k], m_initialCounts[id]);
            m_tailMask[k] = Lanes::LeadingLanes((table.levelEnd[k] - table.levelBegin[k]) % Lanes::kPerBlock);
            m_groupTies[k].assign((table.levelEnd[k] - table.levelBegin[k]) / kGroup + 1, 0);
        }
    }

    void Start()
    {
        m_pending = m_table.ones;
        m_counts = m_initialCounts;
        m_levelMax = m_initialMax;
    }

    int CountCovered(const RowSet &cover, bool pendingOnly) const
    {
        return pendingOnly ? (cover & m_pending).count() : cover.count();
    }

    // The highest count M, and the highest level L holding it. A level's
    // highest count never rises within a trial, so it is only ever lowered.
    void FindBestCount(int &level, int &count)
    {
        count = 0;
        level = 0;
        for (int k = m_table.top; k >= 1; --k) {
            if (m_levelMax[k] <= count) // a lower level must beat it outright
                continue;
            int tied = 0;
            while (m_levelMax[k] > 0 && (tied = CountEqual(k, m_levelMax[k])) == 0)
                --m_levelMax[k];
            if (m_levelMax[k] > count) {
                count = m_levelMax[k];
                level = k;
                m_tied = tied;
            }
        }
    }

    static bool AllCountsZero(int bestCount) { return bestCount == 0; }

    // Counted by FindBestCount for the level and count it returned.
    int TiedCandidates(int, int) const { return m_tied; }

    // The id of the (q+1)-th tied candidate in level order: whole groups of
    // blocks are skipped by the tie counts FindBestCount left, then blocks by
    // their own, then the candidate is picked out of its block.
    int TiedCandidate(int level, int count, uint32_t q) const
    {
        const CountT *counts = m_counts.data();
        const CountT c = static_cast<CountT>(count);
        const uint16_t *groupTies = m_groupTies[level].data();
        int group = 0;
        for (; q >= groupTies[group]; ++group)
            q -= groupTies[group];
        int id = m_table.levelBegin[level] + group * kGroup;
        // A tail block's lanes past the level come after all of its own, and
        // q counts only ties of the level: they need no mask here.
        for (;; id += Lanes::kPerBlock) {
            const typename Lanes::Block ties = Lanes::Ties(counts + id, c);
            const uint32_t n = Lanes::SumLanes(ties);
            if (q < n)
                return id + Lanes::NthTie(ties, q);
            q -= n;
        }
    }

    void MarkMintermsCovered(int id)
    {
        CountT *counts = m_counts.data();
        const uint16_t *ids = m_table.rowIds.data();
        const int *rowStart = m_table.rowStart.data();
        const uint8_t *rows = m_table.idRows.data();
        // The candidate's rows from a list: steadier branches than walking the
        // bits of a row set.
        for (int k = m_table.idStart[id], kEnd = m_table.idStart[id + 1]; k < kEnd; ++k) {
            const int r = rows[k];
            if (!m_pending.test(r))
                continue;
            m_pending.reset(r);
            // Local bounds: a store through a byte pointer may alias anything.
            const int begin = rowStart[r], end = rowStart[r + 1];
            for (int i = begin; i < end; ++i)
                --counts[ids[i]];
        }
    }

private:
    using Lanes = CountLanes<CountT>;

    // Blocks are counted in groups of four, whose totals still fit a lane;
    // the last group takes the remaining blocks and the masked tail.
    static constexpr int kGroup = 4 * Lanes::kPerBlock;

    // Also leaves each group's ties for TiedCandidate.
    int CountEqual(int level, int count)
    {
        const CountT c = static_cast<CountT>(count);
        const CountT *counts = m_counts.data() + m_table.levelBegin[level];
        const int full = (m_table.levelEnd[level] - m_table.levelBegin[level]) / Lanes::kPerBlock;
        uint16_t *groupTies = m_groupTies[level].data();
        uint32_t total = 0;
        int block = 0;
        for (; block + 4 <= full; block += 4) {
            const uint32_t n = Lanes::TiesInBlocks(counts + block * Lanes::kPerBlock, c, 4);
            *groupTies++ = static_cast<uint16_t>(n);
            total += n;
        }
        typename Lanes::Block sum = Lanes::Ties(counts + full * Lanes::kPerBlock, c) & m_tailMask[level];
        for (; block < full; ++block)
            sum += Lanes::Ties(counts + block * Lanes::kPerBlock, c);
        const uint32_t n = Lanes::SumLanes(sum);
        *groupTies = static_cast<uint16_t>(n);
        return static_cast<int>(total + n);
    }

    const CandidateTable &m_table;
    std::vector<CountT> m_initialCounts, m_counts;
    std::array<int, kLevelCount> m_initialMax{}, m_levelMax{};
    std::array<typename Lanes::Block, kLevelCount> m_tailMask{};
    std::array<std::vector<uint16_t>, kLevelCount> m_groupTies;
    int m_tied = 0;
    RowSet m_pending;
};

// The trials dominate a Solve and scan counts throughout: let the compiler use
// the processor's vector and bit-count instructions where it has them.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__) \
    && !defined(__SANITIZE_THREAD__)
#define QUINTORA_HOT __attribute__((target_clones("avx2", "popcnt", "default")))
#else
#define QUINTORA_HOT
#endif

// Inlined into each processor-specific copy below.
template <typename CountT>
[[gnu::always_inline]] inline void RunTrials(SolverState &s, const CandidateTable &table, RandomSource &random,
                                             const ProgressFn &progress, int trials)
{
    TrialState<CountT> trial(table);
    std::vector<int> trialTerms;
    int bestLiterals = 0;
    s.BestTerms.clear();
    s.BestTermCount = kNoBestTermCount;
    s.TrialsDone = 0;
    while (s.TrialsDone < trials) {
        trial.Start();
        trialTerms.clear();
        int literals = 0;
        for (;;) {
            int level = 0, count = 0;
            trial.FindBestCount(level, count);
            if (trial.AllCountsZero(count))
                break;
            random.Reseed();
            const int tied = trial.TiedCandidates(level, count);
            const int chosen = trial.TiedCandidate(level, count, random.Draw(static_cast<uint32_t>(tied)));
            trialTerms.push_back(chosen);
            literals += table.literals[chosen];
            trial.MarkMintermsCovered(chosen);
        }
        const int termCount = static_cast<int>(trialTerms.size());
        bool countChanged = false;
        if (termCount < s.BestTermCount || (termCount == s.BestTermCount && literals < bestLiterals)) {
            countChanged = termCount < s.BestTermCount;
            s.BestTermCount = termCount;
            bestLiterals = literals;
            s.BestTerms.clear();
            for (int id : trialTerms)
                s.BestTerms.push_back(table.candidates[id].pattern);
        }
        ++s.TrialsDone;
        if (progress)
            progress(SearchProgress{s.BestTermCount, s.TrialsDone, countChanged});
    }
}

// Counts up to 127 fit a byte, which doubles what one vector instruction scans.
QUINTORA_HOT void RunTrialsNarrow(SolverState &s, const CandidateTable &t, RandomSource &r, const ProgressFn &p,
                                  int trials)
{
    RunTrials<int8_t>(s, t, r, p, trials);
}

QUINTORA_HOT void RunTrialsWide(SolverState &s, const CandidateTable &t, RandomSource &r, const ProgressFn &p,
                                int trials)
{
    RunTrials<int16_t>(s, t, r, p, trials);
}

} // namespace

void CoverSearch(SolverState &s, RandomSource &random, const ProgressFn &progress, int trialLimit)
{
    const int trials = trialLimit > 0 ? std::min(trialLimit, TrialCount(s.NumVar)) : TrialCount(s.NumVar);
    const CandidateTable table(s);
    int maxCount = 0;
    for (const auto &c : table.candidates)
        maxCount = std::max(maxCount, c.cover.count());
    if (maxCount <= 127)
        RunTrialsNarrow(s, table, random, progress, trials);
    else
        RunTrialsWide(s, table, random, progress, trials);
}

CoverProblem ExactCoverProblem(const SolverState &s)
{
    const CandidateTable table(s);
    CoverProblem problem;
    problem.numVar = s.NumVar;
    problem.function.assign(size_t(1) << s.NumVar, 0);
    for (const MintermRec &m : s.Minterms)
        problem.function[m.Index] = static_cast<uint8_t>(m.Value);
    for (const auto &c : table.candidates) {
        problem.columns.push_back(c.cover);
        problem.literals.push_back(c.literals);
        problem.rows |= c.cover;
        problem.cubes.emplace_back(c.pattern.ones, c.pattern.dashes);
    }
    return problem;
}

// What the search's thread needs, copied out of the state before it starts, so
// that the trials can change the state meanwhile.
struct ExactCoverTask::Work {
    std::vector<Pattern> patterns;        // by candidate id
    std::vector<std::pair<int, int>> order; // level and position, by candidate id
    CoverProblem problem;
    std::chrono::milliseconds budget{};
    long nodeLimit = 0;
    CoverSolution solution;
};

ExactCoverTask::ExactCoverTask(const SolverState &s, std::chrono::milliseconds budget, long nodeLimit)
    : m_work(std::make_unique<Work>())
{
    const CandidateTable table(s);
    Work &w = *m_work;
    w.budget = budget;
    w.nodeLimit = nodeLimit;
    for (const auto &c : table.candidates) {
        w.patterns.push_back(c.pattern);
        w.order.emplace_back(c.level, c.position);
    }
    w.problem = ExactCoverProblem(s);
    if (w.patterns.empty()) {
        w.solution.proven = true;
        return;
    }
    // No bound from the trials: the search must not depend on them, or it would
    // have to wait for them, and its cover would change with their timing.
    m_thread = std::thread([&w] {
        try {
            w.solution = SolveFunctionCover(w.problem, CoverCost{kNoBestTermCount, 0}, w.budget, w.nodeLimit);
        } catch (...) { // out of memory: the trials' cover stands, unproven
            w.solution = CoverSolution{};
        }
    });
}

ExactCoverTask::~ExactCoverTask()
{
    if (m_thread.joinable())
        m_thread.join();
}

ExactResult ExactCoverTask::Finish(SolverState &s, const ProgressFn &progress)
{
    if (m_thread.joinable())
        m_thread.join();
    const Work &w = *m_work;
    ExactResult result;
    result.proven = w.solution.proven;
    const CoverCost trials{s.BestTermCount, LiteralCount(s.BestTerms, s.NumVar)};
    if (!w.solution.found || !(w.solution.cost < trials))
        return result;
    std::vector<int> chosen = w.solution.columns;
    // Largest implicants first, each level in its own order.
    std::sort(chosen.begin(), chosen.end(), [&](int a, int b) {
        const auto &[la, pa] = w.order[a];
        const auto &[lb, pb] = w.order[b];
        return la != lb ? la > lb : pa < pb;
    });
    s.BestTerms.clear();
    for (int id : chosen)
        s.BestTerms.push_back(w.patterns[id]);
    s.BestTermCount = static_cast<int>(s.BestTerms.size());
    result.improved = true;
    if (progress)
        progress(SearchProgress{s.BestTermCount, s.TrialsDone, true});
    return result;
}

ExactResult ExactCover(SolverState &s, const ProgressFn &progress, std::chrono::milliseconds budget, long nodeLimit)
{
    return ExactCoverTask(s, budget, nodeLimit).Finish(s, progress);
}

void AddIsolatedRows(SolverState &s, const RowValues &values, const ProgressFn &progress)
{
    for (Pattern p : s.Levels[0]) {
        const int row = p.ones;
        if (row < static_cast<int>(values.size()) && values[row] == ValueOne) {
            s.BestTerms.push_back(p);
            ++s.BestTermCount;
        }
    }
    if (progress)
        progress(SearchProgress{s.BestTermCount, s.TrialsDone, true});
}

void ResetWorkingLists(SolverState &s)
{
    s.Minterms.clear();
    for (auto &level : s.Levels)
        level.clear();
}

SolveOutcome MinimalSum(const RowValues &values, int numVar, RandomSource &random, const ProgressFn &progress,
                        std::chrono::milliseconds exactBudget, long exactNodeLimit)
{
    SolverState s;
    s.NumVar = numVar;
    BuildPrimeImplicants(s, values);
    ExactCoverTask exact(s, exactBudget, exactNodeLimit);
    CoverSearch(s, random, progress);
    SolveOutcome outcome;
    outcome.exact = exact.Finish(s, progress);
    AddIsolatedRows(s, values, progress);
    outcome.terms = s.BestTerms;
    return outcome;
}

// ---------------------------------------------------------------- term notation

static const QChar kAnd(0x00B7);

QString MintermText(int m, int numVar, const VarNames &names)
{
    QStringList factors;
    for (int i = 0; i < numVar; ++i) {
        const bool set = (m >> (numVar - 1 - i)) & 1;
        factors << (set ? names[i] : QStringLiteral("|") + names[i]);
    }
    return factors.join(kAnd);
}

QString MaxtermText(int m, int numVar, const VarNames &names)
{
    QStringList factors;
    for (int i = 0; i < numVar; ++i) {
        const bool set = (m >> (numVar - 1 - i)) & 1;
        factors << (set ? QStringLiteral("|") + names[i] : names[i]);
    }
    return factors.join(QLatin1Char('+'));
}

QString ProductText(Pattern p, int numVar, const VarNames &names)
{
    QStringList factors;
    for (int i = 0; i < numVar; ++i) {
        const int bit = numVar - 1 - i;
        if ((p.dashes >> bit) & 1)
            continue;
        factors << (((p.ones >> bit) & 1) ? names[i] : QStringLiteral("|") + names[i]);
    }
    return factors.isEmpty() ? QStringLiteral("1") : factors.join(kAnd);
}

QString SumText(Pattern p, int numVar, const VarNames &names)
{
    QStringList literals;
    for (int i = 0; i < numVar; ++i) {
        const int bit = numVar - 1 - i;
        if ((p.dashes >> bit) & 1)
            continue;
        literals << (((p.ones >> bit) & 1) ? QStringLiteral("|") + names[i] : names[i]);
    }
    return literals.isEmpty() ? QStringLiteral("0") : literals.join(QLatin1Char('+'));
}

RowValues Complement(const RowValues &values)
{
    RowValues complement(values);
    for (uint8_t &v : complement)
        v = v == ValueOne ? uint8_t(ValueZero) : v == ValueZero ? uint8_t(ValueOne) : v;
    return complement;
}

void AddMinimalProduct(SolvedFunction &solved, RandomSource &random, std::chrono::milliseconds exactBudget,
                       long exactNodeLimit)
{
    solved.sums.clear();
    const RowValues complement = Complement(solved.values);
    if (std::find(complement.begin(), complement.end(), ValueOne) == complement.end()) {
        solved.sums.append({QStringLiteral("1"), QString()}); // no cell is 0
        solved.productProven = true;
        return;
    }
    const SolveOutcome outcome = MinimalSum(complement, solved.numVar, random, {}, exactBudget, exactNodeLimit);
    for (Pattern p : outcome.terms)
        solved.sums.append({SumText(p, solved.numVar, solved.names), PatternText(p, solved.numVar)});
    solved.productProven = outcome.exact.proven;
}

SolvedFunction DescribeSolution(const RowValues &values, int numVar, const VarNames &names,
                                const SolveOutcome &outcome)
{
    SolvedFunction f;
    f.numVar = numVar;
    f.names = names;
    f.values = values;
    f.proven = outcome.exact.proven;
    const int rows = std::min<int>(RowCount(numVar), static_cast<int>(values.size()));
    for (int r = 0; r < rows; ++r) {
        const QString row = PatternText(Pattern{static_cast<uint16_t>(r), 0}, numVar);
        if (values[r] == ValueOne)
            f.minterms.append({MintermText(r, numVar, names), row});
        else if (values[r] == ValueZero)
            f.maxterms.append({MaxtermText(r, numVar, names), row});
    }
    for (Pattern p : outcome.terms)
        f.karnaugh.append({ProductText(p, numVar, names), PatternText(p, numVar)});
    return f;
}

QString ValueText(uint8_t value)
{
    return value == ValueOne ? QStringLiteral("1") : value == ValueZero ? QStringLiteral("0") : QStringLiteral("X");
}

SolutionLists BuildSolutionLists(const RowValues &values, int numVar, const VarNames &names,
                                 const std::vector<Pattern> &bestTerms)
{
    const SolvedFunction f = DescribeSolution(values, numVar, names, SolveOutcome{bestTerms, {}});
    auto captions = [](const QList<SolvedTerm> &terms) {
        QStringList list;
        for (const SolvedTerm &t : terms)
            list << t.caption;
        return list;
    };
    return {captions(f.minterms), captions(f.maxterms), captions(f.karnaugh)};
}

} // namespace quintora
