// The File menu's commands on the main window: titles, dialogs, prompts and the files they
// leave on disk.

#include "document/scriptfile.h"
#include "support/windowfixture.h"

#include <QAction>

namespace vistrel::test {
namespace {

using platform::FileDialogRequest;
using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;

const QString kUntitled = QStringLiteral("Vistrel Scripter: Untitled");

class DocumentTest : public AppTest {
  protected:
    DocumentTest() { form.start({}); }

    QStringList messageTexts() const {
        QStringList out;
        for (const platform::Message& m : platform.messages.shown)
            out << m.text;
        return out;
    }
};

TEST_F(DocumentTest, SaveAsWritesTheTextWithOneLineEndAndTitlesTheWindow) {
    form.scriptEditor().setText(QStringLiteral("abc"));
    const QString path = scriptPath(QStringLiteral("new.vtl"));
    platform.files.choices << path;
    commands().saveAs->trigger();

    EXPECT_EQ(readBytes(path), QByteArray("abc\r\n"));
    EXPECT_EQ(shownTitle(), path);
    EXPECT_EQ(form.document().currentPath(), path);
    EXPECT_TRUE(platform.messages.shown.empty()) << "a new file needs no prompt";

    ASSERT_EQ(platform.files.shown.size(), 1U);
    const FileDialogRequest& dialog = platform.files.shown[0];
    EXPECT_EQ(dialog.kind, FileDialogRequest::Kind::Save);
    EXPECT_EQ(dialog.title, QStringLiteral("Vistrel"));
    EXPECT_EQ(dialog.filter,
              QStringLiteral("Vistrel Script (*.vtl) |*.vtl|Text Files (*.txt)|*.txt"));
    EXPECT_EQ(dialog.filterIndex, 1);
    EXPECT_EQ(dialog.initialFolder, QDir::toNativeSeparators(programDir.path() + "/scripts"));

    form.scriptEditor().setText(QString());
    commands().save->trigger();
    EXPECT_EQ(readBytes(path), QByteArray("\r\n")) << "an empty editor saves as a line end alone";
    EXPECT_EQ(platform.files.shown.size(), 1U) << "Save with a path shows no dialog";
    EXPECT_TRUE(platform.messages.shown.empty()) << "nor asks about the existing file";
}

TEST_F(DocumentTest, SaveAsOntoAnExistingFileAsksAndNoKeepsTheFile) {
    const QString path = scriptPath(QStringLiteral("old.vtl"));
    writeBytes(path, "old\r\n");
    form.scriptEditor().setText(QStringLiteral("new"));
    platform.files.choices << path;
    platform.messages.answers.push_back(MessageAnswer::No);
    commands().saveAs->trigger();

    ASSERT_EQ(platform.messages.shown.size(), 1U);
    const platform::Message& box = platform.messages.shown[0];
    EXPECT_EQ(box.text, QStringLiteral("Overwrite existing file?"));
    EXPECT_EQ(box.buttons, MessageButtons::YesNo);
    EXPECT_EQ(box.defaultButton, MessageAnswer::No);
    EXPECT_EQ(box.icon, MessageIcon::None);
    EXPECT_EQ(readBytes(path), QByteArray("old\r\n"));
    EXPECT_EQ(shownTitle(), path) << "the title and path already show the new name";
    EXPECT_EQ(form.document().currentPath(), path);

    platform.files.choices << path;
    platform.messages.answers.push_back(MessageAnswer::Yes);
    commands().saveAs->trigger();
    EXPECT_EQ(readBytes(path), QByteArray("new\r\n"));
}

TEST_F(DocumentTest, ACancelledDialogChangesNothing) {
    const QString path = openScript("Load.Merlin\r\n");
    commands().saveAs->trigger();  // no choice queued: cancelled
    commands().open->trigger();
    EXPECT_EQ(shownTitle(), path);
    EXPECT_EQ(form.document().currentPath(), path);
    EXPECT_EQ(form.scriptEditor().scriptText(), QStringLiteral("Load.Merlin"));
    EXPECT_EQ(platform.files.shown.size(), 2U);
}

TEST_F(DocumentTest, SaveWithoutAPathIsSaveAs) {
    form.scriptEditor().setText(QStringLiteral("x"));
    const QString path = scriptPath(QStringLiteral("first.vtl"));
    platform.files.choices << path;
    commands().save->trigger();
    EXPECT_EQ(readBytes(path), QByteArray("x\r\n"));
    EXPECT_EQ(shownTitle(), path);
}

TEST_F(DocumentTest, OpenShowsTheFileAndResetsTheLists) {
    const QString path = scriptPath(QStringLiteral("two.vtl"));
    writeBytes(path, "Load.Merlin\r\nLoad.Genie\r\nMerlin.Show\r\n");
    form.animationsList().addItem(QStringLiteral("Wave"));
    form.methodsList().addItems({QStringLiteral("Show"), QStringLiteral("Hide")});
    platform.files.choices << path;
    commands().open->trigger();

    EXPECT_EQ(form.scriptEditor().scriptText(),
              QStringLiteral("Load.Merlin\r\nLoad.Genie\r\nMerlin.Show"));
    EXPECT_EQ(shownTitle(), path);
    EXPECT_EQ(form.document().currentPath(), path);
    EXPECT_EQ(form.animationsList().count(), 0);
    EXPECT_EQ(entries(form.methodsList()), QStringList{QStringLiteral("Load.")});

    const FileDialogRequest& dialog = platform.files.shown.at(0);
    EXPECT_EQ(dialog.kind, FileDialogRequest::Kind::Open);
    EXPECT_EQ(dialog.title, QStringLiteral("Vistrel"));
    EXPECT_EQ(dialog.filter,
              QStringLiteral("Text Files (*.txt)|*.txt|Vistrel Script (*.vtl)|*.vtl"));
    EXPECT_EQ(dialog.filterIndex, 2);
    EXPECT_EQ(dialog.initialFolder, QDir::toNativeSeparators(programDir.path() + "/scripts"));
}

TEST_F(DocumentTest, AFileThatCannotBeReadLeavesTheEditorTitleAndPath) {
    const QString path = openScript("Merlin.Show\r\n");
    platform.files.choices << programDir.path();  // a folder
    commands().open->trigger();
    EXPECT_EQ(form.scriptEditor().scriptText(), QStringLiteral("Merlin.Show"));
    EXPECT_EQ(shownTitle(), path);
    EXPECT_EQ(form.document().currentPath(), path);
}

TEST_F(DocumentTest, AScriptTooLongToEditIsRefusedWithAMessage) {
    const QString path = openScript("Merlin.Show\r\n");
    const QString longPath = scriptPath(QStringLiteral("long.vtl"));
    writeBytes(longPath, QByteArray("Merlin.Show\r\n").repeated(document::kMaxEditorLines + 1));
    platform.files.choices << longPath;
    commands().open->trigger();

    ASSERT_EQ(platform.messages.shown.size(), 1U);
    EXPECT_EQ(platform.messages.shown[0].text,
              QStringLiteral("This script is too long to edit. This script has %1 lines: the "
                             "editor takes scripts of up to %2 lines.\n\nIt can still be "
                             "played: give its name to vtscripter on the command line.")
                  .arg(document::kMaxEditorLines + 1)
                  .arg(document::kMaxEditorLines));
    EXPECT_EQ(platform.messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(form.scriptEditor().scriptText(), QStringLiteral("Merlin.Show"));
    EXPECT_EQ(form.document().currentPath(), path);
}

TEST_F(DocumentTest, AUtf8ScriptIsSavedAsUtf8WithItsMark) {
    const QString path = openScript("\xef\xbb\xbfMerlin.Speak.Caf\xc3\xa9\r\n");
    form.scriptEditor().setText(form.scriptEditor().scriptText() +
                                QStringLiteral("\r\nMerlin.Speak.\u20ac"));
    commands().save->trigger();
    EXPECT_EQ(readBytes(path),
              QByteArray("\xef\xbb\xbfMerlin.Speak.Caf\xc3\xa9\r\nMerlin.Speak.\xe2\x82\xac\r\n"));
    commands().newScript->trigger();
    form.scriptEditor().setText(QStringLiteral("Caf\u00e9"));
    const QString fresh = scriptPath(QStringLiteral("fresh.vtl"));
    platform.files.choices << fresh;
    commands().saveAs->trigger();
    EXPECT_EQ(readBytes(fresh), QByteArray("Caf\xe9\r\n")) << "a new script is 8-bit text";
}

TEST_F(DocumentTest, NewEmptiesTheEditorAndForgetsThePathButKeepsTheLists) {
    openScript("Merlin.Show\r\n");
    form.animationsList().addItem(QStringLiteral("Wave"));
    commands().newScript->trigger();
    EXPECT_EQ(form.scriptEditor().scriptText(), QString());
    EXPECT_EQ(shownTitle(), kUntitled);
    EXPECT_FALSE(form.document().hasPath());
    EXPECT_EQ(form.animationsList().count(), 1);
    EXPECT_EQ(entries(form.methodsList()), QStringList{QStringLiteral("Load.")});
}

TEST_F(DocumentTest, CloseWithoutAPathAsksToSaveFirstAndKeepsTheScript) {
    form.scriptEditor().setText(QStringLiteral("unsaved"));
    commands().close->trigger();
    ASSERT_EQ(platform.messages.shown.size(), 1U);
    EXPECT_EQ(platform.messages.shown[0].text, QStringLiteral("Please save this script first"));
    EXPECT_EQ(platform.messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(platform.messages.shown[0].title, QStringLiteral("Vistrel"));
    EXPECT_EQ(platform.files.shown.size(), 1U) << "then Save As";
    EXPECT_EQ(form.scriptEditor().scriptText(), QStringLiteral("unsaved"));
    EXPECT_TRUE(commands().close->isEnabled());
}

TEST_F(DocumentTest, CloseAnsweredNoEmptiesEverythingKeepsThePathAndWorksOnce) {
    const QString path = openScript("Load.Merlin\r\n");
    form.scriptEditor().setText(QStringLiteral("changed"));
    form.animationsList().addItem(QStringLiteral("Wave"));
    platform.messages.answers.push_back(MessageAnswer::No);
    commands().close->trigger();

    EXPECT_EQ(messageTexts(), QStringList{QStringLiteral("Overwrite existing file?")});
    EXPECT_EQ(readBytes(path), QByteArray("Load.Merlin\r\n"));
    EXPECT_EQ(form.scriptEditor().scriptText(), QString());
    EXPECT_EQ(form.animationsList().count(), 0);
    EXPECT_EQ(form.methodsList().count(), 0);
    EXPECT_EQ(shownTitle(), kUntitled);
    EXPECT_EQ(form.document().currentPath(), path);
    EXPECT_FALSE(commands().close->isEnabled());

    form.scriptEditor().setText(QStringLiteral("after close"));
    commands().save->trigger();
    EXPECT_EQ(readBytes(path), QByteArray("after close\r\n"));
    EXPECT_TRUE(platform.files.shown.empty());
}

TEST_F(DocumentTest, CloseAnsweredYesSavesBeforeEmptying) {
    const QString path = openScript("Load.Merlin\r\n");
    form.scriptEditor().setText(QStringLiteral("Load.Genie"));
    platform.messages.answers.push_back(MessageAnswer::Yes);
    commands().close->trigger();
    EXPECT_EQ(readBytes(path), QByteArray("Load.Genie\r\n"));
    EXPECT_EQ(form.scriptEditor().scriptText(), QString());
}

TEST_F(DocumentTest, ASaveThatCannotBeWrittenIsToldAndLaterSavesWork) {
    form.scriptEditor().setText(QStringLiteral("text"));
    const QString unwritable = programDir.filePath(QStringLiteral("missing/folder/x.vtl"));
    platform.files.choices << unwritable;
    commands().saveAs->trigger();
    ASSERT_EQ(platform.messages.shown.size(), 1U);
    EXPECT_TRUE(platform.messages.shown[0].text.startsWith(
        QStringLiteral("The script could not be saved to %1:\n").arg(unwritable)));
    EXPECT_TRUE(platform.messages.shown[0].text.endsWith(
        QStringLiteral("\n\nYour text is still in the editor.")));
    EXPECT_EQ(form.scriptEditor().scriptText(), QStringLiteral("text"));

    const QString path = scriptPath(QStringLiteral("ok.vtl"));
    platform.files.choices << path;
    commands().saveAs->trigger();
    EXPECT_EQ(readBytes(path), QByteArray("text\r\n"));
}

}  // namespace
}  // namespace vistrel::test
