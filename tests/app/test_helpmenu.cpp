// The Help menu: the assistant switched on and off with its check marks, the hints the other
// commands speak through it, and the introduction.

#include "compose/interaction.h"
#include "compose/loadall.h"
#include "support/windowfixture.h"

namespace vistrel::test {
namespace {

class HelpMenuTest : public AppTest {
  protected:
    HelpMenuTest() {
        assistant.setAssumeFilesExist(true);
        addCharacter(QStringLiteral("Genie"));
        openScript("Load.Genie\r\nGenie.Show\r\n");
    }

    QStringList spoken() const {
        QStringList out;
        for (const agent::Call& call : assistant.calls())
            if (call.member == QLatin1String("Speak") && !call.refused())
                out << call.args.value(0);
        return out;
    }
};

TEST_F(HelpMenuTest, OnAndOffMoveTheCheckMarkAndBringTheAssistantAndTakeItAway) {
    EXPECT_FALSE(commands().helpOn->isChecked());
    EXPECT_TRUE(commands().helpOff->isChecked());

    commands().helpOn->trigger();
    EXPECT_TRUE(commands().helpOn->isChecked());
    EXPECT_FALSE(commands().helpOff->isChecked());
    ASSERT_TRUE(assistant.recorded(QStringLiteral("Merlin")));
    EXPECT_TRUE(assistant.recorded(QStringLiteral("Merlin"))->Visible());
    EXPECT_TRUE(control.loadedIds().isEmpty()) << "the script's service is left alone";

    commands().helpOn->trigger();  // chosen again: still on, greeting again
    EXPECT_TRUE(commands().helpOn->isChecked());
    EXPECT_FALSE(commands().helpOff->isChecked());
    EXPECT_EQ(spoken().size(), 6);

    commands().helpOff->trigger();
    EXPECT_FALSE(commands().helpOn->isChecked());
    EXPECT_TRUE(commands().helpOff->isChecked());
    EXPECT_TRUE(assistant.loadedIds().isEmpty());

    commands().helpOff->trigger();  // chosen again while off
    EXPECT_TRUE(commands().helpOff->isChecked());
    EXPECT_TRUE(platform.messages.shown.empty());
}

TEST_F(HelpMenuTest, LoadAllSpeaksItsThreeHintsOnlyWhileTheAssistantIsOn) {
    commands().loadAll->trigger();
    EXPECT_TRUE(spoken().isEmpty());

    commands().helpOn->trigger();
    const qsizetype greeting = spoken().size();
    commands().loadAll->trigger();
    const QStringList hints = spoken().mid(greeting);
    ASSERT_EQ(hints.size(), 3);
    EXPECT_EQ(hints[0], agent::quoted(compose::CastCommands::loadAllHint()));
    EXPECT_EQ(hints[1], agent::quoted(compose::CastCommands::comingHint()));
    EXPECT_EQ(hints[2], agent::quoted(compose::CastCommands::showHint()));
}

TEST_F(HelpMenuTest, AClickOnACharacterStopsTheAssistantThenExplainsTheAnimations) {
    commands().loadAll->trigger();
    control.raiseClick(QStringLiteral("Genie"));
    EXPECT_TRUE(spoken().isEmpty());

    commands().helpOn->trigger();
    assistant.clearCalls();
    control.raiseClick(QStringLiteral("Genie"));
    const QStringList lines = assistant.callLines();
    ASSERT_EQ(lines.size(), 2) << lines.join('\n').toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Merlin.Stop()"));
    EXPECT_TRUE(lines[1].startsWith(
        QLatin1String("Merlin.Speak(") +
        agent::quoted(compose::CharacterInteraction::clickHint(QStringLiteral("Genie")))));
}

TEST_F(HelpMenuTest, IntroPlaysOnceAndThenSaysTheCharacterCannotBeFound) {
    commands().intro->trigger();
    EXPECT_TRUE(platform.messages.shown.empty());
    EXPECT_EQ(spoken().value(0), "\"Welcome to this new Vistrel Scripter!\"");
    EXPECT_TRUE(commands().helpOff->isChecked()) << "the introduction leaves help off";
    EXPECT_FALSE(assistant.recorded(QStringLiteral("Merlin"))->Visible()) << "it ends hidden";

    const std::size_t before = assistant.calls().size();
    commands().intro->trigger();
    ASSERT_EQ(platform.messages.shown.size(), 1u);
    EXPECT_EQ(platform.messages.shown[0].text, "There was a problem finding a default character");
    EXPECT_EQ(assistant.calls().size(), before + 1) << "only the refused load";
}

}  // namespace
}  // namespace vistrel::test
