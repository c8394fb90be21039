#include "exactcover.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace quintora {

namespace {

// A bit set over the columns still in play at one node.
class ColumnSet {
public:
    explicit ColumnSet(int columns = 0) : m_w((columns + 63) / 64, 0) {}
    void set(int c) { m_w[c >> 6] |= uint64_t{1} << (c & 63); }
    bool isSubsetOf(const ColumnSet &o) const
    {
        for (size_t i = 0; i < m_w.size(); ++i)
            if (m_w[i] & ~o.m_w[i])
                return false;
        return true;
    }
    bool intersects(const ColumnSet &o) const
    {
        for (size_t i = 0; i < m_w.size(); ++i)
            if (m_w[i] & o.m_w[i])
                return true;
        return false;
    }
    void unite(const ColumnSet &o)
    {
        for (size_t i = 0; i < m_w.size(); ++i)
            m_w[i] |= o.m_w[i];
    }
    int count() const
    {
        int n = 0;
        for (uint64_t w : m_w)
            n += PopCount(w);
        return n;
    }
    template <typename F> void forEach(F &&f) const
    {
        for (size_t i = 0; i < m_w.size(); ++i)
            for (uint64_t bits = m_w[i]; bits; bits &= bits - 1)
                f(static_cast<int>(i * 64) + std::countr_zero(bits));
    }

private:
    std::vector<uint64_t> m_w;
};

class Search {
public:
    Search(const CoverProblem &p, long bound, std::chrono::milliseconds budget, long nodeLimit)
        : m_p(p), m_best(bound), m_nodeLimit(nodeLimit), m_deadline(std::chrono::steady_clock::now() + budget)
    {
    }

    CoverSolution Run()
    {
        std::vector<int> columns(m_p.columns.size());
        std::iota(columns.begin(), columns.end(), 0);
        std::vector<int> chosen;
        Node(m_p.rows, std::move(columns), 0, chosen);
        CoverSolution s;
        s.found = m_found;
        s.proven = !m_timedOut;
        s.columns = m_bestColumns;
        s.cost = m_found ? m_best : 0;
        return s;
    }

private:
    bool OutOfTime()
    {
        // The clock is read at the first node and then every 64.
        if (!m_timedOut && (m_nodes++ & 63) == 0 && std::chrono::steady_clock::now() >= m_deadline)
            m_timedOut = true;
        if (m_nodeLimit > 0 && m_nodes > m_nodeLimit)
            m_timedOut = true;
        return m_timedOut;
    }

    // Rows of `rows` -> the columns (local indices) covering them.
    static std::vector<ColumnSet> Transpose(const RowSet &rows, const std::vector<RowSet> &covers)
    {
        std::vector<ColumnSet> byRow(kMaxRows);
        rows.forEach([&](int r) { byRow[r] = ColumnSet(static_cast<int>(covers.size())); });
        for (int j = 0; j < static_cast<int>(covers.size()); ++j)
            covers[j].forEach([&](int r) { byRow[r].set(j); });
        return byRow;
    }

    // Drops columns that cover nothing left or that another column covers as
    // well at no greater cost.
    void DropDominatedColumns(const RowSet &rows, std::vector<int> &columns, std::vector<RowSet> &covers)
    {
        const int n = static_cast<int>(columns.size());
        std::vector<int> size(n);
        for (int j = 0; j < n; ++j) {
            covers[j] = m_p.columns[columns[j]] & rows;
            size[j] = covers[j].count();
        }
        // A column that covers all of a's rows covers a's first row: only the
        // columns through that row need a look.
        std::vector<std::vector<int>> throughRow(kMaxRows);
        for (int j = 0; j < n; ++j)
            covers[j].forEach([&](int r) { throughRow[r].push_back(j); });
        std::vector<bool> dropped(n, false);
        for (int a = 0; a < n; ++a) {
            if (size[a] == 0) {
                dropped[a] = true;
                continue;
            }
            int first = -1;
            covers[a].forEach([&](int r) {
                if (first < 0)
                    first = r;
            });
            for (int b : throughRow[first]) {
                if (dropped[a])
                    break;
                if (b == a || dropped[b] || size[b] < size[a])
                    continue;
                const long ca = m_p.costs[columns[a]], cb = m_p.costs[columns[b]];
                if (cb > ca || !covers[a].isSubsetOf(covers[b]))
                    continue;
                // Equal columns at equal cost: keep the first.
                if (cb == ca && size[b] == size[a] && b > a)
                    continue;
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

    // A lower bound on the cost of covering `rows`: the larger of a set of rows
    // that share no column (each needs a column of its own) and the fractional
    // bound that spreads each column's cost over the rows it covers.
    long LowerBound(const RowSet &rows, const std::vector<int> &columns, const std::vector<RowSet> &covers,
                    const std::vector<ColumnSet> &byRow, const std::vector<int> &rowOrder,
                    const std::vector<long> &minCost)
    {
        ColumnSet used(static_cast<int>(columns.size()));
        long independent = 0;
        for (int r : rowOrder) {
            if (!byRow[r].intersects(used)) {
                used.unite(byRow[r]);
                independent += minCost[r];
            }
        }
        std::vector<double> share(kMaxRows, 1e300);
        for (int j = 0; j < static_cast<int>(columns.size()); ++j) {
            const double s = static_cast<double>(m_p.costs[columns[j]]) / covers[j].count();
            covers[j].forEach([&](int r) { share[r] = std::min(share[r], s); });
        }
        double fractional = 0;
        rows.forEach([&](int r) { fractional += share[r]; });
        return std::max(independent, static_cast<long>(std::ceil(fractional - 1e-6)));
    }

    // Row multipliers of the Lagrangian relaxation, handed from a node to its
    // children as their starting point.
    using Multipliers = std::array<double, kMaxRows>;
    struct Relaxations {
        Multipliers count{};  // every column weighs 1: bounds the number of columns
        Multipliers cost{};   // columns weigh their cost: bounds the total cost
    };

    // A lower bound on the total weight of any cover of the rows, from
    // Lagrangian relaxation with subgradient steps aimed at `target`: every
    // multiplier vector gives a valid bound, so it stops as soon as the bound is
    // `reached` or stops improving. Leaves the best multipliers in `u` and each
    // column's reduced weight in `reduced`.
    template <typename Reached>
    double ColumnCountBound(const std::vector<int> &rowList, const std::vector<RowSet> &covers,
                            const std::vector<double> &weight, double target, Reached reached, Multipliers &u,
                            bool warm, int maxIterations, std::vector<double> &reduced)
    {
        const int nCols = static_cast<int>(covers.size());
        // Rows of every column in one flat list.
        std::vector<int> start(nCols + 1, 0);
        std::vector<uint8_t> flat;
        for (int j = 0; j < nCols; ++j) {
            covers[j].forEach([&](int r) { flat.push_back(static_cast<uint8_t>(r)); });
            start[j + 1] = static_cast<int>(flat.size());
        }
        if (!warm) {
            // The fractional bound: each row pays its share of its largest column.
            for (int r : rowList)
                u[r] = 1e30;
            for (int j = 0; j < nCols; ++j) {
                const double share = weight[j] / static_cast<double>(start[j + 1] - start[j]);
                for (int i = start[j]; i < start[j + 1]; ++i)
                    u[flat[i]] = std::min(u[flat[i]], share);
            }
        }
        Multipliers bestU = u;
        std::array<int, kMaxRows> hits{};
        reduced.assign(nCols, 0.0f);
        double best = -1, step = 1.0;
        int sinceBetter = 0;
        for (int iteration = 0; iteration < maxIterations; ++iteration) {
            double bound = 0;
            for (int r : rowList) {
                bound += u[r];
                hits[r] = 0;
            }
            for (int j = 0; j < nCols; ++j) {
                double rc = weight[j];
                for (int i = start[j]; i < start[j + 1]; ++i)
                    rc -= u[flat[i]];
                if (rc < 0) {
                    bound += rc;
                    for (int i = start[j]; i < start[j + 1]; ++i)
                        ++hits[flat[i]];
                }
            }
            if (bound > best + 1e-6) {
                best = bound;
                bestU = u;
                sinceBetter = 0;
            } else if (++sinceBetter % 5 == 0) {
                step /= 2;
            }
            if (reached(best) || sinceBetter >= 20)
                break;
            double norm = 0;
            for (int r : rowList)
                norm += static_cast<double>((1 - hits[r]) * (1 - hits[r]));
            if (norm == 0) // the relaxed choice covers every row exactly once: optimal
                break;
            const double t = step * std::max(0.5, target - bound) / norm;
            for (int r : rowList)
                u[r] = std::max(0.0, u[r] + t * (1 - hits[r]));
        }
        u = bestU;
        for (int j = 0; j < nCols; ++j) {
            double rc = weight[j];
            for (int i = start[j]; i < start[j + 1]; ++i)
                rc -= u[flat[i]];
            reduced[j] = rc;
        }
        return best;
    }

    // A cover from the relaxation: the columns it favours, then the widest ones
    // for what is left, without those the others make redundant. Recorded when
    // it beats the best so far.
    void RoundRelaxation(const RowSet &rows, const std::vector<int> &columns, const std::vector<RowSet> &covers,
                         const std::vector<double> &reduced, long cost, std::vector<int> &chosen)
    {
        std::vector<int> order(columns.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return reduced[a] < reduced[b]; });
        std::vector<int> picked;
        RowSet left = rows;
        for (int j : order) {
            if (reduced[j] >= 0)
                break;
            if ((covers[j] & left).any()) {
                picked.push_back(j);
                left = left & ~covers[j];
            }
        }
        while (left.any()) {
            int bestJ = -1, bestNew = 0;
            for (int j : order) {
                const int fresh = (covers[j] & left).count();
                if (fresh > bestNew) {
                    bestNew = fresh;
                    bestJ = j;
                }
            }
            if (bestJ < 0)
                return;
            picked.push_back(bestJ);
            left = left & ~covers[bestJ];
        }
        // Drop redundant columns, the least favoured first.
        std::stable_sort(picked.begin(), picked.end(), [&](int a, int b) { return reduced[a] > reduced[b]; });
        for (size_t i = 0; i < picked.size();) {
            RowSet others;
            for (size_t k = 0; k < picked.size(); ++k)
                if (k != i)
                    others |= covers[picked[k]];
            if ((rows & ~others).none())
                picked.erase(picked.begin() + static_cast<long>(i));
            else
                ++i;
        }
        long total = cost;
        for (int j : picked)
            total += m_p.costs[columns[j]];
        if (total < m_best) {
            m_best = total;
            m_bestColumns = chosen;
            for (int j : picked)
                m_bestColumns.push_back(columns[j]);
            m_found = true;
        }
    }

    // Sums carry a little rounding; the margin keeps a bound valid.
    static int Columns(double bound) { return static_cast<int>(std::ceil(bound - 1e-4)); }

    void Node(RowSet rows, std::vector<int> columns, long cost, std::vector<int> &chosen,
              const Relaxations *parentRelax = nullptr)
    {
        if (OutOfTime())
            return;
        const size_t chosenAtEntry = chosen.size();
        std::vector<RowSet> covers(columns.size());
        std::vector<ColumnSet> byRow;
        for (;;) {
            if (rows.none())
                break;
            DropDominatedColumns(rows, columns, covers);
            byRow = Transpose(rows, covers);
            // A row no column covers ends this branch; a row only one column
            // covers forces that column.
            bool forced = false, infeasible = false;
            RowSet covered;
            rows.forEach([&](int r) {
                if (infeasible || covered.test(r))
                    return;
                const int count = byRow[r].count();
                int only = -1;
                if (count == 1)
                    byRow[r].forEach([&](int j) { only = j; });
                if (count == 0) {
                    infeasible = true;
                } else if (count == 1) {
                    chosen.push_back(columns[only]);
                    cost += m_p.costs[columns[only]];
                    covered |= covers[only];
                    forced = true;
                }
            });
            if (infeasible || cost >= m_best) {
                chosen.resize(chosenAtEntry);
                return;
            }
            if (forced) {
                rows = rows & ~covered;
                continue;
            }
            // A row whose columns all cover another row as well makes that
            // other row free: covering the first covers it.
            RowSet implied;
            std::vector<int> list;
            rows.forEach([&](int r) { list.push_back(r); });
            for (int a : list) {
                // A row b whose columns all cover a shares a column with a: look
                // only at the rows of a's columns.
                RowSet nearby;
                byRow[a].forEach([&](int j) { nearby |= covers[j]; });
                nearby.reset(a);
                bool done = false;
                nearby.forEach([&](int b) {
                    if (done || implied.test(b))
                        return;
                    if (byRow[b].isSubsetOf(byRow[a]) && !(byRow[a].isSubsetOf(byRow[b]) && a < b)) {
                        implied.set(a);
                        done = true;
                    }
                });
            }
            if (implied.none())
                break;
            rows = rows & ~implied;
        }

        if (rows.none()) {
            if (cost < m_best) {
                m_best = cost;
                m_bestColumns = chosen;
                m_found = true;
            }
            chosen.resize(chosenAtEntry);
            return;
        }

        std::vector<long> minCost(kMaxRows, 0);
        std::vector<int> rowOrder, rowColumns(kMaxRows, 0);
        rows.forEach([&](int r) {
            rowOrder.push_back(r);
            minCost[r] = -1;
        });
        for (int j = 0; j < static_cast<int>(columns.size()); ++j) {
            covers[j].forEach([&](int r) {
                ++rowColumns[r];
                if (minCost[r] < 0 || m_p.costs[columns[j]] < minCost[r])
                    minCost[r] = m_p.costs[columns[j]];
            });
        }
        std::stable_sort(rowOrder.begin(), rowOrder.end(),
                         [&](int a, int b) { return rowColumns[a] < rowColumns[b]; });
        const long lowerBound = LowerBound(rows, columns, covers, byRow, rowOrder, minCost);
        if (cost + lowerBound >= m_best) {
            chosen.resize(chosenAtEntry);
            return;
        }
        long cheapest = m_p.costs[columns.front()];
        for (int c : columns)
            cheapest = std::min(cheapest, m_p.costs[c]);
        Relaxations relax{};
        if (parentRelax)
            relax = *parentRelax;
        const int nCols = static_cast<int>(columns.size());
        // Children start from their parent's multipliers and need few steps.
        const int iterations = parentRelax ? 40 : 200;
        // Every cover takes at least so many columns, each at no less than the
        // cheapest one's cost; a cover of `enough` columns cannot beat the best.
        auto enoughColumns = [&] { return static_cast<int>((m_best - cost + cheapest - 1) / cheapest); };
        int enough = enoughColumns();
        std::vector<double> unit(nCols, 1.0), reduced;
        const double relaxed = ColumnCountBound(
            rowOrder, covers, unit, enough - 1, [&](double b) { return Columns(b) >= enough; }, relax.count,
            parentRelax != nullptr, iterations, reduced);
        const int fewestColumns = Columns(relaxed);
        auto hopeless = [&] {
            return cost + lowerBound >= m_best || cost + fewestColumns * cheapest >= m_best;
        };
        if (!hopeless())
            RoundRelaxation(rows, columns, covers, reduced, cost, chosen);
        if (hopeless()) {
            chosen.resize(chosenAtEntry);
            return;
        }
        enough = enoughColumns();
        // The same relaxation with the real costs, counted in cheapest columns:
        // it sees literals where the count of columns ties.
        std::vector<double> weight(nCols), reducedCost;
        bool uniform = true;
        for (int j = 0; j < nCols; ++j) {
            weight[j] = static_cast<double>(m_p.costs[columns[j]]) / cheapest;
            uniform = uniform && m_p.costs[columns[j]] == cheapest;
        }

        auto costReached = [&](double b) { return cost + (b - 1e-4) * cheapest >= static_cast<double>(m_best); };
        double relaxedCost = 0;
        if (!uniform) {
            relaxedCost = ColumnCountBound(rowOrder, covers, weight, static_cast<double>(m_best - cost) / cheapest,
                                           costReached, relax.cost, parentRelax != nullptr, iterations, reducedCost);
            if (costReached(relaxedCost)) {
                chosen.resize(chosenAtEntry);
                return;
            }
        }
        // A column whose reduced weight would lift a bound past the best cannot
        // be in a better cover; one whose absence would is in every better cover.
        {
            std::vector<int> kept;
            std::vector<int> forced;
            for (int j = 0; j < nCols; ++j) {
                const bool excludedByCount = reduced[j] > 0 && Columns(relaxed + reduced[j]) >= enough;
                const bool excludedByCost = !uniform && reducedCost[j] > 0 && costReached(relaxedCost + reducedCost[j]);
                if (excludedByCount || excludedByCost)
                    continue;
                if ((reduced[j] < 0 && Columns(relaxed - reduced[j]) >= enough)
                    || (!uniform && reducedCost[j] < 0 && costReached(relaxedCost - reducedCost[j])))
                    forced.push_back(j);
                kept.push_back(columns[j]);
            }
            if (!forced.empty() || kept.size() < columns.size()) {
                RowSet left = rows;
                long fixedCost = cost;
                for (int j : forced) {
                    chosen.push_back(columns[j]);
                    fixedCost += m_p.costs[columns[j]];
                    left = left & ~covers[j];
                }
                Node(left, std::move(kept), fixedCost, chosen, &relax);
                chosen.resize(chosenAtEntry);
                return;
            }
        }

        // Branch on the row with the fewest columns: one of them is in every cover.
        const int branchRow = rowOrder.front();
        std::vector<int> options;
        for (int j = 0; j < static_cast<int>(columns.size()); ++j)
            if (covers[j].test(branchRow))
                options.push_back(j);
        // The relaxation's favourites first, then the most rows per unit of cost.
        std::stable_sort(options.begin(), options.end(), [&](int a, int b) {
            if (reduced[a] != reduced[b])
                return reduced[a] < reduced[b];
            const long ca = m_p.costs[columns[a]], cb = m_p.costs[columns[b]];
            return static_cast<double>(covers[a].count()) / ca > static_cast<double>(covers[b].count()) / cb;
        });
        std::vector<bool> excluded(columns.size(), false);
        for (int j : options) {
            std::vector<int> rest;
            for (int k = 0; k < static_cast<int>(columns.size()); ++k)
                if (k != j && !excluded[k])
                    rest.push_back(columns[k]);
            chosen.push_back(columns[j]);
            Node(rows & ~covers[j], std::move(rest), cost + m_p.costs[columns[j]], chosen, &relax);
            chosen.pop_back();
            // Later branches leave this column out: covers holding it were searched here.
            excluded[j] = true;
            if (m_timedOut || hopeless() || (!uniform && costReached(relaxedCost)))
                break;
        }
        chosen.resize(chosenAtEntry);
    }

    const CoverProblem &m_p;
    long m_best;
    std::vector<int> m_bestColumns;
    bool m_found = false;
    bool m_timedOut = false;
    long m_nodes = 0;
    long m_nodeLimit = 0;
    std::chrono::steady_clock::time_point m_deadline;
};

} // namespace

CoverSolution SolveMinimumCover(const CoverProblem &problem, long bound, std::chrono::milliseconds budget,
                                long nodeLimit)
{
    return Search(problem, bound, budget, nodeLimit).Run();
}

} // namespace quintora
