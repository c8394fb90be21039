#include "reportcontent.h"

namespace quintora {

QStringList MemoLines(const QString &start, const QStringList &items, const QString &separator,
                      const QString &closing)
{
    QStringList lines;
    QString line = start;
    for (const QString &item : items) {
        line += item + separator;
        if (line.size() > 85) {
            lines << line;
            line.clear();
        }
    }
    if (!line.isEmpty())
        line.chop(1);
    lines << line + closing;
    return lines;
}

QString FunctionHead(int numVar, const VarNames &names)
{
    QStringList used;
    for (int i = 0; i < numVar; ++i)
        used << names[i];
    return QStringLiteral("f( ") + used.join(QLatin1Char(',')) + QStringLiteral(" )");
}

ReportContent BuildReportContent(int numVar, const VarNames &names, const QStringList &valueCells,
                                 const QStringList &indexCells, const std::optional<QStringList> &karnaughTerms)
{
    ReportContent report;
    report.funcion = FunctionHead(numVar, names);
    QStringList values, ones, zeros;
    for (qsizetype r = 0; r < valueCells.size(); ++r) {
        const QString value = valueCells[r].trimmed();
        values << value;
        const QString index = r < indexCells.size() ? indexCells[r].trimmed() : QString::number(r);
        if (value == QLatin1String("1"))
            ones << index;
        else if (value == QLatin1String("0"))
            zeros << index;
    }
    report.verdad = MemoLines(QStringLiteral("f=( "), values, QStringLiteral(","), QStringLiteral(" )"));
    report.sop = MemoLines(QStringLiteral("( "), ones, QStringLiteral(","), QStringLiteral(" )"));
    report.pos = MemoLines(QStringLiteral("( "), zeros, QStringLiteral(","), QStringLiteral(" )"));
    if (karnaughTerms) {
        QStringList sum, nands;
        for (const QString &term : *karnaughTerms) {
            sum << QStringLiteral("(") + term + QStringLiteral(")");
            nands << QStringLiteral("|(") + term + QStringLiteral(")");
        }
        report.karnaugh = MemoLines(QString(), sum, QStringLiteral("+"), QString());
        report.nand = MemoLines(QStringLiteral("|( "), nands, QString(QChar(0x00B7)), QStringLiteral(" )"));
    }
    return report;
}

ReportContent BuildReportContent(const SolvedFunction &solved)
{
    QStringList values, indices, terms;
    for (int m = 0; m < RowCount(solved.numVar) && m < int(solved.values.size()); ++m) {
        values << TruthValueText(ValueText(solved.values[m]));
        indices << TruthIndexText(m);
    }
    for (const SolvedTerm &term : solved.karnaugh)
        terms << term.caption;
    return BuildReportContent(solved.numVar, solved.names, values, indices, terms);
}

} // namespace quintora
