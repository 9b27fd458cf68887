// The script player on the real engine: the demo scripts shipped with the program play to
// their end with the built-in characters, and a Play of an animation a character lacks stops
// the script at its line.

#include "engine/service.h"
#include "engine/speech/testing/fakesynthesizer.h"
#include "script/player.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace vistrel::engine::testing {
namespace {

class Host final : public script::PlayerHost {
  public:
    void setStatusText(const QString&) override {}
    void minimizeWindow() override {}
    void showStopMessage(const QString&, const QString& text) override { reports << text; }
    void focusEditor() override {}
    QString programFolder() const override { return folder.path(); }

    QTemporaryDir folder;
    QStringList reports;
};

class EnginePlay : public ::testing::Test {
  protected:
    EnginePlay() {
        state.charactersFolder = QStringLiteral(VISTREL_BUILT_CHARS_DIR);
        QObject::connect(service.get(), &agent::Agent::RequestComplete,
                         [this](const agent::Request& r) {
                             if (r.status() == agent::RequestStatus::Failed)
                                 failures << r.description();
                         });
    }

    // Lets the queued requests play out: until every character has hidden, or ten minutes.
    void playOut() {
        for (int s = 0; s < 600; ++s) {
            clock.advance(1000);
            bool shown = false;
            for (const auto& member : state.cast)
                shown = shown || (member.character && member.character->Visible());
            if (!shown && s > 0)
                return;
        }
        ADD_FAILURE() << "a character is still shown after ten minutes";
    }

    static ServiceOptions options() {
        ServiceOptions o;
        o.defaultCharacterFolder = QStringLiteral(VISTREL_BUILT_CHARS_DIR);
        return o;
    }

    ManualClock clock;
    speech::FakeSynthesizer synth{speech::FakeSynthesizer::Delivery::Immediate};
    std::unique_ptr<Service> service = std::make_unique<Service>(clock, &synth, nullptr, options());
    script::PlayerState state;
    Host host;
    script::ScriptPlayer player{state, *service, host};
    QStringList failures;
};

TEST_F(EnginePlay, EveryDemoScriptPlaysToItsEnd) {
    const QDir scripts(QStringLiteral(VISTREL_SCRIPTS_DIR));
    const QStringList names = scripts.entryList({QStringLiteral("*.vtl")}, QDir::Files);
    ASSERT_GE(names.size(), 4);
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        for (const QString& id : service->scene().characterIds())
            service->Characters().Unload(id);
        failures.clear();
        player.playScript(scripts.filePath(name));
        EXPECT_FALSE(player.failed()) << host.reports.join('\n').toStdString();
        EXPECT_GT(state.cast.size(), 0);
        playOut();
        // A move before the character is shown places it, and is reported as not done.
        failures.removeAll(QStringLiteral("character not visible"));
        EXPECT_TRUE(failures.isEmpty()) << failures.join('\n').toStdString();
    }
}

TEST_F(EnginePlay, PlayOfAnAnimationTheCharacterLacksStopsTheScriptAtItsLine) {
    player.playText(
        QStringLiteral("Load.Rivet\r\nRivet.Show\r\nRivet.Play.Wave\r\n"
                       "Rivet.Play.Juggle\r\nRivet.Hide\r\n"));
    EXPECT_TRUE(player.failed());
    ASSERT_EQ(host.reports.size(), 1);
    EXPECT_TRUE(host.reports.front().startsWith(
        "The character \"Rivet\" has no animation \"Juggle\"...Line - 4\n"))
        << host.reports.front().toStdString();
    // What came before plays; the line after the failing one was never queued.
    clock.advance(20000);
    EXPECT_TRUE(failures.isEmpty());
    ASSERT_EQ(state.cast.size(), 1);
    EXPECT_TRUE(state.cast[0].character->Visible());
}

}  // namespace
}  // namespace vistrel::engine::testing
