#pragma once

// One loaded character of the engine: it runs its requests one after another, each through
// the part that does that kind of work (the animation track, motion, the utterance and the
// balloon), and idles in between. Owned by the service; callers reach it through a
// CharacterHandle.

#include "acs/character.h"
#include "agent/agent.h"
#include "engine/animationtrack.h"
#include "engine/idling.h"
#include "engine/motion.h"
#include "engine/requestqueue.h"
#include "engine/service.h"
#include "engine/speechballoon.h"
#include "engine/utterance.h"
#include "scene/scene.h"

#include <QPoint>
#include <QString>

#include <optional>
#include <vector>

namespace vistrel::speech {
struct SpeechChunk;
}

namespace vistrel::engine {

class Actor {
  public:
    Actor(Service::Impl& service, QString id, acs::Character file, QPoint position,
          std::uint32_t seed);
    Actor(const Actor&) = delete;
    Actor& operator=(const Actor&) = delete;

    // Queues a request; it runs once those before it are done.
    agent::Request request(Work work);
    // Ends `request` if it is this character's; a null request stops all of them.
    void stop(const agent::Request& request);
    // Stops the requests of the kinds `types` names (empty: all), of every character.
    void stopAll(const QString& types);

    QString name() const;
    bool visible() const { return visible_; }
    std::int32_t language() const { return language_; }
    void setLanguage(std::int32_t language) { language_ = language; }
    QStringList animationNames() const;
    bool hasAnimation(const QString& name) const { return track_.find(name).has_value(); }
    std::int32_t balloonStyle() const { return balloon_.style(); }
    void setBalloonStyle(std::int32_t style);
    const QString& caption() const { return caption_; }
    void setCaption(const QString& caption);
    void addCommand(scene::MenuEntry entry);

    // Used by the service.
    const QString& id() const { return id_; }
    scene::CharacterView view() const;
    void setPositionByUser(QPoint topLeft);
    void hideByUser();
    // Stops this character's requests of the kinds `types` names (empty: all).
    void stopTypes(const QString& types);
    // Ends `request` with `status` if it is this character's; true when it was.
    bool stopRequest(const agent::Request& request, agent::RequestStatus status);
    // Another request ended: a Wait on it may go on.
    void requestEnded(const agent::Request& request);
    void speechChunk(quint64 job, const speech::SpeechChunk& chunk);
    // Stops everything and fails every request still queued: the character was unloaded.
    void unload();
    std::size_t heldBytes() const;

  private:
    enum class Phase { Resting, Leaving, Running, Idling };

    // The queue (actor.cpp).
    void pump();
    void startNext();
    bool needsLeave(const Work& work) const;
    void finish(agent::RequestStatus status, const QString& why = {});
    void endRunning(agent::RequestStatus status);
    void interruptIdle();
    void changed(unsigned what);

    // Each kind of request (actorrequests.cpp).
    void start(Job& job);
    void begin(const ShowRequest& show);
    void begin(const HideRequest& hide);
    void begin(const PlayRequest& play);
    void begin(const SpeakRequest& speak);
    void begin(const ThinkRequest& think);
    void begin(const MoveRequest& move);
    void glide(const MoveRequest& move);
    void begin(const GestureRequest& gesture);
    void begin(const WaitRequest& wait);
    void begin(const InterruptRequest& interrupt);
    void beginUtterance();
    void showInBalloon(scene::BalloonKind kind, const QString& text, int revealed);
    // Logs the animation chosen for a move or gesture.
    void logChoice(const char* what, Motion::Heading heading, const char* state,
                   std::optional<std::size_t> animation) const;
    void arrived();
    void endUtterance();

    Service::Impl& service_;
    QString id_;
    acs::Character file_;

    bool visible_ = false;
    QPoint position_;
    std::int32_t language_ = 0;
    QString caption_;
    std::vector<scene::MenuEntry> menu_;
    Phase phase_ = Phase::Resting;
    bool moveAnimated_ = false;  // the running move plays a moving animation
    bool pumping_ = false;       // pump() is running further up the stack
    bool pumpAgain_ = false;     // and should look at the queue once more

    RequestQueue queue_;
    AnimationTrack track_;
    SpeechBalloon balloon_;
    Motion motion_;
    Utterance utterance_;
    Idling idling_;
};

}  // namespace vistrel::engine
