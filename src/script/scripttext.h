#pragma once

#include <QByteArray>
#include <QString>

namespace vistrel::script {

// How a script file stores its text; a file is written back the way it was read.
enum class ScriptEncoding {
    Undecided,     // plain ASCII, or no file yet: either reading gives the same text
    Windows1252,   // 8-bit text that is not valid UTF-8
    Utf8,          // valid UTF-8 with bytes above ASCII, no byte-order mark
    Utf8WithMark,  // valid UTF-8 behind a byte-order mark
};

struct DecodedScript {
    QString text;
    ScriptEncoding encoding = ScriptEncoding::Undecided;
};

// Script files are 8-bit text. A file that is valid UTF-8 (with or without a byte-order mark)
// is read as UTF-8; anything else is read as Windows-1252, the code page scripts were
// traditionally written in.
DecodedScript decodeScript(const QByteArray& bytes);
QString decodeScriptText(const QByteArray& bytes);

// Windows-1252 to Unicode; the five bytes the code page leaves undefined map to the C1
// control characters of the same value, as Windows itself does.
QString fromWindows1252(const QByteArray& bytes);

}  // namespace vistrel::script
