#include "platform/filedialog.h"

namespace vistrel::platform {

bool FileDialog::show(FileDialogRequest::Kind kind) {
    FileDialogRequest request;
    request.kind = kind;
    request.title = title_;
    request.filter = filter_;
    request.filterIndex = filterIndex_;
    request.initialFolder = initDir_;
    request.fileName = fileName_;
    request.suffixFromFilter = suffixFromFilter_;
    const std::optional<QString> chosen = dialogs_.choose(request);
    if (!chosen || chosen->isEmpty())
        return false;
    fileName_ = *chosen;
    return true;
}

}  // namespace vistrel::platform
