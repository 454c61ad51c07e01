// Number and date pictures, and reading a number from the start of a text.
#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>

namespace tess {

// The line end of every text the windows show: a carriage return and a line feed.
inline const QString CrLf = QStringLiteral("\r\n");

// Formats a number with a picture: "#" an optional digit, "0" a required digit, "," anywhere in
// the whole part groups the digits by threes with the locale's thousands separator, "." the
// locale's decimal point. "#,###,##0" gives 1,234; "#####00" gives 07; "##0.#####" gives 53.
QString formatPicture(double value, const QString& picture);

// Formats a date and time with "yyyy" year, "mm" month, "dd" day, "HH" hour (00 to 23) and
// "MM" minute; every other character stands for itself.
QString formatDate(const QDateTime& when, const QString& picture);

// Reads the decimal number at the start of a text: blanks, tabs and line feeds are skipped
// wherever they stand; an optional sign, digits with at most one point and an optional exponent
// (E or D), or &H / &O followed by hexadecimal / octal digits. 0 when there is no number.
double val(const QString& text);

// A colour or other value in upper-case hexadecimal digits, without leading zeros ("0" for 0).
QString hexUpper(std::uint32_t value);

// The decimal digits of an integer, with a minus sign when negative, no separators.
QString plainNumber(std::int64_t value);

} // namespace tess
