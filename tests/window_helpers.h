// Small steps the window tests share: moving the count with the spinner and
// filling both grids with a function.
#pragma once

#include "main.h"

namespace quintora::testing {

inline void SetCount(TForm1 &f, int n)
{
    while (f.NumVar < n)
        f.udUno->UpButton()->click();
    while (f.NumVar > n)
        f.udUno->DownButton()->click();
}

// One character per row: '1', '0', 'X' or '_' (empty).
inline void SetValues(TForm1 &f, const QString &values)
{
    for (int m = 0; m < values.size(); ++m)
        f.WriteValue(m, values[m] == QLatin1Char('_') ? QString() : TruthValueText(QString(values[m])));
}

} // namespace quintora::testing
