// The File menu's commands on the main window: titles, dialogs, prompts and the files they
// leave on disk.

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
    QAction* action(const char* name) { return form.findChild<QAction*>(QLatin1String(name)); }
};

TEST_F(DocumentTest, SaveAsWritesTheTextWithOneLineEndAndTitlesTheWindow) {
    form.Text1().setText(QStringLiteral("abc"));
    const QString path = scriptPath(QStringLiteral("new.vtl"));
    platform.files.choices << path;
    form.mnuFileSave_Click();

    EXPECT_EQ(readBytes(path), QByteArray("abc\r\n"));
    EXPECT_EQ(form.windowTitle(), path);
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

    form.Text1().setText(QString());
    form.mnuStraightSave_Click();
    EXPECT_EQ(readBytes(path), QByteArray("\r\n")) << "an empty editor saves as a line end alone";
    EXPECT_EQ(platform.files.shown.size(), 1U) << "Save with a path shows no dialog";
    EXPECT_TRUE(platform.messages.shown.empty()) << "nor asks about the existing file";
}

TEST_F(DocumentTest, SaveAsOntoAnExistingFileAsksAndNoKeepsTheFile) {
    const QString path = scriptPath(QStringLiteral("old.vtl"));
    writeBytes(path, "old\r\n");
    form.Text1().setText(QStringLiteral("new"));
    platform.files.choices << path;
    platform.messages.answers.push_back(MessageAnswer::No);
    form.mnuFileSave_Click();

    ASSERT_EQ(platform.messages.shown.size(), 1U);
    const platform::Message& box = platform.messages.shown[0];
    EXPECT_EQ(box.text, QStringLiteral("Overwrite existing file?"));
    EXPECT_EQ(box.buttons, MessageButtons::YesNo);
    EXPECT_EQ(box.defaultButton, MessageAnswer::No);
    EXPECT_EQ(box.icon, MessageIcon::None);
    EXPECT_EQ(readBytes(path), QByteArray("old\r\n"));
    EXPECT_EQ(form.windowTitle(), path) << "the title and path already show the new name";
    EXPECT_EQ(form.document().currentPath(), path);

    platform.files.choices << path;
    platform.messages.answers.push_back(MessageAnswer::Yes);
    form.mnuFileSave_Click();
    EXPECT_EQ(readBytes(path), QByteArray("new\r\n"));
}

TEST_F(DocumentTest, ACancelledDialogChangesNothing) {
    const QString path = openScript("Load.Merlin\r\n");
    form.mnuFileSave_Click();  // no choice queued: cancelled
    form.mnuFileOpen_Click();
    EXPECT_EQ(form.windowTitle(), path);
    EXPECT_EQ(form.document().currentPath(), path);
    EXPECT_EQ(form.Text1().scriptText(), QStringLiteral("Load.Merlin"));
    EXPECT_EQ(platform.files.shown.size(), 2U);
}

TEST_F(DocumentTest, SaveWithoutAPathIsSaveAs) {
    form.Text1().setText(QStringLiteral("x"));
    const QString path = scriptPath(QStringLiteral("first.vtl"));
    platform.files.choices << path;
    form.mnuStraightSave_Click();
    EXPECT_EQ(readBytes(path), QByteArray("x\r\n"));
    EXPECT_EQ(form.windowTitle(), path);
}

TEST_F(DocumentTest, OpenShowsTheFileAndResetsTheLists) {
    const QString path = scriptPath(QStringLiteral("two.vtl"));
    writeBytes(path, "Load.Merlin\r\nLoad.Genie\r\nMerlin.Show\r\n");
    form.lstAnimations().addItem(QStringLiteral("Wave"));
    form.lstvar().addItems({QStringLiteral("Show"), QStringLiteral("Hide")});
    platform.files.choices << path;
    form.mnuFileOpen_Click();

    EXPECT_EQ(form.Text1().scriptText(), QStringLiteral("Load.Merlin\r\nLoad.Genie\r\nMerlin.Show"));
    EXPECT_EQ(form.windowTitle(), path);
    EXPECT_EQ(form.document().currentPath(), path);
    EXPECT_EQ(form.lstAnimations().count(), 0);
    EXPECT_EQ(entries(form.lstvar()), QStringList{QStringLiteral("Load.")});

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
    form.mnuFileOpen_Click();
    EXPECT_EQ(form.Text1().scriptText(), QStringLiteral("Merlin.Show"));
    EXPECT_EQ(form.windowTitle(), path);
    EXPECT_EQ(form.document().currentPath(), path);
}

TEST_F(DocumentTest, NewEmptiesTheEditorAndForgetsThePathButKeepsTheLists) {
    openScript("Merlin.Show\r\n");
    form.lstAnimations().addItem(QStringLiteral("Wave"));
    form.mnuFileNew_Click();
    EXPECT_EQ(form.Text1().scriptText(), QString());
    EXPECT_EQ(form.windowTitle(), kUntitled);
    EXPECT_FALSE(form.document().hasPath());
    EXPECT_EQ(form.lstAnimations().count(), 1);
    EXPECT_EQ(entries(form.lstvar()), QStringList{QStringLiteral("Load.")});
}

TEST_F(DocumentTest, CloseWithoutAPathAsksToSaveFirstAndKeepsTheScript) {
    form.Text1().setText(QStringLiteral("unsaved"));
    form.mnuFileClose_Click();
    ASSERT_EQ(platform.messages.shown.size(), 1U);
    EXPECT_EQ(platform.messages.shown[0].text, QStringLiteral("Please save this script first"));
    EXPECT_EQ(platform.messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(platform.messages.shown[0].title, QStringLiteral("Vistrel"));
    EXPECT_EQ(platform.files.shown.size(), 1U) << "then Save As";
    EXPECT_EQ(form.Text1().scriptText(), QStringLiteral("unsaved"));
    EXPECT_TRUE(action("mnuFileClose")->isEnabled());
}

TEST_F(DocumentTest, CloseAnsweredNoEmptiesEverythingKeepsThePathAndWorksOnce) {
    const QString path = openScript("Load.Merlin\r\n");
    form.Text1().setText(QStringLiteral("changed"));
    form.lstAnimations().addItem(QStringLiteral("Wave"));
    platform.messages.answers.push_back(MessageAnswer::No);
    form.mnuFileClose_Click();

    EXPECT_EQ(messageTexts(), QStringList{QStringLiteral("Overwrite existing file?")});
    EXPECT_EQ(readBytes(path), QByteArray("Load.Merlin\r\n"));
    EXPECT_EQ(form.Text1().scriptText(), QString());
    EXPECT_EQ(form.lstAnimations().count(), 0);
    EXPECT_EQ(form.lstvar().count(), 0);
    EXPECT_EQ(form.windowTitle(), kUntitled);
    EXPECT_EQ(form.document().currentPath(), path);
    EXPECT_FALSE(action("mnuFileClose")->isEnabled());

    form.Text1().setText(QStringLiteral("after close"));
    form.mnuStraightSave_Click();
    EXPECT_EQ(readBytes(path), QByteArray("after close\r\n"));
    EXPECT_TRUE(platform.files.shown.empty());
}

TEST_F(DocumentTest, CloseAnsweredYesSavesBeforeEmptying) {
    const QString path = openScript("Load.Merlin\r\n");
    form.Text1().setText(QStringLiteral("Load.Genie"));
    platform.messages.answers.push_back(MessageAnswer::Yes);
    form.mnuFileClose_Click();
    EXPECT_EQ(readBytes(path), QByteArray("Load.Genie\r\n"));
    EXPECT_EQ(form.Text1().scriptText(), QString());
}

TEST_F(DocumentTest, ASaveThatCannotBeWrittenIsSilentAndLaterSavesWork) {
    form.Text1().setText(QStringLiteral("text"));
    platform.files.choices << programDir.filePath(QStringLiteral("missing/folder/x.vtl"));
    form.mnuFileSave_Click();
    EXPECT_TRUE(platform.messages.shown.empty());

    const QString path = scriptPath(QStringLiteral("ok.vtl"));
    platform.files.choices << path;
    form.mnuFileSave_Click();
    EXPECT_EQ(readBytes(path), QByteArray("text\r\n"));
}

}  // namespace
}  // namespace vistrel::test
