// Clicking and dragging the script's characters, and the animations list.

#include "compose/interaction.h"
#include "composefixture.h"

#include <QTextBlock>

namespace vistrel::test {
namespace {

using compose::CharacterInteraction;

class InteractionTest : public ComposeTest {};

TEST_F(InteractionTest, AClickMakesTheCharacterActive) {
    loadMerlin({"Wave", "blink", "Alert", "Idle1_1"});
    control.clearCalls();
    control.raiseClick(QStringLiteral("Merlin"), 2, 1, 40, 50);
    EXPECT_EQ(entries(form.methodsList()), compose::fullMethods());
    EXPECT_EQ(entries(form.animationsList()), (QStringList{"Alert", "blink", "Idle1_1", "Wave"}))
        << "in alphabetical order, whatever the case";
    EXPECT_EQ(form.statusText(), QStringLiteral("Active Character - Merlin"));
    EXPECT_EQ(form.activeCharacter(), QStringLiteral("Merlin"));
    runMethod(QStringLiteral("Show"));
    EXPECT_EQ(typed(), QStringLiteral("Merlin.Show\r\n"));
}

TEST_F(InteractionTest, TheNameIsTheOneTheServiceReports) {
    addCharacter(QStringLiteral("genie"));
    control.setCharacterName(QStringLiteral("genie"), QStringLiteral("Genie"));
    openScript("Load.genie\r\n");
    form.commands().loadAll->trigger();
    control.raiseDragComplete(QStringLiteral("GENIE"));
    EXPECT_EQ(form.activeCharacter(), QStringLiteral("Genie"));
    EXPECT_EQ(form.statusText(), QStringLiteral("Active Character - Genie"));
}

TEST_F(InteractionTest, AClickEmptiesTheListsBeforeTheHintADragAfterIt) {
    // What the lists held at the moment each hint was asked for.
    QStringList seen;
    form.hints().setVoice([&](const QString& text, bool stopFirst) {
        seen << QStringLiteral("%1 stop=%2 methods=%3 animations=%4")
                    .arg(text)
                    .arg(stopFirst)
                    .arg(form.methodsList().count())
                    .arg(form.animationsList().count());
        return true;
    });
    loadMerlin();
    control.raiseClick(QStringLiteral("Merlin"));  // help off: nothing is said
    EXPECT_TRUE(seen.isEmpty());

    form.hints().setHelpOn(true);
    control.raiseClick(QStringLiteral("Merlin"));
    control.raiseDragComplete(QStringLiteral("Merlin"));
    const QString hint = CharacterInteraction::clickHint(QStringLiteral("Merlin"));
    EXPECT_EQ(seen, (QStringList{hint + " stop=1 methods=0 animations=0",
                                 hint + " stop=1 methods=13 animations=3"}));
    EXPECT_EQ(hint, QStringLiteral("Now you can see Merlin's , animations appear. When you double "
                                   "click the animation, the play command will be added to the "
                                   "script in the current position."));
    EXPECT_EQ(form.animationsList().count(), 3) << "the drag filled them again";
}

TEST_F(InteractionTest, ACharacterOutsideTheTableLeavesTheActiveOneAsItWas) {
    activateMerlin();
    control.raiseClick(QStringLiteral("Peedy"));
    EXPECT_EQ(entries(form.methodsList()), compose::fullMethods());
    EXPECT_EQ(form.animationsList().count(), 0);
    EXPECT_EQ(form.statusText(), QStringLiteral("Active Character - Merlin"));
    EXPECT_EQ(form.activeCharacter(), QStringLiteral("Merlin"));
}

TEST_F(InteractionTest, TwoSlotsHoldingOneCharacterListItsAnimationsTwice) {
    addCharacter(QStringLiteral("Merlin"));
    control.setAnimationNames(QStringLiteral("Merlin"), {"Wave", "Alert"});
    openScript("Load.Merlin\r\nLoad.Merlin\r\n");
    form.commands().loadAll->trigger();
    control.raiseClick(QStringLiteral("merlin"));
    EXPECT_EQ(entries(form.animationsList()), (QStringList{"Alert", "Alert", "Wave", "Wave"}));
}

TEST_F(InteractionTest, OnlyTheScriptCharactersAreListenedTo) {
    activateMerlin();
    form.animationsList().clear();
    assistant.raiseClick(QStringLiteral("Merlin"));
    assistant.raiseDragComplete(QStringLiteral("Merlin"));
    EXPECT_EQ(form.animationsList().count(), 0);
}

TEST_F(InteractionTest, AnimationsArePreviewedByAClickAndTypedByADoubleClick) {
    activateMerlin();
    form.scriptEditor().setText(QStringLiteral("first\r\nlast"));
    QTextCursor cursor = form.scriptEditor().textCursor();
    cursor.setPosition(3);
    form.scriptEditor().setTextCursor(cursor);
    control.clearCalls();
    click(form.animationsList(), QStringLiteral("Wave"));
    EXPECT_EQ(callLines(), (QStringList{"Characters.Item(\"Merlin\")", "Merlin.Stop()",
                                        "Merlin.Play(\"Wave\") -> #2"}));
    doubleClick(form.animationsList(), QStringLiteral("blink"));
    EXPECT_EQ(typed(), QStringLiteral("firMerlin.Play.blink\r\nst\r\nlast"))
        << "the rest of the line moves to the next";
    EXPECT_TRUE(callLines().contains(QStringLiteral("Merlin.Play(\"blink\") -> #3")))
        << "the clicks of a double-click preview it first";
    EXPECT_EQ(form.scriptEditor().textCursor().block().text(), QStringLiteral("st"));
    EXPECT_EQ(form.scriptEditor().textCursor().positionInBlock(), 0)
        << "the caret starts the next line";

    control.refuse(QStringLiteral("Merlin.Stop"));
    control.clearCalls();
    click(form.animationsList(), QStringLiteral("Alert"));
    EXPECT_EQ(callLines().size(), 2);
    EXPECT_TRUE(callLines().filter(QStringLiteral("Play")).isEmpty())
        << "a refused step ends the preview silently";
}

TEST_F(InteractionTest, TheTooltipNamesWhoseAnimationsTheListShows) {
    form.start({});
    int moves = 0;
    auto hover = [&] {
        ++moves;
        QTest::mouseMove(form.animationsList().viewport(), QPoint(10 + moves, 10 + moves));
        return form.animationsList().toolTip();
    };
    EXPECT_EQ(hover(), QStringLiteral("Animations"));
    activateMerlin();
    EXPECT_EQ(hover(), QStringLiteral("Merlin's Animations"));
    form.commands().unloadAll->trigger();
    EXPECT_EQ(hover(), QStringLiteral("Animations"));
}

}  // namespace
}  // namespace vistrel::test
