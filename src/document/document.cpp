#include "document/document.h"

#include "document/scriptfile.h"
#include "log/log.h"

#include <QDir>
#include <QFileInfo>
#include <QScopedValueRollback>
#include <QTextDocument>

namespace vistrel::document {

using platform::Message;
using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;

QString ScriptDocument::untitledTitle() {
    return tr("Vistrel Scripter: Untitled");
}
QString ScriptDocument::openFilter() {
    return tr("Text Files (*.txt)|*.txt|Vistrel Script (*.vtl)|*.vtl");
}
QString ScriptDocument::saveFilter() {
    return tr("Vistrel Script (*.vtl) |*.vtl|Text Files (*.txt)|*.txt");
}
QString ScriptDocument::dialogTitle() {
    return tr("Vistrel");
}
QString ScriptDocument::overwritePrompt() {
    return tr("Overwrite existing file?");
}
QString ScriptDocument::saveFirstMessage() {
    return tr("Please save this script first");
}
QString ScriptDocument::tooLongMessage() {
    return tr(
        "This script is too long to edit. %1\n\nIt can still be played: give its name to "
        "vtscripter on the command line.");
}
QString ScriptDocument::notSavedMessage() {
    return tr("The script could not be saved to %1:\n%2\n\nYour text is still in the editor.");
}

ScriptDocument::ScriptDocument(ScriptEditor& editor, platform::FileDialog& dialog,
                               platform::MessageBoxes& messages, DocumentHost& host,
                               QObject* parent)
    : QObject(parent),
      editor_(editor),
      dialog_(dialog),
      messages_(messages),
      host_(host),
      title_(untitledTitle()) {
    dialog_.setDialogTitle(dialogTitle());
    connect(editor_.document(), &QTextDocument::modificationChanged, this, [this](bool edited) {
        if (!replacingText_)
            setModified(edited);
    });
}

void ScriptDocument::setModified(bool modified) {
    if (modified == modified_)
        return;
    modified_ = modified;
    emit modificationChanged(modified_);
}

bool ScriptDocument::replaceText(const std::function<bool()>& replace) {
    // Replacing the whole text reports the editor modified and may then quietly make it
    // unmodified again: what it reports meanwhile is not an edit.
    const QScopedValueRollback guard(replacingText_, true);
    return replace();
}

void ScriptDocument::setTitle(const QString& title) {
    if (title == title_)
        return;
    title_ = title;
    emit titleChanged(title_);
}

void ScriptDocument::markSaved() {
    editor_.document()->setModified(false);
    setModified(false);
}

void ScriptDocument::prepareDialog() {
    dialog_.setInitDir(host_.programFolder() + QDir::separator() + QLatin1String("scripts"));
}

void ScriptDocument::newScript() {
    replaceText([this] {
        editor_.setText(QString());
        return true;
    });
    markSaved();
    setTitle(untitledTitle());
    dialog_.setFileName(QString());
    encoding_ = script::ScriptEncoding::Undecided;
    qCDebug(log::app) << "new script";
}

void ScriptDocument::open() {
    prepareDialog();
    dialog_.setFilter(openFilter());
    dialog_.setFilterIndex(2);
    const QString previous = dialog_.fileName();
    if (!dialog_.showOpen())
        return;
    // A file that cannot be read leaves the editor showing the old script; it keeps its old
    // path too, so that a later Save cannot write the old text over the unread file.
    const QString path = dialog_.fileName();
    if (!load(path)) {
        dialog_.setFileName(previous);
        return;
    }
    markSaved();
    qCDebug(log::app) << "script opened:" << path;
    setTitle(path);
    host_.clearAnimations();
    host_.showStartingMethods();
}

bool ScriptDocument::load(const QString& path) {
    QString problem;
    std::optional<ScriptFile> file = readScriptFile(path, kMaxEditorFileBytes, &problem);
    QString refusal;
    if (file) {
        refusal = editorRefusal(file->text);
    } else if (const QFileInfo info(path); info.isFile() && info.size() > kMaxEditorFileBytes) {
        refusal = tr("This script is larger than %1 MB: the editor takes scripts of up to %1 MB.")
                      .arg(kMaxEditorFileBytes >> 20);
    }
    if (!refusal.isEmpty()) {
        problem = refusal;
        messages_.show(Message{tooLongMessage().arg(refusal), dialogTitle(),
                               MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok});
        file.reset();
    }
    if (!file) {
        log::ignored(log::app(), QLatin1String("open ") + path, problem);
        return false;
    }
    replaceText([&] {
        editor_.setText(file->text);
        return true;
    });
    encoding_ = file->encoding;
    return true;
}

bool ScriptDocument::openPath(const QString& path) {
    if (!load(path))
        return false;
    markSaved();
    dialog_.setFileName(path);
    qCDebug(log::app) << "script opened:" << path;
    setTitle(path);
    return true;
}

void ScriptDocument::save() {
    if (!hasPath()) {
        saveAs();
        return;
    }
    writeFile();
}

bool ScriptDocument::saveAs() {
    dialog_.setDialogTitle(dialogTitle());
    prepareDialog();
    dialog_.setFilter(saveFilter());
    dialog_.setFilterIndex(1);
    if (!dialog_.showSave())
        return false;
    const QString path = dialog_.fileName();
    writeAskingToOverwrite();
    setTitle(path);
    return true;
}

bool ScriptDocument::requireFile() {
    if (hasPath())
        return true;
    messages_.show(Message{saveFirstMessage(), dialogTitle(), MessageIcon::Exclamation,
                           MessageButtons::Ok, MessageAnswer::Ok});
    saveAs();
    return false;
}

void ScriptDocument::close() {
    if (!requireFile())
        return;
    setTitle(untitledTitle());
    host_.disableCloseCommand();
    writeAskingToOverwrite();
    replaceText([this] {
        editor_.setText(QString());
        return true;
    });
    markSaved();
    host_.clearAnimations();
    host_.clearMethods();
}

void ScriptDocument::writeAskingToOverwrite() {
    const QString path = dialog_.fileName();
    if (QFileInfo::exists(path)) {
        const MessageAnswer answer =
            messages_.show(Message{overwritePrompt(), dialogTitle(), MessageIcon::None,
                                   MessageButtons::YesNo, MessageAnswer::No});
        if (answer != MessageAnswer::Yes) {
            qCDebug(log::app) << "not overwritten:" << path;
            return;
        }
    }
    writeFile();
}

bool ScriptDocument::writeFile() {
    const QString path = dialog_.fileName();
    if (path.isEmpty()) {
        log::ignored(log::app(), QLatin1String("save"), QLatin1String("the script has no file"));
        return false;
    }
    QString problem;
    if (!writeScriptFile(path, editor_.scriptText(), encoding_, &problem)) {
        log::ignored(log::app(), QLatin1String("save ") + path, problem);
        messages_.show(Message{notSavedMessage().arg(path, problem), dialogTitle(),
                               MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok});
        return false;
    }
    markSaved();
    qCDebug(log::app) << "script saved:" << path;
    return true;
}

}  // namespace vistrel::document
