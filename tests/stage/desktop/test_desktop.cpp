// The desktop stage with real windows on the offscreen platform: one shaped window per
// character and one per balloon, kept in step with the scene, turning the pointer into input.

#include "support/fakescene.h"
#include "support/snapshot.h"

#include "stage/desktop/desktopstage.h"
#include "stage/desktop/display.h"
#include "stage/desktop/popuppresenter.h"
#include "stage/presentation/balloon.h"
#include "stage/presentation/shape.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QStyleHints>
#include <QTest>
#include <QWidget>

using namespace vistrel;
using namespace vistrel::scene;
using namespace vistrel::presentation;
using namespace vistrel::desktop;
using vistrel::engine::testing::FakeScene;
using vistrel::engine::testing::makeFrame;

namespace {

const QColor kRed(220, 30, 30);
const QColor kGreen(40, 200, 60);
const QRect kHole(30, 40, 20, 20);

// Picks one entry of the menu the moment it opens, and remembers what it was shown.
class PickingPresenter : public PopupPresenter {
  public:
    explicit PickingPresenter(QString pick, std::vector<PopupItem>* shown, QPoint* where)
        : m_pick(std::move(pick)), m_shown(shown), m_where(where) {}
    void popup(const std::vector<PopupItem>& items, QPoint screenPos,
               std::function<void(std::size_t)> chosen) override {
        *m_shown = items;
        *m_where = screenPos;
        for (std::size_t i = 0; i < items.size(); ++i)
            if (items[i].text == m_pick)
                chosen(i);
    }

  private:
    QString m_pick;
    std::vector<PopupItem>* m_shown;
    QPoint* m_where;
};

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
  public:
    int count = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

void settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

class Desktop : public ::testing::Test {
  protected:
    Desktop() {
        scene.add("Merlin", {100, 120}, makeFrame({80, 100}, kRed, 10, kHole));
        stage = std::make_unique<DesktopStage>(scene, DesktopOptions{false});
        settle();
    }
    QWidget& window(const QString& id = QStringLiteral("Merlin")) {
        QWidget* w = stage->characterWindow(id);
        EXPECT_NE(w, nullptr);
        return *w;
    }

    FakeScene scene;
    std::unique_ptr<DesktopStage> stage;
};

}  // namespace

TEST_F(Desktop, ShowsAFramelessTopmostShapedWindowAtTheCharactersPosition) {
    QWidget& w = window();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.geometry(), QRect(100, 120, 80, 100));
    EXPECT_EQ(w.frameGeometry().topLeft(), QPoint(100, 120));
    const Qt::WindowFlags wanted = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                   Qt::WindowDoesNotAcceptFocus;
    EXPECT_EQ(w.windowFlags() & wanted, wanted);
    EXPECT_TRUE(w.testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(w.mask(), opaqueRegion(scene.view("Merlin").frame));
    EXPECT_FALSE(w.mask().contains(kHole.center()));

    const QImage picture = w.grab().toImage();
    EXPECT_EQ(picture.pixelColor(20, 20), kRed);
    saveSnapshot(picture, QStringLiteral("desktop-window"));
}

TEST_F(Desktop, FollowsTheScene) {
    scene.moveTo("Merlin", {300, 50});
    settle();
    EXPECT_EQ(window().pos(), QPoint(300, 50));

    scene.setFrame("Merlin", makeFrame({120, 90}, kGreen, 0));
    settle();
    EXPECT_EQ(window().size(), QSize(120, 90));
    EXPECT_EQ(window().mask(), QRegion(0, 0, 120, 90));
    EXPECT_EQ(window().grab().toImage().pixelColor(1, 1), kGreen);

    scene.setVisible("Merlin", false);
    settle();
    EXPECT_FALSE(window().isVisible());
    scene.setVisible("Merlin", true);
    settle();
    EXPECT_TRUE(window().isVisible());

    // A frame with nothing opaque shows no window rather than an unshaped one.
    scene.setFrame("Merlin", makeFrame({80, 80}, kGreen, 40));
    settle();
    EXPECT_FALSE(window().isVisible());

    scene.add("Genie", {10, 10}, makeFrame({50, 50}, kGreen));
    settle();
    ASSERT_NE(stage->characterWindow("Genie"), nullptr);
    EXPECT_TRUE(stage->characterWindow("Genie")->isVisible());
    scene.remove("Genie");
    settle();
    EXPECT_EQ(stage->characterWindow("Genie"), nullptr);
}

TEST_F(Desktop, AFrameChangeRepaintsOnlyThatCharacter) {
    scene.add("Genie", {400, 120}, makeFrame({80, 100}, kGreen));
    settle();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window("Genie")));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
    PaintCounter merlin;
    PaintCounter genie;
    window().installEventFilter(&merlin);
    window("Genie").installEventFilter(&genie);
    scene.setFrame("Merlin", makeFrame({80, 100}, kGreen, 10, kHole));
    settle();
    EXPECT_GE(merlin.count, 1);
    EXPECT_EQ(genie.count, 0);
    // A change that is not to the frame repaints nothing.
    merlin.count = 0;
    scene.moveTo("Merlin", {110, 130});
    settle();
    EXPECT_EQ(merlin.count, 0);
}

TEST_F(Desktop, ClickAndDragRaiseTheirEvents) {
    QWidget& w = window();
    QTest::mouseClick(&w, Qt::LeftButton, Qt::ShiftModifier | Qt::AltModifier, QPoint(20, 30));
    EXPECT_EQ(scene.calls, QStringList{"click Merlin 1 5 120,150"});
    scene.calls.clear();

    // A small wobble between press and release is still a click.
    QTest::mousePress(&w, Qt::LeftButton, {}, QPoint(20, 30));
    QTest::mouseMove(&w, QPoint(21, 31));
    QTest::mouseRelease(&w, Qt::LeftButton, {}, QPoint(21, 31));
    EXPECT_EQ(scene.calls, QStringList{"click Merlin 1 0 121,151"});
    scene.calls.clear();

    const int far = QGuiApplication::styleHints()->startDragDistance() + 30;
    QTest::mousePress(&w, Qt::LeftButton, Qt::ControlModifier, QPoint(20, 30));
    QTest::mouseMove(&w, QPoint(20 + far, 30));
    settle();
    EXPECT_EQ(w.pos(), QPoint(100 + far, 120));
    // The pointer stays on the same spot of the moved window.
    QTest::mouseMove(&w, QPoint(20, 30 + 40));
    settle();
    EXPECT_EQ(w.pos(), QPoint(100 + far, 160));
    QTest::mouseRelease(&w, Qt::LeftButton, Qt::ControlModifier, QPoint(20, 30));
    settle();
    EXPECT_EQ(scene.calls,
              QStringList({QStringLiteral("dragTo Merlin %1,120").arg(100 + far),
                           QStringLiteral("dragTo Merlin %1,160").arg(100 + far),
                           QStringLiteral("dragComplete Merlin 1 2 %1,190").arg(120 + far)}));
    EXPECT_EQ(scene.view("Merlin").position, QPoint(100 + far, 160));

    scene.calls.clear();
    QTest::mouseClick(&w, Qt::MiddleButton, {}, QPoint(20, 30));
    EXPECT_EQ(scene.calls, QStringList{QStringLiteral("click Merlin 4 0 %1,190").arg(120 + far)});
}

TEST_F(Desktop, RightClickOpensThePopupMenuWhoseEntriesRaiseCommandOrHide) {
    scene.at("Merlin").menuCaption = QStringLiteral("Vistrel");
    scene.at("Merlin").menu = {{"Exit", "Exit", true, true}};
    std::vector<PopupItem> shown;
    QPoint where;
    stage->setPopupPresenter(std::make_unique<PickingPresenter>("Exit", &shown, &where));
    QTest::mouseClick(&window(), Qt::RightButton, {}, QPoint(15, 25));
    EXPECT_EQ(scene.calls, QStringList({"click Merlin 2 0 115,145", "command Merlin Exit"}));
    EXPECT_EQ(where, QPoint(115, 145));
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].text, "Vistrel");
    EXPECT_EQ(shown[1].text, "Exit");
    EXPECT_EQ(shown[3].text, "Hide");

    scene.calls.clear();
    stage->setPopupPresenter(std::make_unique<PickingPresenter>("Hide", &shown, &where));
    QTest::mouseClick(&window(), Qt::RightButton, {}, QPoint(15, 25));
    settle();
    EXPECT_EQ(scene.calls, QStringList({"click Merlin 2 0 115,145", "hide Merlin"}));
    EXPECT_FALSE(window().isVisible());
}

TEST_F(Desktop, TheRealMenuListsTheEntries) {
    scene.at("Merlin").menu = {{"Exit", "E&xit", true, true}};
    QTest::mouseClick(&window(), Qt::RightButton, {}, QPoint(15, 25));
    QMenu* menu = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* m = qobject_cast<QMenu*>(w); m && m->isVisible())
            menu = m;
    ASSERT_NE(menu, nullptr);
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(texts, QStringList({"E&&xit", "-", "Hide"}));
    menu->actions().constFirst()->trigger();
    EXPECT_EQ(scene.calls.last(), "command Merlin Exit");
    menu->close();
    settle();
}

TEST_F(Desktop, BalloonWindowStandsBesideTheCharacterAndLetsThePointerThrough) {
    EXPECT_FALSE(stage->balloonWindow("Merlin")->isVisible());
    scene.say("Merlin", scene::BalloonKind::Speak, QStringLiteral("Hello, I am Merlin. Welcome!"));
    settle();
    QWidget* balloon = stage->balloonWindow("Merlin");
    ASSERT_TRUE(balloon->isVisible());
    const scene::CharacterView view = scene.view("Merlin");
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const BalloonLayout layout =
        layoutBalloon(view.balloon, QRect(view.position, view.frame.size()), screen);
    EXPECT_EQ(balloon->geometry(), layout.bounds);
    EXPECT_FALSE(balloon->geometry().intersects(window().geometry()));
    EXPECT_TRUE(balloon->windowFlags().testFlag(Qt::WindowTransparentForInput));
    EXPECT_TRUE(balloon->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    saveSnapshot(balloon->grab().toImage(), QStringLiteral("desktop-balloon"));

    // The balloon goes with the character, and away with the text or the character.
    scene.moveTo("Merlin", {400, 300});
    settle();
    EXPECT_EQ(balloon->geometry(),
              layoutBalloon(view.balloon, QRect({400, 300}, view.frame.size()), screen).bounds);
    scene.say("Merlin", scene::BalloonKind::Speak, QString());
    settle();
    EXPECT_FALSE(balloon->isVisible());
    scene.say("Merlin", scene::BalloonKind::Think, QStringLiteral("Hmm."));
    settle();
    EXPECT_TRUE(balloon->isVisible());
    scene.setVisible("Merlin", false);
    settle();
    EXPECT_FALSE(balloon->isVisible());
}

TEST(DesktopStages, TwoServicesShareTheScreenWithoutInterfering) {
    FakeScene control;
    FakeScene assistant;
    control.add("Merlin", {100, 100}, makeFrame({60, 60}, kRed, 0));
    assistant.add("Merlin", {300, 100}, makeFrame({60, 60}, kGreen, 0));
    DesktopStage first(control, DesktopOptions{false});
    DesktopStage second(assistant, DesktopOptions{true});
    settle();
    QTest::mouseClick(second.characterWindow("Merlin"), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(control.calls.isEmpty());
    EXPECT_EQ(assistant.calls, QStringList{"click Merlin 1 0 305,105"});
    EXPECT_TRUE(second.characterWindow("Merlin")->testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_FALSE(first.characterWindow("Merlin")->testAttribute(Qt::WA_TranslucentBackground));

    assistant.remove("Merlin");
    settle();
    EXPECT_EQ(second.characterWindow("Merlin"), nullptr);
    ASSERT_NE(first.characterWindow("Merlin"), nullptr);
    EXPECT_TRUE(first.characterWindow("Merlin")->isVisible());
}

TEST(DesktopStages, DropTheWindowsWhenTheirServiceGoes) {
    auto scene = std::make_unique<FakeScene>();
    scene->add("Merlin", {100, 100}, makeFrame({60, 60}, kRed, 0));
    DesktopStage stage(*scene, DesktopOptions{false});
    QPointer<QWidget> window = stage.characterWindow("Merlin");
    ASSERT_TRUE(window);
    scene.reset();
    EXPECT_FALSE(window);
    EXPECT_EQ(stage.characterWindow("Merlin"), nullptr);
}

TEST(DesktopPlatform, WaylandSessionsRunThroughXWaylandUnlessTheUserChoseOtherwise) {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
    const QByteArray display = qgetenv("DISPLAY");
    qunsetenv("QT_QPA_PLATFORM");
    qputenv("WAYLAND_DISPLAY", "wayland-0");
    qputenv("DISPLAY", ":0");
    EXPECT_TRUE(preferXcbOnWayland());
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), "xcb");
    qputenv("QT_QPA_PLATFORM", "wayland");
    EXPECT_FALSE(preferXcbOnWayland());
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), "wayland");
    qunsetenv("QT_QPA_PLATFORM");
    qunsetenv("DISPLAY");  // no XWayland to go through
    EXPECT_FALSE(preferXcbOnWayland());
    EXPECT_FALSE(qEnvironmentVariableIsSet("QT_QPA_PLATFORM"));
    platform.isNull() ? qunsetenv("QT_QPA_PLATFORM") : qputenv("QT_QPA_PLATFORM", platform);
    wayland.isNull() ? qunsetenv("WAYLAND_DISPLAY") : qputenv("WAYLAND_DISPLAY", wayland);
    display.isNull() ? qunsetenv("DISPLAY") : qputenv("DISPLAY", display);
}

// On a high-density screen (run with QT_SCALE_FACTOR=2) Qt places windows in units of two
// screen pixels; characters still stand at their screen pixels and show pixel for pixel.
TEST(ScaledDesktop, PositionsInputAndPicturesStayInScreenPixels) {
    if (QGuiApplication::primaryScreen()->devicePixelRatio() != 2.0)
        GTEST_SKIP() << "needs a screen of scale 2 (QT_SCALE_FACTOR=2)";
    FakeScene scene;
    scene.add("Merlin", {200, 100}, makeFrame({80, 100}, kRed, 10, kHole));
    DesktopStage stage(scene, DesktopOptions{false});
    settle();
    QWidget* w = stage.characterWindow("Merlin");
    EXPECT_EQ(w->geometry(), QRect(100, 50, 40, 50));
    EXPECT_EQ(w->mask(), QRegion(5, 5, 30, 40) - QRegion(15, 20, 10, 10));
    const QImage picture = w->grab().toImage();
    EXPECT_EQ(picture.size(), QSize(80, 100));
    EXPECT_EQ(picture.pixelColor(10, 10), kRed);
    EXPECT_EQ(picture.pixelColor(69, 89), kRed);

    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(10, 15));
    EXPECT_EQ(scene.calls, QStringList{"click Merlin 1 0 220,130"});
    scene.calls.clear();
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(10, 15));
    QTest::mouseMove(w, QPoint(40, 15));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(10, 15));  // the window has moved
    EXPECT_EQ(scene.calls,
              QStringList({"dragTo Merlin 260,100", "dragComplete Merlin 1 0 280,130"}));
    EXPECT_EQ(w->pos(), QPoint(130, 50));

    scene.say("Merlin", scene::BalloonKind::Speak, QStringLiteral("Hello!"));
    settle();
    const scene::CharacterView view = scene.view("Merlin");
    const QRect screen(QPoint(0, 0), QGuiApplication::primaryScreen()->geometry().size() * 2);
    const QRect bounds =
        layoutBalloon(view.balloon, QRect(view.position, view.frame.size()), screen).bounds;
    const QRect balloon = stage.balloonWindow("Merlin")->geometry();
    // The balloon's window covers its screen pixels, and no more than it must.
    EXPECT_TRUE(QRect(balloon.topLeft() * 2, balloon.size() * 2).contains(bounds));
    EXPECT_LE(balloon.width(), bounds.width() / 2 + 1);
    EXPECT_LE(balloon.height(), bounds.height() / 2 + 1);
}
