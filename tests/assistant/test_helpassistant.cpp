// The help assistant switched on and off, its hints, and the guided introduction, against the
// recording character service.

#include "assistant/helpassistant.h"

#include "agent/recording.h"
#include "platform/testing/scripted.h"
#include "support/qtprinters.h"

#include <gtest/gtest.h>

namespace vistrel::test {
namespace {

using assistant::HelpAssistant;

// The calls after the first `skip`, without request numbers, one line each.
QStringList linesOf(const agent::RecordingAgent& service, std::size_t skip = 0) {
    QStringList lines;
    const auto& calls = service.calls();
    for (std::size_t i = skip; i < calls.size(); ++i) {
        agent::Call call = calls[i];
        call.result.clear();
        lines << call.toString();
    }
    return lines;
}

const QStringList kGreetingCalls{
    "Characters.Load(\"Merlin\")",
    "Characters.Item(\"Merlin\")",
    "Merlin.Show()",
    "Merlin.MoveTo(200, 0)",
    "Merlin.Play(\"Explain\")",
    "Merlin.Speak(\"I am here to help and as you go about creating your scripts I will prompt "
    "you\")",
    "Merlin.Speak(\"To start, just read the status bar in the Dudori Zuvove\")",
    "Merlin.Speak(\"Also if you wish to get rid of me for a while then just right-click me and "
    "choose hide\")",
};

class HelpAssistantTest : public ::testing::Test {
  protected:
    HelpAssistantTest() { service.setAssumeFilesExist(true); }

    agent::RecordingAgent service;
    platform::testing::ScriptedMessageBoxes messages;
    HelpAssistant helper{service, messages};
};

TEST_F(HelpAssistantTest, SwitchingOnLoadsShowsPlacesAndGreetsAndSwitchingOffTakesItAway) {
    QList<bool> changes;
    QObject::connect(&helper, &HelpAssistant::switchedOn, [&](bool on) { changes << on; });

    helper.switchOn();
    EXPECT_TRUE(helper.isOn());
    ASSERT_TRUE(helper.character());
    EXPECT_EQ(linesOf(service), kGreetingCalls);

    const std::size_t before = service.calls().size();
    helper.switchOff();
    EXPECT_FALSE(helper.isOn());
    EXPECT_EQ(linesOf(service, before),
              (QStringList{"Merlin.Hide()", "Characters.Unload(\"Merlin\")"}));
    EXPECT_TRUE(service.loadedIds().isEmpty());
    EXPECT_TRUE(helper.character()) << "the reference is kept after switching off";
    EXPECT_EQ(changes, (QList<bool>{true, false}));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(HelpAssistantTest, SwitchingOffBeforeEverSwitchingOnChangesOnlyTheState) {
    helper.switchOff();
    EXPECT_FALSE(helper.isOn());
    EXPECT_FALSE(helper.character());
    EXPECT_TRUE(messages.shown.empty());
    for (const agent::Call& call : service.calls())
        EXPECT_TRUE(call.refused())
            << "only a refused unload, nothing done: " << call.toString().toStdString();
}

TEST_F(HelpAssistantTest, SwitchingOnTwiceGreetsAgainAndOffThenOnReplacesTheCharacter) {
    helper.switchOn();
    const agent::CharacterRef first = helper.character();
    const std::size_t before = service.calls().size();
    helper.switchOn();
    QStringList again = linesOf(service, before);
    ASSERT_FALSE(again.isEmpty());
    EXPECT_TRUE(again.takeFirst().startsWith("Characters.Load(\"Merlin\") !! "))
        << "the second load is refused and ignored";
    EXPECT_EQ(again, kGreetingCalls.mid(1));
    EXPECT_EQ(helper.character(), first);

    helper.switchOff();
    helper.switchOn();
    EXPECT_NE(helper.character(), first) << "a fresh load replaces the unloaded character";
    EXPECT_TRUE(helper.character()->Visible());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(HelpAssistantTest, AnAssistantThatCannotBeLoadedLeavesHelpOnAndEveryHintSilent) {
    service.setAssumeFilesExist(false);  // and no default folder: the load fails
    helper.switchOn();
    EXPECT_TRUE(helper.isOn());
    EXPECT_FALSE(helper.character());
    EXPECT_FALSE(helper.speakHint(QStringLiteral("Any hint"))) << "the caller learns of it";
    EXPECT_FALSE(helper.interruptWithHint(QStringLiteral("Another")));
    EXPECT_TRUE(linesOf(service).filter("Speak").isEmpty());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(HelpAssistantTest, HintsAreSpokenOnlyWhileOnAndAnInterruptingHintStopsFirst) {
    EXPECT_TRUE(helper.speakHint(QStringLiteral("silent")));
    EXPECT_TRUE(service.calls().empty()) << "nothing is asked of the service while help is off";

    helper.switchOn();
    std::size_t before = service.calls().size();
    EXPECT_TRUE(helper.speakHint(QStringLiteral("Just click once")));
    EXPECT_TRUE(
        helper.interruptWithHint(QStringLiteral("Now you can see Genie's , animations appear.")));
    EXPECT_EQ(linesOf(service, before),
              (QStringList{"Merlin.Speak(\"Just click once\")", "Merlin.Stop()",
                           "Merlin.Speak(\"Now you can see Genie's , animations appear.\")"}));

    // Hidden through its own menu, it stays on and its hints are still queued.
    helper.character()->Hide();
    before = service.calls().size();
    helper.speakHint(QStringLiteral("still here"));
    EXPECT_EQ(linesOf(service, before), QStringList{"Merlin.Speak(\"still here\")"});

    helper.switchOff();
    before = service.calls().size();
    helper.speakHint(QStringLiteral("gone"));
    helper.interruptWithHint(QStringLiteral("gone too"));
    EXPECT_EQ(service.calls().size(), before);
}

TEST_F(HelpAssistantTest, TheIntroductionQueuesEveryStepInOrderAndLeavesHelpOff) {
    helper.playIntroduction();
    const QStringList expected{
        "Characters.Load(\"Merlin\")",
        "Characters.Item(\"Merlin\")",
        "Merlin.Show()",
        "Merlin.MoveTo(100, 100)",
        "Merlin.Play(\"Announce\")",
        "Merlin.Speak(\"Welcome to this new Vistrel Scripter!\")",
        "Merlin.Speak(\"I shall give you an easy step through here, but if you require more "
        "detail - see the help file.\")",
        "Merlin.Play(\"alert\")",
        "Merlin.Speak(\"As you can see, there is a 'Methods' box on the screen, with the command "
        "'Load' in it\")",
        "Merlin.Speak(\"This is your first task, click load and sequentually load all the "
        "characters to be in your script.\")",
        "Merlin.Play(\"Gesturedown\")",
        "Merlin.Speak(\"'Now, when you click the Agent button or the 'Load All' option, all the "
        "characters will appear on screen.\")",
        "Merlin.Play(\"restpose\")",
        "Merlin.Speak(\"In a rather untidy fashion. Don't worry about that as this is just "
        "design time.\")",
        "Merlin.Speak(\"Now move your characters around or click on them, so that you can see "
        "them, and you will notice many more Method commands appear, along with the characters "
        "animation list\")",
        "Merlin.MoveTo(100, 100)",
        "Merlin.Speak(\"Now you will have seen the commands 'Load.Character' in the main body "
        "everytime you loaded a character\")",
        "Merlin.Speak(\"If you wanted to get a character to Show, you can either write in "
        "Character.Show or, click the chosen character once\")",
        "Merlin.Speak(\" and then single click the 'Show' command in the 'Methods' dialog. Fun "
        "isn't it?\")",
        "Merlin.Speak(\"All commands work this way, where ever the flashing I-beam in the main "
        "body is, is where the command will be inserted.\")",
        "Merlin.Speak(\"Notice that the first click on the characters animation list causes the "
        "character (if visible) to act out that animation. It is only when you double click the "
        "animation that it is inserted..\")",
        "Merlin.Speak(\"Once you have inserted all commands, just click the 'Play It' choice in "
        "the command bar\")",
        "Merlin.Play(\"explain\")",
        "Merlin.Speak(\"When you have finished the script, just click the email option to send "
        "the script to other Vistrel 2000 users..\")",
        "Merlin.Speak(\"Why not check out the examples in the scripts folder.\")",
        "Merlin.Hide()",
    };
    EXPECT_EQ(linesOf(service), expected);
    EXPECT_FALSE(helper.isOn());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(HelpAssistantTest, TheIntroductionStopsAtTheFirstRefusalAndSaysSo) {
    auto expectOneProblemMessage = [&] {
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, "There was a problem finding a default character");
        EXPECT_EQ(messages.shown[0].title, "VT2000");
        EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::Stop);
        messages.shown.clear();
    };

    // A refused step: what was queued before it stays queued, nothing after it is asked.
    service.refuse(QStringLiteral("Merlin.Play"), QStringLiteral("no such animation"));
    helper.playIntroduction();
    expectOneProblemMessage();
    const QStringList lines = linesOf(service);
    EXPECT_EQ(lines.last(), "Merlin.Play(\"Announce\") !! no such animation");
    EXPECT_EQ(lines.size(), 5);

    // Again while the character is still loaded: refused at the load, nothing queued.
    service.allow(QStringLiteral("Merlin.Play"));
    std::size_t before = service.calls().size();
    helper.playIntroduction();
    expectOneProblemMessage();
    EXPECT_EQ(service.calls().size(), before + 1);

    // While the assistant is on, the same.
    helper.switchOff();
    helper.switchOn();
    before = service.calls().size();
    helper.playIntroduction();
    expectOneProblemMessage();
    EXPECT_EQ(service.calls().size(), before + 1);
    EXPECT_TRUE(helper.isOn());
}

}  // namespace
}  // namespace vistrel::test
