#include "script/mailtext.h"

namespace vistrel::script {

QString mailText(const QString& script) {
    return kMailStartMarker + QLatin1String("\r\n") + script + QLatin1String("\r\n") +
           kMailEndMarker;
}

namespace {

// Length of the line end at `at` (CR LF, LF or CR), or 0.
qsizetype lineEndAt(const QString& text, qsizetype at) {
    if (at >= text.size())
        return 0;
    if (text[at] == QLatin1Char('\r'))
        return at + 1 < text.size() && text[at + 1] == QLatin1Char('\n') ? 2 : 1;
    return text[at] == QLatin1Char('\n') ? 1 : 0;
}

// Length of the line end that ends just before `at`, or 0.
qsizetype lineEndBefore(const QString& text, qsizetype at) {
    if (at <= 0)
        return 0;
    if (text[at - 1] == QLatin1Char('\n'))
        return at >= 2 && text[at - 2] == QLatin1Char('\r') ? 2 : 1;
    return text[at - 1] == QLatin1Char('\r') ? 1 : 0;
}

}  // namespace

std::optional<QString> scriptFromMailText(const QString& text) {
    const qsizetype start = text.indexOf(kMailStartMarker);
    if (start < 0)
        return std::nullopt;
    qsizetype from = start + kMailStartMarker.size();
    from += lineEndAt(text, from);
    qsizetype to = text.indexOf(kMailEndMarker, from);
    if (to < 0)
        to = text.size();
    else
        to -= std::min(lineEndBefore(text, to), to - from);
    return text.mid(from, to - from);
}

}  // namespace vistrel::script
