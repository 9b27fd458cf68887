#pragma once

// What a shown character does while it has nothing to do: after a rest it plays an idle
// animation, and another after each gap; the longer it idles, the higher the idle level
// (IDLINGLEVEL1..3) its animations come from.

#include "engine/clock.h"

#include <functional>

namespace vistrel::engine {

class AnimationTrack;
struct ServiceOptions;

class Idling {
  public:
    struct Hooks {
        std::function<bool()> mayBegin;   // asked when the time comes
        std::function<void()> began;      // leaving the last animation for an idle one
        std::function<void(bool)> ended;  // true when an idle animation played to its end
    };

    Idling(Clock& clock, const ServiceOptions& options, AnimationTrack& track, Hooks hooks);

    // The character rests from now on: it idles after the onset time. Resting again before
    // that changes nothing.
    void rest();
    // The next idle animation after the gap.
    void again();
    // No more idling until the next rest().
    void cancel();

  private:
    void onTimer();
    int level() const;

    Clock& clock_;
    const ServiceOptions& options_;
    AnimationTrack& track_;
    Hooks hooks_;
    ClockTimer timer_;
    std::int64_t restingSince_ = 0;
    bool armed_ = false;
};

}  // namespace vistrel::engine
