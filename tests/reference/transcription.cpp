// Literal string version of the minimiser, step by step and deliberately slow:
// the fast engine in src/solver.cpp is checked against it draw for draw.
#include "transcription.h"

#include <QtGlobal>

namespace quintora::reference {

namespace {

// A value cell trimmed and read as a decimal integer; `fallback` when it is not a number.
int ReadValueText(const QString &cellText, int fallback)
{
    bool ok = false;
    const int value = cellText.trimmed().toInt(&ok, 10);
    return ok ? value : fallback;
}

bool IsDigit(QChar c) { return c == QLatin1Char('0') || c == QLatin1Char('1'); }

// The highest level that is not empty (0 when every level is empty).
int TopLevel(const State &s)
{
    for (int k = 8; k >= 0; --k) {
        if (!s.Levels[k].isEmpty())
            return k;
    }
    return 0;
}

// The cover search's working lists, levels 0 to Top; list 0 stays empty.
struct SearchLists {
    int Top = 0;
    QList<QStringList> Candidates;
    QList<QList<int>> CandidateCounts;
    QStringList TrialTerms;
};

void MarkMintermsCovered(State &s, const QString &pattern)
{
    for (MintermRec &m : s.Minterms) {
        if (m.Value == 1 && m.Pending == 1 && TermCovers(s, m.Index, pattern))
            m.Pending = 0;
    }
}

// The highest count M over all candidates, scanning from the top level down and
// each level from its first candidate; only a strictly greater count replaces
// the running maximum, so L is the highest level holding M.
void FindBestCount(const SearchLists &lists, int &M, int &L)
{
    M = 0;
    L = 0;
    for (int k = lists.Top; k >= 0; --k) {
        const QList<int> &counts = lists.CandidateCounts[k];
        for (int i = 0; i < counts.size(); ++i) {
            if (counts[i] > M) {
                M = counts[i];
                L = k;
            }
        }
    }
}

// Ascending positions of the candidates of level L whose count equals M.
QList<int> TiedCandidates(const SearchLists &lists, int L, int M)
{
    QList<int> tied;
    const QList<int> &counts = lists.CandidateCounts[L];
    for (int i = 0; i < counts.size(); ++i) {
        if (counts[i] == M)
            tied.append(i);
    }
    return tied;
}

bool AllCountsZero(const SearchLists &lists)
{
    for (int k = 1; k <= lists.Top; ++k) {
        for (int count : lists.CandidateCounts[k]) {
            if (count != 0)
                return false;
        }
    }
    return true;
}

// One greedy trial; leaves its chosen patterns in lists.TrialTerms.
void RunTrial(State &s, SearchLists &lists, RandomSource &random)
{
    lists.Candidates.clear();
    lists.CandidateCounts.clear();
    lists.Candidates.resize(lists.Top + 1);
    lists.CandidateCounts.resize(lists.Top + 1);
    for (int k = 1; k <= lists.Top; ++k) {
        lists.Candidates[k] = s.Levels[k];
        for (const QString &candidate : lists.Candidates[k])
            lists.CandidateCounts[k].append(CountCovered(s, candidate, false));
    }

    for (MintermRec &m : s.Minterms)
        m.Pending = m.Value;

    while (!AllCountsZero(lists)) {
        random.Reseed();
        int M = 0;
        int L = 0;
        FindBestCount(lists, M, L);
        const QList<int> tied = TiedCandidates(lists, L, M);
        const uint32_t q = random.Draw(static_cast<uint32_t>(tied.size()));
        if (q >= static_cast<uint32_t>(tied.size()))
            qFatal("RandomSource::Draw(%d) returned %u", int(tied.size()), unsigned(q));
        const int position = tied[q];
        const QString chosen = lists.Candidates[L][position];

        lists.TrialTerms.append(chosen);
        MarkMintermsCovered(s, chosen);
        lists.Candidates[L].removeAt(position);

        for (int k = 0; k <= lists.Top; ++k) {
            lists.CandidateCounts[k].resize(lists.Candidates[k].size());
            for (int i = 0; i < lists.Candidates[k].size(); ++i)
                lists.CandidateCounts[k][i] = CountCovered(s, lists.Candidates[k][i], true);
        }
    }
}

} // namespace

void ReadRows(State &s, const QStringList &valueCells)
{
    const int rows = 1 << s.NumVar;
    if (valueCells.size() != rows)
        qFatal("ReadRows: %d value cells for %d rows", int(valueCells.size()), rows);
    for (int r = 1; r <= rows; ++r) {
        const int reading = ReadValueText(valueCells[r - 1], 2);
        if (reading != 0) {
            s.Minterms.append(MintermRec{r - 1, reading, 0});
            s.Levels[0].append(IntToBin(r - 1, s.NumVar));
        }
    }
}

QString CombineTerms(const QString &a, const QString &b)
{
    if (a.length() != b.length())
        return QString();
    int differing = 0;
    QString result;
    for (int p = 0; p < a.length(); ++p) {
        const QChar ca = a[p];
        const QChar cb = b[p];
        if (ca != cb)
            ++differing;
        if (ca == QLatin1Char('0') && cb == QLatin1Char('0'))
            result += QLatin1Char('0');
        else if (ca == QLatin1Char('1') && cb == QLatin1Char('1'))
            result += QLatin1Char('1');
        else if ((ca == QLatin1Char('0') && cb == QLatin1Char('1'))
                 || (ca == QLatin1Char('1') && cb == QLatin1Char('0')))
            result += QLatin1Char('-');
        else if (ca == QLatin1Char('-') && cb == QLatin1Char('-'))
            result += QLatin1Char('-');
        // A dash against a digit writes nothing: the result comes out short.
    }
    if (result.length() == a.length() && differing == 1)
        return result;
    return QString();
}

void MergeLevel(State &s, int k)
{
    const QStringList &level = s.Levels[k];
    QStringList scratch;
    for (int i = 0; i < level.size() - 1; ++i) {
        for (int j = i + 1; j < level.size(); ++j) {
            const QString combined = CombineTerms(level[i], level[j]);
            if (!combined.isEmpty())
                scratch.append(combined);
        }
    }

    for (int i = 0; i < scratch.size(); ++i) {
        for (int j = i + 1; j < scratch.size(); ++j) {
            if (scratch[i] == scratch[j])
                scratch[j] = kRemoved;
        }
    }

    QStringList next;
    for (const QString &entry : scratch) {
        if (entry != kRemoved)
            next.append(entry);
    }
    s.Levels[k + 1] = next;
}

void MarkIfCovered(State &s, const QString &higher, QString &lower)
{
    if (higher.length() != s.NumVar || lower.length() != s.NumVar)
        return;
    for (int p = 0; p < s.NumVar; ++p) {
        if (IsDigit(higher[p]) && lower[p] != higher[p])
            return;
    }
    lower = kRemoved;
}

void MarkCoveredImplicants(State &s)
{
    for (int L = 8; L >= 1; --L) {
        for (int h = 0; h < s.Levels[L].size(); ++h) {
            for (int l = 0; l <= L - 1; ++l) {
                for (int e = 0; e < s.Levels[l].size(); ++e)
                    MarkIfCovered(s, s.Levels[L][h], s.Levels[l][e]);
            }
        }
    }
}

void CompactLevels(State &s)
{
    // Some level has a marker directly followed by an entry that is not a marker.
    const auto markerBeforeEntry = [&s]() {
        for (int k = 0; k <= 8; ++k) {
            const QStringList &level = s.Levels[k];
            for (int p = 0; p < level.size() - 1; ++p) {
                if (level[p] == kRemoved && level[p + 1] != kRemoved)
                    return true;
            }
        }
        return false;
    };

    while (markerBeforeEntry()) {
        for (int k = 0; k <= 8; ++k) {
            QStringList &level = s.Levels[k];
            for (int p = 0; p < level.size() - 1; ++p) {
                if (level[p] == kRemoved && level[p + 1] != kRemoved) {
                    level[p] = level[p + 1];
                    level[p + 1] = kRemoved;
                }
            }
        }
    }

    for (int k = 0; k <= 8; ++k) {
        int kept = 0;
        for (const QString &entry : s.Levels[k]) {
            if (entry != kRemoved)
                ++kept;
        }
        s.Levels[k].resize(kept);
    }
}

void BuildPrimeImplicants(State &s, const QStringList &valueCells)
{
    ReadRows(s, valueCells);
    for (int k = 0; k <= 7; ++k)
        MergeLevel(s, k);
    MarkCoveredImplicants(s);
    CompactLevels(s);
}

bool TermCovers(const State &s, int minterm, const QString &pattern)
{
    const QString bits = IntToBin(minterm, s.NumVar);
    if (pattern.length() != s.NumVar)
        return false;
    for (int p = 0; p < s.NumVar; ++p) {
        if (pattern[p] == QLatin1Char('0') && bits[p] != QLatin1Char('0'))
            return false;
        if (pattern[p] == QLatin1Char('1') && bits[p] != QLatin1Char('1'))
            return false;
    }
    return true;
}

int CountCovered(const State &s, const QString &pattern, bool pendingOnly)
{
    int count = 0;
    for (const MintermRec &m : s.Minterms) {
        if (m.Value != 1)
            continue;
        if (pendingOnly && m.Pending != 1)
            continue;
        if (TermCovers(s, m.Index, pattern))
            ++count;
    }
    return count;
}

int LiteralCount(const QStringList &patterns)
{
    int count = 0;
    for (const QString &pattern : patterns) {
        for (QChar c : pattern) {
            if (IsDigit(c))
                ++count;
        }
    }
    return count;
}

void CoverSearch(State &s, RandomSource &random, const ProgressFn &progress, int trialLimit)
{
    SearchLists lists;
    lists.Top = TopLevel(s);
    s.BestTerms.clear();
    s.BestTermCount = 1000;
    s.TrialsDone = 0;

    for (;;) {
        RunTrial(s, lists, random);

        const int trialCount = lists.TrialTerms.size();
        bool countChanged = false;
        if (trialCount < s.BestTermCount) {
            s.BestTermCount = trialCount;
            s.BestTerms = lists.TrialTerms;
            countChanged = true;
        }
        if (trialCount == s.BestTermCount
            && LiteralCount(lists.TrialTerms) < LiteralCount(s.BestTerms))
            s.BestTerms = lists.TrialTerms;
        ++s.TrialsDone;
        if (progress)
            progress(SearchProgress{s.BestTermCount, s.TrialsDone, countChanged});

        lists.TrialTerms.clear();
        if (s.TrialsDone > 8 * (1 << s.NumVar) || s.TrialsDone == trialLimit)
            break;
    }
}

void AddIsolatedRows(State &s, const QStringList &valueCells, const ProgressFn &progress)
{
    for (const QString &pattern : s.Levels[0]) {
        const int row = BinToInt(pattern);
        if (ReadValueText(valueCells[row], 0) == 1) {
            s.BestTerms.append(pattern);
            ++s.BestTermCount;
        }
    }
    if (progress)
        progress(SearchProgress{s.BestTermCount, s.TrialsDone, true});
}

} // namespace quintora::reference
