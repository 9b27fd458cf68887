// Playing scripts: the command table, the order of tests within an item, request slots across
// plays, loads that fail silently, and the failure report.

#include "playerfixture.h"
#include "script/check.h"

#include <sys/stat.h>

using vistrel::script::Cast;
using vistrel::script::iniValue;
using vistrel::script::PlayerState;
using vistrel::script::ScriptPlayer;
using vistrel::test::PlayerTest;

namespace {

const QString kWhisper = QStringLiteral("\\\\chr=\\\"Whisper\\\"\\\\");  // as call lines print it

struct CommandCase {
    const char* name;
    QByteArray item;
    QStringList expected;  // the calls after "Load.Merlin"
};

void PrintTo(const CommandCase& c, std::ostream* os) {
    *os << c.name;
}

class CommandTable : public PlayerTest, public testing::WithParamInterface<CommandCase> {};

TEST_P(CommandTable, QueuesTheServiceCalls) {
    const QStringList calls = commands("Load.Merlin\r\n" + GetParam().item + "\r\n");
    EXPECT_EQ(calls, GetParam().expected);
    EXPECT_FALSE(player.failed()) << host.messages.join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Player, CommandTable,
    testing::Values(
        CommandCase{"show", "Merlin.Show", {"Merlin.Show() -> #1"}},
        CommandCase{"hide", "Merlin.Hide", {"Merlin.Hide() -> #1"}},
        CommandCase{"hideQuickHidesTwice",
                    "Merlin.Hide.Quick",
                    {"Merlin.Hide() -> #1", "Merlin.Hide(True) -> #2"}},
        CommandCase{"stopStopsTwiceThenAll",
                    "Merlin.Stop",
                    {"Merlin.Stop()", "Merlin.Stop()", "Merlin.StopAll()"}},
        CommandCase{"play", "Merlin.Play.Wave", {"Merlin.Play(\"Wave\") -> #1"}},
        CommandCase{"speak", "Merlin.Speak.Hello there", {"Merlin.Speak(\"Hello there\") -> #1"}},
        CommandCase{
            "whisper", "Merlin.Whisper.psst", {"Merlin.Speak(\"" + kWhisper + "psst\") -> #1"}},
        CommandCase{"think", "Merlin.Think.Hmm...", {"Merlin.Think(\"Hmm...\") -> #1"}},
        CommandCase{"speakSound",
                    "Merlin.SpeakSound./sounds/ding.wav",
                    {"Merlin.Speak(\"\", \"/sounds/ding.wav\") -> #1"}},
        CommandCase{"moveTo", "Merlin.MoveTo.300/200", {"Merlin.MoveTo(300, 200) -> #1"}},
        CommandCase{"moveToRoundsAndIgnoresExtraParts",
                    "Merlin.MoveTo. 1.5 /2.5/99",
                    {"Merlin.MoveTo(2, 2) -> #1"}},
        CommandCase{"gestureAt", "Merlin.GestureAt.-10/20", {"Merlin.GestureAt(-10, 20) -> #1"}},
        CommandCase{"balloonOff",
                    "Merlin.Balloon.Off",
                    {"Merlin.Balloon.Style -> 1", "Merlin.Balloon.Style=0"}},
        CommandCase{"keywordsIgnoreCase", "MERLIN.speak.Hi", {"Merlin.Speak(\"Hi\") -> #1"}},
        CommandCase{"textBeforeTheKeywordStays",
                    "Now Merlin.Speak.hear me",
                    {"Merlin.Speak(\"Now hear me\") -> #1"}},
        CommandCase{"everyOccurrenceRemoved",
                    "Merlin.Speak.a Merlin.Speak.b",
                    {"Merlin.Speak(\"a b\") -> #1"}},
        CommandCase{
            "commaSplitsTheLine", "Merlin.Speak.Hello, world", {"Merlin.Speak(\"Hello\") -> #1"}},
        CommandCase{"quotedFieldKeepsItsTextButLosesCommas",
                    "\"Merlin.Speak.Hello, world\"",
                    {"Merlin.Speak(\"Hello world\") -> #1"}},
        CommandCase{"creator",
                    "Merlin.Speak.%creator",
                    {"Merlin.Speak(\"" + ScriptPlayer::kCredit + "\") -> #1"}},
        CommandCase{"unknownCharacterDoesNothing", "Genie.Show", {}},
        CommandCase{"unmatchedLineIsAComment", "This script greets the user.", {}},
        CommandCase{"showAndStopKeepTheKeywordOrder",
                    "Merlin.Stop Merlin.Show",
                    {"Merlin.Show() -> #1", "Merlin.Stop()", "Merlin.Stop()", "Merlin.StopAll()"}},
        CommandCase{
            "nameWithoutKeywordThenCommand", "Merlin.says Merlin.Show", {"Merlin.Show() -> #1"}},
        CommandCase{"laterKeywordsSeeTheRewrittenItem",
                    "Merlin.Play.Merlin.Think.x",
                    {"Merlin.Play(\"Merlin.Think.x\") -> #1", "Merlin.Think(\"x\") -> #2"}},
        CommandCase{"speakEndsBeforeHide",
                    "Merlin.Hide Merlin.Speak.bye",
                    {"Merlin.Speak(\"Merlin.Hide bye\") -> #1", "Merlin.Hide() -> #2"}}),
    [](const testing::TestParamInfo<CommandCase>& p) { return std::string(p.param.name); });

TEST_F(PlayerTest, LoadsFromTheCharactersFolderWithLanguageAndExitEntry) {
    service.setCharacterName("merlin", "Merlin");
    const QStringList calls = play("Load.merlin\r\nMerlin.Show\r\n");
    const QString path = state.charactersFolder + QDir::separator() + "merlin.acs";
    EXPECT_EQ(calls,
              (QStringList{"Characters.Load(\"merlin\", \"" + path + "\")",
                           "Characters.Item(\"merlin\")", "merlin.Name -> \"Merlin\"",
                           "merlin.LanguageID=1033", "merlin.Commands.Caption=\"Vistrel Scripter\"",
                           "merlin.Commands.Add(\"Exit\", \"Exit\", \"Exit\", True, True)",
                           "merlin.Show() -> #1"}));
    EXPECT_EQ(state.cast.size(), 1);
    EXPECT_EQ(state.cast[0].name, "Merlin");  // commands match the reported name
    EXPECT_EQ(host.statusTexts, QStringList{ScriptPlayer::kBanner});
}

TEST_F(PlayerTest, LoadsThatFailAreSkippedSilently) {
    service.setAssumeFilesExist(false);
    writeFile(charsDir.filePath("Merlin.acs"), "x");
    // Missing file, then a second load of the same id: no report, one character.
    const QStringList calls =
        commands("Load.Genie\r\nLoad.Merlin\r\nLoad.Merlin\r\nGenie.Show\r\nMerlin.Show\r\n");
    EXPECT_EQ(calls, QStringList{"Merlin.Show() -> #1"});
    EXPECT_EQ(state.cast.size(), 1);
    EXPECT_FALSE(player.failed());
    EXPECT_TRUE(host.messages.isEmpty());

    // A refused pop-up menu leaves the character untracked.
    service.setAssumeFilesExist(true);
    service.refuse("Commands.Add");
    EXPECT_TRUE(commands("Load.Genie\r\nGenie.Show\r\n").isEmpty());
    EXPECT_EQ(state.cast.size(), 0);
}

TEST_F(PlayerTest, LanguageThatIsNoNumberLeavesTheCharacterAsItWas) {
    writeFile(programDir.filePath("vistrel.ini"), "[Current]\r\nCurrent=English\r\n");
    QStringList calls = play("Load.Merlin\r\nMerlin.Show\r\n");
    EXPECT_FALSE(calls.join('\n').contains("LanguageID"));
    EXPECT_TRUE(calls.contains("Merlin.Show() -> #1"));

    QFile::remove(programDir.filePath("vistrel.ini"));  // the lookup yields the path
    EXPECT_EQ(iniValue("Current", "Current", programDir.filePath("vistrel.ini")),
              programDir.filePath("vistrel.ini"));
    calls = play("Load.Genie\r\n");
    EXPECT_FALSE(calls.join('\n').contains("LanguageID"));
    EXPECT_EQ(state.cast.size(), 1);
}

TEST_F(PlayerTest, AFullTableLoadsButDoesNotTrack) {
    QByteArray script;
    for (int i = 0; i < 36; ++i)
        script += "Load.C" + QByteArray::number(i) + "\r\n";
    script += "C35.Show\r\nC34.Show\r\n";
    const QStringList calls = play(script);
    EXPECT_EQ(state.cast.size(), Cast::kCapacity);
    EXPECT_TRUE(calls.contains("Characters.Item(\"C35\")"));
    EXPECT_FALSE(calls.join('\n').contains("C35.Name"));
    EXPECT_EQ(calls.back(), "C34.Show() -> #1");
    EXPECT_FALSE(player.failed());
}

TEST_F(PlayerTest, NameThatEndsAnotherNameObeysBoth) {
    EXPECT_EQ(commands("Load.Al\r\nLoad.Hal\r\nHal.Show\r\n"),
              (QStringList{"Al.Show() -> #1", "Hal.Show() -> #2"}));
}

TEST_F(PlayerTest, StoredCommandsGoCharacterByCharacterUnstoredKeywordByKeyword) {
    // Stored: for Al then Bo, each in the stored order; unstored: Show over both, then Hide.
    const QStringList calls = commands("Load.Al\r\nLoad.Bo\r\nReq1.Bo.Show Al.Hide\r\n");
    EXPECT_EQ(calls, (QStringList{"Al.Hide() -> #1", "Bo.Show() -> #2", "Bo.Show() -> #3",
                                  "Al.Hide() -> #4"}));
    EXPECT_EQ(state.requestSlots[1].id(), 2u);
    EXPECT_EQ(state.currentSlot, 1);
}

TEST_F(PlayerTest, RequestPrefixStoresInItsSlot) {
    QStringList calls = commands("Load.Merlin\r\nReq3.Merlin.Speak.I require 1.5 seconds\r\n");
    EXPECT_EQ(calls, QStringList{"Merlin.Speak(\"I require 1.5 seconds\") -> #1"});
    EXPECT_EQ(state.requestSlots[3].id(), 1u);
    EXPECT_EQ(state.currentSlot, 3);

    // Show has no argument to remove, so it fires again unstored; the slot keeps the first.
    calls = commands("Load.Merlin\r\nreq2.Merlin.Show\r\n");
    EXPECT_EQ(calls, (QStringList{"Merlin.Show() -> #2", "Merlin.Show() -> #3"}));
    EXPECT_EQ(state.requestSlots[2].id(), 2u);

    // Hide.Quick: both hides are stored in turn, then both fire again.
    calls = commands("Load.Merlin\r\nReq4.Merlin.Hide.Quick\r\n");
    EXPECT_EQ(calls.size(), 4);
    EXPECT_EQ(state.requestSlots[4].id(), 5u);

    // Only one digit selects a slot (the rest stays in the text); without a digit the
    // current slot is used.
    calls = commands("Load.Merlin\r\nReq12.Merlin.Play.Wave\r\nReqMerlin.Think.so\r\n");
    EXPECT_EQ(calls, (QStringList{"Merlin.Play(\"12.Wave\") -> #8", "Merlin.Think(\"so\") -> #9"}));
    EXPECT_EQ(state.requestSlots[1].id(), 9u);

    // Other commands run after a prefix but store nothing.
    calls = commands("Load.Merlin\r\nReq6.Merlin.Stop\r\n");
    EXPECT_EQ(calls.size(), 3);
    EXPECT_TRUE(state.requestSlots[6].isNull());
}

TEST_F(PlayerTest, SlotsAndTheCurrentSlotLastBetweenPlays) {
    commands("Load.Merlin\r\nReq5.Merlin.Play.Wave\r\n");
    const auto waved = state.requestSlots[5];
    QStringList calls = commands("Load.Merlin\r\nLoad.Genie\r\nWaitOn.Req.5\r\n");
    EXPECT_EQ(calls, (QStringList{"Merlin.Wait(#1) -> #2", "Genie.Wait(#1) -> #3"}));
    EXPECT_TRUE(state.requestSlots[5] == waved);

    calls = commands("Load.Merlin\r\nReqMerlin.Speak.again\r\n");
    EXPECT_EQ(state.requestSlots[5].id(), 4u);
}

TEST_F(PlayerTest, WaitOnAnEmptySlotMakesNoOneWaitButSelectsIt) {
    const QStringList calls = commands("Load.Merlin\r\nwaiton.req.7\r\nReqMerlin.Show\r\n");
    EXPECT_EQ(calls.first(), "Merlin.Wait(Nothing) !! Wait needs a request");
    EXPECT_FALSE(player.failed());
    EXPECT_EQ(state.requestSlots[7].id(), 1u);
}

TEST_F(PlayerTest, InterruptTargetsTheSlotAndSelectsIt) {
    const QStringList calls =
        commands("Load.Merlin\r\nLoad.Genie\r\nReq2.Merlin.Play.Idle\r\nGenie.Interrupt.2\r\n");
    EXPECT_EQ(calls.last(), "Genie.Interrupt(#1) -> #2");
    EXPECT_EQ(state.currentSlot, 2);
}

TEST_F(PlayerTest, MinimiseAndTheEndOfPlayWatch) {
    play("%min\r\n  %Min\r\n%Min now\r\n%Min,\r\n");
    EXPECT_EQ(host.minimised, 3);
    EXPECT_FALSE(state.closeWhenAllHidden);
    play("unloadall\r\n");
    EXPECT_TRUE(state.closeWhenAllHidden);
}

TEST_F(PlayerTest, EndMarkerEndsTheScriptAfterItsOwnItem) {
    EXPECT_EQ(commands("Load.Merlin\r\nMerlin.Speak.the VTL.END of it\r\nMerlin.Show\r\n"),
              QStringList{"Merlin.Speak(\"the VTL.END of it\") -> #1"});
    EXPECT_EQ(player.itemsRead(), 2);
    EXPECT_TRUE(commands("vtl.end\r\nLoad.Merlin\r\nMerlin.Show\r\n").isEmpty());
}

TEST_F(PlayerTest, EmptyAndBlankScriptsDoNothing) {
    EXPECT_TRUE(play("").isEmpty());
    EXPECT_TRUE(play("\r\n  \r\n\r\n").isEmpty());
    EXPECT_FALSE(player.failed());
    EXPECT_EQ(state.cast.size(), 0);
}

TEST_F(PlayerTest, ReadsWindows1252AndLfOnlyScripts) {
    EXPECT_EQ(commands("Load.Merlin\nMerlin.Speak.caf\xe9 \x80"
                       "5\n"),
              QStringList{QString::fromUtf8("Merlin.Speak(\"caf\xc3\xa9 \xe2\x82\xac"
                                            "5\") -> #1")});
    EXPECT_EQ(commands("Load.Merlin\nMerlin.Speak.caf\xc3\xa9\n"),
              QStringList{QString::fromUtf8("Merlin.Speak(\"caf\xc3\xa9\") -> #2")});
}

struct FailureCase {
    const char* name;
    QByteArray script;
    QString description;
    int line;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class Failures : public PlayerTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(Failures, EndPlayingWithOneReportNamingTheItem) {
    service.refuse("Think", "The balloon is switched off");
    const QStringList calls =
        commands("Load.Merlin\r\n" + GetParam().script + "\r\nMerlin.Hide\r\n");
    const QString where = GetParam().description + "...Line - " + QString::number(GetParam().line);
    EXPECT_TRUE(player.failed());
    EXPECT_EQ(host.statusTexts.last(), "..." + where);
    EXPECT_EQ(host.messages,
              QStringList{"Vistrel | " + where + "\n" + ScriptPlayer::kFailureAdvice});
    EXPECT_EQ(host.editorFocused, 1);
    EXPECT_FALSE(calls.join('\n').contains("Hide")) << "playing went on after the failure";
}

INSTANTIATE_TEST_SUITE_P(
    Player, Failures,
    testing::Values(
        FailureCase{"moveToWithoutSlash", "Merlin.MoveTo.300", "Subscript out of range", 2},
        FailureCase{"moveToNotANumber", "Merlin.MoveTo.x/1", "Type mismatch", 2},
        FailureCase{"moveToEmptyY", "Merlin.MoveTo.1/", "Type mismatch", 2},
        FailureCase{"gestureBeyond16Bits", "Merlin.GestureAt.40000/1", "Overflow", 2},
        FailureCase{"waitOnSlotTooLarge", "WaitOn.Req.12", "Subscript out of range", 2},
        FailureCase{"waitOnNegativeSlot", "WaitOn.Req.-1", "Subscript out of range", 2},
        FailureCase{"waitOnNoNumber", "WaitOn.Req.three", "Type mismatch", 2},
        FailureCase{"interruptNoNumber", "Merlin.Interrupt.", "Type mismatch", 2},
        FailureCase{"interruptEmptySlotRefused", "Merlin.Interrupt.9", "Interrupt needs a request",
                    2},
        FailureCase{"refusedCall", "Merlin.Think.hmm", "The balloon is switched off", 2},
        FailureCase{"refusedStoredCall", "Req1.Merlin.Think.hmm", "The balloon is switched off", 2},
        FailureCase{"itemsCountedNotLines", "\r\nMerlin.Speak.a, b, c\r\nMerlin.MoveTo.1",
                    "Subscript out of range", 6}),
    [](const testing::TestParamInfo<FailureCase>& p) { return std::string(p.param.name); });

TEST_F(PlayerTest, ItemsBeforeTheFailureStayQueued) {
    const QStringList calls = commands(
        "Load.Merlin\r\nMerlin.Show\r\nMerlin.Play.Wave\r\nMerlin.Speak.one\r\nMerlin.Think.two\r\n"
        "Merlin.Play.Bow\r\nMerlin.MoveTo.300\r\nMerlin.Hide\r\n");
    EXPECT_EQ(calls.size(), 5);
    EXPECT_EQ(host.messages.size(), 1);
    EXPECT_TRUE(host.messages.front().contains("...Line - 7\n"));
}

TEST_F(PlayerTest, AMissingScriptIsReportedAsLineOne) {
    player.playScript(programDir.filePath("nothing-here.vtl"));
    EXPECT_TRUE(player.failed());
    EXPECT_EQ(host.statusTexts.last(), "...File not found...Line - 1");
    player.playScript(programDir.path());
    EXPECT_EQ(host.statusTexts.last(), "...Path/File access error...Line - 1");
    // Neither is waited on nor read: a FIFO without a writer, a device that never ends.
    const QString fifo = programDir.filePath("pipe.vtl");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    for (const QString& path : {fifo, QStringLiteral("/dev/zero")}) {
        player.playScript(path);
        EXPECT_EQ(host.statusTexts.last(), "...Path/File access error...Line - 1");
    }
    QString why;
    EXPECT_TRUE(vistrel::script::checkScriptFile(fifo, {}, &why).findings.empty());
    EXPECT_TRUE(why.endsWith("is a FIFO (a named pipe), not a regular file")) << why.toStdString();
}

TEST_F(PlayerTest, TheItemCounterIsSixteenBits) {
    // Item 32767 is still carried out; raising the counter past it fails.
    QByteArray script = "Load.Merlin\r\n";
    script += QByteArray("\r\n").repeated(32765);
    script += "Merlin.Show\r\nMerlin.Hide\r\n";
    const QStringList calls = commands(script);
    EXPECT_EQ(calls, QStringList{"Merlin.Show() -> #1"});
    EXPECT_EQ(host.statusTexts.last(), "...Overflow...Line - 32767");
}

}  // namespace
