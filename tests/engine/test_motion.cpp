// Moves and gestures as the character files mean them, blank frames, and when the program
// hears that a request ended: on the manual clock with the mover character.

#include "servicefixture.h"

#include "engine/testing/movercharacter.h"

namespace vistrel::engine::testing {
namespace {

using agent::RequestStatus;

class MotionTest : public ServiceTest {
  protected:
    MotionTest() {
        writeMoverCharacter(folder.path(), QStringLiteral("Mover"));
        QObject::connect(&service->scene(), &scene::Scene::changed,
                         [this](const QString& id, unsigned what) {
                             if (id == QLatin1String("Mover") && (what & scene::ChangedPosition))
                                 path.emplace_back(clock.now(), view(id).position);
                         });
    }

    agent::CharacterRef mover() {
        auto c = ready(QStringLiteral("Mover"));
        path.clear();
        return c;
    }

    QPoint at() const { return view(QStringLiteral("Mover")).position; }
    std::vector<int> shown() const { return labels(QStringLiteral("Mover")); }

    // Moves by `delta` and returns the first frame the move showed.
    int firstFrameOfMoveBy(agent::Character& c, QPoint delta) {
        frames.clear();
        const QPoint to = at() + delta;
        const agent::Request r =
            c.MoveTo(static_cast<std::int16_t>(to.x()), static_cast<std::int16_t>(to.y()));
        clock.advance(10000);
        EXPECT_EQ(r.status(), RequestStatus::Complete);
        EXPECT_EQ(at(), to);
        return shown().empty() ? 0 : shown().front();
    }

    std::vector<std::pair<std::int64_t, QPoint>> path;
};

TEST_F(MotionTest, AMoveFacesTheWayTheCharacterGoesByTheLargerAxis) {
    auto c = mover();
    // The names are the character's own: going to the screen's right is its left.
    EXPECT_EQ(firstFrameOfMoveBy(*c, {300, 0}), kLiftLeft);
    EXPECT_EQ(firstFrameOfMoveBy(*c, {-300, 0}), kLiftRight);
    EXPECT_EQ(firstFrameOfMoveBy(*c, {0, -100}), kLiftUp);
    EXPECT_EQ(firstFrameOfMoveBy(*c, {0, 100}), kLiftDown);
    EXPECT_EQ(firstFrameOfMoveBy(*c, {40, -41}), kLiftUp);
    EXPECT_EQ(firstFrameOfMoveBy(*c, {-41, 40}), kLiftRight);
    // On both diagonals a tie goes to the horizontal.
    EXPECT_EQ(firstFrameOfMoveBy(*c, {50, 50}), kLiftLeft);
    EXPECT_EQ(firstFrameOfMoveBy(*c, {-50, -50}), kLiftRight);
    EXPECT_EQ(firstFrameOfMoveBy(*c, {60, -60}), kLiftLeft);
    EXPECT_EQ(firstFrameOfMoveBy(*c, {-60, 60}), kLiftRight);
}

TEST_F(MotionTest, TheAnimationPlaysFirstThenTheFrameMovesThenItLandsOnArrival) {
    auto c = mover();
    const QPoint start = at();
    const agent::Request r = c->MoveTo(static_cast<std::int16_t>(start.x() + 300),
                                       static_cast<std::int16_t>(start.y() + 100));
    clock.advance(200);
    EXPECT_TRUE(path.empty());  // lift and flight, in place
    // 300 px on the longer axis at the default speed: 600 ms, while the flight frame shows.
    clock.advance(300);
    ASSERT_FALSE(path.empty());
    EXPECT_GT(path.front().first, 200);
    EXPECT_NEAR(path.back().second.x(), start.x() + 150, 20);
    EXPECT_NEAR(path.back().second.y(), start.y() + 50, 7);
    clock.advance(299);
    EXPECT_NE(at(), start + QPoint(300, 100));
    clock.advance(1);
    EXPECT_EQ(at(), start + QPoint(300, 100));
    EXPECT_EQ(path.back().first, 800);
    EXPECT_EQ(r.status(), RequestStatus::InProgress);  // landing
    clock.advance(100);
    EXPECT_EQ(r.status(), RequestStatus::Complete);
    EXPECT_EQ(
        frames["Mover"],
        (std::vector<Shown>{{0, kLiftLeft}, {100, kLiftLeft + kFly}, {800, kLiftLeft + kLand}}));
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(endedAt[0], 900);

    // A move down leaves through its return animation.
    frames.clear();
    c->MoveTo(static_cast<std::int16_t>(at().x()), static_cast<std::int16_t>(at().y() + 5));
    clock.advance(1000);
    // 5 px count as 10: 20 ms.
    EXPECT_EQ(frames["Mover"],
              (std::vector<Shown>{
                  {900, kLiftDown}, {1000, kLiftDown + kFly}, {1120, kLiftDown + kLand}}));
}

TEST_F(MotionTest, SpeedScalesTheTimeAndZeroJumpsWithoutAnimation) {
    auto c = mover();
    const QPoint start = at();
    const agent::Request slow = c->MoveTo(static_cast<std::int16_t>(start.x()),
                                          static_cast<std::int16_t>(start.y() - 250), 3000);
    clock.advance(10000);
    ASSERT_EQ(slow.status(), RequestStatus::Complete);
    // 250 px at speed 3000: 1500 ms after the 200 ms of lift and flight.
    EXPECT_EQ(path.back().first, 1700);

    frames.clear();
    path.clear();
    const agent::Request jump = c->MoveTo(10, 20, 0);
    EXPECT_EQ(at(), QPoint(10, 20));
    clock.advance(0);
    EXPECT_EQ(jump.status(), RequestStatus::Complete);
    EXPECT_TRUE(frames["Mover"].empty());
    EXPECT_EQ(path.size(), 1u);
}

TEST_F(MotionTest, StoppedInFlightTheCharacterLandsWhereItIs) {
    auto c = mover();
    const QPoint start = at();
    const agent::Request r =
        c->MoveTo(static_cast<std::int16_t>(start.x() - 400), static_cast<std::int16_t>(start.y()));
    clock.advance(600);
    c->Stop(r);
    const QPoint stoppedAt = at();
    EXPECT_LT(stoppedAt.x(), start.x() - 100);
    EXPECT_GT(stoppedAt.x(), start.x() - 400);
    clock.advance(1000);
    EXPECT_EQ(r.status(), RequestStatus::Interrupted);
    EXPECT_EQ(at(), stoppedAt);
    // Leaving the held flight frame lands, before the next request.
    const agent::Request next = c->Play("Blank");
    clock.advance(50);
    EXPECT_EQ(shown(), (std::vector<int>{kLiftRight, kLiftRight + kFly, kLiftRight + kLand}));
    clock.advance(1000);
    EXPECT_EQ(next.status(), RequestStatus::Complete);
}

TEST_F(MotionTest, AHiddenCharactersMoveTakesTheFrameThereAndFails) {
    load(QStringLiteral("Mover"));
    auto c = service->Characters().Item(QStringLiteral("Mover"));
    const agent::Request r = c->MoveTo(50, 60);
    EXPECT_EQ(at(), QPoint(50, 60));
    clock.advance(0);
    EXPECT_EQ(r.status(), RequestStatus::Failed);
    EXPECT_EQ(r.description(), "character not visible");
    EXPECT_TRUE(frames["Mover"].empty());
    EXPECT_EQ(ended, std::vector<agent::Request>{r});
}

TEST_F(MotionTest, AGesturePointsFromTheCentreWithTheCharactersOwnSide) {
    auto c = mover();
    const QPoint centre = at() + QPoint(kSide / 2, kSide / 2);
    auto pointAt = [&](QPoint offset) {
        frames.clear();
        const QPoint p = centre + offset;
        const agent::Request r =
            c->GestureAt(static_cast<std::int16_t>(p.x()), static_cast<std::int16_t>(p.y()));
        clock.advance(1000);
        EXPECT_EQ(r.status(), RequestStatus::Complete);
        return shown().empty() ? 0 : shown().front();
    };
    EXPECT_EQ(pointAt({200, 30}), kPointLeft);
    EXPECT_EQ(pointAt({-200, -30}), kPointRight);
    EXPECT_EQ(pointAt({10, -200}), kPointUp);
    EXPECT_EQ(pointAt({-10, 200}), kPointDown);
    EXPECT_EQ(pointAt({70, 70}), kPointLeft);
    EXPECT_EQ(pointAt({-70, 70}), kPointRight);
    // Below and right of the top-left corner, but left of the centre.
    EXPECT_EQ(pointAt({-3, 0}), kPointRight);
}

TEST_F(MotionTest, AFrameWithoutImagesShowsNothingForItsTime) {
    auto c = mover();
    c->Play("Blank");
    clock.advance(100);
    EXPECT_EQ(shown(), (std::vector<int>{kBlankBefore, 0}));
    const QImage blank = view(QStringLiteral("Mover")).frame;
    ASSERT_FALSE(blank.isNull());
    EXPECT_EQ(blank.size(), QSize(kSide, kSide));
    for (int y = 0; y < blank.height(); ++y)
        for (int x = 0; x < blank.width(); ++x)
            ASSERT_EQ(qAlpha(blank.pixel(x, y)), 0) << x << "," << y;
    clock.advance(100);
    EXPECT_EQ(shown().back(), kBlankAfter);
    clock.advance(100);

    // The hiding animation ends on such a frame: nothing stays on screen before it is gone.
    frames.clear();
    c->Hide();
    clock.advance(150);
    EXPECT_EQ(shown(), (std::vector<int>{kMoverHide, 0}));
    EXPECT_TRUE(c->Visible());
    clock.advance(100);
    EXPECT_FALSE(c->Visible());
}

// The program hears of a request's end only after the call that made it has returned, even
// when it ends at once, and in the order the requests ended.
TEST_F(MotionTest, RequestCompleteComesFromTheEventLoopInOrder) {
    auto c = mover();
    auto other = ready(QStringLiteral("Tester"));
    std::vector<agent::Request> made;
    std::vector<bool> knownWhenHeard;
    QObject::connect(service.get(), &agent::Agent::RequestComplete, [&](const agent::Request& r) {
        knownWhenHeard.push_back(std::find(made.begin(), made.end(), r) != made.end());
    });
    const QPoint p = at();
    made.push_back(c->Show());  // already visible
    made.push_back(c->Show(true));
    made.push_back(other->MoveTo(static_cast<std::int16_t>(view().position.x()),
                                 static_cast<std::int16_t>(view().position.y())));
    made.push_back(c->MoveTo(static_cast<std::int16_t>(p.x()), static_cast<std::int16_t>(p.y())));
    made.push_back(c->MoveTo(5, 5, 0));
    made.push_back(c->Speak(""));
    made.push_back(other->Think(""));
    for (const agent::Request& r : made)
        EXPECT_EQ(r.status(), RequestStatus::Complete);
    EXPECT_TRUE(ended.empty());
    ManualClock::deliverPosted();
    EXPECT_EQ(ended, made);
    EXPECT_EQ(knownWhenHeard, std::vector<bool>(made.size(), true));

    // A request made by a handler is heard after the handler's own, once it has returned.
    ended.clear();
    made.clear();
    knownWhenHeard.clear();
    agent::Request fromHandler;
    const auto connection = QObject::connect(service.get(), &agent::Agent::RequestComplete,
                                             [&](const agent::Request& r) {
                                                 if (fromHandler.isNull() && r == made.front()) {
                                                     fromHandler = c->Show(true);
                                                     made.push_back(fromHandler);
                                                 }
                                             });
    made.push_back(c->Show(true));
    made.push_back(other->Show(true));
    ManualClock::deliverPosted();
    EXPECT_EQ(ended.size(), 2u);
    ManualClock::deliverPosted();
    QObject::disconnect(connection);
    ASSERT_EQ(ended.size(), 3u);
    EXPECT_EQ(ended, made);
    EXPECT_EQ(ended[2], fromHandler);
    EXPECT_EQ(knownWhenHeard, std::vector<bool>(3, true));
}

// A long queue of requests that end at once, behind one that runs, is worked off in a loop.
TEST_F(MotionTest, AHundredThousandRequestsEndingAtOnceDoNotDeepenTheStack) {
    auto [tester, other] = readyPair();
    load(QStringLiteral("Mover"));
    auto hidden = service->Characters().Item(QStringLiteral("Mover"));
    const agent::Request loop = tester->Play("Loop");
    const agent::Request wait = hidden->Wait(loop);
    constexpr int kCount = 100000;
    std::vector<agent::Request> failing;
    failing.reserve(kCount);
    for (int i = 0; i < kCount; ++i)
        failing.push_back(hidden->MoveTo(static_cast<std::int16_t>(i % 500), 7));
    clock.advance(1000);
    EXPECT_EQ(failing.back().status(), RequestStatus::Pending);
    ended.clear();
    tester->Stop(loop);
    EXPECT_EQ(wait.status(), RequestStatus::Complete);
    EXPECT_TRUE(std::all_of(failing.begin(), failing.end(), [](const agent::Request& r) {
        return r.status() == RequestStatus::Failed;
    }));
    EXPECT_EQ(at(), QPoint((kCount - 1) % 500, 7));
    ManualClock::deliverPosted();
    ASSERT_EQ(ended.size(), std::size_t{kCount} + 2);
    EXPECT_EQ(ended[1], wait);
    EXPECT_EQ(ended.back(), failing.back());
}

}  // namespace
}  // namespace vistrel::engine::testing
