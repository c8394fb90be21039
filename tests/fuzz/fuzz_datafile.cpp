// libFuzzer target over the data-file reader and validator: any bytes must be
// read without a crash, a hang or an out-of-bounds access, the pieces must keep
// their bounds, and a file that is accepted must come back the same after being
// saved again the way the window saves it.
#include "storage.h"

#include <QChar>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <string_view>

using namespace quintora;

namespace {

// A failed property is a crash for libFuzzer, with the input kept as an artifact.
void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// What the window's save drops from a value cell: a value that is only this
// comes back as an empty cell, i.e. "_", which reads as "0".
bool IsBlankOrControl(QChar c)
{
    return c.unicode() <= 0x20 || c.category() == QChar::Other_Control;
}

void CheckLines(const QString &text, const QStringList &lines)
{
    qsizetype total = 0;
    for (const QString &line : lines) {
        Check(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')));
        total += line.size();
    }
    // Only line ends are dropped, each a character or two.
    Check(total <= text.size());
    Check(lines.size() <= text.size());
}

void CheckFields(const DataFileFields &fields)
{
    Check(fields.count.size() <= 1);
    Check(fields.names.size() <= 16);
    Check(fields.table.isEmpty() || (fields.table.size() <= 601 && fields.table.endsWith(QLatin1Char(','))));
    Check(fields.checksum.size() <= 15);
    Check(fields.date.size() <= 50);
}

// An accepted set of fields has the shape the reader relies on when it indexes them.
void CheckAccepted(const QString &count, const QString &names, const QString &table)
{
    Check(count.size() == 1 && count[0] >= QLatin1Char('3') && count[0] <= QLatin1Char('8'));
    Check(names.size() == 8);
    Check(table.size() == 2 * RowCount(count[0].unicode() - '0'));
}

// Values of "0", "1", "X" or "_" and eight different ASCII letters as names:
// checked here on their own, apart from the reader's code.
void CheckWritable(const DataFileFields &fields)
{
    for (qsizetype i = 0; i < fields.table.size(); i += 2)
        Check(fields.table[i].unicode() < 0x80
              && std::string_view("01X_").find(char(fields.table[i].unicode())) != std::string_view::npos);
    for (qsizetype i = 0; i < fields.names.size(); ++i) {
        const char16_t u = fields.names[i].unicode();
        Check((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z'));
        for (qsizetype j = i + 1; j < fields.names.size(); ++j)
            Check(fields.names[j] != fields.names[i]);
    }
}

// The validator on its own, with arbitrary lengths: the text split at its
// first three "|" gives the four fields.
void FuzzValidator(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('|'));
    if (parts.size() < 4)
        return;
    const QString rest = parts.mid(3).join(QLatin1Char('|'));
    if (ValidateFileData(parts[0], parts[1], parts[2], rest)) {
        CheckAccepted(parts[0], parts[1], parts[2]);
        CheckWritable(DataFileFields{parts[0], parts[1], parts[2], rest, QString()});
    }
}

void CheckRoundTrip(const DataFile &file)
{
    Check(file.numVar >= kMinVars && file.numVar <= kMaxVars);
    const int rows = RowCount(file.numVar);
    Check(file.values.size() == rows);

    // As the window holds an opened file: value cells "  " + value, and saves it.
    QStringList cells;
    QString expectedValues;
    for (int r = 0; r < rows; ++r) {
        const QChar v = file.values[r];
        Check(v != QLatin1Char('_'));
        cells.append(QStringLiteral("  ") + v);
        expectedValues += IsBlankOrControl(v) ? QLatin1Char('0') : v;
    }
    const QByteArray saved = EncodeDataFile(ComposeDataFile(file.numVar, file.names, cells, file.dateText));
    const std::optional<DataFile> again = ParseDataFile(saved);
    Check(again.has_value());
    Check(again->numVar == file.numVar);
    Check(again->names == file.names);
    Check(again->values == expectedValues);
    Check(again->dateText == file.dateText);
}

// Byte mutations alone rarely spell a key or hit the checksum, since the key
// search runs inside uninstrumented Qt code; these steps put both within reach.
constexpr std::array<std::string_view, 13> kTokens = {
    "NumVar:", "NomVar:", "Tabla:", "CRC:", "Fecha/Hora:", "\r\n", "\n", "\r", "S", ",", "_", "X", " ",
};

size_t InsertAt(uint8_t *data, size_t size, size_t maxSize, size_t at, std::string_view token)
{
    if (size + token.size() > maxSize)
        return size;
    std::memmove(data + at + token.size(), data + at, size - at);
    std::memcpy(data + at, token.data(), token.size());
    return size + token.size();
}

size_t OverwriteAt(uint8_t *data, size_t size, size_t at, std::string_view token)
{
    const size_t length = std::min(token.size(), size - at);
    std::memcpy(data + at, token.data(), length);
    return size;
}

// A checksum line matching the table as it reads now; the last "CRC:" line wins.
size_t AppendChecksum(uint8_t *data, size_t size, size_t maxSize)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const DataFileFields fields = GatherFields(SplitLines(DecodeWindows1252(bytes)));
    QString values;
    for (qsizetype i = 0; i + 1 < fields.table.size(); i += 2)
        values += fields.table[i];
    const std::string line = "\r\nCRC:" + std::to_string(TableChecksum(values)) + "S\r\n";
    return InsertAt(data, size, maxSize, size, line);
}

} // namespace

extern "C" size_t LLVMFuzzerMutate(uint8_t *data, size_t size, size_t maxSize);

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t *data, size_t size, size_t maxSize, unsigned int seed)
{
    std::minstd_rand random(seed);
    const std::string_view token = kTokens[random() % kTokens.size()];
    switch (random() % 5) {
    case 0:
        size = InsertAt(data, size, maxSize, random() % (size + 1), token);
        break;
    case 1:
        // Same length, so a field keeps its size with a key inside it.
        size = OverwriteAt(data, size, random() % (size + 1), token);
        break;
    case 2:
        size = LLVMFuzzerMutate(data, size, maxSize);
        size = AppendChecksum(data, size, maxSize);
        break;
    default:
        size = LLVMFuzzerMutate(data, size, maxSize);
        break;
    }
    return size;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));

    // Every byte decodes to one character and encodes back to itself.
    const QString text = DecodeWindows1252(bytes);
    Check(text.size() == bytes.size());
    Check(EncodeWindows1252(text) == bytes);

    const QStringList lines = SplitLines(text);
    CheckLines(text, lines);
    const DataFileFields fields = GatherFields(lines);
    CheckFields(fields);
    const bool valid = ValidateFileData(fields.count, fields.names, fields.table, fields.checksum);
    if (valid)
        CheckAccepted(fields.count, fields.names, fields.table);

    // The checksum function and the validator agree: an accepted table's
    // values give the checksum written in the file.
    if (valid) {
        QString values;
        for (qsizetype i = 0; i < fields.table.size(); i += 2)
            values += fields.table[i];
        Check(QString::number(TableChecksum(values)) == QString::number(fields.checksum.toLongLong()));
    }

    // Reading accepts exactly what validates, and never a value or a name
    // that the window could not have written.
    const std::optional<DataFile> file = ParseDataFile(bytes);
    Check(file.has_value() == valid);
    if (file) {
        CheckWritable(fields);
        CheckRoundTrip(*file);
    }

    FuzzValidator(text);
    return 0;
}
