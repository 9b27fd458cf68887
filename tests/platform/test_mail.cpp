// A new message handed to the user's mail program: through xdg-email when it is installed, else
// as a mailto: link opened by the desktop, and quietly nothing when neither works.

#include "platform/qtplatform.h"

#include "support/qtprinters.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>
#include <QWidget>

namespace vistrel::test {
namespace {

// A script as it is mailed, with the characters a command line or a URL treats specially.
const QString kBody = QStringLiteral(
    "< V.T.L - SCRIPT START>\r\nLoad.Merlin\r\nMerlin.Speak.Fish & chips = 100% \"yum\" + "
    "caf\u00e9 #1?\r\n\r\n<SCRIPT VTL.END>");

// Receives the mailto: links the desktop would open.
class MailtoCatcher : public QObject {
    Q_OBJECT
  public:
    MailtoCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("mailto"), this, "open"); }
    ~MailtoCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("mailto")); }
    QList<QUrl> urls;

  public slots:
    void open(const QUrl& url) { urls << url; }
};

// PATH narrowed to one folder for the length of a test.
class MailTest : public testing::Test {
  protected:
    MailTest() : savedPath_(qgetenv("PATH")) { qputenv("PATH", tools.path().toLocal8Bit()); }
    ~MailTest() override { qputenv("PATH", savedPath_); }

    // An xdg-email in that folder that writes its arguments, each ended by a NUL, to `log`, and
    // ends with `status`.
    void installXdgEmail(int status) {
        QFile tool(tools.filePath(QStringLiteral("xdg-email")));
        ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
        tool.write(
            QStringLiteral(
                "#!/bin/sh\nPATH=/usr/bin:/bin\nprintf '%s\\0' \"$@\" > '%1.part'\nmv '%1.part' "
                "'%1'\nexit %2\n")
                .arg(log, QString::number(status))
                .toUtf8());
        tool.close();
        tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QStringList loggedArguments() {
        QFile file(log);
        if (!QTest::qWaitFor([&] { return file.exists(); }, 10000) ||
            !file.open(QIODevice::ReadOnly))
            return {QStringLiteral("<xdg-email did not run>")};
        QStringList arguments = QString::fromUtf8(file.readAll()).split(QChar(0));
        arguments.removeLast();  // after the last NUL
        return arguments;
    }

    static bool anyWindowShown() {
        const QWidgetList windows = QApplication::topLevelWidgets();
        return std::any_of(windows.begin(), windows.end(),
                           [](const QWidget* w) { return w->isVisible(); });
    }

    QTemporaryDir tools;
    QTemporaryDir logs;
    const QString log = logs.filePath(QStringLiteral("arguments"));

  private:
    QByteArray savedPath_;
};

TEST_F(MailTest, XdgEmailGetsTheTextAsTheBodyAndNoRecipientOrSubject) {
    installXdgEmail(0);
    MailtoCatcher desktop;
    platform::DesktopMailComposer().compose(kBody);
    EXPECT_EQ(loggedArguments(), (QStringList{"--utf8", "--body", kBody}));
    EXPECT_TRUE(desktop.urls.isEmpty()) << "one mail program is asked, not two";
}

TEST_F(MailTest, WithoutXdgEmailTheDesktopOpensAMailtoLinkCarryingTheText) {
    MailtoCatcher desktop;
    platform::DesktopMailComposer().compose(kBody);
    ASSERT_EQ(desktop.urls.size(), 1);
    const QUrl& url = desktop.urls[0];
    EXPECT_EQ(url.scheme(), "mailto");
    EXPECT_TRUE(url.path().isEmpty()) << "no recipient: " << url.toString().toStdString();
    const QUrlQuery query(url);
    EXPECT_EQ(query.queryItems(QUrl::FullyDecoded).size(), 1) << "the body only, no subject";
    EXPECT_EQ(query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded), kBody);
}

TEST_F(MailTest, AMailProgramThatFailsOrIsMissingShowsNothing) {
    installXdgEmail(3);
    platform::DesktopMailComposer().compose(kBody);
    EXPECT_EQ(loggedArguments().value(2), kBody);
    QTest::qWait(50);
    EXPECT_FALSE(anyWindowShown());

    QFile::remove(tools.filePath(QStringLiteral("xdg-email")));
    // The offscreen desktop opens no links at all: the fallback fails too.
    platform::DesktopMailComposer().compose(kBody);
    QTest::qWait(50);
    EXPECT_FALSE(anyWindowShown());
}

}  // namespace
}  // namespace vistrel::test

#include "test_mail.moc"
