#include "engine/animationtrack.h"

#include "engine/speech/audio.h"
#include "log/log.h"

namespace vistrel::engine {

namespace {

// Consecutive zero-duration frames after which an animation counts as stuck and ends.
constexpr int kMaxPassedFrames = 4096;

}  // namespace

AnimationTrack::AnimationTrack(QString owner, const acs::Character& file, Clock& clock,
                               speech::AudioOutput* audio, std::uint32_t seed, Hooks hooks)
    : owner_(std::move(owner)),
      file_(file),
      clock_(clock),
      audio_(audio),
      hooks_(std::move(hooks)),
      composer_(file),
      dice_(seed),
      frameTimer_(clock, [this] { onFrameTimer(); }) {}

std::optional<std::size_t> AnimationTrack::find(const QString& name) const {
    const auto& animations = file_.animations();
    const std::u16string wanted = name.trimmed().toStdU16String();
    for (std::size_t i = 0; i < animations.size(); ++i)
        if (acs::equalsIgnoreCase(animations[i].name, wanted))
            return i;
    return std::nullopt;
}

std::optional<std::size_t> AnimationTrack::state(const char* name) {
    const std::u16string wanted = QString::fromLatin1(name).toStdU16String();
    for (const acs::State& s : file_.info().states) {
        if (!acs::equalsIgnoreCase(s.name, wanted))
            continue;
        std::vector<std::size_t> found;
        for (const std::u16string& animation : s.animations)
            if (const auto i = find(QString::fromStdU16String(animation)))
                found.push_back(*i);
        if (found.empty())
            return std::nullopt;
        return found[found.size() == 1 ? 0 : dice_.pick(found.size())];
    }
    return std::nullopt;
}

void AnimationTrack::play(std::size_t index, std::function<void()> done, bool firstPass) {
    frameTimer_.stop();
    index_ = index;
    const acs::Animation& animation = file_.animations()[index];
    qCDebug(log::engine).noquote()
        << owner_ << "plays animation" << QString::fromStdU16String(animation.name)
        << (firstPass ? "once through" : "");
    player_ = AnimationPlayer(animation, dice_);
    firstPass_ = firstPass;
    shownLast_ = -1;
    entered_.assign(firstPass ? animation.frames.size() : 0, false);
    done_ = std::move(done);
    mouth_ = -1;
    showFrame();
}

void AnimationTrack::showFrame() {
    const acs::Animation* animation = player_.animation();
    int passed = 0;
    while (animation && !player_.finished()) {
        const auto frameIndex = static_cast<std::size_t>(player_.frame());
        if (firstPass_ && seenBefore(frameIndex)) {
            player_.finishAt(shownLast_);
            break;
        }
        const acs::Frame& frame = animation->frames[frameIndex];
        if (frame.duration > 0) {
            shownLast_ = static_cast<int>(frameIndex);
            // A frame without images shows nothing at all for its time.
            setPicture(composer_.composeCached(index_, frameIndex));
            if (frame.sound >= 0 && audio_ && hooks_.audible()) {
                try {
                    const quint64 id =
                        audio_->playWav(file_.sound(static_cast<std::size_t>(frame.sound)));
                    qCDebug(log::engine).noquote()
                        << owner_ << "plays sound" << frame.sound << (id ? "" : "(unreadable)");
                } catch (const acs::Error& error) {
                    log::ignored(log::engine(),
                                 QStringLiteral("%1's frame sound %2").arg(owner_).arg(frame.sound),
                                 error);
                }
            }
            frameTimer_.after(player_.durationMs());
            return;
        }
        if (++passed > kMaxPassedFrames)
            break;
        player_.advance();
    }
    finish();
}

bool AnimationTrack::seenBefore(std::size_t frame) {
    if (frame >= entered_.size())
        return false;
    if (entered_[frame])
        return true;
    entered_[frame] = true;
    return false;
}

void AnimationTrack::onFrameTimer() {
    player_.advance();
    showFrame();
}

void AnimationTrack::finish() {
    frameTimer_.stop();
    auto done = std::move(done_);
    done_ = nullptr;
    if (done)
        done();
}

void AnimationTrack::stop() {
    if (player_.finished())
        return;
    frameTimer_.stop();
    done_ = nullptr;
}

void AnimationTrack::halt() {
    frameTimer_.stop();
    done_ = nullptr;
}

void AnimationTrack::exit(std::function<void()> done) {
    firstPass_ = false;  // the exit path may well come back through frames shown before
    const bool wasFinished = player_.finished();
    if (!player_.beginExit()) {
        stop();
        done();
        return;
    }
    done_ = std::move(done);
    if (wasFinished)
        showFrame();
    // A running animation takes its exit path when its current frame's time is up.
}

void AnimationTrack::leave(std::function<void()> then) {
    if (!held_ || !player_.animation()) {
        held_ = false;
        then();
        return;
    }
    held_ = false;
    const acs::Animation& animation = *player_.animation();
    const auto transition = static_cast<acs::Transition>(animation.transition);
    if (transition != acs::Transition::ExitBranches)
        stop();  // still running (a loop): it simply stops where it is
    switch (transition) {
        case acs::Transition::ExitBranches:
            exit(std::move(then));
            return;
        case acs::Transition::ReturnAnimation: {
            const auto back = animation.returnAnimation.empty()
                                  ? std::nullopt
                                  : find(QString::fromStdU16String(animation.returnAnimation));
            if (back && &file_.animations()[*back] != &animation) {
                play(*back, std::move(then));
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

bool AnimationTrack::speakingFrameReady() const {
    if (!held_ || !player_.animation() || !player_.finished() || player_.lastShown() < 0)
        return false;
    const auto frame = static_cast<std::size_t>(player_.lastShown());
    return !player_.animation()->frames[frame].overlays.empty();
}

void AnimationTrack::setMouth(int mouth) {
    mouth_ = mouth;
    if (!speakingFrameReady())
        return;
    const auto frame = static_cast<std::size_t>(player_.lastShown());
    const acs::Frame& f = player_.animation()->frames[frame];
    setPicture(composer_.composeCached(index_, frame, overlayFor(f, mouth) ? mouth : -1));
}

void AnimationTrack::showRest() {
    auto index = find(QStringLiteral("RestPose"));
    if (!index)
        index = state("SPEAKING");
    if (!index)
        return;
    const acs::Animation& animation = file_.animations()[*index];
    for (std::size_t f = 0; f < animation.frames.size(); ++f) {
        if (animation.frames[f].duration > 0 && !animation.frames[f].images.empty()) {
            setPicture(composer_.composeCached(*index, f));
            return;
        }
    }
}

void AnimationTrack::setPicture(QImage picture) {
    picture_ = std::move(picture);
    ++pictureSerial_;
    hooks_.pictureChanged();
}

std::size_t AnimationTrack::heldBytes() const {
    return composer_.heldBytes() + static_cast<std::size_t>(picture_.sizeInBytes());
}

}  // namespace vistrel::engine
