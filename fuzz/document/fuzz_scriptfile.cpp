// Reads arbitrary bytes as a script file the way the editor opens one, saves the text the way
// the editor saves it, and checks that reading the saved bytes gives the same text back.

#include "document/scriptfile.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = vistrel::document::editorTextFromBytes(bytes);
    QString lines = text;
    lines.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    const QByteArray saved = vistrel::document::scriptFileBytes(lines);
    if (vistrel::document::editorTextFromBytes(saved) != text)
        std::abort();
    return 0;
}
