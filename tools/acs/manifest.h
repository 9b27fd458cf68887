#pragma once

// What extract() writes and loadManifest() reads back: the manifest's name and version, and the
// small conversions both directions share. Private to the acs tool.

#include <QList>
#include <QRgb>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

#include "acs/model.h"
#include "cli.h"

namespace vistrel::acstool::manifest {

inline constexpr const char* kFormat = "vistrel-character";
inline constexpr int kVersion = 1;
inline constexpr const char* kFileName = "character.json";

inline std::u16string u16(const QString& s) {
    return s.toStdU16String();
}

inline void report(const Progress& progress, const std::string& what, std::size_t done,
                   std::size_t total) {
    if (progress) {
        progress(what, done, total);
    }
}

// The palette as a Qt colour table of 256 entries: the transparent index has alpha 0, entries
// beyond the palette are opaque black (as acs::toRgba draws them).
QList<QRgb> colorTable(const acs::CharacterInfo& info);

}  // namespace vistrel::acstool::manifest
