#include "script/numbers.h"

#include "script/scripterror.h"

#include <QString>

#include <cmath>
#include <limits>

namespace vistrel::script {

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}
bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

template <typename Int>
Int toWhole(QStringView text) {
    const std::optional<double> value = parseNumber(text);
    if (!value)
        throw ScriptError(ScriptError::typeMismatch());
    const double rounded = std::nearbyint(*value);  // the default mode rounds halves to even
    if (!(rounded >= std::numeric_limits<Int>::min() && rounded <= std::numeric_limits<Int>::max()))
        throw ScriptError(ScriptError::overflow());
    return static_cast<Int>(rounded);
}

}  // namespace

std::optional<double> parseNumber(QStringView text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isBlank(text[i]))
        ++i;
    const qsizetype start = i;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < n && isDigit(text[i]))
        ++i, ++digits;
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && isDigit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            ++j;
        const qsizetype expStart = j;
        while (j < n && isDigit(text[j]))
            ++j;
        if (j == expStart)
            return std::nullopt;
        i = j;
    }
    const qsizetype end = i;
    while (i < n && isBlank(text[i]))
        ++i;
    if (i != n)
        return std::nullopt;
    bool ok = false;
    const double value = text.sliced(start, end - start).toString().toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        // Well formed but beyond a double: as large as a number gets, with its sign.
        const bool negative = text[start] == u'-';
        return negative ? -std::numeric_limits<double>::infinity()
                        : std::numeric_limits<double>::infinity();
    }
    return value;
}

std::int16_t toInteger16(QStringView text) {
    return toWhole<std::int16_t>(text);
}
std::int32_t toInteger32(QStringView text) {
    return toWhole<std::int32_t>(text);
}

}  // namespace vistrel::script
