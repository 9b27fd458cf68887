// Composing in the real program on a real X server: Load All brings Merlin onto the desktop,
// a click on his window made through the X server makes him active, and a double-click on
// "Show" in the Methods list types his Show command into the script.

#include "app/mainwindow.h"
#include "app/services.h"
#include "platform/testing/scripted.h"
#include "scene/scene.h"
#include "stage/desktop/desktopstage.h"
#include "support/qtprinters.h"
#include "support/snapshot.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDeadlineTimer>
#include <QDir>
#include <QGuiApplication>
#include <QListWidget>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace vistrel::test {
namespace {

QString xdotool() {
    return QStandardPaths::findExecutable(QStringLiteral("xdotool"));
}

// Sends pointer actions through the X server, as a person's mouse would, and lets Qt handle
// what arrives.
void pointer(const QStringList& arguments) {
    ASSERT_EQ(QProcess::execute(xdotool(), arguments), 0);
    for (int i = 0; i < 5; ++i) {
        QTest::qWait(30);
        QCoreApplication::processEvents();
    }
}

// Lets the program run until `done` holds or `ms` milliseconds have passed; whether it holds.
template <typename Done>
bool waitFor(Done&& done, int ms) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(20);
    }
    return true;
}

QStringList at(QPoint point) {
    return {QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y())};
}

// A point of the character's window where the character is drawn (not a see-through pixel).
std::optional<QPoint> solidPoint(const scene::Scene& scene, const QString& id) {
    const scene::CharacterView view = scene.view(id);
    if (view.frame.isNull())
        return std::nullopt;
    const QPoint centre = view.frame.rect().center();
    for (int r = 0; r < view.frame.width() / 2; ++r)
        for (const QPoint d : {QPoint(r, 0), QPoint(-r, 0), QPoint(0, r), QPoint(0, -r)})
            if (view.frame.rect().contains(centre + d) &&
                qAlpha(view.frame.pixel(centre + d)) == 255)
                return view.position + centre + d;
    return std::nullopt;
}

TEST(ComposeOnX11, ClickTheCharacterThenDoubleClickShow) {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X server (run under xvfb-run)";
    if (xdotool().isEmpty())
        GTEST_SKIP() << "xdotool is not installed";
    const QString programFolder = QStringLiteral(VISTREL_PROGRAM_DIR);
    if (!QFileInfo::exists(QStringLiteral(VISTREL_BUILT_CHARS_DIR "/Merlin.acs")))
        GTEST_SKIP() << "the shipped characters are not built";

    QTemporaryDir work;
    const QString script = QDir(work.path()).filePath(QStringLiteral("compose.vtl"));
    {
        QFile f(script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Load.Merlin\r\n");
    }
    platform::testing::ScriptedPlatform platform;  // no setting: the shipped characters
    app::CharacterServices services = app::createCharacterServices(programFolder);
    app::MainWindow window(platform.platform(), *services.scriptService, *services.assistantService,
                           programFolder);
    app::keepCharactersBeside(services, window);
    window.start({script, QStringLiteral("/ed")});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTextCursor start = window.scriptEditor().textCursor();
    start.movePosition(QTextCursor::Start);
    window.scriptEditor().setTextCursor(start);

    window.commands().loadAll->trigger();
    ASSERT_EQ(window.state().cast.size(), 1);
    QWidget* merlin = nullptr;
    ASSERT_TRUE(waitFor(
        [&] {
            merlin = services.stages.front()->characterWindow(QStringLiteral("Merlin"));
            return merlin && merlin->isVisible() && solidPoint(*services.scriptScene, "Merlin");
        },
        10000));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(merlin));
    EXPECT_FALSE(merlin->frameGeometry().intersects(window.frameGeometry()))
        << "Merlin stands beside the main window";

    const QPoint spot = *solidPoint(*services.scriptScene, QStringLiteral("Merlin"));
    pointer(at(spot) << QStringLiteral("click") << QStringLiteral("1"));
    ASSERT_TRUE(waitFor([&] { return window.methodsList().count() == 13; }, 5000));
    EXPECT_EQ(window.statusText(), QStringLiteral("Active Character - Merlin"));
    EXPECT_GT(window.animationsList().count(), 5);

    QListWidget& methods = window.methodsList();
    QListWidgetItem* show = methods.findItems(QStringLiteral("Show"), Qt::MatchExactly).front();
    const QPoint showAt = methods.viewport()->mapToGlobal(methods.visualItemRect(show).center());
    pointer(at(showAt) << QStringLiteral("click") << QStringLiteral("--repeat")
                       << QStringLiteral("2") << QStringLiteral("--delay") << QStringLiteral("80")
                       << QStringLiteral("1"));
    waitFor([&] { return window.scriptEditor().scriptText().contains(QLatin1String("Show")); },
            5000);
    EXPECT_EQ(window.scriptEditor().scriptText(), QStringLiteral("Merlin.Show\r\nLoad.Merlin"));
    if (QScreen* screen = QGuiApplication::primaryScreen())
        saveSnapshot(screen->grabWindow(0).toImage(), QStringLiteral("x11-compose"));
}

}  // namespace
}  // namespace vistrel::test
