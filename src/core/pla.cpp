#include "pla.h"

#include "solver.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace quintora {

namespace {

QString Refused(const QString &why) { return QStringLiteral("Fichero PLA no v\u00e1lido: ") + why; }

bool IsAsciiLetter(const QString &s)
{
    return s.size() == 1 && ((s[0] >= QLatin1Char('a') && s[0] <= QLatin1Char('z'))
                             || (s[0] >= QLatin1Char('A') && s[0] <= QLatin1Char('Z')));
}

// The .ilb names for the first `n` variables, and the rest of the eight
// from a to h, skipping letters already taken, so all eight stay different.
VarNames NamesOf(const QStringList &labels, int n)
{
    VarNames names = DefaultNomVar();
    bool usable = labels.size() == n;
    for (int i = 0; usable && i < n; ++i)
        usable = IsAsciiLetter(labels[i]) && labels.indexOf(labels[i]) == i;
    if (!usable)
        return names;
    QString spare = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
    for (int i = 0; i < n; ++i) {
        names[i] = labels[i];
        spare.remove(labels[i]);
    }
    for (int i = n; i < 8; ++i) {
        names[i] = spare.left(1);
        spare.remove(0, 1);
    }
    return names;
}

QByteArray Header(int numVar, const VarNames &names, const char *type, int cubes)
{
    QByteArray text = "# Quintora\n.i " + QByteArray::number(numVar) + "\n.o 1\n.ilb";
    for (int i = 0; i < numVar; ++i)
        text += ' ' + names[i].toLatin1();
    text += "\n.ob f\n.type " + QByteArray(type) + "\n.p " + QByteArray::number(cubes) + '\n';
    return text;
}

QByteArray RowCube(int r, int numVar)
{
    QByteArray bits(numVar, '0');
    for (int i = 0; i < numVar; ++i)
        if ((r >> (numVar - 1 - i)) & 1)
            bits[i] = '1';
    return bits;
}

} // namespace

PlaRead ParsePla(const QByteArray &bytes)
{
    PlaRead read;
    auto fail = [&read](const QString &why) {
        read.error = Refused(why);
        return read;
    };
    int inputs = -1;
    QString type = QStringLiteral("fd"); // the usual default of PLA readers
    QStringList labels;
    struct Cube {
        QString bits;
        QChar output;
        int line;
    };
    QList<Cube> cubes;
    const QList<QByteArray> lines = bytes.split('\n');
    for (int l = 0; l < lines.size(); ++l) {
        QString line = QString::fromLatin1(lines[l]);
        const qsizetype hash = line.indexOf(QLatin1Char('#'));
        if (hash >= 0)
            line.truncate(hash);
        const QStringList words = line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        const QString key = words[0];
        const QString where = QStringLiteral(" (l\u00ednea %1)").arg(l + 1);
        if (key == QLatin1String(".e") || key == QLatin1String(".end"))
            break;
        if (key == QLatin1String(".i")) {
            bool ok = false;
            inputs = words.value(1).toInt(&ok);
            if (!ok || words.size() != 2)
                return fail(QStringLiteral(".i sin un n\u00famero de entradas") + where);
            if (inputs < kMinVars || inputs > kMaxVars)
                return fail(QStringLiteral("tiene %1 entradas; se admiten de 3 a 8").arg(inputs));
        } else if (key == QLatin1String(".o")) {
            if (words.value(1) != QLatin1String("1"))
                return fail(QStringLiteral("tiene %1 salidas; se admite una sola").arg(words.value(1)));
        } else if (key == QLatin1String(".ilb")) {
            labels = words.mid(1);
        } else if (key == QLatin1String(".type")) {
            type = words.value(1);
            if (type != QLatin1String("f") && type != QLatin1String("fd") && type != QLatin1String("fr"))
                return fail(QStringLiteral("tipo \u00ab%1\u00bb no admitido; se admiten f, fd y fr").arg(type));
        } else if (key == QLatin1String(".ob") || key == QLatin1String(".p")) {
            // The output's name and the cube count tell nothing the cubes do not.
        } else if (key.startsWith(QLatin1Char('.'))) {
            return fail(QStringLiteral("directiva \u00ab%1\u00bb no admitida").arg(key) + where);
        } else {
            if (inputs < 0)
                return fail(QStringLiteral("un cubo antes de .i") + where);
            const QString cube = words.join(QString());
            if (cube.size() != inputs + 1)
                return fail(QStringLiteral("el cubo \u00ab%1\u00bb no tiene %2 entradas y una salida")
                                                .arg(words.join(QLatin1Char(' ')))
                                                .arg(inputs)
                                            + where);
            const QString bits = cube.left(inputs);
            for (QChar c : bits)
                if (c != QLatin1Char('0') && c != QLatin1Char('1') && c != QLatin1Char('-'))
                    return fail(QStringLiteral("el cubo \u00ab%1\u00bb tiene un car\u00e1cter no v\u00e1lido")
                                                    .arg(words.join(QLatin1Char(' ')))
                                                + where);
            const QChar out = cube.back();
            if (QStringLiteral("01-~2").indexOf(out) < 0)
                return fail(QStringLiteral("la salida \u00ab%1\u00bb no es v\u00e1lida").arg(out) + where);
            cubes.append({bits, out, l + 1});
        }
    }
    if (inputs < 0)
        return fail(QStringLiteral("falta .i"));

    const int rows = RowCount(inputs);
    // 1 for the on-set, 0 the off-set, 2 don't care, -1 not given.
    QList<int> given(rows, -1);
    for (const Cube &cube : cubes) {
        int value = -1;
        if (cube.output == QLatin1Char('1'))
            value = 1;
        else if (type == QLatin1String("fr") && cube.output == QLatin1Char('0'))
            value = 0;
        else if (type == QLatin1String("fd") && (cube.output == QLatin1Char('-') || cube.output == QLatin1Char('2')))
            value = 2;
        if (value < 0)
            continue;
        for (int r = 0; r < rows; ++r) {
            if (!TermCovers(r, cube.bits, inputs))
                continue;
            if (given[r] >= 0 && given[r] != value)
                return fail(QStringLiteral("cubos contradictorios: la fila %1 es %2 y %3 (l\u00ednea %4)")
                                                .arg(r)
                                                .arg(given[r] == 2 ? QStringLiteral("X") : QString::number(given[r]))
                                                .arg(value == 2 ? QStringLiteral("X") : QString::number(value))
                                                .arg(cube.line));
            given[r] = value;
        }
    }
    // Rows no cube gives are 0, except in fr, where they are free.
    const QChar unset = type == QLatin1String("fr") ? QLatin1Char('X') : QLatin1Char('0');
    read.file.numVar = inputs;
    read.file.names = NamesOf(labels, inputs);
    for (int r = 0; r < rows; ++r)
        read.file.values += given[r] == 1 ? QLatin1Char('1') : given[r] == 2 ? QLatin1Char('X')
                                                           : given[r] == 0 ? QLatin1Char('0') : unset;
    read.ok = true;
    return read;
}

QByteArray WritePla(int numVar, const VarNames &names, const QString &values)
{
    QByteArray cubes;
    int count = 0;
    for (int r = 0; r < RowCount(numVar) && r < values.size(); ++r) {
        if (values[r] == QLatin1Char('1') || values[r] == QLatin1Char('X')) {
            cubes += RowCube(r, numVar) + (values[r] == QLatin1Char('1') ? " 1\n" : " -\n");
            ++count;
        }
    }
    return Header(numVar, names, "fd", count) + cubes + ".e\n";
}

QByteArray WritePlaSum(int numVar, const VarNames &names, const QStringList &patterns)
{
    QByteArray cubes;
    for (const QString &p : patterns)
        cubes += p.toLatin1() + " 1\n";
    return Header(numVar, names, "f", int(patterns.size())) + cubes + ".e\n";
}

bool IsPlaPath(const QString &path) { return QFileInfo(path).suffix().compare(QLatin1String("pla"), Qt::CaseInsensitive) == 0; }

LoadResult LoadFunctionFile(const QString &path)
{
    const bool pla = IsPlaPath(path);
    LoadResult result = LoadFile(path, [pla](const QByteArray &bytes, QString *why) -> std::optional<DataFile> {
        if (!pla)
            return ParseDataFile(bytes);
        PlaRead read = ParsePla(bytes);
        if (!read.ok) {
            *why = read.error;
            return std::nullopt;
        }
        return read.file;
    });
    if (result.status == LoadResult::Invalid && result.errorText.isEmpty())
        result.errorText = pla ? Refused(QStringLiteral("demasiado grande")) : kInvalidFileMessage;
    return result;
}

} // namespace quintora
