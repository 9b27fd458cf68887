// Checking as the user types: underlines come and go with a typo, carry the message, and the
// window counts them in the status bar.

#include "characters.h"
#include "document/livecheck.h"
#include "support/windowfixture.h"

#include <QTest>
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

    editor.setText(QStringLiteral("Load.Merlin\nMerlin.Play.Wave\n"));
    ASSERT_TRUE(waitUntil([&] { return form.problemsText().isEmpty(); }));
    EXPECT_TRUE(underlinedTexts(editor).isEmpty());
}

}  // namespace
}  // namespace vistrel::test
