// The desktop stage on a real X server (run under xvfb-run): the character's window shows at
// its position with the desktop through its transparent pixels, and real pointer clicks and
// drags, sent through the X server, reach the scene.

#include "support/fakescene.h"
#include "support/snapshot.h"

#include "stage/desktop/desktopstage.h"
#include "stage/desktop/display.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QWidget>

using namespace vistrel;
using namespace vistrel::scene;
using namespace vistrel::desktop;
using vistrel::engine::testing::FakeScene;
using vistrel::engine::testing::makeFrame;

namespace {

const QColor kDesktop(30, 90, 160);
const QColor kRed(220, 30, 30);
const QRect kHole(30, 40, 20, 20);
const QPoint kAt(200, 150);

// A plain coloured desktop under the characters.
class Wallpaper : public QWidget {
  public:
    Wallpaper() : QWidget(nullptr, Qt::FramelessWindowHint) {}

  protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), kDesktop); }
    void mouseReleaseEvent(QMouseEvent*) override { ++clicks; }

  public:
    int clicks = 0;
};

QImage grabScreen() {
    QCoreApplication::processEvents();
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

// Waits until the screen shows `colour` at `point`, for windows the X server maps late.
bool waitForColour(QPoint point, QColor colour) {
    for (int i = 0; i < 50; ++i) {
        if (grabScreen().pixelColor(point) == colour)
            return true;
        QTest::qWait(20);
    }
    return false;
}

class X11Desktop : public ::testing::Test {
  protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X server (run under xvfb-run)";
        xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        wallpaper.setGeometry(QGuiApplication::primaryScreen()->geometry());
        wallpaper.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&wallpaper));
        scene.add("Merlin", kAt, makeFrame({80, 100}, kRed, 10, kHole));
        stage = std::make_unique<DesktopStage>(scene);
        // The same checks hold on a bare X server (windows cut by masks) and under a
        // compositing manager (windows with per-pixel alpha).
        const bool composited = qEnvironmentVariableIsSet("VISTREL_EXPECT_COMPOSITOR");
        for (int i = 0; i < 100 && composited && !compositorRunning(); ++i)
            QTest::qWait(50);  // the compositing manager starts beside the test
        ASSERT_EQ(compositorRunning(), composited);
        ASSERT_EQ(stage->characterWindow("Merlin")->testAttribute(Qt::WA_TranslucentBackground),
                  composited);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(stage->characterWindow("Merlin")));
        ASSERT_TRUE(waitForColour(kAt + QPoint(15, 15), kRed));
    }

    // Sends pointer actions through the X server, as a person's mouse would.
    void pointer(const QStringList& arguments) {
        ASSERT_EQ(QProcess::execute(xdotool, arguments), 0);
        // Let the X server deliver and Qt handle what was sent.
        for (int i = 0; i < 5; ++i) {
            QTest::qWait(20);
            QCoreApplication::processEvents();
        }
    }

    Wallpaper wallpaper;
    FakeScene scene;
    std::unique_ptr<DesktopStage> stage;
    QString xdotool;
};

}  // namespace

TEST_F(X11Desktop, CharacterAppearsAtItsPositionWithTheDesktopThroughItsTransparentPixels) {
    const QImage screen = grabScreen();
    saveSnapshot(screen, QStringLiteral("x11-desktop"));
    EXPECT_EQ(screen.pixelColor(kAt + QPoint(10, 10)), kRed);
    EXPECT_EQ(screen.pixelColor(kAt + QPoint(69, 89)), kRed);
    EXPECT_EQ(screen.pixelColor(kAt + QPoint(9, 10)), kDesktop);
    EXPECT_EQ(screen.pixelColor(kAt + QPoint(5, 5)), kDesktop);
    EXPECT_EQ(screen.pixelColor(kAt + kHole.center()), kDesktop);
    EXPECT_EQ(screen.pixelColor(kAt + QPoint(70, 89)), kDesktop);

    scene.say("Merlin", scene::BalloonKind::Speak, QStringLiteral("Hello from the real desktop!"));
    QTest::qWait(100);
    const QImage withBalloon = grabScreen();
    saveSnapshot(withBalloon, QStringLiteral("x11-desktop-balloon-%1")
                                  .arg(compositorRunning() ? "composited" : "masked"));
    int balloon = 0;
    for (int y = 0; y < kAt.y(); ++y)
        for (int x = 0; x < withBalloon.width(); ++x)
            balloon +=
                withBalloon.pixelColor(x, y) == scene.view("Merlin").balloon.style.background;
    EXPECT_GT(balloon, 1000);
}

TEST_F(X11Desktop, RealClickAndDragRaiseClickAndDragComplete) {
    if (xdotool.isEmpty())
        GTEST_SKIP() << "xdotool is not installed";
    const QPoint spot = kAt + QPoint(20, 20);
    pointer({"mousemove", QString::number(spot.x()), QString::number(spot.y()), "click", "1"});
    EXPECT_EQ(scene.calls,
              QStringList{QStringLiteral("click Merlin 1 0 %1,%2").arg(spot.x()).arg(spot.y())});

    // Through the hole the click reaches the desktop, not the character.
    scene.calls.clear();
    const QPoint hole = kAt + kHole.center();
    pointer({"mousemove", QString::number(hole.x()), QString::number(hole.y()), "click", "1"});
    EXPECT_TRUE(scene.calls.isEmpty()) << scene.calls.join("; ").toStdString();
    EXPECT_EQ(wallpaper.clicks, 1);

    scene.calls.clear();
    pointer({"mousemove", QString::number(spot.x()), QString::number(spot.y())});
    pointer({"mousedown", "1"});
    pointer({"mousemove", QString::number(spot.x() + 60), QString::number(spot.y() + 10)});
    pointer({"mousemove", QString::number(spot.x() + 150), QString::number(spot.y() + 40)});
    pointer({"mouseup", "1"});
    ASSERT_FALSE(scene.calls.isEmpty());
    EXPECT_TRUE(scene.calls.first().startsWith("dragTo Merlin"));
    EXPECT_EQ(
        scene.calls.last(),
        QStringLiteral("dragComplete Merlin 1 0 %1,%2").arg(spot.x() + 150).arg(spot.y() + 40));
    const QPoint moved = kAt + QPoint(150, 40);
    EXPECT_EQ(scene.view("Merlin").position, moved);
    ASSERT_TRUE(waitForColour(moved + QPoint(15, 15), kRed));
    const QImage screen = grabScreen();
    saveSnapshot(screen, QStringLiteral("x11-desktop-dragged"));
    EXPECT_EQ(screen.pixelColor(kAt + QPoint(15, 15)), kDesktop);
    EXPECT_EQ(screen.pixelColor(moved + kHole.center()), kDesktop);
}
