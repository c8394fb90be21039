// The data file (.qmt): composing its seven lines, reading them back, the
// checksum of the values and the Windows-1252 bytes on disk.
#pragma once

#include "model.h"

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace quintora {

inline const QString kInvalidFileMessage = QStringLiteral("Error, fichero alterado o no del tipo QMT");
inline const QString kFileDateMessage = QStringLiteral("Fichero salvado el dia y hora siguiente: ");
// A valid file is a few hundred bytes; anything larger is refused unread.
constexpr qint64 kMaxDataFileSize = 1024 * 1024;

QString DecodeWindows1252(const QByteArray &bytes);
QByteArray EncodeWindows1252(const QString &text); // characters outside the set become "?"

// The checksum over the value characters of the rows in row order: row index plus
// the digit's value ("X", "_" and other characters count 0).
int TableChecksum(const QString &valueChars);

// The text of the "Fecha/Hora:" line: the short date, one blank and the long
// time as `locale` writes them, without the time zone that some long formats add.
QString SaveDateText(const QLocale &locale, const QDateTime &when);

// The seven lines (without line ends) for a table whose value cells hold the
// given texts ("  1", "  0", "  X" or empty), one per row in row order.
QStringList ComposeDataFile(int numVar, const VarNames &names, const QStringList &valueCellTexts,
                            const QString &dateTimeText);
// Windows-1252 bytes, CR LF after every line.
QByteArray EncodeDataFile(const QStringList &lines);

// CR LF, a lone LF and a lone CR each end a line.
QStringList SplitLines(const QString &text);

struct DataFileFields {
    QString count;    // "NumVar:", 1 character
    QString names;    // "NomVar:", 16
    QString table;    // "Tabla:", 600, with "," appended
    QString checksum; // "CRC:", 15, one trailing "S" removed
    QString date;     // "Fecha/Hora:", 50
};
DataFileFields GatherFields(const QStringList &lines);
// Count 3 to 8, eight different ASCII letters as names, one value per row of
// "0", "1", "X" or "_", and the checksum those values give.
bool ValidateFileData(const QString &count, const QString &names, const QString &table,
                      const QString &checksum);

struct DataFile {
    int numVar = 0;
    VarNames names;
    QString values;   // one character per row in row order, "_" already read as "0"
    QString dateText; // empty when the file has no "Fecha/Hora:" line
};
// nullopt when the file is invalid.
std::optional<DataFile> ParseDataFile(const QByteArray &bytes);

struct LoadResult {
    enum Status { Ok, Invalid, ReadError };
    Status status = ReadError;
    QString errorText; // the system's wording, or why it is not a file, for ReadError
    DataFile data;
};
// Reads a regular file of at most kMaxDataFileSize bytes and hands its bytes
// to `parse`, which returns the function or nullopt with why in `why` (left
// empty for the data file's usual message). Anything but a regular file is a
// ReadError, unread; a larger file is Invalid.
using FileParser = std::function<std::optional<DataFile>(const QByteArray &bytes, QString *why)>;
LoadResult LoadFile(const QString &path, const FileParser &parse);
// Reads and validates a data file.
LoadResult LoadDataFile(const QString &path);

} // namespace quintora
