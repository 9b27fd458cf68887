#pragma once

// A character's word balloon: on or off by its style, opened by speech or thought with the
// text revealed word by word, and closed a moment after the speech ends.

#include "acs/model.h"
#include "engine/clock.h"
#include "scene/scene.h"

#include <functional>

namespace vistrel::engine {

class SpeechBalloon {
  public:
    // `changed` runs whenever what a presenter draws changed.
    SpeechBalloon(const acs::CharacterInfo& info, Clock& clock, int lingerMs,
                  std::function<void()> changed);

    std::int32_t style() const { return style_; }
    // Switching the balloon off closes it.
    void setStyle(std::int32_t style);
    // Switched on, and the character's file describes a balloon.
    bool on() const;

    // Opens with `text`, its first `revealed` characters showing.
    void open(scene::BalloonKind kind, const QString& text, int revealed);
    // Shows the text up to `end`; never hides what already shows.
    void reveal(int end);
    // The speech is over: the whole text shows, and the balloon closes after a while.
    void linger();
    void close();
    // Stops for good: nothing will close it later.
    void halt() { closeTimer_.stop(); }

    const scene::BalloonView& view() const { return view_; }

  private:
    bool described_;
    std::int32_t style_;
    int lingerMs_;
    std::function<void()> changed_;
    scene::BalloonView view_;
    ClockTimer closeTimer_;
};

}  // namespace vistrel::engine
