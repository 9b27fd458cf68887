#pragma once

// Characters written by the project's writer into a folder, for tests that need real character
// files.

#include "acs/testing/synthetic.h"
#include "acs/writer.h"

#include <QDir>
#include <QFile>
#include <QString>

namespace vistrel::test {

// Writes `folder`/`file`.acs, a character called `name` with the animations Show, Hide,
// RestPose, Wave, Blink and Idle1_1.
inline bool writeCharacter(const QString& folder, const QString& file, const QString& name) {
    acs::testing::SyntheticOptions o;
    o.width = 16;
    o.height = 16;
    o.animations = 6;
    o.framesPerAnimation = 1;
    o.sounds = 0;
    acs::CharacterData data = acs::testing::makeSyntheticCharacter(o);
    data.info.localized.at(0).name = name.toStdU16String();
    const std::vector<std::uint8_t> bytes = acs::writeAcs(data);
    QFile f(QDir(folder).filePath(file + QLatin1String(".acs")));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const auto size = static_cast<qint64>(bytes.size());
    return f.write(reinterpret_cast<const char*>(bytes.data()), size) == size;
}

}  // namespace vistrel::test
