// What the solutions report prints, without widgets: the function's head and
// the lines of its five memos.
#pragma once

#include "model.h"
#include "solver.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace quintora {

inline const QString kPrintRefusedMessage =
    QStringLiteral("Pueden haberse realizado cambios en datos, pulse Resolver antes de imprimir");

// The line rule of every memo: items and their separators are added to a
// line that starts with `start`; a line longer than 85 characters is closed
// after the item that made it so; the last line loses its trailing separator
// and gets `closing`.
QStringList MemoLines(const QString &start, const QStringList &items, const QString &separator,
                      const QString &closing);

QString FunctionHead(int numVar, const VarNames &names); // "f( a,b,c,d )"

struct ReportContent {
    QString funcion;
    QStringList verdad, sop, pos, karnaugh, nand;
};

// From the truth table's value and index cell texts (one per row, in row
// order) and the captions under the "Karnaugh" node; without that node the
// two memos of the minimal sum stay empty.
ReportContent BuildReportContent(int numVar, const VarNames &names, const QStringList &valueCells,
                                 const QStringList &indexCells, const std::optional<QStringList> &karnaughTerms);
// The report of a solved function: its values, its names and its minimal sum.
ReportContent BuildReportContent(const SolvedFunction &solved);

} // namespace quintora
