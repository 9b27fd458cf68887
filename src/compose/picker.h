#pragma once

#include "compose/characterfiles.h"
#include "compose/hints.h"
#include "script/cast.h"

#include <QHash>
#include <QThreadPool>
#include <QWidget>

#include <atomic>
#include <memory>

class QListWidget;
class QListWidgetItem;

namespace vistrel::document {
class EditorTyping;
}  // namespace vistrel::document

namespace vistrel::compose {

// A small window above every other that lists the character files of the characters folder.
// A click on one types "Load." and the character's id as a line of the script; the window stays
// open for more. Each entry shows a picture of the character and, on hover, what its file says
// about it; a file that cannot be opened is listed disabled, with the reason. The folder is
// listed and its files read on worker threads, so the window never waits for them: names come
// first, and each picture as soon as it is drawn.
class CharacterPicker final : public QWidget {
    Q_OBJECT
  public:
    static QString title();
    static QString closingHint();
    static QString showReminder();
    static constexpr QSize kPictureBox{40, 40};

    // `cast` and `methodsList`: with no character loaded, a click leaves only "Load." in the
    // Methods list.
    CharacterPicker(document::EditorTyping& typing, const script::Cast& cast,
                    QListWidget& methodsList, const Hints& hints, QWidget* parent = nullptr);
    ~CharacterPicker() override;

    // Lists the files of `folder`. A folder that does not exist leaves the list as it was.
    void setFolder(const QString& folder);
    const QString& folder() const { return folder_; }

    QListWidget& fileList() { return *list_; }
    // Files whose picture and details are still being read.
    int filesBeingRead() const { return reading_; }
    // Stops reading and waits for the worker threads: for shutting down.
    void stopReading();

  signals:
    // The folder's names are in the list.
    void listed();
    // Every entry has its picture or its reason.
    void allRead();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    struct Cached {
        qint64 bytes = 0;
        QDateTime modified;
        CharacterFileInfo info;
    };

    void filesListed(quint64 generation, const std::vector<CharacterFile>& files);
    void fileRead(quint64 generation, int row, const QString& path, const CharacterFile& file,
                  const CharacterFileInfo& info);
    void present(QListWidgetItem& item, const CharacterFileInfo& info);
    void fileClicked(QListWidgetItem* item);
    QString pathOf(const QString& fileName) const;

    document::EditorTyping& typing_;
    const script::Cast& cast_;
    QListWidget& methodsList_;
    const Hints& hints_;
    QListWidget* list_;
    QString folder_;
    QThreadPool pool_;
    std::shared_ptr<std::atomic<quint64>> generation_;
    int reading_ = 0;
    QHash<QString, Cached> cache_;  // by path
};

}  // namespace vistrel::compose
