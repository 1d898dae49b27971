// The value texts of the inspector's controls. Locale-independent (a point as decimal separator),
// except the size field, which uses the user's number format. Pure; any thread.
#pragma once

#include <QString>

#include <cstdint>

namespace lumara::ui {

// "%.0f%%" of value × factor: percent(0.75, 100) is "75%", percent(0.25, 200) is "50%".
QString percentText(double value, double factor);
// "%.<decimals>f": decimalText(1.25, 1) is "1.2".
QString decimalText(double value, int decimals);
// The value with its fraction dropped, then "°": 359.9 gives "359°", -0.5 gives "0°".
QString angleText(double value);
// "Circle" from 0.99 up, "Square" up to 0.01, else the percentage.
QString cornerRadiusText(double value);
// The integer part, as "%lld" prints it (values beyond the 64-bit range print whole).
QString integerPartText(double value);
QString integerText(std::int64_t value);

// The size field's text: the user's number format, up to three fraction digits, no trailing zeros.
QString sizeFieldText(double value);
// A number typed in the size field (the user's number format, or plain C digits); nothing when it
// is not a finite number.
bool parseSizeField(const QString& text, double* value);

} // namespace lumara::ui
