#include "app/endofplaywatch.h"

#include "log/log.h"

namespace vistrel::app {

EndOfPlayWatch::EndOfPlayWatch(const script::PlayerState& state, agent::Agent& service,
                               QObject* parent)
    : QObject(parent), state_(state) {
    settling_.setSingleShot(true);
    settling_.setInterval(kSettlingTime);
    connect(&settling_, &QTimer::timeout, this, &EndOfPlayWatch::look);
    connect(&service, &agent::Agent::RequestComplete, this, &EndOfPlayWatch::lookSoon);
}

void EndOfPlayWatch::lookAfterSettling() {
    if (!stopped_)
        settling_.start();
}

void EndOfPlayWatch::stop() {
    stopped_ = true;
    settling_.stop();
}

void EndOfPlayWatch::lookSoon() {
    // Requests end in bursts, often from inside the service's own work: one look, queued.
    if (lookPending_ || stopped_ || !state_.closeWhenAllHidden)
        return;
    lookPending_ = true;
    QMetaObject::invokeMethod(this, &EndOfPlayWatch::look, Qt::QueuedConnection);
}

void EndOfPlayWatch::look() {
    lookPending_ = false;
    if (stopped_ || !state_.closeWhenAllHidden || !everyoneHidden())
        return;
    qCDebug(log::app) << "every character of the play is hidden: the program ends";
    emit everyCharacterHidden();
}

bool EndOfPlayWatch::everyoneHidden() const {
    for (const script::Cast::Member& member : state_.cast) {
        try {
            if (member.character && member.character->Visible())
                return false;
        } catch (const agent::AgentError& e) {
            // A character whose visibility cannot be read is not on the desktop any more.
            log::ignored(log::app(), member.name + QLatin1String(".Visible"), e);
        }
    }
    return true;
}

}  // namespace vistrel::app
