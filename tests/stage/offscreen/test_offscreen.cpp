// The offscreen stage: characters and balloons drawn where the desktop shows them.

#include "support/fakescene.h"
#include "support/snapshot.h"

#include "stage/offscreen/offscreenstage.h"
#include "stage/presentation/balloon.h"

#include <gtest/gtest.h>

using namespace vistrel;
using namespace vistrel::scene;
using namespace vistrel::presentation;
using namespace vistrel::offscreen;
using vistrel::engine::testing::FakeScene;
using vistrel::engine::testing::makeFrame;

namespace {

const QSize kScreen(640, 480);
const QColor kDesktop(30, 90, 160);
const QColor kRed(220, 30, 30);
const QColor kGreen(40, 200, 60);
const QRect kHole(30, 40, 20, 20);  // in frame coordinates

QColor at(const QImage& image, QPoint p) {
    return image.pixelColor(p);
}

class Offscreen : public ::testing::Test {
  protected:
    Offscreen() {
        scene.add(QStringLiteral("Merlin"), {100, 200}, makeFrame({80, 100}, kRed, 10, kHole));
    }
    QImage render() const { return renderScenes({&scene}, kScreen, kDesktop); }

    FakeScene scene;
};

}  // namespace

TEST_F(Offscreen, DrawsTheFrameAtItsPositionWithTheDesktopThroughTransparentPixels) {
    const QImage image = render();
    ASSERT_EQ(image.size(), kScreen);
    const QPoint topLeft(100, 200);
    EXPECT_EQ(at(image, topLeft + QPoint(10, 10)), kRed);     // first opaque pixel
    EXPECT_EQ(at(image, topLeft + QPoint(69, 89)), kRed);     // last opaque pixel
    EXPECT_EQ(at(image, topLeft + QPoint(9, 10)), kDesktop);  // transparent margin
    EXPECT_EQ(at(image, topLeft + QPoint(70, 89)), kDesktop);
    EXPECT_EQ(at(image, topLeft + kHole.center()), kDesktop);  // hole
    EXPECT_EQ(at(image, QPoint(5, 5)), kDesktop);
    int red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            red += at(image, {x, y}) == kRed;
    EXPECT_EQ(red, 60 * 80 - kHole.width() * kHole.height());
}

TEST_F(Offscreen, FollowsFrameChangesMovesAndHiding) {
    scene.setFrame("Merlin", makeFrame({80, 100}, kGreen, 0));
    QImage image = render();
    EXPECT_EQ(at(image, {100, 200}), kGreen);
    EXPECT_EQ(at(image, QPoint(100, 200) + kHole.center()), kGreen);

    scene.moveTo("Merlin", {-40, 420});  // partly off the screen
    image = render();
    EXPECT_EQ(at(image, {100, 200}), kDesktop);
    EXPECT_EQ(at(image, {0, 420}), kGreen);
    EXPECT_EQ(at(image, {39, 479}), kGreen);
    EXPECT_EQ(at(image, {40, 479}), kDesktop);

    scene.setVisible("Merlin", false);
    image = render();
    EXPECT_EQ(at(image, {0, 420}), kDesktop);
}

TEST_F(Offscreen, LaterCharactersAndTheSecondServiceAreOnTop) {
    scene.add("Genie", {120, 220}, makeFrame({80, 100}, kGreen, 0));
    FakeScene assistant;
    const QColor yellow(250, 220, 0);
    assistant.add("Merlin", {150, 250}, makeFrame({40, 40}, yellow, 0));
    const QImage image = renderScenes({&scene, &assistant}, kScreen, kDesktop);
    EXPECT_EQ(at(image, {115, 215}), kRed);
    EXPECT_EQ(at(image, {125, 225}), kGreen);
    EXPECT_EQ(at(image, {160, 260}), yellow);

    EXPECT_EQ(characterAt({&scene, &assistant}, {160, 260}).scene, &assistant);
    EXPECT_EQ(characterAt({&scene, &assistant}, {125, 225}).id, "Genie");
    EXPECT_EQ(characterAt({&scene, &assistant}, {115, 215}).id, "Merlin");
    EXPECT_EQ(characterAt({&scene}, QPoint(100, 200) + QPoint(3, 3)).scene, nullptr);  // margin
}

TEST_F(Offscreen, BalloonsStayOnScreenAndOffTheCharacterAtEveryEdge) {
    const QString text = QStringLiteral("I can stand anywhere on the screen and still be read.");
    const QPoint places[] = {{280, 190}, {0, 0},     {560, 0}, {0, 380},  {560, 380},
                             {280, 0},   {280, 380}, {0, 190}, {560, 190}};
    int n = 0;
    for (scene::BalloonKind kind : {scene::BalloonKind::Speak, scene::BalloonKind::Think}) {
        for (QPoint place : places) {
            scene.moveTo("Merlin", place);
            scene.say("Merlin", kind, text);
            const QImage image = render();
            const scene::CharacterView view = scene.view("Merlin");
            const BalloonLayout layout = layoutBalloon(
                view.balloon, QRect(place, view.frame.size()), QRect(QPoint(), kScreen));
            SCOPED_TRACE(::testing::Message() << place.x() << "," << place.y());
            // Every opaque pixel of the frame is still the character's.
            for (int y = 10; y < 90; ++y) {
                for (int x = 10; x < 70; ++x) {
                    if (!kHole.contains(x, y)) {
                        ASSERT_EQ(at(image, place + QPoint(x, y)), kRed);
                    }
                }
            }
            // The balloon's own colour fills the middle of its body.
            EXPECT_EQ(at(image, {layout.textRect.left() - 3, layout.body.center().y()}),
                      view.balloon.style.background);
            saveSnapshot(image, QStringLiteral("offscreen-balloon-%1").arg(n++));
        }
    }
}

TEST_F(Offscreen, DrawsBalloonsOnlyOfVisibleCharacters) {
    scene.add("Genie", {400, 250}, makeFrame({80, 100}, kGreen, 10));
    scene.say("Merlin", scene::BalloonKind::Speak,
              QStringLiteral("Hello! Shall we begin the show?"));
    scene.say("Genie", scene::BalloonKind::Think, QStringLiteral("What shall I think of next..."));
    saveSnapshot(render(), QStringLiteral("offscreen-speak-think"));
    scene.setVisible("Merlin", false);
    scene.setVisible("Genie", false);
    QImage desktop(kScreen, QImage::Format_ARGB32_Premultiplied);
    desktop.fill(kDesktop);
    EXPECT_EQ(render(), desktop);
}
