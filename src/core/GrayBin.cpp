#include "GrayBin.h"

namespace quintora {

uint32_t BinToGray(uint32_t x) { return x ^ (x >> 1); }

int32_t GrayToBin(int32_t g)
{
    if (g <= 0)
        return 0;
    uint32_t u = static_cast<uint32_t>(g);
    uint32_t result = 0;
    while (u > 0) {
        result ^= u;
        u >>= 1;
    }
    return static_cast<int32_t>(result);
}

QString IntToBin(int32_t value, int width)
{
    if (width < 1)
        return QString();
    QString text(width, QLatin1Char('0'));
    uint32_t u = value > 0 ? static_cast<uint32_t>(value) : 0;
    for (int p = width - 1; u > 0 && p >= 0; --p, u >>= 1) {
        if (u & 1u)
            text[p] = QLatin1Char('1');
    }
    return text;
}

int32_t BinToInt(const QString &text)
{
    uint32_t result = 0;
    uint32_t weight = 1;
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        if (text.at(i) == QLatin1Char('1'))
            result += weight;
        weight <<= 1;
    }
    return static_cast<int32_t>(result);
}

} // namespace quintora
