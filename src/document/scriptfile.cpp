#include "document/scriptfile.h"

#include "files/regularfile.h"
#include "log/log.h"
#include "script/scripttext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QSaveFile>
#include <QTemporaryFile>

#include <algorithm>

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

QByteArray encodeScriptText(const QString& text, script::ScriptEncoding encoding) {
    using script::ScriptEncoding;
    if (encoding == ScriptEncoding::Undecided || encoding == ScriptEncoding::Windows1252) {
        if (std::optional<QByteArray> bytes = toWindows1252(text)) {
            // Plain ASCII, or 8-bit text that the reader will not take for UTF-8.
            if (script::decodeScriptText(*bytes) == text)
                return *bytes;
        }
        // Otherwise UTF-8, so that nothing typed is lost.
    }
    // Readers drop one byte-order mark at the start: a file that had one gets it back, and a
    // text that begins with that character keeps it behind a second one.
    if (encoding == ScriptEncoding::Utf8WithMark || text.startsWith(QChar::ByteOrderMark))
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    return text.toUtf8();
}

QByteArray scriptFileBytes(const QString& editorText, script::ScriptEncoding encoding) {
    QByteArray bytes = encodeScriptText(editorText, encoding);
    bytes.append("\r\n", 2);
    return bytes;
}

namespace {

// Replaces the file through a temporary file beside it. False, with `openFailed` set, when the
// temporary file cannot even be created (a folder the user may not write).
bool replaceFile(const QString& path, const QByteArray& bytes, bool& openFailed, QString& problem) {
    QSaveFile file(path);
    // Unbuffered, so that a failing write (a full disk) shows in write() itself: a buffered
    // write can fail while flushing inside commit() and still have the file renamed into place.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        openFailed = true;
        problem = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size() || file.error() != QFileDevice::NoError) {
        problem = file.errorString();
        file.cancelWriting();
        file.commit();  // removes the temporary file; the target is not touched
        return false;
    }
    if (!file.commit()) {
        problem = file.errorString();
        return false;
    }
    return true;
}

// Writes `bytes` at the start of the open file and cuts it there.
bool overwrite(QFile& file, const QByteArray& bytes) {
    return file.seek(0) && file.write(bytes) == bytes.size() && file.flush() &&
           file.resize(bytes.size());
}

// Writes over an existing file in place, for a folder where no temporary file can be made. The
// old content is read first and kept twice, in memory and in a copy in the temporary folder,
// until the new content is in: a failed write puts the old content back, and if even that fails
// the copy stays and `problem` says where.
bool writeInPlace(const QString& path, const QByteArray& bytes, QString& problem) {
    QByteArray old;
    try {
        old = files::read<QByteArray>(std::filesystem::path(path.toStdU16String()),
                                      files::kMaxScriptFileBytes);
    } catch (const files::Error& e) {
        problem = QString::fromLocal8Bit(e.what());
        return false;
    }
    QTemporaryFile copy(QDir::temp().filePath(QStringLiteral("vistrel-old-XXXXXX.vtl")));
    if (!copy.open() || copy.write(old) != old.size() || !copy.flush()) {
        problem =
            QStringLiteral("no copy of the old script could be kept: %1").arg(copy.errorString());
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        problem = file.errorString();
        return false;  // nothing was written
    }
    if (overwrite(file, bytes))
        return true;
    problem = file.errorString();
    if (!overwrite(file, old)) {
        copy.setAutoRemove(false);
        problem += QStringLiteral("; the old script is kept in %1").arg(copy.fileName());
    }
    return false;
}

}  // namespace

bool writeScriptFile(const QString& path, const QString& editorText,
                     script::ScriptEncoding encoding, QString* problem) {
    QString why;
    const bool written = [&] {
        if (path.isEmpty()) {
            why = QStringLiteral("the script has no file");
            return false;
        }
        const QByteArray bytes = scriptFileBytes(editorText, encoding);
        bool openFailed = false;
        if (replaceFile(path, bytes, openFailed, why))
            return true;
        // A folder that takes no new file may still hold a file that may be written.
        if (!openFailed || !QFileInfo(path).isFile())
            return false;
        qCDebug(log::app).noquote()
            << "saving in place, no temporary file beside" << path << ":" << why;
        return writeInPlace(path, bytes, why);
    }();
    if (!written && problem)
        *problem = why;
    return written;
}

QString editorTextFromBytes(const QByteArray& bytes, script::ScriptEncoding* encoding) {
    script::DecodedScript decoded = script::decodeScript(bytes);
    if (encoding)
        *encoding = decoded.encoding;
    QString& text = decoded.text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

std::optional<ScriptFile> readScriptFile(const QString& path, qint64 maxBytes, QString* problem) {
    try {
        const QByteArray bytes = files::read<QByteArray>(
            std::filesystem::path(path.toStdU16String()), static_cast<std::uint64_t>(maxBytes));
        ScriptFile file;
        file.text = editorTextFromBytes(bytes, &file.encoding);
        return file;
    } catch (const files::Error& e) {
        if (problem)
            *problem = QString::fromLocal8Bit(e.what());
        return std::nullopt;
    }
}

QString editorRefusal(const QString& text) {
    qsizetype lines = 1;
    qsizetype lineStart = 0;
    qsizetype longest = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n') {
            ++lines;
            longest = std::max(longest, i - lineStart);
            lineStart = i + 1;
        }
    }
    longest = std::max(longest, text.size() - lineStart);
    if (lines > kMaxEditorLines) {
        return QObject::tr("This script has %1 lines: the editor takes scripts of up to %2 lines.")
            .arg(lines)
            .arg(kMaxEditorLines);
    }
    if (longest > kMaxEditorLineLength) {
        return QObject::tr(
                   "A line of this script has %1 characters: the editor takes lines of up "
                   "to %2 characters.")
            .arg(longest)
            .arg(kMaxEditorLineLength);
    }
    return QString();
}

}  // namespace vistrel::document
