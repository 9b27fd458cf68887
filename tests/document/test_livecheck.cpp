// Checking as the user types: underlines come and go with a typo, carry the message, and the
// window counts them in the status bar.

#include "characters.h"
#include "document/livecheck.h"
#include "support/snapshot.h"
#include "support/windowfixture.h"

#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

namespace vistrel::test {
namespace {

using document::LiveChecker;
using document::ScriptEditor;

constexpr int kWaitMs = 5000;

bool waitUntil(const std::function<bool()>& done) {
    return QTest::qWaitFor(done, kWaitMs);
}

QStringList underlinedTexts(const ScriptEditor& editor) {
    QStringList out;
    for (const QTextEdit::ExtraSelection& mark : editor.extraSelections()) {
        if (mark.format.underlineStyle() == QTextCharFormat::WaveUnderline)
            out << mark.cursor.selectedText();
    }
    return out;
}

void typeAtEnd(ScriptEditor& editor, const QString& text) {
    editor.moveCursor(QTextCursor::End);
    QTest::keyClicks(&editor, text);
}

class LiveCheckTest : public testing::Test {
  protected:
    LiveCheckTest() { EXPECT_TRUE(writeCharacter(chars.path(), "Merlin", "Merlin")); }

    QTemporaryDir chars;
    ScriptEditor editor;
    LiveChecker checker{editor, [this] {
                            script::CheckOptions o;
                            o.charactersFolder = chars.path();
                            return o;
                        }};
};

TEST_F(LiveCheckTest, ATypoIsUnderlinedWithItsMessageAndTheFixClearsIt) {
    int shown = 0;
    QObject::connect(&checker, &LiveChecker::checked, [&] { ++shown; });
    editor.setText(QStringLiteral("Load.Merlin\nMerlin.Show\n"));
    ASSERT_TRUE(waitUntil([&] { return shown > 0; }));
    EXPECT_TRUE(checker.findings().empty());
    EXPECT_EQ(checker.loadedNames(), QStringList{QStringLiteral("Merlin")});

    typeAtEnd(editor, QStringLiteral("Merlin.Play.Wav"));
    ASSERT_TRUE(waitUntil([&] { return !underlinedTexts(editor).isEmpty(); }));
    EXPECT_EQ(underlinedTexts(editor), QStringList{QStringLiteral("Wav")});
    ASSERT_EQ(checker.findings().size(), 1u);
    const script::Finding& f = checker.findings()[0];
    EXPECT_EQ(f.code, QStringLiteral("unknown-animation"));
    EXPECT_EQ(f.line, 3);
    const QString message = checker.messageAt(static_cast<int>(f.offset + 1));
    EXPECT_EQ(message, f.message);
    EXPECT_TRUE(checker.messageAt(0).isEmpty()) << "no message where nothing is wrong";
    EXPECT_EQ(editor.extraSelections()[0].format.underlineColor(), QColor(0xd0, 0x10, 0x10))
        << "an error is red";

    typeAtEnd(editor, QStringLiteral("e"));
    ASSERT_TRUE(waitUntil([&] { return underlinedTexts(editor).isEmpty(); }));
    EXPECT_TRUE(checker.findings().empty());
}

TEST_F(LiveCheckTest, OnlyTheLatestTextIsMarked) {
    editor.setText(QStringLiteral("Load.Merlin\nMerlin.Play.Wav"));
    // Keys keep coming: whatever was checked on the way, the marks fit the text as it ends.
    for (int i = 0; i < 4; ++i) {
        QTest::qWait(LiveChecker::kDelayMs / 3);
        editor.moveCursor(QTextCursor::End);
        if (i % 2 == 0)
            QTest::keyClick(&editor, Qt::Key_X);
        else
            QTest::keyClick(&editor, Qt::Key_Backspace);
    }
    ASSERT_TRUE(waitUntil([&] { return underlinedTexts(editor) == QStringList{"Wav"}; }))
        << underlinedTexts(editor).join(',').toStdString();
    QTest::qWait(LiveChecker::kDelayMs * 2);
    EXPECT_EQ(underlinedTexts(editor), QStringList{QStringLiteral("Wav")});
    EXPECT_EQ(editor.scriptText(), QStringLiteral("Load.Merlin\r\nMerlin.Play.Wav"));
}

// Each finding as "line:column code", and each underline as "start+length".
QStringList described(const std::vector<script::Finding>& findings) {
    QStringList out;
    for (const script::Finding& f : findings)
        out << QStringLiteral("%1:%2 %3").arg(f.line).arg(f.column).arg(f.code);
    return out;
}

QStringList markSpans(const ScriptEditor& editor) {
    QStringList out;
    for (const QTextEdit::ExtraSelection& mark : editor.extraSelections())
        out << QStringLiteral("%1+%2")
                   .arg(mark.cursor.selectionStart())
                   .arg(mark.cursor.selectionEnd() - mark.cursor.selectionStart());
    return out;
}

TEST_F(LiveCheckTest, MarksAfterEditsFarDownALongScriptAreThoseOfTheSameTextLoadedAfresh) {
    int shown = 0;
    QObject::connect(&checker, &LiveChecker::checked, [&] { ++shown; });
    QStringList lines{QStringLiteral("Load.Merlin")};
    for (int i = 1; i < 3000; ++i)
        lines << (i % 700 == 0 ? QStringLiteral("Merlin.Play.Wav") : QStringLiteral("Merlin.Show"));
    editor.setText(lines.join(QLatin1Char('\n')));
    ASSERT_TRUE(waitUntil([&] { return shown > 0; }));
    ASSERT_EQ(checker.findings().size(), 4u);

    // A typo made far down, lines pasted above it, and two lines joined below.
    QTextCursor cursor(editor.document()->findBlockByNumber(2500));
    cursor.movePosition(QTextCursor::EndOfBlock);
    cursor.insertText(QStringLiteral(",Merlin.Play.Blnk"));
    cursor.setPosition(editor.document()->findBlockByNumber(1200).position());
    cursor.insertText(QStringLiteral("Merlin.Hide\nMerlni.Show\n"));
    cursor.setPosition(editor.document()->findBlockByNumber(2800).position());
    cursor.deletePreviousChar();
    const int before = shown;
    ASSERT_TRUE(waitUntil([&] { return shown > before; }));

    ScriptEditor other;
    LiveChecker afresh{other, [this] {
                           script::CheckOptions o;
                           o.charactersFolder = chars.path();
                           return o;
                       }};
    int freshShown = 0;
    QObject::connect(&afresh, &LiveChecker::checked, [&] { ++freshShown; });
    other.setText(editor.scriptText());
    ASSERT_TRUE(waitUntil([&] { return freshShown > 0; }));
    EXPECT_EQ(described(checker.findings()), described(afresh.findings()));
    EXPECT_EQ(markSpans(editor), markSpans(other));
    EXPECT_GT(checker.findings().size(), 4u) << "the new typo and the unknown name are found";
}

TEST(LiveCheckNames, CountTextAndLoadedNames) {
    EXPECT_EQ(LiveChecker::countText(0), QString());
    EXPECT_EQ(LiveChecker::countText(1), QStringLiteral("1 problem"));
    EXPECT_EQ(LiveChecker::countText(12), QStringLiteral("12 problems"));
    EXPECT_EQ(document::loadedNames(QStringLiteral("load.Merlin \r\n\"Load.Al\",Load.Hal,Merlin."
                                                   "Speak.Load.No\nLOAD.merlin\nLoad.")),
              (QStringList{"Merlin", "Al", "Hal"}));
}

class LiveCheckWindowTest : public AppTest {
  protected:
    LiveCheckWindowTest() {
        EXPECT_TRUE(writeCharacter(charsDir.path(), "Merlin", "Merlin"));
        form.start({});
    }
};

TEST_F(LiveCheckWindowTest, TheStatusBarCountsProblemsAndPlayStillRuns) {
    ScriptEditor& editor = form.scriptEditor();
    editor.setText(QStringLiteral("Load.Merlin\nMerlin.Play.Wav\nMerlin.Play.Blnk\n"));
    ASSERT_TRUE(waitUntil([&] { return form.problemsText() == QStringLiteral("2 problems"); }))
        << form.problemsText().toStdString();
    EXPECT_EQ(underlinedTexts(editor), (QStringList{"Wav", "Blnk"}));
    QTextCursor name(editor.document()->findBlockByNumber(1));
    name.movePosition(QTextCursor::EndOfWord, QTextCursor::KeepAnchor);
    editor.setTextCursor(name);
    editor.setSelectionBold(true);
    editor.moveCursor(QTextCursor::End);
    saveSnapshot(form.grab().toImage(), QStringLiteral("editor-colours-and-marks"));

    editor.setText(QStringLiteral("Load.Merlin\nMerlin.Play.Wave\n"));
    ASSERT_TRUE(waitUntil([&] { return form.problemsText().isEmpty(); }));
    EXPECT_TRUE(underlinedTexts(editor).isEmpty());
}

}  // namespace
}  // namespace vistrel::test
