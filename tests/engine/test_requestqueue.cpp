// The request queue on its own: statuses, the order requests end in, and that each ends once.

#include "engine/requestqueue.h"

#include <gtest/gtest.h>

#include <vector>

namespace vistrel::engine {
namespace {

using agent::Request;
using agent::RequestStatus;

class RequestQueueTest : public ::testing::Test {
  protected:
    Request add(Work work) {
        const Request request = Request::create(++lastId);
        queue.push(Job{request, std::move(work)});
        return request;
    }

    std::uint64_t lastId = 0;
    std::vector<Request> ended;
    RequestQueue queue{QStringLiteral("Tester"), [this](const Request& r) { ended.push_back(r); }};
};

TEST_F(RequestQueueTest, RunsInOrderAndEndsEachRequestOnce) {
    const Request show = add(ShowRequest{});
    const Request play = add(PlayRequest{QStringLiteral("Wave")});
    EXPECT_EQ(show.status(), RequestStatus::Pending);
    EXPECT_EQ(queue.startNext().request, show);
    EXPECT_EQ(show.status(), RequestStatus::InProgress);
    EXPECT_TRUE(queue.isRunning(show));
    EXPECT_EQ(queue.next().request, play);

    queue.endRunning(RequestStatus::Complete);
    queue.endRunning(RequestStatus::Failed);  // nothing runs: no second end
    EXPECT_EQ(show.status(), RequestStatus::Complete);
    EXPECT_EQ(queue.running(), nullptr);

    queue.startNext();
    queue.endRunning(RequestStatus::Failed, QStringLiteral("no such animation"));
    EXPECT_EQ(play.status(), RequestStatus::Failed);
    EXPECT_EQ(play.description(), "no such animation");
    EXPECT_EQ(ended, (std::vector<Request>{show, play}));
    EXPECT_FALSE(queue.waiting());
}

TEST_F(RequestQueueTest, StoppingPicksRequestsAndKeepsTheOthersInOrder) {
    const Request a = add(MoveRequest{});
    const Request b = add(SpeakRequest{QStringLiteral("hi"), {}});
    const Request c = add(MoveRequest{});
    const Request d = add(WaitRequest{a});
    std::vector<Job> taken = queue.takeWaitingIf([](const Job& job) {
        const char* group = stopGroup(job.work);
        return group && QLatin1String(group) == QLatin1String("move");
    });
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_TRUE(ended.empty());  // taken, not yet ended
    EXPECT_EQ(a.status(), RequestStatus::Pending);
    queue.end(taken, RequestStatus::Interrupted);
    EXPECT_EQ(ended, (std::vector<Request>{a, c}));
    EXPECT_EQ(c.status(), RequestStatus::Interrupted);
    EXPECT_TRUE(queue.endWaiting(d, RequestStatus::Interrupted));
    EXPECT_FALSE(queue.endWaiting(d, RequestStatus::Interrupted));
    EXPECT_EQ(queue.next().request, b);
    EXPECT_EQ(b.status(), RequestStatus::Pending);
}

TEST_F(RequestQueueTest, FailAllFailsTheRunningRequestFirstAndGivesTheReason) {
    const Request running = add(PlayRequest{});
    const Request waiting = add(HideRequest{});
    queue.startNext();
    queue.failAll(QStringLiteral("unloaded"));
    EXPECT_EQ(ended, (std::vector<Request>{running, waiting}));
    EXPECT_EQ(running.description(), "unloaded");
    EXPECT_EQ(waiting.status(), RequestStatus::Failed);
    EXPECT_FALSE(queue.waiting());
    EXPECT_EQ(queue.running(), nullptr);
}

TEST_F(RequestQueueTest, AListenerMayQueueAndStopWhileARequestEnds) {
    RequestQueue* q = &queue;
    Request later;
    RequestQueue reentrant(QStringLiteral("Tester"), [&](const Request& r) {
        ended.push_back(r);
        if (later.isNull()) {
            later = Request::create(99);
            q->push(Job{later, ThinkRequest{}});
        }
    });
    q = &reentrant;
    const Request first = Request::create(1);
    reentrant.push(Job{first, ShowRequest{}});
    reentrant.startNext();
    reentrant.endRunning(RequestStatus::Complete);
    ASSERT_TRUE(reentrant.waiting());
    EXPECT_EQ(reentrant.next().request, later);
    EXPECT_EQ(reentrant.running(), nullptr);
}

TEST(Requests, StopAllGroupsAndLogDescriptions) {
    EXPECT_STREQ(stopGroup(ShowRequest{}), "play");
    EXPECT_STREQ(stopGroup(GestureRequest{}), "play");
    EXPECT_STREQ(stopGroup(ThinkRequest{}), "speak");
    EXPECT_STREQ(stopGroup(MoveRequest{}), "move");
    EXPECT_EQ(stopGroup(WaitRequest{}), nullptr);
    EXPECT_EQ(stopGroup(InterruptRequest{}), nullptr);
    EXPECT_EQ(describe(PlayRequest{QStringLiteral("Wave")}), "Play \"Wave\"");
    EXPECT_EQ(describe(MoveRequest{QPoint(3, 4), 250}), "MoveTo (3, 4) at speed 250");
    EXPECT_EQ(describe(SpeakRequest{QString(60, u'a'), {}}).size(), 6 + 1 + 40 + 3 + 1);
}

}  // namespace
}  // namespace vistrel::engine
