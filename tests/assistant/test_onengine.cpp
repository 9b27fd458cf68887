// The help assistant on the character engine with the program's own Merlin, on a manual clock:
// what a person sees of the greeting and the introduction, and what the pop-up menu's Hide
// leaves behind.

#include "assistant/helpassistant.h"

#include "engine/clock.h"
#include "engine/service.h"
#include "engine/speech/testing/fakesynthesizer.h"
#include "platform/testing/scripted.h"
#include "stage/offscreen/offscreenstage.h"
#include "support/qtprinters.h"
#include "support/snapshot.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QPainter>

namespace vistrel::test {
namespace {

using assistant::HelpAssistant;

const QString kCharsDir = QStringLiteral(VISTREL_BUILT_CHARS_DIR);

// Pictures of the desktop around the character taken while it acts, laid out on one sheet for
// a person to look at.
class ContactSheet {
  public:
    static constexpr QSize kCell{280, 200};
    static constexpr int kColumns = 8;
    static constexpr int kMaxPictures = 96;

    void take(const scene::Scene& scene, QPoint character) {
        if (!enabled_ || pictures_.size() >= kMaxPictures)
            return;
        const QImage desktop =
            offscreen::renderScenes({&scene}, QSize(1024, 768), QColor(0x3a, 0x6e, 0xa5));
        const QPoint corner(std::max(0, character.x() - 76), std::max(0, character.y() - 36));
        pictures_.push_back(desktop.copy(QRect(corner, kCell)));
    }

    void save(const QString& name) const {
        if (pictures_.empty())
            return;
        const QSize cell = kCell;
        const int rows = (static_cast<int>(pictures_.size()) + kColumns - 1) / kColumns;
        QImage sheet(cell.width() * kColumns, cell.height() * rows, QImage::Format_RGB32);
        sheet.fill(Qt::black);
        QPainter painter(&sheet);
        for (int i = 0; i < static_cast<int>(pictures_.size()); ++i) {
            const QPoint at((i % kColumns) * cell.width(), (i / kColumns) * cell.height());
            painter.drawImage(at, pictures_[i]);
            painter.setPen(Qt::white);
            painter.drawRect(QRect(at, cell).adjusted(0, 0, -1, -1));
        }
        painter.end();
        saveSnapshot(sheet, name);
    }

  private:
    bool enabled_ = !qEnvironmentVariableIsEmpty("VISTREL_SNAPSHOT_DIR");
    std::vector<QImage> pictures_;
};

class AssistantOnEngineTest : public ::testing::Test {
  protected:
    AssistantOnEngineTest() {
        QObject::connect(&service, &agent::Agent::RequestComplete, [this](const agent::Request& r) {
            if (r.status() == agent::RequestStatus::Complete)
                ++completed;
            else
                failures << r.description();
        });
        QObject::connect(&service.scene(), &scene::Scene::changed,
                         [this](const QString& id, unsigned) { seen(id); });
    }

    static engine::ServiceOptions options() {
        engine::ServiceOptions o;
        o.defaultCharacterFolder = kCharsDir;
        return o;
    }

    void seen(const QString& id) {
        const scene::CharacterView view = service.scene().view(id);
        if (view.balloon.visible && (balloons.isEmpty() || balloons.last() != view.balloon.text))
            balloons << view.balloon.text;
        if (view.visible)
            positions << view.position;
        // Five pictures a second while the character moves or acts without speaking.
        const bool speaking =
            view.balloon.visible && view.balloon.revealed < view.balloon.text.size();
        if (view.visible && !speaking && clock.now() - lastPicture >= 200) {
            lastPicture = clock.now();
            sheet.take(service.scene(), view.position);
        }
    }

    // Runs the clock until `requests` more requests have completed or failed, or ten minutes.
    void runUntilDone(int requests) {
        const int target = completed + static_cast<int>(failures.size()) + requests;
        for (int waited = 0;
             waited < 600000 && completed + static_cast<int>(failures.size()) < target;
             waited += 50)
            clock.advance(50);
    }

    scene::CharacterView merlin() { return service.scene().view(QStringLiteral("Merlin")); }

    engine::ManualClock clock;
    speech::FakeSynthesizer synth{speech::FakeSynthesizer::Delivery::Immediate};
    engine::Service service{clock, &synth, nullptr, options()};
    platform::testing::ScriptedMessageBoxes messages;
    HelpAssistant helper{service, messages};

    int completed = 0;
    QStringList failures;
    QStringList balloons;
    QList<QPoint> positions;
    std::int64_t lastPicture = -1000;
    ContactSheet sheet;
};

TEST_F(AssistantOnEngineTest, TheGreetingPlaysToItsEndAtTheTopOfTheScreen) {
    ASSERT_TRUE(QFileInfo::exists(kCharsDir + QLatin1String("/Merlin.acs")));
    helper.switchOn();
    ASSERT_TRUE(helper.character());
    runUntilDone(6);  // Show, MoveTo, Play, three sentences
    sheet.save(QStringLiteral("assistant-greeting"));

    EXPECT_TRUE(failures.isEmpty()) << failures.join('\n').toStdString();
    EXPECT_EQ(completed, 6);
    EXPECT_EQ(merlin().position, QPoint(200, 0));
    EXPECT_TRUE(merlin().visible);
    EXPECT_EQ(balloons,
              (QStringList{
                  "I am here to help and as you go about creating your scripts I will prompt you",
                  "To start, just read the status bar in the Dudori Zuvove",
                  "Also if you wish to get rid of me for a while then just right-click me and "
                  "choose hide"}));

    // Hidden from its own pop-up menu: help stays on and a hint waits its turn, unseen.
    service.scene().hideFromMenu(QStringLiteral("Merlin"));
    runUntilDone(1);
    EXPECT_FALSE(merlin().visible);
    EXPECT_TRUE(helper.isOn());
    balloons.clear();
    helper.speakHint(
        QStringLiteral("Just click once to add a 'Load character', command to the "
                       "script!"));
    runUntilDone(1);
    EXPECT_TRUE(failures.isEmpty()) << failures.join('\n').toStdString();
    EXPECT_TRUE(balloons.isEmpty()) << "a hidden character shows no balloon";
    EXPECT_FALSE(merlin().visible);
}

TEST_F(AssistantOnEngineTest, TheIntroductionPlaysEveryStepAtItsPlaceAndEndsHidden) {
    helper.playIntroduction();
    ASSERT_TRUE(messages.shown.empty());
    runUntilDone(24);  // every step after the load
    sheet.save(QStringLiteral("assistant-introduction"));

    EXPECT_TRUE(failures.isEmpty()) << failures.join('\n').toStdString();
    EXPECT_EQ(completed, 24);
    EXPECT_FALSE(merlin().visible) << "the last step hides the character";
    EXPECT_FALSE(helper.isOn());
    ASSERT_FALSE(positions.isEmpty());
    EXPECT_EQ(positions.last(), QPoint(100, 100));
    ASSERT_EQ(balloons.size(), 15);
    EXPECT_EQ(balloons.first(), "Welcome to this new Vistrel Scripter!");
    EXPECT_EQ(balloons.last(), "Why not check out the examples in the scripts folder.");

    // The character stays loaded, so a second introduction is refused at once.
    const int before = completed;
    helper.playIntroduction();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "There was a problem finding a default character");
    clock.advance(1000);
    EXPECT_EQ(completed, before);
    EXPECT_FALSE(merlin().visible);
}

}  // namespace
}  // namespace vistrel::test
