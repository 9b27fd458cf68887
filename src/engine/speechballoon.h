#pragma once

// A character's word balloon: on or off by its style, opened by speech or thought with the
// text revealed word by word, and closed a moment after the speech ends. The style starts
// from the character file's balloon flags and can be changed by the script.

#include "acs/model.h"
#include "engine/clock.h"
#include "scene/scene.h"

#include <functional>

namespace vistrel::engine {

// Style bits beside agent::Balloon::kBalloonOn.
inline constexpr std::int32_t kBalloonSizeToText = 0x2;
inline constexpr std::int32_t kBalloonAutoHide = 0x4;
inline constexpr std::int32_t kBalloonAutoPace = 0x8;

// Balloon flags of the character file (acs::CharacterInfo::flags).
inline constexpr std::uint32_t kFileBalloonSizeToText = 0x00010000;
inline constexpr std::uint32_t kFileBalloonNoAutoHide = 0x00020000;
inline constexpr std::uint32_t kFileBalloonNoAutoPace = 0x00040000;

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
    // The speech is over: the whole text shows, and the balloon closes after a while (with
    // auto-hide on; otherwise it stays until it is opened again or closed).
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
