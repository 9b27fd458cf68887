#include "compose/charactersfolder.h"

#include "log/log.h"
#include "platform/paths.h"

namespace vistrel::compose {

QString CharactersFolderCommand::hint() {
    return tr(
        "A requirement of the Dudori Zuvove is that all your characters are in the same folder. "
        "Please choose that folder here.");
}

QString CharactersFolderCommand::chooserTitle(const QString& currentFolder) {
    return tr("Choose the characters folder -") + QLatin1String("\r\n") + tr("Current Dir - ") +
           currentFolder;
}

CharactersFolderCommand::CharactersFolderCommand(platform::FileDialogs& dialogs,
                                                 platform::SettingsStore& settings,
                                                 const Hints& hints, QString defaultFolder)
    : dialogs_(dialogs),
      settings_(settings),
      hints_(hints),
      defaultFolder_(std::move(defaultFolder)) {}

QString CharactersFolderCommand::choose(const QString& currentFolder) {
    hints_.speakHint(hint());
    const QString chosen = dialogs_.chooseFolder(chooserTitle(currentFolder), currentFolder);
    if (chosen.isEmpty())
        qCDebug(log::app) << "no characters folder chosen: the setting is emptied";
    platform::storeCharactersFolder(settings_, chosen);
    return platform::storedCharactersFolder(settings_, defaultFolder_);
}

}  // namespace vistrel::compose
