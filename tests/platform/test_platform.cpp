// The Qt side of the platform layer that works without a person: dialog filters, the settings
// store, the characters folder, and keystrokes reaching the focused editor.

#include "app/artwork.h"
#include "platform/filedialog.h"
#include "platform/paths.h"
#include "platform/qtplatform.h"
#include "support/windowfixture.h"

#include <QSettings>
#include <QStandardPaths>
#include <QTest>

namespace vistrel::test {
namespace {

TEST(NameFilters, TurnDialogFiltersIntoQtFilters) {
    EXPECT_EQ(platform::nameFilters(
                  QStringLiteral("Vistrel Script (*.vtl) |*.vtl|Text Files (*.txt)|*.txt")),
              (QStringList{"Vistrel Script (*.vtl)", "Text Files (*.txt)"}));
    EXPECT_EQ(platform::nameFilters(QStringLiteral("Wav Files|*.wav;*.wave|Odd")),
              QStringList{QStringLiteral("Wav Files (*.wav *.wave)")});
    EXPECT_EQ(platform::nameFilters(QStringLiteral("|*.vtl")), QStringList{"(*.vtl)"});
    EXPECT_TRUE(platform::nameFilters(QString()).isEmpty());
}

TEST(FileDialog, KeepsItsSettingsAndTakesTheChosenNameOnlyOnSuccess) {
    platform::testing::ScriptedFileDialogs dialogs;
    platform::FileDialog dialog(dialogs);
    dialog.setFileName(QStringLiteral("/a.vtl"));
    dialog.setFilter(QStringLiteral("Wav Files (*.wav)|*.wav"));
    EXPECT_FALSE(dialog.showOpen());
    EXPECT_EQ(dialog.fileName(), QStringLiteral("/a.vtl"));
    dialogs.choices << QStringLiteral("/b.wav");
    EXPECT_TRUE(dialog.showOpen());
    EXPECT_EQ(dialog.fileName(), QStringLiteral("/b.wav"));
    EXPECT_EQ(dialogs.shown.back().fileName, QStringLiteral("/a.vtl")) << "starts on the last";
    EXPECT_EQ(dialogs.shown.back().filter, QStringLiteral("Wav Files (*.wav)|*.wav"));
}

TEST(QtSettingsStore, KeepsValuesBetweenInstances) {
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    platform::QtSettingsStore store;
    EXPECT_EQ(store.value("Vtl", "Dir", "Dir", "fallback"), QStringLiteral("fallback"));
    store.setValue("Vtl", "Dir", "Dir", "/home/me/chars");
    EXPECT_EQ(platform::QtSettingsStore().value("Vtl", "Dir", "Dir", "fallback"),
              QStringLiteral("/home/me/chars"));
    EXPECT_EQ(store.value("Vtl", "Other", "Dir", "x"), QStringLiteral("x"));
}

TEST(CharactersDataFolder, FollowsTheBuildTreeOrTheInstalledLayout) {
    QTemporaryDir root;
    QDir dir(root.path());
    dir.mkpath("build/bin");
    dir.mkpath("prefix/lib/vtscripter");
    const QString build = dir.filePath("build/bin");
    const QString installed = dir.filePath("prefix/lib/vtscripter");
    EXPECT_EQ(platform::charactersDataFolder(build), dir.filePath("build/share/vistrel/chars"));
    EXPECT_EQ(platform::charactersDataFolder(installed),
              dir.filePath("prefix/share/vistrel/chars"));
    dir.mkpath("prefix/lib/share/vistrel/chars");
    EXPECT_EQ(platform::charactersDataFolder(installed),
              dir.filePath("prefix/lib/share/vistrel/chars"))
        << "an existing folder wins over the layout's guess";
}

TEST(QtKeystrokes, ArriveAtTheFocusedEditorAfterTheSenderReturnsInOrder) {
    document::ScriptEditor editor;
    editor.show();
    editor.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    editor.setFocus();
    editor.setText(QStringLiteral("before after"));
    QTextCursor cursor = editor.textCursor();
    cursor.setPosition(7);
    editor.setTextCursor(cursor);

    platform::QtKeystrokes keys;
    keys.send(QStringLiteral("Merlin.Show"), true);
    keys.send(QStringLiteral("caf\u00e9 \U0001F600"), false);
    EXPECT_EQ(editor.scriptText(), QStringLiteral("before after"))
        << "nothing before the event loop";
    QTRY_COMPARE_WITH_TIMEOUT(editor.scriptText(),
                              QStringLiteral("before Merlin.Show\r\ncaf\u00e9 \U0001F600after"),
                              2000);
}

TEST(QtRichTooltip, ShowsThePictureAndTextOnTheScreen) {
    platform::QtRichTooltip tooltip;
    tooltip.setOptions(0, 6, 4);
    QImage picture(32, 32, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    tooltip.setPicture(picture);
    tooltip.setHtml(QStringLiteral("<b>Welcome</b>"));
    tooltip.show(5000, 5000);
    ASSERT_NE(tooltip.window(), nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(tooltip.window()->isVisible(), 2000);
    const QRect screen = tooltip.window()->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(tooltip.window()->geometry())) << "kept on the screen";
    // The program's own picture and welcome text fit on the screen too.
    tooltip.setPicture(app::programIcon(48));
    tooltip.setHtml(app::MainWindow::welcomeHtml());
    tooltip.show(0, 0);
    QTRY_VERIFY_WITH_TIMEOUT(tooltip.window()->isVisible(), 2000);
    EXPECT_TRUE(screen.contains(tooltip.window()->geometry()));
}

}  // namespace
}  // namespace vistrel::test
