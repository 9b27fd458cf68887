#pragma once

// The bit-granular LZ77 scheme used for image pixels, region data and the ACF/ACA bodies.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vistrel::acs {

// No block may decode to more than this, whatever its header claims.
inline constexpr std::size_t kMaxDecompressedSize = std::size_t{64} << 20;

// Longest copy the encoder emits (the decoder accepts one more byte for far copies).
inline constexpr std::size_t kMaxCopyLength = 4096;
// Largest back-reference distance the format can express.
inline constexpr std::size_t kMaxCopyOffset = 1053247;

// Upper bound of the output a compressed block of `compressedSize` bytes can produce (the
// densest token writes 4097 bytes with 31 bits). Used to refuse absurd size claims before
// allocating.
std::size_t maxDecompressedSize(std::size_t compressedSize);

// Decodes `src` (leading zero byte, tokens, end token, trailer) into exactly `out.size()` bytes.
// Throws Error on any malformed input: wrong first byte, truncation, a reference before the
// start of the output, output overrun or a stream that ends short. `baseOffset` is added to the
// offsets reported in errors (pass the block's position in its file).
void decompressInto(std::span<const std::uint8_t> src, std::span<std::uint8_t> out,
                    std::uint64_t baseOffset = 0);

// As decompressInto, allocating the output; refuses sizes above kMaxDecompressedSize or above
// what `src` could possibly produce.
std::vector<std::uint8_t> decompress(std::span<const std::uint8_t> src, std::size_t expectedSize,
                                     std::uint64_t baseOffset = 0);

// Encodes `data` with the greedy match selection of the original character compiler, so that
// recompressing an image read from a real file gives back its stored bytes. The search effort
// per block is bounded: on noise-like data that would make the exact search quadratic, later
// matches are searched less deeply (still valid, no longer the compiler's exact choice).
std::vector<std::uint8_t> compress(std::span<const std::uint8_t> data);

}  // namespace vistrel::acs
