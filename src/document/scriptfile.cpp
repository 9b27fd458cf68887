#include "document/scriptfile.h"

#include "script/scripttext.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace vistrel::document {

namespace {

// Unicode to Windows-1252 for the 27 characters the code page puts at 0x80..0x9F.
std::optional<char> highWindows1252(char16_t c) {
    static constexpr std::pair<char16_t, unsigned char> kTable[] = {
        {0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85},
        {0x2020, 0x86}, {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A},
        {0x2039, 0x8B}, {0x0152, 0x8C}, {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92},
        {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95}, {0x2013, 0x96}, {0x2014, 0x97},
        {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B}, {0x0153, 0x9C},
        {0x017E, 0x9E}, {0x0178, 0x9F},
    };
    for (const auto& [unicode, byte] : kTable) {
        if (unicode == c)
            return static_cast<char>(byte);
    }
    return std::nullopt;
}

std::optional<QByteArray> toWindows1252(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.append(static_cast<char>(c));
        } else if (const std::optional<char> b = highWindows1252(c)) {
            out.append(*b);
        } else if (c >= 0x80 && c < 0xA0) {
            // The five bytes the code page leaves undefined read back as these controls.
            if (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D)
                out.append(static_cast<char>(c));
            else
                return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

}  // namespace

QByteArray encodeScriptText(const QString& text) {
    if (std::optional<QByteArray> bytes = toWindows1252(text)) {
        // Plain ASCII, or 8-bit text that the reader will not take for UTF-8.
        if (script::decodeScriptText(*bytes) == text)
            return *bytes;
    }
    // Readers drop one byte-order mark at the start: a text that begins with that character
    // keeps it behind a second one.
    if (text.startsWith(QChar::ByteOrderMark))
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    return text.toUtf8();
}

QByteArray scriptFileBytes(const QString& editorText) {
    QByteArray bytes = encodeScriptText(editorText);
    bytes.append("\r\n", 2);
    return bytes;
}

bool writeScriptFile(const QString& path, const QString& editorText) {
    if (path.isEmpty())
        return false;
    QSaveFile file(path);
    // Unbuffered, so that a failing write (a full disk) shows in write() itself: a buffered
    // write can fail while flushing inside commit() and still have the file renamed into place.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray bytes = scriptFileBytes(editorText);
    if (file.write(bytes) != bytes.size() || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        file.commit();  // removes the temporary file; the target is not touched
        return false;
    }
    return file.commit();
}

QString editorTextFromBytes(const QByteArray& bytes) {
    QString text = script::decodeScriptText(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

std::optional<QString> readScriptFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxEditorFileBytes)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // Read at most one byte past the limit: the file may have grown since it was looked at.
    const QByteArray bytes = file.read(kMaxEditorFileBytes + 1);
    if (bytes.size() > kMaxEditorFileBytes || file.error() != QFileDevice::NoError)
        return std::nullopt;
    return editorTextFromBytes(bytes);
}

}  // namespace vistrel::document
