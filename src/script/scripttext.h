#pragma once

#include <QByteArray>
#include <QString>

namespace vistrel::script {

// Script files are 8-bit text. A file that is valid UTF-8 (with or without a byte-order mark)
// is read as UTF-8; anything else is read as Windows-1252, the code page scripts were
// traditionally written in.
QString decodeScriptText(const QByteArray& bytes);

// Windows-1252 to Unicode; the five bytes the code page leaves undefined map to the C1
// control characters of the same value, as Windows itself does.
QString fromWindows1252(const QByteArray& bytes);

}  // namespace vistrel::script
