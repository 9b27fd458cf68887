#include "platform/paths.h"

#include "platform/platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace vistrel::platform {

QString programFolder() {
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

QString charactersDataFolder(const QString& programFolder) {
    const QDir program(QDir::fromNativeSeparators(programFolder));
    const QString beside = program.absoluteFilePath(QStringLiteral("../share/vistrel/chars"));
    const QString installed = program.absoluteFilePath(QStringLiteral("../../share/vistrel/chars"));
    for (const QString& candidate : {beside, installed}) {
        if (QFileInfo(candidate).isDir())
            return QDir::toNativeSeparators(QDir::cleanPath(candidate));
    }
    const bool looksInstalled =
        QFileInfo(program.absolutePath()).dir().dirName() == QLatin1String("lib");
    return QDir::toNativeSeparators(QDir::cleanPath(looksInstalled ? installed : beside));
}

namespace {
const QString kApplication = QStringLiteral("Vtl");
const QString kSection = QStringLiteral("Dir");
const QString kKey = QStringLiteral("Dir");
}  // namespace

QString storedCharactersFolder(const SettingsStore& settings, const QString& defaultFolder) {
    const QString folder = settings.value(kApplication, kSection, kKey, defaultFolder);
    return folder.isEmpty() ? defaultFolder : folder;
}

void storeCharactersFolder(SettingsStore& settings, const QString& folder) {
    settings.setValue(kApplication, kSection, kKey, folder);
}

}  // namespace vistrel::platform
