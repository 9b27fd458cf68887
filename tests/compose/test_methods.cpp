// The Methods list: what each entry types for the active character, the prompts it asks, the
// request numbers it accepts, and the text entry window.

#include "compose/methods.h"
#include "compose/textentry.h"
#include "composefixture.h"
#include "document/typing.h"
#include "support/snapshot.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>

namespace vistrel::test {
namespace {

using compose::MethodsCommands;

class MethodsTest : public ComposeTest {};

// The entries a click on a character puts in the list, in their order.
const QStringList kFullMethods{"Load.",  "Show",        "Hide",        "Stop",    "Whisper.",
                               "Think.", "Speak.",      "SpeakSound.", "MoveTo.", "GestureAt.",
                               "Req.",   "WaitOn.Req.", "Interrupt"};

TEST_F(MethodsTest, EveryEntryTypesItsCommandForTheActiveCharacter) {
    activateMerlin();
    ASSERT_EQ(entries(form.methodsList()), kFullMethods);
    platform.prompts.answers = {"300/200", "plain words", "7", " 3 ", "2.5"};
    const QString sound = QDir(charsDir.path()).filePath(QStringLiteral("tada.wav"));
    platform.files.choices << sound;

    for (const char* entry : {"Show", "Hide", "Stop", "MoveTo.", "GestureAt.", "Req."})
        runMethod(QLatin1String(entry));
    runMethod(QStringLiteral("Speak."));
    compose::TextEntryWindow& entry = form.methods().textEntry();
    entry.textField().setPlainText(QStringLiteral("Hi"));
    QTest::mouseClick(&entry.okButton(), Qt::LeftButton);
    for (const char* name : {"WaitOn.Req.", "Interrupt", "SpeakSound."})
        runMethod(QLatin1String(name));

    EXPECT_EQ(typed(), QStringLiteral("Merlin.Show\r\nMerlin.Hide\r\nMerlin.Stop\r\n"
                                      "Merlin.MoveTo.300/200\r\nMerlin.GestureAt.plain words\r\n"
                                      "Req7.Merlin.Speak.Hi\r\nWaitOn.Req.3\r\n"
                                      "Merlin.Interrupt.2\r\nMerlin.SpeakSound.") +
                           sound + QStringLiteral("\r\n"));
    EXPECT_EQ(caret(), form.scriptEditor().toPlainText().size()) << "the caret follows";
    EXPECT_EQ(platform.prompts.prompts,
              (QStringList{
                  "Vistrel: Please input the location to MoveTo.\r\nSeperated by forward slashes.",
                  "Vistrel: Please input the location to GestureAt.\r\nSeperated by forward "
                  "slashes.",
                  "Vistrel: Please Enter the Request number to set -\r\n0-9",
                  "Vistrel: Please Enter the Request number for all characters to wait on -\r\n0-9",
                  "Vistrel: Please Enter the Request number to Interrupt -\r\n0-9"}));
    EXPECT_EQ(form.methods().lastAnswer(), QStringLiteral("2.5"));
    ASSERT_EQ(platform.files.shown.size(), 1U);
    EXPECT_EQ(platform.files.shown[0].filter, QStringLiteral("Wav Files (*.wav)|*.wav"));
}

TEST_F(MethodsTest, WithNoActiveCharacterCommandsStartWithAnEmptyName) {
    loadMerlin();
    control.raiseClick(QStringLiteral("Nobody"));  // on the desktop but not in the table
    ASSERT_EQ(entries(form.methodsList()), kFullMethods);
    platform.prompts.answers = {"10/20", "1/2", "5", "6", "4"};
    platform.files.choices << QStringLiteral("/sounds/a.wav");
    for (const char* entry : {"Show", "Hide", "Stop", "MoveTo.", "GestureAt.", "Req.",
                              "WaitOn.Req.", "Interrupt", "SpeakSound."})
        runMethod(QLatin1String(entry));
    for (const char* entry : {"Whisper.", "Think.", "Speak."}) {
        runMethod(QLatin1String(entry));
        EXPECT_EQ(form.methods().textEntry().windowTitle(), QLatin1Char(' ') + entry);
        QTest::mouseClick(&form.methods().textEntry().okButton(), Qt::LeftButton);
    }
    EXPECT_EQ(typed(), QStringLiteral(".Show\r\n.Hide\r\n.Stop\r\n.MoveTo.10/20\r\n"
                                      ".GestureAt.1/2\r\nReq5.WaitOn.Req.6\r\n.Interrupt.4\r\n"
                                      ".SpeakSound./sounds/a.wav\r\n.Whisper.\r\n.Think.\r\n"
                                      ".Speak.\r\n"));
}

TEST_F(MethodsTest, RequestNumbersRoundHalvesToEvenAndStayInSixteenBits) {
    const std::pair<const char*, const char*> table[] = {
        {"2.5", "2"},    {"3.5", "4"},    {" 12 ", "12"},     {"-2.5", "-2"},
        {"0.5", "0"},    {"007", "7"},    {"32767", "32767"}, {"-32768", "-32768"},
        {"1e1", "10"},   {"32767.5", ""}, {"32768", ""},      {"-32769", ""},
        {"letters", ""}, {"3 4", ""},     {"", ""},           {"9.4999", "9"},
    };
    for (const auto& [answer, expected] : table) {
        const std::optional<QString> got = compose::requestNumberText(QLatin1String(answer));
        EXPECT_EQ(got.value_or(QString()), QLatin1String(expected)) << answer;
        EXPECT_EQ(got.has_value(), *expected != 0) << answer;
    }
}

TEST_F(MethodsTest, EmptyCancelledOrUnreadableAnswersTypeNothing) {
    activateMerlin();
    platform.prompts.answers = {"", "letters", "99999"};  // then cancelled
    for (const char* entry : {"MoveTo.", "Req.", "WaitOn.Req.", "Interrupt", "SpeakSound."})
        runMethod(QLatin1String(entry));
    EXPECT_EQ(typed(), QString());
    EXPECT_EQ(platform.prompts.prompts.size(), 4);
    EXPECT_EQ(platform.files.shown.size(), 1U);
    EXPECT_EQ(form.methods().lastAnswer(), QString()) << "a cancelled prompt answers empty";
}

TEST_F(MethodsTest, TheSoundDialogOpensOnTheFileChosenLastTime) {
    activateMerlin();
    platform.files.choices << QStringLiteral("/sounds/one.wav") << QString();
    runMethod(QStringLiteral("SpeakSound."));
    runMethod(QStringLiteral("SpeakSound."));  // cancelled
    ASSERT_EQ(platform.files.shown.size(), 2U);
    EXPECT_EQ(platform.files.shown[1].fileName, QStringLiteral("/sounds/one.wav"));
    EXPECT_EQ(platform.files.shown[1].kind, platform::FileDialogRequest::Kind::Open);
    EXPECT_EQ(typed(), QStringLiteral("Merlin.SpeakSound./sounds/one.wav\r\n"));
}

TEST_F(MethodsTest, TheTextEntryWindowRefusesEnterButKeepsCommas) {
    activateMerlin();
    runMethod(QStringLiteral("Whisper."));
    compose::TextEntryWindow& entry = form.methods().textEntry();
    EXPECT_TRUE(entry.isVisible());
    EXPECT_TRUE(entry.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(form.isEnabled()) << "the main window is not blocked";
    EXPECT_EQ(entry.windowTitle(), QStringLiteral("Merlin Whisper."));
    EXPECT_EQ(entry.size(), QSize(312, 149));
    EXPECT_EQ(entry.okButton().text(), QStringLiteral("O.K."));
    EXPECT_FALSE(entry.okButton().isDefault());

    entry.textField().setFocus();
    QTest::keyClicks(&entry.textField(), QStringLiteral("Hello, you"));
    QTest::keyClick(&entry.textField(), Qt::Key_Return);
    QTest::keyClicks(&entry.textField(), QStringLiteral(" there"));
    QTest::keyClick(&entry.textField(), Qt::Key_Enter);
    EXPECT_EQ(entry.textField().toPlainText(), QStringLiteral("Hello, you there"));
    EXPECT_EQ(platform.messages.beeps, 2);
    saveSnapshot(entry.grab().toImage(), QStringLiteral("text-entry"));
    EXPECT_TRUE(platform.messages.shown.empty());

    // The entry selected when O.K. is pressed is the one typed.
    form.methodsList().setCurrentItem(itemOf(form.methodsList(), QStringLiteral("Speak.")));
    QTest::mouseClick(&entry.okButton(), Qt::LeftButton);
    EXPECT_FALSE(entry.isVisible());
    EXPECT_EQ(typed(), QStringLiteral("Merlin.Speak.Hello, you there\r\n"));
    EXPECT_EQ(QApplication::focusWidget(), &form.scriptEditor()) << "the editor has the focus";

    runMethod(QStringLiteral("Think."));
    EXPECT_TRUE(entry.textField().toPlainText().isEmpty()) << "emptied for each command";
    entry.textField().setPlainText(QStringLiteral("never"));
    QTest::mouseClick(&entry.cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(entry.isVisible());
    EXPECT_EQ(typed(), QStringLiteral("Merlin.Speak.Hello, you there\r\n"));
    EXPECT_EQ(&form.methods().textEntry(), &entry) << "made once, then only hidden and shown";
}

TEST_F(MethodsTest, LoadOpensThePickerOnTheCharactersFolder) {
    form.start({});
    form.hints().setHelpOn(true);
    runMethod(QStringLiteral("Load."));
    ASSERT_NE(form.characterPicker(), nullptr);
    EXPECT_TRUE(form.characterPicker()->isVisible());
    EXPECT_EQ(form.characterPicker()->folder(), charsDir.path());
    EXPECT_EQ(hints, QStringList{"Just click once to add a 'Load character', command to the "
                                 "script!"});
    EXPECT_EQ(form.statusText(),
              QStringLiteral("Once you have chosen your characters, click the 'Load Characters' "
                             "button"));
    EXPECT_EQ(typed(), QString());
}

TEST_F(MethodsTest, LoadShowsNoPickerWhenTheAssistantCannotSpeak) {
    form.start({});
    form.hints().setHelpOn(true);
    assistantSpeaks = false;
    runMethod(QStringLiteral("Load."));
    EXPECT_EQ(hints.size(), 1);
    EXPECT_EQ(form.characterPicker(), nullptr);
    EXPECT_NE(form.statusText(), MethodsCommands::pickerStatus());
}

TEST_F(MethodsTest, LoadWithAMissingFolderShowsNoPicker) {
    platform.settings.setValue("Vtl", "Dir", "Dir", charsDir.filePath("gone"));
    form.start({});
    runMethod(QStringLiteral("Load."));
    EXPECT_EQ(form.characterPicker(), nullptr);
    EXPECT_NE(form.statusText(), MethodsCommands::pickerStatus());
    EXPECT_TRUE(hints.isEmpty()) << "help is off";
}

}  // namespace
}  // namespace vistrel::test
