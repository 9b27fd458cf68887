#pragma once

#include <QStringView>

#include <cstdint>
#include <optional>

namespace vistrel::script {

// Reads a decimal number as script arguments write it: optional blanks, an optional sign,
// digits with an optional fraction, an optional exponent, optional blanks. Nothing else.
std::optional<double> parseNumber(QStringView text);

// Converts text to a whole number of the given width, rounding halves to even.
// Throws ScriptError "Type mismatch" when the text is not a number and "Overflow" when the
// rounded value does not fit.
std::int16_t toInteger16(QStringView text);
std::int32_t toInteger32(QStringView text);

}  // namespace vistrel::script
