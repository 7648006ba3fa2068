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

}  // namespace pictoreel
