#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace vistrel::document {

// The largest script file the editor opens.
inline constexpr qint64 kMaxEditorFileBytes = 16 << 20;

// Script text as 8-bit bytes: Windows-1252 when every character has a byte there and the bytes
// read back as the same text; UTF-8 otherwise, so nothing typed is ever lost.
QByteArray encodeScriptText(const QString& text);

// Editor text (lines separated by CR LF) as the bytes of a script file: the text, then CR LF.
QByteArray scriptFileBytes(const QString& editorText);

// Writes the editor text to `path` as a script file. The bytes go to a temporary file beside
// it that then replaces the target, so a failed write leaves whatever file was there intact.
// False when anything failed.
bool writeScriptFile(const QString& path, const QString& editorText);

// The text of a script file as the editor shows it: lines separated by "\n" whatever line ends
// the file uses, without the one line end that closes the last line. Nothing for a missing,
// unreadable or oversized file, or a folder.
std::optional<QString> readScriptFile(const QString& path);

// The decoding step of readScriptFile on bytes already read.
QString editorTextFromBytes(const QByteArray& bytes);

}  // namespace vistrel::document
