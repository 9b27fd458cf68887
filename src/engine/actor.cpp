#include "engine/actor.h"

#include "engine/serviceimpl.h"

#include <algorithm>

namespace vistrel::engine {

using agent::Request;
using agent::RequestStatus;

Actor::Actor(Service::Impl& service, QString id, acs::Character file, QPoint position,
             std::uint32_t seed)
    : service_(service),
      id_(std::move(id)),
      file_(std::move(file)),
      position_(position),
      queue_(id_, [&service](const Request& request) { service.requestEnded(request); }),
      track_(id_, file_, service.clock, service.audio, seed,
             {[this] { changed(scene::ChangedFrame); }, [this] { return visible_; }}),
      balloon_(file_.info(), service.clock, service.options.balloonLingerMs,
               [this] { changed(scene::ChangedBalloon); }),
      motion_(id_, service.clock, service.options.moveUpdatesPerSecond,
              {[this](QPoint at) {
                   if (at != position_) {
                       position_ = at;
                       changed(scene::ChangedPosition);
                   }
               },
               [this] { arrived(); }}),
      utterance_(id_, service.clock, service.synthesizer, service.audio,
                 {[this](int end) { balloon_.reveal(end); },
                  [this](int mouth) { track_.setMouth(mouth); }, [this] { endUtterance(); }}),
      idling_(service.clock, service.options, track_,
              {[this] {
                   return visible_ && !queue_.running() && !queue_.waiting() &&
                          phase_ == Phase::Resting;
               },
               [this] { phase_ = Phase::Idling; },
               [this](bool played) {
                   phase_ = Phase::Resting;
                   if (!played)
                       return;
                   if (queue_.waiting())
                       pump();
                   else
                       idling_.again();
               }}) {}

void Actor::unload() {
    utterance_.cancel();
    track_.halt();
    motion_.stop();
    idling_.cancel();
    balloon_.halt();
    visible_ = false;
    queue_.failAll(QStringLiteral("The character \"%1\" was unloaded").arg(id_));
}

// ---- the queue ----

Request Actor::request(Work work) {
    Batch batch(service_);
    const Request request = service_.newRequest();
    queue_.push(Job{request, std::move(work)});
    if (phase_ == Phase::Idling)
        interruptIdle();
    else
        pump();
    return request;
}

void Actor::stop(const Request& request) {
    Batch batch(service_);
    if (!request.isNull()) {
        stopRequest(request, RequestStatus::Interrupted);
        return;
    }
    stopTypes({});
}

void Actor::stopAll(const QString& types) {
    Batch batch(service_);
    service_.forEachActor([&](Actor& actor) {
        actor.stopTypes(types);
        return false;
    });
}

void Actor::stopTypes(const QString& types) {
    const QStringList wanted = types.toLower().split(QLatin1Char(','), Qt::SkipEmptyParts);
    auto matches = [&](const Job& job) {
        if (wanted.isEmpty())
            return true;
        const char* group = stopGroup(job.work);
        return group && std::any_of(wanted.begin(), wanted.end(), [&](const QString& w) {
                   return w.trimmed() == QLatin1String(group);
               });
    };
    // The running request ends first, then the waiting ones: they end in the order they were
    // made. They leave the queue before, so that none of them starts in between.
    std::vector<Job> stopped = queue_.takeWaitingIf(matches);
    if (const Job* running = queue_.running(); running && matches(*running))
        endRunning(RequestStatus::Interrupted);
    else if (phase_ == Phase::Idling)
        interruptIdle();
    queue_.end(stopped, RequestStatus::Interrupted);
}

bool Actor::stopRequest(const Request& request, RequestStatus status) {
    if (queue_.isRunning(request)) {
        endRunning(status);
        return true;
    }
    return queue_.endWaiting(request, status);
}

void Actor::requestEnded(const Request& request) {
    const Job* running = queue_.running();
    if (!running)
        return;
    if (const auto* wait = std::get_if<WaitRequest>(&running->work); wait && wait->other == request)
        finish(RequestStatus::Complete);
}

void Actor::speechChunk(quint64 job, const speech::SpeechChunk& chunk) {
    utterance_.chunk(job, chunk);
}

void Actor::finish(RequestStatus status, const QString& why) {
    if (!queue_.running())
        return;
    phase_ = Phase::Resting;
    queue_.endRunning(status, why);
    pump();
}

// Ends the running request before its time: what it was doing stops at once, or leaves
// through its animation's exit path.
void Actor::endRunning(RequestStatus status) {
    const Work& work = queue_.running()->work;
    if (std::holds_alternative<ShowRequest>(work) || std::holds_alternative<HideRequest>(work))
        return;  // appearing and disappearing always play to their end
    if (std::holds_alternative<SpeakRequest>(work) || std::holds_alternative<ThinkRequest>(work)) {
        utterance_.cancel();
        track_.stop();  // still playing the animation speech begins with: it stops where it is
        track_.setHeld(true);
        if (track_.mouth() >= 0)
            track_.setMouth(0);
        balloon_.close();
        finish(status);
        return;
    }
    if (std::holds_alternative<WaitRequest>(work) ||
        std::holds_alternative<InterruptRequest>(work)) {
        finish(status);
        return;
    }
    // Play, Gesture and Move.
    motion_.stop();
    queue_.endRunning(status);
    if (!track_.finished()) {
        phase_ = Phase::Leaving;
        track_.setHeld(false);
        track_.exit([this] {
            phase_ = Phase::Resting;
            pump();
        });
        return;
    }
    phase_ = Phase::Resting;
    pump();
}

// Starts waiting requests while the character is free. Requests that end at once end the
// next one's wait here, in this loop: a long queue of them never deepens the stack.
void Actor::pump() {
    if (pumping_) {
        pumpAgain_ = true;
        return;
    }
    pumping_ = true;
    do {
        pumpAgain_ = false;
        startNext();
    } while (pumpAgain_);
    pumping_ = false;
}

void Actor::startNext() {
    if (phase_ != Phase::Resting || queue_.running())
        return;
    if (!queue_.waiting()) {
        if (visible_)
            idling_.rest();
        return;
    }
    idling_.cancel();
    if (needsLeave(queue_.next().work)) {
        phase_ = Phase::Leaving;
        track_.leave([this] {
            phase_ = Phase::Resting;
            pump();
        });
        return;
    }
    Job& job = queue_.startNext();
    phase_ = Phase::Running;
    start(job);
}

// Whether the animation shown last must be left before `work` can begin.
bool Actor::needsLeave(const Work& work) const {
    if (!track_.held() || !visible_)
        return false;
    if (const auto* hide = std::get_if<HideRequest>(&work))
        return !hide->fast;
    if (std::holds_alternative<PlayRequest>(work) || std::holds_alternative<MoveRequest>(work) ||
        std::holds_alternative<GestureRequest>(work))
        return true;
    if (std::holds_alternative<SpeakRequest>(work))
        return !track_.speakingFrameReady();
    return false;
}

void Actor::interruptIdle() {
    // A request came while idling: the idle animation leaves at once through its exit path.
    track_.setHeld(false);
    track_.exit([this] {
        phase_ = Phase::Resting;
        pump();
    });
}

// ---- what it shows and what it answers ----

QString Actor::name() const {
    const auto language = static_cast<std::uint16_t>(language_ ? language_ : 0x0409);
    const acs::LocalizedInfo* info = file_.info().localizedFor(language);
    if (!info || info->name.empty())
        return id_;
    return QString::fromStdU16String(info->name);
}

QStringList Actor::animationNames() const {
    QStringList names;
    for (const acs::Animation& animation : file_.animations())
        names << QString::fromStdU16String(animation.name);
    return names;
}

void Actor::setBalloonStyle(std::int32_t style) {
    Batch batch(service_);
    balloon_.setStyle(style);
}

void Actor::setCaption(const QString& caption) {
    Batch batch(service_);
    caption_ = caption;
    changed(scene::ChangedMenu);
}

void Actor::addCommand(scene::MenuEntry entry) {
    Batch batch(service_);
    menu_.push_back(std::move(entry));
    changed(scene::ChangedMenu);
}

scene::CharacterView Actor::view() const {
    scene::CharacterView v;
    v.id = id_;
    v.visible = visible_;
    v.position = position_;
    v.frame = track_.picture();
    v.frameSerial = track_.pictureSerial();
    v.balloon = balloon_.view();
    v.menuCaption = caption_;
    v.menu = menu_;
    return v;
}

void Actor::setPositionByUser(QPoint topLeft) {
    if (topLeft == position_)
        return;
    position_ = topLeft;
    changed(scene::ChangedPosition);
}

void Actor::hideByUser() {
    stopTypes({});
    request(HideRequest{false});
}

std::size_t Actor::heldBytes() const {
    return file_.heldBytes() + track_.heldBytes();
}

void Actor::changed(unsigned what) {
    service_.changed(id_, what);
}

}  // namespace vistrel::engine
