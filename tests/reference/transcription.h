// Literal string version of the minimiser, kept as the oracle of the fast
// bit-mask engine and as the baseline of the benchmark. Patterns are QStrings
// over "0", "1" and "-", levels are QStringLists, removed entries are first
// overwritten with "R" and compacted later, and every count is recomputed from
// scratch. Nothing here is optimised on purpose.
#pragma once

#include "GrayBin.h"
#include "solver.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace quintora::reference {

struct MintermRec {
    int Index;   // row index
    int Value;   // the row's reading: 1 for a row holding 1, 2 for X (any non-zero reading)
    int Pending; // cover search: a row with Value 1 and Pending 1 still needs a term
};

// The working lists of one Solve.
struct State {
    int NumVar = 4;
    QList<MintermRec> Minterms; // rows whose reading is not 0, ascending
    QStringList Levels[9];      // level k: patterns with exactly k dashes
    QStringList BestTerms;
    int BestTermCount = 1000;
    int TrialsDone = 0;
};

// The removal marker of a list entry.
inline const QString kRemoved = QStringLiteral("R");

// valueCells: the truth table's value-column texts, one per row in row order
// ("  1", "  0", "  X", or other texts).
void ReadRows(State &s, const QStringList &valueCells); // fills Minterms and level 0
QString CombineTerms(const QString &a, const QString &b); // empty string = no result
void MergeLevel(State &s, int k);                          // level k + 1 from level k
void MarkIfCovered(State &s, const QString &higher, QString &lower);
void MarkCoveredImplicants(State &s); // levels 8 down to 1 mark what they cover below
void CompactLevels(State &s);
void BuildPrimeImplicants(State &s, const QStringList &valueCells); // the whole stage
bool TermCovers(const State &s, int minterm, const QString &pattern);
int CountCovered(const State &s, const QString &pattern, bool pendingOnly);
int LiteralCount(const QStringList &patterns);
// All 8 * 2^NumVar + 1 trials; BestTerms and BestTermCount without the isolated rows.
// Reseeds `random` before every draw and draws exactly once per chosen term.
// A positive `trialLimit` stops after that many trials (for timing only).
void CoverSearch(State &s, quintora::RandomSource &random,
                 const quintora::ProgressFn &progress = {}, int trialLimit = 0);
// Appends every level-0 pattern whose row holds 1 to BestTerms.
void AddIsolatedRows(State &s, const QStringList &valueCells,
                     const quintora::ProgressFn &progress = {});

} // namespace quintora::reference
