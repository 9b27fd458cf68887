// Sending the script by mail and playing a script received that way: from a saved mail given on
// the command line, and from a mail's text pasted into the editor.

#include "app/mainwindow.h"
#include "support/snapshot.h"
#include "support/windowfixture.h"

#include <QMenu>
#include <QTest>

namespace vistrel::test {
namespace {

const QByteArray kStart = "< V.T.L - SCRIPT START>";
const QByteArray kEnd = "<SCRIPT VTL.END>";

class SharingTest : public AppTest {
  protected:
    SharingTest() { addCharacter(QStringLiteral("Merlin")); }

    // One character loaded, and after its set-up the script's `requests`, nothing else.
    void expectPlayedExactly(const QStringList& requests) {
        const QStringList calls = callLines();
        EXPECT_EQ(calls.filter(QStringLiteral("Characters.Load(")).size(), 1)
            << calls.join('\n').toStdString();
        const qsizetype first = calls.indexOf(requests.value(0));
        ASSERT_GE(first, 0) << calls.join('\n').toStdString();
        EXPECT_EQ(calls.mid(first), requests);
    }
};

TEST_F(SharingTest, EmailSendsTheEditorTextBetweenTheMarkersAsItStandsNow) {
    form.start({});
    QMenu* file = form.findChild<QMenu*>(QStringLiteral("fileMenu"));
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(file->actions().contains(commands().email));
    EXPECT_EQ(commands().email->text(), "E&mail");
    EXPECT_TRUE(commands().email->isEnabled());
    file->popup({0, 0});
    saveSnapshot(file->grab().toImage(), QStringLiteral("file-menu"));
    file->close();
    commands().email->trigger();
    ASSERT_EQ(platform.mail.bodies.size(), 1);
    EXPECT_EQ(platform.mail.bodies[0], QString::fromLatin1(kStart + "\r\n\r\n" + kEnd))
        << "an empty script";

    const QString path = openScript("Load.Merlin\r\nMerlin.Show\r\n");
    form.scriptEditor().setText(QStringLiteral("Load.Merlin\r\nMerlin.Speak.Not saved, yet\r\n"));
    QTextCursor end = form.scriptEditor().textCursor();
    end.movePosition(QTextCursor::End);
    form.scriptEditor().setTextCursor(end);
    form.scriptEditor().setFocus();
    QTest::keyClicks(&form.scriptEditor(), QStringLiteral("Merlin.Hide"));
    ASSERT_TRUE(form.isWindowModified());
    commands().email->trigger();
    ASSERT_EQ(platform.mail.bodies.size(), 2);
    EXPECT_EQ(platform.mail.bodies[1],
              QString::fromLatin1(kStart +
                                  "\r\nLoad.Merlin\r\nMerlin.Speak.Not saved, yet\r\nMerlin.Hide"
                                  "\r\n" +
                                  kEnd));
    EXPECT_EQ(readBytes(path), QByteArray("Load.Merlin\r\nMerlin.Show\r\n"))
        << "mailing neither saves nor changes the script";
    EXPECT_EQ(form.scriptEditor().scriptText(),
              "Load.Merlin\r\nMerlin.Speak.Not saved, yet\r\nMerlin.Hide");
    EXPECT_TRUE(form.isWindowModified()) << "the changes are still to be saved";
    EXPECT_TRUE(platform.messages.shown.empty());
}

TEST_F(SharingTest, EmailSpeaksTheAssistantsHintFirstWhenHelpIsOn) {
    assistant.setAssumeFilesExist(true);
    form.start({});
    commands().email->trigger();
    EXPECT_TRUE(assistant.calls().empty());

    commands().helpOn->trigger();
    // What the assistant had been asked to say by the time the mail program opens.
    QString saidBeforeMail;
    platform.mail.onCompose = [&] {
        const agent::Call& last = assistant.calls().back();
        saidBeforeMail = last.member + ' ' + last.args.value(0);
    };
    commands().email->trigger();
    EXPECT_EQ(saidBeforeMail,
              "Speak " + agent::quoted("You need to be Running some form of Outlook to send "
                                       "email this way...The emails will contain your present "
                                       "script and be played by the recipient if they have "
                                       "VT2000 installed."));
    EXPECT_EQ(platform.mail.bodies.size(), 2);
}

TEST_F(SharingTest, ASavedMailOnTheCommandLinePlaysTheScriptBetweenTheMarkersAndStaysAsItIs) {
    const QByteArray mail =
        "From: ann@example.org\nSubject: a script for you\n\nHi! Here it is:\n" + kStart +
        "\nLoad.Merlin\nMerlin.Show\nMerlin.Speak.Hello Bob\n" + kEnd + "\n-- \nAnn\n";
    const QString path = scriptPath(QStringLiteral("received.eml"));
    writeBytes(path, mail);
    form.start({path});

    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(form.state().closeWhenAllHidden);
    EXPECT_EQ(readBytes(path), mail) << "the mail is not rewritten";
    expectPlayedExactly(QStringList{"Merlin.Show() -> #1", "Merlin.Speak(\"Hello Bob\") -> #2"});
    EXPECT_TRUE(platform.messages.shown.empty());
}

TEST_F(SharingTest, AMailSavedAsAScriptFilePlaysTheMarkedScriptAndStaysAsItIs) {
    const QByteArray mail = "Subject: hello\r\n\r\n" + kStart +
                            "\r\nLoad.Merlin\r\nMerlin.Show\r\n" + kEnd + "\r\nThanks\r\n";
    const QString path = scriptPath(QStringLiteral("From Ann.VTL"));
    writeBytes(path, mail);
    form.start({path});
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(readBytes(path), mail);
    expectPlayedExactly(QStringList{"Merlin.Show() -> #1"});
    EXPECT_TRUE(platform.messages.shown.empty());
}

TEST_F(SharingTest, AMailPastedIntoTheEditorPlaysTheScriptBetweenTheMarkers) {
    openScript("");
    form.scriptEditor().setText(QString::fromLatin1(
        "Dear Bob,\r\n" + kStart + "\r\nLoad.Merlin\r\nMerlin.Show\r\nMerlin.Hide\r\n\r\n" + kEnd +
        "\r\nBye"));
    control.clearCalls();
    commands().play->trigger();
    expectPlayedExactly(QStringList{"Merlin.Show() -> #1", "Merlin.Hide() -> #2"});
    EXPECT_TRUE(platform.messages.shown.empty()) << "no line of the mail around it is played";
}

}  // namespace
}  // namespace vistrel::test
