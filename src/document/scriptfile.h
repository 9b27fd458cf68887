#pragma once

#include "script/scripttext.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace vistrel::document {

// The largest script the editor opens. Longer ones are refused at open with a message saying
// why (editorRefusal); the player still plays them from the command line, where no editor is
// laid out. The limits keep every keystroke painted within 50 ms with the live check, colours
// and completion running (bench-editor measures it).
inline constexpr qint64 kMaxEditorFileBytes = 16 << 20;
inline constexpr qsizetype kMaxEditorLines = 30'000;
inline constexpr qsizetype kMaxEditorLineLength = 2'000;

// Script text as 8-bit bytes in `encoding`. A file read as Windows-1252 (or plain ASCII, or a
// new script) is written as Windows-1252 when every character has a byte there and the bytes
// read back as the same text, as UTF-8 otherwise, so nothing typed is ever lost; a UTF-8 file
// stays UTF-8, with its byte-order mark if it had one.
QByteArray encodeScriptText(const QString& text,
                            script::ScriptEncoding encoding = script::ScriptEncoding::Undecided);

// Editor text (lines separated by CR LF) as the bytes of a script file: the text, then CR LF.
QByteArray scriptFileBytes(const QString& editorText,
                           script::ScriptEncoding encoding = script::ScriptEncoding::Undecided);

// Writes the editor text to `path` as a script file. The bytes go to a temporary file beside
// it that then replaces the target, so a failed write leaves whatever file was there intact.
// In a folder where no file can be created, an existing writable file is written in place,
// its old content kept until the new one is in (and put back if the write fails). False, with
// the reason in `problem`, when anything failed.
bool writeScriptFile(const QString& path, const QString& editorText,
                     script::ScriptEncoding encoding = script::ScriptEncoding::Undecided,
                     QString* problem = nullptr);

// A script file as the editor shows it: lines separated by "\n" whatever line ends the file
// uses, without the one line end that closes the last line, and how its bytes encode the text.
struct ScriptFile {
    QString text;
    script::ScriptEncoding encoding = script::ScriptEncoding::Undecided;
};

// Reads a script file: a regular file of at most `maxBytes` bytes (never blocking on a FIFO
// or device). Nothing, with the reason in `problem`, for anything else.
std::optional<ScriptFile> readScriptFile(const QString& path, qint64 maxBytes = kMaxEditorFileBytes,
                                         QString* problem = nullptr);

// The decoding step of readScriptFile on bytes already read.
QString editorTextFromBytes(const QByteArray& bytes, script::ScriptEncoding* encoding = nullptr);

// Why the editor does not take `text` (too many lines, or a line too long), for the user;
// empty when it does.
QString editorRefusal(const QString& text);

}  // namespace vistrel::document
