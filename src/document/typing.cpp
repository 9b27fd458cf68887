#include "document/typing.h"

#include "document/editor.h"

#include <QTextCursor>

namespace vistrel::document {

EditorTyping::EditorTyping(ScriptEditor& editor, QObject* parent)
    : QObject(parent), editor_(editor) {}

void EditorTyping::type(const QString& text, bool endLine) {
    queued_.push_back({text, endLine});
    if (scheduled_)
        return;
    scheduled_ = true;
    QMetaObject::invokeMethod(this, &EditorTyping::deliver, Qt::QueuedConnection);
}

void EditorTyping::typeAndWait(const QString& text, bool endLine) {
    queued_.push_back({text, endLine});
    deliver();
}

void EditorTyping::deliver() {
    scheduled_ = false;
    if (queued_.empty())
        return;
    // The editor may sit in a window that is not the active one (the picker or the text entry
    // window was clicked last).
    if (editor_.isVisible()) {
        editor_.activateWindow();
        editor_.setFocus(Qt::OtherFocusReason);
    }
    while (!queued_.empty()) {
        const Typed typed = std::move(queued_.front());
        queued_.pop_front();
        insert(typed);
    }
    editor_.ensureCursorVisible();
}

void EditorTyping::insert(const Typed& typed) {
    // Inserted rather than sent as keys: nothing that watches the keys (completion) may take
    // part of it, and a key's meaning never depends on the keyboard layout.
    QTextCursor cursor = editor_.textCursor();
    cursor.beginEditBlock();
    QString lines = typed.text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    cursor.insertText(lines);
    if (typed.endLine)
        cursor.insertBlock();
    cursor.endEditBlock();
    editor_.setTextCursor(cursor);
}

}  // namespace vistrel::document
