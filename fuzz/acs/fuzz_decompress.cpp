// The decompressor on untrusted streams, and the compressor on whatever they decode to (or on
// the raw input): every compressed result must decode back to its input.
//
// Input: a 3-byte little-endian expected size (its low 20 bits), then the stream.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "acs/compression.h"
#include "acs/error.h"

namespace acs = vistrel::acs;

namespace {

// Outputs up to 1 MiB keep runs fast; larger sizes exercise nothing new.
constexpr std::size_t kSizeMask = (1u << 20) - 1;

void roundTrip(std::span<const std::uint8_t> data) {
    const std::vector<std::uint8_t> packed = acs::compress(data);
    const std::vector<std::uint8_t> back = acs::decompress(packed, data.size());
    if (back.size() != data.size() || !std::equal(back.begin(), back.end(), data.begin())) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    const std::size_t expected =
        (data[0] | (data[1] << 8) | (std::size_t{data[2]} << 16)) & kSizeMask;
    const std::span<const std::uint8_t> stream(data + 3, size - 3);
    try {
        roundTrip(acs::decompress(stream, expected));
    } catch (const acs::Error&) {
        roundTrip(stream);
    }
    return 0;
}
