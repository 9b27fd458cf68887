// How a character carries out each kind of request. Each one ends with finish(), at once or
// when its animation, move or speech is done.

#include "engine/actor.h"
#include "engine/serviceimpl.h"
#include "engine/speech/speechtags.h"
#include "engine/speech/synthesizer.h"
#include "engine/speech/voices.h"
#include "engine/speech/wav.h"
#include "files/regularfile.h"
#include "log/log.h"

#include <QDir>

#include <algorithm>

namespace vistrel::engine {

using agent::Request;
using agent::RequestStatus;

namespace {

// Time a thought stays, per character of its text, and at least.
constexpr int kThinkMsPerChar = 55;
constexpr int kThinkMinMs = 1500;
// Reading pace of a character made without a voice: about 170 words a minute.
constexpr int kVoicelessMsPerChar = 65;
constexpr int kVoicelessMinMs = 500;

// Reads a sound file for Speak; on failure says why in `problem`. Only a regular file is read
// (a FIFO or device a script names is refused without waiting on it), and at most
// files::kMaxSoundFileBytes of it.
speech::WavData readSound(const QString& url, QString& problem) {
    QByteArray bytes;
    try {
        bytes = files::read<QByteArray>(
            std::filesystem::path(QDir::fromNativeSeparators(url).toStdU16String()),
            files::kMaxSoundFileBytes);
    } catch (const files::Error& error) {
        problem = QString::fromLocal8Bit(error.what());
        return {};
    }
    try {
        return speech::parseWav(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                          static_cast<std::size_t>(bytes.size())));
    } catch (const speech::WavError& error) {
        problem = QString::fromStdString(error.what());
        return {};
    }
}

}  // namespace

void Actor::start(Job& job) {
    std::visit([this](const auto& work) { begin(work); }, job.work);
}

void Actor::begin(const ShowRequest& show) {
    if (visible_) {
        finish(RequestStatus::Complete);
        return;
    }
    visible_ = true;
    changed(scene::ChangedVisibility);
    if (!show.fast) {
        if (const auto index = track_.state("SHOWING")) {
            track_.play(*index, [this] {
                track_.setHeld(true);
                if (track_.picture().isNull())
                    track_.showRest();
                finish(RequestStatus::Complete);
            });
            return;
        }
    }
    track_.showRest();
    finish(RequestStatus::Complete);
}

void Actor::begin(const HideRequest& hide) {
    auto hidden = [this] {
        visible_ = false;
        track_.setHeld(false);
        balloon_.close();
        idling_.cancel();
        changed(scene::ChangedVisibility);
        finish(RequestStatus::Complete);
    };
    if (!visible_) {
        finish(RequestStatus::Complete);
        return;
    }
    if (!hide.fast) {
        if (const auto index = track_.state("HIDING")) {
            track_.play(*index, hidden);
            return;
        }
    }
    hidden();
}

void Actor::begin(const PlayRequest& play) {
    const auto index = track_.find(play.animation);
    if (!index) {
        finish(RequestStatus::Failed, QStringLiteral("The character \"%1\" has no animation \"%2\"")
                                          .arg(id_, play.animation));
        return;
    }
    if (!visible_) {
        finish(RequestStatus::Complete);
        return;
    }
    track_.play(*index, [this] {
        track_.setHeld(true);
        finish(RequestStatus::Complete);
    });
}

void Actor::begin(const MoveRequest& move) {
    if (!visible_ || move.speed == 0 || move.to == position_) {
        if (move.to != position_) {
            position_ = move.to;
            changed(scene::ChangedPosition);
        }
        if (!visible_)
            finish(RequestStatus::Failed, QStringLiteral("character not visible"));
        else
            finish(RequestStatus::Complete);
        return;
    }
    // The moving animation plays first; the frame moves while its last frame shows.
    const Motion::Heading heading = Motion::heading(move.to - position_);
    const char* state = Motion::movingState(heading);
    const auto index = track_.state(state);
    moveAnimated_ = index.has_value();
    logChoice("moves", heading, state, index);
    if (!index) {
        glide(move);
        return;
    }
    track_.play(
        *index,
        [this, move] {
            track_.setHeld(true);
            glide(move);
        },
        true);
}

void Actor::glide(const MoveRequest& move) {
    motion_.start(position_, move.to, Motion::durationMs(position_, move.to, move.speed));
}

void Actor::arrived() {
    position_ = motion_.target();
    changed(scene::ChangedPosition);
    // The moving animation leaves through its exit branches or return animation, then the
    // move is done.
    track_.setHeld(moveAnimated_);
    phase_ = Phase::Running;
    track_.leave([this] { finish(RequestStatus::Complete); });
}

void Actor::begin(const GestureRequest& gesture) {
    if (!visible_) {
        finish(RequestStatus::Complete);
        return;
    }
    const QPoint centre = position_ + QPoint(file_.info().width / 2, file_.info().height / 2);
    const Motion::Heading heading = Motion::heading(gesture.at - centre);
    const char* state = Motion::gesturingState(heading);
    const auto index = track_.state(state);
    logChoice("points", heading, state, index);
    if (!index) {
        finish(RequestStatus::Complete);
        return;
    }
    track_.play(*index, [this] {
        track_.setHeld(true);
        finish(RequestStatus::Complete);
    });
}

void Actor::logChoice(const char* what, Motion::Heading heading, const char* state,
                      std::optional<std::size_t> animation) const {
    const char* towards = Motion::describe(heading);
    if (animation)
        qCDebug(log::engine).noquote()
            << id_ << what << towards << "with" << state << "animation"
            << QString::fromStdU16String(file_.animations()[*animation].name);
    else
        qCDebug(log::engine).noquote()
            << id_ << what << towards << "without an animation: it has no" << state;
}

void Actor::begin(const SpeakRequest& speak) {
    if (!visible_ || (speak.text.isEmpty() && speak.url.isEmpty())) {
        balloon_.close();
        finish(RequestStatus::Complete);
        return;
    }
    if (!track_.speakingFrameReady()) {
        if (const auto index = track_.state("SPEAKING")) {
            track_.play(*index, [this] {
                track_.setHeld(true);
                beginUtterance();
            });
            return;
        }
    }
    beginUtterance();
}

void Actor::beginUtterance() {
    const Job* job = queue_.running();
    const auto* found = job ? std::get_if<SpeakRequest>(&job->work) : nullptr;
    if (!found)
        return;
    const SpeakRequest speak = *found;
    const speech::SpeechScript script = speech::parseSpeech(speak.text);
    track_.speakingBegins();

    if (!speak.url.isEmpty()) {
        QString problem;
        const speech::WavData sound = readSound(speak.url, problem);
        if (!problem.isEmpty()) {
            finish(RequestStatus::Failed,
                   QStringLiteral("The sound file \"%1\" cannot be played: %2")
                       .arg(speak.url, problem));
            return;
        }
        showInBalloon(scene::BalloonKind::Speak, script.shownText, int(script.shownText.size()));
        utterance_.playSound(sound);
        return;
    }

    showInBalloon(scene::BalloonKind::Speak, script.shownText, 0);
    const acs::CharacterInfo& info = file_.info();
    if (!info.voice) {
        // Made without a voice: the text is only read.
        utterance_.read(script, kVoicelessMsPerChar, kVoicelessMinMs);
        return;
    }
    const speech::VoiceParams voice =
        speech::voiceFor(static_cast<quint16>(language_), &*info.voice);
    utterance_.speak(service_.synthesizer ? speech::Synthesizer::newJob() : 0, script, voice);
}

void Actor::begin(const ThinkRequest& think) {
    const speech::SpeechScript script = speech::parseSpeech(think.text);
    if (!visible_ || script.shownText.isEmpty()) {
        balloon_.close();
        finish(RequestStatus::Complete);
        return;
    }
    showInBalloon(scene::BalloonKind::Think, script.shownText, 0);
    utterance_.read(script, kThinkMsPerChar, kThinkMinMs);
}

// A balloon kept from earlier speech (auto-hide off) gives way to whatever is said next, with
// its own text or with none.
void Actor::showInBalloon(scene::BalloonKind kind, const QString& text, int revealed) {
    if (balloon_.on() && !text.isEmpty())
        balloon_.open(kind, text, revealed);
    else
        balloon_.close();
}

void Actor::endUtterance() {
    if (track_.mouth() >= 0)
        track_.setMouth(0);
    balloon_.linger();
    finish(RequestStatus::Complete);
}

void Actor::begin(const WaitRequest& wait) {
    if (wait.other.status() != RequestStatus::Pending &&
        wait.other.status() != RequestStatus::InProgress)
        finish(RequestStatus::Complete);
    // Otherwise requestEnded() goes on.
}

void Actor::begin(const InterruptRequest& interrupt) {
    const Request self = queue_.running()->request;
    const Request target = interrupt.other;
    service_.forEachActor(
        [&](Actor& actor) { return actor.stopRequest(target, RequestStatus::Interrupted); });
    // This character may have stopped its own Interrupt just now.
    if (queue_.isRunning(self))
        finish(RequestStatus::Complete);
}

}  // namespace vistrel::engine
