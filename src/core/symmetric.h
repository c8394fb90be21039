// Functions whose value on a row depends only on the row's weight, the number
// of its bits that are 1. Their prime implicants come in one kind per run of
// weights that holds no 0 and some 1: the cubes with `low` bits 1 and
// numVar - high bits 0. So their cover splits into one problem per run, and
// each such problem has a floor found from smaller functions of the same kind.
#pragma once

#include "exactcover.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quintora {

// Values (0, 1, or 2 for a don't care) by weight, 0 to numVar.
using WeightValues = std::vector<uint8_t>;

// The function's values by weight; nothing when two rows of one weight differ.
std::optional<WeightValues> ValuesByWeight(const std::vector<uint8_t> &function, int numVar);

// A maximal run of weights that holds no 0 and at least one 1.
struct WeightRun {
    int low = 0;
    int high = 0;
    bool operator==(const WeightRun &) const = default;
};
std::vector<WeightRun> WeightRuns(const WeightValues &byWeight);

// The rows holding 1 whose weight lies in the run, to be covered by the run's
// cubes (all of them, in a fixed order), with the function's symmetries known.
CoverProblem RunCoverProblem(const WeightValues &byWeight, WeightRun run);

// No sum of implicants covers the run's 1s with fewer terms. Fixing i
// variables to 1 and j to 0 leaves a smaller function of the same kind; any
// cover restricted to those rows covers it, so at least its minimum m of the
// cover's terms meet them. Each term meets the same number of such fixings,
// so the cover has at least (fixings x m) / (fixings each term meets) terms.
// Smaller minima that cannot lift the floor are not sought; with a `target`
// (a cover's size), the floor stops once it reaches it.
int RunTermFloor(const WeightValues &byWeight, WeightRun run, int target = 0);

// The fewest terms that cover the run's 1s; nothing when the search stopped
// at its node limit before proving it. Remembered, for all threads.
std::optional<int> RunMinimum(const WeightValues &byWeight, WeightRun run);

// The best cover of one run, as columns of RunCoverProblem: a short search,
// then, when that does not close it, the floor aimed at the cover found and
// the search from that floor, which meeting it ends.
CoverSolution SolveRun(const WeightValues &byWeight, WeightRun run, std::chrono::milliseconds budget,
                       long nodeLimit = 0);

// The exact step as a solve runs it: for a table of a function of this kind
// whose rows are those of its runs, one search per run from its floor, put
// together; for any other table, the search on the whole of it.
CoverSolution SolveFunctionCover(const CoverProblem &problem, CoverCost bound, std::chrono::milliseconds budget,
                                 long nodeLimit = 0);

} // namespace quintora
