// The compressed-stream codec: hand-built token streams, the encoder's choices, and damaged
// input.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "acs/compression.h"
#include "acs/error.h"

namespace acs = vistrel::acs;
using Bytes = std::vector<std::uint8_t>;

namespace {

// Writes token streams bit by bit, straight from the token table, independently of the
// encoder under test.
class Tokens {
  public:
    Tokens() { bytes_.push_back(0x00); }

    Tokens& bits(std::uint32_t v, unsigned n) {
        for (unsigned i = 0; i < n; ++i) {
            bit((v >> i) & 1);
        }
        return *this;
    }
    Tokens& literal(std::uint8_t b) { return bits(0, 1).bits(b, 8); }
    Tokens& copy(std::uint32_t offset, std::uint32_t length) {
        bit(1);
        std::uint32_t base = 2;
        if (offset <= 64) {
            bits(0, 1).bits(offset - 1, 6);
        } else if (offset <= 576) {
            bits(1, 1).bits(0, 1).bits(offset - 65, 9);
        } else if (offset <= 4672) {
            bits(1, 1).bits(1, 1).bits(0, 1).bits(offset - 577, 12);
        } else {
            bits(7, 3).bits(offset - 4673, 20);
            base = 3;
        }
        std::uint32_t e = length - base;
        unsigned n = 0;
        while (e > (1u << (n + 1)) - 2) {
            ++n;
        }
        for (unsigned i = 0; i < n; ++i) {
            bit(1);
        }
        bit(0);
        return bits(e - ((1u << n) - 1), n);
    }
    // End token, 1-bit padding, trailer.
    Bytes end() {
        bits(0xFFFFFF, 24);
        while (used_ % 8 != 0) {
            bit(1);
        }
        Bytes out = bytes_;
        out.insert(out.end(), {0xFF, 0xFF, 0xFF});
        return out;
    }
    std::size_t bitCount() const { return used_; }

  private:
    void bit(unsigned b) {
        if (used_ % 8 == 0) {
            bytes_.push_back(0);
        }
        bytes_.back() |= static_cast<std::uint8_t>(b << (used_ % 8));
        ++used_;
    }
    Bytes bytes_;
    std::size_t used_ = 0;
};

Bytes randomBytes(std::size_t n, unsigned alphabet, std::uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& x : b) {
        x = static_cast<std::uint8_t>(rng() % alphabet);
    }
    return b;
}

std::string errorOf(const Bytes& stream, std::size_t expected) {
    try {
        acs::decompress(stream, expected);
    } catch (const acs::Error& e) {
        return e.what();
    }
    return "";
}

}  // namespace

TEST(Decompress, WorkedExampleOfTheFormat) {
    const Bytes input = {0x41, 0x42, 0x41, 0x42, 0x41, 0x42, 0x41,
                         0x43, 0x43, 0x43, 0x43, 0x43, 0x43};
    const Bytes stored = {0x00, 0x82, 0x08, 0x15, 0x0C, 0x43, 0x01,
                          0xE3, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(acs::decompress(stored, input.size()), input);
    EXPECT_EQ(acs::compress(input), stored);
    EXPECT_EQ(Tokens().literal(0x41).literal(0x42).copy(2, 5).literal(0x43).copy(1, 5).end(),
              stored);
}

TEST(Decompress, EmptyStream) {
    const Bytes empty = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_TRUE(acs::decompress(empty, 0).empty());
    EXPECT_EQ(acs::compress({}), empty);
}

TEST(Decompress, OffsetClassBoundaries) {
    // A copy at each edge of each offset class reproduces the byte that far back.
    for (std::uint32_t offset : {1u, 64u, 65u, 576u, 577u, 4672u, 4673u, 70000u}) {
        SCOPED_TRACE(offset);
        Bytes prefix = randomBytes(offset, 256, offset);
        Tokens t;
        for (auto b : prefix) {
            t.literal(b);
        }
        const std::uint32_t length = offset > 4672 ? 3 : 2;  // the shortest copy of the class
        Bytes stream = t.copy(offset, length).end();
        Bytes out = acs::decompress(stream, prefix.size() + length);
        ASSERT_TRUE(std::equal(prefix.begin(), prefix.end(), out.begin()));
        for (std::uint32_t i = 0; i < length; ++i) {
            EXPECT_EQ(out[offset + i], out[i]);
        }
    }
}

TEST(Decompress, LengthCodesUpToElevenBits) {
    // n = 11 with the largest value: 4096 bytes in one class-A copy, 4097 in class D.
    Bytes out = acs::decompress(Tokens().literal(7).copy(1, 4096).end(), 4097);
    EXPECT_EQ(out, Bytes(4097, 7));
    Bytes prefix = randomBytes(5000, 256, 3);
    Tokens t;
    for (auto b : prefix) {
        t.literal(b);
    }
    out = acs::decompress(t.copy(5000, 4097).end(), 5000 + 4097);
    EXPECT_TRUE(std::equal(prefix.begin(), prefix.begin() + 4097, out.begin() + 5000));

    // Every length of the boundaries between length codes.
    for (std::uint32_t len : {2u, 3u, 4u, 5u, 8u, 9u, 16u, 17u, 2048u, 2049u}) {
        EXPECT_EQ(acs::decompress(Tokens().literal(1).copy(1, len).end(), len + 1),
                  Bytes(len + 1, 1));
    }
}

TEST(Decompress, EndTokenOnAByteBoundary) {
    // Eight literals and the end token fill exactly twelve bytes: no padding bits at all.
    const Bytes input = {1, 2, 3, 4, 5, 6, 7, 8};
    Tokens t;
    for (auto b : input) {
        t.literal(b);
    }
    Bytes stream = t.end();
    ASSERT_EQ(stream.size(), 1u + 12 + 3);
    EXPECT_EQ(acs::decompress(stream, input.size()), input);
    EXPECT_EQ(acs::compress(input), stream);
}

TEST(Decompress, OverlappingCopiesRepeatAPattern) {
    Bytes out = acs::decompress(Tokens().literal(1).literal(2).literal(3).copy(3, 10).end(), 13);
    EXPECT_EQ(out, (Bytes{1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1}));
    // Pattern lengths around the 8-byte chunking of long copies.
    for (std::uint32_t period : {2u, 7u, 8u, 9u, 15u}) {
        Bytes seed = randomBytes(period, 256, period);
        Tokens t2;
        for (auto b : seed) {
            t2.literal(b);
        }
        Bytes got = acs::decompress(t2.copy(period, 100).end(), period + 100);
        for (std::size_t i = period; i < got.size(); ++i) {
            ASSERT_EQ(got[i], got[i - period]) << "period " << period << " at " << i;
        }
    }
}

TEST(Decompress, RejectsDamagedStreams) {
    const Bytes good = Tokens().literal(5).copy(1, 10).end();
    EXPECT_EQ(acs::decompress(good, 11), Bytes(11, 5));

    EXPECT_NE(errorOf({}, 0).find("empty"), std::string::npos);
    Bytes badFirst = good;
    badFirst[0] = 1;
    EXPECT_NE(errorOf(badFirst, 11).find("first byte"), std::string::npos);
    EXPECT_NE(errorOf(good, 10).find("longer than expected"), std::string::npos);
    EXPECT_NE(errorOf(good, 12).find("expected 12"), std::string::npos);
    EXPECT_NE(errorOf(Tokens().literal(5).copy(2, 3).end(), 4).find("before the start"),
              std::string::npos);
    // Twelve 1 bits in a length code.
    Bytes twelve = Tokens().literal(5).bits(1, 1).bits(0, 1).bits(0, 6).bits(0xFFF, 12).end();
    EXPECT_NE(errorOf(twelve, 5000).find("bad length code"), std::string::npos);
    // Cut anywhere before the end token: always an error, never a read past the input.
    Bytes stream = acs::compress(randomBytes(3000, 4, 9));
    for (std::size_t cut = 0; cut + 4 < stream.size(); ++cut) {
        Bytes part(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_NE(errorOf(part, 3000), "") << "cut at " << cut;
    }
}

TEST(Decompress, RefusesSizesTheStreamCannotHold) {
    const Bytes empty = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_NE(errorOf(empty, acs::kMaxDecompressedSize + 1).find("limit"), std::string::npos);
    EXPECT_NE(errorOf(empty, 1u << 20).find("can hold"), std::string::npos);
    // The bound is real: the densest stream (4096-byte copies) stays within it.
    Tokens t;
    t.literal(0);
    for (int i = 0; i < 200; ++i) {
        t.copy(1, 4096);
    }
    Bytes dense = t.end();
    EXPECT_LE(1u + 200 * 4096, acs::maxDecompressedSize(dense.size()));
    EXPECT_EQ(acs::decompress(dense, 1 + 200 * 4096).size(), 1u + 200 * 4096);
}

TEST(Compress, RoundTripsVariedData) {
    struct Case {
        std::size_t size;
        unsigned alphabet;
    };
    for (Case c : {Case{1, 256}, Case{2, 256}, Case{3, 1}, Case{100, 2}, Case{5000, 256},
                   Case{20000, 3}, Case{70000, 16}}) {
        SCOPED_TRACE(std::to_string(c.size) + "/" + std::to_string(c.alphabet));
        Bytes input = randomBytes(c.size, c.alphabet, static_cast<std::uint32_t>(c.size));
        EXPECT_EQ(acs::decompress(acs::compress(input), input.size()), input);
    }
}

TEST(Compress, NoiseBeyondTheExactSearchBudgetStillRoundTrips) {
    // Two-colour noise makes every byte pair recur everywhere: the search goes over its budget
    // and continues with bounded depth.
    const Bytes noise = randomBytes(300000, 2, 77);
    const Bytes packed = acs::compress(noise);
    EXPECT_LT(packed.size(), noise.size() / 3);
    EXPECT_EQ(acs::decompress(packed, noise.size()), noise);
}

TEST(Compress, LongRunsAndFarMatches) {
    // A run longer than the longest copy: one literal, copies of 4096, 4096 and 1807 bytes
    // (9 + 31 + 31 + 29 bits) and the end token fill 16 bytes.
    Bytes run(10000, 0xAA);
    Bytes packed = acs::compress(run);
    EXPECT_EQ(packed.size(), 1u + 16 + 3);
    EXPECT_EQ(acs::decompress(packed, run.size()), run);

    // A random block repeated 10000 bytes later can only be matched with a class-D copy.
    Bytes block = randomBytes(3000, 256, 5);
    Bytes input = block;
    Bytes filler = randomBytes(7000, 256, 6);
    input.insert(input.end(), filler.begin(), filler.end());
    input.insert(input.end(), block.begin(), block.end());
    packed = acs::compress(input);
    EXPECT_LT(packed.size(), 10000u * 9 / 8 + 100);  // the repeat costs almost nothing
    EXPECT_EQ(acs::decompress(packed, input.size()), input);
}

// Lists the tokens of a stream: (0, byte) for literals, (offset, length) for copies.
static std::vector<std::pair<std::uint32_t, std::uint32_t>> tokensOf(const Bytes& s) {
    std::size_t pos = 8;
    auto bit = [&] {
        unsigned b = (s.at(pos >> 3) >> (pos & 7)) & 1;
        ++pos;
        return b;
    };
    auto bits = [&](unsigned n) {
        std::uint32_t v = 0;
        for (unsigned i = 0; i < n; ++i) {
            v |= bit() << i;
        }
        return v;
    };
    std::vector<std::pair<std::uint32_t, std::uint32_t>> out;
    for (;;) {
        if (bit() == 0) {
            out.emplace_back(0, bits(8));
            continue;
        }
        unsigned cls = 0;
        while (cls < 3 && bit() == 1) {
            ++cls;
        }
        static const unsigned width[] = {6, 9, 12, 20};
        static const std::uint32_t add[] = {1, 65, 577, 4673};
        std::uint32_t field = bits(width[cls]);
        if (cls == 3 && field == 0xFFFFF) {
            return out;
        }
        unsigned n = 0;
        while (bit() == 1) {
            ++n;
        }
        std::uint32_t len = (cls == 3 ? 3 : 2) + (1u << n) - 1 + bits(n);
        out.emplace_back(field + add[cls], len);
    }
}

TEST(Compress, ChoosesBetweenNearAndFarMatchesByBitsSaved) {
    Bytes marker(40);
    for (int i = 0; i < 40; ++i) {
        marker[i] = static_cast<std::uint8_t>(200 + i);
    }
    const Bytes filler = randomBytes(5000, 100, 21);  // never matches marker bytes

    // Equal lengths: the near copy (4 back) beats the far one (5043 back).
    Bytes input(marker.begin(), marker.begin() + 3);
    input.insert(input.end(), filler.begin(), filler.end());
    input.insert(input.end(), {200, 201, 202, 250, 200, 201, 202});
    auto tokens = tokensOf(acs::compress(input));
    ASSERT_GE(tokens.size(), 3u);
    EXPECT_EQ(tokens.back(), std::make_pair(4u, 3u));
    EXPECT_EQ(tokens[tokens.size() - 2], std::make_pair(0u, 250u));
    EXPECT_EQ(tokens[tokens.size() - 3], std::make_pair(5003u, 3u));

    // A long far match beats a short near one.
    input = marker;
    input.insert(input.end(), filler.begin(), filler.end());
    input.insert(input.end(), {200, 201, 202, 203, 250});
    input.insert(input.end(), marker.begin(), marker.end());
    tokens = tokensOf(acs::compress(input));
    EXPECT_EQ(tokens.back(), std::make_pair(5045u, 40u));
    EXPECT_EQ(acs::decompress(acs::compress(input), input.size()), input);
}
