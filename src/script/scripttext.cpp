#include "script/scripttext.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace vistrel::script {

namespace {

// Code points for bytes 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

}  // namespace

QString fromWindows1252(const QByteArray& bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* dst = out.data();
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        *dst++ = (b >= 0x80 && b < 0xA0) ? QChar(kHighControls[b - 0x80]) : QChar(b);
    }
    return out;
}

DecodedScript decodeScript(const QByteArray& bytes) {
    // Stateless: a sequence cut off at the end of the file is an error, not a pending state.
    // The decoder drops a leading byte-order mark.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError())
        return {fromWindows1252(bytes), ScriptEncoding::Windows1252};
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return {std::move(text), ScriptEncoding::Utf8WithMark};
    const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    return {std::move(text), ascii ? ScriptEncoding::Undecided : ScriptEncoding::Utf8};
}

QString decodeScriptText(const QByteArray& bytes) {
    return decodeScript(bytes).text;
}

}  // namespace vistrel::script
