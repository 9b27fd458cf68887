// The main window as a whole: start-up in each command-line mode, Play and Stop, the
// characters' Exit command and what the window looks like.

#include "document/scriptfile.h"
#include "platform/paths.h"
#include "support/permissions.h"
#include "support/windowfixture.h"

#include <QAction>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QMenuBar>
#include <QScreen>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>

namespace vistrel::test {
namespace {

using platform::MessageIcon;

const QString kUntitled = QStringLiteral("Vistrel Scripter: Untitled");

// Collects the messages of one logging category, turned on for the while.
class LogCapture {
  public:
    LogCapture(const QString& category, QStringList& into) {
        category_ = category.toUtf8();
        into_ = &into;
        QLoggingCategory::setFilterRules(category + QLatin1String(".debug=true"));
        previous_ = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext& context, const QString& message) {
                if (category_ == context.category)
                    *into_ << message;
            });
    }
    ~LogCapture() {
        qInstallMessageHandler(previous_);
        QLoggingCategory::setFilterRules(QString());
    }

  private:
    static inline QByteArray category_;
    static inline QStringList* into_ = nullptr;
    QtMessageHandler previous_;
};

class MainWindowTest : public AppTest {
  protected:
    QSignalSpy ended{&form, &app::MainWindow::programEnded};
};

TEST_F(MainWindowTest, StartsForEditingWithNoArguments) {
    form.start({});
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(shownTitle(), kUntitled);
    EXPECT_EQ(form.statusText(),
              QStringLiteral("Firstly click 'Load' to choose your characters, or open an existing "
                             "file"));
    EXPECT_EQ(entries(form.methodsList()), QStringList{QStringLiteral("Load.")});
    EXPECT_EQ(form.state().charactersFolder, charsDir.path()) << "from the per-user setting";
    EXPECT_FALSE(form.state().closeWhenAllHidden);

    EXPECT_EQ(platform.tooltip.options, (QList<int>{0, 6, 4}));
    EXPECT_FALSE(platform.tooltip.picture.isNull());
    EXPECT_TRUE(platform.tooltip.html.contains(QLatin1String("Welcome")));
    EXPECT_TRUE(platform.tooltip.shownAt.empty());

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(form.x(), screen.x() + (screen.width() - form.width()) / 2);
    EXPECT_EQ(form.y(), screen.y() + (screen.height() - form.height()) / 2);
}

TEST_F(MainWindowTest, TheCharactersFolderDefaultsToTheInstalledOne) {
    platform.settings.values.clear();
    form.start({});
    EXPECT_EQ(form.state().charactersFolder, platform::charactersDataFolder(programDir.path()));
    platform.settings.setValue("Vtl", "Dir", "Dir", "");
    app::MainWindow second(platform.platform(), control, assistant, programDir.path());
    second.start({});
    EXPECT_EQ(second.state().charactersFolder, platform::charactersDataFolder(programDir.path()))
        << "an empty setting counts as none";
}

TEST_F(MainWindowTest, AScriptOnTheCommandLinePlaysWithTheWindowHidden) {
    addCharacter(QStringLiteral("Merlin"));
    const QString path = scriptPath(QStringLiteral("Demo.VTL"));
    writeBytes(path, "Load.Merlin\nMerlin.Show\nMerlin.Speak.Hi\n");
    form.start({QStringLiteral("  ") + path});

    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(shownTitle(), path.toLower());
    EXPECT_EQ(form.commandLine(), path.toLower());
    EXPECT_TRUE(form.state().closeWhenAllHidden);
    EXPECT_EQ(readBytes(path), QByteArray("Load.Merlin\r\nMerlin.Show\r\nMerlin.Speak.Hi\r\n"))
        << "the file is rewritten before it plays";
    const QStringList calls = callLines();
    EXPECT_TRUE(calls.contains(QStringLiteral("Merlin.Show() -> #1")))
        << calls.join('\n').toStdString();
    EXPECT_TRUE(calls.contains(QStringLiteral("Merlin.Speak(\"Hi\") -> #2")));
    EXPECT_EQ(form.state().cast.size(), 1);
    EXPECT_TRUE(platform.messages.shown.empty());
}

TEST_F(MainWindowTest, AScriptThatCannotBeRewrittenStillPlaysFromTheCommandLine) {
    // An installed demo: the user may read the script but not write it or its folder.
    addCharacter(QStringLiteral("Merlin"));
    const QString folder = programDir.filePath(QStringLiteral("demos"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QLatin1String("/demo.vtl");
    writeBytes(path, "Load.Merlin\nMerlin.Show\n");
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QStringList logged;
    {
        const PermissionsBind bind;
        if (!bind.active())
            GTEST_SKIP() << "permissions cannot be made to bind";
        const LogCapture capture(QStringLiteral("vistrel.app"), logged);
        form.start({path});
    }
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    EXPECT_TRUE(callLines().contains(QStringLiteral("Merlin.Show() -> #1")))
        << callLines().join('\n').toStdString();
    EXPECT_EQ(readBytes(path), QByteArray("Load.Merlin\nMerlin.Show\n"));
    EXPECT_EQ(logged.filter(QStringLiteral("ignored: rewrite ") + path).size(), 1)
        << logged.join('\n').toStdString();
    EXPECT_TRUE(platform.messages.shown.empty()) << "command-line play asks nothing";
    EXPECT_TRUE(form.scriptEditor().document()->isEmpty())
        << "the hidden editor is never given the script to lay out";
}

TEST_F(MainWindowTest, AScriptTooLongToEditStillPlaysFromTheCommandLine) {
    addCharacter(QStringLiteral("Merlin"));
    const QString path = scriptPath(QStringLiteral("long.vtl"));
    writeBytes(path, "Load.Merlin\r\nMerlin.Show\r\n" +
                         QByteArray("\r\n").repeated(document::kMaxEditorLines));
    form.start({path});
    EXPECT_TRUE(callLines().contains(QStringLiteral("Merlin.Show() -> #1")));
    for (const platform::Message& m : platform.messages.shown)
        EXPECT_FALSE(m.text.contains(QStringLiteral("too long to edit"))) << m.text.toStdString();
    EXPECT_TRUE(form.scriptEditor().document()->isEmpty());
}

TEST_F(MainWindowTest, AMinimisingScriptKeepsAHiddenWindowHidden) {
    const QString path = scriptPath(QStringLiteral("min.vtl"));
    writeBytes(path, "%Min\r\n");
    form.start({path});
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(form.windowState() & Qt::WindowMinimized);

    app::MainWindow editing(platform.platform(), control, assistant, programDir.path());
    const QString second = scriptPath(QStringLiteral("min2.vtl"));
    writeBytes(second, "%Min\r\n");
    editing.start({second, QStringLiteral("/ed")});
    editing.commands().play->trigger();
    EXPECT_TRUE(editing.isMinimized());
}

TEST_F(MainWindowTest, AScriptThatCannotBeReadIsNotPlayedNorWritten) {
    const QString path = scriptPath(QStringLiteral("missing.vtl"));
    form.start({path});
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_TRUE(callLines().isEmpty());
}

TEST_F(MainWindowTest, EdOpensTheScriptForEditingWithoutPlaying) {
    const QString path = scriptPath(QStringLiteral("Edit Me.vtl"));
    writeBytes(path, "Load.Merlin\r\nMerlin.Show\r\n");
    form.start({path, QStringLiteral("/ED")});
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.scriptEditor().scriptText(), QStringLiteral("Load.Merlin\r\nMerlin.Show"));
    EXPECT_EQ(form.document().currentPath(), path);
    EXPECT_EQ(shownTitle(), path);
    EXPECT_FALSE(form.state().closeWhenAllHidden);
    EXPECT_TRUE(callLines().isEmpty());
    EXPECT_EQ(readBytes(path), QByteArray("Load.Merlin\r\nMerlin.Show\r\n"));
}

TEST_F(MainWindowTest, ACommandLineEndingInAQuoteSelectsNeitherMode) {
    const QString path = scriptPath(QStringLiteral("q.vtl"));
    writeBytes(path, "Merlin.Show\r\n");
    form.start({QLatin1Char('"') + path + QLatin1Char('"')});
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.document().hasPath());
    EXPECT_EQ(form.scriptEditor().scriptText(), QString());
}

TEST_F(MainWindowTest, PlayWithoutAFileAsksToSaveAndPlaysNothing) {
    form.start({});
    form.scriptEditor().setText(QStringLiteral("Load.Merlin"));
    const QString path = scriptPath(QStringLiteral("saved.vtl"));
    platform.files.choices << path;
    commands().play->trigger();
    ASSERT_EQ(platform.messages.shown.size(), 1U);
    EXPECT_EQ(platform.messages.shown[0].text, QStringLiteral("Please save this script first"));
    EXPECT_EQ(platform.messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(platform.messages.shown[0].title, QStringLiteral("Vistrel"));
    EXPECT_EQ(readBytes(path), QByteArray("Load.Merlin\r\n"));
    EXPECT_TRUE(callLines().isEmpty());
}

TEST_F(MainWindowTest, PlayUnloadsSavesAndPlaysTheEditorText) {
    addCharacter(QStringLiteral("Merlin"));
    addCharacter(QStringLiteral("Peedy"));
    const QString path = openScript("Load.Peedy\r\n");
    commands().loadAll->trigger();
    form.scriptEditor().setText(QStringLiteral("Load.Merlin\nMerlin.Show"));
    control.clearCalls();
    commands().play->trigger();

    EXPECT_EQ(readBytes(path), QByteArray("Load.Merlin\r\nMerlin.Show\r\n"));
    const QStringList calls = callLines();
    ASSERT_FALSE(calls.isEmpty());
    EXPECT_EQ(calls.front(), QStringLiteral("Characters.Unload(\"Peedy\")"));
    EXPECT_TRUE(calls.contains(QStringLiteral("Merlin.Show() -> #2")))
        << calls.join('\n').toStdString();
    EXPECT_EQ(control.loadedIds(), QStringList{QStringLiteral("Merlin")});
}

TEST_F(MainWindowTest, AFailingScriptIsReportedOnce) {
    addCharacter(QStringLiteral("Merlin"));
    openScript("Load.Merlin\r\nMerlin.MoveTo.300\r\nMerlin.Show\r\n");
    commands().play->trigger();
    ASSERT_EQ(platform.messages.shown.size(), 1U);
    EXPECT_EQ(platform.messages.shown[0].icon, MessageIcon::Stop);
    EXPECT_TRUE(platform.messages.shown[0].text.contains(QLatin1String("...Line - ")));
}

TEST_F(MainWindowTest, ACharactersExitCommandEndsTheProgramAtOnce) {
    form.start({});
    control.raiseCommand(QStringLiteral("Merlin"), QStringLiteral("Other"));
    EXPECT_EQ(ended.count(), 0);
    control.raiseCommand(QStringLiteral("Merlin"), QStringLiteral("eXiT"));
    EXPECT_EQ(ended.count(), 1);
    EXPECT_TRUE(form.isVisible()) << "the window's own closing steps do not run";
    assistant.raiseCommand(QStringLiteral("Merlin"), QStringLiteral("Exit"));
    EXPECT_EQ(ended.count(), 1) << "the assistant's menu is not the script's";
}

TEST_F(MainWindowTest, ClosingTheWindowEndsTheProgram) {
    form.start({});
    commands().exit->trigger();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(ended.count(), 1);
}

TEST_F(MainWindowTest, StopStopsEveryLoadedCharacterInOrder) {
    for (const char* id : {"A", "B"})
        addCharacter(QLatin1String(id));
    openScript("Load.A\r\nLoad.Nobody\r\nLoad.B\r\n");
    commands().loadAll->trigger();
    control.refuse(QStringLiteral("A.Stop"), QStringLiteral("refused"));
    control.clearCalls();
    commands().stop->trigger();
    EXPECT_EQ(callLines(), (QStringList{"A.Stop() !! refused", "B.Stop()"}));
}

TEST_F(MainWindowTest, ShortcutsReachTheirCommands) {
    form.start({});
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.scriptEditor().setFocus();
    form.scriptEditor().setText(QStringLiteral("abc"));
    platform.clipboard.setText(QStringLiteral("XY"));
    QTest::keyClick(&form.scriptEditor(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(form.scriptEditor().scriptText(), QStringLiteral("XYabc")) << "Paste is on Ctrl+P";
    QTest::keyClick(&form.scriptEditor(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(form.scriptEditor().scriptText(), QString());
    QTest::keyClick(&form.scriptEditor(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(platform.files.shown.size(), 1U);
    EXPECT_EQ(platform.files.shown[0].kind, platform::FileDialogRequest::Kind::Save)
        << "Ctrl+S is Save As";
    QTest::keyClick(&form.scriptEditor(), Qt::Key_F2, Qt::ControlModifier);
    EXPECT_EQ(platform.messages.shown.size(), 1U) << "Close without a file asks to save";
}

TEST_F(MainWindowTest, TheWindowKeepsItsSize) {
    form.start({});
    EXPECT_EQ(form.size(), QSize(545, 390));
    form.resize(800, 700);
    EXPECT_EQ(form.size(), QSize(545, 390));
}

TEST_F(MainWindowTest, AClickOnTheBackgroundShowsTheWelcomeTooltip) {
    form.start({});
    QWidget* background = form.centralWidget();
    QTest::mouseClick(background, Qt::LeftButton, {}, QPoint(background->width() - 2, 1));
    ASSERT_EQ(platform.tooltip.shownAt.size(), 1U);
    EXPECT_EQ(platform.tooltip.shownAt[0], std::make_pair(-1, -1));
    QTest::mouseClick(form.scriptEditor().viewport(), Qt::LeftButton);
    EXPECT_EQ(platform.tooltip.shownAt.size(), 1U) << "clicks in the editor stay there";
}

TEST_F(MainWindowTest, EveryToolbarButtonFitsInTheWindow) {
    openScript("Load.Merlin\r\nMerlin.Show\r\nMerlin.Speak.Hello, welcome to the scripter!\r\n");
    form.animationsList().addItems({"Wave", "Greet", "Acknowledge"});
    QApplication::processEvents();
    for (QAction* a : form.toolbar().actions()) {
        if (a->isSeparator())
            continue;
        QWidget* button = form.toolbar().widgetForAction(a);
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(button->isVisible()) << a->text().toStdString();
        EXPECT_TRUE(form.rect().contains(button->mapTo(&form, button->rect().bottomRight())));
    }
}

}  // namespace
}  // namespace vistrel::test
