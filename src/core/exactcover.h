// Minimum-cost cover of a set of rows by columns (unate covering), by essential
// columns, row and column dominance and branch and bound over bit sets.
#pragma once

#include <array>
#include <bit>
#include <chrono>
#include <cstdint>
#include <vector>

namespace quintora {

constexpr int kMaxRows = 256; // 2^8 rows at most

// Bits set in a word: the instruction where the build targets it, else the
// usual parallel sum inline, which beats the library call it would become.
inline int PopCount(uint64_t x)
{
#if defined(__POPCNT__) || !(defined(__x86_64__) || defined(__i386__))
    return std::popcount(x);
#else
    x = x - ((x >> 1) & 0x5555555555555555ull);
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<int>((x * 0x0101010101010101ull) >> 56);
#endif
}

// A set of row indices below kMaxRows.
struct RowSet {
    std::array<uint64_t, 4> w{};

    void set(int r) { w[r >> 6] |= uint64_t{1} << (r & 63); }
    void reset(int r) { w[r >> 6] &= ~(uint64_t{1} << (r & 63)); }
    bool test(int r) const { return (w[r >> 6] >> (r & 63)) & 1; }
    int count() const
    {
        return PopCount(w[0]) + PopCount(w[1]) + PopCount(w[2]) + PopCount(w[3]);
    }
    bool none() const { return (w[0] | w[1] | w[2] | w[3]) == 0; }
    int first() const // the lowest row, -1 when empty
    {
        for (int i = 0; i < 4; ++i)
            if (w[i])
                return i * 64 + std::countr_zero(w[i]);
        return -1;
    }
    bool any() const { return !none(); }
    bool isSubsetOf(const RowSet &o) const
    {
        return ((w[0] & ~o.w[0]) | (w[1] & ~o.w[1]) | (w[2] & ~o.w[2]) | (w[3] & ~o.w[3])) == 0;
    }
    RowSet operator&(const RowSet &o) const { return {{w[0] & o.w[0], w[1] & o.w[1], w[2] & o.w[2], w[3] & o.w[3]}}; }
    RowSet operator|(const RowSet &o) const { return {{w[0] | o.w[0], w[1] | o.w[1], w[2] | o.w[2], w[3] | o.w[3]}}; }
    RowSet operator~() const { return {{~w[0], ~w[1], ~w[2], ~w[3]}}; }
    RowSet &operator|=(const RowSet &o) { return *this = *this | o; }
    bool operator==(const RowSet &) const = default;

    template <typename F> void forEach(F &&f) const
    {
        for (int i = 0; i < 4; ++i)
            for (uint64_t bits = w[i]; bits; bits &= bits - 1)
                f(i * 64 + std::countr_zero(bits));
    }
};

// Covers are ranked by their number of columns, then by their total literals.
struct CoverCost {
    int columns = 0;
    int literals = 0;
    auto operator<=>(const CoverCost &) const = default;
};

struct CoverProblem {
    std::vector<RowSet> columns; // the rows each column covers
    std::vector<int> literals;   // each column's literals, 0 to 8
    RowSet rows;                 // the rows to cover; every one lies in some column

    // Optional, for functions with symmetries: the rows are the minterms of a
    // function of `numVar` variables whose value on each is in `function` (0,
    // 1, or 2 for a don't care), and each column is the cube of the rows x
    // with x & ~dashes == ones. The search then finds the permutations and
    // complementations of variables that leave the function as it is and
    // branches once per class of columns they make alike.
    int numVar = 0;
    std::vector<uint8_t> function;
    std::vector<std::pair<uint16_t, uint16_t>> cubes; // ones, dashes

    // Known from outside the table, when positive: no cover has fewer
    // columns. A cover that meets it needs no search for fewer.
    int fewestColumns = 0;
};

struct CoverSolution {
    bool found = false;       // a cover ranked before the bound was found
    bool proven = false;      // the search ran to the end: no better cover exists
    std::vector<int> columns; // the best cover found, when found
    CoverCost cost;
    long nodes = 0;  // the search's nodes, as it counts them against its limits
    int threads = 1; // the most threads it ran on at once
};

// How the search goes about it; the defaults are the program's. A phase (the
// fewest columns, then the fewest literals) is searched plainly; if that does
// not close it, again with the function's symmetries, if it has any; and then,
// with `cbc`, by CBC. The plain search has `plainNodes` nodes, or
// `literalNodes` for the fewest literals, or `symmetricPlainNodes` where the
// function has symmetries; the symmetric one `symmetricNodes`.
struct SearchOptions {
    long plainNodes = 400;
    long literalNodes = 3000;
    long symmetricPlainNodes = 100;
    long symmetricNodes = 3000;
    bool cbc = true;
    // The symmetric search for the fewest columns of a function with many
    // symmetries shares its subtrees out between two threads, unless this is
    // 1. Its result is the same either way.
    int threads = 2;
};

// Looks for the best cover ranked before `bound`. Past `budget`, or past
// `nodeLimit` search nodes when that is positive (a limit that does not depend
// on the machine's speed), it stops with the best cover found so far.
CoverSolution SolveMinimumCover(const CoverProblem &problem, CoverCost bound, std::chrono::milliseconds budget,
                                long nodeLimit = 0, const SearchOptions &options = {});

// The same search by CBC's branch and cut, as two integer programs: the
// fewest columns, then the fewest literals among covers of that many columns.
CoverSolution SolveMinimumCoverMip(const CoverProblem &problem, CoverCost bound, std::chrono::milliseconds budget);

} // namespace quintora
