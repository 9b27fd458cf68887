#include "acs/region.h"

#include <algorithm>
#include <string>

#include "acs/bytes.h"

namespace vistrel::acs {

bool Region::contains(int x, int y) const {
    for (const auto& r : rects) {
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) {
            return true;
        }
    }
    return false;
}

Region parseRegion(std::span<const std::uint8_t> data, std::uint64_t baseOffset) {
    detail::ByteReader in(data, baseOffset);
    std::uint32_t headerSize = in.u32("region header");
    std::uint32_t type = in.u32("region header");
    std::uint32_t count = in.u32("region header");
    in.u32("region header");  // size hint, unreliable
    if (headerSize != kRegionHeaderSize || type != 1) {
        throw Error("region: bad header (size " + std::to_string(headerSize) + ", type " +
                        std::to_string(type) + ")",
                    baseOffset);
    }
    auto readRect = [&in] {
        Rect r;
        r.left = in.i32("region rectangle");
        r.top = in.i32("region rectangle");
        r.right = in.i32("region rectangle");
        r.bottom = in.i32("region rectangle");
        return r;
    };
    Region region;
    region.bounds = readRect();
    region.rects.resize(in.count(count, 16, "region rectangles"));
    for (auto& r : region.rects) {
        r = readRect();
    }
    return region;
}

Region regionFromImage(const Image& image, std::uint8_t transparentIndex) {
    Region region;
    using Runs = std::vector<std::pair<std::int32_t, std::int32_t>>;
    auto rowRuns = [&](int y, Runs& runs) {
        runs.clear();
        const std::uint8_t* row = image.pixels.data() + static_cast<std::size_t>(y) * image.width;
        int x = 0;
        while (x < image.width) {
            while (x < image.width && row[x] == transparentIndex) {
                ++x;
            }
            if (x == image.width) {
                break;
            }
            int start = x;
            while (x < image.width && row[x] != transparentIndex) {
                ++x;
            }
            runs.emplace_back(start, x);
        }
    };
    auto emitBand = [&](const Runs& runs, int top, int bottom) {
        for (const auto& [x0, x1] : runs) {
            region.rects.push_back({x0, top, x1, bottom});
        }
    };
    Runs band, current;
    int bandTop = 0;
    for (int y = 0; y < image.height; ++y) {
        rowRuns(y, current);
        if (y > 0 && current != band) {
            emitBand(band, bandTop, y);
            bandTop = y;
        }
        if (y == 0 || current != band) {
            std::swap(band, current);
        }
    }
    if (image.height > 0) {
        emitBand(band, bandTop, image.height);
    }
    if (!region.rects.empty()) {
        Rect b = region.rects.front();
        for (const auto& r : region.rects) {
            b.left = std::min(b.left, r.left);
            b.top = std::min(b.top, r.top);
            b.right = std::max(b.right, r.right);
            b.bottom = std::max(b.bottom, r.bottom);
        }
        region.bounds = b;
    }
    return region;
}

std::vector<std::uint8_t> serializeRegion(const Region& region) {
    detail::ByteWriter out;
    auto n = static_cast<std::uint32_t>(region.rects.size());
    out.u32(kRegionHeaderSize);
    out.u32(1);
    out.u32(n);
    out.u32(16 * n);
    auto putRect = [&out](const Rect& r) {
        out.i32(r.left);
        out.i32(r.top);
        out.i32(r.right);
        out.i32(r.bottom);
    };
    putRect(region.bounds);
    for (const auto& r : region.rects) {
        putRect(r);
    }
    return out.take();
}

}  // namespace vistrel::acs
