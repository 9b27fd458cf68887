// The engine on a manual clock: what each request shows, when, and how requests end.

#include "servicefixture.h"

#include "engine/speech/wav.h"

#include <QFile>

namespace vistrel::engine::testing {
namespace {

using agent::AgentError;
using agent::RequestStatus;

TEST_F(ServiceTest, LoadRefusesMissingDuplicateAndDamagedFiles) {
    auto message = [&](const QString& id, const std::optional<QString>& key) {
        try {
            service->Characters().Load(id, key);
        } catch (const AgentError& e) {
            return e.description();
        }
        return QString();
    };
    EXPECT_TRUE(message("Ghost", folder.filePath("Ghost.acs")).contains("was not found"));
    EXPECT_TRUE(message("Ghost", folder.filePath("Ghost.acs")).contains("Ghost.acs"));
    EXPECT_TRUE(message("Tester", std::nullopt).isEmpty());  // found in the default folder
    EXPECT_TRUE(message("TESTER", std::nullopt).contains("already loaded"));
    QFile junk(folder.filePath("Junk.acs"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a character at all");
    junk.close();
    EXPECT_TRUE(message("Junk", std::nullopt).contains("cannot be loaded"));

    auto tester = service->Characters().Item("tester");
    EXPECT_EQ(tester->Name(), "Tester");
    EXPECT_EQ(tester->AnimationNames().size(), 14);
    EXPECT_FALSE(tester->Visible());
    service->Characters().Unload("Tester");
    EXPECT_THROW(service->Characters().Item("Tester"), AgentError);
    EXPECT_THROW(tester->Show(), AgentError);
}

TEST_F(ServiceTest, ShowPlaysTheShowingAnimationThenIdles) {
    auto c = load();
    const agent::Request r = c->Show();
    EXPECT_TRUE(c->Visible());
    EXPECT_EQ(r.status(), RequestStatus::InProgress);
    clock.advance(199);
    EXPECT_EQ(frames["Tester"], (std::vector<Shown>{{0, kShow0}, {100, kShow1}}));
    // The first frame's sound played as it appeared, once.
    ASSERT_EQ(audio.streams.size(), 1u);
    EXPECT_EQ(audio.streams.begin()->second.samples.size(), 1102u);
    EXPECT_TRUE(ended.empty());
    clock.advance(1);
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0], r);
    EXPECT_EQ(r.status(), RequestStatus::Complete);

    // Resting, then the first idle level; later the second.
    clock.advance(4999);
    EXPECT_EQ(labels().back(), kShow1);
    clock.advance(1);
    EXPECT_EQ(frames["Tester"].back(), (Shown{5200, kIdle1}));
    clock.advance(30000);
    EXPECT_EQ(labels().back(), kIdle2);
}

TEST_F(ServiceTest, NextRequestLeavesThePreviousAnimationThroughItsExitBranches) {
    auto c = ready();
    const agent::Request wave = c->Play("wave");  // names match without regard to case
    const agent::Request coin = c->Play("Coin");
    clock.advance(1000);
    const std::vector<int> shown = labels();
    const std::vector<int> expected{10, 11, 12, 13, 14, 13, 12, 11, 10, kCoinStart};
    ASSERT_GE(shown.size(), expected.size());
    EXPECT_EQ(std::vector<int>(shown.begin(), shown.begin() + 10), expected);
    EXPECT_EQ(frames["Tester"][9].time, 900);
    ASSERT_GE(ended.size(), 1u);
    EXPECT_EQ(ended[0], wave);
    EXPECT_EQ(endedAt[0], 500);
    clock.advance(1000);
    EXPECT_EQ(coin.status(), RequestStatus::Complete);
}

TEST_F(ServiceTest, ReturnAnimationPlaysBeforeTheNextRequest) {
    auto c = ready();
    c->Play("Pose");
    c->Play("Coin");
    clock.advance(300);
    const std::vector<int> shown = labels();
    ASSERT_GE(shown.size(), 3u);
    EXPECT_EQ(std::vector<int>(shown.begin(), shown.begin() + 3),
              (std::vector<int>{kPose, kPoseReturn, kCoinStart}));
}

TEST_F(ServiceTest, StopEndsALoopThroughItsExitPathAndEmptiesTheQueue) {
    auto c = ready();
    const agent::Request loop = c->Play("Loop");
    const agent::Request queued = c->Play("Wave");
    clock.advance(250);
    c->Stop();
    EXPECT_EQ(loop.status(), RequestStatus::Interrupted);
    EXPECT_EQ(queued.status(), RequestStatus::Interrupted);
    EXPECT_TRUE(ended.empty());  // heard from the event loop
    ManualClock::deliverPosted();
    ASSERT_EQ(ended, (std::vector<agent::Request>{loop, queued}));
    clock.advance(1000);
    EXPECT_EQ(labels(), (std::vector<int>{kLoop0, kLoop1, kLoop0, kLoopOut}));
    EXPECT_EQ(frames["Tester"].back().time, 300);
}

TEST_F(ServiceTest, StopOfOneRequestLeavesTheOthers) {
    auto c = ready();
    const agent::Request first = c->Play("Coin");
    const agent::Request second = c->Play("Wave");
    c->Stop(second);
    EXPECT_EQ(second.status(), RequestStatus::Interrupted);
    EXPECT_EQ(first.status(), RequestStatus::InProgress);
    clock.advance(1000);
    EXPECT_EQ(first.status(), RequestStatus::Complete);
}

TEST_F(ServiceTest, PlayOfAnUnknownAnimationIsRefusedNamingItAndTheCharacter) {
    auto c = ready();
    const agent::Request wave = c->Play("Wave");
    try {
        c->Play("Juggle");
        ADD_FAILURE() << "Play of an unknown animation was accepted";
    } catch (const AgentError& e) {
        EXPECT_EQ(e.description(), "The character \"Tester\" has no animation \"Juggle\"");
    }
    // Nothing was queued: what runs goes on, and only it ends.
    clock.advance(1000);
    EXPECT_EQ(ended, std::vector<agent::Request>{wave});
    EXPECT_EQ(wave.status(), RequestStatus::Complete);
}

TEST_F(ServiceTest, WaitHoldsOneCharacterUntilAnotherFinishes) {
    auto [a, b] = readyPair();
    const agent::Request wave = a->Play("Wave");
    const agent::Request wait = b->Wait(wave);
    const agent::Request coin = b->Play("Coin");
    clock.advance(499);
    EXPECT_TRUE(frames["Other"].empty());
    EXPECT_EQ(wait.status(), RequestStatus::InProgress);
    clock.advance(1);
    ASSERT_FALSE(frames["Other"].empty());
    EXPECT_EQ(frames["Other"][0], (Shown{500, kCoinStart}));
    ASSERT_GE(ended.size(), 2u);
    EXPECT_EQ(ended[0], wave);
    EXPECT_EQ(ended[1], wait);
    clock.advance(500);
    EXPECT_EQ(coin.status(), RequestStatus::Complete);
}

TEST_F(ServiceTest, InterruptEndsAnotherCharactersRequest) {
    auto [a, b] = readyPair();
    const agent::Request loop = a->Play("Loop");
    const agent::Request later = a->Play("Coin");
    const agent::Request interrupt = b->Interrupt(loop);
    EXPECT_EQ(loop.status(), RequestStatus::Interrupted);
    EXPECT_EQ(interrupt.status(), RequestStatus::Complete);
    EXPECT_TRUE(ended.empty());
    ManualClock::deliverPosted();
    ASSERT_EQ(ended.size(), 2u);
    EXPECT_EQ(ended[0], loop);
    EXPECT_EQ(ended[1], interrupt);
    clock.advance(100);
    // The loop leaves through its exit frame, then the next request plays.
    EXPECT_EQ(labels("Tester"), (std::vector<int>{kLoop0, kLoopOut}));
    clock.advance(100);
    EXPECT_EQ(labels("Tester").back(), kCoinStart);
    EXPECT_NE(later.status(), RequestStatus::Interrupted);
}

TEST_F(ServiceTest, RequestsEndInQueueOrderAndPassThroughTheirStatuses) {
    auto c = load();
    std::vector<agent::Request> made{c->Show(), c->Play("Wave"), c->MoveTo(10, 20, 0),
                                     c->GestureAt(0, 0), c->Hide()};
    EXPECT_EQ(made[0].status(), RequestStatus::InProgress);
    for (std::size_t i = 1; i < made.size(); ++i)
        EXPECT_EQ(made[i].status(), RequestStatus::Pending);
    clock.advance(10000);
    EXPECT_EQ(ended, made);
    for (const auto& r : made)
        EXPECT_EQ(r.status(), RequestStatus::Complete);
    EXPECT_FALSE(c->Visible());
    EXPECT_EQ(view().position, QPoint(10, 20));
    EXPECT_TRUE(std::is_sorted(endedAt.begin(), endedAt.end()));
}

TEST_F(ServiceTest, MoveToGlidesAlongAStraightLineAfterOnePassOfALoopingMove) {
    auto c = ready();
    const QPoint start = view().position;
    ASSERT_EQ(start.x(), 120);
    std::vector<std::pair<std::int64_t, QPoint>> path;
    QObject::connect(&service->scene(), &scene::Scene::changed, [&](const QString&, unsigned what) {
        if (what & scene::ChangedPosition)
            path.emplace_back(clock.now(), view().position);
    });
    // Towards the screen's left: the character's own right. Its moving animation loops on one
    // frame: that frame shows once (100 ms), then the frame glides 120 px at 2 ms a pixel.
    const agent::Request move = c->MoveTo(0, static_cast<std::int16_t>(start.y()));
    clock.advance(100);
    EXPECT_TRUE(path.empty());
    clock.advance(120);
    ASSERT_FALSE(path.empty());
    EXPECT_NEAR(path.back().second.x(), start.x() / 2, start.x() / 10);
    EXPECT_EQ(labels(), std::vector<int>{kMoveRight});
    EXPECT_EQ(move.status(), RequestStatus::InProgress);
    clock.advance(120);
    EXPECT_EQ(move.status(), RequestStatus::Complete);
    EXPECT_EQ(path.back(), std::make_pair(std::int64_t{340}, QPoint(0, start.y())));
    for (std::size_t i = 1; i < path.size(); ++i) {
        EXPECT_LT(path[i].second.x(), path[i - 1].second.x());
        EXPECT_EQ(path[i].second.y(), start.y());
    }
    // Speed 0 jumps at once.
    const agent::Request jump = c->MoveTo(300, 40, 0);
    clock.advance(0);
    EXPECT_EQ(jump.status(), RequestStatus::Complete);
    EXPECT_EQ(view().position, QPoint(300, 40));
}

TEST_F(ServiceTest, GestureAtPointsTowardsTheSide) {
    auto c = ready();
    const QPoint at = view().position;
    c->GestureAt(static_cast<std::int16_t>(at.x() - 200), static_cast<std::int16_t>(at.y()));
    c->GestureAt(static_cast<std::int16_t>(at.x() + 200), static_cast<std::int16_t>(at.y() + 50));
    clock.advance(1000);
    // The character faces the viewer: the screen's left is its right.
    EXPECT_EQ(labels(), (std::vector<int>{kGestureRight, kGestureLeft}));
}

TEST_F(ServiceTest, SpeakRevealsWordsAsTheyAreSpokenAndMovesTheMouth) {
    auto c = ready();
    const agent::Request r = c->Speak("Hello big world");
    clock.advance(100);  // the speaking animation's one frame
    ASSERT_EQ(synth.calls().size(), 1u);
    scene::BalloonView b = view().balloon;
    EXPECT_TRUE(b.visible);
    EXPECT_EQ(b.kind, scene::BalloonKind::Speak);
    EXPECT_EQ(b.text, "Hello big world");
    EXPECT_EQ(b.text.left(b.revealed), "Hello");
    clock.advance(300);
    b = view().balloon;
    EXPECT_EQ(b.text.left(b.revealed), "Hello big");
    clock.advance(300);
    EXPECT_EQ(view().balloon.revealed, 15);
    const std::vector<int>& mouth = mouths["Tester"];
    EXPECT_GT(std::count_if(mouth.begin(), mouth.end(), [](int m) { return m > kMouth0; }), 3);
    EXPECT_EQ(r.status(), RequestStatus::InProgress);
    clock.advance(300);
    EXPECT_EQ(r.status(), RequestStatus::Complete);
    EXPECT_EQ(mouth.back(), kMouth0);  // closed when the speech ends
    EXPECT_TRUE(view().balloon.visible);
    clock.advance(service->options().balloonLingerMs);
    EXPECT_FALSE(view().balloon.visible);
}

TEST_F(ServiceTest, SpeechTagsNeverReachTheBalloon) {
    auto c = ready();
    c->Speak("\\Chr=\"Whisper\"\\Quiet \\Pau=200\\now");
    clock.advance(100);
    ASSERT_EQ(synth.calls().size(), 1u);
    EXPECT_EQ(view().balloon.text, "Quiet now");
    EXPECT_EQ(synth.calls()[0].script.segments.front().prosody.style, speech::SpeechStyle::Whisper);
}

TEST_F(ServiceTest, BalloonStyleOffSpeaksWithoutABalloon) {
    auto c = ready();
    c->Balloon().setStyle(0);
    const agent::Request r = c->Speak("No balloon");
    clock.advance(5000);
    EXPECT_EQ(r.status(), RequestStatus::Complete);
    EXPECT_EQ(synth.calls().size(), 1u);
    EXPECT_FALSE(view().balloon.visible);
}

TEST_F(ServiceTest, ThinkShowsACloudWithTheWholeTextAndNoVoice) {
    auto c = ready();
    const agent::Request r = c->Think("Hmm, let me see");
    clock.advance(0);
    const scene::BalloonView b = view().balloon;
    EXPECT_TRUE(b.visible);
    EXPECT_EQ(b.kind, scene::BalloonKind::Think);
    EXPECT_EQ(b.revealed, b.text.size());
    EXPECT_TRUE(synth.calls().empty());
    clock.advance(2000);
    EXPECT_EQ(r.status(), RequestStatus::Complete);
}

TEST_F(ServiceTest, SpeakWithASoundFileMovesTheMouthToItsLoudness) {
    auto c = ready();
    std::vector<qint16> samples(11025);  // one second: silence, then a loud half
    for (std::size_t i = 5512; i < samples.size(); ++i)
        samples[i] = static_cast<qint16>((i % 20 < 10) ? 20000 : -20000);
    const QString path = folder.filePath("voice.wav");
    const std::vector<std::uint8_t> bytes = speech::writeWav(samples, 11025);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    file.close();
    const agent::Request r = c->Speak("", path);
    clock.advance(400);
    EXPECT_TRUE(std::all_of(mouths["Tester"].begin(), mouths["Tester"].end(),
                            [](int m) { return m <= kMouth0; }));
    clock.advance(500);
    EXPECT_GT(mouths["Tester"].back(), kMouth0);
    EXPECT_TRUE(synth.calls().empty());
    clock.advance(300);
    EXPECT_EQ(r.status(), RequestStatus::Complete);

    const agent::Request missing = c->Speak("", folder.filePath("none.wav"));
    clock.advance(100);
    EXPECT_EQ(missing.status(), RequestStatus::Failed);
    EXPECT_TRUE(missing.description().contains("none.wav"));
}

TEST_F(ServiceTest, HideEndsVisibilityFastOrAnimated) {
    auto c = ready();
    c->Hide();
    clock.advance(100);
    EXPECT_TRUE(c->Visible());
    clock.advance(100);
    EXPECT_FALSE(c->Visible());
    EXPECT_EQ(labels(), (std::vector<int>{kHide0, kHide1}));
    c->Show(true);
    c->Hide(true);
    clock.advance(0);
    EXPECT_FALSE(c->Visible());
}

TEST_F(ServiceTest, UnloadFailsWhatWasQueuedAndStopAllReachesEveryCharacter) {
    auto a = ready("Tester");
    auto b = load("Other");
    b->Show(true);
    const agent::Request loopA = a->Play("Loop");
    const agent::Request loopB = b->Play("Loop");
    a->StopAll();
    EXPECT_EQ(loopA.status(), RequestStatus::Interrupted);
    EXPECT_EQ(loopB.status(), RequestStatus::Interrupted);

    const agent::Request p1 = a->Play("Loop");
    const agent::Request p2 = a->Play("Wave");
    ManualClock::deliverPosted();
    ended.clear();
    service->Characters().Unload("Tester");
    EXPECT_EQ(p1.status(), RequestStatus::Failed);
    EXPECT_EQ(p2.status(), RequestStatus::Failed);
    ManualClock::deliverPosted();
    EXPECT_EQ(ended, (std::vector<agent::Request>{p1, p2}));
    EXPECT_THROW(a->Play("Wave"), AgentError);
    clock.advance(10000);  // nothing of the unloaded character runs any more
    EXPECT_EQ(service->scene().characterIds(), QStringList{"Other"});
}

TEST_F(ServiceTest, AHandlerMayUnloadTheCharacterWhoseRequestEnded) {
    auto c = ready();
    const auto connection =
        QObject::connect(service.get(), &agent::Agent::RequestComplete, [&](const agent::Request&) {
            if (!service->scene().characterIds().isEmpty())
                service->Characters().Unload("Tester");
        });
    const agent::Request loop = c->Play("Loop");
    const agent::Request wave = c->Play("Wave");
    c->Stop(loop);
    EXPECT_EQ(wave.status(), RequestStatus::Pending);  // the loop is still leaving
    ManualClock::deliverPosted();  // the loop's end is heard: the handler unloads
    QObject::disconnect(connection);
    EXPECT_EQ(loop.status(), RequestStatus::Interrupted);
    EXPECT_EQ(wave.status(), RequestStatus::Failed);
    EXPECT_THROW(c->Play("Wave"), AgentError);
    clock.advance(10000);
    // Loaded again under the same id: the old handle still refuses, the new one plays.
    auto again = load();
    EXPECT_THROW(c->Show(), AgentError);
    EXPECT_FALSE(c->Visible());
    const agent::Request shown = again->Show();
    clock.advance(1000);
    EXPECT_EQ(shown.status(), RequestStatus::Complete);
}

TEST_F(ServiceTest, SceneInputRaisesTheEvents) {
    auto c = ready();
    QStringList seen;
    QObject::connect(
        service.get(), &agent::Agent::Click, [&](const QString& id, int button, int, int x, int y) {
            seen << QStringLiteral("click %1 %2 %3,%4").arg(id).arg(button).arg(x).arg(y);
        });
    QObject::connect(service.get(), &agent::Agent::DragComplete,
                     [&](const QString& id, int, int, int x, int y) {
                         seen << QStringLiteral("drag %1 %2,%3").arg(id).arg(x).arg(y);
                     });
    QObject::connect(service.get(), &agent::Agent::Command, [&](const agent::UserInput& in) {
        seen << QStringLiteral("command %1 %2").arg(in.CharacterID, in.Name);
    });
    c->Commands().setCaption("Tester's menu");
    c->Commands().Add("Exit", "Exit", "", true, true);
    EXPECT_EQ(view().menuCaption, "Tester's menu");
    ASSERT_EQ(view().menu.size(), 1u);
    scene::Scene& scene = service->scene();
    scene.click("tester", 1, 0, QPoint(5, 6));
    scene.dragTo("Tester", QPoint(40, 50));
    EXPECT_EQ(view().position, QPoint(40, 50));
    scene.dragComplete("Tester", 1, 0, QPoint(44, 55));
    scene.chooseCommand("Tester", "Exit");
    EXPECT_EQ(seen,
              (QStringList{"click Tester 1 5,6", "drag Tester 44,55", "command Tester Exit"}));
    scene.hideFromMenu("Tester");
    clock.advance(1000);
    EXPECT_FALSE(c->Visible());
}

}  // namespace
}  // namespace vistrel::engine::testing

namespace vistrel::engine::testing {
namespace {

TEST(ServiceLifetime, ACharacterHeldPastItsServiceRefusesCallsSafely) {
    QTemporaryDir folder;
    const QString path = writeTestCharacter(folder.path(), "Tester");
    ManualClock clock;
    agent::CharacterRef kept;
    {
        Service service(clock, nullptr, nullptr);
        service.Characters().Load("Tester", path);
        kept = service.Characters().Item("Tester");
        kept->Show();
        kept->Speak("Still talking when the service goes");
        clock.advance(150);
    }
    EXPECT_THROW(kept->Play("Wave"), agent::AgentError);
    EXPECT_THROW(kept->Stop(), agent::AgentError);
    kept->Balloon().setStyle(0);
    kept->Commands().Add("Exit", "Exit", "", true, true);
    EXPECT_EQ(kept->Name(), "Tester");
    EXPECT_FALSE(kept->Visible());
    clock.advance(10000);  // no timer of the old service fires any more
}

}  // namespace
}  // namespace vistrel::engine::testing
