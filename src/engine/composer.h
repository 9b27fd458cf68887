#pragma once

// Composes the pictures of a character's frames: its images drawn last-listed first, with a
// mouth overlay while it speaks. Images and composed frames are cached.

#include "acs/character.h"

#include <QImage>

#include <cstdint>
#include <list>
#include <map>
#include <tuple>

namespace vistrel::engine {

class FrameComposer {
  public:
    // Composed frames kept for reuse, at most this many and this many bytes (a large character
    // keeps fewer); the least recently used go first.
    static constexpr std::size_t kFrameCacheSize = 48;
    static constexpr std::size_t kFrameCacheBytes = std::size_t{24} << 20;
    // Converted images are kept up to this many bytes, then converted again as needed.
    static constexpr std::size_t kImageCacheBytes = std::size_t{32} << 20;

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
    std::size_t imageBytes_ = 0;
    using Key = std::tuple<std::size_t, std::size_t, int>;
    std::list<std::pair<Key, QImage>> frames_;  // most recent first
    std::size_t frameBytes_ = 0;

    const QImage& image(std::uint32_t index);
};

// The overlay of `frame` for mouth shape `mouth`, or null.
const acs::Overlay* overlayFor(const acs::Frame& frame, int mouth);

}  // namespace vistrel::engine
