#pragma once

// Composes the pictures of a character's frames: its images drawn last-listed first, with a
// mouth overlay while it speaks. Images and composed frames are cached.

#include "acs/character.h"

#include <QImage>

#include <cstdint>
#include <list>
#include <map>
#include <tuple>

namespace vistrel::agentservice {

class FrameComposer {
  public:
    // Composed frames kept for reuse; older ones are dropped first.
    static constexpr std::size_t kFrameCacheSize = 48;

    explicit FrameComposer(const acs::Character& character);

    // The frame as an ARGB32_Premultiplied image of the character's size; `mouth` picks the
    // overlay of that mouth shape (-1: none). Images that cannot be decoded are left out.
    QImage compose(const acs::Frame& frame, int mouth = -1);
    // Same, but cached under (animation, frame, mouth).
    QImage composeCached(std::size_t animation, std::size_t frame, int mouth = -1);

    std::size_t heldBytes() const;

  private:
    const acs::Character& character_;
    std::map<std::uint32_t, QImage> images_;
    using Key = std::tuple<std::size_t, std::size_t, int>;
    std::list<std::pair<Key, QImage>> frames_;  // most recent first

    const QImage& image(std::uint32_t index);
};

// The overlay of `frame` for mouth shape `mouth`, or null.
const acs::Overlay* overlayFor(const acs::Frame& frame, int mouth);

}  // namespace vistrel::agentservice
