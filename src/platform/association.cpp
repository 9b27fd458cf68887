#include "platform/association.h"

#include "log/log.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include <optional>

namespace vistrel::platform {

namespace {

// Files of the association are small; a larger one found in their place is replaced unread.
constexpr qint64 kMaxExistingBytes = 1 << 20;
// How long a desktop tool may take to refresh its cache.
constexpr int kToolTimeoutMs = 10000;
// The icon sizes written into the user's icon theme.
constexpr int kIconSizes[] = {48, 256};

QString environmentFolder(const char* variable, const QString& fallback) {
    const QString value = qEnvironmentVariable(variable);
    // Relative paths in these variables are ignored, as the desktop itself ignores them.
    return !value.isEmpty() && QDir::isAbsolutePath(value) ? value : fallback;
}

// Writes `bytes` to `path` unless the file already holds exactly them; adds the path to
// `written` when it wrote it.
void writeIfDifferent(const QString& path, const QByteArray& bytes, QStringList& written) {
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.size() <= kMaxExistingBytes &&
        existing.readAll() == bytes)
        return;
    existing.close();
    const QString why = [&]() -> QString {
        if (!QDir().mkpath(QFileInfo(path).absolutePath()))
            return QStringLiteral("its folder cannot be made");
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
            return file.errorString();
        return {};
    }();
    if (!why.isEmpty()) {
        log::ignored(log::app(), QStringLiteral("registering script files: writing ") + path, why);
        return;
    }
    qCDebug(log::app) << "registering script files: wrote" << path;
    written << path;
}

QByteArray png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray readSmallFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxExistingBytes)
        return {};
    return file.readAll();
}

// The text of a file of the user's that the registration adds to: empty when there is none yet,
// nothing when it is there but cannot be read whole (so that it is not replaced by what would
// be only the registration's part of it).
std::optional<QByteArray> userFileText(const QString& path, QString* why) {
    QFile file(path);
    if (!file.exists())
        return QByteArray();
    if (!file.open(QIODevice::ReadOnly)) {
        *why = file.errorString();
        return std::nullopt;
    }
    if (file.size() > kMaxExistingBytes) {
        *why = QStringLiteral("it is larger than %1 bytes").arg(kMaxExistingBytes);
        return std::nullopt;
    }
    return file.readAll();
}

}  // namespace

DesktopFolders DesktopFolders::fromEnvironment() {
    const QString home = QDir::homePath();
    return {environmentFolder("XDG_DATA_HOME", home + QLatin1String("/.local/share")),
            environmentFolder("XDG_CONFIG_HOME", home + QLatin1String("/.config"))};
}

ToolRunner systemToolRunner() {
    return [](const QString& tool, const QStringList& arguments) {
        const QString program = QStandardPaths::findExecutable(tool);
        if (program.isEmpty()) {
            log::ignored(log::app(), QStringLiteral("running ") + tool,
                         QStringLiteral("it is not installed"));
            return;
        }
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(program, arguments);
        if (!process.waitForFinished(kToolTimeoutMs)) {
            process.kill();
            process.waitForFinished(1000);
            log::ignored(log::app(), QStringLiteral("running ") + tool,
                         QStringLiteral("it did not finish in time"));
        } else if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
            log::ignored(log::app(), QStringLiteral("running ") + tool,
                         QStringLiteral("it ended with status %1").arg(process.exitCode()));
        }
    };
}

QString mimePackageText() {
    return QString::fromUtf8(readSmallFile(QStringLiteral(":/desktop/org.vistrel.Scripter.xml")));
}

QString execArgument(const QString& programPath) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    const bool needsQuotes = std::any_of(programPath.begin(), programPath.end(),
                                         [](QChar c) { return reserved.contains(c); });
    QString argument = programPath;
    // A literal percent sign is written twice in an Exec key, quoted or not.
    argument.replace(QLatin1Char('%'), QLatin1String("%%"));
    if (needsQuotes) {
        QString quoted;
        for (QChar c : argument) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                c == QLatin1Char('\\'))
                quoted += QLatin1Char('\\');
            quoted += c;
        }
        argument = QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    // The key's value is a string value: its own backslashes are escaped once more.
    argument.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    argument.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    argument.replace(QLatin1Char('\t'), QLatin1String("\\t"));
    argument.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    return argument;
}

QString desktopEntryText(const QString& programPath) {
    QString entry = QString::fromUtf8(
        readSmallFile(QStringLiteral(":/desktop/org.vistrel.Scripter.desktop.in")));
    entry.replace(QLatin1String("@EXEC@"), execArgument(programPath));
    return entry;
}

QString withDefaultApplication(const QString& mimeAppsList, const QString& mimeType,
                               const QString& desktopFile) {
    static const QString section = QStringLiteral("[Default Applications]");
    const QString entry = mimeType + QLatin1Char('=') + desktopFile;
    QStringList lines = mimeAppsList.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();

    qsizetype sectionAt = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            if (sectionAt >= 0)
                break;  // the end of the section: the type has no default yet
            if (line == section)
                sectionAt = i;
            continue;
        }
        if (sectionAt < 0)
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0 && line.left(equals).trimmed() == mimeType) {
            lines[i] = entry;
            return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
        }
    }
    if (sectionAt < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines << QString();
        lines << section << entry;
    } else {
        lines.insert(sectionAt + 1, entry);
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QStringList registerScriptFileType(const DesktopFolders& folders, const QString& programPath,
                                   const QImage& icon, const ToolRunner& runTool) {
    QStringList written;
    const QString mimeFolder = folders.dataHome + QLatin1String("/mime");
    const QString applications = folders.dataHome + QLatin1String("/applications");
    const QString desktopFile = kDesktopId + QLatin1String(".desktop");

    writeIfDifferent(mimeFolder + QLatin1String("/packages/") + kDesktopId + QLatin1String(".xml"),
                     mimePackageText().toUtf8(), written);
    const bool mimeChanged = !written.isEmpty();

    if (programPath.contains(QLatin1Char('\n')) || programPath.contains(QLatin1Char('\r'))) {
        log::ignored(log::app(), QStringLiteral("registering script files: the desktop entry"),
                     QStringLiteral("the program's path holds a line end"));
    } else {
        writeIfDifferent(applications + QLatin1Char('/') + desktopFile,
                         desktopEntryText(programPath).toUtf8(), written);
    }
    const bool entryChanged = written.size() > (mimeChanged ? 1 : 0);

    if (!icon.isNull()) {
        for (int size : kIconSizes)
            writeIfDifferent(
                QStringLiteral("%1/icons/hicolor/%2x%2/apps/%3.png")
                    .arg(folders.dataHome)
                    .arg(size)
                    .arg(kDesktopId),
                png(icon.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation)),
                written);
    }

    const QString mimeApps = folders.configHome + QLatin1String("/mimeapps.list");
    QString why;
    if (const std::optional<QByteArray> before = userFileText(mimeApps, &why)) {
        writeIfDifferent(
            mimeApps,
            withDefaultApplication(QString::fromUtf8(*before), kScriptMimeType, desktopFile)
                .toUtf8(),
            written);
    } else {
        log::ignored(log::app(),
                     QStringLiteral("registering script files: making them open with ") +
                         desktopFile + QStringLiteral(" in ") + mimeApps,
                     why + QStringLiteral("; it is left as it is"));
    }

    if (mimeChanged)
        runTool(QStringLiteral("update-mime-database"), {mimeFolder});
    if (entryChanged)
        runTool(QStringLiteral("update-desktop-database"), {applications});
    return written;
}

}  // namespace vistrel::platform
