#pragma once

#include "document/blocktexts.h"
#include "document/editor.h"
#include "script/check.h"

#include <QFutureWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <vector>

namespace vistrel::document {

// What one check of the editor's text found, with the characters the text loads.
struct LiveFindings {
    script::CheckResult result;
    QStringList loadedNames;  // each Load.NAME's name as written, blanks trimmed, in text order
};

// Checks the editor's script a moment after the user stops typing, on a pool thread, and marks
// each finding with a wavy underline whose tooltip is its message. Typing is never held up: the
// check runs on a copy of the text, kept block by block as the user edits so that taking it
// costs the window thread next to nothing, and a result is shown only when the text has not
// changed since it was taken. Findings never stop anything else (Play plays regardless).
class LiveChecker : public QObject {
    Q_OBJECT
  public:
    static constexpr int kDelayMs = 300;

    // `options` is asked on this thread for the folders each time a check starts; its shelf is
    // replaced by the checker's own, which keeps characters opened between checks.
    LiveChecker(ScriptEditor& editor, std::function<script::CheckOptions()> options,
                QObject* parent = nullptr);
    ~LiveChecker() override;

    // Checks again after the usual pause, as after an edit (for a changed characters folder).
    void recheck();

    const std::vector<script::Finding>& findings() const { return shown_.result.findings; }
    const QStringList& loadedNames() const { return shown_.loadedNames; }
    // The messages of the findings that cover document position `position`, one per line.
    QString messageAt(int position) const;
    // The animations of the loaded character `name` (in any case), as its file names them.
    QStringList animationsOf(const QString& name) const;
    const std::shared_ptr<script::CharacterShelf>& shelf() const { return shelf_; }

    // "1 problem", "3 problems"; empty for none.
    static QString countText(std::size_t count);

  signals:
    // New findings are shown.
    void checked(int count);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void edited();
    void contentsChanged(int position, int removed, int added);
    void start();
    void finished();
    void showFindings();

    ScriptEditor& editor_;
    std::function<script::CheckOptions()> options_;
    BlockTexts texts_;
    std::shared_ptr<script::CharacterShelf> shelf_ = std::make_shared<script::CharacterShelf>();
    QTimer delay_;
    QFutureWatcher<LiveFindings> watcher_;
    quint64 generation_ = 0;  // counts edits
    quint64 running_ = 0;     // the generation the running check was taken at
    bool busy_ = false;
    bool again_ = false;  // the pause ended while a check was running
    LiveFindings shown_;
};

// The loaded names in script text, read item by item as the player reads it.
QStringList loadedNames(const QString& text);

}  // namespace vistrel::document
