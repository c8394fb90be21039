// Gray code and fixed-width bit strings: the map's row and column order and the
// text form of row indices.
#pragma once

#include <QString>
#include <cstdint>

namespace quintora {

uint32_t BinToGray(uint32_t x);
// Inverse of BinToGray for 0..2^31-1; a value with the top bit set gives 0.
int32_t GrayToBin(int32_t g);
// Exactly `width` characters "0"/"1", most significant first; zero or negative
// values give all zeros. Bits at or above `width` are dropped.
QString IntToBin(int32_t value, int width);
// Every character other than "1" counts as a 0 digit (blanks included).
int32_t BinToInt(const QString &text);

} // namespace quintora
