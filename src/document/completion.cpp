#include "document/completion.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStringListModel>
#include <QTextBlock>

namespace vistrel::document {

namespace {

// "Req<slot>." before a command.
const QRegularExpression kStored(QStringLiteral("^Req\\d+\\."),
                                 QRegularExpression::CaseInsensitiveOption);
// "Name.Play.Anim", the animation still being typed.
const QRegularExpression kPlay(QStringLiteral("^([^.\"]+)\\.Play\\.([^.]*)$"),
                               QRegularExpression::CaseInsensitiveOption);
// A name still being typed: no dot yet, nothing but the name's own characters.
const QRegularExpression kName(QStringLiteral("^[^.\\s\"%]+$"));

}  // namespace

ScriptCompletion::ScriptCompletion(ScriptEditor& editor, Source source, QObject* parent)
    : QObject(parent),
      editor_(editor),
      source_(std::move(source)),
      model_(new QStringListModel(this)),
      completer_(new QCompleter(model_, this)) {
    completer_->setWidget(&editor_);
    completer_->setCompletionMode(QCompleter::PopupCompletion);
    completer_->setCaseSensitivity(Qt::CaseInsensitive);
    completer_->setModelSorting(QCompleter::UnsortedModel);
    connect(completer_, qOverload<const QString&>(&QCompleter::activated), this,
            &ScriptCompletion::insert);
    editor_.setKeyHooks([this](QKeyEvent* event) { return keyBefore(event); },
                        [this](QKeyEvent* event) { keyAfter(event); });
}

ScriptCompletion::~ScriptCompletion() {
    editor_.setKeyHooks({}, {});
}

ScriptCompletion::Context ScriptCompletion::contextFor(const QString& line) const {
    // Inside quotes the text is the user's own.
    if (line.count(u'"') % 2 != 0)
        return {};
    QString item = line.mid(line.lastIndexOf(u',') + 1);
    while (!item.isEmpty() && (item[0] == u' ' || item[0] == u'\t'))
        item.remove(0, 1);
    item.remove(kStored);
    if (const QRegularExpressionMatch play = kPlay.match(item); play.hasMatch()) {
        if (!source_.animations)
            return {};
        QStringList animations = source_.animations(play.captured(1).trimmed());
        animations.sort(Qt::CaseInsensitive);
        return {animations, play.captured(2)};
    }
    if (kName.match(item).hasMatch() && source_.names)
        return {source_.names(), item};
    return {};
}

void ScriptCompletion::update() {
    const QTextCursor cursor = editor_.textCursor();
    const QString line = cursor.block().text().left(cursor.positionInBlock());
    const Context context = contextFor(line);
    QAbstractItemView* popup = completer_->popup();
    if (context.candidates.isEmpty()) {
        popup->hide();
        return;
    }
    model_->setStringList(context.candidates);
    completer_->setCompletionPrefix(context.prefix);
    const int count = completer_->completionCount();
    if (count == 0 || (count == 1 && completer_->currentCompletion().compare(
                                         context.prefix, Qt::CaseInsensitive) == 0)) {
        popup->hide();  // nothing to offer, or the word is already complete
        return;
    }
    popup->setCurrentIndex(completer_->completionModel()->index(0, 0));
    QRect at = editor_.cursorRect();
    at.setWidth(popup->sizeHintForColumn(0) + popup->verticalScrollBar()->sizeHint().width());
    completer_->complete(at);
}

bool ScriptCompletion::keyBefore(QKeyEvent* event) {
    if (!completer_->popup()->isVisible())
        return false;
    switch (event->key()) {
        case Qt::Key_Enter:
        case Qt::Key_Return:
        case Qt::Key_Escape:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return true;  // the list takes these
        default:
            return false;
    }
}

void ScriptCompletion::keyAfter(QKeyEvent* event) {
    const bool edits = !event->text().isEmpty() || event->key() == Qt::Key_Backspace;
    const bool command = (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0;
    if (!edits || command) {
        completer_->popup()->hide();
        return;
    }
    update();
}

void ScriptCompletion::insert(const QString& completion) {
    QTextCursor cursor = editor_.textCursor();
    cursor.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor,
                        static_cast<int>(completer_->completionPrefix().size()));
    cursor.insertText(completion);
    editor_.setTextCursor(cursor);
}

}  // namespace vistrel::document
