// The Help menu: the assistant switched on and off with its check marks, the hints the other
// commands speak through it, and the introduction.

#include "app/services.h"
#include "compose/picker.h"
#include "support/windowfixture.h"

#include <QMenu>
#include <QTest>

namespace vistrel::test {
namespace {

class HelpMenuTest : public AppTest {
  protected:
    HelpMenuTest() {
        assistant.setAssumeFilesExist(true);
        addCharacter(QStringLiteral("Genie"));
        openScript("Load.Genie\r\nGenie.Show\r\n");
    }

    // A real double-click on an entry of the Methods list.
    void chooseMethod(const QString& entry) {
        QListWidget& list = form.methodsList();
        QListWidgetItem* item = list.findItems(entry, Qt::MatchExactly).value(0);
        ASSERT_NE(item, nullptr) << entry.toStdString();
        const QPoint at = list.visualItemRect(item).center();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
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
    const QMenu* help = form.findChild<QMenu*>(QStringLiteral("helpMenu"));
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->title(), QStringLiteral("&Help"));
    EXPECT_EQ(help->actions(),
              (QList<QAction*>{commands().intro, commands().helpOn, commands().helpOff}));
    EXPECT_EQ(commands().intro->text() + commands().helpOn->text() + commands().helpOff->text(),
              QStringLiteral("IntroONOFF"));
    EXPECT_FALSE(commands().helpOn->isChecked());
    EXPECT_TRUE(commands().helpOff->isChecked());

    commands().helpOff->trigger();  // before the assistant was ever loaded: nothing to undo
    EXPECT_TRUE(commands().helpOff->isChecked());
    EXPECT_FALSE(commands().helpOn->isChecked());
    EXPECT_TRUE(spoken().isEmpty());

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

// Each place that speaks a hint, in the order a newcomer reaches them: the characters folder,
// the Methods list's "Load.", closing the picker, Load All, a click on a character, e-mail.
TEST_F(HelpMenuTest, EveryHintIsSpokenWithItsOwnTextOnlyWhileTheAssistantIsOn) {
    auto reachEveryHint = [&] {
        platform.files.folderChoices << charsDir.path();
        commands().characterFolder->trigger();
        chooseMethod(QStringLiteral("Load."));
        compose::CharacterPicker* picker = form.characterPicker();
        ASSERT_NE(picker, nullptr);
        picker->close();
        commands().loadAll->trigger();
        control.raiseClick(QStringLiteral("Genie"));
        commands().email->trigger();
        QCoreApplication::processEvents();
    };

    reachEveryHint();
    EXPECT_TRUE(assistant.calls().empty()) << assistant.callLines().join('\n').toStdString();
    EXPECT_EQ(platform.mail.bodies.size(), 1) << "every step was really taken";

    commands().helpOn->trigger();
    assistant.clearCalls();
    reachEveryHint();
    QStringList lines;
    for (agent::Call call : assistant.calls()) {
        call.result.clear();
        lines << call.toString();
    }
    const QStringList expected{
        "Merlin.Speak(\"A requirement of the Dudori Zuvove is that all your characters are in "
        "the same folder. Please choose that folder here.\")",
        "Merlin.Speak(\"Just click once to add a 'Load character', command to the script!\")",
        "Merlin.Speak(\"Now you have entered the characters you want, just click the load all "
        "button (which looks like the Agent icon.)\")",
        "Merlin.Speak(\"Don't forget to choose the 'Show command or your characters will never "
        "show\")",
        "Merlin.Speak(\"Use this option to load all the characters in your script so that you "
        "can click them and access there animations.\")",
        "Merlin.Speak(\"Now the characters you have chosen are coming onto the screen. This is "
        "so that you can access them. By clicking on them there animations will appear in the "
        "animations list box.\")",
        "Merlin.Speak(\" Now don't forget that you still need to add the Show command to your "
        "script, for every character\")",
        "Merlin.Stop()",
        "Merlin.Speak(\"Now you can see Genie's , animations appear. When you double click the "
        "animation, the play command will be added to the script in the current position.\")",
        "Merlin.Speak(\"You need to be Running some form of Outlook to send email this way...The "
        "emails will contain your present script and be played by the recipient if they have "
        "VT2000 installed.\")",
    };
    EXPECT_EQ(lines, expected);
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

// The assistant comes from the characters installed with the program, whatever the user's
// characters folder holds; without them help still switches on, silently.
TEST(HelpAssistantCharacter, IsTheProgramsOwnMerlinEvenWhenTheUsersFolderHasAnother) {
    const QString built = QStringLiteral(VISTREL_BUILT_CHARS_DIR);
    ASSERT_TRUE(QFileInfo::exists(built + QLatin1String("/Merlin.acs")));
    QTemporaryDir installed, users;
    const QDir root(installed.path());
    ASSERT_TRUE(root.mkpath(QStringLiteral("bin")) &&
                root.mkpath(QStringLiteral("share/vistrel/chars")));
    ASSERT_TRUE(QFile::copy(built + QLatin1String("/Merlin.acs"),
                            root.filePath(QStringLiteral("share/vistrel/chars/Merlin.acs"))));
    // Another character under the same name, where the script's characters come from.
    ASSERT_TRUE(QFile::copy(built + QLatin1String("/Rivet.acs"),
                            QDir(users.path()).filePath(QStringLiteral("Merlin.acs"))));

    for (const bool shipped : {true, false}) {
        SCOPED_TRACE(shipped ? "installed" : "missing");
        if (!shipped) {
            ASSERT_TRUE(
                QFile::remove(root.filePath(QStringLiteral("share/vistrel/chars/Merlin.acs"))));
        }
        platform::testing::ScriptedPlatform platform;
        platform.settings.setValue(QStringLiteral("Vtl"), QStringLiteral("Dir"),
                                   QStringLiteral("Dir"), users.path());
        const QString program = root.filePath(QStringLiteral("bin"));
        app::CharacterServices services = app::createCharacterServices(program);
        app::MainWindow form(platform.platform(), *services.scriptService,
                             *services.assistantService, program);
        form.start({});
        ASSERT_EQ(form.state().charactersFolder, users.path());

        form.commands().helpOn->trigger();
        EXPECT_TRUE(form.commands().helpOn->isChecked());
        agent::CharacterCollection& loaded = services.assistantService->Characters();
        if (shipped) {
            const agent::CharacterRef merlin = loaded.Item(QStringLiteral("Merlin"));
            ASSERT_TRUE(merlin);
            EXPECT_EQ(merlin->Name(), QStringLiteral("Merlin"));
            EXPECT_TRUE(
                merlin->AnimationNames().contains(QStringLiteral("Explain"), Qt::CaseInsensitive));
        } else {
            EXPECT_THROW(loaded.Item(QStringLiteral("Merlin")), agent::AgentError);
        }
        EXPECT_TRUE(platform.messages.shown.empty());
        form.commands().intro->trigger();  // already loaded, or nowhere to be found
        EXPECT_EQ(platform.messages.shown.size(), 1u);
        form.commands().helpOff->trigger();
        EXPECT_TRUE(form.commands().helpOff->isChecked());
    }
}

}  // namespace
}  // namespace vistrel::test
