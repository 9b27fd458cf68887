#pragma once

// A script sent as the text of a mail: wrapped between two marker lines, so that the copy the
// recipient saves (headers, greetings and all) still holds the script, and can be played.

#include <QString>

#include <optional>

namespace vistrel::script {

inline const QString kMailStartMarker = QStringLiteral("< V.T.L - SCRIPT START>");
inline const QString kMailEndMarker = QStringLiteral("<SCRIPT VTL.END>");

// The start marker, CR LF, the script unchanged, CR LF, the end marker.
QString mailText(const QString& script);

// The script between the markers of a mail text: from the line after the first start marker to
// the line before the first end marker after it (or to the end of the text when the end marker
// is lost). Nothing when the text holds no start marker.
std::optional<QString> scriptFromMailText(const QString& text);

}  // namespace vistrel::script
