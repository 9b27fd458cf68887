#pragma once

#include "document/editor.h"
#include "platform/filedialog.h"
#include "platform/platform.h"

#include <QString>

namespace vistrel::document {

// What the document commands change on the window beyond the editor.
class DocumentHost {
  public:
    virtual ~DocumentHost() = default;
    virtual void setTitle(const QString& title) = 0;
    virtual void clearAnimations() = 0;
    // Leaves only "Load." in the Methods list.
    virtual void showStartingMethods() = 0;
    virtual void clearMethods() = 0;
    virtual void disableCloseCommand() = 0;
    // The program's own folder; the dialogs start in its "scripts" folder.
    virtual QString programFolder() const = 0;
};

// The File menu's document commands on the one script the window edits. The current path is
// the file name the script dialog holds; empty means the script has no file yet.
class ScriptDocument {
  public:
    static const QString kUntitledTitle;
    static const QString kOpenFilter;
    static const QString kSaveFilter;
    static const QString kDialogTitle;
    static const QString kOverwritePrompt;
    static const QString kSaveFirst;

    ScriptDocument(ScriptEditor& editor, platform::FileDialog& dialog,
                   platform::MessageBoxes& messages, DocumentHost& host);

    void New();
    void Open();
    void Save();
    // True when a file was chosen (whether or not it was then written).
    bool SaveAs();
    void Close();
    // Writes the editor text to `path`, asking first when a file of that name exists.
    void SaveScript(const QString& path);

    // Writes the editor text to `path` without asking; false when the write failed.
    bool writeTo(const QString& path) const;
    // Shows the file in the editor and makes it the current path; false, with nothing
    // changed, when it cannot be read.
    bool openPath(const QString& path);

    QString currentPath() const { return dialog_.fileName(); }
    bool hasPath() const { return !dialog_.fileName().isEmpty(); }

  private:
    void prepareDialog();

    ScriptEditor& editor_;
    platform::FileDialog& dialog_;
    platform::MessageBoxes& messages_;
    DocumentHost& host_;
};

}  // namespace vistrel::document
