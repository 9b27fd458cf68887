// Character files from untrusted bytes: opening, decoding everything, and writing the result
// back, which must read back to the same model.
//
// An .acf input may carry its animation file right after its compressed body: the reader
// then finds it there under any name.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "acs/character.h"
#include "acs/writer.h"
#include "decodeall.h"

namespace acs = vistrel::acs;

namespace {

// Keeps each run short: writing compresses every image again.
constexpr std::size_t kMaxPixelsToRewrite = 1 << 16;

void exercise(const acs::Character& c) {
    const DecodedCharacter decoded = decodeAll(c);
    if (!decoded.complete || decoded.pixels > kMaxPixelsToRewrite) {
        return;
    }
    // Whatever loaded completely must survive a write and a read unchanged.
    acs::CharacterData data = c.toData();
    if (c.kind() != acs::FileKind::Acs) {
        return;  // frames of split files are already composed; the model differs by design
    }
    std::vector<std::uint8_t> bytes;
    try {
        bytes = acs::writeAcs(data);
    } catch (const acs::Error&) {
        return;  // a model the writer refuses (for example a character size of 0)
    }
    acs::CharacterData again = acs::Character::fromAcsBytes(std::move(bytes)).toData();
    // The writer recomputes mouth centres and derives the voice/balloon flags.
    for (auto* d : {&data, &again}) {
        d->info.flags = 0;
        for (auto& a : d->animations) {
            a.name = acs::toUpper(a.name);
            a.returnAnimation = acs::toUpper(a.returnAnimation);
            for (auto& f : a.frames) {
                for (auto& o : f.overlays) {
                    o.centerX = o.centerY = 0;
                }
            }
        }
        for (auto& img : d->images) {
            img.checksum = 0;
        }
        for (auto& s : d->sounds) {
            s.checksum = 0;
        }
    }
    if (!(data == again)) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> bytes(data, data + size);
    try {
        switch (acs::detectKind(bytes)) {
            case acs::FileKind::Acf: {
                std::size_t bodyEnd = size;
                if (size >= 12) {
                    std::size_t packed =
                        data[8] | (data[9] << 8) | (data[10] << 16) | (std::size_t{data[11]} << 24);
                    bodyEnd = std::min(size, 12 + packed);
                }
                std::vector<std::uint8_t> aca(data + bodyEnd, data + size);
                exercise(acs::Character::fromAcfBytes(
                    std::move(bytes), [&aca](const std::u16string&) { return aca; }));
                break;
            }
            default:
                exercise(acs::Character::fromAcsBytes(std::move(bytes)));
                break;
        }
    } catch (const acs::Error&) {
    }
    return 0;
}
