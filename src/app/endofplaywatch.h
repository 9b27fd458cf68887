#pragma once

#include "agent/agent.h"
#include "script/player.h"

#include <QObject>
#include <QTimer>

#include <chrono>

namespace vistrel::app {

// Ends a play that was asked to end once its characters are gone ("UnloadAll", or a script
// played from the command line): with the state's closeWhenAllHidden set, it reports
// everyCharacterHidden when no character of the cast is visible any more. A character is
// hidden once its Hide request has played to its end, so the watch looks whenever a request of
// the script's characters ends, after the service has finished that turn (a character's next
// request, a Show perhaps, has started by then). A play that never shows a character, or whose
// cast is emptied by a command, gets one look after a settling time instead.
class EndOfPlayWatch final : public QObject {
    Q_OBJECT
  public:
    static constexpr std::chrono::milliseconds kSettlingTime{10000};

    EndOfPlayWatch(const script::PlayerState& state, agent::Agent& service,
                   QObject* parent = nullptr);

    // One look once the settling time has passed: after a play starts or the cast changes.
    void lookAfterSettling();
    // No more looks: the program is ending.
    void stop();

    void setSettlingTime(std::chrono::milliseconds time) { settling_.setInterval(time); }
    bool settling() const { return settling_.isActive(); }

  signals:
    void everyCharacterHidden();

  private:
    void lookSoon();
    void look();
    bool everyoneHidden() const;

    const script::PlayerState& state_;
    QTimer settling_;
    bool lookPending_ = false;
    bool stopped_ = false;
};

}  // namespace vistrel::app
