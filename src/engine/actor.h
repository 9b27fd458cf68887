#pragma once

// One loaded character of the engine: its file, its request queue and what it shows.
// Internal to the service.

#include "acs/character.h"
#include "agent/agent.h"
#include "engine/animator.h"
#include "engine/composer.h"
#include "engine/service.h"
#include "scene/scene.h"

#include <QImage>
#include <QPoint>
#include <QString>

#include <deque>
#include <functional>
#include <map>
#include <optional>

namespace vistrel::speech {
struct SpeechChunk;
}

namespace vistrel::engine {

// One queued call.
struct Job {
    enum class Kind { Show, Hide, Play, Speak, Think, Move, Gesture, Wait, Interrupt };
    explicit Job(Kind k) : kind(k) {}

    Kind kind;
    agent::Request request;
    bool fast = false;
    QString text;  // animation name, or the text to speak or think
    QString url;
    QPoint point;
    int speed = 1000;
    agent::Request other;  // what Wait and Interrupt refer to
    bool internal = false;
};

class Actor : public agent::Character, public agent::Balloon, public agent::Commands {
  public:
    Actor(Service::Impl& service, QString id, acs::Character file, QPoint position,
          std::uint32_t seed);
    ~Actor() override;

    // agent::Character
    agent::Request Show(bool fast = false) override;
    agent::Request Hide(bool fast = false) override;
    agent::Request Play(const QString& animation) override;
    agent::Request Speak(const QString& text = {}, const QString& url = {}) override;
    agent::Request Think(const QString& text) override;
    agent::Request MoveTo(std::int16_t x, std::int16_t y,
                          std::optional<std::int32_t> speed = std::nullopt) override;
    agent::Request GestureAt(std::int16_t x, std::int16_t y) override;
    void Stop(const agent::Request& request = {}) override;
    void StopAll(const QString& types = {}) override;
    agent::Request Wait(const agent::Request& request) override;
    agent::Request Interrupt(const agent::Request& request) override;
    QString Name() const override;
    bool Visible() const override;
    std::int32_t LanguageID() const override;
    void setLanguageID(std::int32_t language) override;
    QStringList AnimationNames() const override;
    agent::Balloon& Balloon() override { return *this; }
    agent::Commands& Commands() override { return *this; }

    // agent::Balloon
    std::int32_t Style() const override { return balloonStyle_; }
    void setStyle(std::int32_t style) override;

    // agent::Commands
    QString Caption() const override { return caption_; }
    void setCaption(const QString& caption) override;
    void Add(const QString& name, const QString& caption, const QString& voice, bool enabled,
             bool visible) override;

    // Used by the service.
    const QString& id() const { return id_; }
    scene::CharacterView view() const;
    void setPositionByUser(QPoint topLeft);
    void hideByUser();
    // Stops the requests whose kind `types` names (empty: all).
    void stopTypes(const QString& types);
    // Removes a queued request or ends the running one; true when it was this character's.
    bool stopRequest(const agent::Request& request, agent::RequestStatus status);
    // Another request ended: a Wait on it may go on.
    void requestEnded(const agent::Request& request);
    void speechChunk(quint64 job, const speech::SpeechChunk& chunk);
    // Fails everything still queued; the character is no longer loaded.
    void unload();
    std::size_t heldBytes() const;

  private:
    enum class Phase { Resting, Leaving, Running, Idling };

    Service::Impl* service_;
    QString id_;
    acs::Character file_;
    FrameComposer composer_;
    Dice dice_;

    bool loaded_ = true;
    bool visible_ = false;
    QPoint position_;
    std::int32_t language_ = 0;
    std::int32_t balloonStyle_ = 0;
    QString caption_;
    std::vector<scene::MenuEntry> menu_;

    std::deque<Job> queue_;
    std::optional<Job> active_;
    Phase phase_ = Phase::Resting;

    // The animation being played or last played.
    std::size_t animIndex_ = 0;
    AnimationPlayer anim_;
    bool animHeld_ = false;  // shown, and not yet left through its transition
    std::function<void()> animDone_;
    int mouth_ = -1;
    QImage picture_;
    std::uint64_t pictureSerial_ = 0;

    scene::BalloonView balloon_;

    // Moving.
    QPoint moveFrom_, moveTo_;
    std::int64_t moveStart_ = 0, moveEnd_ = 0;
    bool moveAnimated_ = false;

    // Speaking and thinking: events at clock times.
    struct TimedEvent {
        enum class Kind { Reveal, Mouth, End } kind;
        int value = 0;
    };
    std::multimap<std::int64_t, TimedEvent> events_;
    quint64 speechJob_ = 0;
    std::int64_t speechStart_ = -1;
    std::int64_t speechEnd_ = -1;  // known once the last chunk arrived
    quint64 audioStream_ = 0;

    // Idling.
    std::int64_t restingSince_ = 0;
    bool idleArmed_ = false;

    int frameTimer_ = 0, jobTimer_ = 0, idleTimer_ = 0, balloonTimer_ = 0;

    agent::Request enqueue(Job job);
    void pump();
    bool needsLeave(const Job& job) const;
    void leave(std::function<void()> then);
    void start(Job& job);
    void finish(agent::RequestStatus status, const QString& why = {});
    void endActive(agent::RequestStatus status);
    void failJob(Job& job, agent::RequestStatus status, const QString& why = {});

    // Animation.
    const acs::Animation* animationFor(const QString& name, std::size_t* index) const;
    const acs::Animation* stateAnimation(const char* state, std::size_t* index);
    void playAnimation(std::size_t index, std::function<void()> done);
    void showFrame();
    void onFrameTimer();
    void finishAnimation();
    void exitAnimation(std::function<void()> done);
    void showRestPicture();
    void setPicture(QImage picture);

    // Jobs.
    void startShow(Job& job);
    void startHide(Job& job);
    void startPlay(Job& job);
    void startMove(Job& job);
    void onMoveTick();
    void startGesture(Job& job);
    void startSpeak(Job& job);
    void beginUtterance();
    void startThink(Job& job);
    void onJobTimer();
    void armJobTimer();
    void endSpeech();
    void setMouth(int mouth);
    bool speakingFrameReady() const;

    // Idling.
    void armIdle();
    void onIdleTimer();
    int idleLevel() const;
    void interruptIdle();

    // Balloon.
    bool balloonOn() const;
    void openBalloon(scene::BalloonKind kind, const QString& text, int revealed);
    void closeBalloon();

    void changed(unsigned what);
};

}  // namespace vistrel::engine
