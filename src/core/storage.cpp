#include "storage.h"

#include "fileio.h"

#include <array>
#include <limits>

namespace quintora {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F. The five bytes that
// Windows-1252 leaves undefined keep their C1 control code points, so every byte
// decodes to exactly one character and a name read from a file survives a save.
constexpr std::array<char16_t, 32> kHighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98..9F
};

constexpr char kUnrepresentable = '?';

char16_t CharOfByte(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return kHighControlRange[byte - 0x80];
    return byte;
}

// -1 when the character has no byte in the set.
int ByteOfChar(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < int(kHighControlRange.size()); ++i)
        if (kHighControlRange[i] == c)
            return 0x80 + i;
    return -1;
}

const QString kHeaderLine = QStringLiteral("[Quintora - QMT file]");
const QString kWarningLine = QStringLiteral("NO alterar este fichero, se perder\u00e1n los datos");
const QString kDateKey = QStringLiteral("Fecha/Hora:");
const QString kCountKey = QStringLiteral("NumVar:");
const QString kNamesKey = QStringLiteral("NomVar:");
const QString kTableKey = QStringLiteral("Tabla:");
const QString kChecksumKey = QStringLiteral("CRC:");
const QString kChecksumSuffix = QStringLiteral("S");
const QString kEmptyValue = QStringLiteral("_");

bool IsBlankOrControl(QChar c)
{
    return c.unicode() <= 0x20 || c.category() == QChar::Other_Control;
}

QString StripBlanksAndControls(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlankOrControl(text[begin]))
        ++begin;
    while (end > begin && IsBlankOrControl(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

// ASCII digits only: the superscript digits of Windows-1252 have a digit value
// in Unicode but are not digits of this format.
int DigitValue(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') ? u - '0' : 0;
}

// A plain decimal number: one or more ASCII digits, no sign, no blanks.
// QString::toInt would accept surrounding blanks and a sign, and a checksum
// field holds up to 15 digits, which must not wrap around into a match.
std::optional<int> ReadDecimal(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < '0' || u > '9')
            return std::nullopt;
        value = value * 10 + (u - '0');
        if (value > std::numeric_limits<int>::max())
            return std::nullopt;
    }
    return int(value);
}

} // namespace

QString DecodeWindows1252(const QByteArray &bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        text[i] = QChar(CharOfByte(static_cast<unsigned char>(bytes[i])));
    return text;
}

QByteArray EncodeWindows1252(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        // A character beyond the BMP is one character, so one "?", not two.
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        const int byte = ByteOfChar(c.unicode());
        bytes.append(byte < 0 ? kUnrepresentable : static_cast<char>(byte));
    }
    return bytes;
}

int TableChecksum(const QString &valueChars)
{
    int sum = 0;
    for (qsizetype r = 0; r < valueChars.size(); ++r)
        sum += int(r) + DigitValue(valueChars[r]);
    return sum;
}

QString SaveDateText(const QLocale &locale, const QDateTime &when)
{
    // The long time format without its zone fields ("t" to "tttt"); quoted
    // text is kept as it is, and brackets or blanks left empty go.
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString timeFormat;
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (quoted || c != QLatin1Char('t'))
            timeFormat += c;
    }
    timeFormat.remove(QStringLiteral("()"));
    timeFormat = timeFormat.simplified();
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') + locale.toString(when.time(), timeFormat);
}

QStringList ComposeDataFile(int numVar, const VarNames &names, const QStringList &valueCellTexts,
                            const QString &dateTimeText)
{
    Q_ASSERT(numVar >= kMinVars && numVar <= kMaxVars);
    const int rows = RowCount(numVar);

    QStringList values;
    QString valueChars;
    for (int r = 0; r < rows; ++r) {
        QString value = r < valueCellTexts.size() ? StripBlanksAndControls(valueCellTexts[r]) : QString();
        if (value.isEmpty())
            value = kEmptyValue;
        valueChars += value.front();
        values.append(value);
    }

    QString joinedNames;
    for (const QString &name : names)
        joinedNames += name;

    return {
        kHeaderLine,
        kWarningLine,
        kDateKey + dateTimeText,
        kCountKey + QString::number(numVar),
        kNamesKey + joinedNames,
        kTableKey + values.join(QLatin1Char(',')),
        kChecksumKey + QString::number(TableChecksum(valueChars)) + kChecksumSuffix,
    };
}

QByteArray EncodeDataFile(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += EncodeWindows1252(line);
        bytes += "\r\n";
    }
    return bytes;
}

QStringList SplitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            lines.append(text.mid(start, i - start));
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    // A last line without its end still counts; the end of a terminated line opens no new one.
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

DataFileFields GatherFields(const QStringList &lines)
{
    DataFileFields fields;
    // Taken from the line after the key, or nothing when the key is absent.
    auto take = [](const QString &line, const QString &key, qsizetype length) -> std::optional<QString> {
        const qsizetype at = line.indexOf(key);
        if (at < 0)
            return std::nullopt;
        return line.mid(at + key.size(), length);
    };
    for (const QString &line : lines) {
        if (auto field = take(line, kCountKey, 1))
            fields.count = *field;
        if (auto field = take(line, kNamesKey, 16))
            fields.names = *field;
        if (auto field = take(line, kTableKey, 600))
            fields.table = *field + QLatin1Char(',');
        if (auto field = take(line, kChecksumKey, 15)) {
            if (field->endsWith(kChecksumSuffix))
                field->chop(1);
            fields.checksum = *field;
        }
        if (auto field = take(line, kDateKey, 50))
            fields.date = *field;
    }
    return fields;
}

namespace {

// The names the variables may have, as the names dialog allows them: eight
// different ASCII letters. Anything else would reach a terminal raw or make a
// term mean something else ("+" as a name, two names alike).
bool AllowedNames(const QString &names)
{
    for (qsizetype i = 0; i < names.size(); ++i) {
        const char16_t u = names[i].unicode();
        if (!((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z')) || names.indexOf(names[i], i + 1) >= 0)
            return false;
    }
    return true;
}

// The checksum counts every character but a digit as 0, so a value altered to
// any other character would go unnoticed; the writer uses these four only.
bool AllowedValue(QChar v)
{
    return v == QLatin1Char('0') || v == QLatin1Char('1') || v == QLatin1Char('X') || v == QLatin1Char('_');
}

} // namespace

bool ValidateFileData(const QString &count, const QString &names, const QString &table,
                      const QString &checksum)
{
    const int n = ReadDecimal(count).value_or(0);
    if (n < kMinVars || n > kMaxVars)
        return false;
    const int rows = RowCount(n);
    if (names.size() != 8 || table.size() != 2 * rows || !AllowedNames(names))
        return false;
    // Each value is followed by one separator, whatever character it is.
    int sum = 0;
    for (int i = 0; i < rows; ++i) {
        if (!AllowedValue(table[2 * i]))
            return false;
        sum += DigitValue(table[2 * i]) + i;
    }
    const std::optional<int> expected = ReadDecimal(checksum);
    return expected && *expected == sum;
}

std::optional<DataFile> ParseDataFile(const QByteArray &bytes)
{
    const DataFileFields fields = GatherFields(SplitLines(DecodeWindows1252(bytes)));
    if (!ValidateFileData(fields.count, fields.names, fields.table, fields.checksum))
        return std::nullopt;

    DataFile file;
    file.numVar = *ReadDecimal(fields.count);
    for (int i = 0; i < 8; ++i)
        file.names[i] = fields.names.mid(i, 1);
    const int rows = RowCount(file.numVar);
    file.values.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        const QChar v = fields.table[2 * r];
        file.values += v == QLatin1Char('_') ? QLatin1Char('0') : v;
    }
    file.dateText = fields.date;
    return file;
}

LoadResult LoadFile(const QString &path, const FileParser &parse)
{
    LoadResult result;
    const ReadOutcome read = ReadRegularFile(path, kMaxDataFileSize);
    if (read.status == ReadOutcome::Error) {
        result.status = LoadResult::ReadError;
        result.errorText = read.error;
        return result;
    }
    const std::optional<DataFile> data =
        read.status == ReadOutcome::Ok ? parse(read.bytes, &result.errorText) : std::nullopt;
    if (!data) {
        result.status = LoadResult::Invalid;
        return result;
    }
    result.status = LoadResult::Ok;
    result.errorText.clear();
    result.data = *data;
    return result;
}

LoadResult LoadDataFile(const QString &path)
{
    return LoadFile(path, [](const QByteArray &bytes, QString *) { return ParseDataFile(bytes); });
}

} // namespace quintora
