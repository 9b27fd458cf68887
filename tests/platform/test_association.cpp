// Script files registered with the desktop in a user's data and configuration folders.

#include "platform/association.h"

#include "support/qtprinters.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace vistrel::test {
namespace {

using platform::DesktopFolders;

QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

class AssociationTest : public testing::Test {
  protected:
    AssociationTest() : folders{home.filePath("data"), home.filePath("config")} {
        icon.fill(Qt::darkBlue);
    }

    QStringList registerFrom(const QString& program) {
        return platform::registerScriptFileType(
            folders, program, icon, [this](const QString& tool, const QStringList& args) {
                tools << tool + ' ' + args.join(' ');
            });
    }
    QString data(const QString& relative) const { return folders.dataHome + '/' + relative; }

    QTemporaryDir home;
    DesktopFolders folders;
    QImage icon{64, 64, QImage::Format_ARGB32};
    QStringList tools;
};

TEST_F(AssociationTest, TheFirstStartWritesEveryPieceAndTheSecondChangesNothing) {
    const QString mime = data("mime/packages/org.vistrel.Scripter.xml");
    const QString entry = data("applications/org.vistrel.Scripter.desktop");
    const QString mimeApps = folders.configHome + "/mimeapps.list";
    const QStringList written = registerFrom("/opt/tools/vtscripter");
    EXPECT_EQ(written,
              (QStringList{mime, entry, data("icons/hicolor/48x48/apps/org.vistrel.Scripter.png"),
                           data("icons/hicolor/256x256/apps/org.vistrel.Scripter.png"), mimeApps}));
    EXPECT_EQ(tools, (QStringList{"update-mime-database " + data("mime"),
                                  "update-desktop-database " + data("applications")}));

    const QByteArray mimeText = read(mime);
    EXPECT_TRUE(mimeText.contains("<mime-type type=\"text/x-vistrel-script\">"));
    EXPECT_TRUE(mimeText.contains("<comment>Vistrel Script</comment>"));
    EXPECT_TRUE(mimeText.contains("<acronym>VTL</acronym>"));
    EXPECT_TRUE(mimeText.contains("<glob pattern=\"*.vtl\"/>"));
    const QByteArray entryText = read(entry);
    EXPECT_TRUE(entryText.contains("\nExec=/opt/tools/vtscripter %f\n")) << entryText.constData();
    EXPECT_TRUE(entryText.contains("\nMimeType=text/x-vistrel-script;\n"));
    EXPECT_EQ(QImage(data("icons/hicolor/48x48/apps/org.vistrel.Scripter.png")).size(),
              QSize(48, 48));
    EXPECT_EQ(read(mimeApps),
              "[Default Applications]\ntext/x-vistrel-script=org.vistrel.Scripter.desktop\n");

    auto stamps = [&] {
        QList<QDateTime> times;
        for (const QString& path : written)
            times << QFileInfo(path).lastModified();
        return times;
    };
    const QList<QDateTime> before = stamps();
    QTest::qWait(20);  // past the file system's time resolution
    tools.clear();
    EXPECT_TRUE(registerFrom("/opt/tools/vtscripter").isEmpty());
    EXPECT_TRUE(tools.isEmpty()) << "no cache is refreshed when nothing changed";
    EXPECT_EQ(stamps(), before);

    // Started from another folder: only the entry moves with it.
    EXPECT_EQ(registerFrom("/home/ann/My Programs/vtscripter"), QStringList{entry});
    EXPECT_TRUE(read(entry).contains("\nExec=\"/home/ann/My Programs/vtscripter\" %f\n"));
    EXPECT_EQ(tools, QStringList{"update-desktop-database " + data("applications")});
}

TEST_F(AssociationTest, AnotherDefaultOfTheUsersIsKeptAndOursReplacedInPlace) {
    QDir().mkpath(folders.configHome);
    QFile list(folders.configHome + "/mimeapps.list");
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write(
        "[Added Associations]\ntext/plain=gedit.desktop;\n\n[Default Applications]\n"
        "text/plain=gedit.desktop\ntext/x-vistrel-script=other.desktop\n");
    list.close();
    registerFrom("/usr/bin/vtscripter");
    EXPECT_EQ(read(list.fileName()),
              "[Added Associations]\ntext/plain=gedit.desktop;\n\n[Default Applications]\n"
              "text/plain=gedit.desktop\ntext/x-vistrel-script=org.vistrel.Scripter.desktop\n");
}

TEST_F(AssociationTest, AListKeptElsewhereBehindALinkIsWrittenThere) {
    // As when the user's settings live in a folder of their own, linked into place.
    QDir().mkpath(home.filePath("dotfiles"));
    QDir().mkpath(folders.configHome);
    QFile kept(home.filePath("dotfiles/mimeapps.list"));
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly));
    kept.write("[Default Applications]\ntext/plain=gedit.desktop\n");
    kept.close();
    const QString link = folders.configHome + "/mimeapps.list";
    ASSERT_TRUE(QFile::link(kept.fileName(), link));
    registerFrom("/usr/bin/vtscripter");
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(read(kept.fileName()),
              "[Default Applications]\ntext/x-vistrel-script=org.vistrel.Scripter.desktop\n"
              "text/plain=gedit.desktop\n");
}

TEST_F(AssociationTest, AUsersListTooLargeToReadIsLeftAsItIs) {
    QDir().mkpath(folders.configHome);
    QFile list(folders.configHome + "/mimeapps.list");
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("[Added Associations]\n");
    for (int i = 0; list.size() <= (1 << 20); ++i)
        list.write(QStringLiteral("application/x-type-%1=app%1.desktop;\n").arg(i).toUtf8());
    list.close();
    const QByteArray before = read(list.fileName());
    const QStringList written = registerFrom("/usr/bin/vtscripter");
    EXPECT_FALSE(written.contains(list.fileName()));
    EXPECT_TRUE(read(list.fileName()) == before) << "the user's associations are kept";
}

TEST_F(AssociationTest, FoldersThatCannotBeWrittenWriteNothingAndFailQuietly) {
    // Beneath a plain file no folder can be made, whoever the user is.
    QFile blocker(home.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    folders = {blocker.fileName() + "/data", blocker.fileName() + "/config"};
    EXPECT_TRUE(registerFrom("/usr/bin/vtscripter").isEmpty());
    EXPECT_TRUE(tools.isEmpty());
}

TEST(DesktopEntryExec, QuotesAndEscapesWhatTheExecKeyReserves) {
    using platform::execArgument;
    EXPECT_EQ(execArgument("/usr/lib/vtscripter/vtscripter"), "/usr/lib/vtscripter/vtscripter");
    EXPECT_EQ(execArgument("/a b/vt"), "\"/a b/vt\"");
    // "$" and a backslash escaped inside the quotes, then every backslash once more.
    EXPECT_EQ(execArgument("/x$y/v\\t"), "\"/x\\\\$y/v\\\\\\\\t\"");
    EXPECT_EQ(execArgument("/100%/vt"), "/100%%/vt");
}

// With the real desktop tools, the type and the default are found as a file manager finds them.
TEST_F(AssociationTest, TheDesktopToolsFindTheTypeAndItsDefault) {
    // shared-mime-info, xdg-utils, and GLib's gio through which xdg-mime asks on GNOME
    for (const char* tool : {"update-mime-database", "xdg-mime", "gio"})
        if (QStandardPaths::findExecutable(tool).isEmpty())
            GTEST_SKIP() << tool << " is not installed";
    platform::registerScriptFileType(folders, "/usr/bin/vtscripter", icon,
                                     platform::systemToolRunner());
    ASSERT_TRUE(QFileInfo::exists(data("mime/mime.cache")));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", folders.dataHome);
    env.insert("XDG_CONFIG_HOME", folders.configHome);
    env.insert("XDG_CURRENT_DESKTOP", "GNOME");
    auto query = [&](const QStringList& args) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start("xdg-mime", args);
        p.waitForFinished(20000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    };
    EXPECT_EQ(query({"query", "default", "text/x-vistrel-script"}), "org.vistrel.Scripter.desktop");
    // A script is known by its name, in any case.
    for (const char* name : {"some.VTL", "demo.vtl", "Mixed.Vtl"}) {
        QFile script(home.filePath(name));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("Load.Merlin\r\nMerlin.Show\r\n");
        script.close();
        EXPECT_EQ(query({"query", "filetype", script.fileName()}), "text/x-vistrel-script") << name;
    }
    // The database a file manager reads knows the type and its glob.
    EXPECT_TRUE(QFileInfo::exists(data("mime/text/x-vistrel-script.xml")));
    EXPECT_TRUE(read(data("mime/globs2")).contains("text/x-vistrel-script:*.vtl"));
}

}  // namespace
}  // namespace vistrel::test
