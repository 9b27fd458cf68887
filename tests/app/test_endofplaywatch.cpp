// The end-of-play watch: a play asked to end once its characters are gone ends the program when
// the last of them has finished hiding, and not before.

#include "support/windowfixture.h"

#include <QSignalSpy>
#include <QTest>

#include <chrono>

namespace vistrel::test {
namespace {

using namespace std::chrono_literals;

class EndOfPlayWatchTest : public AppTest {
  protected:
    // Lets queued looks run.
    void settle() { QCoreApplication::processEvents(); }
    agent::Character& character(int slot) { return *form.state().cast[slot].character; }

    QSignalSpy ended{&form, &app::MainWindow::programEnded};
};

TEST_F(EndOfPlayWatchTest, EndsTheProgramWhenTheLastCharacterHasHidden) {
    for (const char* id : {"A", "B", "C"})
        addCharacter(QLatin1String(id));
    const QString path = scriptPath(QStringLiteral("three.vtl"));
    writeBytes(path, "Load.A,Load.B,Load.C\r\nA.Show,B.Show,C.Show\r\nA.Hide,B.Hide\r\n");
    form.start({path});
    ASSERT_EQ(form.state().cast.size(), 3);

    control.complete(control.newRequest());
    settle();
    EXPECT_EQ(ended.count(), 0) << "one character is still visible";

    const agent::Request hiding = character(2).Hide(false);
    settle();
    EXPECT_EQ(ended.count(), 0) << "the last Hide is only queued";
    control.complete(hiding);
    EXPECT_EQ(ended.count(), 0) << "the look waits until the service has finished its turn";
    settle();
    EXPECT_EQ(ended.count(), 1);
    EXPECT_FALSE(form.isVisible());

    control.complete(control.newRequest());
    settle();
    EXPECT_EQ(ended.count(), 1) << "an ending program ends once";
}

TEST_F(EndOfPlayWatchTest, AShowThatFollowsAHideKeepsThePlayGoing) {
    addCharacter(QStringLiteral("A"));
    const QString path = scriptPath(QStringLiteral("again.vtl"));
    writeBytes(path, "Load.A\r\nA.Show\r\n");
    form.start({path});
    const agent::Request hiding = character(0).Hide(false);
    character(0).Show(false);  // the character's next request starts before the look
    control.complete(hiding);
    settle();
    EXPECT_EQ(ended.count(), 0);
}

TEST_F(EndOfPlayWatchTest, APlayThatNeverShowsACharacterEndsAfterSettling) {
    form.endOfPlayWatch().setSettlingTime(1ms);
    form.start({scriptPath(QStringLiteral("missing.vtl"))});
    EXPECT_TRUE(form.endOfPlayWatch().settling());
    EXPECT_EQ(ended.count(), 0) << "not at once: the characters get time to appear";
    EXPECT_TRUE(QTest::qWaitFor([&] { return ended.count() == 1; }, 2000));
}

TEST_F(EndOfPlayWatchTest, SleepsWhileEditingAndWakesForAnUnloadAllScript) {
    addCharacter(QStringLiteral("A"));
    openScript("Load.A\r\nA.Show\r\n");
    commands().play->trigger();
    control.complete(character(0).Hide(false));
    settle();
    EXPECT_EQ(ended.count(), 0) << "the watch is off while editing";

    form.scriptEditor().setText(QStringLiteral("Load.A\nA.Show\nUnloadAll"));
    commands().play->trigger();
    ASSERT_TRUE(form.state().closeWhenAllHidden) << "the script's UnloadAll turns it on";
    control.complete(control.newRequest());
    settle();
    EXPECT_EQ(ended.count(), 0);
    control.refuse(QStringLiteral("A.Visible"));
    control.complete(control.newRequest());
    settle();
    EXPECT_EQ(ended.count(), 1) << "a character that cannot be read counts as hidden";
}

TEST_F(EndOfPlayWatchTest, UnloadingEveryCharacterEndsAWatchedPlayAfterSettling) {
    addCharacter(QStringLiteral("A"));
    openScript("Load.A\r\nA.Show\r\nUnloadAll\r\n");
    commands().play->trigger();
    form.endOfPlayWatch().setSettlingTime(1ms);
    commands().unloadAll->trigger();
    EXPECT_EQ(ended.count(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ended.count() == 1; }, 2000));
}

}  // namespace
}  // namespace vistrel::test
