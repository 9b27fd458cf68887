// The reader of older character files on untrusted bytes, then the version-2 writer on what it
// read: the written file must read back with the same animations and pictures.
//
// An input starting like a compound document is a whole file. Any other input is
//   USHORT n, n bytes of description body, then one animation body,
// which the harness wraps, uncompressed, into a compound document whose animation streams all
// hold that body: the mutations then reach the fields themselves rather than the compressed
// bits around them.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "acs/character.h"
#include "acs/compound.h"
#include "acs/oldkind.h"
#include "acs/testing/oldkind.h"
#include "acs/writer.h"
#include "decodeall.h"

namespace acs = vistrel::acs;
using Bytes = std::vector<std::uint8_t>;

namespace {

// Keeps each run short: writing compresses every image again.
constexpr std::size_t kMaxPixelsToRewrite = 1 << 16;
constexpr int kStreams = 4;

void put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

Bytes wrap(const std::uint8_t* data, std::size_t size) {
    const std::size_t n = size >= 2 ? std::min<std::size_t>(data[0] | (data[1] << 8), size - 2) : 0;
    const Bytes description(data + 2, data + 2 + n);
    Bytes acf;
    put32(acf, acs::kOldDescriptionSignature);
    put32(acf, static_cast<std::uint32_t>(description.size()));
    put32(acf, 0);  // stored as it is
    acf.insert(acf.end(), description.begin(), description.end());
    const bool headed = !(description.size() >= 2 && description[0] == 28);
    std::vector<acs::testing::CompoundStream> streams{{u"char.acf", acf}};
    for (int i = 1; i <= kStreams; ++i) {
        Bytes anim;
        if (headed) {
            anim.insert(anim.end(), description.begin(),
                        description.begin() + std::min<std::size_t>(4, n));
            anim.resize(8, 0);
        }
        anim.push_back(0);
        anim.insert(anim.end(), data + std::min(size, 2 + n), data + size);
        streams.push_back({acs::fromUtf8("anim" + std::to_string(i) + ".aaf"), std::move(anim)});
    }
    return acs::testing::buildCompoundDocument(streams).bytes;
}

void exercise(const acs::Character& c) {
    const DecodedCharacter decoded = decodeAll(c);
    if (!decoded.complete || decoded.pixels > kMaxPixelsToRewrite) {
        return;
    }
    acs::CharacterData data = c.toData();
    data.info.majorVersion = 2;
    data.info.minorVersion = 1;
    Bytes written;
    try {
        written = acs::writeAcs(data);
    } catch (const acs::Error&) {
        return;  // a model the writer refuses
    }
    const acs::CharacterData again = acs::Character::fromAcsBytes(std::move(written)).toData();
    if (again.animations.size() != data.animations.size() ||
        again.images.size() != data.images.size() || again.sounds.size() != data.sounds.size()) {
        std::abort();
    }
    for (std::size_t i = 0; i < data.images.size(); ++i) {
        if (!(again.images[i].image == data.images[i].image)) {
            std::abort();
        }
    }
    for (std::size_t i = 0; i < data.animations.size(); ++i) {
        const auto& a = data.animations[i];
        const auto& b = again.animations[i];
        if (a.name != b.name || a.frames.size() != b.frames.size()) {
            std::abort();
        }
        for (std::size_t f = 0; f < a.frames.size(); ++f) {
            if (a.frames[f].images != b.frames[f].images ||
                a.frames[f].sound != b.frames[f].sound ||
                a.frames[f].branches != b.frames[f].branches) {
                std::abort();
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const bool whole = size >= 8 && std::memcmp(data, acs::kCompoundSignature, 8) == 0;
    try {
        exercise(acs::Character::fromAcsBytes(whole ? Bytes(data, data + size) : wrap(data, size)));
    } catch (const acs::Error&) {
    }
    return 0;
}
