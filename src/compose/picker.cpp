#include "compose/picker.h"

#include "compose/methods.h"
#include "document/typing.h"
#include "log/log.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

namespace vistrel::compose {

QString CharacterPicker::title() {
    return tr("Characters");
}
QString CharacterPicker::closingHint() {
    return tr(
        "Now you have entered the characters you want, just click the load all button (which "
        "looks like the Agent icon.)");
}
QString CharacterPicker::showReminder() {
    return tr("Don't forget to choose the 'Show command or your characters will never show");
}

namespace {

QIcon blankIcon() {
    QPixmap blank(CharacterPicker::kPictureBox);
    blank.fill(Qt::transparent);
    return QIcon(blank);
}

// The picture centred in the picture box, so that every entry's name starts at the same place.
QIcon iconFor(const QImage& picture) {
    if (picture.isNull())
        return blankIcon();
    QImage boxed(CharacterPicker::kPictureBox, QImage::Format_ARGB32_Premultiplied);
    boxed.fill(Qt::transparent);
    QPainter painter(&boxed);
    painter.drawImage((boxed.width() - picture.width()) / 2,
                      (boxed.height() - picture.height()) / 2, picture);
    painter.end();
    return QIcon(QPixmap::fromImage(boxed));
}

QString detailsOf(const CharacterFileInfo& info, const QString& fileName) {
    QString html = QLatin1String("<b>") +
                   (info.name.isEmpty() ? fileName : info.name).toHtmlEscaped() +
                   QLatin1String("</b>");
    if (!info.description.isEmpty())
        html += QLatin1String("<br>") + info.description.toHtmlEscaped();
    html +=
        QLatin1String("<br>") +
        CharacterPicker::tr("%1 \u00d7 %2 pixels").arg(info.size.width()).arg(info.size.height());
    return html;
}

}  // namespace

CharacterPicker::CharacterPicker(document::EditorTyping& typing, const script::Cast& cast,
                                 QListWidget& methodsList, const Hints& hints, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint),
      typing_(typing),
      cast_(cast),
      methodsList_(methodsList),
      hints_(hints),
      list_(new QListWidget(this)),
      generation_(std::make_shared<std::atomic<quint64>>(0)) {
    setObjectName(QStringLiteral("characterPicker"));
    setWindowTitle(title());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
    list_->setObjectName(QStringLiteral("characterFiles"));
    list_->setIconSize(kPictureBox);
    list_->setUniformItemSizes(true);
    list_->setMouseTracking(true);
    resize(220, 320);
    // Reading a character file is mostly decoding: one thread per core, fewer on a busy one.
    pool_.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
    connect(list_, &QListWidget::itemClicked, this, &CharacterPicker::fileClicked);
}

CharacterPicker::~CharacterPicker() {
    stopReading();
}

void CharacterPicker::stopReading() {
    ++*generation_;
    pool_.clear();
    pool_.waitForDone();
}

QString CharacterPicker::pathOf(const QString& fileName) const {
    return QDir::toNativeSeparators(QDir(QDir::fromNativeSeparators(folder_)).filePath(fileName));
}

void CharacterPicker::setFolder(const QString& folder) {
    if (!QFileInfo(QDir::fromNativeSeparators(folder)).isDir()) {
        log::ignored(log::app(), QLatin1String("the character picker's folder ") + folder,
                     QLatin1String("it is not a folder"));
        return;
    }
    folder_ = folder;
    const quint64 generation = ++*generation_;
    pool_.clear();
    // The picker outlives its tasks (it waits for them when it goes), and what they post to it
    // is dropped if it is gone before the event loop delivers it.
    pool_.start([this, generation, folder, current = generation_] {
        if (current->load() != generation)
            return;
        std::vector<CharacterFile> files = listCharacterFiles(folder);
        QMetaObject::invokeMethod(
            this, [this, generation, files = std::move(files)] { filesListed(generation, files); },
            Qt::QueuedConnection);
    });
}

void CharacterPicker::filesListed(quint64 generation, const std::vector<CharacterFile>& files) {
    if (generation != generation_->load())
        return;
    list_->clear();
    reading_ = 0;
    for (const CharacterFile& file : files) {
        auto* item = new QListWidgetItem(blankIcon(), file.fileName, list_);
        const QString path = pathOf(file.fileName);
        const auto cached = cache_.constFind(path);
        if (cached != cache_.constEnd() && cached->bytes == file.bytes &&
            cached->modified == file.modified) {
            present(*item, cached->info);
            continue;
        }
        ++reading_;
        const int row = list_->count() - 1;
        pool_.start([this, generation, row, path, file, current = generation_] {
            if (current->load() != generation)
                return;
            CharacterFileInfo info = readCharacterFile(path, kPictureBox);
            QMetaObject::invokeMethod(
                this,
                [this, generation, row, path, file, info = std::move(info)] {
                    fileRead(generation, row, path, file, info);
                },
                Qt::QueuedConnection);
        });
    }
    emit listed();
    if (reading_ == 0)
        emit allRead();
}

void CharacterPicker::fileRead(quint64 generation, int row, const QString& path,
                               const CharacterFile& file, const CharacterFileInfo& info) {
    cache_.insert(path, Cached{file.bytes, file.modified, info});
    if (generation != generation_->load())
        return;
    if (QListWidgetItem* item = list_->item(row))
        present(*item, info);
    if (--reading_ == 0)
        emit allRead();
}

void CharacterPicker::present(QListWidgetItem& item, const CharacterFileInfo& info) {
    if (!info.usable) {
        item.setFlags(item.flags() & ~Qt::ItemIsEnabled);
        item.setToolTip(info.problem);
        return;
    }
    item.setIcon(iconFor(info.picture));
    item.setToolTip(detailsOf(info, item.text()));
}

void CharacterPicker::fileClicked(QListWidgetItem* item) {
    if (!item || !(item->flags() & Qt::ItemIsEnabled))
        return;
    typing_.typeAndWait(QLatin1String("Load.") + characterIdOf(item->text()), true);
    if (cast_.empty())
        showStartingMethods(methodsList_);
}

void CharacterPicker::closeEvent(QCloseEvent* event) {
    hints_.speakHint(closingHint());
    hints_.speakHint(showReminder());
    QWidget::closeEvent(event);
}

}  // namespace vistrel::compose
