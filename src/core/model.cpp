#include "model.h"

#include "GrayBin.h"

namespace quintora {

VarNames DefaultNomVar()
{
    VarNames names;
    for (int i = 0; i < 8; ++i)
        names[i] = QString(QChar('a' + i));
    return names;
}

QString TruthHeaderText(int column, int numVar, const VarNames &names)
{
    if (column >= 1 && column <= numVar)
        return QStringLiteral(" ") + names[column - 1];
    if (column == numVar + 1)
        return QStringLiteral(" =");
    return QString();
}

QString TruthIndexText(int m) { return QStringLiteral("%1").arg(m, 3); }

QString TruthBitText(int m, int column, int numVar)
{
    const int bit = numVar - column;
    return ((m >> bit) & 1) ? QStringLiteral(" 1") : QStringLiteral(" 0");
}

QString TruthValueText(const QString &value)
{
    return value.isEmpty() ? QString() : QStringLiteral("  ") + value;
}

QString MapHeaderText(int index, int width)
{
    return IntToBin(static_cast<int32_t>(BinToGray(static_cast<uint32_t>(index))), width);
}

QString MapValueText(const QString &truthValueText) { return truthValueText.trimmed(); }

static QString JoinNames(const VarNames &names, int from, int to)
{
    QString text;
    for (int i = from; i < to; ++i)
        text += names[i];
    return text;
}

QString MapRowTag(int numVar, const VarNames &names) { return JoinNames(names, 0, MapRowVars(numVar)); }
QString MapColTag(int numVar, const VarNames &names) { return JoinNames(names, MapRowVars(numVar), numVar); }

MapCell MapCellOfIndex(int m, int numVar)
{
    const int r = MapRowVars(numVar);
    const QString bits = IntToBin(m, numVar);
    const QString rowPart = bits.left(r);
    const QString colPart = bits.right(numVar - r);
    return MapCell{GrayToBin(BinToInt(colPart)) + 1, GrayToBin(BinToInt(rowPart)) + 1};
}

int IndexOfMapCell(const QString &rowHeaderText, const QString &columnHeaderText)
{
    return BinToInt(rowHeaderText.trimmed() + columnHeaderText.trimmed());
}

RowValue RowValueOfText(const QString &cellText)
{
    bool ok = false;
    const int v = cellText.trimmed().toInt(&ok);
    if (!ok)
        return ValueDontCare;
    if (v == 0)
        return ValueZero;
    return v == 1 ? ValueOne : ValueDontCare;
}

} // namespace quintora
