#pragma once

#include "platform/platform.h"

#include <QString>

namespace vistrel::platform {

// A file dialog that keeps its settings between showings, as a dialog control on a window
// does: the file name chosen last, the filter, the selected filter, the title and the start
// folder all stay until changed.
class FileDialog {
  public:
    explicit FileDialog(FileDialogs& dialogs) : dialogs_(dialogs) {}

    const QString& fileName() const { return fileName_; }
    void setFileName(const QString& name) { fileName_ = name; }
    const QString& filter() const { return filter_; }
    void setFilter(const QString& filter) { filter_ = filter; }
    int filterIndex() const { return filterIndex_; }
    void setFilterIndex(int index) { filterIndex_ = index; }
    const QString& dialogTitle() const { return title_; }
    void setDialogTitle(const QString& title) { title_ = title; }
    const QString& initDir() const { return initDir_; }
    void setInitDir(const QString& folder) { initDir_ = folder; }
    bool suffixFromFilter() const { return suffixFromFilter_; }
    void setSuffixFromFilter(bool on) { suffixFromFilter_ = on; }

    // Shows the dialog; on success the chosen path becomes the file name. False when the user
    // cancelled, with every setting unchanged.
    bool showOpen() { return show(FileDialogRequest::Kind::Open); }
    bool showSave() { return show(FileDialogRequest::Kind::Save); }

  private:
    bool show(FileDialogRequest::Kind kind);

    FileDialogs& dialogs_;
    QString fileName_;
    QString filter_;
    int filterIndex_ = 1;
    QString title_;
    QString initDir_;
    bool suffixFromFilter_ = false;
};

}  // namespace vistrel::platform
