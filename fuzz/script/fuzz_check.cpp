// Checks arbitrary bytes as a script: every finding must lie inside the text, at the line and
// column its offset gives, and the items must start in order.

#include "script/check.h"
#include "script/scripttext.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = vistrel::script::decodeScriptText(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    vistrel::script::CheckOptions options;
    options.charactersFolder = QStringLiteral("/nonexistent");
    const vistrel::script::CheckResult result = vistrel::script::checkScript(text, options);
    for (std::size_t i = 1; i < result.itemStarts.size(); ++i) {
        if (result.itemStarts[i] <= result.itemStarts[i - 1])
            std::abort();
    }
    for (const vistrel::script::Finding& f : result.findings) {
        if (f.offset < 0 || f.offset > text.size() || f.offset + f.length > text.size())
            std::abort();
        int line = 1;
        qsizetype lineStart = 0;
        for (qsizetype i = 0; i < f.offset; ++i) {
            const QChar c = text[i];
            if (c == u'\n' || (c == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n'))) {
                ++line;
                lineStart = i + 1;
            }
        }
        if (f.line != line || f.column != f.offset - lineStart + 1)
            std::abort();
    }
    return 0;
}
