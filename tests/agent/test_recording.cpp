// The recording character service: what tests and the trace tool rely on.

#include "agent/recording.h"

#include "support/qtprinters.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace vistrel::agent;

namespace {

QString errorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const AgentError& e) {
        return e.description();
    }
    return {};
}

class Recording : public testing::Test {
  protected:
    Recording() {
        QFile f(dir.filePath("Merlin.acs"));
        f.open(QIODevice::WriteOnly);
        f.write("x");
    }
    QString merlinPath() const { return dir.filePath("Merlin.acs"); }

    QTemporaryDir dir;
    RecordingAgent agent;
};

TEST_F(Recording, LoadRefusesMissingFilesAndIdsAlreadyLoaded) {
    EXPECT_NE(errorOf([&] { agent.Load("Genie", dir.filePath("Genie.acs")); }), QString());
    EXPECT_EQ(errorOf([&] { agent.Load("Merlin", merlinPath()); }), QString());
    EXPECT_NE(errorOf([&] { agent.Load("merlin", merlinPath()); }), QString());  // ids ignore case
    EXPECT_NE(errorOf([&] { agent.Item("Genie"); }), QString());
    EXPECT_EQ(agent.Item("MERLIN"), agent.Character("Merlin"));

    // Without a file the service looks in its own default place.
    EXPECT_NE(errorOf([&] { agent.Load("Merlin2"); }), QString());
    RecordingAgent assistant;
    assistant.setDefaultCharacterFolder(dir.path());
    EXPECT_EQ(errorOf([&] { assistant.Load("Merlin"); }), QString());

    EXPECT_EQ(agent.callLines().front(),
              QStringLiteral("Characters.Load(\"Genie\", \"%1\") !! The character file \"%1\" was "
                             "not found")
                  .arg(dir.filePath("Genie.acs")));
}

TEST_F(Recording, TwoInstancesKeepTheirOwnCollections) {
    RecordingAgent assistant;
    agent.Load("Merlin", merlinPath());
    EXPECT_EQ(errorOf([&] { assistant.Load("Merlin", merlinPath()); }), QString());
    assistant.Unload("Merlin");
    EXPECT_TRUE(agent.Item("Merlin")->Name() == "Merlin");
    EXPECT_NE(errorOf([&] { assistant.Item("Merlin"); }), QString());
}

TEST_F(Recording, TracksVisibilityAndHandsOutDistinctRequests) {
    agent.Load("Merlin", merlinPath());
    CharacterRef m = agent.Item("Merlin");
    EXPECT_FALSE(m->Visible());
    const Request shown = m->Show();
    EXPECT_TRUE(m->Visible());
    const Request spoken = m->Speak("Hi");
    m->Hide(true);
    EXPECT_FALSE(m->Visible());

    EXPECT_FALSE(shown == spoken);
    const Request copy = shown;
    EXPECT_TRUE(copy == shown);
    EXPECT_TRUE(Request() == Request());
    EXPECT_FALSE(Request() == shown);
    EXPECT_EQ(m->Wait(shown).id(), 4u);
    EXPECT_EQ(
        agent.callLines().mid(2),
        (QStringList{"Merlin.Visible -> False", "Merlin.Show() -> #1", "Merlin.Visible -> True",
                     "Merlin.Speak(\"Hi\") -> #2", "Merlin.Hide(True) -> #3",
                     "Merlin.Visible -> False", "Merlin.Wait(#1) -> #4"}));
}

TEST_F(Recording, RefusesChosenCallsAndCallsOnUnloadedCharacters) {
    agent.Load("Merlin", merlinPath());
    CharacterRef m = agent.Item("Merlin");
    agent.refuse("Speak", "The speech engine is busy");
    agent.refuse("Genie.Play");
    EXPECT_EQ(errorOf([&] { m->Speak("Hi"); }), "The speech engine is busy");
    EXPECT_EQ(errorOf([&] { m->Play("Wave"); }), QString());
    agent.allow("speak");
    EXPECT_EQ(errorOf([&] { m->Speak("Hi"); }), QString());
    EXPECT_NE(errorOf([&] { m->Wait(Request()); }), QString());

    agent.Unload("Merlin");
    EXPECT_NE(errorOf([&] { m->Show(); }), QString());
    EXPECT_NE(errorOf([&] { agent.Unload("Merlin"); }), QString());
    // A refused request call hands out no request id.
    agent.Load("Merlin", merlinPath());
    EXPECT_EQ(agent.Item("Merlin")->Show().id(), 3u);
}

TEST_F(Recording, RaisesEventsOnDemand) {
    QStringList seen;
    QObject::connect(&agent, &Agent::Click, [&](const QString& id, int button, int, int x, int y) {
        seen << QStringLiteral("click %1 %2 %3,%4").arg(id).arg(button).arg(x).arg(y);
    });
    QObject::connect(&agent, &Agent::DragComplete, [&](const QString& id, int, int, int x, int y) {
        seen << QStringLiteral("drag %1 %2,%3").arg(id).arg(x).arg(y);
    });
    QObject::connect(&agent, &Agent::Command, [&](const UserInput& input) {
        seen << QStringLiteral("command %1 from %2").arg(input.Name, input.CharacterID);
    });
    Request done;
    QObject::connect(&agent, &Agent::RequestComplete, [&](const Request& r) { done = r; });

    agent.Load("Merlin", merlinPath());
    const Request shown = agent.Item("Merlin")->Show();
    agent.raiseClick("Merlin", 2, 0, 10, 20);
    agent.raiseDragComplete("Merlin", 1, 0, 30, 40);
    agent.raiseCommand("Merlin", "Exit");
    agent.complete(shown);

    EXPECT_EQ(seen, (QStringList{"click Merlin 2 10,20", "drag Merlin 30,40",
                                 "command Exit from Merlin"}));
    EXPECT_TRUE(done == shown);
    EXPECT_EQ(shown.status(), RequestStatus::Complete);
}

TEST(CallLines, QuoteAndEscapeStrings) {
    EXPECT_EQ(quoted("say \"hi\"\\\n"), "\"say \\\"hi\\\"\\\\\\n\"");
    Call property{"Merlin", "Balloon.Style=", {"0"}, {}, {}, false};
    EXPECT_EQ(property.toString(), "Merlin.Balloon.Style=0");
}

}  // namespace
