#pragma once

// Script files registered with the desktop, per user, by the freedesktop.org mechanisms: a
// shared-mime-info type for "*.vtl", a desktop entry that opens such files with the running
// program, its icon, and the entry made the type's default application. Written at every start,
// so that running the program from another folder moves the association with it; only what
// differs from what is there is written.

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>

namespace vistrel::platform {

// The type and the name of the desktop entry and icon (data/desktop/ holds the files).
inline const QString kScriptMimeType = QStringLiteral("text/x-vistrel-script");
inline const QString kDesktopId = QStringLiteral("org.vistrel.Scripter");

// The user's data and configuration folders: $XDG_DATA_HOME and $XDG_CONFIG_HOME, or their
// defaults under the home folder.
struct DesktopFolders {
    QString dataHome;
    QString configHome;

    static DesktopFolders fromEnvironment();
};

// Runs a desktop tool (by name, found on PATH) with its arguments; a missing tool or a failing
// run is logged and otherwise ignored.
using ToolRunner = std::function<void(const QString& tool, const QStringList& arguments)>;
ToolRunner systemToolRunner();

// The shared-mime-info package defining the script type ("Vistrel Script", "*.vtl" in any case).
QString mimePackageText();
// The desktop entry that opens script files with the program at `programPath`.
QString desktopEntryText(const QString& programPath);
// A program path as one argument of a desktop entry's Exec key, quoted and escaped as that
// key requires (and escaped once more as a desktop entry's string value).
QString execArgument(const QString& programPath);
// `mimeapps.list` text with `desktopFile` as the default application for `mimeType`; the rest
// of the text is kept as it is.
QString withDefaultApplication(const QString& mimeAppsList, const QString& mimeType,
                               const QString& desktopFile);

// Writes what differs of the four pieces, then has the desktop tools refresh their caches for
// what was written. Returns the files written (empty when everything was already in place).
// Nothing here fails loudly: a folder that cannot be written leaves that piece as it was.
QStringList registerScriptFileType(const DesktopFolders& folders, const QString& programPath,
                                   const QImage& icon, const ToolRunner& runTool);

}  // namespace vistrel::platform
