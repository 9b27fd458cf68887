#pragma once

// Pictures for a person to look at: saved only when VISTREL_SNAPSHOT_DIR names a folder.

#include <QDir>
#include <QImage>
#include <QString>

inline void saveSnapshot(const QImage& image, const QString& name) {
    const QString dir = qEnvironmentVariable("VISTREL_SNAPSHOT_DIR");
    if (!dir.isEmpty())
        image.save(QDir(dir).filePath(name + QStringLiteral(".png")));
}
