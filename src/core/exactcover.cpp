#include "exactcover.h"

#include <Cbc_C_Interface.h>
#include <CglGomory.hpp>
#include <ClpDualRowDantzig.hpp>
#include <ClpSimplex.hpp>
#include <OsiClpSolverInterface.hpp>
#include <OsiCuts.hpp>

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <numeric>
#include <optional>
#include <random>
#include <system_error>
#include <thread>

namespace quintora {

namespace {

// One column outweighs every literal total a cover can reach (256 columns of 8
// literals at most), so one number ranks covers by columns, then literals.
constexpr long kColumnWeight = 4096;

// A bound's literals past any a cover can have rank like the most it can have.
long Key(CoverCost c) { return c.columns * kColumnWeight + std::min<long>(c.literals, kColumnWeight - 1); }
int KeyColumns(long key) { return static_cast<int>(key / kColumnWeight); }
int KeyLiterals(long key) { return static_cast<int>(key % kColumnWeight); }

// The column count's relaxation is solved exactly only where the subgradient
// steps' bound falls short of pruning by less than this many columns: further
// off, it seldom prunes and costs more than all the rest of the node.
constexpr double kExactWithin = 2.0;

// A search for the fewest columns that has not closed after this many nodes
// gets a floor from its root's relaxation cut down by Gomory's cuts (as does
// one about to hand over to CBC): on nearly symmetric tables, whose relaxation
// is often whole or half, that floor is often the best cover's and ends the
// search at once. Not for a function searched with its symmetries, whose
// relaxation the cuts do not lift. Up to this many rounds of cuts.
constexpr long kCutsAfter = 50;
constexpr int kCutRounds = 3;

// Only where the fractional values of the root's relaxation are few distinct
// ones (halves, thirds), as on nearly symmetric tables, where the cuts lift
// the floor. Where there are dozens of them, as on dense random tables, a
// round of cuts lifts the relaxation by a few tenths and costs as much as
// dozens of nodes. Tried: at most 6 on the nearly symmetric ones, 11 or more
// on the dense ones.
constexpr int kMostFractionsForCuts = 8;

// The distinct values strictly between 0 and 1.
int DistinctFractions(const std::vector<double> &values)
{
    std::vector<double> fractions;
    for (double v : values)
        if (v > 1e-6 && v < 1 - 1e-6)
            fractions.push_back(v);
    std::sort(fractions.begin(), fractions.end());
    int distinct = 0;
    for (size_t i = 0; i < fractions.size(); ++i)
        distinct += i == 0 || fractions[i] - fractions[i - 1] > 1e-6;
    return distinct;
}

// Steps of the local search for covers of fewer columns, over all the column
// counts it tries: most covers it finds take a few hundred.
constexpr long kLocalSteps = 3000;

// Its steps once more where the symmetric search has not closed the fewest
// columns, before CBC: some covers of nearly symmetric tables take tens of
// thousands.
constexpr long kLongLocalSteps = 100000;

// The most symmetries listed (eight variables permuted, all complemented, is 80640).
constexpr size_t kMostSymmetries = 100000;

// A function with many symmetries that its plain search has not closed in
// this many nodes is for the symmetric search: of the thousands of such
// functions tried, those that closed later closed in a few milliseconds.
constexpr long kManySymmetriesPlainNodes = 20;

// With fewer symmetries than this, a search that branches once per class of
// alike columns branches nearly as often as the plain one, and costs more a
// node: such a function is searched as one without any.
constexpr size_t kFewestSymmetries = 8;

// A symmetric search shared out between two threads splits into subtrees
// here, this many branchings down: on the slowest symmetric functions known,
// the first depth with hundreds of nodes.
constexpr int kSplitDepth = 4;

// Sums carry a little rounding; the margin keeps a bound valid.
int Ceil(double bound) { return static_cast<int>(std::ceil(bound - 1e-4)); }

// For every row, the set of columns (local indices) covering it.
class ColumnMatrix {
public:
    explicit ColumnMatrix(int columns = 0) : m_words((columns + 63) / 64), m_bits(size_t(kMaxRows) * m_words, 0) {}
    void set(int r, int c) { row(r)[c >> 6] |= uint64_t{1} << (c & 63); }
    uint64_t *row(int r) { return m_bits.data() + size_t(r) * m_words; }
    const uint64_t *row(int r) const { return m_bits.data() + size_t(r) * m_words; }
    int words() const { return m_words; }
    int first(int r) const
    {
        for (int i = 0; i < m_words; ++i)
            if (row(r)[i])
                return i * 64 + std::countr_zero(row(r)[i]);
        return -1;
    }
    bool isSubset(int a, int b) const // the columns of row a all cover row b
    {
        for (int i = 0; i < m_words; ++i)
            if (row(a)[i] & ~row(b)[i])
                return false;
        return true;
    }

private:
    int m_words;
    std::vector<uint64_t> m_bits;
};

// Row multipliers of a Lagrangian relaxation, handed from a node to its
// children as their starting point.
using Multipliers = std::array<double, kMaxRows>;
struct Relaxations {
    Multipliers count{};    // bounds the number of columns
    Multipliers literals{}; // bounds the literals of covers with a given number of columns
    double cardinality = 0; // the multiplier of that number
    bool literalsWarm = false;
    std::vector<uint8_t> countBasis, literalBasis; // the exact relaxations' bases, when solved
};

// A node's columns after its reductions, with their rows in lists both ways.
struct NodeData {
    RowSet rows;
    std::vector<int> columns;       // global indices
    std::vector<RowSet> covers;     // their rows among those left
    std::vector<int> colStart;      // column -> its rows,
    std::vector<uint8_t> colRows;   // as compressed lists
    std::vector<int> rowStart;      // row -> the columns covering it,
    std::vector<int> rowCols;       // as compressed lists
    std::vector<int> rowOrder;      // the rows, fewest columns first

    void Index()
    {
        const int n = static_cast<int>(columns.size());
        colStart.assign(n + 1, 0);
        colRows.clear();
        rowStart.assign(kMaxRows + 1, 0);
        for (int j = 0; j < n; ++j) {
            covers[j].forEach([&](int r) {
                colRows.push_back(static_cast<uint8_t>(r));
                ++rowStart[r + 1];
            });
            colStart[j + 1] = static_cast<int>(colRows.size());
        }
        for (int r = 0; r < kMaxRows; ++r)
            rowStart[r + 1] += rowStart[r];
        rowCols.assign(rowStart[kMaxRows], 0);
        std::vector<int> fill(rowStart.begin(), rowStart.end() - 1);
        for (int j = 0; j < n; ++j)
            for (int i = colStart[j]; i < colStart[j + 1]; ++i)
                rowCols[fill[colRows[i]]++] = j;
        // By their number of columns, rows of as many in their order: a
        // counting sort, as a node sorts them once and has few distinct counts.
        std::vector<int> first(n + 2, 0);
        rows.forEach([&](int r) { ++first[rowStart[r + 1] - rowStart[r] + 1]; });
        for (int k = 0; k <= n; ++k)
            first[k + 1] += first[k];
        rowOrder.assign(first[n + 1], 0);
        rows.forEach([&](int r) { rowOrder[first[rowStart[r + 1] - rowStart[r]]++] = r; });
    }
    int ColumnCount(int j) const { return colStart[j + 1] - colStart[j]; }
};

// What a node's parent left reduced: no column of its columns is dominated
// over its rows, and no row of its rows by another over its columns (global
// indices, ascending). A child's rows and columns are among them.
struct Settled {
    RowSet rows;
    std::vector<int> columns;
};

// Columns as the solvers load them: each one's rows among `rows`, numbered
// in their order, and with `countRow` one more row that every column is in.
struct SparseColumns {
    std::vector<int> starts{0}, index;
    std::vector<double> value;
    int rows = 0; // the count row included
};

SparseColumns Sparse(const CoverProblem &problem, const RowSet &rows, const std::vector<int> &columns, bool countRow)
{
    std::array<int, kMaxRows> number{};
    int count = 0;
    rows.forEach([&](int r) { number[r] = count++; });
    SparseColumns m;
    for (int c : columns) {
        (problem.columns[c] & rows).forEach([&](int r) {
            m.index.push_back(number[r]);
            m.value.push_back(1.0);
        });
        if (countRow) {
            m.index.push_back(count);
            m.value.push_back(1.0);
        }
        m.starts.push_back(static_cast<int>(m.index.size()));
    }
    m.rows = count + (countRow ? 1 : 0);
    return m;
}

// One CBC solve of min sum(objective x) over the covers of the rows, with
// sum(x) = `count` when that is positive, keeping only solutions below
// `cutoff`. Returns the columns of the best solution found, or none.
std::vector<int> CbcCover(const CoverProblem &problem, const std::vector<double> &objective, int count, double cutoff,
                          double seconds, long nodeLimit, bool &proven)
{
    const int n = static_cast<int>(problem.columns.size());
    std::vector<int> all(n);
    std::iota(all.begin(), all.end(), 0);
    const SparseColumns m = Sparse(problem, problem.rows, all, count > 0);
    std::vector<double> lower(n, 0.0), upper(n, 1.0), rowLower(m.rows, 1.0), rowUpper(m.rows, 1e30);
    if (count > 0)
        rowLower[m.rows - 1] = rowUpper[m.rows - 1] = count;
    Cbc_Model *model = Cbc_newModel();
    Cbc_loadProblem(model, n, m.rows, m.starts.data(), m.index.data(), m.value.data(), lower.data(), upper.data(),
                    objective.data(), rowLower.data(), rowUpper.data());
    for (int j = 0; j < n; ++j)
        Cbc_setInteger(model, j);
    Cbc_setLogLevel(model, 0);
    // Costs are whole numbers: a gap below one proves the best.
    Cbc_setAllowableGap(model, 0.5);
    Cbc_setAllowableFractionGap(model, 0.0);
    Cbc_setParameter(model, "timeMode", "elapsed"); // the clock the caller's budget is on
    Cbc_setMaximumSeconds(model, std::max(0.001, seconds));
    if (nodeLimit > 0)
        Cbc_setMaximumNodes(model, static_cast<int>(std::min<long>(nodeLimit, 1 << 30)));
    Cbc_setCutoff(model, cutoff);
    {
        // The solver's command-line layer keeps its settings in static tables.
        static std::mutex one;
        const std::lock_guard<std::mutex> lock(one);
        Cbc_solve(model);
    }
    std::vector<int> columns;
    if (const double *best = Cbc_bestSolution(model))
        for (int j = 0; j < n; ++j)
            if (best[j] > 0.5)
                columns.push_back(j);
    proven = Cbc_isProvenOptimal(model) || Cbc_isProvenInfeasible(model);
    Cbc_deleteModel(model);
    return columns;
}

// A lower bound on the number of the columns that cover the rows: their
// relaxation, cut down by rounds of Gomory's cuts, which every cover meets.
// Zero when the relaxation was not solved to the end.
double CutBound(const CoverProblem &problem, const RowSet &rows, const std::vector<int> &columns)
{
    const int n = static_cast<int>(columns.size());
    const SparseColumns m = Sparse(problem, rows, columns, false);
    std::vector<double> lower(n, 0.0), upper(n, 1.0), objective(n, 1.0);
    std::vector<double> rowLower(m.rows, 1.0), rowUpper(m.rows, COIN_DBL_MAX);
    OsiClpSolverInterface solver;
    solver.messageHandler()->setLogLevel(0);
    solver.loadProblem(n, m.rows, m.starts.data(), m.index.data(), m.value.data(), lower.data(), upper.data(),
                       objective.data(), rowLower.data(), rowUpper.data());
    for (int j = 0; j < n; ++j)
        solver.setInteger(j);
    solver.initialSolve();
    if (!solver.isProvenOptimal())
        return 0;
    double bound = solver.getObjValue();
    CglGomory gomory;
    for (int round = 0; round < kCutRounds; ++round) {
        OsiCuts cuts;
        gomory.generateCuts(solver, cuts);
        if (cuts.sizeRowCuts() == 0)
            break;
        solver.applyCuts(cuts);
        solver.resolve();
        if (!solver.isProvenOptimal())
            break;
        // A round that leaves the whole floor where it was seldom has a
        // successor that lifts it.
        const double raised = solver.getObjValue();
        const bool lifted = Ceil(raised) > Ceil(bound);
        bound = std::max(bound, raised);
        if (!lifted)
            break;
    }
    return bound;
}

// The linear relaxation of a node, solved exactly by Clp's dual simplex: one
// model over the whole problem, a node switching its rows and columns on and
// off by their bounds, so that each solve starts from the last one's basis.
// The model keeps its work areas and factorization from one solve to the next:
// rebuilding them cost more than the simplex steps of a node.
// Its row duals are the best Lagrangian multipliers, which the subgradient
// steps only approach; the bound itself is then computed from them by the
// search, so it stays valid whatever the solver's rounding.
class LinearRelaxation {
public:
    // Over the rows and columns of a phase's root, which every node's are
    // among; with `cardinality`, one more row fixes the number of columns.
    LinearRelaxation(const CoverProblem &p, const RowSet &rows, const std::vector<int> &columns,
                     const std::vector<double> &weight, bool cardinality)
        : m_rowOf(kMaxRows, -1), m_columnOf(p.columns.size(), -1), m_cardinality(cardinality)
    {
        const int n = static_cast<int>(columns.size());
        rows.forEach([&](int r) { // numbered as Sparse numbers them
            m_rowOf[r] = m_rows++;
            m_rowIds.push_back(r);
        });
        std::vector<double> objective;
        for (int j = 0; j < n; ++j) {
            m_columnOf[columns[j]] = j;
            objective.push_back(weight[columns[j]]);
        }
        const SparseColumns m = Sparse(p, rows, columns, cardinality);
        m_columnUpper.assign(n, 0.0);
        m_rowLower.assign(m.rows, 0.0);
        std::vector<double> lower(n, 0.0), rowUpper(m.rows, COIN_DBL_MAX);
        m_model.setLogLevel(0);
        m_model.scaling(0); // every coefficient is 1
        m_model.loadProblem(n, m.rows, m.starts.data(), m.index.data(), m.value.data(), lower.data(),
                            m_columnUpper.data(), objective.data(), m_rowLower.data(), rowUpper.data());
        m_model.setPersistenceFlag(1); // arrays grown, never freed between solves
    }
    // After a solve that failed: no solution at all meets the rows and bounds.
    bool Infeasible() const { return m_infeasible; }
    // After a solve that failed: it stopped once its bound passed the limit,
    // leaving the multipliers it had then, whose bound the caller computes.
    bool AboveLimit() const { return m_aboveLimit; }
    // The last solution's value of each of the node's columns, in their order.
    const std::vector<double> &Values() const { return m_values; }
    LinearRelaxation(const LinearRelaxation &) = delete;
    LinearRelaxation &operator=(const LinearRelaxation &) = delete;

    // Solves the node's relaxation (its rows covered by its columns, exactly
    // `count` of them with the cardinality row) and leaves its duals as
    // multipliers. False when the solver did not end at an optimum.
    // `basis`, when the parent's, is where the solve starts; it is left as
    // this node's.
    // Past `limit`, where the caller drops the node anyway, the solve stops.
    bool Solve(const RowSet &rows, const std::vector<int> &columns, int count, Multipliers &u, double &lambda,
               std::vector<uint8_t> &basis, double limit = COIN_DBL_MAX)
    {
        m_infeasible = false;
        m_aboveLimit = false;
        m_upper.assign(m_columnUpper.size(), 0.0);
        for (int c : columns) {
            if (m_columnOf[c] < 0)
                return false;
            m_upper[m_columnOf[c]] = 1.0;
        }
        bool inside = true;
        rows.forEach([&](int r) { inside = inside && m_rowOf[r] >= 0; });
        if (!inside)
            return false;
        // Only the bounds that differ from the last solve's are set: each
        // set tells the model what changed.
        for (size_t j = 0; j < m_upper.size(); ++j)
            if (m_upper[j] != m_columnUpper[j])
                m_model.setColumnUpper(static_cast<int>(j), m_columnUpper[j] = m_upper[j]);
        for (int i = 0; i < m_rows; ++i) {
            const double lower = rows.test(m_rowIds[i]) ? 1.0 : 0.0;
            if (lower != m_rowLower[i])
                m_model.setRowLower(i, m_rowLower[i] = lower);
        }
        if (m_cardinality && m_rowLower[m_rows] != count) {
            m_model.setRowLower(m_rows, m_rowLower[m_rows] = count);
            m_model.setRowUpper(m_rows, count);
        }
        const size_t size = m_columnUpper.size() + m_rowLower.size();
        if (basis.size() == size && !std::equal(basis.begin(), basis.end(), m_model.statusArray())) {
            m_model.copyinStatus(basis.data());
            m_model.setWhatsChanged(m_model.whatsChanged() & ~512); // the factorization is stale
        }
        if (limit != m_limit)
            m_model.setDualObjectiveLimit(m_limit = limit);
        // Keep the work areas and the factorization, and use them next time.
        m_model.dual(0, 7);
        // The first solve starts cold, where steepest edge pricing saves many
        // steps. The later ones start from a parent's basis, a few dozen steps
        // from their optimum: there the plain largest infeasibility rule takes
        // about as many steps, each cheaper, without the second solve with the
        // basis that keeping the edge weights costs a step.
        if (!m_dantzig) {
            m_dantzig = true;
            ClpDualRowDantzig rule;
            m_model.setDualRowPivotAlgorithm(rule);
        }
        // Both show as primal infeasible; the secondary status tells them apart.
        m_aboveLimit = m_model.problemStatus() == 1 && m_model.secondaryStatus() == 1;
        m_infeasible = m_model.problemStatus() == 1 && m_model.secondaryStatus() == 0;
        const bool optimal = m_model.isProvenOptimal();
        if (optimal || m_aboveLimit) {
            const double *dual = m_model.dualRowSolution();
            rows.forEach([&](int r) { u[r] = std::max(0.0, dual[m_rowOf[r]]); });
            lambda = m_cardinality ? -dual[m_rows] : 0.0;
        }
        if (!optimal)
            return false;
        const unsigned char *status = m_model.statusArray();
        basis.assign(status, status + size);
        const double *primal = m_model.primalColumnSolution();
        m_values.resize(columns.size());
        for (size_t j = 0; j < columns.size(); ++j)
            m_values[j] = primal[m_columnOf[columns[j]]];
        return true;
    }

private:
    ClpSimplex m_model;
    std::vector<int> m_rowOf, m_rowIds, m_columnOf;
    int m_rows = 0;
    bool m_cardinality;
    bool m_infeasible = false, m_aboveLimit = false;
    bool m_dantzig = false; // pricing by the largest infeasibility, after the first solve
    double m_limit = COIN_DBL_MAX;
    std::vector<double> m_columnUpper, m_upper, m_rowLower, m_values;
};

// A permutation and complementation of variables: row x goes to the row with
// bit perm[v] equal to bit v of x, complemented where `mask` has a 1.
struct Symmetry {
    std::array<uint8_t, 8> perm{0, 1, 2, 3, 4, 5, 6, 7};
    uint8_t mask = 0;

    int Bits(int x) const
    {
        int y = 0;
        for (int v = 0; v < 8; ++v)
            y |= ((x >> v) & 1) << perm[v];
        return y;
    }
    int Row(int x) const { return Bits(x) ^ mask; }
    // Its place among all 8! * 256 symmetries: the permutation's rank, then the mask.
    uint32_t Index() const
    {
        uint32_t rank = 0;
        for (int v = 0; v < 8; ++v) {
            int smaller = 0;
            for (int w = v + 1; w < 8; ++w)
                smaller += perm[w] < perm[v];
            rank = rank * (8 - v) + smaller;
        }
        return rank << 8 | mask;
    }
    static constexpr uint32_t kCount = 40320u << 8;
    Symmetry After(const Symmetry &g) const // this one applied after g
    {
        Symmetry r;
        for (int v = 0; v < 8; ++v)
            r.perm[v] = perm[g.perm[v]];
        r.mask = static_cast<uint8_t>(Bits(g.mask) ^ mask);
        return r;
    }
};

// The symmetries the group below is generated from: the transpositions of
// variables (the first SwapCount of them), the transpositions that complement
// both, the complementations of one variable and of all.
int SwapCount(int n) { return n * (n - 1) / 2; }

std::vector<Symmetry> GeneratorCandidates(int n)
{
    std::vector<Symmetry> candidates;
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j) {
            Symmetry t;
            std::swap(t.perm[i], t.perm[j]);
            candidates.push_back(t);
        }
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j) {
            Symmetry t;
            std::swap(t.perm[i], t.perm[j]);
            t.mask = static_cast<uint8_t>((1 << i) | (1 << j));
            candidates.push_back(t);
        }
    for (int i = 0; i < n; ++i) {
        Symmetry t;
        t.mask = static_cast<uint8_t>(1 << i);
        candidates.push_back(t);
    }
    Symmetry all;
    all.mask = static_cast<uint8_t>((1 << n) - 1);
    candidates.push_back(all);
    return candidates;
}

bool HasSymmetryData(const CoverProblem &p)
{
    const int n = p.numVar;
    return n >= 2 && n <= 8 && p.function.size() == (size_t(1) << n) && p.cubes.size() == p.columns.size();
}

bool Keeps(const CoverProblem &p, const Symmetry &g)
{
    for (int x = 0; x < (1 << p.numVar); ++x)
        if (p.function[g.Row(x)] != p.function[x])
            return false;
    return true;
}

// Whether any of the generators leaves the function as it is: a few thousand
// steps, where listing the group can take far more.
bool HasSymmetries(const CoverProblem &p)
{
    if (!HasSymmetryData(p))
        return false;
    for (const Symmetry &g : GeneratorCandidates(p.numVar))
        if (Keeps(p, g))
            return true;
    return false;
}

// Whether at least half the pairs of variables can be swapped leaving the
// function as it is. The relaxation of such a function spreads its optimum
// evenly over alike columns: the exact solve takes hundreds of simplex steps
// a node and its bound is seldom better than the subgradient steps'. Fewer
// such pairs, as on nearly symmetric tables, and it pays as usual.
bool ManySymmetries(const CoverProblem &p)
{
    if (!HasSymmetryData(p))
        return false;
    const std::vector<Symmetry> candidates = GeneratorCandidates(p.numVar);
    const int swaps = SwapCount(p.numVar);
    const auto kept = std::count_if(candidates.begin(), candidates.begin() + swaps,
                                    [&](const Symmetry &t) { return Keeps(p, t); });
    return 2 * kept >= swaps;
}

// The group of a function that every swap of two variables leaves as it is:
// every permutation of the variables, each with every mask of a set closed
// under permuting and under exclusive or. A candidate adds its mask and what
// that set then takes, unless the group would then pass `cap` elements. The
// same group as the general closure below builds, listed without looking
// each product up.
std::vector<Symmetry> FullySymmetricGroup(const CoverProblem &p, const std::vector<Symmetry> &candidates, size_t cap)
{
    const int n = p.numVar;
    size_t permutations = 1;
    for (int k = 2; k <= n; ++k)
        permutations *= k;
    std::array<bool, 256> in{};
    in[0] = true;
    std::vector<int> masks{0};
    for (const Symmetry &c : candidates) {
        if (in[c.mask] || !Keeps(p, c))
            continue;
        std::array<bool, 256> more = in;
        std::vector<int> list = masks;
        auto add = [&](int m) {
            if (!more[m]) {
                more[m] = true;
                list.push_back(m);
            }
        };
        add(c.mask);
        for (size_t i = 0; i < list.size(); ++i) {
            for (int k = 0; k < SwapCount(n); ++k)
                add(candidates[k].Bits(list[i]));
            for (size_t j = 0; j <= i; ++j)
                add(list[i] ^ list[j]);
        }
        if (permutations * list.size() > cap)
            continue;
        in = more;
        masks = std::move(list);
    }
    std::vector<Symmetry> group;
    group.reserve(permutations * masks.size());
    Symmetry g;
    do {
        for (int m : masks) {
            g.mask = static_cast<uint8_t>(m);
            group.push_back(g);
        }
    } while (std::next_permutation(g.perm.begin(), g.perm.begin() + n));
    return group;
}

// The group generated by those of the candidates above that leave the
// function as it is: every element listed, the identity first. A generator
// that would take the group past `cap` elements is left out, so what is
// returned is always a whole group.
std::vector<Symmetry> SymmetriesOf(const CoverProblem &p, size_t cap)
{
    std::vector<Symmetry> group(1);
    if (!HasSymmetryData(p))
        return group;
    auto keeps = [&](const Symmetry &g) { return Keeps(p, g); };
    const std::vector<Symmetry> candidates = GeneratorCandidates(p.numVar);
    if (std::all_of(candidates.begin(), candidates.begin() + SwapCount(p.numVar), keeps))
        return FullySymmetricGroup(p, candidates, cap);
    // A flat set: the group can have tens of thousands of elements, each
    // reached once from every generator.
    std::vector<bool> seen(Symmetry::kCount, false);
    seen[group.front().Index()] = true;
    std::vector<Symmetry> generators;
    for (const Symmetry &c : candidates) {
        if (seen[c.Index()] || !keeps(c))
            continue;
        const size_t closed = group.size();
        generators.push_back(c);
        bool over = false;
        // The group so far is closed under the earlier generators: its
        // elements need only the new one.
        for (size_t i = 0; i < group.size() && !over; ++i) {
            for (size_t k = i < closed ? generators.size() - 1 : 0; k < generators.size(); ++k) {
                const Symmetry e = generators[k].After(group[i]);
                if (!seen[e.Index()]) {
                    seen[e.Index()] = true;
                    group.push_back(e);
                    if (group.size() > cap) {
                        over = true;
                        break;
                    }
                }
            }
        }
        if (over) {
            for (size_t i = closed; i < group.size(); ++i)
                seen[group[i].Index()] = false;
            group.resize(closed);
            generators.pop_back();
        }
    }
    return group;
}

class Search {
public:
    Search(const CoverProblem &p, CoverCost bound, std::chrono::milliseconds budget, long nodeLimit,
           const SearchOptions &options)
        : m_p(p), m_options(options), m_manySymmetries(ManySymmetries(p)), m_best(Key(bound)), m_nodeLimit(nodeLimit),
          m_deadline(std::chrono::steady_clock::now() + budget)
    {
    }

    // First the fewest columns, literals aside; then the fewest literals among
    // covers of that many columns, which the search then knows no cover goes
    // below. Searching both at once spends most of its time on literals of
    // covers that later turn out to have a column too many.
    CoverSolution Run()
    {
        const long bound = m_best;
        m_columnsOnly = true;
        m_fewestColumns = m_p.fewestColumns;
        m_best = (KeyColumns(bound) + (KeyLiterals(bound) > 0 ? 1 : 0)) * kColumnWeight;
        Phase();
        if (m_found && !m_timedOut) {
            const std::vector<int> first = m_bestColumns;
            m_columnsOnly = false;
            m_fewestColumns = static_cast<int>(first.size());
            m_found = false;
            m_best = bound;
            Record(CostOf(first), first, {});
            Phase();
        }
        CoverSolution s;
        s.found = m_found;
        s.proven = !m_timedOut;
        s.nodes = m_nodes;
        s.threads = m_threads;
        s.columns = m_bestColumns;
        if (m_found) {
            s.cost.columns = static_cast<int>(m_bestColumns.size());
            for (int c : m_bestColumns)
                s.cost.literals += m_p.literals[c];
            // A first phase cut short may leave a cover of as many columns as
            // the bound's and more literals.
            if (Key(s.cost) >= bound) {
                s.found = false;
                s.columns.clear();
                s.cost = {};
            }
        }
        return s;
    }

private:
    long CostOf(const std::vector<int> &columns) const
    {
        long cost = 0;
        for (int c : columns)
            cost += Cost(c);
        return cost;
    }

    // One phase: the search itself; when it has not closed the problem within
    // its nodes, the search again with the function's symmetries, if it has
    // any; then CBC's branch and cut on the whole problem, below the best cover
    // found. Node counts rather than the clock decide, so the result does not
    // depend on the machine's speed.
    void Phase()
    {
        m_stopped = false;
        m_phaseNodes = 0;
        m_cutFloorDone = false;
        m_localDone = false;
        m_rootFractions = 0;
        // A function with symmetries closes in a few dozen plain nodes or is
        // for the symmetric search. Without any, only CBC is left after the
        // plain search: for the fewest literals the search, its relaxations
        // warm, is the faster of the two on nearly every table; not so for the
        // fewest columns, where a gap between the relaxation and the best
        // cover is closed sooner by CBC's cuts. Once its symmetries are known
        // to be too few to search with, a function counts as one without.
        m_symmetric = HasSymmetries(m_p) && !(m_symmetriesKnown && m_group.empty());
        m_phaseCap = m_symmetric ? (!m_manySymmetries ? m_options.symmetricPlainNodes
                                                  : std::min(m_options.symmetricPlainNodes, kManySymmetriesPlainNodes))
                     : m_columnsOnly ? m_options.plainNodes
                                     : m_options.literalNodes;
        m_countLp.reset();
        m_literalLp.reset();
        SearchFromRoot({});
        if (!m_stopped || m_timedOut)
            return;
        // Not closed: the symmetries of the function, if it has any, cut the
        // search down; worth their cost only here.
        if (!m_symmetriesKnown && m_options.symmetricNodes > 0) {
            m_symmetriesKnown = true;
            m_group = SymmetriesOf(m_p, kMostSymmetries);
            if (m_group.size() < kFewestSymmetries)
                m_group.clear();
            if (m_group.size() > 1) {
                m_cubeColumn.assign(1 << 16, -1);
                for (size_t c = 0; c < m_p.cubes.size(); ++c)
                    m_cubeColumn[m_p.cubes[c].second << 8 | m_p.cubes[c].first] = static_cast<int>(c);
            }
        }
        if (m_group.size() > 1) {
            m_stopped = false;
            m_phaseNodes = 0;
            m_phaseCap = m_options.symmetricNodes;
            SymmetricSearch();
            if (!m_stopped || m_timedOut)
                return;
            // Not closed: a longer local search may yet find a cover of fewer
            // columns, which the symmetric search then has only to prove.
            if (m_columnsOnly && LongLocalSearch()) {
                m_stopped = false;
                m_phaseNodes = 0;
                SymmetricSearch();
                if (!m_stopped || m_timedOut)
                    return;
            }
        }
        // Before CBC, the floor it would have to prove, if it was not tried.
        if (m_columnsOnly && !m_cutFloorDone && CutsMayLift()) {
            CutFloor();
            if (KeyColumns(m_best) <= m_fewestColumns)
                return;
        }
        if (!m_options.cbc) {
            m_timedOut = true;
            return;
        }
        const int n = static_cast<int>(m_p.columns.size());
        std::vector<double> objective(n, 1.0);
        double cutoff = KeyColumns(m_best) - 0.5;
        int count = 0;
        if (!m_columnsOnly) {
            for (int j = 0; j < n; ++j)
                objective[j] = m_p.literals[j];
            count = m_fewestColumns;
            cutoff = KeyColumns(m_best) > count ? 1e30 : KeyLiterals(m_best) - 0.5;
        }
        const double seconds = std::chrono::duration<double>(m_deadline - std::chrono::steady_clock::now()).count();
        bool proven = false;
        const std::vector<int> cover =
            CbcCover(m_p, objective, count, cutoff, seconds, m_nodeLimit > 0 ? m_nodeLimit : 0, proven);
        if (!cover.empty())
            Record(CostOf(cover), cover, {});
        if (!proven)
            m_timedOut = true;
    }

    // The search from the phase's root, with the symmetries in `group` (none:
    // the plain search).
    void SearchFromRoot(const std::vector<int> &group)
    {
        std::vector<int> columns(m_p.columns.size());
        std::iota(columns.begin(), columns.end(), 0);
        std::vector<int> chosen;
        Node(m_p.rows, std::move(columns), 0, chosen, nullptr, group, {});
    }

    // The symmetric search for the fewest columns of a function with many
    // symmetries, on two threads where it can. Such a search mostly proves
    // that the cover in hand has the fewest columns; it solves no linear
    // relaxation (whose warm starts copies would not share: the column
    // count's is not solved for such a function, the literals' not in this
    // phase) and takes no floor from cuts (not with symmetries). Two copies
    // of it walk the same tree down to kSplitDepth branchings and share out
    // the subtrees below, every other one. As long as neither finds a better
    // cover, both walk exactly the tree of the search on one thread, so their
    // nodes add up to its own, and its limits are applied to the sum. A
    // better cover would change the tree from there on: the search is then
    // run again on one thread, so that the cover found never depends on the
    // threads' timing.
    void SymmetricSearch()
    {
        std::vector<int> all(m_group.size());
        std::iota(all.begin(), all.end(), 0);
        if (!m_columnsOnly || !m_manySymmetries || CutsMayLift() || m_options.threads < 2) {
            SearchFromRoot(all);
            return;
        }
        Search mine(*this), other(*this);
        mine.m_split.worker = 0;
        other.m_split.worker = 1;
        std::exception_ptr failure;
        std::thread helper;
        try {
            helper = std::thread([&] {
                try {
                    other.SearchFromRoot(all);
                } catch (...) {
                    failure = std::current_exception();
                }
            });
        } catch (const std::system_error &) { // no thread to be had: one will do
            SearchFromRoot(all);
            return;
        }
        m_threads = 2;
        try {
            mine.SearchFromRoot(all);
        } catch (...) {
            helper.join();
            throw;
        }
        helper.join();
        if (failure)
            std::rethrow_exception(failure);
        if (mine.m_best < m_best || other.m_best < m_best) {
            SearchFromRoot(all);
            // Out of time, the one thread may have stopped short of the
            // better covers found: they stand, as nothing timed is exact.
            if (m_timedOut) {
                Record(mine.m_best, mine.m_bestColumns, {});
                Record(other.m_best, other.m_bestColumns, {});
            }
            return;
        }
        // What the phase's root left, as the one thread would have.
        m_rootRows = mine.m_rootRows;
        m_rootColumns = mine.m_rootColumns;
        m_rootChosen = mine.m_rootChosen;
        m_localDone = mine.m_localDone;
        // The one thread walks `allowed` nodes and stops at the next one,
        // past the phase's nodes or the node limit, if it comes to it; there
        // it counts the node, and the phase's count too unless out of nodes.
        // The nodes above the split were walked by both.
        long allowed = m_phaseCap - m_phaseNodes;
        if (m_nodeLimit > 0)
            allowed = std::min(allowed, m_nodeLimit - m_nodes);
        const long walked = (mine.m_nodes - m_nodes) + (other.m_nodes - m_nodes)
                            - std::min(mine.m_split.sharedNodes, other.m_split.sharedNodes);
        const bool stops = walked > allowed;
        const long counted = stops ? allowed + 1 : walked;
        m_nodes += counted;
        m_phaseNodes += counted;
        if (m_nodeLimit > 0 && m_nodes > m_nodeLimit) {
            m_timedOut = true;
            --m_phaseNodes;
        }
        if ((mine.m_timedOut || other.m_timedOut) && std::chrono::steady_clock::now() >= m_deadline)
            m_timedOut = true;
        m_stopped = m_timedOut || stops;
    }

    // The local search again, longer, from the phase's root. True when it
    // found a cover of fewer columns.
    bool LongLocalSearch()
    {
        const long before = m_best;
        NodeData root;
        root.rows = m_rootRows;
        root.columns = m_rootColumns;
        for (int c : root.columns)
            root.covers.push_back(m_p.columns[c] & root.rows);
        root.Index();
        const int taken = static_cast<int>(m_rootChosen.size());
        LocalSearch(root, m_fewestColumns - taken, long(taken) * kColumnWeight, m_rootChosen, kLongLocalSteps);
        return m_best < before;
    }

    // Gomory's cuts do not lift the relaxation of a function searched with its
    // symmetries; they may once its symmetries have turned out too few.
    bool CutsMayLift() const { return !m_symmetric || (m_symmetriesKnown && m_group.empty()); }

    // The phase root's floor by cuts, into m_fewestColumns; once a phase. A
    // floor above a cover in hand could only come of the solver's rounding,
    // and is not taken.
    void CutFloor()
    {
        m_cutFloorDone = true;
        const int floor = static_cast<int>(m_rootChosen.size()) + Ceil(CutBound(m_p, m_rootRows, m_rootColumns));
        if (!m_found || floor <= KeyColumns(m_best))
            m_fewestColumns = std::max(m_fewestColumns, floor);
    }

    long Cost(int column) const { return kColumnWeight + (m_columnsOnly ? 0 : m_p.literals[column]); }

    // The bound past which a relaxation drops the node, given whether a
    // whole bound `k` does: a little over k - 1 for the least such k, so
    // that a bound that stops a solve there drops it, rounding aside.
    template <typename Drops> static double Limit(Drops drops)
    {
        int k = 0;
        while (!drops(k) && k <= kMaxRows * 8)
            ++k;
        return drops(k) ? k - 1 + 0.01 : COIN_DBL_MAX;
    }

    bool OutOfTime()
    {
        // A node costs far more than reading the clock.
        ++m_nodes;
        if (m_split.worker >= 0 && !m_split.below)
            ++m_split.sharedNodes;
        if (!m_timedOut && std::chrono::steady_clock::now() >= m_deadline)
            m_timedOut = true;
        if (m_nodeLimit > 0 && m_nodes > m_nodeLimit)
            m_timedOut = true;
        if (m_timedOut || ++m_phaseNodes > m_phaseCap)
            m_stopped = true;
        return m_stopped;
    }

    void Record(long key, const std::vector<int> &chosen, const std::vector<int> &more)
    {
        if (key >= m_best)
            return;
        m_best = key;
        m_bestColumns = chosen;
        m_bestColumns.insert(m_bestColumns.end(), more.begin(), more.end());
        m_found = true;
    }

    // Drops columns that cover nothing left or that another column covers as
    // well at no greater cost. Equal columns at equal cost: the first is kept.
    // Where none of the columns was dominated over the rows `settled`, only
    // those that have lost rows since can be now: a column that lost none
    // would have been dominated then by the column that dominates it now.
    void DropDominatedColumns(const RowSet &rows, std::vector<int> &columns, std::vector<RowSet> &covers,
                              const RowSet *settled)
    {
        const RowSet lost = settled ? *settled & ~rows : RowSet{};
        const int n = static_cast<int>(columns.size());
        covers.resize(n);
        std::vector<int> size(n);
        std::array<int, kMaxRows + 1> start{};
        for (int j = 0; j < n; ++j) {
            covers[j] = m_p.columns[columns[j]] & rows;
            size[j] = covers[j].count();
            covers[j].forEach([&](int r) { ++start[r + 1]; });
        }
        for (int r = 0; r < kMaxRows; ++r)
            start[r + 1] += start[r];
        // A column that covers all of a's rows covers the one of them with the
        // fewest columns: only the columns through that row need a look.
        std::vector<int> through(start[kMaxRows]);
        std::array<int, kMaxRows> fill{};
        std::copy(start.begin(), start.end() - 1, fill.begin());
        for (int j = 0; j < n; ++j)
            covers[j].forEach([&](int r) { through[fill[r]++] = j; });
        std::vector<bool> dropped(n, false);
        for (int a = 0; a < n; ++a) {
            if (size[a] == 0) {
                dropped[a] = true;
                continue;
            }
            if (settled && (m_p.columns[columns[a]] & lost).none())
                continue;
            int rarest = -1;
            covers[a].forEach([&](int r) {
                if (rarest < 0 || start[r + 1] - start[r] < start[rarest + 1] - start[rarest])
                    rarest = r;
            });
            const long ca = Cost(columns[a]);
            for (int i = start[rarest]; i < start[rarest + 1] && !dropped[a]; ++i) {
                const int b = through[i];
                if (b == a || dropped[b] || size[b] < size[a])
                    continue;
                const long cb = Cost(columns[b]);
                if (cb > ca || (cb == ca && size[b] == size[a] && b > a))
                    continue;
                if (covers[a].isSubsetOf(covers[b]))
                    dropped[a] = true;
            }
        }
        int kept = 0;
        for (int j = 0; j < n; ++j) {
            if (!dropped[j]) {
                columns[kept] = columns[j];
                covers[kept] = covers[j];
                ++kept;
            }
        }
        columns.resize(kept);
        covers.resize(kept);
    }

    // Essential columns, dominated columns and dominated rows, until none is
    // left. Returns false when a row can no longer be covered or the columns
    // forced in already cost as much as the best cover.
    // Without `settled`, every column and row is checked for dominance.
    [[gnu::noinline]] bool Reduce(NodeData &d, long &cost, std::vector<int> &chosen, const Settled *settled)
    {
        // The rows of the last column check and the columns of the last row
        // check, once known.
        std::optional<RowSet> since;
        std::optional<std::vector<int>> checkedColumns;
        if (settled) {
            since = settled->rows;
            checkedColumns = settled->columns;
        }
        for (;;) {
            if (d.rows.none())
                return true;
            DropDominatedColumns(d.rows, d.columns, d.covers, since ? &*since : nullptr);
            since = d.rows;
            const int n = static_cast<int>(d.columns.size());
            ColumnMatrix byRow(n);
            std::array<int, kMaxRows> rowCount{};
            for (int j = 0; j < n; ++j)
                d.covers[j].forEach([&](int r) {
                    byRow.set(r, j);
                    ++rowCount[r];
                });
            // A row no column covers ends this branch; a row only one column
            // covers forces that column.
            bool forced = false, infeasible = false;
            RowSet covered;
            d.rows.forEach([&](int r) {
                if (infeasible || covered.test(r))
                    return;
                if (rowCount[r] == 0) {
                    infeasible = true;
                } else if (rowCount[r] == 1) {
                    const int only = byRow.first(r);
                    chosen.push_back(d.columns[only]);
                    cost += Cost(d.columns[only]);
                    covered |= d.covers[only];
                    forced = true;
                }
            });
            if (infeasible || cost >= m_best)
                return false;
            if (forced) {
                d.rows = d.rows & ~covered;
                continue;
            }
            // A row whose columns all cover another row as well makes that
            // other row free: covering the first covers it. Of rows with the
            // same columns the first stays. The rows that all of b's columns
            // cover are among the rows of any one of them: its column of
            // fewest rows. A row dropped already is passed over, as the row
            // below it that stays drops all it would.
            // Rows that no row was below when last checked can have one below
            // now only if it has lost a column since: only those are looked at.
            RowSet changed = d.rows;
            if (checkedColumns) {
                changed = RowSet{};
                size_t k = 0;
                for (int c : *checkedColumns) { // both ascending
                    while (k < d.columns.size() && d.columns[k] < c)
                        ++k;
                    if (k == d.columns.size() || d.columns[k] != c)
                        changed |= m_p.columns[c];
                }
                changed = changed & d.rows;
            }
            checkedColumns = d.columns;
            std::vector<int> size(n);
            for (int j = 0; j < n; ++j)
                size[j] = d.covers[j].count();
            RowSet implied;
            changed.forEach([&](int b) {
                if (implied.test(b))
                    return;
                int rarest = -1;
                const uint64_t *cols = byRow.row(b);
                for (int i = 0; i < byRow.words(); ++i)
                    for (uint64_t bits = cols[i]; bits; bits &= bits - 1) {
                        const int j = i * 64 + std::countr_zero(bits);
                        if (rarest < 0 || size[j] < size[rarest])
                            rarest = j;
                    }
                d.covers[rarest].forEach([&](int a) {
                    if (a != b && !implied.test(a) && !(rowCount[a] == rowCount[b] && a < b) && byRow.isSubset(b, a))
                        implied.set(a);
                });
            });
            if (implied.none())
                return true;
            d.rows = d.rows & ~implied;
        }
    }

    // A lower bound on the cost of covering the rows: the larger of a set of
    // rows that share no column (each needs a column of its own) and the
    // fractional bound that spreads each column's cost over the rows it covers.
    [[gnu::noinline]] long LowerBound(const NodeData &d) const
    {
        std::array<long, kMaxRows> minCost;
        std::array<double, kMaxRows> share;
        minCost.fill(-1);
        share.fill(1e300);
        for (int j = 0; j < static_cast<int>(d.columns.size()); ++j) {
            const long c = Cost(d.columns[j]);
            const double s = static_cast<double>(c) / d.ColumnCount(j);
            for (int i = d.colStart[j]; i < d.colStart[j + 1]; ++i) {
                const int r = d.colRows[i];
                if (minCost[r] < 0 || c < minCost[r])
                    minCost[r] = c;
                share[r] = std::min(share[r], s);
            }
        }
        std::vector<bool> used(d.columns.size(), false);
        long independent = 0;
        double fractional = 0;
        for (int r : d.rowOrder) {
            fractional += share[r];
            bool free = true;
            for (int i = d.rowStart[r]; i < d.rowStart[r + 1] && free; ++i)
                free = !used[d.rowCols[i]];
            if (free) {
                for (int i = d.rowStart[r]; i < d.rowStart[r + 1]; ++i)
                    used[d.rowCols[i]] = true;
                independent += minCost[r];
            }
        }
        return std::max(independent, static_cast<long>(std::ceil(fractional - 1e-6)));
    }

    // A lower bound on min sum(weight[j] x[j]) over covers x of the rows, with
    // sum(x) <= `cardinality` when that is positive, by Lagrangian relaxation
    // with subgradient steps aimed at `target`. Every multiplier vector gives a
    // valid bound, so it stops as soon as the bound is `reached` or stops
    // improving. Leaves the best multipliers in `u` and `lambda`, each column's
    // reduced weight in `reduced`, and shows `visit` the multipliers now and then.
    template <typename Target, typename Reached, typename Visit>
    [[gnu::noinline]] double Lagrangian(const NodeData &d, const std::vector<double> &weight, int cardinality, Target target,
                      Reached reached, Multipliers &u, double &lambda, bool warm, int maxIterations,
                      std::vector<double> &reduced, Visit visit)
    {
        const int n = static_cast<int>(d.columns.size());
        if (!warm) {
            // The fractional bound: each row pays its share of its largest column.
            for (int r : d.rowOrder)
                u[r] = 1e30;
            for (int j = 0; j < n; ++j) {
                const double share = weight[j] / d.ColumnCount(j);
                for (int i = d.colStart[j]; i < d.colStart[j + 1]; ++i)
                    u[d.colRows[i]] = std::min(u[d.colRows[i]], share);
            }
            lambda = 0;
        }
        if (cardinality <= 0)
            lambda = 0;
        Multipliers bestU = u;
        double bestLambda = lambda;
        std::array<int, kMaxRows> hits{};
        double best = -1e300, step = 1.0;
        int sinceBetter = 0;
        for (int iteration = 0; iteration < maxIterations; ++iteration) {
            double bound = -lambda * std::max(cardinality, 0);
            for (int r : d.rowOrder) {
                bound += u[r];
                hits[r] = 0;
            }
            int picked = 0;
            for (int j = 0; j < n; ++j) {
                double rc = weight[j] + lambda;
                for (int i = d.colStart[j]; i < d.colStart[j + 1]; ++i)
                    rc -= u[d.colRows[i]];
                if (rc < 0) {
                    bound += rc;
                    ++picked;
                    for (int i = d.colStart[j]; i < d.colStart[j + 1]; ++i)
                        ++hits[d.colRows[i]];
                }
            }
            if (bound > best + 1e-6) {
                best = bound;
                bestU = u;
                bestLambda = lambda;
                sinceBetter = 0;
            } else if (++sinceBetter % 5 == 0) {
                step /= 2;
            }
            if (reached(best) || sinceBetter >= 20)
                break;
            if (iteration % 10 == 9)
                visit(u);
            double norm = 0;
            for (int r : d.rowOrder)
                norm += static_cast<double>((1 - hits[r]) * (1 - hits[r]));
            const int over = cardinality > 0 ? picked - cardinality : 0;
            norm += static_cast<double>(over) * over;
            if (norm == 0) // the relaxed choice is a cover, each row once: optimal
                break;
            const double t = step * std::max(0.5, target() - bound) / norm;
            for (int r : d.rowOrder)
                u[r] = std::max(0.0, u[r] + t * (1 - hits[r]));
            if (cardinality > 0)
                lambda += t * over;
        }
        u = bestU;
        lambda = bestLambda;
        reduced.assign(n, 0.0);
        for (int j = 0; j < n; ++j) {
            double rc = weight[j] + lambda;
            for (int i = d.colStart[j]; i < d.colStart[j + 1]; ++i)
                rc -= u[d.colRows[i]];
            reduced[j] = rc;
        }
        return best;
    }

    // A cover built greedily under the multipliers: each step takes the column
    // whose weight, less the multipliers of the rows it would newly cover, is
    // lowest per such row; then columns the others make redundant go, and a
    // column gives way to one with fewer literals that covers the rows only it
    // covered. Recorded when it beats the best so far.
    [[gnu::noinline]] void Greedy(const NodeData &d, const std::vector<double> &weight, const Multipliers &u, double lambda,
                long cost, const std::vector<int> &chosen)
    {
        const int n = static_cast<int>(d.columns.size());
        std::vector<int> fresh(n);
        std::vector<double> gain(n);
        for (int j = 0; j < n; ++j) {
            fresh[j] = d.ColumnCount(j);
            double g = weight[j] + lambda;
            for (int i = d.colStart[j]; i < d.colStart[j + 1]; ++i)
                g -= u[d.colRows[i]];
            gain[j] = g;
        }
        auto literals = [&](int j) { return m_p.literals[d.columns[j]]; };
        RowSet left = d.rows;
        std::vector<int> picked;
        std::array<int, kMaxRows> times{};
        while (left.any()) {
            int bestJ = -1;
            double bestScore = 0;
            for (int j = 0; j < n; ++j) {
                if (fresh[j] == 0)
                    continue;
                const double score = gain[j] > 0 ? gain[j] / fresh[j] : gain[j] * fresh[j];
                if (bestJ < 0 || score < bestScore - 1e-9
                    || (score < bestScore + 1e-9
                        && (literals(j) < literals(bestJ) || (literals(j) == literals(bestJ) && fresh[j] > fresh[bestJ])))) {
                    bestJ = j;
                    bestScore = score;
                }
            }
            if (bestJ < 0)
                return;
            picked.push_back(bestJ);
            (d.covers[bestJ] & left).forEach([&](int r) {
                for (int i = d.rowStart[r]; i < d.rowStart[r + 1]; ++i) {
                    --fresh[d.rowCols[i]];
                    gain[d.rowCols[i]] += u[r];
                }
            });
            left = left & ~d.covers[bestJ];
        }
        for (int j : picked)
            for (int i = d.colStart[j]; i < d.colStart[j + 1]; ++i)
                ++times[d.colRows[i]];
        // Redundant columns go, those with the most literals first.
        std::stable_sort(picked.begin(), picked.end(), [&](int a, int b) { return literals(a) > literals(b); });
        std::vector<bool> in(n, false);
        for (int j : picked)
            in[j] = true;
        for (int j : picked) {
            bool redundant = true;
            for (int i = d.colStart[j]; i < d.colStart[j + 1] && redundant; ++i)
                redundant = times[d.colRows[i]] > 1;
            if (redundant) {
                in[j] = false;
                for (int i = d.colStart[j]; i < d.colStart[j + 1]; ++i)
                    --times[d.colRows[i]];
            }
        }
        for (int j : picked) {
            if (!in[j])
                continue;
            RowSet own;
            for (int i = d.colStart[j]; i < d.colStart[j + 1]; ++i)
                if (times[d.colRows[i]] == 1)
                    own.set(d.colRows[i]);
            const int first = own.first();
            if (first < 0) { // an earlier swap covered all its rows
                in[j] = false;
                for (int i = d.colStart[j]; i < d.colStart[j + 1]; ++i)
                    --times[d.colRows[i]];
                continue;
            }
            int swap = -1;
            for (int i = d.rowStart[first]; i < d.rowStart[first + 1]; ++i) {
                const int k = d.rowCols[i];
                if (!in[k] && literals(k) < literals(swap < 0 ? j : swap) && own.isSubsetOf(d.covers[k]))
                    swap = k;
            }
            if (swap >= 0) {
                in[j] = false;
                in[swap] = true;
                for (int i = d.colStart[j]; i < d.colStart[j + 1]; ++i)
                    --times[d.colRows[i]];
                for (int i = d.colStart[swap]; i < d.colStart[swap + 1]; ++i)
                    ++times[d.colRows[i]];
            }
        }
        std::vector<int> cover;
        long total = cost;
        for (int j = 0; j < n; ++j) {
            if (in[j]) {
                cover.push_back(d.columns[j]);
                total += Cost(d.columns[j]);
            }
        }
        Record(total, chosen, cover);
    }

    // A cover read off the relaxation's solution: its columns from the
    // largest value down until every row is covered, then those the others
    // make redundant dropped. Where the relaxation is whole, it is the best.
    void Rounded(const NodeData &d, const std::vector<double> &values, long cost, const std::vector<int> &chosen)
    {
        const int n = static_cast<int>(d.columns.size());
        std::vector<int> order(n);
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return values[a] > values[b]; });
        RowSet left = d.rows;
        std::vector<int> picked;
        for (int j : order) {
            if (left.none())
                break;
            if ((d.covers[j] & left).any()) {
                picked.push_back(j);
                left = left & ~d.covers[j];
            }
        }
        std::array<int, kMaxRows> times{};
        for (int j : picked)
            d.covers[j].forEach([&](int r) { ++times[r]; });
        std::vector<int> cover;
        long total = cost;
        for (auto it = picked.rbegin(); it != picked.rend(); ++it) {
            bool redundant = true;
            d.covers[*it].forEach([&](int r) { redundant = redundant && times[r] > 1; });
            if (redundant) {
                d.covers[*it].forEach([&](int r) { --times[r]; });
                continue;
            }
            cover.push_back(d.columns[*it]);
            total += Cost(d.columns[*it]);
        }
        Record(total, chosen, cover);
    }

    // Covers of fewer columns sought by local search with row weights: a set
    // of `target` columns, one swapped a step, the column that loses least
    // out and one through an uncovered row that gains most in, where each
    // row left uncovered weighs one more every step, so that the search
    // leaves the places it keeps falling back to. Each cover found is
    // recorded and the search goes on for one column fewer, down to `floor`.
    // It finds in a few hundred steps covers that the branching reaches only
    // after hundreds of nodes, if ever: the search then only has to prove
    // them. The random choices are seeded, so the result does not vary.
    void LocalSearch(const NodeData &d, int floor, long cost, const std::vector<int> &chosen, long steps)
    {
        const int n = static_cast<int>(d.columns.size());
        int target = KeyColumns(m_best) - KeyColumns(cost) - 1;
        if (target < floor || target < 1 || n <= target)
            return;
        std::array<int, kMaxRows> times{}, position{};
        std::array<long, kMaxRows> weight;
        weight.fill(1);
        std::vector<int> uncovered;
        std::vector<long> score(n, 0), age(n, 0);
        std::vector<char> in(n, 1);
        std::vector<int> members(n);
        std::iota(members.begin(), members.end(), 0);
        for (int j = 0; j < n; ++j)
            for (int i = d.colStart[j]; i < d.colStart[j + 1]; ++i)
                ++times[d.colRows[i]];
        // A column in the set scores minus the weight of the rows only it
        // covers; one out, the weight of the uncovered rows it would cover.
        for (int j = 0; j < n; ++j)
            for (int i = d.colStart[j]; i < d.colStart[j + 1]; ++i)
                if (times[d.colRows[i]] == 1)
                    score[j] -= weight[d.colRows[i]];
        auto uncover = [&](int r) {
            position[r] = static_cast<int>(uncovered.size());
            uncovered.push_back(r);
        };
        auto recover = [&](int r) {
            const int last = uncovered.back();
            uncovered[position[r]] = last;
            position[last] = position[r];
            uncovered.pop_back();
        };
        auto put = [&](int j) {
            in[j] = 1;
            members.push_back(j);
            for (int i = d.colStart[j]; i < d.colStart[j + 1]; ++i) {
                const int r = d.colRows[i];
                const long w = weight[r];
                if (++times[r] == 1) {
                    recover(r);
                    for (int k = d.rowStart[r]; k < d.rowStart[r + 1]; ++k)
                        if (d.rowCols[k] != j)
                            score[d.rowCols[k]] -= w;
                } else if (times[r] == 2) {
                    for (int k = d.rowStart[r]; k < d.rowStart[r + 1]; ++k)
                        if (in[d.rowCols[k]] && d.rowCols[k] != j)
                            score[d.rowCols[k]] += w;
                }
            }
            score[j] = -score[j];
        };
        auto take = [&](int j) {
            in[j] = 0;
            std::erase(members, j);
            for (int i = d.colStart[j]; i < d.colStart[j + 1]; ++i) {
                const int r = d.colRows[i];
                const long w = weight[r];
                if (--times[r] == 0) {
                    uncover(r);
                    for (int k = d.rowStart[r]; k < d.rowStart[r + 1]; ++k)
                        if (d.rowCols[k] != j)
                            score[d.rowCols[k]] += w;
                } else if (times[r] == 1) {
                    for (int k = d.rowStart[r]; k < d.rowStart[r + 1]; ++k)
                        if (in[d.rowCols[k]])
                            score[d.rowCols[k]] -= w;
                }
            }
            score[j] = -score[j];
        };
        // The member whose leaving costs least, the longest in among equals.
        auto leaving = [&](int keep) {
            int best = -1;
            for (int j : members)
                if (j != keep && (best < 0 || score[j] > score[best] || (score[j] == score[best] && age[j] < age[best])))
                    best = j;
            return best;
        };
        std::mt19937 random(12345);
        auto record = [&] {
            std::vector<int> cover;
            long total = cost;
            for (int j : members) {
                cover.push_back(d.columns[j]);
                total += Cost(d.columns[j]);
            }
            Record(total, chosen, cover);
        };
        int added = -1;
        while (static_cast<int>(members.size()) > target)
            take(leaving(-1));
        for (long step = 1; step <= steps; ++step) {
            if (uncovered.empty()) {
                record();
                if (--target < floor || target < 1)
                    return;
                take(leaving(-1));
                continue;
            }
            const int out = leaving(members.size() > 1 ? added : -1);
            take(out);
            age[out] = step;
            const int r = uncovered[random() % uncovered.size()];
            int best = -1;
            for (int k = d.rowStart[r]; k < d.rowStart[r + 1]; ++k) {
                const int j = d.rowCols[k];
                if (j != out && (best < 0 || score[j] > score[best] || (score[j] == score[best] && age[j] < age[best])))
                    best = j;
            }
            if (best < 0)
                best = out;
            put(best);
            age[best] = step;
            added = best;
            for (int q : uncovered) {
                ++weight[q];
                for (int k = d.rowStart[q]; k < d.rowStart[q + 1]; ++k)
                    ++score[d.rowCols[k]];
            }
        }
    }

    // One node of the search. When columns are fixed by reduced cost, the node
    // starts over on what is left in a loop rather than a call, so that the
    // search goes no deeper than the columns of a cover.
    // `settled`: what the parent left reduced; not at the root.
    void Node(RowSet rows, std::vector<int> columns, long cost, std::vector<int> &chosen,
              const Relaxations *parentRelax, const std::vector<int> &parentGroup, Settled settled)
    {
        const size_t chosenAtEntry = chosen.size();
        // On the heap, as is all the rest of a node's bulk: the frames that
        // stay on the stack while the children are searched stay small.
        auto relax = std::make_unique<Relaxations>();
        if (parentRelax)
            *relax = *parentRelax;
        std::vector<int> group = parentGroup;
        bool root = parentRelax == nullptr;
        while (Step(rows, columns, cost, chosen, *relax, root, group, settled))
            root = false;
        chosen.resize(chosenAtEntry);
    }

    int MapColumn(const Symmetry &g, int column) const
    {
        const auto [ones, dashes] = m_p.cubes[column];
        const int d = g.Bits(dashes);
        const int o = g.Row(ones) & ~d;
        return m_cubeColumn[d << 8 | o];
    }

    // Each of the node's columns (local indices) mapped to the least column
    // of its class: the columns that the symmetries keeping `row` map onto
    // each other. Adds to `images` the rows the group maps `row` onto.
    void ColumnClasses(const NodeData &d, const std::vector<int> &group, int row, std::vector<int> &orbit,
                       RowSet &images) const
    {
        const int n = static_cast<int>(d.columns.size());
        orbit.resize(n);
        std::iota(orbit.begin(), orbit.end(), 0);
        std::vector<int> localOf(m_p.columns.size(), -1);
        for (int j = 0; j < n; ++j)
            localOf[d.columns[j]] = j;
        auto find = [&](int j) {
            while (orbit[j] != j)
                j = orbit[j] = orbit[orbit[j]];
            return j;
        };
        for (int i : group) {
            const Symmetry &g = m_group[i];
            const int image = g.Row(row);
            images.set(image);
            if (image != row)
                continue;
            for (int k = d.rowStart[row]; k < d.rowStart[row + 1]; ++k) {
                const int j = d.rowCols[k];
                const int a = find(j), b = find(localOf[MapColumn(g, d.columns[j])]);
                if (a != b)
                    orbit[std::max(a, b)] = std::min(a, b);
            }
        }
        for (int j = 0; j < n; ++j)
            orbit[j] = find(j);
    }

    // Keeps the symmetries that map the node's rows and columns onto
    // themselves: those are symmetries of what is left to cover. Each maps
    // the problem's rows and columns one to one onto themselves, so it keeps
    // a set exactly when it keeps the rest, and the smaller one is checked.
    void KeepStabilizer(std::vector<int> &group, const NodeData &d) const
    {
        std::vector<char> in(m_p.columns.size(), 0);
        for (int c : d.columns)
            in[c] = 1;
        const bool rowsLeft = d.rows.count() * 2 <= m_p.rows.count();
        const RowSet rows = rowsLeft ? d.rows : m_p.rows & ~d.rows;
        const bool columnsLeft = d.columns.size() * 2 <= m_p.columns.size();
        std::vector<int> columns;
        for (size_t c = 0; c < m_p.columns.size(); ++c)
            if (in[c] == columnsLeft)
                columns.push_back(static_cast<int>(c));
        std::erase_if(group, [&](int i) {
            const Symmetry &g = m_group[i];
            bool keeps = true;
            rows.forEach([&](int r) { keeps = keeps && rows.test(g.Row(r)); });
            for (size_t j = 0; j < columns.size() && keeps; ++j) {
                const int image = MapColumn(g, columns[j]);
                keeps = image >= 0 && in[image] == columnsLeft;
            }
            return !keeps;
        });
    }

    // Returns true when it fixed columns: `rows`, `columns`, `cost` and
    // `settled` then hold what is left for the node to start over on.
    [[gnu::noinline]] bool Step(RowSet &rows, std::vector<int> &columns, long &cost, std::vector<int> &chosen,
                                Relaxations &relax, bool root, std::vector<int> &group, Settled &settled)
    {
        if (OutOfTime())
            return false;
        NodeData d;
        d.rows = rows;
        d.columns = std::move(columns);
        const bool reduced = Reduce(d, cost, chosen, root ? nullptr : &settled);
        if (!reduced || d.rows.none()) {
            if (reduced)
                Record(cost, chosen, {});
            return false;
        }
        d.Index();
        const int n = static_cast<int>(d.columns.size());
        const int taken = KeyColumns(cost), takenLiterals = KeyLiterals(cost);
        int fewestLiterals = m_columnsOnly ? 0 : m_p.literals[d.columns.front()];
        for (int c : d.columns)
            fewestLiterals = std::min(fewestLiterals, m_p.literals[c]);
        // No cover of at least k more columns can beat the best.
        auto prunes = [&](int k) {
            return cost + k * (kColumnWeight + fewestLiterals) >= m_best;
        };
        if (root && m_columnsOnly) {
            m_rootRows = d.rows;
            m_rootColumns = d.columns;
            m_rootChosen = chosen;
        }
        if (m_columnsOnly && !m_cutFloorDone && m_phaseNodes > kCutsAfter && CutsMayLift()
            && m_rootFractions <= kMostFractionsForCuts)
            CutFloor();
        if (prunes(m_fewestColumns - taken) || cost + LowerBound(d) >= m_best) {
            return false;
        }

        // Children start from their parent's multipliers and need few steps.
        const int iterations = root ? 200 : 40;
        std::vector<double> unit(n, 1.0), reducedCount;
        double ignored = 0;
        if (root) { // a first cover, so that the relaxation has something to aim at
            static const Multipliers none{};
            Greedy(d, unit, none, 0, cost, chosen);
        }
        // At the root, subgradient steps first, for the greedy covers they lead
        // to; then, as at every other node, the relaxation solved exactly.
        double relaxed = Lagrangian(
            d, unit, 0, [&] { return KeyColumns(m_best) - taken + 1.0; }, [&](double b) { return prunes(Ceil(b)); },
            relax.count, ignored, !root, iterations, reducedCount, [&](const Multipliers &u) {
                if (root)
                    Greedy(d, unit, u, 0, cost, chosen);
            });
        // At the root, a cover built greedily under the steps' best multipliers
        // first: on covers with many alike columns it is often the best one.
        if (root && !prunes(Ceil(relaxed)))
            Greedy(d, unit, relax.count, 0, cost, chosen);
        // Where the steps fall short, but by little, the relaxation solved
        // exactly. While the literals are sought, only at the phase's root,
        // where its reduced weights drop the columns that no cover of the
        // fewest columns holds; below it, the literals' relaxation, which
        // holds the number of columns, finds the nodes without such a cover.
        // Not for a function with many symmetries, whose relaxation does not pay.
        const bool countExact = !m_manySymmetries && (m_columnsOnly || root);
        if (countExact && !prunes(Ceil(relaxed)) && (root || prunes(Ceil(relaxed + kExactWithin)))) {
            if (!m_countLp)
                m_countLp = std::make_unique<LinearRelaxation>(m_p, d.rows, d.columns,
                                                               std::vector<double>(m_p.columns.size(), 1.0), false);
            Multipliers u = relax.count;
            std::vector<double> reducedExact;
            const bool solved = m_countLp->Solve(d.rows, d.columns, 0, u, ignored, relax.countBasis, Limit(prunes));
            if (solved || m_countLp->AboveLimit()) {
                if (solved)
                    Rounded(d, m_countLp->Values(), cost, chosen);
                if (solved && root && m_columnsOnly)
                    m_rootFractions = DistinctFractions(m_countLp->Values());
                const double bound = Lagrangian(
                    d, unit, 0, [&] { return 0.0; }, [](double) { return true; }, u, ignored, true, 1, reducedExact,
                    [](const Multipliers &) {});
                if (bound > relaxed) {
                    relaxed = bound;
                    relax.count = u;
                    reducedCount = std::move(reducedExact);
                }
            }
        }
        // No cover at all has fewer columns than the fewest found at first.
        const int fewestColumns = std::max(Ceil(relaxed), m_fewestColumns - taken);
        // Deeper down, a cover built greedily seldom beats the one the search is
        // about to reach, and costs as much as the rest of the node.
        if (root && !prunes(fewestColumns))
            Greedy(d, unit, relax.count, 0, cost, chosen);
        if (root && m_columnsOnly && !m_localDone && !prunes(fewestColumns)) {
            m_localDone = true;
            LocalSearch(d, fewestColumns, cost, chosen, kLocalSteps);
        }
        if (prunes(fewestColumns)) {
            return false;
        }

        // When every better cover takes exactly as many columns as the best,
        // only literals can improve: bound them among covers of that many
        // columns, which is far stronger than any bound mixing the two.
        auto literalMode = [&] { return !m_columnsOnly && taken + fewestColumns == KeyColumns(m_best); };
        const int columnsLeft = fewestColumns;
        std::vector<double> literalWeight, reducedLiterals;
        std::vector<double> literalValues; // the literals' relaxation's solution, when solved
        double relaxedLiterals = 0;
        bool literalBound = false;
        auto literalsPrune = [&](double b) {
            return literalMode() && takenLiterals + Ceil(b) >= KeyLiterals(m_best);
        };
        if (literalMode()) {
            literalWeight.resize(n);
            for (int j = 0; j < n; ++j)
                literalWeight[j] = m_p.literals[d.columns[j]];
            // The exact relaxation, which subgradient steps seldom come close
            // to here; the steps only when it fails.
            if (!m_literalLp) {
                std::vector<double> all(m_p.literals.begin(), m_p.literals.end());
                m_literalLp = std::make_unique<LinearRelaxation>(m_p, d.rows, d.columns, all, true);
            }
            const bool exact = m_literalLp->Solve(d.rows, d.columns, columnsLeft, relax.literals, relax.cardinality,
                                                  relax.literalBasis, Limit([&](int k) { return literalsPrune(k); }));
            if (exact) {
                literalValues = m_literalLp->Values();
                Rounded(d, literalValues, cost, chosen);
            } else if (m_literalLp->Infeasible()) // not even a fractional cover of that many columns
                return false;
            // A solve stopped past the limit left its multipliers: the steps
            // start from them, and their bound drops the node at once.
            const bool warm = relax.literalsWarm || exact || m_literalLp->AboveLimit();
            relaxedLiterals = Lagrangian(
                d, literalWeight, columnsLeft, [&] { return KeyLiterals(m_best) - takenLiterals + 0.0; }, literalsPrune,
                relax.literals, relax.cardinality, warm, exact ? 1 : iterations,
                reducedLiterals, [](const Multipliers &) {});
            relax.literalsWarm = true;
            literalBound = true;
            if (root && !literalsPrune(relaxedLiterals))
                Greedy(d, literalWeight, relax.literals, relax.cardinality, cost, chosen);
            if (literalsPrune(relaxedLiterals) || prunes(fewestColumns)) {
                return false;
            }
        }
        auto hopeless = [&] {
            return m_stopped || prunes(fewestColumns) || (literalBound && literalsPrune(relaxedLiterals));
        };

        // A column whose reduced weight would lift a bound past the best cannot
        // be in a better cover; one whose absence would is in every better cover.
        {
            std::vector<int> kept, forced;
            const bool useLiterals = literalBound && literalMode();
            for (int j = 0; j < n; ++j) {
                const double rc = reducedCount[j];
                const double rl = useLiterals ? reducedLiterals[j] : 0;
                if ((rc > 0 && prunes(Ceil(relaxed + rc))) || (rl > 0 && literalsPrune(relaxedLiterals + rl)))
                    continue;
                if ((rc < 0 && prunes(Ceil(relaxed - rc))) || (rl < 0 && literalsPrune(relaxedLiterals - rl)))
                    forced.push_back(j);
                kept.push_back(d.columns[j]);
            }
            if (!forced.empty() || static_cast<int>(kept.size()) < n) {
                RowSet left = d.rows;
                long fixedCost = cost;
                for (int j : forced) {
                    chosen.push_back(d.columns[j]);
                    fixedCost += Cost(d.columns[j]);
                    left = left & ~d.covers[j];
                }
                rows = left;
                settled = {d.rows, d.columns};
                columns = std::move(kept);
                cost = fixedCost;
                return true;
            }
        }

        const std::vector<double> &favour = literalBound ? reducedLiterals : reducedCount;
        if (group.size() > 1)
            KeepStabilizer(group, d);
        // Branch on a row with few columns: one of them is in every cover.
        // Without symmetries, among the rows with up to two columns more than
        // the fewest, the one whose columns' reduced weights are highest on
        // average: its children's bounds rise the most, and they close
        // sooner. Where the literals' relaxation was solved, a row it covers
        // with fractions of columns goes before one it covers with a whole
        // column, whose child taking that column would keep the parent's
        // solution and bound. With symmetries, the row whose columns fall
        // into the fewest classes, as each class is one branch: of any row,
        // as one with more columns may have fewer classes; among equals, the
        // one with the most columns, whose classes are larger, so that the
        // later branches, which leave out the earlier classes, are left fewer
        // columns.
        int branchRow = d.rowOrder.front();
        std::vector<int> branchClasses; // its columns' classes, with symmetries
        const int fewest = d.rowStart[branchRow + 1] - d.rowStart[branchRow];
        if (group.size() <= 1) {
            double bestScore = -1;
            bool bestFractional = false;
            for (int r : d.rowOrder) {
                const int count = d.rowStart[r + 1] - d.rowStart[r];
                if (count > fewest + 2)
                    break;
                double score = 0;
                bool fractional = !literalValues.empty();
                for (int i = d.rowStart[r]; i < d.rowStart[r + 1]; ++i) {
                    score += std::max(0.0, favour[d.rowCols[i]]);
                    if (fractional && literalValues[d.rowCols[i]] > 1 - 1e-6)
                        fractional = false;
                }
                score /= count;
                if (fractional != bestFractional ? fractional : score > bestScore + 1e-9) {
                    bestScore = score;
                    bestFractional = fractional;
                    branchRow = r;
                }
            }
        } else {
            // The symmetries map a row and its columns' classes onto those
            // of each row they map it onto: one row of each such set will do.
            std::vector<int> classes;
            int bestClasses = n + 1, bestCount = 0;
            RowSet alike;
            for (int r : d.rowOrder) {
                if (alike.test(r))
                    continue;
                ColumnClasses(d, group, r, classes, alike);
                int distinct = 0;
                for (int i = d.rowStart[r]; i < d.rowStart[r + 1]; ++i)
                    distinct += classes[d.rowCols[i]] == d.rowCols[i];
                const int count = d.rowStart[r + 1] - d.rowStart[r];
                if (distinct < bestClasses || (distinct == bestClasses && count > bestCount)) {
                    bestClasses = distinct;
                    bestCount = count;
                    branchRow = r;
                    branchClasses.swap(classes);
                }
            }
        }
        std::vector<int> options(d.rowCols.begin() + d.rowStart[branchRow],
                                 d.rowCols.begin() + d.rowStart[branchRow + 1]);
        // The relaxation's favourites first, then the most rows per unit of cost.
        std::stable_sort(options.begin(), options.end(), [&](int a, int b) {
            if (favour[a] != favour[b])
                return favour[a] < favour[b];
            if (reducedCount[a] != reducedCount[b])
                return reducedCount[a] < reducedCount[b];
            return static_cast<double>(d.ColumnCount(a)) / Cost(d.columns[a])
                   > static_cast<double>(d.ColumnCount(b)) / Cost(d.columns[b]);
        });
        // Columns that a symmetry keeping the node and the branch row maps onto
        // each other lead to covers alike: one branch for each such class
        // (orbital branching), and later branches leave out the whole class.
        std::vector<int> orbit(n);
        if (group.size() > 1)
            orbit = std::move(branchClasses);
        else
            std::iota(orbit.begin(), orbit.end(), 0);
        std::vector<bool> excluded(n, false);
        for (int j : options) {
            if (excluded[j])
                continue;
            // Split between two threads: a subtree below the split is
            // searched by one of them, the other passes it by as searched.
            const bool splitHere = m_split.worker >= 0 && !m_split.below && m_split.depth + 1 >= kSplitDepth;
            const bool mine = !splitHere || m_split.next++ % 2 == m_split.worker;
            if (mine) {
                std::vector<int> rest;
                for (int k = 0; k < n; ++k)
                    if (k != j && !excluded[k])
                        rest.push_back(d.columns[k]);
                chosen.push_back(d.columns[j]);
                m_split.below = m_split.below || splitHere;
                ++m_split.depth;
                Node(d.rows & ~d.covers[j], std::move(rest), cost + Cost(d.columns[j]), chosen, &relax,
                     group.size() > 1 ? group : std::vector<int>{}, {d.rows, d.columns});
                --m_split.depth;
                m_split.below = m_split.below && !splitHere;
                chosen.pop_back();
            }
            // Later branches leave this column out, and its class: covers
            // holding any of them were searched here or have a like one that was.
            for (int k : options)
                if (orbit[k] == orbit[j])
                    excluded[k] = true;
            if (hopeless())
                break;
        }
        return false;
    }

    const CoverProblem &m_p;
    const SearchOptions m_options;
    const bool m_manySymmetries; // no exact relaxation of the column count, a short plain search
    // A relaxation kept from solve to solve; a copy of the search starts
    // without one.
    struct RelaxationSlot : std::unique_ptr<LinearRelaxation> {
        using std::unique_ptr<LinearRelaxation>::operator=;
        RelaxationSlot() = default;
        RelaxationSlot(const RelaxationSlot &) : std::unique_ptr<LinearRelaxation>() {}
        RelaxationSlot &operator=(const RelaxationSlot &)
        {
            reset();
            return *this;
        }
    };
    RelaxationSlot m_countLp, m_literalLp;
    bool m_symmetriesKnown = false;
    std::vector<Symmetry> m_group; // the function's symmetries, the identity first
    std::vector<int> m_cubeColumn; // dashes << 8 | ones -> the column of that cube
    bool m_columnsOnly = false; // covers ranked by their columns alone
    int m_fewestColumns = 0;    // no cover has fewer columns
    RowSet m_rootRows;          // the phase's root, after its reductions:
    std::vector<int> m_rootColumns; // its rows and columns,
    std::vector<int> m_rootChosen; // and the columns it forced
    bool m_cutFloorDone = false; // the root's cut floor is in m_fewestColumns
    int m_rootFractions = 0;     // distinct fractional values of the root's relaxation, where solved
    bool m_localDone = false;    // the phase's local search has run
    bool m_symmetric = false;   // at the phase's start, the function had symmetries to search with
    long m_best;
    std::vector<int> m_bestColumns;
    bool m_found = false;
    bool m_timedOut = false; // past the budget: the best cover is not proven
    bool m_stopped = false;  // the phase's own search gave up
    long m_phaseNodes = 0, m_phaseCap = 0;
    long m_nodes = 0;
    long m_nodeLimit = 0;
    // One of two threads sharing out a symmetric search (worker 0 or 1; -1
    // alone): the subtrees below the split it has come to, the branchings
    // above the node it is at, whether it is below the split now, and the
    // nodes it walked above it.
    struct Split {
        int worker = -1;
        long next = 0;
        int depth = 0;
        long sharedNodes = 0;
        bool below = false;
    } m_split;
    int m_threads = 1; // the most threads the search has run on
    std::chrono::steady_clock::time_point m_deadline;
};

} // namespace

CoverSolution SolveMinimumCoverMip(const CoverProblem &problem, CoverCost bound, std::chrono::milliseconds budget)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + budget;
    auto secondsLeft = [&] { return std::chrono::duration<double>(deadline - Clock::now()).count(); };
    const int n = static_cast<int>(problem.columns.size());
    CoverSolution s;
    // The fewest columns first: a cover with literals under the bound's may have as many.
    const int most = bound.columns - (bound.literals > 0 ? 0 : 1);
    bool proven = false;
    const std::vector<int> first = CbcCover(problem, std::vector<double>(n, 1.0), 0, most + 0.5, secondsLeft(), 0, proven);
    s.proven = proven;
    if (first.empty())
        return s;
    const int count = static_cast<int>(first.size());
    // Then the fewest literals among covers of exactly that many columns.
    std::vector<double> literals(problem.literals.begin(), problem.literals.end());
    double cutoff = 1e30;
    if (count == bound.columns)
        cutoff = bound.literals - 0.5;
    std::vector<int> second = proven ? CbcCover(problem, literals, count, cutoff, secondsLeft(), 0, proven) : first;
    s.proven = s.proven && proven;
    if (second.empty())
        second = first;
    CoverCost cost;
    for (int j : second) {
        ++cost.columns;
        cost.literals += problem.literals[j];
    }
    if (cost < bound) {
        s.found = true;
        s.columns = std::move(second);
        s.cost = cost;
    }
    return s;
}

CoverSolution SolveMinimumCover(const CoverProblem &problem, CoverCost bound, std::chrono::milliseconds budget,
                                long nodeLimit, const SearchOptions &options)
{
    return Search(problem, bound, budget, nodeLimit, options).Run();
}

} // namespace quintora
