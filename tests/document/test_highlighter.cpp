// Syntax colours: which text gets which colour, and that colours never touch the user's own
// formatting or the saved file.

#include "document/highlighter.h"
#include "support/windowfixture.h"

#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

namespace vistrel::test {
namespace {

using document::ScriptEditor;
using document::ScriptHighlighter;

// Each coloured run of the block as "text=colour", colours named by role.
QStringList colouredRuns(const QTextBlock& block) {
    const auto role = [](const QColor& c) {
        if (c == ScriptHighlighter::kKeyword)
            return QStringLiteral("keyword");
        if (c == ScriptHighlighter::kName)
            return QStringLiteral("name");
        if (c == ScriptHighlighter::kNumber)
            return QStringLiteral("number");
        if (c == ScriptHighlighter::kQuoted)
            return QStringLiteral("quoted");
        if (c == ScriptHighlighter::kDropped)
            return QStringLiteral("dropped");
        return c.name();
    };
    QStringList out;
    for (const QTextLayout::FormatRange& r : block.layout()->formats())
        out << block.text().mid(r.start, r.length) + QLatin1Char('=') +
                   role(r.format.foreground().color());
    return out;
}

QStringList runsOfLine(const ScriptEditor& editor, int line) {
    return colouredRuns(editor.document()->findBlockByNumber(line));
}

// The coloured runs of every line.
QList<QStringList> allRuns(const ScriptEditor& editor) {
    QList<QStringList> out;
    for (QTextBlock block = editor.document()->begin(); block.isValid(); block = block.next())
        out << colouredRuns(block);
    return out;
}

// The line numbers (from 0) whose runs differ.
QList<int> differingLines(const QList<QStringList>& a, const QList<QStringList>& b) {
    QList<int> out;
    for (int i = 0; i < std::max(a.size(), b.size()); ++i) {
        if (i >= a.size() || i >= b.size() || a[i] != b[i])
            out << i;
    }
    return out;
}

class HighlighterTest : public testing::Test {
  protected:
    ScriptEditor editor;
    ScriptHighlighter highlighter{editor.document()};
};

TEST_F(HighlighterTest, ColoursKeywordsNamesNumbersAndQuotedText) {
    editor.setText(
        QStringLiteral("Load.Merlin\n"
                       "merlin.play.Wave,Merlin.MoveTo.100.-20\n"
                       "Req3.Merlin.Speak.I have 2 hats\n"
                       "WaitOn.Req.3\n"
                       "\"Quoted, still\" dropped,Merlin.Hide.Quick\n"
                       "  \"Open\n"
                       "still open\" x\n"
                       "A comment\n"
                       "VTL.END"));
    EXPECT_EQ(runsOfLine(editor, 0), (QStringList{"Load.=keyword", "Merlin=name"}));
    EXPECT_EQ(runsOfLine(editor, 1), (QStringList{"merlin=name", ".play.=keyword", "Merlin=name",
                                                  ".MoveTo.=keyword", "100=number", "-20=number"}));
    EXPECT_EQ(runsOfLine(editor, 2),
              (QStringList{"Req=keyword", "3=number", "Merlin=name", ".Speak.=keyword"}))
        << "what is spoken keeps the text colour, numbers and all";
    EXPECT_EQ(runsOfLine(editor, 3), (QStringList{"WaitOn.Req.=keyword", "3=number"}));
    EXPECT_EQ(runsOfLine(editor, 4), (QStringList{"\"Quoted, still\"=quoted", " dropped=dropped",
                                                  "Merlin=name", ".Hide.Quick=keyword"}));
    EXPECT_EQ(runsOfLine(editor, 5), QStringList{"\"Open=quoted"});
    EXPECT_EQ(runsOfLine(editor, 6), (QStringList{"still open\"=quoted", " x=dropped"}))
        << "a quote left open runs on into the next line, as the reader reads it";
    EXPECT_TRUE(runsOfLine(editor, 7).isEmpty());
    EXPECT_EQ(runsOfLine(editor, 8), (QStringList{"VTL.END=keyword"}));
}

TEST_F(HighlighterTest, ColoursKeepBoldAndItalicAndChangeNothingInTheDocument) {
    editor.setText(QStringLiteral("Load.Merlin\nMerlin.Play.Wave"));
    QTextCursor cursor(editor.document()->findBlockByNumber(1));
    cursor.movePosition(QTextCursor::EndOfWord, QTextCursor::KeepAnchor);  // "Merlin"
    editor.setTextCursor(cursor);
    editor.setSelectionBold(true);
    editor.setSelectionItalic(true);
    highlighter.rehighlight();

    EXPECT_EQ(editor.selectionBold(), true);
    EXPECT_EQ(editor.selectionItalic(), true);
    const QTextBlock line = editor.document()->findBlockByNumber(1);
    ASSERT_FALSE(line.layout()->formats().isEmpty());
    for (const QTextLayout::FormatRange& r : line.layout()->formats()) {
        EXPECT_EQ(r.format.properties().keys(), QList<int>{QTextFormat::ForegroundBrush})
            << "a colour sets nothing but the text colour";
    }
    for (auto it = line.begin(); !it.atEnd(); ++it) {
        EXPECT_FALSE(it.fragment().charFormat().hasProperty(QTextFormat::ForegroundBrush))
            << "the document itself holds no colour";
    }
}

TEST_F(HighlighterTest, AfterEditsAnywhereTheColoursAreThoseOfTheSameTextLoadedAfresh) {
    // Long enough that a quote opened near the top changes more lines than are coloured at once.
    QStringList lines;
    for (int i = 0; i < 5 * ScriptHighlighter::kFollowOnLines; ++i)
        lines << QStringLiteral("Merlin.MoveTo.%1.20,Merlin.Play.Wave").arg(i);
    editor.setText(lines.join(QLatin1Char('\n')));
    const auto fresh = [this] {
        ScriptEditor other;
        ScriptHighlighter colours(other.document());
        other.setText(editor.scriptText());
        return allRuns(other);
    };
    const auto insertAtLine = [this](int line, const QString& text) {
        QTextCursor cursor(editor.document()->findBlockByNumber(line));
        cursor.insertText(text);
    };
    const auto settle = [this] {
        return QTest::qWaitFor([this] { return highlighter.isSettled(); }, 10000);
    };

    insertAtLine(10, QStringLiteral("\""));
    EXPECT_EQ(runsOfLine(editor, 11), QStringList{lines[11] + QStringLiteral("=quoted")})
        << "the lines in sight take their new colour with the key";
    // More keys before the far lines have their colours: one in the lines still waiting, one
    // that joins the last line coloured at once to the next.
    insertAtLine(3 * ScriptHighlighter::kFollowOnLines, QStringLiteral("Req2."));
    QTextCursor join(editor.document()->findBlockByNumber(ScriptHighlighter::kFollowOnLines + 11));
    join.deletePreviousChar();
    ASSERT_TRUE(settle());
    EXPECT_EQ(differingLines(allRuns(editor), fresh()), QList<int>{});

    // The quote closed further down, then the one that opened it taken back.
    insertAtLine(2 * ScriptHighlighter::kFollowOnLines, QStringLiteral("\""));
    ASSERT_TRUE(settle());
    EXPECT_EQ(differingLines(allRuns(editor), fresh()), QList<int>{});
    QTextCursor opening(editor.document()->findBlockByNumber(10));
    opening.deleteChar();
    ASSERT_TRUE(settle());
    EXPECT_EQ(differingLines(allRuns(editor), fresh()), QList<int>{});
    EXPECT_EQ(runsOfLine(editor, 11).first(), QStringLiteral("Merlin=name"));
}

class HighlighterWindowTest : public AppTest {
  protected:
    HighlighterWindowTest() { form.start({}); }
};

TEST_F(HighlighterWindowTest, AColouredFormattedScriptSavesAsItsPlainText) {
    ScriptEditor& editor = form.scriptEditor();
    editor.setText(QStringLiteral("Load.Merlin\n\"Merlin.Speak.Hi, you\",Merlin.MoveTo.5.6"));
    editor.selectAll();
    editor.setSelectionBold(true);
    ASSERT_FALSE(runsOfLine(editor, 1).isEmpty()) << "the window colours its script";
    const QString path = scriptPath(QStringLiteral("coloured.vtl"));
    platform.files.choices << path;
    commands().saveAs->trigger();
    EXPECT_EQ(readBytes(path),
              QByteArray("Load.Merlin\r\n\"Merlin.Speak.Hi, you\",Merlin.MoveTo.5.6\r\n"));
}

}  // namespace
}  // namespace vistrel::test
