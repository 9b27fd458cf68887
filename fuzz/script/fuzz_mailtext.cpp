// A saved mail (or any file) searched for a script between the mail markers; and any text sent
// by mail comes back out of the mail unchanged.

#include "script/mailtext.h"
#include "script/scripttext.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vistrel::script;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = decodeScriptText(bytes);
    if (const std::optional<QString> script = scriptFromMailText(text)) {
        if (script->size() > text.size())
            std::abort();
    }
    // The end marker inside a script would end it early in any mail; everything else returns.
    if (!text.contains(kMailEndMarker) && scriptFromMailText(mailText(text)) != text)
        std::abort();
    return 0;
}
