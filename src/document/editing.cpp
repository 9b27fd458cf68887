#include "document/editing.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTextEdit>

namespace vistrel::document {

bool holdsText(const QWidget* widget) {
    return qobject_cast<const QTextEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget) ||
           qobject_cast<const QLineEdit*>(widget);
}

QString selectedText(const QWidget* widget) {
    if (const auto* edit = qobject_cast<const QTextEdit*>(widget))
        return ScriptEditor::plainText(edit->textCursor().selectedText(), QLatin1String("\n"));
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(widget))
        return ScriptEditor::plainText(plain->textCursor().selectedText(), QLatin1String("\n"));
    if (const auto* line = qobject_cast<const QLineEdit*>(widget))
        return line->selectedText();
    return {};
}

bool replaceSelection(QWidget* widget, const QString& text) {
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (auto* edit = qobject_cast<QTextEdit*>(widget)) {
        if (edit->isReadOnly())
            return false;
        edit->insertPlainText(lines);
        return true;
    }
    if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
        if (plain->isReadOnly())
            return false;
        plain->insertPlainText(lines);
        return true;
    }
    if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        if (line->isReadOnly())
            return false;
        line->insert(lines);
        return true;
    }
    return false;
}

EditingCommands::EditingCommands(ScriptEditor& editor, platform::Clipboard& clipboard,
                                 std::function<QWidget*()> focused)
    : editor_(editor), clipboard_(clipboard), focused_(std::move(focused)) {}

void EditingCommands::cut() {
    QWidget* target = focused_();
    if (!holdsText(target))
        return;
    clipboard_.setText(selectedText(target));
    replaceSelection(target, QString());
}

void EditingCommands::copy() {
    QWidget* target = focused_();
    if (holdsText(target))
        clipboard_.setText(selectedText(target));
}

void EditingCommands::paste() {
    QWidget* target = focused_();
    if (holdsText(target))
        replaceSelection(target, clipboard_.text());
}

void EditingCommands::selectAll() {
    editor_.setSelectionLength(editor_.document()->characterCount());
}

void EditingCommands::enlargeFont() {
    editor_.setFontSize(editor_.fontSize() + 1);
}

void EditingCommands::shrinkFont() {
    editor_.setFontSize(editor_.fontSize() - 1);
}

void EditingCommands::toggleBold() {
    if (const std::optional<bool> bold = editor_.selectionBold())
        editor_.setSelectionBold(!*bold);
}

void EditingCommands::toggleItalic() {
    if (const std::optional<bool> italic = editor_.selectionItalic())
        editor_.setSelectionItalic(!*italic);
}

}  // namespace vistrel::document
