#include "acs/compression.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include "acs/error.h"

namespace vistrel::acs {

namespace {

constexpr std::uint32_t kEndField = 0xFFFFF;
constexpr unsigned kMaxLengthBits = 11;
constexpr unsigned kOffsetWidth[4] = {6, 9, 12, 20};
constexpr std::uint32_t kOffsetAddend[4] = {1, 65, 577, 4673};
constexpr std::size_t kNearLimit = 4672;  // largest offset of classes A to C
constexpr std::size_t kTrailerSize = 3;

// The exact match search can visit every earlier occurrence of a byte pair, which is
// quadratic on noise-like input. Real images need at most about a hundred candidate visits
// per byte; once a block has used this budget, each further search stops after
// kBoundedChainDepth candidates: the output stays valid but may then differ from the
// original compiler's.
constexpr std::size_t kExactSearchSteps = std::size_t{1} << 24;
constexpr std::size_t kExactSearchStepsPerByte = 256;
constexpr std::size_t kBoundedChainDepth = 64;

inline std::uint64_t load64le(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big) {
        v = __builtin_bswap64(v);
    }
    return v;
}

// Reads the stream least significant bit first through a 64-bit window. Past the end of the
// input the window is filled with zero bits that are counted, so that a stream which needs them
// is reported as truncated instead of being read out of bounds.
class BitReader {
  public:
    BitReader(const std::uint8_t* begin, const std::uint8_t* end)
        : begin_(begin), p_(begin), end_(end) {}

    // Afterwards at least 56 bits are in the window.
    inline void refill() {
        if (count_ >= 56) {
            return;
        }
        if (end_ - p_ >= 8) {
            buf_ |= load64le(p_) << count_;
            p_ += (63 - count_) >> 3;
            count_ |= 56;
        } else {
            while (count_ <= 56) {
                std::uint64_t b = 0;
                if (p_ < end_) {
                    b = *p_++;
                } else {
                    phantom_ += 8;
                }
                buf_ |= b << count_;
                count_ += 8;
            }
        }
    }
    inline std::uint64_t peek() const { return buf_; }
    inline unsigned available() const { return count_; }
    inline void consume(unsigned n) {
        buf_ >>= n;
        count_ -= n;
    }
    // True once a bit that lies past the end of the input has been consumed.
    inline bool overrun() const { return phantom_ > count_; }
    // Offset (from the start of the input) of the byte holding the next unread bit.
    std::size_t bytePosition() const {
        std::size_t consumedBits = static_cast<std::size_t>(p_ - begin_) * 8 + phantom_ - count_;
        return consumedBits / 8;
    }

  private:
    const std::uint8_t* begin_;
    const std::uint8_t* p_;
    const std::uint8_t* end_;
    std::uint64_t buf_ = 0;
    unsigned count_ = 0;
    std::size_t phantom_ = 0;
};

[[noreturn]] void fail(const char* what, std::uint64_t base, std::size_t streamByte) {
    throw Error(std::string("compressed data: ") + what, base + streamByte);
}

// Copies `length` bytes from `offset` bytes back, byte by byte in effect: the source may
// overlap the destination, which repeats the last `offset` bytes. `room` is the space left in
// the output from `dst`; with 8 bytes to spare, whole 8-byte words are copied and the few bytes
// written past the copy are overwritten by the output that follows.
inline void copyMatch(std::uint8_t* dst, std::size_t offset, std::size_t length, std::size_t room) {
    const std::uint8_t* src = dst - offset;
    if (offset == 1) {
        std::memset(dst, *src, length);
    } else if (offset >= 8 && room >= length + 8) {
        std::uint8_t* const end = dst + length;
        do {
            std::memcpy(dst, src, 8);
            dst += 8;
            src += 8;
        } while (dst < end);
    } else if (offset >= length) {
        std::memcpy(dst, src, length);
    } else {
        while (length-- > 0) {
            *dst++ = *src++;
        }
    }
}

}  // namespace

std::size_t maxDecompressedSize(std::size_t compressedSize) {
    std::size_t tokens = compressedSize / 31 * 8 + (compressedSize % 31) * 8 / 31 + 1;
    return tokens > kMaxDecompressedSize ? kMaxDecompressedSize + 1 : tokens * 4097;
}

void decompressInto(std::span<const std::uint8_t> src, std::span<std::uint8_t> out,
                    std::uint64_t baseOffset) {
    if (src.empty()) {
        fail("empty block", baseOffset, 0);
    }
    if (src[0] != 0x00) {
        fail("first byte is not 0", baseOffset, 0);
    }
    BitReader in(src.data() + 1, src.data() + src.size());
    std::uint8_t* const outBegin = out.data();
    std::uint8_t* const outEnd = outBegin + out.size();
    std::uint8_t* dst = outBegin;
    auto where = [&] { return 1 + in.bytePosition(); };

    for (;;) {
        in.refill();
        std::uint64_t w = in.peek();
        if ((w & 1) == 0) {
            // Literals: as many as the window holds.
            do {
                if (dst == outEnd) {
                    fail("output longer than expected", baseOffset, where());
                }
                *dst++ = static_cast<std::uint8_t>(w >> 1);
                in.consume(9);
                w = in.peek();
            } while (in.available() >= 9 && (w & 1) == 0);
            if (in.overrun()) {
                fail("truncated stream", baseOffset, src.size());
            }
            continue;
        }
        // Offset class: up to three prefix bits, stopping at the first 0.
        unsigned prefix = static_cast<unsigned>(w >> 1) & 7;
        unsigned cls = static_cast<unsigned>(std::countr_one(prefix));
        unsigned headerBits;
        if (cls >= 3) {
            cls = 3;
            headerBits = 4;
        } else {
            headerBits = 2 + cls;
        }
        std::uint32_t field =
            static_cast<std::uint32_t>(w >> headerBits) & ((1u << kOffsetWidth[cls]) - 1);
        in.consume(headerBits + kOffsetWidth[cls]);
        if (cls == 3 && field == kEndField) {
            if (in.overrun()) {
                fail("truncated stream", baseOffset, src.size());
            }
            break;
        }
        w = in.peek();
        unsigned n = static_cast<unsigned>(std::countr_one(w));
        if (n > kMaxLengthBits) {
            fail("bad length code", baseOffset, where());
        }
        std::size_t length = (cls == 3 ? 3 : 2) + ((std::size_t{1} << n) - 1) +
                             static_cast<std::size_t>((w >> (n + 1)) & ((1u << n) - 1));
        in.consume(2 * n + 1);
        if (in.overrun()) {
            fail("truncated stream", baseOffset, src.size());
        }
        std::size_t offset = field + kOffsetAddend[cls];
        std::size_t produced = static_cast<std::size_t>(dst - outBegin);
        if (offset > produced) {
            fail("copy refers to before the start of the output", baseOffset, where());
        }
        if (length > static_cast<std::size_t>(outEnd - dst)) {
            fail("output longer than expected", baseOffset, where());
        }
        copyMatch(dst, offset, length, static_cast<std::size_t>(outEnd - dst));
        dst += length;
    }
    if (dst != outEnd) {
        throw Error("compressed data: decoded " + std::to_string(dst - outBegin) +
                        " bytes, expected " + std::to_string(out.size()),
                    baseOffset + where());
    }
}

std::vector<std::uint8_t> decompress(std::span<const std::uint8_t> src, std::size_t expectedSize,
                                     std::uint64_t baseOffset) {
    if (expectedSize > kMaxDecompressedSize) {
        throw Error("compressed data: declared size " + std::to_string(expectedSize) +
                        " exceeds the limit of " + std::to_string(kMaxDecompressedSize),
                    baseOffset);
    }
    if (expectedSize > maxDecompressedSize(src.size())) {
        throw Error("compressed data: declared size " + std::to_string(expectedSize) +
                        " is more than " + std::to_string(src.size()) +
                        " compressed bytes can hold",
                    baseOffset);
    }
    std::vector<std::uint8_t> out(expectedSize);
    decompressInto(src, out, baseOffset);
    return out;
}

namespace {

class BitWriter {
  public:
    explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    // Appends the `n` (<= 32) low bits of `v`, least significant first.
    inline void put(std::uint32_t v, unsigned n) {
        acc_ |= static_cast<std::uint64_t>(v & ((n == 32) ? 0xFFFFFFFFu : ((1u << n) - 1)))
                << count_;
        count_ += n;
        while (count_ >= 8) {
            out_.push_back(static_cast<std::uint8_t>(acc_));
            acc_ >>= 8;
            count_ -= 8;
        }
    }
    // Fills the rest of the current byte with 1 bits.
    void padWithOnes() {
        if (count_ > 0) {
            put(0xFF, 8 - count_);
        }
    }

  private:
    std::vector<std::uint8_t>& out_;
    std::uint64_t acc_ = 0;
    unsigned count_ = 0;
};

inline unsigned lengthBits(std::size_t extra) {
    unsigned n = 0;
    while (extra > (std::size_t{1} << (n + 1)) - 2) {
        ++n;
    }
    return n;
}

inline int copyCost(std::size_t offset, std::size_t length) {
    int header = offset <= 64 ? 8 : offset <= 576 ? 12 : offset <= kNearLimit ? 16 : 24;
    std::size_t base = offset > kNearLimit ? 3 : 2;
    return header + 2 * static_cast<int>(lengthBits(length - base)) + 1;
}

void putCopy(BitWriter& bw, std::size_t offset, std::size_t length) {
    bw.put(1, 1);
    std::size_t base = 2;
    if (offset <= 64) {
        bw.put(0, 1);
        bw.put(static_cast<std::uint32_t>(offset - 1), 6);
    } else if (offset <= 576) {
        bw.put(0b01, 2);
        bw.put(static_cast<std::uint32_t>(offset - 65), 9);
    } else if (offset <= kNearLimit) {
        bw.put(0b011, 3);
        bw.put(static_cast<std::uint32_t>(offset - 577), 12);
    } else {
        bw.put(0b111, 3);
        bw.put(static_cast<std::uint32_t>(offset - 4673), 20);
        base = 3;
    }
    std::size_t e = length - base;
    unsigned n = lengthBits(e);
    bw.put((1u << n) - 1, n);
    bw.put(0, 1);
    bw.put(static_cast<std::uint32_t>(e - ((std::size_t{1} << n) - 1)), n);
}

struct Match {
    std::size_t offset = 0;
    std::size_t length = 0;
};

}  // namespace

std::vector<std::uint8_t> compress(std::span<const std::uint8_t> data) {
    const std::size_t size = data.size();
    const std::uint8_t* d = data.data();
    std::vector<std::uint8_t> out;
    out.reserve(size / 4 + 16);
    out.push_back(0x00);
    BitWriter bw(out);

    // Hash chains over byte pairs: head[pair] is the latest registered position starting with
    // that pair, prev[p] the one before p. Candidates are therefore visited nearest first.
    constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    std::vector<std::uint32_t> head(65536, kNone);
    std::vector<std::uint32_t> prev(size, kNone);
    std::size_t registered = 0;  // positions below this are in the chains
    auto pairAt = [d](std::size_t p) { return static_cast<std::uint32_t>(d[p] | (d[p + 1] << 8)); };

    std::size_t budget = kExactSearchSteps + kExactSearchStepsPerByte * size;
    std::size_t pos = 0;
    while (pos < size) {
        Match near, far;
        std::size_t steps = 0;
        if (pos + 1 < size) {
            const std::size_t cap = std::min(kMaxCopyLength, size - pos);
            const std::uint8_t* cur = d + pos;
            const std::size_t maxSteps = budget > 0 ? budget : kBoundedChainDepth;
            for (std::uint32_t p = head[pairAt(pos)]; p != kNone; p = prev[p]) {
                if (++steps > maxSteps) {
                    break;
                }
                std::size_t off = pos - p;
                if (off > kMaxCopyOffset) {
                    break;
                }
                const bool isNear = off <= kNearLimit;
                // Only a strictly longer match can replace the best of its group.
                std::size_t best = isNear ? near.length : std::max<std::size_t>(far.length, 2);
                if (best >= cap) {
                    if (isNear) {
                        continue;  // unreachable: the scan stops once near reaches the cap
                    }
                    break;
                }
                const std::uint8_t* cand = d + p;
                if (best >= 2 && cand[best] != cur[best]) {
                    continue;
                }
                std::size_t len = 2;
                while (len < cap && cand[len] == cur[len]) {
                    ++len;
                }
                if (len <= best) {
                    continue;
                }
                if (isNear) {
                    near = {off, len};
                    if (len >= cap) {
                        break;  // no far match can beat a near one of the same length
                    }
                } else if (len >= 3) {
                    far = {off, len};
                    if (len >= cap) {
                        break;
                    }
                }
            }
        }
        if (budget > 0) {
            budget -= std::min(budget, steps);
        }
        Match pick;
        if (near.length && far.length) {
            int gainNear = 9 * static_cast<int>(near.length) - copyCost(near.offset, near.length);
            int gainFar = 9 * static_cast<int>(far.length) - copyCost(far.offset, far.length);
            pick = gainFar >= gainNear ? far : near;
        } else {
            pick = near.length ? near : far;
        }
        std::size_t step;
        if (pick.length) {
            putCopy(bw, pick.offset, pick.length);
            step = pick.length;
        } else {
            bw.put(static_cast<std::uint32_t>(d[pos]) << 1, 9);
            step = 1;
        }
        pos += step;
        std::size_t limit = std::min(pos, size - 1);
        for (; registered < limit; ++registered) {
            std::uint32_t h = pairAt(registered);
            prev[registered] = head[h];
            head[h] = static_cast<std::uint32_t>(registered);
        }
    }
    // End token: flag, class D, field 0xFFFFF - 24 one bits.
    bw.put(0xFFFFFF, 24);
    bw.padWithOnes();
    for (std::size_t i = 0; i < kTrailerSize; ++i) {
        out.push_back(0xFF);
    }
    return out;
}

}  // namespace vistrel::acs
