// The function model without widgets: cell texts of the truth table and the
// Karnaugh map, and the geometry that maps a row index to its map cell.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace quintora {

constexpr int kMinVars = 3;
constexpr int kMaxVars = 8;

using VarNames = std::array<QString, 8>;
VarNames DefaultNomVar(); // "a" .. "h"

// A row's value as the minimiser reads it: 0, 1, or anything else (don't care).
enum RowValue : uint8_t { ValueZero = 0, ValueOne = 1, ValueDontCare = 2 };
using RowValues = std::vector<uint8_t>;

inline int RowCount(int numVar) { return 1 << numVar; }
inline int MapRowVars(int numVar) { return numVar / 2; }          // R
inline int MapColVars(int numVar) { return numVar - numVar / 2; } // C
inline int MapDataRows(int numVar) { return 1 << MapRowVars(numVar); }
inline int MapDataColumns(int numVar) { return 1 << MapColVars(numVar); }

// Truth table: header row 0, row m + 1 holds row index m, value column numVar + 1.
QString TruthHeaderText(int column, int numVar, const VarNames &names);
QString TruthIndexText(int m);                        // "%3d"
QString TruthBitText(int m, int column, int numVar);  // " 1" / " 0"
QString TruthValueText(const QString &value);         // "  " + value, empty stays empty

// Karnaugh map: header cells hold Gray codes, value cells the trimmed truth value.
QString MapHeaderText(int index, int width);          // IntToBin(BinToGray(index), width)
QString MapValueText(const QString &truthValueText);
QString MapRowTag(int numVar, const VarNames &names); // lblTag1: the row variables' names
QString MapColTag(int numVar, const VarNames &names); // lblTag2: the column variables' names

struct MapCell {
    int column;
    int row;
    bool operator==(const MapCell &) const = default;
};
MapCell MapCellOfIndex(int m, int numVar);
// From the header texts of a map data cell: row header (0, row), column header (column, 0).
int IndexOfMapCell(const QString &rowHeaderText, const QString &columnHeaderText);

// A value cell's text read as the minimiser reads it: trimmed decimal number,
// anything that is not 0 or 1 (X, another digit, text) is a don't care.
RowValue RowValueOfText(const QString &cellText);

// The function as edited: what an undo brings back. One value character per
// row: "0", "1", "X", or "_" for an empty cell.
struct FunctionState {
    int numVar = 4;
    VarNames names = DefaultNomVar();
    QString values;
    bool operator==(const FunctionState &) const = default;
};

} // namespace quintora
