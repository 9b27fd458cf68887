#pragma once

#include <QColor>
#include <QSyntaxHighlighter>

namespace vistrel::document {

// Colours a script as the player reads it: keywords, the character name that begins a command,
// numbers, quoted text, and the text the reader drops after a closing quote. Only the text
// colour is set, so the user's bold, italic and size show through; the colours live in the
// editor's layout, not in the document, and never reach a saved file.
class ScriptHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
  public:
    static const QColor kKeyword;
    static const QColor kName;
    static const QColor kNumber;
    static const QColor kQuoted;
    static const QColor kDropped;

    explicit ScriptHighlighter(QTextDocument* document);

  protected:
    void highlightBlock(const QString& text) override;

  private:
    enum State { Plain = 0, InQuote = 1 };

    // Colours the unquoted field text[start, end).
    void highlightItem(const QString& text, int start, int end);
    // Colours the command after its name, from `at` (a dot) up to `end`.
    void highlightCommand(const QString& text, int at, int end);
    void highlightNumbers(const QString& text, int start, int end);
    void colour(int start, int length, const QColor& colour);
};

}  // namespace vistrel::document
