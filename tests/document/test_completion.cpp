// Completion of the loaded characters' names and of their animations after ".Play.".

#include "characters.h"
#include "document/completion.h"
#include "document/livecheck.h"
#include "support/windowfixture.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QTest>
#include <QTextCursor>

namespace vistrel::test {
namespace {

using document::LiveChecker;
using document::ScriptCompletion;
using document::ScriptEditor;

QStringList offered(QCompleter& completer) {
    QStringList out;
    for (int i = 0; i < completer.completionCount(); ++i) {
        completer.setCurrentRow(i);
        out << completer.currentCompletion();
    }
    completer.setCurrentRow(0);
    return out;
}

class CompletionTest : public testing::Test {
  protected:
    CompletionTest() {
        EXPECT_TRUE(writeCharacter(chars.path(), "Merlin", "Merlin"));
        editor.show();
        QObject::connect(&checker, &LiveChecker::checked, [this] { ++checks; });
        editor.setText(QStringLiteral("Load.Merlin\nLoad.Missing\n"));
        EXPECT_TRUE(QTest::qWaitFor([this] { return checks > 0; }, 5000));
        editor.moveCursor(QTextCursor::End);
    }

    QTemporaryDir chars;
    int checks = 0;
    ScriptEditor editor;
    LiveChecker checker{editor, [this] {
                            script::CheckOptions o;
                            o.charactersFolder = chars.path();
                            return o;
                        }};
    ScriptCompletion completion{
        editor,
        {[this] { return checker.loadedNames(); },
         [this](const QString& name) { return checker.animationsOf(name); }}};
    QCompleter& completer = completion.completer();
};

TEST_F(CompletionTest, PlayOffersTheLoadedCharactersAnimationsAndEnterTakesOne) {
    QTest::keyClicks(&editor, QStringLiteral("merlin.Play."));
    ASSERT_TRUE(completer.popup()->isVisible());
    EXPECT_EQ(offered(completer),
              (QStringList{"Blink", "Hide", "Idle1_1", "RestPose", "Show", "Wave"}));

    QTest::keyClicks(&editor, QStringLiteral("wa"));
    EXPECT_EQ(offered(completer), QStringList{"Wave"});
    QTest::keyClick(completer.popup(), Qt::Key_Return);
    EXPECT_FALSE(completer.popup()->isVisible());
    EXPECT_EQ(editor.scriptText(),
              QStringLiteral("Load.Merlin\r\nLoad.Missing\r\nmerlin.Play.Wave"))
        << "the typed part is replaced; Enter adds no line";
}

TEST_F(CompletionTest, AnItemStartOffersTheLoadedNames) {
    QTest::keyClicks(&editor, QStringLiteral("Req1.M"));
    ASSERT_TRUE(completer.popup()->isVisible());
    EXPECT_EQ(offered(completer), (QStringList{"Merlin", "Missing"}));
    QTest::keyClicks(&editor, QStringLiteral("e"));
    EXPECT_EQ(offered(completer), QStringList{"Merlin"});
    QTest::keyClick(completer.popup(), Qt::Key_Escape);
    EXPECT_FALSE(completer.popup()->isVisible());
    EXPECT_EQ(editor.scriptText(), QStringLiteral("Load.Merlin\r\nLoad.Missing\r\nReq1.Me"));
}

TEST_F(CompletionTest, NothingIsOfferedInsideTextOrForUnknownCharacters) {
    EXPECT_TRUE(completion.contextFor(QStringLiteral("Merlin.Speak.M")).candidates.isEmpty());
    EXPECT_TRUE(completion.contextFor(QStringLiteral("\"M")).candidates.isEmpty());
    EXPECT_TRUE(completion.contextFor(QStringLiteral("Missing.Play.")).candidates.isEmpty());
    EXPECT_TRUE(completion.contextFor(QStringLiteral("Merlin.Play.Wave.x")).candidates.isEmpty());
    const ScriptCompletion::Context after =
        completion.contextFor(QStringLiteral("Merlin.Show, \"a,b\",Me"));
    EXPECT_EQ(after.prefix, QStringLiteral("Me"));
    EXPECT_EQ(after.candidates, (QStringList{"Merlin", "Missing"}));
}

}  // namespace
}  // namespace vistrel::test
