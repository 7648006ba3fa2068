// The one rule by which the program turns text into numbers: project files, list columns and
// the panel's boxes all go through it.
//
// A number is: optional surrounding spaces or tabs, an optional sign, decimal digits with an
// optional "." fraction, and an optional exponent ("1e3"). A fraction rounds to the nearest
// integer, a half to the even neighbour ("2.5" is 2, "3.5" is 4). Anything else, and any value
// outside the target range after rounding, is not a number.
#pragma once

#include <QStringView>

#include <cstdint>
#include <optional>

namespace pictoreel {

// The value of the text as a real number, or nothing when the text is not a number.
std::optional<double> parseNumber(QStringView text);

bool isNumeric(QStringView text);

std::optional<std::int16_t> toInt16(QStringView text);
std::optional<std::int32_t> toInt32(QStringView text);

// A file size as people write it: a whole number of bytes, or a number with K (1000 bytes) or M
// (1,000,000 bytes) after it, "KB"/"MB" and spaces allowed ("2.5M", "500 KB", "3000000"). Nothing
// for anything else, for 0 and for sizes beyond 2^40.
std::optional<std::int64_t> byteSizeFromText(QStringView text);

}  // namespace pictoreel
