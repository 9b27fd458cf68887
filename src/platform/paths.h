#pragma once

#include <QString>

namespace vistrel::platform {

// The folder of the running program, where vistrel.ini, the icon and scripts/ are kept.
QString programFolder();

// The data folder holding the characters installed with the program. Installed, the program
// lives in <prefix>/lib/vtscripter and the characters in <prefix>/share/vistrel/chars; run from
// a build tree, the program is in <build>/bin and the characters in <build>/share/vistrel/chars.
// The first of these that exists wins; with neither, the one the program folder's shape names.
QString charactersDataFolder(const QString& programFolder);

class SettingsStore;

// The characters folder kept in the per-user setting ("Vtl", "Dir", "Dir"); `defaultFolder`
// when the setting is missing or empty.
QString storedCharactersFolder(const SettingsStore& settings, const QString& defaultFolder);
// Keeps `folder`, even an empty one, as the characters folder in the per-user setting.
void storeCharactersFolder(SettingsStore& settings, const QString& folder);

}  // namespace vistrel::platform
