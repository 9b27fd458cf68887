#pragma once

#include <QPlainTextEdit>

#include <functional>
#include <optional>

namespace vistrel::document {

// The script editor: an edit control whose plain text is the script, with the user's character
// formatting on it. Formatting (bold, italic, size) lives only here; files are written from the
// plain text. It lays out line by line, so a keystroke costs the work of its own line however
// long the script is (a rich-text layout moves every later line on each edit).
class ScriptEditor : public QPlainTextEdit {
    Q_OBJECT
  public:
    // The range of point sizes the editor's font accepts.
    static constexpr double kMinFontSize = 1.0;
    static constexpr double kMaxFontSize = 1638.0;

    explicit ScriptEditor(QWidget* parent = nullptr);

    // The whole content as plain text, lines separated by CR LF.
    QString scriptText() const;
    // Replaces the whole content with plain text in the editor's own font.
    void setText(const QString& text);

    // The point size of the editor's own font, to four decimal places.
    double fontSize() const;
    // False, with nothing changed, for a size outside the font's range.
    bool setFontSize(double points);

    // True or false when the whole selection (or, with nothing selected, the text about to be
    // typed) has the attribute or lacks it; nothing when the selection mixes both.
    std::optional<bool> selectionBold() const;
    std::optional<bool> selectionItalic() const;
    void setSelectionBold(bool bold);
    void setSelectionItalic(bool italic);

    // Sets the selection's length from its start, clamped at the end of the text.
    void setSelectionLength(int length);
    // The selected text, lines separated by CR LF.
    QString selectedScriptText() const;
    // Replaces the selection (or inserts at the caret); the caret ends after the new text.
    void setSelectedText(const QString& text);

    // Shows the script file at `path`; false, with the editor unchanged, when it cannot be read.
    bool loadFile(const QString& path);

    // The editor's raw text as plain lines separated by `lineEnd`.
    static QString plainText(QString raw, QLatin1String lineEnd);

    // Lets a helper watch the keys: `before` sees each key first and may take it (the editor
    // then leaves it unaccepted, for the list that forwarded it); `after` sees each key the
    // editor has handled. Empty functions remove the hooks.
    void setKeyHooks(std::function<bool(QKeyEvent*)> before, std::function<void(QKeyEvent*)> after);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void showPlain(const QString& lines);
    std::optional<bool> selectionHas(bool (*test)(const QTextCharFormat&)) const;

    std::function<bool(QKeyEvent*)> keyBefore_;
    std::function<void(QKeyEvent*)> keyAfter_;
};

}  // namespace vistrel::document
