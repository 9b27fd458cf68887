// The user's mimeapps.list, as found, with the scripts' default application put in: the result
// names it once in the right section, and putting it in again changes nothing (so a second
// start of the program leaves the file alone).

#include "platform/association.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vistrel::platform;
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString desktopFile = kDesktopId + QLatin1String(".desktop");
    const QString once = withDefaultApplication(text, kScriptMimeType, desktopFile);
    if (withDefaultApplication(once, kScriptMimeType, desktopFile) != once)
        std::abort();
    // The entry is a line of its own, below the section's header.
    if (!once.contains(QLatin1Char('\n') + kScriptMimeType + QLatin1Char('=') + desktopFile +
                       QLatin1Char('\n')))
        std::abort();
    return 0;
}
