#include "document/editor.h"

#include "document/scriptfile.h"

#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

#include <cmath>

namespace vistrel::document {

namespace {

bool isBold(const QTextCharFormat& format) {
    return format.fontWeight() > QFont::Medium;
}

bool isItalic(const QTextCharFormat& format) {
    return format.fontItalic();
}

}  // namespace

ScriptEditor::ScriptEditor(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("scriptEditor"));
    // Pasted web pages or documents bring only their text: a script is lines of text.
    setLineWrapMode(QPlainTextEdit::NoWrap);
}

QString ScriptEditor::plainText(QString raw, QLatin1String lineEnd) {
    raw.replace(QChar::ParagraphSeparator, lineEnd);
    raw.replace(QChar::LineSeparator, lineEnd);
    return raw;
}

QString ScriptEditor::scriptText() const {
    // The raw text keeps non-breaking spaces that toPlainText() would turn into blanks.
    return plainText(document()->toRawText(), QLatin1String("\r\n"));
}

void ScriptEditor::setText(const QString& text) {
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    showPlain(lines);
}

void ScriptEditor::showPlain(const QString& lines) {
    // The text edit gives new plain text the format last typed with; the script starts plain.
    setCurrentCharFormat(QTextCharFormat());
    setPlainText(lines);
}

double ScriptEditor::fontSize() const {
    return std::round(font().pointSizeF() * 10000.0) / 10000.0;
}

bool ScriptEditor::setFontSize(double points) {
    if (!std::isfinite(points) || points < kMinFontSize || points > kMaxFontSize)
        return false;
    QFont f = font();
    f.setPointSizeF(std::round(points * 10000.0) / 10000.0);
    setFont(f);
    return true;
}

std::optional<bool> ScriptEditor::selectionHas(bool (*test)(const QTextCharFormat&)) const {
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return test(currentCharFormat());
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    bool seenWith = false;
    bool seenWithout = false;
    for (QTextBlock block = document()->findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.position() + fragment.length() <= start || fragment.position() >= end)
                continue;
            (test(fragment.charFormat()) ? seenWith : seenWithout) = true;
            if (seenWith && seenWithout)
                return std::nullopt;
        }
    }
    return seenWith;
}

std::optional<bool> ScriptEditor::selectionBold() const {
    return selectionHas(isBold);
}

std::optional<bool> ScriptEditor::selectionItalic() const {
    return selectionHas(isItalic);
}

void ScriptEditor::setSelectionBold(bool bold) {
    QTextCharFormat format;
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    mergeCurrentCharFormat(format);
}

void ScriptEditor::setSelectionItalic(bool italic) {
    QTextCharFormat format;
    format.setFontItalic(italic);
    mergeCurrentCharFormat(format);
}

void ScriptEditor::setSelectionLength(int length) {
    QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart();
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    const int target = std::min(start + std::max(0, length), end.position());
    cursor.setPosition(start);
    cursor.setPosition(target, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

QString ScriptEditor::selectedScriptText() const {
    return plainText(textCursor().selectedText(), QLatin1String("\r\n"));
}

void ScriptEditor::setSelectedText(const QString& text) {
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QTextCursor cursor = textCursor();
    cursor.insertText(lines);
    setTextCursor(cursor);
}

void ScriptEditor::setKeyHooks(std::function<bool(QKeyEvent*)> before,
                               std::function<void(QKeyEvent*)> after) {
    keyBefore_ = std::move(before);
    keyAfter_ = std::move(after);
}

void ScriptEditor::keyPressEvent(QKeyEvent* event) {
    if (keyBefore_ && keyBefore_(event)) {
        event->ignore();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
    if (keyAfter_)
        keyAfter_(event);
}

bool ScriptEditor::loadFile(const QString& path) {
    const std::optional<ScriptFile> file = readScriptFile(path);
    if (!file)
        return false;
    showPlain(file->text);
    return true;
}

}  // namespace vistrel::document
