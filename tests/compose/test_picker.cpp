// The characters folder command and the character picker, with the pictures it draws of the
// characters.

#include "acs/character.h"
#include "compose/charactersfolder.h"
#include "compose/picker.h"
#include "composefixture.h"
#include "platform/paths.h"
#include "stage/offscreen/portrait.h"
#include "support/snapshot.h"

#include "../document/characters.h"

#include <QSignalSpy>

namespace vistrel::test {
namespace {

using compose::CharacterPicker;
using compose::CharactersFolderCommand;

class PickerTest : public ComposeTest {
  protected:
    QString storedFolder() const { return platform.settings.values.value("Vtl/Dir/Dir", "<none>"); }

    // The picker opened by "Load." with its folder listed and every file read.
    CharacterPicker& openPicker() {
        runMethod(QStringLiteral("Load."));
        CharacterPicker* picker = form.characterPicker();
        EXPECT_NE(picker, nullptr);
        waitUntilRead(*picker);
        return *picker;
    }
    static void waitUntilRead(CharacterPicker& picker) {
        QSignalSpy read(&picker, &CharacterPicker::allRead);
        if (read.isEmpty())
            read.wait(10000);
        QCoreApplication::processEvents();
    }
};

TEST_F(PickerTest, TheFolderChosenIsKeptInTheSetting) {
    form.start({});
    form.hints().setHelpOn(true);
    QTemporaryDir chosen;
    platform.files.folderChoices << chosen.path();
    form.commands().characterFolder->trigger();
    ASSERT_EQ(platform.files.foldersShown.size(), 1U);
    EXPECT_EQ(platform.files.foldersShown[0].title,
              QStringLiteral("Choose the characters folder -\r\nCurrent Dir - ") + charsDir.path());
    EXPECT_EQ(storedFolder(), chosen.path());
    EXPECT_EQ(form.state().charactersFolder, chosen.path());
    EXPECT_EQ(hints, QStringList{"A requirement of the Dudori Zuvove is that all your characters "
                                 "are in the same folder. Please choose that folder here."});
    EXPECT_TRUE(form.commands().characterFolder->isEnabled());
}

TEST_F(PickerTest, CancellingEmptiesTheSettingAndFallsBackToTheDefault) {
    form.start({});
    form.commands().characterFolder->trigger();  // cancelled
    EXPECT_EQ(storedFolder(), QString()) << "stored even when empty";
    const QString fallback = platform::charactersDataFolder(programDir.path());
    EXPECT_EQ(form.state().charactersFolder, fallback);
    EXPECT_TRUE(hints.isEmpty()) << "help is off";

    platform.settings.values.clear();  // no setting at all
    EXPECT_EQ(platform::storedCharactersFolder(platform.settings, fallback), fallback);
}

TEST_F(PickerTest, AClickTypesOneLoadLinePerFileAndTheWindowStaysOpen) {
    for (const char* name : {"MERLIN.ACS", "genie.acs", "Peedy.Acs", "notes.txt", "acs"})
        writeBytes(QDir(charsDir.path()).filePath(QLatin1String(name)), "not a character");
    QDir(charsDir.path()).mkdir(QStringLiteral("folder.acs"));
    form.start({});
    CharacterPicker& picker = openPicker();
    EXPECT_EQ(picker.windowTitle(), QStringLiteral("Characters"));
    EXPECT_TRUE(picker.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(entries(picker.fileList()), (QStringList{"genie.acs", "MERLIN.ACS", "Peedy.Acs"}));

    // Broken files are listed disabled: let clicks through as the user could not.
    for (int i = 0; i < picker.fileList().count(); ++i)
        picker.fileList().item(i)->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    form.methodsList().addItem(QStringLiteral("Show"));
    click(picker.fileList(), QStringLiteral("MERLIN.ACS"));
    EXPECT_EQ(form.scriptEditor().scriptText(), QStringLiteral("Load.MERLIN\r\n"))
        << "typed before the click returns";
    click(picker.fileList(), QStringLiteral("Peedy.Acs"));
    EXPECT_EQ(typed(), QStringLiteral("Load.MERLIN\r\nLoad.Peedy\r\n"));
    EXPECT_TRUE(picker.isVisible());
    EXPECT_EQ(entries(form.methodsList()), QStringList{QStringLiteral("Load.")})
        << "no character is loaded";
}

TEST_F(PickerTest, EveryFileIsListedAndAMissingFolderChangesNothing) {
    ASSERT_TRUE(writeCharacter(charsDir.path(), QStringLiteral("Tiny"), QStringLiteral("Tiny")));
    const QString locked = QDir(charsDir.path()).filePath(QStringLiteral("Locked.acs"));
    writeBytes(locked, "no one may read this");
    ASSERT_TRUE(QFile::setPermissions(locked, {}));
    form.start({});
    CharacterPicker& picker = openPicker();
    EXPECT_EQ(picker.windowType(), Qt::Tool);
    const QStringList listed{"Locked.acs", "Tiny.acs"};
    ASSERT_EQ(entries(picker.fileList()), listed) << "a file that cannot be read is listed too";
    const QListWidgetItem* lockedItem = picker.fileList().item(0);
    EXPECT_FALSE(lockedItem->flags() & Qt::ItemIsEnabled);
    EXPECT_FALSE(lockedItem->toolTip().isEmpty()) << "the reason";

    // A chosen folder that does not exist is kept, but the picker goes on showing the old one.
    const QString gone = QDir(charsDir.path()).filePath(QStringLiteral("gone"));
    platform.files.folderChoices << gone;
    form.commands().characterFolder->trigger();
    EXPECT_EQ(form.state().charactersFolder, gone);
    QCoreApplication::processEvents();
    EXPECT_EQ(picker.folder(), charsDir.path());
    EXPECT_EQ(entries(picker.fileList()), listed);
}

TEST_F(PickerTest, AClickLeavesTheMethodsOfALoadedCharacter) {
    activateMerlin();
    CharacterPicker& picker = openPicker();
    // Merlin's file here is not a real character: its entry is disabled but still listed.
    picker.fileList().item(0)->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    click(picker.fileList(), QStringLiteral("Merlin.acs"));
    EXPECT_EQ(typed(), QStringLiteral("Load.Merlin\r\n"));
    EXPECT_EQ(entries(form.methodsList()), compose::fullMethods());
}

TEST_F(PickerTest, ClosingThePickerRemindsOfLoadAllAndShowWhenHelpIsOn) {
    form.start({});
    CharacterPicker& picker = openPicker();
    picker.close();
    EXPECT_TRUE(hints.isEmpty());
    form.hints().setHelpOn(true);
    runMethod(QStringLiteral("Load."));
    hints.clear();
    picker.close();
    EXPECT_EQ(hints, (QStringList{"Now you have entered the characters you want, just click the "
                                  "load all button (which looks like the Agent icon.)",
                                  "Don't forget to choose the 'Show command or your characters "
                                  "will never show"}));
    EXPECT_EQ(form.characterPicker(), &picker) << "made once, then only hidden and shown";

    hints.clear();
    runMethod(QStringLiteral("Load."));
    form.showMinimized();
    EXPECT_FALSE(picker.isVisible()) << "hidden with the minimised window";
    runMethod(QStringLiteral("Load."));
    form.commands().loadAll->trigger();
    EXPECT_FALSE(picker.isVisible()) << "hidden by Load All";
    EXPECT_EQ(hints.size(), 3) << "the Load. hints and Load All's; hiding says nothing";
}

TEST_F(PickerTest, EntriesShowThePicturesOfTheShippedCharacters) {
    const QDir shipped(QStringLiteral(VISTREL_BUILT_CHARS_DIR));
    const QStringList files = shipped.entryList({QStringLiteral("*.acs")}, QDir::Files);
    if (files.isEmpty())
        GTEST_SKIP() << "the shipped characters are not built";
    for (const QString& file : files)
        QFile::copy(shipped.filePath(file), QDir(charsDir.path()).filePath(file));
    writeBytes(QDir(charsDir.path()).filePath("Broken.acs"), QByteArray("\xc3\xab\xcd\xab", 4));
    ASSERT_TRUE(writeCharacter(charsDir.path(), QStringLiteral("Tiny"), QStringLiteral("Tiny")));
    form.start({});
    CharacterPicker& picker = openPicker();
    EXPECT_EQ(picker.filesBeingRead(), 0);
    ASSERT_EQ(picker.fileList().count(), files.size() + 2);

    for (int i = 0; i < picker.fileList().count(); ++i) {
        const QListWidgetItem* item = picker.fileList().item(i);
        SCOPED_TRACE(item->text().toStdString());
        if (item->text() == QLatin1String("Broken.acs")) {
            EXPECT_FALSE(item->flags() & Qt::ItemIsEnabled);
            EXPECT_FALSE(item->toolTip().isEmpty()) << "the reason";
            continue;
        }
        EXPECT_TRUE(item->flags() & Qt::ItemIsEnabled);
        const QImage picture = item->icon().pixmap(CharacterPicker::kPictureBox).toImage();
        int opaque = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                opaque += qAlpha(picture.pixel(x, y)) > 0;
        EXPECT_GT(opaque, 64) << "a picture, not a blank";
        EXPECT_TRUE(item->toolTip().contains(QLatin1String("pixels")))
            << item->toolTip().toStdString();
    }
    if (const QListWidgetItem* merlin = itemOf(picker.fileList(), "Merlin.acs")) {
        EXPECT_TRUE(merlin->toolTip().startsWith(QLatin1String("<b>Merlin</b><br>A friendly")))
            << "name and description: " << merlin->toolTip().toStdString();
    }
    picker.resize(240, 60 + 44 * picker.fileList().count());
    saveSnapshot(picker.grab().toImage(), QStringLiteral("character-picker"));

    // Listed again, unchanged files keep their pictures without being read again.
    picker.setFolder(charsDir.path());
    QSignalSpy listed(&picker, &CharacterPicker::listed);
    ASSERT_TRUE(listed.wait(5000));
    EXPECT_EQ(picker.filesBeingRead(), 0);
}

TEST(RestPortrait, FitsTheBoxWithoutGrowing) {
    QTemporaryDir dir;
    ASSERT_TRUE(writeCharacter(dir.path(), QStringLiteral("Tiny"), QStringLiteral("Tiny")));
    const acs::Character tiny =
        acs::Character::open(QDir(dir.path()).filePath("Tiny.acs").toStdString());
    const QImage natural = offscreen::restPortrait(tiny, QSize(64, 64));
    ASSERT_FALSE(natural.isNull());
    EXPECT_LE(natural.width(), 16);
    EXPECT_LE(natural.height(), 16);
    const QImage small = offscreen::restPortrait(tiny, QSize(8, 4));
    EXPECT_LE(small.width(), 8);
    EXPECT_EQ(small.height(), 4);
    EXPECT_TRUE(offscreen::restPortrait(tiny, QSize()).isNull());
}

}  // namespace
}  // namespace vistrel::test
