#include "engine/actor.h"

#include "engine/serviceimpl.h"
#include "engine/speech/audio.h"
#include "engine/speech/speechtags.h"
#include "engine/speech/synthesizer.h"
#include "engine/speech/voices.h"
#include "engine/speech/wav.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cmath>

namespace vistrel::engine {

using agent::AgentError;
using agent::Request;
using agent::RequestStatus;

namespace {

// A sound file given to Speak is read whole; larger ones are refused.
constexpr qint64 kMaxSpeakSoundBytes = 64 << 20;
// Consecutive zero-duration frames after which an animation counts as stuck and ends.
constexpr int kMaxPassedFrames = 4096;
// Time a thought stays, per character of its text, and at least.
constexpr int kThinkMsPerChar = 55;
constexpr int kThinkMinMs = 1500;
// Estimated speaking time when there is no synthesiser.
constexpr int kSilentMsPerChar = 65;

QString notLoaded(const QString& id) {
    return QStringLiteral("The character \"%1\" is not loaded").arg(id);
}

scene::BalloonStyle styleFrom(const acs::CharacterInfo& info) {
    scene::BalloonStyle style;
    if (!info.balloon)
        return style;
    const acs::BalloonInfo& b = *info.balloon;
    style.lines = std::clamp<int>(b.lines, 1, 16);
    style.charsPerLine = std::clamp<int>(b.charsPerLine, 8, 128);
    style.text = QColor(b.text.r, b.text.g, b.text.b);
    style.background = QColor(b.background.r, b.background.g, b.background.b);
    style.border = QColor(b.border.r, b.border.g, b.border.b);
    if (!b.fontName.empty())
        style.fontFamily = QString::fromStdU16String(b.fontName);
    style.fontHeight = std::clamp(b.fontHeight, -72, 72);
    style.fontWeight = std::clamp(b.fontWeight, 100, 900);
    style.italic = b.italic;
    return style;
}

}  // namespace

Actor::Actor(Service::Impl& service, QString id, acs::Character file, QPoint position,
             std::uint32_t seed)
    : service_(&service),
      id_(std::move(id)),
      file_(std::move(file)),
      composer_(file_),
      dice_(seed),
      position_(position) {
    const acs::CharacterInfo& info = file_.info();
    balloonStyle_ = info.balloon ? agent::Balloon::kBalloonOn : 0;
    balloon_.style = styleFrom(info);
    Clock& clock = service.clock;
    frameTimer_ = clock.createTimer([this] {
        Batch batch(*service_);
        onFrameTimer();
    });
    jobTimer_ = clock.createTimer([this] {
        Batch batch(*service_);
        onJobTimer();
    });
    idleTimer_ = clock.createTimer([this] {
        Batch batch(*service_);
        onIdleTimer();
    });
    balloonTimer_ = clock.createTimer([this] {
        Batch batch(*service_);
        closeBalloon();
    });
}

Actor::~Actor() {
    unload();
}

void Actor::unload() {
    if (!loaded_)
        return;
    loaded_ = false;
    Service::Impl& service = *service_;
    if (service.synthesizer && speechJob_)
        service.synthesizer->cancel(speechJob_);
    if (service.audio && audioStream_)
        service.audio->stop(audioStream_);
    for (int timer : {frameTimer_, jobTimer_, idleTimer_, balloonTimer_})
        service.clock.destroyTimer(timer);
    animDone_ = nullptr;
    const QString why = QStringLiteral("The character \"%1\" was unloaded").arg(id_);
    std::deque<Job> queue = std::move(queue_);
    queue_.clear();
    if (active_) {
        Job job = std::move(*active_);
        active_.reset();
        failJob(job, RequestStatus::Failed, why);
    }
    for (Job& job : queue)
        failJob(job, RequestStatus::Failed, why);
    visible_ = false;
}

// ---- requests ----

Request Actor::enqueue(Job job) {
    if (!loaded_)
        throw AgentError(notLoaded(id_));
    Batch batch(*service_);
    job.request = service_->newRequest();
    const Request request = job.request;
    queue_.push_back(std::move(job));
    if (phase_ == Phase::Idling)
        interruptIdle();
    else
        pump();
    return request;
}

Request Actor::Show(bool fast) {
    Job job{Job::Kind::Show};
    job.fast = fast;
    return enqueue(std::move(job));
}

Request Actor::Hide(bool fast) {
    Job job{Job::Kind::Hide};
    job.fast = fast;
    return enqueue(std::move(job));
}

Request Actor::Play(const QString& animation) {
    Job job{Job::Kind::Play};
    job.text = animation;
    return enqueue(std::move(job));
}

Request Actor::Speak(const QString& text, const QString& url) {
    Job job{Job::Kind::Speak};
    job.text = text;
    job.url = url;
    return enqueue(std::move(job));
}

Request Actor::Think(const QString& text) {
    Job job{Job::Kind::Think};
    job.text = text;
    return enqueue(std::move(job));
}

Request Actor::MoveTo(std::int16_t x, std::int16_t y, std::optional<std::int32_t> speed) {
    Job job{Job::Kind::Move};
    job.point = QPoint(x, y);
    job.speed = speed ? std::clamp(*speed, 0, 600000) : 1000;
    return enqueue(std::move(job));
}

Request Actor::GestureAt(std::int16_t x, std::int16_t y) {
    Job job{Job::Kind::Gesture};
    job.point = QPoint(x, y);
    return enqueue(std::move(job));
}

Request Actor::Wait(const Request& request) {
    if (request.isNull())
        throw AgentError(QStringLiteral("Wait needs a request"));
    Job job{Job::Kind::Wait};
    job.other = request;
    return enqueue(std::move(job));
}

Request Actor::Interrupt(const Request& request) {
    if (request.isNull())
        throw AgentError(QStringLiteral("Interrupt needs a request"));
    Job job{Job::Kind::Interrupt};
    job.other = request;
    return enqueue(std::move(job));
}

void Actor::Stop(const Request& request) {
    if (!loaded_)
        throw AgentError(notLoaded(id_));
    Batch batch(*service_);
    if (!request.isNull()) {
        stopRequest(request, RequestStatus::Interrupted);
        return;
    }
    stopTypes({});
}

void Actor::StopAll(const QString& types) {
    if (!loaded_)
        throw AgentError(notLoaded(id_));
    Batch batch(*service_);
    const auto actors = service_->actors;
    for (const auto& actor : actors)
        actor->stopTypes(types);
}

void Actor::stopTypes(const QString& types) {
    const QStringList wanted = types.toLower().split(QLatin1Char(','), Qt::SkipEmptyParts);
    auto matches = [&](const Job& job) {
        if (wanted.isEmpty())
            return true;
        auto has = [&](const char* name) {
            return std::any_of(wanted.begin(), wanted.end(), [&](const QString& w) {
                return w.trimmed() == QLatin1String(name);
            });
        };
        switch (job.kind) {
            case Job::Kind::Move:
                return has("move");
            case Job::Kind::Speak:
            case Job::Kind::Think:
                return has("speak");
            case Job::Kind::Play:
            case Job::Kind::Show:
            case Job::Kind::Hide:
            case Job::Kind::Gesture:
                return has("play");
            case Job::Kind::Wait:
            case Job::Kind::Interrupt:
                return false;
        }
        return false;
    };
    std::deque<Job> kept;
    std::vector<Job> stopped;
    for (Job& job : queue_) {
        if (matches(job))
            stopped.push_back(std::move(job));
        else
            kept.push_back(std::move(job));
    }
    queue_ = std::move(kept);
    for (Job& job : stopped)
        failJob(job, RequestStatus::Interrupted);
    if (active_ && matches(*active_))
        endActive(RequestStatus::Interrupted);
    else if (phase_ == Phase::Idling)
        interruptIdle();
}

bool Actor::stopRequest(const Request& request, RequestStatus status) {
    if (active_ && active_->request == request) {
        endActive(status);
        return true;
    }
    for (auto it = queue_.begin(); it != queue_.end(); ++it) {
        if (it->request == request) {
            Job job = std::move(*it);
            queue_.erase(it);
            failJob(job, status);
            return true;
        }
    }
    return false;
}

void Actor::requestEnded(const Request& request) {
    if (active_ && active_->kind == Job::Kind::Wait && active_->other == request)
        finish(RequestStatus::Complete);
}

void Actor::failJob(Job& job, RequestStatus status, const QString& why) {
    if (status == RequestStatus::Failed)
        job.request.fail(1, why.isEmpty() ? QStringLiteral("The request failed") : why);
    else
        job.request.setStatus(status);
    service_->requestEnded(job.request);
}

void Actor::finish(RequestStatus status, const QString& why) {
    if (!active_)
        return;
    Job job = std::move(*active_);
    active_.reset();
    phase_ = Phase::Resting;
    failJob(job, status, why);
    pump();
}

void Actor::endActive(RequestStatus status) {
    switch (active_->kind) {
        case Job::Kind::Show:
        case Job::Kind::Hide:
            return;  // appearing and disappearing always play to their end
        case Job::Kind::Play:
        case Job::Kind::Gesture:
        case Job::Kind::Move: {
            service_->clock.disarm(jobTimer_);
            Job job = std::move(*active_);
            active_.reset();
            failJob(job, status);
            if (!anim_.finished()) {
                phase_ = Phase::Leaving;
                animHeld_ = false;
                exitAnimation([this] {
                    phase_ = Phase::Resting;
                    pump();
                });
                return;
            }
            phase_ = Phase::Resting;
            pump();
            return;
        }
        case Job::Kind::Speak:
        case Job::Kind::Think: {
            Service::Impl& service = *service_;
            if (service.synthesizer && speechJob_)
                service.synthesizer->cancel(speechJob_);
            if (service.audio && audioStream_)
                service.audio->stop(audioStream_);
            speechJob_ = 0;
            audioStream_ = 0;
            events_.clear();
            service.clock.disarm(jobTimer_);
            if (!anim_.finished()) {
                // Still playing the animation speech begins with: stop it where it is.
                service.clock.disarm(frameTimer_);
                animDone_ = nullptr;
            }
            animHeld_ = true;
            if (mouth_ >= 0)
                setMouth(0);
            closeBalloon();
            finish(status);
            return;
        }
        case Job::Kind::Wait:
        case Job::Kind::Interrupt:
            finish(status);
            return;
    }
}

void Actor::pump() {
    if (!loaded_ || phase_ != Phase::Resting || active_)
        return;
    if (queue_.empty()) {
        armIdle();
        return;
    }
    service_->clock.disarm(idleTimer_);
    idleArmed_ = false;
    if (needsLeave(queue_.front())) {
        phase_ = Phase::Leaving;
        leave([this] {
            phase_ = Phase::Resting;
            pump();
        });
        return;
    }
    active_ = std::move(queue_.front());
    queue_.pop_front();
    phase_ = Phase::Running;
    active_->request.setStatus(RequestStatus::InProgress);
    start(*active_);
}

bool Actor::needsLeave(const Job& job) const {
    if (!animHeld_ || !visible_)
        return false;
    switch (job.kind) {
        case Job::Kind::Hide:
            return !job.fast;
        case Job::Kind::Play:
        case Job::Kind::Move:
        case Job::Kind::Gesture:
            return true;
        case Job::Kind::Speak:
            return !speakingFrameReady();
        default:
            return false;
    }
}

void Actor::leave(std::function<void()> then) {
    if (!animHeld_ || !anim_.animation()) {
        animHeld_ = false;
        then();
        return;
    }
    animHeld_ = false;
    const acs::Animation& animation = *anim_.animation();
    const auto transition = static_cast<acs::Transition>(animation.transition);
    if (transition != acs::Transition::ExitBranches && !anim_.finished()) {
        // Still running (a loop): it simply stops where it is.
        service_->clock.disarm(frameTimer_);
        animDone_ = nullptr;
    }
    switch (transition) {
        case acs::Transition::ExitBranches:
            exitAnimation(std::move(then));
            return;
        case acs::Transition::ReturnAnimation: {
            std::size_t index = 0;
            const acs::Animation* back =
                animation.returnAnimation.empty()
                    ? nullptr
                    : animationFor(QString::fromStdU16String(animation.returnAnimation), &index);
            if (back && back != &animation) {
                playAnimation(index, std::move(then));
                return;
            }
            then();
            return;
        }
        case acs::Transition::None:
        default:
            then();
            return;
    }
}

void Actor::start(Job& job) {
    switch (job.kind) {
        case Job::Kind::Show:
            return startShow(job);
        case Job::Kind::Hide:
            return startHide(job);
        case Job::Kind::Play:
            return startPlay(job);
        case Job::Kind::Speak:
            return startSpeak(job);
        case Job::Kind::Think:
            return startThink(job);
        case Job::Kind::Move:
            return startMove(job);
        case Job::Kind::Gesture:
            return startGesture(job);
        case Job::Kind::Wait:
            if (job.other.status() != RequestStatus::Pending &&
                job.other.status() != RequestStatus::InProgress)
                finish(RequestStatus::Complete);
            return;  // otherwise requestEnded() goes on
        case Job::Kind::Interrupt: {
            const Request target = job.other;
            const auto actors = service_->actors;
            for (const auto& actor : actors)
                if (actor->stopRequest(target, RequestStatus::Interrupted))
                    break;
            // This character may have stopped its own Interrupt just now.
            if (active_ && active_->request == job.request)
                finish(RequestStatus::Complete);
            return;
        }
    }
}

// ---- animation ----

const acs::Animation* Actor::animationFor(const QString& name, std::size_t* index) const {
    const auto& animations = file_.animations();
    const std::u16string wanted = name.trimmed().toStdU16String();
    for (std::size_t i = 0; i < animations.size(); ++i) {
        if (acs::equalsIgnoreCase(animations[i].name, wanted)) {
            *index = i;
            return &animations[i];
        }
    }
    return nullptr;
}

const acs::Animation* Actor::stateAnimation(const char* state, std::size_t* index) {
    const std::u16string wanted = QString::fromLatin1(state).toStdU16String();
    for (const acs::State& s : file_.info().states) {
        if (!acs::equalsIgnoreCase(s.name, wanted))
            continue;
        std::vector<std::size_t> found;
        for (const std::u16string& name : s.animations) {
            std::size_t i = 0;
            if (animationFor(QString::fromStdU16String(name), &i))
                found.push_back(i);
        }
        if (found.empty())
            return nullptr;
        *index = found[found.size() == 1 ? 0 : dice_.pick(found.size())];
        return &file_.animations()[*index];
    }
    return nullptr;
}

void Actor::playAnimation(std::size_t index, std::function<void()> done) {
    service_->clock.disarm(frameTimer_);
    animIndex_ = index;
    anim_ = AnimationPlayer(file_.animations()[index], dice_);
    animDone_ = std::move(done);
    mouth_ = -1;
    showFrame();
}

void Actor::showFrame() {
    const acs::Animation* animation = anim_.animation();
    int passed = 0;
    while (animation && !anim_.finished()) {
        const auto frameIndex = static_cast<std::size_t>(anim_.frame());
        const acs::Frame& frame = animation->frames[frameIndex];
        if (frame.duration > 0) {
            if (!frame.images.empty())
                setPicture(composer_.composeCached(animIndex_, frameIndex));
            if (frame.sound >= 0 && service_->audio && visible_) {
                try {
                    service_->audio->playWav(file_.sound(static_cast<std::size_t>(frame.sound)));
                } catch (const acs::Error&) {
                    // A damaged sound is skipped; the animation goes on.
                }
            }
            service_->clock.arm(frameTimer_, service_->clock.now() + anim_.durationMs());
            return;
        }
        if (++passed > kMaxPassedFrames)
            break;
        anim_.advance();
    }
    finishAnimation();
}

void Actor::onFrameTimer() {
    anim_.advance();
    showFrame();
}

void Actor::finishAnimation() {
    service_->clock.disarm(frameTimer_);
    auto done = std::move(animDone_);
    animDone_ = nullptr;
    if (done)
        done();
}

void Actor::exitAnimation(std::function<void()> done) {
    const bool wasFinished = anim_.finished();
    if (!anim_.beginExit()) {
        if (!wasFinished) {
            service_->clock.disarm(frameTimer_);
            animDone_ = nullptr;
        }
        done();
        return;
    }
    animDone_ = std::move(done);
    if (wasFinished)
        showFrame();
    // A running animation takes its exit path when its current frame's time is up.
}

void Actor::showRestPicture() {
    std::size_t index = 0;
    if (animationFor(QStringLiteral("RestPose"), &index) || stateAnimation("SPEAKING", &index)) {
        const acs::Animation& animation = file_.animations()[index];
        for (std::size_t f = 0; f < animation.frames.size(); ++f) {
            if (animation.frames[f].duration > 0 && !animation.frames[f].images.empty()) {
                setPicture(composer_.composeCached(index, f));
                return;
            }
        }
    }
}

void Actor::setPicture(QImage picture) {
    picture_ = std::move(picture);
    ++pictureSerial_;
    changed(scene::ChangedFrame);
}

// ---- jobs ----

void Actor::startShow(Job& job) {
    if (visible_) {
        finish(RequestStatus::Complete);
        return;
    }
    visible_ = true;
    changed(scene::ChangedVisibility);
    std::size_t index = 0;
    if (!job.fast && stateAnimation("SHOWING", &index)) {
        playAnimation(index, [this] {
            animHeld_ = true;
            if (picture_.isNull())
                showRestPicture();
            finish(RequestStatus::Complete);
        });
        return;
    }
    showRestPicture();
    finish(RequestStatus::Complete);
}

void Actor::startHide(Job& job) {
    auto hidden = [this] {
        visible_ = false;
        animHeld_ = false;
        closeBalloon();
        service_->clock.disarm(idleTimer_);
        idleArmed_ = false;
        changed(scene::ChangedVisibility);
        finish(RequestStatus::Complete);
    };
    if (!visible_) {
        finish(RequestStatus::Complete);
        return;
    }
    std::size_t index = 0;
    if (!job.fast && stateAnimation("HIDING", &index)) {
        playAnimation(index, hidden);
        return;
    }
    hidden();
}

void Actor::startPlay(Job& job) {
    std::size_t index = 0;
    if (!animationFor(job.text, &index)) {
        finish(RequestStatus::Failed,
               QStringLiteral("The character \"%1\" has no animation \"%2\"").arg(id_, job.text));
        return;
    }
    if (!visible_) {
        finish(RequestStatus::Complete);
        return;
    }
    playAnimation(index, [this] {
        animHeld_ = true;
        finish(RequestStatus::Complete);
    });
}

void Actor::startMove(Job& job) {
    const QPoint target = job.point;
    if (!visible_ || job.speed == 0 || target == position_) {
        position_ = target;
        changed(scene::ChangedPosition);
        finish(RequestStatus::Complete);
        return;
    }
    const QPoint delta = target - position_;
    const char* state = std::abs(delta.x()) >= std::abs(delta.y())
                            ? (delta.x() > 0 ? "MOVINGRIGHT" : "MOVINGLEFT")
                            : (delta.y() > 0 ? "MOVINGDOWN" : "MOVINGUP");
    moveFrom_ = position_;
    moveTo_ = target;
    moveStart_ = service_->clock.now();
    moveEnd_ = moveStart_ + job.speed;
    std::size_t index = 0;
    moveAnimated_ = stateAnimation(state, &index) != nullptr;
    if (moveAnimated_)
        playAnimation(index, [this] { animHeld_ = true; });
    armJobTimer();
}

void Actor::onMoveTick() {
    const std::int64_t now = service_->clock.now();
    if (now >= moveEnd_) {
        position_ = moveTo_;
        changed(scene::ChangedPosition);
        // Arrived: the moving animation leaves through its transition, then the move is done.
        animHeld_ = moveAnimated_;
        phase_ = Phase::Running;
        leave([this] { finish(RequestStatus::Complete); });
        return;
    }
    const double t = double(now - moveStart_) / double(moveEnd_ - moveStart_);
    const QPoint at(moveFrom_.x() + int(std::lround((moveTo_.x() - moveFrom_.x()) * t)),
                    moveFrom_.y() + int(std::lround((moveTo_.y() - moveFrom_.y()) * t)));
    if (at != position_) {
        position_ = at;
        changed(scene::ChangedPosition);
    }
    armJobTimer();
}

void Actor::startGesture(Job& job) {
    if (!visible_) {
        finish(RequestStatus::Complete);
        return;
    }
    const QSize size(file_.info().width, file_.info().height);
    const QPoint centre = position_ + QPoint(size.width() / 2, size.height() / 2);
    const QPoint delta = job.point - centre;
    const char* state = std::abs(delta.x()) >= std::abs(delta.y())
                            ? (delta.x() >= 0 ? "GESTURINGRIGHT" : "GESTURINGLEFT")
                            : (delta.y() > 0 ? "GESTURINGDOWN" : "GESTURINGUP");
    std::size_t index = 0;
    if (!stateAnimation(state, &index)) {
        finish(RequestStatus::Complete);
        return;
    }
    playAnimation(index, [this] {
        animHeld_ = true;
        finish(RequestStatus::Complete);
    });
}

// ---- speaking and thinking ----

bool Actor::speakingFrameReady() const {
    if (!animHeld_ || !anim_.animation() || !anim_.finished() || anim_.lastShown() < 0)
        return false;
    return !anim_.animation()->frames[static_cast<std::size_t>(anim_.lastShown())].overlays.empty();
}

void Actor::setMouth(int mouth) {
    mouth_ = mouth;
    if (!speakingFrameReady())
        return;
    const auto frame = static_cast<std::size_t>(anim_.lastShown());
    const acs::Frame& f = anim_.animation()->frames[frame];
    setPicture(composer_.composeCached(animIndex_, frame, overlayFor(f, mouth) ? mouth : -1));
}

void Actor::startSpeak(Job& job) {
    if (!visible_ || (job.text.isEmpty() && job.url.isEmpty())) {
        finish(RequestStatus::Complete);
        return;
    }
    if (!speakingFrameReady()) {
        std::size_t index = 0;
        if (stateAnimation("SPEAKING", &index)) {
            playAnimation(index, [this] {
                animHeld_ = true;
                beginUtterance();
            });
            return;
        }
    }
    beginUtterance();
}

void Actor::beginUtterance() {
    if (!active_)
        return;
    Service::Impl& service = *service_;
    const std::int64_t now = service.clock.now();
    const Job& job = *active_;
    const speech::SpeechScript script = speech::parseSpeech(job.text);
    events_.clear();
    mouth_ = 0;

    if (!job.url.isEmpty()) {
        // A sound file stands for the voice: the mouth follows its loudness.
        QFile file(QDir::fromNativeSeparators(job.url));
        QByteArray bytes;
        QString problem;
        if (!file.open(QIODevice::ReadOnly))
            problem = file.errorString();
        else if (file.size() > kMaxSpeakSoundBytes)
            problem = QStringLiteral("the file is too large");
        else
            bytes = file.readAll();
        speech::WavData wav;
        if (problem.isEmpty()) {
            try {
                wav = speech::parseWav(
                    std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                              static_cast<std::size_t>(bytes.size())));
            } catch (const speech::WavError& error) {
                problem = QString::fromStdString(error.what());
            }
        }
        if (!problem.isEmpty()) {
            finish(
                RequestStatus::Failed,
                QStringLiteral("The sound file \"%1\" cannot be played: %2").arg(job.url, problem));
            return;
        }
        if (balloonOn() && !script.shownText.isEmpty())
            openBalloon(scene::BalloonKind::Speak, script.shownText, int(script.shownText.size()));
        if (service.audio)
            audioStream_ = service.audio->play(wav);
        for (const speech::MouthEvent& event : speech::loudnessMouth(wav, 50))
            events_.emplace(now + event.timeMs, TimedEvent{TimedEvent::Kind::Mouth, event.shape});
        events_.emplace(now + wav.durationMs, TimedEvent{TimedEvent::Kind::End, 0});
        armJobTimer();
        return;
    }

    if (balloonOn() && !script.shownText.isEmpty())
        openBalloon(scene::BalloonKind::Speak, script.shownText, 0);
    if (service.synthesizer) {
        speechJob_ = service.nextSpeechJob++;
        speechStart_ = -1;
        const acs::CharacterInfo& info = file_.info();
        const speech::VoiceParams voice =
            speech::voiceFor(static_cast<quint16>(language_), info.voice ? &*info.voice : nullptr);
        // Chunks may come back before speak() returns.
        service.synthesizer->speak(speechJob_, script, voice);
        return;
    }
    // No voice at all: reveal the words over an estimated time, in silence.
    const int total = std::max<int>(1, int(script.shownText.size()));
    const int duration = std::max(500, total * kSilentMsPerChar);
    for (const speech::SpeechSegment& segment : script.segments)
        for (const speech::WordSpan& word : segment.words) {
            const int end = word.shownStart + word.shownLength;
            events_.emplace(now + std::int64_t(duration) * end / total,
                            TimedEvent{TimedEvent::Kind::Reveal, end});
        }
    events_.emplace(now + duration, TimedEvent{TimedEvent::Kind::End, 0});
    armJobTimer();
}

void Actor::speechChunk(quint64 job, const speech::SpeechChunk& chunk) {
    if (job == 0 || job != speechJob_ || !active_)
        return;
    Service::Impl& service = *service_;
    if (speechStart_ < 0) {
        speechStart_ = service.clock.now();
        if (service.audio && !chunk.pcm.empty()) {
            audioStream_ = job;
            service.audio->startStream(job, chunk.sampleRate);
        }
    }
    if (service.audio && audioStream_ == job && !chunk.pcm.empty())
        service.audio->writeStream(job, chunk.pcm);
    for (const speech::SpeechEvent& event : chunk.events) {
        const std::int64_t at = speechStart_ + event.timeMs;
        if (event.kind == speech::SpeechEvent::Kind::Word)
            events_.emplace(
                at, TimedEvent{TimedEvent::Kind::Reveal, event.shownStart + event.shownLength});
        else if (event.kind == speech::SpeechEvent::Kind::Mouth)
            events_.emplace(at, TimedEvent{TimedEvent::Kind::Mouth, event.mouth});
    }
    if (chunk.final) {
        if (service.audio && audioStream_ == job)
            service.audio->endStream(job);
        events_.emplace(speechStart_ + chunk.totalMs, TimedEvent{TimedEvent::Kind::End, 0});
    }
    armJobTimer();
}

void Actor::startThink(Job& job) {
    const speech::SpeechScript script = speech::parseSpeech(job.text);
    if (!visible_ || script.shownText.isEmpty()) {
        finish(RequestStatus::Complete);
        return;
    }
    if (balloonOn())
        openBalloon(scene::BalloonKind::Think, script.shownText, int(script.shownText.size()));
    events_.clear();
    const int duration = std::max(kThinkMinMs, int(script.shownText.size()) * kThinkMsPerChar);
    events_.emplace(service_->clock.now() + duration, TimedEvent{TimedEvent::Kind::End, 0});
    armJobTimer();
}

void Actor::armJobTimer() {
    Clock& clock = service_->clock;
    if (active_ && active_->kind == Job::Kind::Move) {
        const int step = 1000 / std::max(1, service_->options.moveUpdatesPerSecond);
        clock.arm(jobTimer_, std::min(moveEnd_, clock.now() + step));
        return;
    }
    if (events_.empty())
        clock.disarm(jobTimer_);
    else
        clock.arm(jobTimer_, events_.begin()->first);
}

void Actor::onJobTimer() {
    if (!active_)
        return;
    if (active_->kind == Job::Kind::Move) {
        onMoveTick();
        return;
    }
    const std::int64_t now = service_->clock.now();
    while (!events_.empty() && events_.begin()->first <= now) {
        const TimedEvent event = events_.begin()->second;
        events_.erase(events_.begin());
        switch (event.kind) {
            case TimedEvent::Kind::Reveal:
                if (balloon_.visible && event.value > balloon_.revealed) {
                    balloon_.revealed = std::min<int>(event.value, int(balloon_.text.size()));
                    changed(scene::ChangedBalloon);
                }
                break;
            case TimedEvent::Kind::Mouth:
                if (mouth_ != event.value)
                    setMouth(event.value);
                break;
            case TimedEvent::Kind::End:
                endSpeech();
                return;
        }
    }
    armJobTimer();
}

void Actor::endSpeech() {
    Service::Impl& service = *service_;
    events_.clear();
    speechJob_ = 0;
    audioStream_ = 0;
    speechStart_ = -1;
    service.clock.disarm(jobTimer_);
    if (mouth_ >= 0)
        setMouth(0);
    if (balloon_.visible) {
        if (balloon_.revealed < balloon_.text.size()) {
            balloon_.revealed = int(balloon_.text.size());
            changed(scene::ChangedBalloon);
        }
        service.clock.arm(balloonTimer_, service.clock.now() + service.options.balloonLingerMs);
    }
    finish(RequestStatus::Complete);
}

// ---- idling ----

int Actor::idleLevel() const {
    const std::int64_t idle = service_->clock.now() - restingSince_;
    if (idle >= service_->options.idleLevel3Ms)
        return 3;
    if (idle >= service_->options.idleLevel2Ms)
        return 2;
    return 1;
}

void Actor::armIdle() {
    if (!visible_ || idleArmed_)
        return;
    idleArmed_ = true;
    restingSince_ = service_->clock.now();
    service_->clock.arm(idleTimer_, restingSince_ + service_->options.idleOnsetMs);
}

void Actor::onIdleTimer() {
    if (!visible_ || active_ || !queue_.empty() || phase_ != Phase::Resting)
        return;
    phase_ = Phase::Idling;
    leave([this] {
        const char* states[] = {"IDLINGLEVEL1", "IDLINGLEVEL2", "IDLINGLEVEL3"};
        std::size_t index = 0;
        bool found = false;
        for (int level = idleLevel(); level >= 1 && !found; --level)
            found = stateAnimation(states[level - 1], &index) != nullptr;
        if (!found) {
            phase_ = Phase::Resting;  // nothing to idle with: rest until the next request
            return;
        }
        playAnimation(index, [this] {
            animHeld_ = true;
            phase_ = Phase::Resting;
            if (!queue_.empty()) {
                pump();
                return;
            }
            service_->clock.arm(idleTimer_, service_->clock.now() + service_->options.idleGapMs);
        });
    });
}

void Actor::interruptIdle() {
    // A request came while idling: the idle animation leaves at once through its exit path.
    animHeld_ = false;
    exitAnimation([this] {
        phase_ = Phase::Resting;
        pump();
    });
}

// ---- balloon ----

bool Actor::balloonOn() const {
    return (balloonStyle_ & agent::Balloon::kBalloonOn) != 0 && file_.info().balloon.has_value();
}

void Actor::openBalloon(scene::BalloonKind kind, const QString& text, int revealed) {
    service_->clock.disarm(balloonTimer_);
    balloon_.visible = true;
    balloon_.kind = kind;
    balloon_.text = text;
    balloon_.revealed = revealed;
    changed(scene::ChangedBalloon);
}

void Actor::closeBalloon() {
    if (!loaded_)
        return;  // the service may be gone; its timers are
    service_->clock.disarm(balloonTimer_);
    if (!balloon_.visible)
        return;
    balloon_.visible = false;
    balloon_.text.clear();
    balloon_.revealed = 0;
    changed(scene::ChangedBalloon);
}

void Actor::setStyle(std::int32_t style) {
    balloonStyle_ = style;
    if (!balloonOn())
        closeBalloon();
}

// ---- properties ----

QString Actor::Name() const {
    const auto language = static_cast<std::uint16_t>(language_ ? language_ : 0x0409);
    const acs::LocalizedInfo* info = file_.info().localizedFor(language);
    if (!info || info->name.empty())
        return id_;
    return QString::fromStdU16String(info->name);
}

bool Actor::Visible() const {
    return visible_;
}
std::int32_t Actor::LanguageID() const {
    return language_;
}
void Actor::setLanguageID(std::int32_t language) {
    language_ = language;
}

QStringList Actor::AnimationNames() const {
    QStringList names;
    for (const acs::Animation& animation : file_.animations())
        names << QString::fromStdU16String(animation.name);
    return names;
}

void Actor::setCaption(const QString& caption) {
    caption_ = caption;
    changed(scene::ChangedMenu);
}

void Actor::Add(const QString& name, const QString& caption, const QString& /*voice*/, bool enabled,
                bool visible) {
    menu_.push_back(scene::MenuEntry{name, caption, enabled, visible});
    changed(scene::ChangedMenu);
}

scene::CharacterView Actor::view() const {
    scene::CharacterView v;
    v.id = id_;
    v.visible = visible_;
    v.position = position_;
    v.frame = picture_;
    v.frameSerial = pictureSerial_;
    v.balloon = balloon_;
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
    Hide(false);
}

std::size_t Actor::heldBytes() const {
    return file_.heldBytes() + composer_.heldBytes() +
           static_cast<std::size_t>(picture_.sizeInBytes());
}

void Actor::changed(unsigned what) {
    if (loaded_)
        service_->changed(id_, what);
}

}  // namespace vistrel::engine
