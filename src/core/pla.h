// Berkeley PLA files of one output, as other logic tools read and write them:
// a function of 3 to 8 inputs as cubes over "0", "1" and "-".
#pragma once

#include "storage.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quintora {

struct PlaRead {
    bool ok = false;
    QString error; // why it was refused, in Spanish
    DataFile file; // values "0", "1", "X"; no date
};
// Reads .i, .o 1, .ilb, .ob, .p, .type f, fd or fr, .e and the cubes. Names
// come from .ilb when they are different one-letter ASCII names, else a to h.
PlaRead ParsePla(const QByteArray &bytes);

// The function as .type fd: each 1 and each don't care as a cube of its own.
// `values` holds one character per row: "1", "X", and anything else as 0.
QByteArray WritePla(int numVar, const VarNames &names, const QString &values);
// A sum of products as .type f, one cube per pattern ("01-").
QByteArray WritePlaSum(int numVar, const VarNames &names, const QStringList &patterns);

// True for a path that names a PLA file (by its extension).
bool IsPlaPath(const QString &path);
// Reads a data file or a PLA file, by its extension; an invalid file's
// message (the data file's usual one, or what is wrong with the PLA) is in
// errorText.
LoadResult LoadFunctionFile(const QString &path);

} // namespace quintora
