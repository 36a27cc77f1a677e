#pragma once

#include <QString>

// Numbers as the operator types and reads them, and as the instrument sends them.
namespace device {

// A number typed by the operator or sent by the instrument: the first comma counts as the
// decimal point, blanks are ignored, the leading number is read (sign, digits, point,
// exponent) and the rest ignored; text without a number gives 0. A number too large for a
// double gives an infinity of its sign.
[[nodiscard]] double ValDecimal(QStringView text);
// The value as a 32-bit float: beyond the float range it becomes an infinity of its sign
// (the plain conversion would be undefined there).
[[nodiscard]] float toSingle(double value);
// The plain number reading of keys and settings: blanks ignored, sign, digits and at most one
// point, no exponent; 0 when there is no number.
[[nodiscard]] double ReadNumber(QStringView text);
// ReadNumber rounded to the nearest whole number, halves to the even neighbour.
[[nodiscard]] int ReadWholeNumber(QStringView text);

// Formats v with a number pattern: "0" and "#" digit placeholders, "." for the decimal point
// (shown as decimalPoint), "E-0"/"E+0" for an exponent, "\" before a literal character; any
// other character stands for itself. Rounds half away from zero on the value's 15 significant
// digits, as an operator reading the digits expects.
[[nodiscard]] QString FormatNumber(double value, QStringView pattern, QStringView decimalPoint);
[[nodiscard]] QString FormatNumber(double value, QStringView pattern);
// FormatNumber right-aligned in a field as wide as the pattern (less one for each backslash).
// A number wider than the field is returned whole, never cut.
[[nodiscard]] QString FormatFixed(double value, QStringView pattern, QStringView decimalPoint);
[[nodiscard]] QString FormatFixed(double value, QStringView pattern);
// The general number text of the system: up to `significant` digits, trailing zeros dropped,
// "1E-05" / "1E+15" style when the number is very small or very large.
[[nodiscard]] QString GeneralNumber(double value, int significant, QStringView decimalPoint);
[[nodiscard]] QString GeneralNumber(double value, int significant);

} // namespace device
