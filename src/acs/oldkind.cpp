#include "acs/oldkind.h"

#include <algorithm>
#include <optional>
#include <string>

#include "acs/bytes.h"
#include "acs/character.h"
#include "acs/compound.h"
#include "acs/compression.h"
#include "acs/error.h"
#include "acs/parse.h"
#include "acs/region.h"

namespace vistrel::acs {

using detail::ByteReader;

namespace detail {

namespace {

constexpr std::uint32_t kVersion128 = 0x0001001C;
constexpr std::uint32_t kVersion130 = 0x0001001E;
constexpr std::uint32_t kVersion131 = 0x0001001F;
constexpr std::uint16_t kNoPicture = 0xFFFF;

enum class TextForm { Utf16, Ansi };
enum class BalloonGate { EnabledBit, DisabledBitClear };

std::u16string readText(ByteReader& in, TextForm form, const char* what) {
    if (form == TextForm::Utf16) {
        return in.string(false, what);
    }
    const std::uint32_t n = in.u32(what);
    return fromWindows1252(in.bytes(in.count(n, 1, what), what));
}

Rgb readBalloonColor(ByteReader& in) {
    const auto b = in.bytes(4, "balloon colour");
    return {b[0], b[1], b[2]};
}

OldDescription parseDescription(std::span<const std::uint8_t> body, TextForm form,
                                BalloonGate gate) {
    ByteReader in(body);
    OldDescription d;
    CharacterInfo& info = d.info;
    info.minorVersion = in.u16("description version");
    info.majorVersion = in.u16("description version");
    const std::uint32_t version = (std::uint32_t{info.majorVersion} << 16) | info.minorVersion;
    if (version != kVersion128 && version != kVersion130 && version != kVersion131) {
        throw Error("description version " + std::to_string(info.majorVersion) + "." +
                        std::to_string(info.minorVersion) +
                        " is not supported (only 1.28, 1.30 and 1.31)",
                    0);
    }
    const bool hasIds = version != kVersion128;
    d.animations.resize(in.count(in.u16("animation count"), hasIds ? 16 : 12, "animation list"));
    for (auto& a : d.animations) {
        a.name = in.string(false, "animation name");
        a.stream = in.string(false, "animation stream name");
        a.returnName = in.string(false, "return animation name");
        a.id = hasIds ? in.u32("animation identifier") : 0;
    }
    info.guid = readGuid(in, "character GUID");
    LocalizedInfo names;  // the language is not stored
    names.name = readText(in, form, "character name");
    names.description = readText(in, form, "character description");
    names.extra = readText(in, form, "character extra data");
    info.localized.push_back(std::move(names));
    readCharacterSize(in, info);
    info.transparentIndex = in.u8("transparent colour index");
    info.flags = in.u32("character flags");
    if (info.flags & kFlagVoiceEnabled) {
        info.voice = readVoice(in);
    }
    const bool balloon = gate == BalloonGate::EnabledBit ? (info.flags & kFlagBalloonEnabled) != 0
                                                         : (info.flags & kFlagBalloonDisabled) == 0;
    if (balloon) {
        BalloonInfo b;
        b.lines = in.u8("balloon lines");
        b.charsPerLine = in.u8("balloon characters per line");
        b.text = readBalloonColor(in);
        b.background = readBalloonColor(in);
        b.border = readBalloonColor(in);
        b.fontName = readText(in, form, "balloon font name");
        b.fontHeight = in.i32("balloon font height");
        b.fontWeight = in.i32("balloon font weight");
        b.italic = in.u8("balloon italic flag") != 0;
        b.unknown = version == kVersion131 ? in.u8("balloon info") : 0;
        info.balloon = std::move(b);
    }
    const std::uint64_t paletteAt = in.absolutePosition();
    const std::uint32_t colors = in.u32("palette size");
    if (colors == 0 || colors > kMaxPaletteSize) {
        throw Error("palette has " + std::to_string(colors) + " colours, not 1.." +
                        std::to_string(kMaxPaletteSize),
                    paletteAt);
    }
    info.palette.resize(in.count(colors, 4, "palette"));
    for (auto& c : info.palette) {
        const auto b = in.bytes(4, "palette entry");
        c = {b[2], b[1], b[0]};
    }
    info.states.resize(in.count(in.u16("state count"), 6, "state list"));
    for (auto& s : info.states) {
        s.name = in.string(false, "state name");
        s.animations.resize(in.count(in.u16("state animation count"), 4, "state animations"));
        for (auto& a : s.animations) {
            a = in.string(false, "state animation name");
        }
    }
    if (!in.atEnd()) {
        throw Error("description ends " + std::to_string(in.remaining()) +
                        " bytes before the end of its body",
                    in.absolutePosition());
    }
    return d;
}

// Every overlay of a frame carries the centre of the closed mouth's opaque box, as version-2
// files do.
void setMouthCentre(Frame& frame, const std::vector<ImageSource>& images, std::size_t imageBase,
                    std::uint8_t transparentIndex) {
    for (const Overlay& o : frame.overlays) {
        if (o.shape != static_cast<std::uint8_t>(MouthShape::Closed)) {
            continue;
        }
        const ImageSource& s = images[o.image - imageBase];
        Image closed;
        closed.width = s.width;
        closed.height = s.height;
        storedToImage(s.pixels, closed);
        const Rect box = regionFromImage(closed, transparentIndex).bounds;
        for (Overlay& each : frame.overlays) {
            each.centerX = static_cast<std::uint16_t>((box.left + box.right) / 2);
            each.centerY = static_cast<std::uint16_t>((box.top + box.bottom) / 2);
        }
        return;
    }
}

}  // namespace

std::u16string fromWindows1252(std::span<const std::uint8_t> text) {
    // 0x80..0x9F; the five codes the code page leaves undefined keep their own value.
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::u16string out;
    out.reserve(text.size());
    for (std::uint8_t c : text) {
        out.push_back(c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : static_cast<char16_t>(c));
    }
    return out;
}

OldDescription parseOldDescription(std::span<const std::uint8_t> body) {
    std::optional<Error> first;
    for (BalloonGate gate : {BalloonGate::EnabledBit, BalloonGate::DisabledBitClear}) {
        for (TextForm form : {TextForm::Utf16, TextForm::Ansi}) {
            try {
                return parseDescription(body, form, gate);
            } catch (const Error& e) {
                if (!first) {
                    first = e;
                }
            }
        }
    }
    throw *first;
}

OldAnimation parseOldAnimationBody(std::span<const std::uint8_t> body, const CharacterInfo& info,
                                   std::size_t imageBase, std::size_t soundBase) {
    ByteReader in(body);
    OldAnimation out;
    out.sounds.resize(in.count(in.u16("sound count"), 4, "sound list"));
    for (auto& s : out.sounds) {
        const std::uint32_t size = in.u32("sound size");
        s.offset = in.absolutePosition();
        s.data = in.bytes(size, "sound data");
        s.checksum = hash32(s.data);
    }

    // Pictures: always a whole frame. Empty slots get no place in the character's list.
    const std::size_t frameBytes = stride(info.width) * info.height;
    std::vector<std::int64_t> pictureIndex(in.count(in.u16("picture count"), 4, "picture list"),
                                           -1);
    for (std::size_t i = 0; i < pictureIndex.size(); ++i) {
        const std::uint64_t at = in.absolutePosition();
        const std::uint32_t size = in.u32("picture size");
        if (size == 0) {
            continue;
        }
        const std::uint8_t storage = in.u8("picture storage");
        if (storage != 0) {
            throw Error("picture " + std::to_string(i) + ": storage kind " +
                            std::to_string(storage) + " is not supported",
                        at + 4);
        }
        if (size != frameBytes) {
            throw Error("picture " + std::to_string(i) + ": " + std::to_string(size) +
                            " pixel bytes, a " + std::to_string(info.width) + "x" +
                            std::to_string(info.height) + " frame has " +
                            std::to_string(frameBytes),
                        at);
        }
        ImageSource s;
        s.width = info.width;
        s.height = info.height;
        s.pixelsOffset = in.absolutePosition();
        s.pixels = in.bytes(size, "picture pixels");
        const std::uint32_t regionSize = in.u32("picture region size");
        s.regionOffset = in.absolutePosition();
        s.region = in.bytes(regionSize, "picture region");
        s.regionSize = regionSize;
        s.checksum = hash32(s.pixels);
        pictureIndex[i] = static_cast<std::int64_t>(out.images.size());
        out.images.push_back(s);
    }

    Animation& a = out.animation;
    const std::uint64_t countAt = in.absolutePosition();
    const std::uint64_t frameCount = ByteReader::limited(
        in.u16("frame count"), kMaxFramesPerAnimation, "animation", "frames", countAt);
    a.frames.resize(in.count(frameCount, 12, "frame list"));
    for (std::size_t f = 0; f < a.frames.size(); ++f) {
        Frame& fr = a.frames[f];
        const std::string where = "frame " + std::to_string(f) + ": ";
        const std::uint16_t picture = in.u16("frame picture index");
        const std::int16_t sound = in.i16("frame sound index");
        fr.duration = in.u16("frame duration");
        const std::int16_t x = in.i16("frame offset");
        const std::int16_t y = in.i16("frame offset");
        if (picture < pictureIndex.size() && pictureIndex[picture] >= 0) {
            fr.images.push_back(
                {static_cast<std::uint32_t>(imageBase + pictureIndex[picture]), x, y});
        } else if (picture != kNoPicture) {
            out.warnings.push_back(where + "picture " + std::to_string(picture) +
                                   " does not exist");
        }
        if (sound >= 0 && static_cast<std::size_t>(sound) < out.sounds.size()) {
            fr.sound = static_cast<std::int32_t>(soundBase + sound);
        } else if (sound >= 0) {
            out.warnings.push_back(where + "sound " + std::to_string(sound) + " does not exist");
        }
        fr.exitBranch = kNoExitBranch;
        fr.branches.resize(in.count(in.u8("branch count"), 4, "frame branches"));
        for (auto& b : fr.branches) {
            b.frame = in.u16("branch target");
            b.probability = in.u16("branch probability");
        }
        const std::size_t mouths = in.count(in.u8("mouth overlay count"), 5, "mouth overlays");
        for (std::size_t m = 0; m < mouths; ++m) {
            Overlay o;
            o.shape = in.u8("mouth shape");
            const std::uint64_t sizeAt = in.absolutePosition();
            const std::uint32_t size = in.u32("mouth pixel size");
            if (size == 0) {
                continue;  // an empty overlay: nothing to draw
            }
            o.unknown = in.u8("mouth overlay");
            o.x = in.i16("mouth position");
            o.y = in.i16("mouth position");
            ImageSource s;
            s.width = in.u16("mouth width");
            s.height = in.u16("mouth height");
            if (s.width > kMaxImageSide || s.height > kMaxImageSide ||
                size != stride(s.width) * s.height) {
                throw Error(where + "mouth overlay of " + std::to_string(s.width) + "x" +
                                std::to_string(s.height) + " does not fit its " +
                                std::to_string(size) + " pixel bytes",
                            sizeAt);
            }
            s.pixelsOffset = in.absolutePosition();
            s.pixels = in.bytes(size, "mouth pixels");
            s.checksum = hash32(s.pixels);
            const std::size_t global = imageBase + out.images.size();
            out.images.push_back(s);
            if (global > 0xFFFF) {
                out.warnings.push_back(where + "too many images for an overlay index, dropped");
                continue;
            }
            o.image = static_cast<std::uint16_t>(global);
            fr.overlays.push_back(o);
        }
        setMouthCentre(fr, out.images, imageBase, info.transparentIndex);
    }
    if (!in.atEnd()) {
        throw Error(
            "the body has " + std::to_string(in.remaining()) + " bytes after its last frame",
            in.absolutePosition());
    }
    return out;
}

}  // namespace detail

namespace {

// The decoded body of "char.acf": signature, decoded size, stored size, compressed body.
std::vector<std::uint8_t> readDescriptionStream(std::span<const std::uint8_t> stream) {
    ByteReader in(stream);
    const std::uint32_t signature = in.u32("signature");
    if (signature != kOldDescriptionSignature) {
        throw Error("signature is not C1 AB CD AB", 0);
    }
    const std::uint32_t decoded = in.u32("decoded size");
    const std::uint32_t stored = in.u32("stored size");
    if (stored == 0) {
        const auto raw = in.bytes(decoded, "description");
        return {raw.begin(), raw.end()};
    }
    return decompress(in.bytes(stored, "compressed description"), decoded, 12);
}

// The decoded body of an animation stream. Version 1.28 streams start at the compression flag.
std::vector<std::uint8_t> readAnimationStream(std::span<const std::uint8_t> stream,
                                              const CharacterInfo& info,
                                              const detail::OldAnimationRef& ref,
                                              std::uint64_t& decodedTotal,
                                              std::vector<std::string>& warnings) {
    ByteReader in(stream);
    if (info.minorVersion != 28) {
        const std::uint16_t minor = in.u16("stream version");
        const std::uint16_t major = in.u16("stream version");
        if (major != info.majorVersion || minor != info.minorVersion) {
            warnings.push_back("stream version " + std::to_string(major) + "." +
                               std::to_string(minor) + " differs from the character's");
        }
        if (in.u32("animation identifier") != ref.id) {
            warnings.push_back("the stream's identifier differs from the one in char.acf");
        }
    }
    const std::uint64_t flagAt = in.absolutePosition();
    if (in.u8("compression flag") == 0) {
        // Some writers put (size, 0) here even for a raw body; both forms are accepted.
        if (in.remaining() >= 8) {
            ByteReader peek(in.data().subspan(in.position()), in.absolutePosition());
            const std::uint32_t first = peek.u32("size");
            const std::uint32_t second = peek.u32("size");
            if (first == in.remaining() - 8 && second == 0) {
                in.skip(8, "sizes");
            }
        }
        const auto raw = in.bytes(in.remaining(), "body");
        return {raw.begin(), raw.end()};
    }
    const std::uint32_t decoded = in.u32("decoded size");
    const std::uint32_t stored = in.u32("stored size");
    if (decodedTotal + decoded > kMaxOldKindDecodedTotal) {
        throw Error("the decoded animations would exceed " +
                        std::to_string(kMaxOldKindDecodedTotal) + " bytes",
                    flagAt + 1);
    }
    const std::uint64_t bodyAt = in.absolutePosition();
    std::vector<std::uint8_t> body =
        decompress(in.bytes(stored, "compressed body"), decoded, bodyAt);
    decodedTotal += body.size();
    return body;
}

// Copies the sounds and regions of a decoded body into a buffer of their own and points them
// there, leaving the body holding only pixels.
std::vector<std::uint8_t> copyOutSoundsAndRegions(detail::OldAnimation& parsed) {
    std::size_t size = 0;
    for (const auto& s : parsed.sounds) {
        size += s.data.size();
    }
    for (const auto& image : parsed.images) {
        size += image.region.size();
    }
    std::vector<std::uint8_t> kept(size);
    std::size_t end = 0;
    auto copyOut = [&](std::span<const std::uint8_t>& part) {
        std::copy(part.begin(), part.end(), kept.begin() + static_cast<std::ptrdiff_t>(end));
        part = std::span<const std::uint8_t>(kept).subspan(end, part.size());
        end += part.size();
    };
    for (auto& s : parsed.sounds) {
        copyOut(s.data);
    }
    for (auto& image : parsed.images) {
        copyOut(image.region);
    }
    return kept;
}

std::string inQuotes(std::u16string_view name) {
    std::string quoted(1, '"');
    quoted += toUtf8(name);
    quoted += '"';
    return quoted;
}

}  // namespace

Character Character::fromOldKindBytes(std::vector<std::uint8_t> bytes) {
    auto impl = std::make_unique<Impl>();
    impl->kind = FileKind::CompoundDocument;
    const CompoundDocument doc(bytes);
    const CompoundDocument::Stream* acf = doc.find(u"char.acf");
    if (!acf) {
        if (doc.find(u"CONTENTS")) {
            throw Error(
                "a compound document with a CONTENTS stream: this variant of the older character "
                "file is not supported");
        }
        throw Error(
            "a compound document without a char.acf stream (an office file, perhaps), not a "
            "character file");
    }
    detail::OldDescription description;
    try {
        description = detail::parseOldDescription(readDescriptionStream(doc.read(*acf)));
    } catch (const Error& e) {
        throw e.within("stream \"char.acf\"");
    }
    impl->info = std::move(description.info);

    // Each animation stream is read on its own: a damaged one costs that animation only.
    std::uint64_t decodedTotal = 0;
    for (const auto& ref : description.animations) {
        const std::string label = "animation " + inQuotes(ref.name);
        std::vector<std::string> warnings;
        detail::OldAnimation parsed;
        try {
            const CompoundDocument::Stream* s = doc.find(ref.stream);
            if (!s) {
                throw Error("stream " + inQuotes(ref.stream) + " is missing");
            }
            std::vector<std::uint8_t> body;
            try {
                body = readAnimationStream(doc.read(*s), impl->info, ref, decodedTotal, warnings);
            } catch (const Error& e) {
                throw e.within("stream " + inQuotes(ref.stream));
            }
            impl->buffers.push_back(std::move(body));
            try {
                parsed = detail::parseOldAnimationBody(impl->buffers.back(), impl->info,
                                                       impl->images.size(), impl->sounds.size());
            } catch (const Error& e) {
                impl->buffers.pop_back();
                throw e.within("decoded body of stream " + inQuotes(ref.stream));
            }
        } catch (const Error& e) {
            impl->warn(label + " left out: " + e.what());
            continue;
        }
        // Pictures are stored raw, so their pixels are read from the body until decoded; the
        // body is freed once they all are.
        const std::size_t body = impl->buffers.size() - 1;
        impl->buffers.push_back(copyOutSoundsAndRegions(parsed));
        Animation& a = parsed.animation;
        a.name = ref.name;
        a.returnAnimation = ref.returnName;
        a.transition = static_cast<std::uint8_t>(
            ref.returnName.empty() ? Transition::None : Transition::ReturnAnimation);
        warnings.insert(warnings.end(), parsed.warnings.begin(), parsed.warnings.end());
        for (const auto& w : warnings) {
            impl->warn(label + ": " + w);
        }
        const std::size_t firstImage = impl->images.size();
        impl->images.insert(impl->images.end(), parsed.images.begin(), parsed.images.end());
        impl->sounds.insert(impl->sounds.end(), parsed.sounds.begin(), parsed.sounds.end());
        impl->freeWhenDecoded(body, firstImage);
        impl->animations.push_back(std::move(a));
    }
    impl->finish();
    return Character(std::move(impl));
}

}  // namespace vistrel::acs
