#include "document/document.h"

#include "document/scriptfile.h"

#include <QDir>
#include <QFileInfo>

namespace vistrel::document {

using platform::Message;
using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;

const QString ScriptDocument::kUntitledTitle = QStringLiteral("Vistrel Scripter: Untitled");
const QString ScriptDocument::kOpenFilter =
    QStringLiteral("Text Files (*.txt)|*.txt|Vistrel Script (*.vtl)|*.vtl");
const QString ScriptDocument::kSaveFilter =
    QStringLiteral("Vistrel Script (*.vtl) |*.vtl|Text Files (*.txt)|*.txt");
const QString ScriptDocument::kDialogTitle = QStringLiteral("Vistrel");
const QString ScriptDocument::kOverwritePrompt = QStringLiteral("Overwrite existing file?");
const QString ScriptDocument::kSaveFirst = QStringLiteral("Please save this script first");

ScriptDocument::ScriptDocument(ScriptEditor& editor, platform::FileDialog& dialog,
                               platform::MessageBoxes& messages, DocumentHost& host)
    : editor_(editor), dialog_(dialog), messages_(messages), host_(host) {
    dialog_.setDialogTitle(kDialogTitle);
}

void ScriptDocument::prepareDialog() {
    dialog_.setInitDir(host_.programFolder() + QDir::separator() + QLatin1String("scripts"));
}

void ScriptDocument::New() {
    editor_.setText(QString());
    host_.setTitle(kUntitledTitle);
    dialog_.setFileName(QString());
}

void ScriptDocument::Open() {
    prepareDialog();
    dialog_.setFilter(kOpenFilter);
    dialog_.setFilterIndex(2);
    const QString previous = dialog_.fileName();
    if (!dialog_.ShowOpen())
        return;
    // A file that cannot be read leaves the editor showing the old script; it keeps its old
    // path too, so that a later Save cannot write the old text over the unread file.
    if (!editor_.LoadFile(dialog_.fileName())) {
        dialog_.setFileName(previous);
        return;
    }
    host_.setTitle(dialog_.fileName());
    host_.clearAnimations();
    host_.showStartingMethods();
}

bool ScriptDocument::openPath(const QString& path) {
    if (!editor_.LoadFile(path))
        return false;
    dialog_.setFileName(path);
    return true;
}

void ScriptDocument::Save() {
    if (!hasPath()) {
        SaveAs();
        return;
    }
    writeTo(dialog_.fileName());
}

bool ScriptDocument::SaveAs() {
    dialog_.setDialogTitle(kDialogTitle);
    prepareDialog();
    dialog_.setFilter(kSaveFilter);
    dialog_.setFilterIndex(1);
    if (!dialog_.ShowSave())
        return false;
    const QString path = dialog_.fileName();
    SaveScript(path);
    host_.setTitle(path);
    return true;
}

void ScriptDocument::Close() {
    if (!hasPath()) {
        messages_.show(Message{kSaveFirst, kDialogTitle, MessageIcon::Exclamation,
                               MessageButtons::Ok, MessageAnswer::Ok});
        SaveAs();
        return;
    }
    host_.setTitle(kUntitledTitle);
    host_.disableCloseCommand();
    SaveScript(dialog_.fileName());
    editor_.setText(QString());
    host_.clearAnimations();
    host_.clearMethods();
}

void ScriptDocument::SaveScript(const QString& path) {
    if (QFileInfo::exists(path)) {
        const MessageAnswer answer =
            messages_.show(Message{kOverwritePrompt, kDialogTitle, MessageIcon::None,
                                   MessageButtons::YesNo, MessageAnswer::No});
        if (answer != MessageAnswer::Yes)
            return;
    }
    writeTo(path);
}

bool ScriptDocument::writeTo(const QString& path) const {
    return writeScriptFile(path, editor_.Text());
}

}  // namespace vistrel::document
