// The INI lookup over arbitrary file contents.

#include "script/ini.h"
#include "script/scripttext.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = vistrel::script::decodeScriptText(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    vistrel::script::lookupProfileString(text, QStringLiteral("Current"), QStringLiteral("Current"),
                                         QStringLiteral("default"), 250);
    return 0;
}
