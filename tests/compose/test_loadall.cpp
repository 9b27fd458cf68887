// Load All and Unload All: the script's "Load." items brought onto the desktop and recorded in
// the loaded-character table, and taken away again.

#include "compose/loadall.h"
#include "support/windowfixture.h"

namespace vistrel::test {
namespace {

using compose::CastCommands;

class LoadAllTest : public AppTest {
  protected:
    LoadAllTest() {
        for (const char* id : {"Merlin", "genie", "Peedy"})
            addCharacter(QLatin1String(id));
        control.setCharacterName(QStringLiteral("genie"), QStringLiteral("Genie"));
    }

    QString acs(const QString& id) const {
        return QDir::toNativeSeparators(charsDir.path()) + QDir::separator() + id +
               QLatin1String(".acs");
    }

    QStringList names() {
        QStringList out;
        for (int i = 0; i < form.state().cast.size(); ++i)
            out << form.state().cast[i].name;
        return out;
    }
    script::PlayerState& state() { return form.state(); }
};

TEST_F(LoadAllTest, LoadsEachLoadItemIntoItsOwnSlotIncludingDuplicatesAndMissingOnes) {
    const QString path = openScript(
        "Load.Merlin\r\nMerlin.Show\r\nMerlin.Speak.Hello, load.genie\r\nLoad.Merlin\r\n"
        "Load.Nobody\r\nLoad.Peedy\r\n");
    form.scriptEditor().setText(form.scriptEditor().scriptText() +
                                QStringLiteral("\r\nPeedy.Show"));
    control.clearCalls();
    commands().loadAll->trigger();

    EXPECT_EQ(readBytes(path),
              QByteArray("Load.Merlin\r\nMerlin.Show\r\nMerlin.Speak.Hello, load.genie\r\n"
                         "Load.Merlin\r\nLoad.Nobody\r\nLoad.Peedy\r\nPeedy.Show\r\n"))
        << "the script is saved first, without asking";
    ASSERT_EQ(state().cast.size(), 5);
    EXPECT_EQ(names(), (QStringList{"Merlin", "Genie", "Merlin", "", "Peedy"}));
    EXPECT_EQ(state().cast[2].character, state().cast[0].character)
        << "a second load of a character refers to the one already loaded";
    EXPECT_EQ(state().cast[3].character, nullptr) << "a missing character takes an empty slot";

    const QStringList calls = callLines();
    EXPECT_TRUE(calls.contains(QStringLiteral("Characters.Load(\"genie\", \"%1\")")
                                   .arg(acs(QStringLiteral("genie")).replace('\\', "\\\\"))))
        << calls.join('\n').toStdString();
    EXPECT_EQ(calls.filter(QStringLiteral("Merlin.Show()")).size(), 2);
    EXPECT_EQ(calls.filter(QStringLiteral("genie.Show()")).size(), 1);
    EXPECT_EQ(calls.filter(QStringLiteral("Peedy.Show()")).size(), 1);
    EXPECT_EQ(control.recorded(QStringLiteral("Merlin"))->commandNames(),
              (QStringList{"Exit", "Exit"}));
    EXPECT_TRUE(control.recorded(QStringLiteral("Merlin"))->Visible());
    EXPECT_EQ(form.statusText(),
              QStringLiteral("Now drag the characters around, to see the animations & "
                             "methods..Just click away!"));
}

TEST_F(LoadAllTest, UnloadAllUnloadsByTheLoadedIdAndResetsTheLists) {
    openScript("Load.Merlin\r\nLoad.genie\r\nLoad.Merlin\r\n");
    commands().loadAll->trigger();
    form.animationsList().addItem(QStringLiteral("Wave"));
    form.methodsList().addItems({QStringLiteral("Show"), QStringLiteral("Hide")});
    control.clearCalls();
    commands().unloadAll->trigger();

    EXPECT_EQ(callLines(),
              (QStringList{"Characters.Unload(\"Merlin\")", "Characters.Unload(\"genie\")",
                           "Characters.Unload(\"Merlin\") !! The character \"Merlin\" is not "
                           "loaded"}));
    EXPECT_EQ(state().cast.size(), 0);
    EXPECT_TRUE(control.loadedIds().isEmpty());
    EXPECT_EQ(form.animationsList().count(), 0);
    EXPECT_EQ(entries(form.methodsList()), QStringList{QStringLiteral("Load.")});
}

TEST_F(LoadAllTest, ACharacterCallingItselfOtherwiseIsUnloadedAndLoadsAgain) {
    // The file Clippy.acs holds a character whose own name is "Clippit".
    addCharacter(QStringLiteral("Clippy"));
    control.setCharacterName(QStringLiteral("Clippy"), QStringLiteral("Clippit"));
    openScript("Load.Clippy\r\n");
    commands().loadAll->trigger();
    ASSERT_EQ(names(), QStringList{QStringLiteral("Clippit")});
    EXPECT_EQ(state().cast[0].id, QStringLiteral("Clippy"));

    commands().unloadAll->trigger();
    EXPECT_TRUE(control.loadedIds().isEmpty()) << "nothing stays on the desktop untracked";

    control.clearCalls();
    commands().loadAll->trigger();
    EXPECT_EQ(callLines().filter(QStringLiteral("!!")), QStringList())
        << "the next load is not refused as already loaded";
    EXPECT_EQ(control.loadedIds(), QStringList{QStringLiteral("Clippy")});
}

TEST_F(LoadAllTest, EveryLoadAllStartsByUnloadingTheLastOne) {
    const QString path = openScript("Load.Merlin\r\n");
    commands().loadAll->trigger();
    form.scriptEditor().setText(QStringLiteral("Load.Peedy"));
    commands().loadAll->trigger();
    EXPECT_EQ(control.loadedIds(), QStringList{QStringLiteral("Peedy")});
    EXPECT_EQ(names(), QStringList{QStringLiteral("Peedy")});

    form.scriptEditor().setText(QString());
    commands().loadAll->trigger();
    EXPECT_TRUE(control.loadedIds().isEmpty()) << "an empty script unloads and stops";
    EXPECT_EQ(state().cast.size(), 0);
    EXPECT_EQ(readBytes(path), QByteArray("Load.Peedy\r\n")) << "and does not save";
}

TEST_F(LoadAllTest, AScriptWithoutAFileIsSavedFirstOrNotReadAtAll) {
    form.start({});
    form.scriptEditor().setText(QStringLiteral("Load.Merlin"));
    commands().loadAll->trigger();  // Save As cancelled
    ASSERT_EQ(platform.messages.shown.size(), 1U);
    EXPECT_EQ(platform.messages.shown[0].text, QStringLiteral("Please save the script first"));
    EXPECT_EQ(platform.messages.shown[0].icon, platform::MessageIcon::Exclamation);
    EXPECT_EQ(platform.files.shown.size(), 1U);
    EXPECT_TRUE(control.loadedIds().isEmpty());
    EXPECT_EQ(state().cast.size(), 0);

    const QString path = scriptPath(QStringLiteral("named.vtl"));
    platform.files.choices << path;
    commands().loadAll->trigger();
    EXPECT_EQ(readBytes(path), QByteArray("Load.Merlin\r\n"));
    EXPECT_EQ(names(), QStringList{QStringLiteral("Merlin")});
    EXPECT_EQ(shownTitle(), path);
}

TEST_F(LoadAllTest, TheTableHoldsThirtyFiveCharacters) {
    QByteArray script;
    for (int i = 0; i < 40; ++i) {
        const QString id = QStringLiteral("C%1").arg(i);
        addCharacter(id);
        script += "Load." + id.toLatin1() + "\r\n";
    }
    openScript(script);
    commands().loadAll->trigger();
    EXPECT_EQ(state().cast.size(), script::Cast::kCapacity);
    EXPECT_EQ(control.loadedIds().size(), script::Cast::kCapacity)
        << "characters past the table are not loaded, so none is left that cannot be unloaded";
    commands().unloadAll->trigger();
    EXPECT_TRUE(control.loadedIds().isEmpty());
}

TEST_F(LoadAllTest, RefusedCallsAreSkipped) {
    openScript("Load.Merlin\r\nLoad.Peedy\r\n");
    control.refuse(QStringLiteral("Merlin.Show"));
    control.refuse(QStringLiteral("Peedy.Name"));
    commands().loadAll->trigger();
    EXPECT_EQ(state().cast.size(), 2);
    EXPECT_EQ(names(), (QStringList{"Merlin", ""}));
    EXPECT_TRUE(control.recorded(QStringLiteral("Peedy"))->Visible());
    EXPECT_EQ(form.statusText(), CastCommands::loadedStatus());
}

// The window a composition runs in, reduced to what it is told.
struct RecordingHost final : script::PlayerHost, document::DocumentHost, compose::LoadAllHost {
    void setStatusText(const QString& text) override { said << QLatin1String("status: ") + text; }
    void minimizeWindow() override {}
    void showStopMessage(const QString&, const QString&) override {}
    void focusEditor() override {}
    QString programFolder() const override { return folder; }
    void clearAnimations() override {}
    void showStartingMethods() override {}
    void clearMethods() override {}
    void disableCloseCommand() override {}
    void hideCharacterPicker() override { said << QStringLiteral("picker hidden"); }
    void speakHint(const QString& text) override { said << QLatin1String("hint: ") + text; }

    QString folder;
    QStringList said;
};

TEST_F(LoadAllTest, HintsExplainLoadAllBeforeAndAfterTheCharactersCome) {
    const QString path = scriptPath(QStringLiteral("hints.vtl"));
    writeBytes(path, "Load.Merlin\r\n");
    RecordingHost host;
    host.folder = programDir.path();
    script::PlayerState state;
    state.charactersFolder = charsDir.path();
    document::ScriptEditor editor;
    platform::FileDialog dialog(platform.files);
    document::ScriptDocument document(editor, dialog, platform.messages, host);
    ASSERT_TRUE(document.openPath(path));
    QListWidget methods;
    QListWidget animations;
    script::ScriptPlayer player(state, control, host);
    CastCommands commands(state, control, player, document, editor, methods, animations,
                          platform.messages, host);
    commands.loadAll();

    EXPECT_EQ(host.said, (QStringList{QLatin1String("hint: ") + CastCommands::loadAllHint(),
                                      QStringLiteral("picker hidden"),
                                      QLatin1String("hint: ") + CastCommands::comingHint(),
                                      QLatin1String("hint: ") + CastCommands::showHint(),
                                      QLatin1String("status: ") + CastCommands::loadedStatus()}));
    EXPECT_TRUE(CastCommands::showHint().startsWith(QLatin1Char(' ')))
        << "spoken straight after the one before";
    EXPECT_EQ(state.cast.size(), 1);
}

}  // namespace
}  // namespace vistrel::test
