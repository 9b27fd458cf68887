#include "document/livecheck.h"

#include "script/scriptreader.h"

#include <QDir>
#include <QHelpEvent>
#include <QTextDocument>
#include <QToolTip>
#include <QtConcurrent/QtConcurrentRun>

namespace vistrel::document {

namespace {

QTextCharFormat underline(script::Severity severity) {
    QTextCharFormat format;
    format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    format.setUnderlineColor(severity == script::Severity::Error ? QColor(0xd0, 0x10, 0x10)
                                                                 : QColor(0xd8, 0x8a, 0x00));
    return format;
}

}  // namespace

QStringList loadedNames(const QString& text) {
    static const QString load = QStringLiteral("Load.");
    QStringList names;
    script::ScriptReader reader(text);
    QString item;
    while (reader.next(item)) {
        if (!item.startsWith(load, Qt::CaseInsensitive))
            continue;
        const QString name = item.mid(load.size()).trimmed();
        if (!name.isEmpty() && !names.contains(name, Qt::CaseInsensitive))
            names << name;
    }
    return names;
}

LiveChecker::LiveChecker(ScriptEditor& editor, std::function<script::CheckOptions()> options,
                         QObject* parent)
    : QObject(parent), editor_(editor), options_(std::move(options)), texts_(*editor_.document()) {
    delay_.setSingleShot(true);
    delay_.setInterval(kDelayMs);
    connect(&delay_, &QTimer::timeout, this, &LiveChecker::start);
    connect(&watcher_, &QFutureWatcher<LiveFindings>::finished, this, &LiveChecker::finished);
    // A new text (setPlainText replaces the content) reports its change as well.
    connect(editor_.document(), &QTextDocument::contentsChange, this,
            &LiveChecker::contentsChanged);
    editor_.viewport()->installEventFilter(this);
    recheck();
}

LiveChecker::~LiveChecker() {
    // The running check works on its own copies; only its result is waited for, not shown.
    disconnect(&watcher_, nullptr, this, nullptr);
    watcher_.waitForFinished();
}

void LiveChecker::recheck() {
    edited();
}

void LiveChecker::contentsChanged(int position, int removed, int added) {
    texts_.changed(position, removed, added);
    edited();
}

void LiveChecker::edited() {
    ++generation_;
    delay_.start();
}

void LiveChecker::start() {
    if (busy_) {
        again_ = true;
        return;
    }
    script::CheckOptions options = options_ ? options_() : script::CheckOptions();
    options.shelf = shelf_;
    busy_ = true;
    again_ = false;
    running_ = generation_;
    // Only the runs of blocks are shared here; the text is put together on the pool thread.
    watcher_.setFuture(QtConcurrent::run([copy = texts_.copy(), options]() mutable {
        const QString text = BlockTexts::joined(copy);
        LiveFindings found;
        found.result = script::checkScript(text, options);
        found.loadedNames = document::loadedNames(text);
        return found;
    }));
}

void LiveChecker::finished() {
    busy_ = false;
    if (running_ == generation_) {
        shown_ = watcher_.result();
        showFindings();
    } else if (again_) {
        start();
    }
    // Otherwise the pause after the latest edit is still running and starts the next check.
}

void LiveChecker::showFindings() {
    QList<QTextEdit::ExtraSelection> marks;
    QTextDocument* document = editor_.document();
    const int end = std::max(0, document->characterCount() - 1);
    for (const script::Finding& f : shown_.result.findings) {
        const int from = static_cast<int>(std::min<qsizetype>(f.offset, end));
        const int to =
            static_cast<int>(std::min<qsizetype>(f.offset + std::max<qsizetype>(f.length, 1), end));
        if (to <= from)
            continue;
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(document);
        mark.cursor.setPosition(from);
        mark.cursor.setPosition(to, QTextCursor::KeepAnchor);
        mark.format = underline(f.severity);
        marks << mark;
    }
    editor_.setExtraSelections(marks);
    emit checked(static_cast<int>(shown_.result.findings.size()));
}

QString LiveChecker::messageAt(int position) const {
    QStringList messages;
    for (const script::Finding& f : shown_.result.findings) {
        if (position >= f.offset && position < f.offset + std::max<qsizetype>(f.length, 1))
            messages << f.message;
    }
    return messages.join(QLatin1Char('\n'));
}

QStringList LiveChecker::animationsOf(const QString& name) const {
    const script::CheckOptions options = options_ ? options_() : script::CheckOptions();
    // Commands name a character in any case; its file is named as its Load. line names it.
    QString file = name;
    for (const QString& loaded : shown_.loadedNames) {
        if (loaded.compare(name, Qt::CaseInsensitive) == 0)
            file = loaded;
    }
    const QString path = QDir(options.charactersFolder).filePath(file + QLatin1String(".acs"));
    const std::shared_ptr<const script::CharacterSummary> summary = shelf_->summary(path);
    return summary ? summary->animations : QStringList();
}

QString LiveChecker::countText(std::size_t count) {
    if (count == 0)
        return QString();
    return count == 1 ? tr("1 problem") : tr("%1 problems").arg(count);
}

bool LiveChecker::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ToolTip || watched != editor_.viewport())
        return QObject::eventFilter(watched, event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString message = messageAt(editor_.cursorForPosition(help->pos()).position());
    if (message.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), message, editor_.viewport());
    return true;
}

}  // namespace vistrel::document
