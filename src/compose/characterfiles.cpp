#include "compose/characterfiles.h"

#include "acs/character.h"
#include "stage/offscreen/portrait.h"

#include <QDir>
#include <QDirIterator>

#include <algorithm>
#include <new>

namespace vistrel::compose {

std::vector<CharacterFile> listCharacterFiles(const QString& folder) {
    std::vector<CharacterFile> files;
    // Name filters match without regard to case unless told otherwise. Files that cannot be
    // read are listed too: the picker shows them disabled, with the reason.
    QDirIterator it(QDir::fromNativeSeparators(folder), {QStringLiteral("*.acs")},
                    QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        files.push_back({info.fileName(), info.size(), info.lastModified()});
    }
    std::sort(files.begin(), files.end(), [](const CharacterFile& a, const CharacterFile& b) {
        const int folded = a.fileName.compare(b.fileName, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a.fileName < b.fileName;
    });
    return files;
}

CharacterFileInfo readCharacterFile(const QString& path, QSize pictureBox) {
    CharacterFileInfo out;
    try {
        const acs::Character character =
            acs::Character::open(QFileInfo(QDir::fromNativeSeparators(path)).filesystemFilePath());
        const acs::CharacterInfo& info = character.info();
        if (const acs::LocalizedInfo* words = info.localizedFor(0x0409)) {
            out.name = QString::fromStdU16String(words->name);
            out.description = QString::fromStdU16String(words->description);
        }
        out.size = QSize(info.width, info.height);
        out.picture = offscreen::restPortrait(character, pictureBox);
        out.usable = true;
    } catch (const acs::Error& e) {
        out.problem = QString::fromStdString(e.what());
    } catch (const std::bad_alloc&) {
        out.problem = QStringLiteral("The file is too large to open");
    } catch (const std::exception& e) {
        out.problem = QString::fromLocal8Bit(e.what());
    }
    return out;
}

QString characterIdOf(QString fileName) {
    return fileName.remove(QLatin1String(".acs"), Qt::CaseInsensitive);
}

}  // namespace vistrel::compose
