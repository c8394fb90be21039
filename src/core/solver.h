// The minimiser: prime implicants, the randomised cover search, the exact step
// that proves the sum minimal, and the texts of the three solution lists.
#pragma once

#include "exactcover.h"
#include "model.h"

#include <QString>
#include <QStringList>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace quintora {

// An implicant pattern over NumVar variables. Bit v of a row index is variable
// NumVar - 1 - v; position 1 of the pattern's text is the most significant bit.
// A set bit in `dashes` is a "-"; elsewhere the variable stands as in `ones`.
struct Pattern {
    uint16_t ones = 0;
    uint16_t dashes = 0;
    bool operator==(const Pattern &) const = default;

    // The "R" marker of an entry that is to leave its list.
    static constexpr Pattern Removed() { return Pattern{0xFFFF, 0xFFFF}; }
    bool IsRemoved() const { return *this == Removed(); }
};

QString PatternText(Pattern p, int numVar);
// "0", "1", "-"; anything else reads as "-". At most 16 characters are read.
Pattern PatternOfText(const QString &text);
int LiteralCount(Pattern p, int numVar);
int LiteralCount(const std::vector<Pattern> &terms, int numVar);

struct MintermRec {
    int Index = 0;
    int Value = 0;   // 1 for a row holding 1, 2 for a don't care
    int Pending = 0; // a row with Value 1 and Pending 1 still needs a term
};

// The search draws from here. The program's source reseeds from the clock before
// every draw; tests and the command-line tool seed once for reproducible runs.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual void Reseed() = 0;
    virtual uint32_t Draw(uint32_t n) = 0; // uniform in 0 .. n - 1, n >= 1
};

// The linear congruential generator: seed := seed * 134775813 + 1, and the draw
// is the high half of seed * n. Reseed() keeps the current seed.
class LcgRandom : public RandomSource {
public:
    explicit LcgRandom(uint32_t seed) : m_seed(seed) {}
    void Reseed() override {}
    uint32_t Draw(uint32_t n) override;
    uint32_t Seed() const { return m_seed; }

protected:
    uint32_t m_seed;
};

// The same generator reseeded from a monotonic high-resolution clock before every draw.
class ClockRandom : public LcgRandom {
public:
    ClockRandom() : LcgRandom(0) {}
    void Reseed() override;
};

struct SearchProgress {
    int BestTermCount = 0;
    int TrialsDone = 0;
    bool BestCountChanged = false; // the count to show changed (else only the trial count moved)
};
using ProgressFn = std::function<void(const SearchProgress &)>;

constexpr int kNoBestTermCount = 1000;
constexpr int kLevelCount = 9;
inline int TrialCount(int numVar) { return 8 * (1 << numVar) + 1; }

// The working lists of one Solve.
struct SolverState {
    int NumVar = 4;
    std::vector<MintermRec> Minterms;
    std::array<std::vector<Pattern>, kLevelCount> Levels;
    std::vector<Pattern> BestTerms;
    int BestTermCount = kNoBestTermCount;
    int TrialsDone = 0;
};

bool TermCovers(int minterm, Pattern p);
// Text form, for patterns parsed back from the solutions: the pattern must have
// exactly numVar characters.
bool TermCovers(int minterm, const QString &pattern, int numVar);

std::optional<Pattern> CombineTerms(Pattern a, Pattern b);
void ReadRows(SolverState &s, const RowValues &values); // Minterms and level 0
void MergeLevel(SolverState &s, int k);
// Overwrites `lower` with the marker when `higher` covers it; marked entries mark nothing.
void MarkIfCovered(Pattern higher, Pattern &lower);
void MarkCoveredImplicants(SolverState &s);
void CompactLevels(SolverState &s);
void BuildPrimeImplicants(SolverState &s, const RowValues &values);
int TopLevel(const SolverState &s);

// All trials; leaves BestTerms and BestTermCount without the isolated rows.
// A positive `trialLimit` stops after that many trials (for timing only).
void CoverSearch(SolverState &s, RandomSource &random, const ProgressFn &progress = {}, int trialLimit = 0);

// The set-cover problem the exact step solves: one column per candidate term
// (level order, the isolated rows apart), the rows holding 1 they cover.
CoverProblem ExactCoverProblem(const SolverState &s);

struct ExactResult {
    bool improved = false; // BestTerms was replaced by a strictly better cover
    bool proven = false;   // the search finished within its time budget
};
// How long the exact step may take to prove its cover before it stops with
// the best found, unproven.
inline constexpr std::chrono::milliseconds kExactBudget{2000};

// Searches the same candidates for a cover of the same rows that beats BestTerms
// (fewer terms, or as many terms and fewer literals).
// It stops with the best cover found past `budget`, or past `nodeLimit`
// search nodes when that is positive.
ExactResult ExactCover(SolverState &s, const ProgressFn &progress = {},
                       std::chrono::milliseconds budget = kExactBudget, long nodeLimit = 0);

// The same step started as soon as the prime implicants are known, in a thread
// of its own, so that it runs while the trials do. It searches from no bound of
// theirs, so its cover does not depend on them; Finish() waits for it and keeps
// its cover only when it beats what the trials left in BestTerms.
class ExactCoverTask {
public:
    explicit ExactCoverTask(const SolverState &s, std::chrono::milliseconds budget = kExactBudget,
                            long nodeLimit = 0);
    ~ExactCoverTask();
    ExactCoverTask(const ExactCoverTask &) = delete;
    ExactCoverTask &operator=(const ExactCoverTask &) = delete;
    ExactResult Finish(SolverState &s, const ProgressFn &progress = {});

private:
    struct Work;
    std::unique_ptr<Work> m_work;
    std::thread m_thread;
};

// The level-0 step: every isolated row holding 1 becomes a term of its own.
void AddIsolatedRows(SolverState &s, const RowValues &values, const ProgressFn &progress = {});
void ResetWorkingLists(SolverState &s);

// The whole minimisation of a function that has at least one row holding 1.
struct SolveOutcome {
    std::vector<Pattern> terms;
    ExactResult exact;
};
SolveOutcome MinimalSum(const RowValues &values, int numVar, RandomSource &random,
                        const ProgressFn &progress = {},
                        std::chrono::milliseconds exactBudget = kExactBudget,
                        long exactNodeLimit = 0);

// Term notation.
QString MintermText(int m, int numVar, const VarNames &names);
QString MaxtermText(int m, int numVar, const VarNames &names);
QString ProductText(Pattern p, int numVar, const VarNames &names); // "1" for all dashes
// The sum that is 0 exactly on the cells of `p` (the zeros it groups), as a
// maxterm is written: "+" between literals, "|" for a 1 of the pattern.
QString SumText(Pattern p, int numVar, const VarNames &names); // "0" for all dashes

inline const QString kSopCaption = QStringLiteral("S.O.P. MinTerm");
inline const QString kPosCaption = QStringLiteral("P.O.S. MaxTerm");
inline const QString kKarnaughCaption = QStringLiteral("Karnaugh");
inline const QString kKarnaughPosCaption = QStringLiteral("Karnaugh P.O.S.");

// One term of a solution list: its caption, and the rows it lights on the
// map as a pattern (a maxterm lights the one row where it is 0).
struct SolvedTerm {
    QString caption;
    QString cells;
};

// A solved function as the window keeps it: the solutions tree, the cells a
// click lights and the report all read from this value, never from captions.
struct SolvedFunction {
    int numVar = 0;
    VarNames names;
    RowValues values;
    QList<SolvedTerm> minterms; // rows holding 1, ascending
    QList<SolvedTerm> maxterms; // rows holding 0, ascending
    QList<SolvedTerm> karnaugh; // the minimal sum, in the order found
    bool proven = false;        // the exact step showed the sum minimal
    QList<SolvedTerm> sums;     // the minimal product of sums, each lighting its zeros
    bool productProven = false;
};
SolvedFunction DescribeSolution(const RowValues &values, int numVar, const VarNames &names,
                                const SolveOutcome &outcome);
// The function with its 0s and 1s exchanged (don't cares stay): its minimal
// sum gives the minimal product of sums of the function.
RowValues Complement(const RowValues &values);
// Adds the minimal product of sums (fewest sums, then fewest literals), the
// minimal sum of the complement read as sums; a function without a 0 is the
// empty product, written "1". The budget and node limit are MinimalSum's.
void AddMinimalProduct(SolvedFunction &solved, RandomSource &random,
                       std::chrono::milliseconds exactBudget = kExactBudget, long exactNodeLimit = 0);
// A value's character as the truth table shows it: "0", "1" or "X".
QString ValueText(uint8_t value);

struct SolutionLists {
    QStringList minterms; // rows holding 1, ascending
    QStringList maxterms; // rows holding 0, ascending
    QStringList karnaugh; // the minimal sum, in BestTerms order
};
SolutionLists BuildSolutionLists(const RowValues &values, int numVar, const VarNames &names,
                                 const std::vector<Pattern> &bestTerms);

} // namespace quintora
