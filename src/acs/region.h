#pragma once

// Region data (RGNDATA): the opaque pixels of an image as y-x banded rectangles.

#include <cstdint>
#include <span>
#include <vector>

#include "acs/model.h"

namespace vistrel::acs {

struct Rect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
    bool operator==(const Rect&) const = default;
};

struct Region {
    Rect bounds;
    std::vector<Rect> rects;

    bool contains(int x, int y) const;
    bool operator==(const Region&) const = default;
};

inline constexpr std::size_t kRegionHeaderSize = 32;

// Parses an RGNDATA block. Throws Error when the header or the rectangle count is wrong.
Region parseRegion(std::span<const std::uint8_t> data, std::uint64_t baseOffset = 0);

// The region of the pixels of `image` that differ from `transparentIndex`, built the way the
// original compiler builds it: runs per row, identical consecutive rows merged into bands.
Region regionFromImage(const Image& image, std::uint8_t transparentIndex);

// The RGNDATA bytes of `region` (header hint 16 * N).
std::vector<std::uint8_t> serializeRegion(const Region& region);

}  // namespace vistrel::acs
