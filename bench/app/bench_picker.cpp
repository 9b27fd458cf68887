// How soon the character picker shows a folder of 60 real-sized characters, how soon their names
// are in it, and how soon every entry has its picture.

#include "compose/hints.h"
#include "compose/picker.h"
#include "document/editor.h"
#include "document/typing.h"
#include "script/cast.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>

namespace {

using vistrel::compose::CharacterPicker;

// 60 character files, links to the characters the build makes and to the third-party samples
// beside the project when they are there, each under a name of its own.
class CharacterFolder {
  public:
    static constexpr int kFiles = 60;

    CharacterFolder() {
        QStringList sources;
        for (const char* folder : {VISTREL_BUILT_CHARS_DIR, VISTREL_REALCHARS_DIR}) {
            const QDir dir(QString::fromUtf8(folder));
            for (const QString& name : dir.entryList({QStringLiteral("*.acs")}, QDir::Files))
                sources << dir.filePath(name);
        }
        for (int i = 0; i < kFiles && !sources.isEmpty(); ++i) {
            const QString& source = sources[i % sources.size()];
            QFile::link(source,
                        dir_.filePath(QStringLiteral("Character%1.acs").arg(i, 2, 10, QChar('0'))));
            bytes_ += QFileInfo(source).size();
        }
    }
    QString path() const { return dir_.path(); }
    qint64 bytes() const { return bytes_; }
    bool ready() const { return bytes_ > 0; }

  private:
    QTemporaryDir dir_;
    qint64 bytes_ = 0;
};

void waitFor(CharacterPicker& picker, void (CharacterPicker::*signal)()) {
    QEventLoop loop;
    QObject::connect(&picker, signal, &loop, &QEventLoop::quit);
    loop.exec();
}

// range(0) 0: until the window is shown; 1: until the folder's names are in it; 2: until every
// picture is drawn.
void openPicker(benchmark::State& state) {
    static const CharacterFolder folder;
    if (!folder.ready()) {
        state.SkipWithError("no character files: build the characters first");
        return;
    }
    const int until = static_cast<int>(state.range(0));
    vistrel::document::ScriptEditor editor;
    vistrel::document::EditorTyping typing(editor);
    vistrel::script::Cast cast;
    QListWidget methods;
    vistrel::compose::Hints hints;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        auto picker = std::make_unique<CharacterPicker>(typing, cast, methods, hints);
        picker->setFolder(folder.path());
        picker->show();
        QCoreApplication::processEvents();
        if (until >= 1 && picker->fileList().count() == 0)
            waitFor(*picker, &CharacterPicker::listed);
        if (until >= 2 && picker->filesBeingRead() > 0)
            waitFor(*picker, &CharacterPicker::allRead);
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        if (until >= 1 && picker->fileList().count() != CharacterFolder::kFiles)
            state.SkipWithError("not every file was listed");
        if (until >= 2) {
            // Files the picker could not open are fast to read: count them.
            int disabled = 0;
            for (int i = 0; i < picker->fileList().count(); ++i)
                disabled += !(picker->fileList().item(i)->flags() & Qt::ItemIsEnabled);
            state.counters["unusable"] = disabled;
        }
        picker->stopReading();
    }
    state.counters["files"] = CharacterFolder::kFiles;
    state.counters["MB"] = static_cast<double>(folder.bytes()) / 1e6;
}
BENCHMARK(openPicker)
    ->ArgName("until")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
