#pragma once

#include <QDateTime>
#include <QImage>
#include <QMetaType>
#include <QSize>
#include <QString>
#include <QStringList>

#include <vector>

namespace vistrel::compose {

// One character file of the characters folder, as the picker lists it.
struct CharacterFile {
    QString fileName;  // without its folder
    qint64 bytes = 0;
    QDateTime modified;
};

// What a character file says about itself, read for the picker.
struct CharacterFileInfo {
    bool usable = false;
    QString problem;  // why the file cannot be used, when it cannot
    QString name;     // the character's own name and description, in English when it has them
    QString description;
    QSize size;      // of its frames, in pixels
    QImage picture;  // its first rest frame, small; null when it has none
};

// The character files of `folder`: every "*.acs" file, whatever the case of its extension,
// ordered by name without regard to case. Empty when the folder cannot be read.
std::vector<CharacterFile> listCharacterFiles(const QString& folder);

// Opens the character file at `path` and reads its name, description, size and picture (fitted
// into `pictureBox`). Never throws: a file that cannot be used says why.
CharacterFileInfo readCharacterFile(const QString& path, QSize pictureBox);

// The character id a file name stands for: the name with every ".acs" removed, whatever its
// case ("MERLIN.ACS" is "MERLIN").
QString characterIdOf(QString fileName);

}  // namespace vistrel::compose

Q_DECLARE_METATYPE(vistrel::compose::CharacterFileInfo)
