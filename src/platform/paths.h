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

}  // namespace vistrel::platform
