#pragma once

#include "compose/hints.h"
#include "platform/platform.h"

#include <QCoreApplication>
#include <QString>

namespace vistrel::compose {

// The command that chooses the characters folder, where every character file a script loads
// must lie. The choice is kept in the per-user setting, even when the user cancels (which
// keeps an empty setting); the folder is then read back from the setting, and is the default
// folder whenever the setting is empty.
class CharactersFolderCommand {
    Q_DECLARE_TR_FUNCTIONS(CharactersFolderCommand)
  public:
    static QString hint();
    static QString chooserTitle(const QString& currentFolder);

    CharactersFolderCommand(platform::FileDialogs& dialogs, platform::SettingsStore& settings,
                            const Hints& hints, QString defaultFolder);

    // Asks for the folder; returns the characters folder from now on.
    QString choose(const QString& currentFolder);

    const QString& defaultFolder() const { return defaultFolder_; }

  private:
    platform::FileDialogs& dialogs_;
    platform::SettingsStore& settings_;
    const Hints& hints_;
    QString defaultFolder_;
};

}  // namespace vistrel::compose
