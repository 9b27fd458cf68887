// The main window as a whole: start-up in each command-line mode, Play and Stop, the toolbar,
// the end-of-play watch, the characters' Exit command and what the window looks like.

#include "platform/paths.h"
#include "support/windowfixture.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace vistrel::test {
namespace {

using platform::MessageIcon;

const QString kUntitled = QStringLiteral("Vistrel Scripter: Untitled");

class Form1Test : public AppTest {
  protected:
    QAction* action(const QString& name) { return form.findChild<QAction*>(name); }
    QSignalSpy ended{&form, &app::Form1::programEnded};
};

TEST_F(Form1Test, StartsForEditingWithNoArguments) {
    form.start({});
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.windowTitle(), kUntitled);
    EXPECT_EQ(form.statusText(),
              QStringLiteral("Firstly click 'Load' to choose your characters, or open an existing "
                             "file"));
    EXPECT_EQ(entries(form.lstvar()), QStringList{QStringLiteral("Load.")});
    EXPECT_EQ(form.state().charactersFolder, charsDir.path()) << "from the per-user setting";
    EXPECT_FALSE(form.state().closeWhenAllHidden);
    EXPECT_TRUE(form.Timer1().isActive());
    EXPECT_EQ(form.Timer1().interval(), 10000);

    EXPECT_EQ(platform.tooltip.options, (QList<int>{0, 6, 4}));
    EXPECT_FALSE(platform.tooltip.picture.isNull());
    EXPECT_TRUE(platform.tooltip.html.contains(QLatin1String("Welcome")));
    EXPECT_TRUE(platform.tooltip.shownAt.empty());

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(form.x(), screen.x() + (screen.width() - form.width()) / 2);
    EXPECT_EQ(form.y(), screen.y() + (screen.height() - form.height()) / 2);
}

TEST_F(Form1Test, TheCharactersFolderDefaultsToTheInstalledOne) {
    platform.settings.values.clear();
    form.start({});
    EXPECT_EQ(form.state().charactersFolder, platform::charactersDataFolder(programDir.path()));
    platform.settings.setValue("Vtl", "Dir", "Dir", "");
    app::Form1 second(platform.platform(), control, assistant, programDir.path());
    second.start({});
    EXPECT_EQ(second.state().charactersFolder, platform::charactersDataFolder(programDir.path()))
        << "an empty setting counts as none";
}

TEST_F(Form1Test, AScriptOnTheCommandLinePlaysWithTheWindowHidden) {
    addCharacter(QStringLiteral("Merlin"));
    const QString path = scriptPath(QStringLiteral("Demo.VTL"));
    writeBytes(path, "Load.Merlin\nMerlin.Show\nMerlin.Speak.Hi\n");
    form.start({QStringLiteral("  ") + path});

    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.windowTitle(), path.toLower());
    EXPECT_EQ(form.commandLine(), path.toLower());
    EXPECT_TRUE(form.state().closeWhenAllHidden);
    EXPECT_EQ(form.document().currentPath(), path);
    EXPECT_EQ(readBytes(path), QByteArray("Load.Merlin\r\nMerlin.Show\r\nMerlin.Speak.Hi\r\n"))
        << "the file is rewritten from the editor before it plays";
    const QStringList calls = callLines();
    EXPECT_TRUE(calls.contains(QStringLiteral("Merlin.Show() -> #1")))
        << calls.join('\n').toStdString();
    EXPECT_TRUE(calls.contains(QStringLiteral("Merlin.Speak(\"Hi\") -> #2")));
    EXPECT_EQ(form.state().cast.size(), 1);
    EXPECT_TRUE(platform.messages.shown.empty());
}

TEST_F(Form1Test, AMinimisingScriptKeepsAHiddenWindowHidden) {
    const QString path = scriptPath(QStringLiteral("min.vtl"));
    writeBytes(path, "%Min\r\n");
    form.start({path});
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(form.windowState() & Qt::WindowMinimized);

    app::Form1 editing(platform.platform(), control, assistant, programDir.path());
    const QString second = scriptPath(QStringLiteral("min2.vtl"));
    writeBytes(second, "%Min\r\n");
    editing.start({second, QStringLiteral("/ed")});
    editing.mnuPlayIt_Click();
    EXPECT_TRUE(editing.isMinimized());
}

TEST_F(Form1Test, AScriptThatCannotBeReadIsNotPlayedNorWritten) {
    const QString path = scriptPath(QStringLiteral("missing.vtl"));
    form.start({path});
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_TRUE(callLines().isEmpty());
    form.Timer1_Timer();
    EXPECT_EQ(ended.count(), 1) << "with nothing loaded the watch ends the program at once";
}

TEST_F(Form1Test, EdOpensTheScriptForEditingWithoutPlaying) {
    const QString path = scriptPath(QStringLiteral("Edit Me.vtl"));
    writeBytes(path, "Load.Merlin\r\nMerlin.Show\r\n");
    form.start({path, QStringLiteral("/ED")});
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.Text1().scriptText(), QStringLiteral("Load.Merlin\r\nMerlin.Show"));
    EXPECT_EQ(form.document().currentPath(), path);
    EXPECT_EQ(form.windowTitle(), path);
    EXPECT_FALSE(form.state().closeWhenAllHidden);
    EXPECT_TRUE(callLines().isEmpty());
    EXPECT_EQ(readBytes(path), QByteArray("Load.Merlin\r\nMerlin.Show\r\n"));
}

TEST_F(Form1Test, ACommandLineEndingInAQuoteSelectsNeitherMode) {
    const QString path = scriptPath(QStringLiteral("q.vtl"));
    writeBytes(path, "Merlin.Show\r\n");
    form.start({QLatin1Char('"') + path + QLatin1Char('"')});
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.document().hasPath());
    EXPECT_EQ(form.Text1().scriptText(), QString());
}

TEST_F(Form1Test, PlayWithoutAFileAsksToSaveAndPlaysNothing) {
    form.start({});
    form.Text1().setText(QStringLiteral("Load.Merlin"));
    const QString path = scriptPath(QStringLiteral("saved.vtl"));
    platform.files.choices << path;
    form.mnuPlayIt_Click();
    ASSERT_EQ(platform.messages.shown.size(), 1U);
    EXPECT_EQ(platform.messages.shown[0].text, QStringLiteral("Please save this script first"));
    EXPECT_EQ(platform.messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(platform.messages.shown[0].title, QStringLiteral("Vistrel"));
    EXPECT_EQ(readBytes(path), QByteArray("Load.Merlin\r\n"));
    EXPECT_TRUE(callLines().isEmpty());
}

TEST_F(Form1Test, PlayUnloadsSavesAndPlaysTheEditorText) {
    addCharacter(QStringLiteral("Merlin"));
    addCharacter(QStringLiteral("Peedy"));
    const QString path = openScript("Load.Peedy\r\n");
    form.mnuLoadAll_Click();
    form.Debuger = true;
    form.Text1().setText(QStringLiteral("Load.Merlin\nMerlin.Show"));
    control.clearCalls();
    form.mnuPlayIt_Click();

    EXPECT_FALSE(form.Debuger);
    EXPECT_EQ(readBytes(path), QByteArray("Load.Merlin\r\nMerlin.Show\r\n"));
    const QStringList calls = callLines();
    ASSERT_FALSE(calls.isEmpty());
    EXPECT_EQ(calls.front(), QStringLiteral("Characters.Unload(\"Peedy\")"));
    EXPECT_TRUE(calls.contains(QStringLiteral("Merlin.Show() -> #2")))
        << calls.join('\n').toStdString();
    EXPECT_EQ(control.loadedIds(), QStringList{QStringLiteral("Merlin")});
}

TEST_F(Form1Test, AFailingScriptIsReportedOnce) {
    addCharacter(QStringLiteral("Merlin"));
    openScript("Load.Merlin\r\nMerlin.MoveTo.300\r\nMerlin.Show\r\n");
    form.mnuPlayIt_Click();
    ASSERT_EQ(platform.messages.shown.size(), 1U);
    EXPECT_EQ(platform.messages.shown[0].icon, MessageIcon::Stop);
    EXPECT_TRUE(platform.messages.shown[0].text.contains(QLatin1String("...Line - ")));
}

TEST_F(Form1Test, TheWatchEndsTheProgramOnceEveryCharacterIsHidden) {
    for (const char* id : {"A", "B", "C"})
        addCharacter(QLatin1String(id));
    const QString path = scriptPath(QStringLiteral("three.vtl"));
    writeBytes(path, "Load.A,Load.B,Load.C\r\nA.Show,B.Show,C.Show\r\nA.Hide,B.Hide\r\n");
    form.start({path});
    ASSERT_EQ(form.state().cast.size(), 3);

    form.Timer1_Timer();
    EXPECT_EQ(ended.count(), 0) << "one character is still visible";
    form.state().cast[2].character->Hide(false);
    form.Timer1_Timer();
    EXPECT_EQ(ended.count(), 1);
}

TEST_F(Form1Test, TheWatchCountsUnreadableCharactersAsHiddenAndSleepsWhenOff) {
    addCharacter(QStringLiteral("A"));
    openScript("Load.A\r\nA.Show\r\n");
    form.mnuPlayIt_Click();
    form.Timer1_Timer();
    EXPECT_EQ(ended.count(), 0) << "the watch is off while editing";

    form.Text1().setText(QStringLiteral("Load.A\nA.Show\nUnloadAll"));
    form.mnuPlayIt_Click();
    ASSERT_TRUE(form.state().closeWhenAllHidden) << "the script's UnloadAll turns it on";
    form.Timer1_Timer();
    EXPECT_EQ(ended.count(), 0);
    control.refuse(QStringLiteral("A.Visible"));
    form.Timer1_Timer();
    EXPECT_EQ(ended.count(), 1);
}

TEST_F(Form1Test, ACharactersExitCommandEndsTheProgramAtOnce) {
    form.start({});
    auto* picker = new QWidget;
    picker->setAttribute(Qt::WA_DeleteOnClose);
    picker->show();
    form.frmCharacterFolder = picker;
    control.raiseCommand(QStringLiteral("Merlin"), QStringLiteral("Other"));
    EXPECT_EQ(ended.count(), 0);
    control.raiseCommand(QStringLiteral("Merlin"), QStringLiteral("eXiT"));
    EXPECT_EQ(ended.count(), 1);
    EXPECT_FALSE(picker->isVisible());
    EXPECT_TRUE(form.isVisible()) << "the window's own closing steps do not run";
}

TEST_F(Form1Test, ClosingTheWindowEndsTheProgram) {
    form.start({});
    action(QStringLiteral("mnuFileExit"))->trigger();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(ended.count(), 1);
    EXPECT_FALSE(form.Timer1().isActive());
}

TEST_F(Form1Test, StopStopsEveryLoadedCharacterInOrder) {
    for (const char* id : {"A", "B"})
        addCharacter(QLatin1String(id));
    openScript("Load.A\r\nLoad.Nobody\r\nLoad.B\r\n");
    form.mnuLoadAll_Click();
    control.refuse(QStringLiteral("A.Stop"), QStringLiteral("refused"));
    control.clearCalls();
    action(QStringLiteral("mnuStopall"))->trigger();
    EXPECT_EQ(callLines(), (QStringList{"A.Stop() !! refused", "B.Stop()"}));
}

TEST_F(Form1Test, ShortcutsReachTheirCommands) {
    form.start({});
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.Text1().setFocus();
    form.Text1().setText(QStringLiteral("abc"));
    platform.clipboard.setText(QStringLiteral("XY"));
    QTest::keyClick(&form.Text1(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(form.Text1().scriptText(), QStringLiteral("XYabc")) << "Paste is on Ctrl+P";
    QTest::keyClick(&form.Text1(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(form.Text1().scriptText(), QString());
    QTest::keyClick(&form.Text1(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(platform.files.shown.size(), 1U);
    EXPECT_EQ(platform.files.shown[0].kind, platform::FileDialogRequest::Kind::Save)
        << "Ctrl+S is Save As";
    QTest::keyClick(&form.Text1(), Qt::Key_F2, Qt::ControlModifier);
    EXPECT_EQ(platform.messages.shown.size(), 1U) << "Close without a file asks to save";
}

TEST_F(Form1Test, TheToolbarHasItsButtonsAndDispatchesByIndex) {
    form.start({});
    for (QAction* a : form.Toolbar2().actions()) {
        EXPECT_EQ(a->data().toInt(), form.Toolbar2().actions().indexOf(a) + 1);
        EXPECT_EQ(a->isSeparator(), a->icon().isNull()) << a->text().toStdString();
    }

    form.Text1().setText(QStringLiteral("one two"));
    form.Text1().selectAll();
    action(QStringLiteral("Toolbar2_11"))->trigger();
    EXPECT_EQ(form.Text1().selectionItalic(), true);
    action(QStringLiteral("Toolbar2_10"))->trigger();
    EXPECT_EQ(form.Text1().selectionBold(), true);
    form.Text1().setFocus();
    action(QStringLiteral("Toolbar2_6"))->trigger();
    EXPECT_EQ(platform.clipboard.text(), QStringLiteral("one two"));
    action(QStringLiteral("Toolbar2_1"))->trigger();
    EXPECT_EQ(form.Text1().scriptText(), QString());
    action(QStringLiteral("Toolbar2_18"))->trigger();
    EXPECT_EQ(platform.messages.shown.size(), 1U) << "Play without a file asks to save";
    for (int separator : {4, 8, 9, 12, 13})
        form.Toolbar2_ButtonClick(separator);
    EXPECT_EQ(platform.files.shown.size(), 1U);
}

TEST_F(Form1Test, TheWindowKeepsItsSizeAndHidesThePickerWhenMinimised) {
    form.start({});
    EXPECT_EQ(form.size(), QSize(545, 390));
    form.resize(800, 700);
    EXPECT_EQ(form.size(), QSize(545, 390));

    QWidget picker;
    picker.show();
    form.frmCharacterFolder = &picker;
    form.showMinimized();
    EXPECT_FALSE(picker.isVisible());
}

TEST_F(Form1Test, AClickOnTheBackgroundShowsTheWelcomeTooltip) {
    form.start({});
    QWidget* background = form.centralWidget();
    QTest::mouseClick(background, Qt::LeftButton, {}, QPoint(background->width() - 2, 1));
    ASSERT_EQ(platform.tooltip.shownAt.size(), 1U);
    EXPECT_EQ(platform.tooltip.shownAt[0], std::make_pair(-1, -1));
    QTest::mouseClick(form.Text1().viewport(), Qt::LeftButton);
    EXPECT_EQ(platform.tooltip.shownAt.size(), 1U) << "clicks in the editor stay there";
}

TEST_F(Form1Test, EveryToolbarButtonFitsInTheWindow) {
    openScript("Load.Merlin\r\nMerlin.Show\r\nMerlin.Speak.Hello, welcome to the scripter!\r\n");
    form.lstAnimations().addItems({"Wave", "Greet", "Acknowledge"});
    QApplication::processEvents();
    for (QAction* a : form.Toolbar2().actions()) {
        if (a->isSeparator())
            continue;
        QWidget* button = form.Toolbar2().widgetForAction(a);
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(button->isVisible()) << a->text().toStdString();
    }
    // Kept for looking at the window by eye.
    form.grab().save(QStringLiteral("form1.png"));
}

}  // namespace
}  // namespace vistrel::test
