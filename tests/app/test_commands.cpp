// The window's commands: one action per command wherever it is shown, the menus and toolbar as
// the user sees them, and the caption following the script's title and modified state.

#include "support/windowfixture.h"

#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace vistrel::test {
namespace {

const QString kUntitled = QStringLiteral("Vistrel Scripter: Untitled");

class CommandsTest : public AppTest {
  protected:
    QMenu* menu(const char* name) { return form.findChild<QMenu*>(QLatin1String(name)); }
    QToolButton* button(QAction* action) {
        return qobject_cast<QToolButton*>(form.toolbar().widgetForAction(action));
    }
};

TEST_F(CommandsTest, EveryToolbarButtonIsItsMenuEntrysOwnAction) {
    form.start({});
    const app::WindowCommands& c = commands();
    const QList<QAction*> file = menu("fileMenu")->actions();
    const QList<QAction*> edit = menu("editMenu")->actions();
    const QList<QAction*> bar = form.menuBar()->actions();
    for (QAction* shared : {c.newScript, c.open, c.save})
        EXPECT_TRUE(file.contains(shared)) << shared->text().toStdString();
    for (QAction* shared : {c.cut, c.copy, c.paste})
        EXPECT_TRUE(edit.contains(shared)) << shared->text().toStdString();
    EXPECT_TRUE(menu("textMenu")->actions().contains(c.bold));
    for (QAction* shared : {c.characterFolder, c.loadAll, c.unloadAll, c.stop, c.play})
        EXPECT_TRUE(bar.contains(shared)) << shared->text().toStdString();

    // The toolbar in its order, by the tooltip each button shows; empty for a separator.
    QStringList buttons;
    for (QAction* a : form.toolbar().actions())
        buttons << (a->isSeparator() ? QString() : a->toolTip());
    EXPECT_EQ(buttons, (QStringList{"New", "Open", "Save", "", "Cut", "Copy", "Paste", "", "",
                                    "Bold", "Italic", "", "", "Character Folder", "Load Characters",
                                    "Unload All", "Stop", "Play"}));
    for (QAction* a : form.toolbar().actions()) {
        if (!a->isSeparator()) {
            EXPECT_FALSE(a->icon().isNull()) << a->toolTip().toStdString();
        }
    }
}

TEST_F(CommandsTest, AButtonAndItsMenuEntryRunTheSameCommand) {
    openScript("one two\r\n");
    form.scriptEditor().selectAll();
    form.scriptEditor().setFocus();
    QTest::mouseClick(button(commands().copy), Qt::LeftButton);
    EXPECT_EQ(platform.clipboard.text(), QStringLiteral("one two"));

    form.scriptEditor().selectAll();
    QTest::mouseClick(button(commands().bold), Qt::LeftButton);
    EXPECT_EQ(form.scriptEditor().selectionBold(), true);
    commands().bold->trigger();
    EXPECT_EQ(form.scriptEditor().selectionBold(), false) << "the Text menu's Bold, undoing it";
    QTest::mouseClick(button(commands().italic), Qt::LeftButton);
    EXPECT_EQ(form.scriptEditor().selectionItalic(), true);

    addCharacter(QStringLiteral("Merlin"));
    form.scriptEditor().setText(QStringLiteral("Load.Merlin\nMerlin.Show"));
    QTest::mouseClick(button(commands().play), Qt::LeftButton);
    EXPECT_TRUE(callLines().contains(QStringLiteral("Merlin.Show() -> #1")))
        << callLines().join('\n').toStdString();
    control.clearCalls();
    QTest::mouseClick(button(commands().stop), Qt::LeftButton);
    EXPECT_EQ(callLines(), QStringList{QStringLiteral("Merlin.Stop()")});
}

TEST_F(CommandsTest, DisablingACommandDisablesItEverywhere) {
    form.start({});
    QTest::mouseClick(button(commands().characterFolder), Qt::LeftButton);
    EXPECT_EQ(platform.files.foldersShown.size(), 1U) << "the button runs the command";
    commands().characterFolder->setEnabled(false);
    EXPECT_FALSE(button(commands().characterFolder)->isEnabled());
    QTest::mouseClick(button(commands().characterFolder), Qt::LeftButton);
    EXPECT_EQ(platform.files.foldersShown.size(), 1U);

    commands().play->setEnabled(false);
    EXPECT_FALSE(button(commands().play)->isEnabled());
    commands().play->setEnabled(true);
    EXPECT_TRUE(button(commands().play)->isEnabled());

    openScript("Load.Merlin\r\n");
    platform.messages.answers.push_back(platform::MessageAnswer::No);
    commands().close->trigger();
    EXPECT_FALSE(commands().close->isEnabled()) << "a closed script cannot be closed again";
    EXPECT_TRUE(menu("fileMenu")->actions().contains(commands().close));
}

TEST_F(CommandsTest, MenusShowTheirWordsWithoutTheButtonsPictures) {
    form.start({});
    // The same entries made without pictures, as the menus looked before they shared them.
    QMenuBar plainBar;
    QMenu plainFile;
    for (QAction* shared : form.menuBar()->actions())
        plainBar.addAction(shared->text());
    for (QAction* shared : menu("fileMenu")->actions()) {
        if (shared->isSeparator()) {
            plainFile.addSeparator();
            continue;
        }
        plainFile.addAction(shared->text())->setShortcut(shared->shortcut());
    }
    const QList<QAction*> plain = plainBar.actions();
    const QList<QAction*> shared = form.menuBar()->actions();
    ASSERT_EQ(plain.size(), shared.size());
    for (int i = 0; i < plain.size(); ++i) {
        EXPECT_EQ(form.menuBar()->actionGeometry(shared[i]).size(),
                  plainBar.actionGeometry(plain[i]).size())
            << shared[i]->text().toStdString();
    }
    EXPECT_EQ(menu("fileMenu")->sizeHint(), plainFile.sizeHint());
}

TEST_F(CommandsTest, TheCaptionMarksAnEditedScriptUntilItIsSaved) {
    form.start({});
    QSignalSpy modified(&form.document(), &document::ScriptDocument::modificationChanged);
    EXPECT_EQ(shownTitle(), kUntitled);
    EXPECT_FALSE(form.isWindowModified());

    form.scriptEditor().setFocus();
    QTest::keyClicks(&form.scriptEditor(), QStringLiteral("Load.Merlin"));
    EXPECT_TRUE(form.document().isModified());
    EXPECT_EQ(shownTitle(), kUntitled + QLatin1Char('*'));
    EXPECT_EQ(modified.count(), 1) << "once, not for every key";

    const QString path = scriptPath(QStringLiteral("saved.vtl"));
    platform.files.choices << path;
    commands().saveAs->trigger();
    EXPECT_EQ(shownTitle(), path);
    EXPECT_FALSE(form.isWindowModified());

    QTest::keyClicks(&form.scriptEditor(), QStringLiteral("!"));
    EXPECT_EQ(shownTitle(), path + QLatin1Char('*'));
    commands().save->trigger();
    EXPECT_EQ(shownTitle(), path);
    EXPECT_EQ(readBytes(path), QByteArray("Load.Merlin!\r\n"));

    QTest::keyClicks(&form.scriptEditor(), QStringLiteral("?"));
    commands().newScript->trigger();
    EXPECT_EQ(shownTitle(), kUntitled) << "New starts an unmodified script";

    QTest::keyClicks(&form.scriptEditor(), QStringLiteral("x"));
    platform.files.choices << path;
    commands().open->trigger();
    EXPECT_EQ(shownTitle(), path) << "so does Open";
    EXPECT_EQ(form.scriptEditor().scriptText(), QStringLiteral("Load.Merlin!"));
}

TEST_F(CommandsTest, AScriptNotWrittenStaysModified) {
    const QString path = openScript("old\r\n");
    QTest::keyClicks(&form.scriptEditor(), QStringLiteral("new "));
    platform.files.choices << path;
    platform.messages.answers.push_back(platform::MessageAnswer::No);
    commands().saveAs->trigger();
    EXPECT_EQ(readBytes(path), QByteArray("old\r\n"));
    EXPECT_TRUE(form.isWindowModified()) << "the file was kept, so the edit is still unsaved";

    commands().play->trigger();
    EXPECT_EQ(readBytes(path), QByteArray("new old\r\n"));
    EXPECT_FALSE(form.isWindowModified()) << "Play writes the script before playing it";
}

TEST_F(CommandsTest, ACaptionShowsAPlaceholderOfItsOwnAsWritten) {
    const QString path = scriptPath(QStringLiteral("take [*] two.vtl"));
    writeBytes(path, "Merlin.Show\r\n");
    form.start({path, QStringLiteral("/ed")});
    EXPECT_EQ(shownTitle(), path);
    QTest::keyClicks(&form.scriptEditor(), QStringLiteral("x"));
    EXPECT_EQ(shownTitle(), path + QLatin1Char('*'));
}

}  // namespace
}  // namespace vistrel::test
