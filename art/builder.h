#pragma once

// Turns a design and a list of posed animations into a character: renders every frame's
// layers, shares identical pictures between frames, gives speaking frames their seven mouth
// overlays, and finally quantises every picture to one palette.

#include <QImage>
#include <QPoint>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "acs/model.h"
#include "art/design.h"
#include "art/pose.h"

namespace vistrel::art {

// One frame of an animation: a pose held for `duration` hundredths of a second.
struct Step {
    Pose pose;
    std::uint16_t duration = 10;
    std::int32_t sound = -1;
    // Branches as (index into the same list of steps, percent).
    std::vector<std::pair<int, int>> jumps;
};

// `n` steps moving from `from` to `to`, the last one at `to`.
std::vector<Step> ramp(const Pose& from, const Pose& to, int n, std::uint16_t duration = 10);
// `steps` followed by `more`.
std::vector<Step> operator+(std::vector<Step> steps, const std::vector<Step>& more);

// An animation in three parts. `in` leaves the rest pose, `body` is the action itself (its
// jumps point into `body`), `out` returns to rest. Leaving the animation early walks back:
// each frame of `in` exits to the one before it, `body` exits to the start of `out` (or to
// the end of `in` when there is no `out`, or to the body's own last frame when there is
// neither).
struct AnimationPlan {
    std::u16string name;
    std::vector<Step> in;
    std::vector<Step> body;
    std::vector<Step> out;
    // Whether the last frame shown carries the mouth overlays, so that speech after the
    // animation is lip-synced.
    bool speaking = true;
    acs::Transition transition = acs::Transition::ExitBranches;
    // For Transition::ReturnAnimation: the animation that brings the character back.
    std::u16string returnAnimation;
};

class CharacterBuilder {
  public:
    // The palette slot that stays transparent.
    static constexpr std::uint8_t kTransparentIndex = 10;

    explicit CharacterBuilder(const Design& design);

    // Adds a sound (a RIFF WAVE file); returns its index.
    std::int32_t addSound(std::vector<std::uint8_t> wav);
    void addAnimation(const AnimationPlan& plan);

    // Quantises the pictures and returns the character with `info` (its palette, size and
    // transparent index are filled in here).
    acs::CharacterData finish(acs::CharacterInfo info);

    std::size_t imageCount() const { return images_.size(); }

  private:
    struct Placed {
        std::uint32_t image;
        QPoint offset;
    };
    acs::Frame render(const Step& step, bool speaking);
    // Crops to the opaque pixels and stores the picture once; nullopt-like -1 when empty.
    bool place(const QImage& picture, QPoint origin, Placed& out);
    std::uint32_t store(QImage picture);
    QImage headPicture(const Face& face);
    QImage newCanvas(QSize size) const;

    const Design& design_;
    std::vector<QImage> images_;  // RGBA, alpha 0 or 255
    std::multimap<std::uint64_t, std::uint32_t> byHash_;
    std::vector<acs::Sound> sounds_;
    std::vector<acs::Animation> animations_;
    std::vector<Placed> mouths_;  // the seven overlays, offsets relative to the head picture
};

// The median-cut palette of `colours` (0xRRGGBB with their pixel counts), at most `size`
// entries, and the index of the nearest palette entry for each colour.
struct Quantized {
    std::vector<acs::Rgb> palette;
    std::map<std::uint32_t, std::uint8_t> index;
};
Quantized quantize(const std::map<std::uint32_t, std::uint64_t>& colours, std::size_t size);

}  // namespace vistrel::art
