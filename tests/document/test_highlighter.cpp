// Syntax colours: which text gets which colour, and that colours never touch the user's own
// formatting or the saved file.

#include "document/highlighter.h"
#include "support/windowfixture.h"

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
