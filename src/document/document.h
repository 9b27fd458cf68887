#pragma once

#include "document/editor.h"
#include "platform/filedialog.h"
#include "platform/platform.h"
#include "script/scripttext.h"

#include <QObject>
#include <QString>

#include <functional>

namespace vistrel::document {

// What the document commands change on the window beyond the editor.
class DocumentHost {
  public:
    virtual ~DocumentHost() = default;
    virtual void clearAnimations() = 0;
    // Leaves only "Load." in the Methods list.
    virtual void showStartingMethods() = 0;
    virtual void clearMethods() = 0;
    virtual void disableCloseCommand() = 0;
    // The program's own folder; the dialogs start in its "scripts" folder.
    virtual QString programFolder() const = 0;
};

// The one script the window edits, with the File menu's commands on it. The current path is
// the file name the script dialog holds; empty means the script has no file yet. The script
// counts as modified from an edit in the editor until it is next opened, written or started
// anew; the title is what the window's caption shows for it.
class ScriptDocument : public QObject {
    Q_OBJECT
  public:
    static QString untitledTitle();
    static QString openFilter();
    static QString saveFilter();
    static QString dialogTitle();
    static QString overwritePrompt();
    static QString saveFirstMessage();

    ScriptDocument(ScriptEditor& editor, platform::FileDialog& dialog,
                   platform::MessageBoxes& messages, DocumentHost& host, QObject* parent = nullptr);

    // The File menu's commands.
    void newScript();
    void open();
    void save();
    // True when a file was chosen (whether or not it was then written).
    bool saveAs();
    void close();

    // True when the script has a file. Otherwise asks the user to save it first and runs Save
    // As, and is false: the command that asked does not go on.
    bool requireFile();
    // Writes the editor text to the current file without asking; false when there is none or
    // the write failed.
    bool writeFile();
    // Shows the file in the editor and makes it the current path; false, with nothing
    // changed, when it cannot be read. A file too long for the editor is refused with a
    // message.
    bool openPath(const QString& path);

    // How the current file stores its text; saving writes it the same way.
    script::ScriptEncoding encoding() const { return encoding_; }

    static QString tooLongMessage();
    static QString notSavedMessage();

    QString currentPath() const { return dialog_.fileName(); }
    bool hasPath() const { return !dialog_.fileName().isEmpty(); }
    const QString& title() const { return title_; }
    bool isModified() const { return modified_; }

  signals:
    void titleChanged(const QString& title);
    void modificationChanged(bool modified);

  private:
    void prepareDialog();
    void setTitle(const QString& title);
    void markSaved();
    void setModified(bool modified);
    // Runs `replace`, which puts a whole new text into the editor; its result.
    bool replaceText(const std::function<bool()>& replace);
    // Writes the editor text to the current file, asking first when the file exists.
    void writeAskingToOverwrite();
    // Reads `path` into the editor; false, logged and (for a file too long to edit) told to
    // the user, when it cannot be.
    bool load(const QString& path);

    ScriptEditor& editor_;
    platform::FileDialog& dialog_;
    platform::MessageBoxes& messages_;
    DocumentHost& host_;
    QString title_;
    bool modified_ = false;
    bool replacingText_ = false;
    script::ScriptEncoding encoding_ = script::ScriptEncoding::Undecided;
};

}  // namespace vistrel::document
