#include "engine/idling.h"

#include "engine/animationtrack.h"
#include "engine/service.h"

#include <optional>

namespace vistrel::engine {

Idling::Idling(Clock& clock, const ServiceOptions& options, AnimationTrack& track, Hooks hooks)
    : clock_(clock),
      options_(options),
      track_(track),
      hooks_(std::move(hooks)),
      timer_(clock, [this] { onTimer(); }) {}

void Idling::rest() {
    if (armed_)
        return;
    armed_ = true;
    restingSince_ = clock_.now();
    timer_.at(restingSince_ + options_.idleOnsetMs);
}

void Idling::again() {
    timer_.after(options_.idleGapMs);
}

void Idling::cancel() {
    timer_.stop();
    armed_ = false;
}

int Idling::level() const {
    const std::int64_t idle = clock_.now() - restingSince_;
    if (idle >= options_.idleLevel3Ms)
        return 3;
    if (idle >= options_.idleLevel2Ms)
        return 2;
    return 1;
}

void Idling::onTimer() {
    if (!hooks_.mayBegin())
        return;
    hooks_.began();
    track_.leave([this] {
        static const char* const states[] = {"IDLINGLEVEL1", "IDLINGLEVEL2", "IDLINGLEVEL3"};
        std::optional<std::size_t> index;
        for (int level = this->level(); level >= 1 && !index; --level)
            index = track_.state(states[level - 1]);
        if (!index) {
            hooks_.ended(false);  // nothing to idle with: rest until the next request
            return;
        }
        track_.play(*index, [this] {
            track_.setHeld(true);
            hooks_.ended(true);
        });
    });
}

}  // namespace vistrel::engine
