// Typing commands into the editor at its caret, as composition does.

#include "document/editor.h"
#include "document/typing.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QTextBlock>

namespace vistrel::test {
namespace {

class TypingTest : public testing::Test {
  protected:
    TypingTest() { editor.setText(QStringLiteral("before after\r\nend")); }
    void caretAt(int position, int anchor = -1) {
        QTextCursor cursor = editor.textCursor();
        cursor.setPosition(anchor < 0 ? position : anchor);
        if (anchor >= 0)
            cursor.setPosition(position, QTextCursor::KeepAnchor);
        editor.setTextCursor(cursor);
    }

    document::ScriptEditor editor;
    document::EditorTyping typing{editor};
};

TEST_F(TypingTest, QueuedTextArrivesAfterTheCallerReturnsInTheOrderSent) {
    caretAt(7);
    typing.type(QStringLiteral("Req7."), false);
    typing.type(QStringLiteral("Merlin.Speak.Hi, there"), true);
    EXPECT_EQ(editor.scriptText(), QStringLiteral("before after\r\nend")) << "not yet";
    EXPECT_TRUE(typing.pending());
    QCoreApplication::processEvents();
    EXPECT_EQ(editor.scriptText(),
              QStringLiteral("before Req7.Merlin.Speak.Hi, there\r\nafter\r\nend"));
    EXPECT_EQ(editor.textCursor().block().text(), QStringLiteral("after"));
    EXPECT_EQ(editor.textCursor().positionInBlock(), 0);
}

TEST_F(TypingTest, TypingReplacesTheSelection) {
    caretAt(12, 7);  // "after" selected
    typing.type(QStringLiteral("Merlin.Show"), true);
    QCoreApplication::processEvents();
    EXPECT_EQ(editor.scriptText(), QStringLiteral("before Merlin.Show\r\n\r\nend"));
}

TEST_F(TypingTest, WaitingDeliversWhatWasQueuedFirst) {
    caretAt(0);
    typing.type(QStringLiteral("one"), true);
    typing.typeAndWait(QStringLiteral("two"), true);
    EXPECT_FALSE(typing.pending());
    EXPECT_EQ(editor.scriptText(), QStringLiteral("one\r\ntwo\r\nbefore after\r\nend"));
    QCoreApplication::processEvents();
    EXPECT_EQ(editor.scriptText(), QStringLiteral("one\r\ntwo\r\nbefore after\r\nend"))
        << "nothing twice";
    editor.document()->undo();
    EXPECT_EQ(editor.scriptText(), QStringLiteral("one\r\nbefore after\r\nend"))
        << "each typed command is one step to undo";
}

}  // namespace
}  // namespace vistrel::test
