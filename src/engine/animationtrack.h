#pragma once

// What one character shows: the animation it plays on the clock, frame by frame with the
// frames' sounds, how an animation is left (exit branches, return animation), the mouth drawn
// while it speaks, and the picture that results.

#include "acs/character.h"
#include "engine/animator.h"
#include "engine/clock.h"
#include "engine/composer.h"

#include <QImage>
#include <QString>

#include <functional>
#include <optional>

namespace vistrel::speech {
class AudioOutput;
}

namespace vistrel::engine {

class AnimationTrack {
  public:
    struct Hooks {
        std::function<void()> pictureChanged;
        std::function<bool()> audible;  // whether frame sounds play now
    };

    // `owner` names the character in the log.
    AnimationTrack(QString owner, const acs::Character& file, Clock& clock,
                   speech::AudioOutput* audio, std::uint32_t seed, Hooks hooks);

    // The animation of that name (without regard to case).
    std::optional<std::size_t> find(const QString& name) const;
    // One of the animations of a state such as "SPEAKING", picked at random when it has
    // several; none when the state names no animation the file has.
    std::optional<std::size_t> state(const char* name);

    // Plays an animation from its start; `done` runs when it has ended. With `firstPass` it
    // also ends where it would come back to a frame it has already shown, holding the frame
    // shown last: a looping animation then plays its loop once.
    void play(std::size_t index, std::function<void()> done, bool firstPass = false);
    // Leaves the animation through its exit branches, then runs `done`; a running one takes
    // its exit path once its current frame's time is up.
    void exit(std::function<void()> done);
    // Leaves a held animation the way its transition says (exit branches, a return
    // animation, or at once), then runs `then`.
    void leave(std::function<void()> then);
    // A running animation stops where it is; what was to run at its end never runs.
    void stop();
    // Stops everything for good: nothing of this track will run again.
    void halt();

    bool finished() const { return player_.finished(); }
    // Shown and not yet left through its transition: the next animation leaves it first.
    bool held() const { return held_; }
    void setHeld(bool held) { held_ = held; }

    // Whether the frame shown last can draw a mouth.
    bool speakingFrameReady() const;
    int mouth() const { return mouth_; }
    void setMouth(int mouth);
    // Speech begins with the mouth closed, drawn with the next change.
    void speakingBegins() { mouth_ = 0; }

    // Shows the character at rest: the first frame of "RestPose" or of the speaking state.
    void showRest();
    const QImage& picture() const { return picture_; }
    std::uint64_t pictureSerial() const { return pictureSerial_; }
    std::size_t heldBytes() const;

  private:
    void showFrame();
    void onFrameTimer();
    // For a first-pass play: true when `frame` was entered before (and notes it otherwise).
    bool seenBefore(std::size_t frame);
    void finish();
    void setPicture(QImage picture);

    QString owner_;
    const acs::Character& file_;
    Clock& clock_;
    speech::AudioOutput* audio_;
    Hooks hooks_;
    FrameComposer composer_;
    Dice dice_;
    ClockTimer frameTimer_;

    std::size_t index_ = 0;  // the animation being played or last played
    AnimationPlayer player_;
    bool firstPass_ = false;
    std::vector<bool> entered_;  // frames entered by a first-pass play
    int shownLast_ = -1;         // the frame of this play displayed last
    bool held_ = false;
    std::function<void()> done_;
    int mouth_ = -1;
    QImage picture_;
    std::uint64_t pictureSerial_ = 0;
};

}  // namespace vistrel::engine
