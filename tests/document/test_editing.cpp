// The editor surface and the Edit and Text commands on real selections.

#include "document/editing.h"
#include "support/windowfixture.h"

#include <QLineEdit>
#include <QTextCursor>

namespace vistrel::test {
namespace {

using document::EditingCommands;
using document::ScriptEditor;

class EditingTest : public testing::Test {
  protected:
    // Selects `length` characters from `start` (positions count one per line break).
    void select(int start, int length) {
        QTextCursor cursor = editor.textCursor();
        cursor.setPosition(start);
        cursor.setPosition(start + length, QTextCursor::KeepAnchor);
        editor.setTextCursor(cursor);
    }

    ScriptEditor editor;
    QListWidget list;
    QLineEdit line;
    platform::testing::MemoryClipboard clipboard;
    QWidget* focused = &editor;
    EditingCommands commands{editor, clipboard, [this] { return focused; }};
};

TEST_F(EditingTest, TextReadsPlainLinesSeparatedByCrLf) {
    EXPECT_EQ(editor.scriptText(), QString());
    editor.setText(QStringLiteral("Load.Merlin\nMerlin.Show\r\nMerlin.Speak.a\u00a0b"));
    EXPECT_EQ(editor.scriptText(),
              QStringLiteral("Load.Merlin\r\nMerlin.Show\r\nMerlin.Speak.a\u00a0b"));
    EXPECT_EQ(editor.document()->blockCount(), 3);
}

TEST_F(EditingTest, WritingTextDropsFormatting) {
    editor.setText(QStringLiteral("bold words"));
    select(0, 4);
    commands.toggleBold();
    commands.toggleItalic();
    editor.setText(QStringLiteral("plain"));
    select(0, 5);
    EXPECT_EQ(editor.selectionBold(), false);
    EXPECT_EQ(editor.selectionItalic(), false);
    editor.moveCursor(QTextCursor::End);
    editor.insertPlainText(QStringLiteral("!"));
    select(0, 6);
    EXPECT_EQ(editor.selectionBold(), false) << "text typed afterwards is plain too";
}

TEST_F(EditingTest, BoldAndItalicToggleOnlyWhenTheSelectionIsNotMixed) {
    editor.setText(QStringLiteral("one two"));
    select(0, 3);
    commands.toggleBold();
    EXPECT_EQ(editor.selectionBold(), true);
    commands.toggleBold();
    EXPECT_EQ(editor.selectionBold(), false);

    commands.toggleBold();  // "one" bold, " two" plain
    select(0, 7);
    EXPECT_EQ(editor.selectionBold(), std::nullopt);
    commands.toggleBold();
    select(0, 3);
    EXPECT_EQ(editor.selectionBold(), true) << "a mixed selection is left as it was";
    select(3, 4);
    EXPECT_EQ(editor.selectionBold(), false);

    select(4, 3);
    commands.toggleItalic();
    select(0, 7);
    EXPECT_EQ(editor.selectionItalic(), std::nullopt);
    commands.toggleItalic();
    select(4, 3);
    EXPECT_EQ(editor.selectionItalic(), true);
    commands.toggleItalic();
    EXPECT_EQ(editor.selectionItalic(), false);
}

TEST_F(EditingTest, BoldWithNothingSelectedAppliesToWhatIsTypedNext) {
    editor.setText(QStringLiteral("ab"));
    editor.moveCursor(QTextCursor::End);
    commands.toggleBold();
    editor.insertPlainText(QStringLiteral("CD"));
    select(2, 2);
    EXPECT_EQ(editor.selectionBold(), true);
    select(0, 2);
    EXPECT_EQ(editor.selectionBold(), false);
}

TEST_F(EditingTest, SelectAllRunsFromTheSelectionStartToTheEnd) {
    editor.setText(QStringLiteral("Load.Merlin\nMerlin.Show"));
    select(5, 0);
    commands.selectAll();
    EXPECT_EQ(editor.selectedScriptText(), QStringLiteral("Merlin\r\nMerlin.Show"));
    select(0, 0);
    commands.selectAll();
    EXPECT_EQ(editor.selectedScriptText(), QStringLiteral("Load.Merlin\r\nMerlin.Show"));
    editor.setSelectionLength(4);
    EXPECT_EQ(editor.selectedScriptText(), QStringLiteral("Load"));
}

TEST_F(EditingTest, BiggerAndSmallerStepTheEditorsFontWithinItsRange) {
    ASSERT_TRUE(editor.setFontSize(10));
    commands.enlargeFont();
    commands.enlargeFont();
    commands.enlargeFont();
    EXPECT_DOUBLE_EQ(editor.fontSize(), 13.0);
    commands.shrinkFont();
    EXPECT_DOUBLE_EQ(editor.fontSize(), 12.0);

    ASSERT_TRUE(editor.setFontSize(1.5));
    commands.shrinkFont();
    EXPECT_DOUBLE_EQ(editor.fontSize(), 1.5) << "a refused size is not applied";
    ASSERT_TRUE(editor.setFontSize(ScriptEditor::kMaxFontSize));
    commands.enlargeFont();
    EXPECT_DOUBLE_EQ(editor.fontSize(), ScriptEditor::kMaxFontSize);
    EXPECT_FALSE(editor.setFontSize(std::nan("")));
}

TEST_F(EditingTest, CopyAndCutPutTheSelectionOnTheClipboard) {
    editor.setText(QStringLiteral("Load.Merlin\nMerlin.Show"));
    select(5, 0);
    clipboard.setText(QStringLiteral("before"));
    commands.copy();
    EXPECT_EQ(clipboard.text(), QString()) << "an empty selection copies as empty text";

    clipboard.setText(QStringLiteral("before"));
    commands.cut();
    EXPECT_EQ(clipboard.text(), QString());
    EXPECT_EQ(editor.scriptText(), QStringLiteral("Load.Merlin\r\nMerlin.Show"));

    select(5, 13);
    commands.copy();
    EXPECT_EQ(clipboard.text(), QStringLiteral("Merlin\nMerlin"));
    commands.cut();
    EXPECT_EQ(clipboard.text(), QStringLiteral("Merlin\nMerlin"));
    EXPECT_EQ(editor.scriptText(), QStringLiteral("Load..Show"));
}

TEST_F(EditingTest, PasteReplacesTheSelectionOrInsertsAtTheCaret) {
    editor.setText(QStringLiteral("Merlin.Hide"));
    select(7, 4);
    clipboard.setText(QStringLiteral("Show"));
    commands.paste();
    EXPECT_EQ(editor.scriptText(), QStringLiteral("Merlin.Show"));

    clipboard.setText(QStringLiteral("\r\nMerlin.Hide\r\n"));
    commands.paste();
    EXPECT_EQ(editor.scriptText(), QStringLiteral("Merlin.Show\r\nMerlin.Hide\r\n"));

    select(0, 7);
    clipboard.setText(QString());
    commands.paste();
    EXPECT_EQ(editor.scriptText(), QStringLiteral("Show\r\nMerlin.Hide\r\n"))
        << "an empty clipboard deletes the selection";
}

TEST_F(EditingTest, ClipboardCommandsFollowTheFocus) {
    editor.setText(QStringLiteral("script"));
    select(0, 6);
    line.setText(QStringLiteral("field text"));
    line.setSelection(0, 5);
    focused = &line;
    commands.cut();
    EXPECT_EQ(clipboard.text(), QStringLiteral("field"));
    EXPECT_EQ(line.text(), QStringLiteral(" text"));
    EXPECT_EQ(editor.scriptText(), QStringLiteral("script"));

    focused = &list;
    const int writes = clipboard.writes;
    commands.copy();
    commands.cut();
    commands.paste();
    EXPECT_EQ(clipboard.writes, writes) << "a list has no text to act on";
    EXPECT_EQ(editor.scriptText(), QStringLiteral("script"));

    focused = nullptr;
    commands.paste();
    EXPECT_EQ(editor.scriptText(), QStringLiteral("script"));
}

}  // namespace
}  // namespace vistrel::test
