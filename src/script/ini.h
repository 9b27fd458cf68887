#pragma once

#include <QString>

namespace vistrel::script {

// The largest INI file read; the rest of a larger file is ignored.
inline constexpr qint64 kMaxIniFileBytes = 1 << 20;

// Looks up `key` in `section` of the INI file at `path` the way the classic private-profile
// lookup does: section and key names ignore case and surrounding blanks, the first match wins,
// lines starting with ';' are comments, the value loses surrounding blanks and one pair of
// matching surrounding quotes. A missing file, section or key yields `defaultValue`. The result
// is cut to `bufferChars - 1` characters, as if read into a buffer of that many characters.
QString readPrivateProfileString(const QString& section, const QString& key,
                                 const QString& defaultValue, const QString& path, int bufferChars);

// The same lookup over INI text already in memory.
QString lookupProfileString(const QString& iniText, const QString& section, const QString& key,
                            const QString& defaultValue, int bufferChars);

}  // namespace vistrel::script
