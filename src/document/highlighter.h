#pragma once

#include <QColor>
#include <QSyntaxHighlighter>
#include <QTextCursor>
#include <QTimer>

#include <vector>

namespace vistrel::document {

// Colours a script as the player reads it: keywords, the character name that begins a command,
// numbers, quoted text, and the text the reader drops after a closing quote. Only the text
// colour is set, so the user's bold, italic and size show through; the colours live in the
// editor's layout, not in the document, and never reach a saved file.
//
// A line is coloured again when it is edited, and the lines after it for as long as the state
// a line ends in (inside a quote or not) differs from before. A quote typed above a long
// unquoted script changes every later line: the first kFollowOnLines of them are coloured at
// once, the rest in batches of that size as soon as the window has painted, so the key is not
// held up by lines far out of sight.
class ScriptHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
  public:
    static const QColor kKeyword;
    static const QColor kName;
    static const QColor kNumber;
    static const QColor kQuoted;
    static const QColor kDropped;

    static constexpr int kFollowOnLines = 200;

    explicit ScriptHighlighter(QTextDocument* document);
    ~ScriptHighlighter() override;

    // True when no lines wait to be coloured again.
    bool isSettled() const { return pending_.empty(); }

  signals:
    // The last lines that waited have been coloured.
    void settled();

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

    // Around each change the document reports: lines from `passEnd_` on are coloured only
    // because the line before them now ends differently.
    void beginPass(int position, int removed, int added);
    void endPass();
    // Leaves the current line as it is, so colouring stops here, and comes back to it later.
    void stopHere();
    void resume();

    static constexpr int kNoPass = -1;
    int passEnd_ = kNoPass;
    int followOn_ = 0;
    std::vector<QTextCursor> pending_;  // lines left as they were, to come back to
    QTimer resume_;
};

}  // namespace vistrel::document
