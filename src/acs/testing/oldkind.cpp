#include "acs/testing/oldkind.h"

#include "acs/testing/synthetic.h"

#include <algorithm>
#include <map>

#include "acs/bytes.h"
#include "acs/compound.h"
#include "acs/compression.h"
#include "acs/oldkind.h"
#include "acs/parse.h"
#include "acs/region.h"
#include "acs/writer.h"

namespace vistrel::acs::testing {

using detail::ByteWriter;

namespace {

constexpr std::uint32_t kEnd = 0xFFFFFFFE;
constexpr std::uint32_t kFree = 0xFFFFFFFF;
constexpr std::uint32_t kFatMark = 0xFFFFFFFD;
constexpr std::uint32_t kDifatMark = 0xFFFFFFFC;
constexpr std::size_t kHeaderFat = 109;

std::uint32_t sectorsFor(std::size_t size, std::uint32_t unit) {
    return static_cast<std::uint32_t>((size + unit - 1) / unit);
}

void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

// Links `count` consecutive entries from `first` into one chain.
void link(std::vector<std::uint32_t>& table, std::uint32_t first, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) {
        table[first + i] = i + 1 == count ? kEnd : first + i + 1;
    }
}

}  // namespace

std::size_t CompoundLayout::fatEntryOffset(std::uint32_t n) const {
    const std::uint32_t per = sectorSize / 4;
    return sectorOffset(fatSectors[n / per]) + 4 * (n % per);
}

std::size_t CompoundLayout::entryOffset(std::uint32_t n) const {
    const std::uint32_t per = sectorSize / 128;
    return sectorOffset(directoryStart + n / per) + 128 * (n % per);
}

std::size_t CompoundLayout::miniFatEntryOffset(std::uint32_t n) const {
    return sectorOffset(miniFatStart) + 4 * n;
}

CompoundLayout buildCompoundDocument(const std::vector<CompoundStream>& streams,
                                     const CompoundOptions& options) {
    CompoundLayout out;
    const std::uint32_t S = options.version4 ? 4096 : 512;
    out.sectorSize = S;

    // Sizes first: the mini stream and the regular streams.
    std::uint32_t miniSectors = 0, regular = 0;
    for (const auto& s : streams) {
        const bool mini = s.data.size() < 4096;
        out.inMini.push_back(mini);
        out.start.push_back(mini ? miniSectors : regular);
        (mini ? miniSectors : regular) += sectorsFor(s.data.size(), mini ? 64 : S);
        if (s.data.empty()) {
            out.start.back() = kEnd;
        }
    }
    const std::uint32_t miniStreamSectors = sectorsFor(std::size_t{miniSectors} * 64, S);
    const std::uint32_t miniFatSectors = sectorsFor(std::size_t{miniSectors} * 4, S);
    const std::uint32_t dirSectors = sectorsFor((streams.size() + 1) * 128, S);
    const std::uint32_t rest = dirSectors + miniFatSectors + miniStreamSectors + regular;
    std::uint32_t fat = 1, difat = 0;
    for (;;) {
        difat = fat > kHeaderFat ? sectorsFor(fat - kHeaderFat, S / 4 - 1) : 0;
        const std::uint32_t needed = sectorsFor(std::size_t{fat + difat + rest} * 4, S);
        if (needed <= fat) {
            break;
        }
        fat = needed;
    }
    std::uint32_t next = 0;
    for (std::uint32_t i = 0; i < fat; ++i) {
        out.fatSectors.push_back(next++);
    }
    for (std::uint32_t i = 0; i < difat; ++i) {
        out.difatSectors.push_back(next++);
    }
    out.directoryStart = next;
    next += dirSectors;
    if (miniFatSectors) {
        out.miniFatStart = next;
        next += miniFatSectors;
        out.miniStreamStart = next;
        next += miniStreamSectors;
    }
    const std::uint32_t firstRegular = next;
    const std::uint32_t total = next + regular;

    std::vector<std::uint32_t> table(std::size_t{fat} * (S / 4), kFree);
    for (std::uint32_t s : out.fatSectors) {
        table[s] = kFatMark;
    }
    for (std::uint32_t s : out.difatSectors) {
        table[s] = kDifatMark;
    }
    link(table, out.directoryStart, dirSectors);
    if (miniFatSectors) {
        link(table, out.miniFatStart, miniFatSectors);
        link(table, out.miniStreamStart, miniStreamSectors);
    }
    std::vector<std::uint32_t> miniTable(std::size_t{miniFatSectors} * (S / 4), kFree);
    for (std::size_t i = 0; i < streams.size(); ++i) {
        if (streams[i].data.empty()) {
            continue;
        }
        if (out.inMini[i]) {
            link(miniTable, out.start[i], sectorsFor(streams[i].data.size(), 64));
        } else {
            out.start[i] += firstRegular;
            link(table, out.start[i], sectorsFor(streams[i].data.size(), S));
        }
    }

    std::vector<std::uint8_t>& b = out.bytes;
    b.assign((std::size_t{total} + 1) * S, 0);
    std::copy(std::begin(kCompoundSignature), std::end(kCompoundSignature), b.begin());
    b[24] = 0x3E;
    b[26] = options.version4 ? 4 : 3;
    b[28] = 0xFE;
    b[29] = 0xFF;
    b[30] = options.version4 ? 12 : 9;
    b[32] = 6;
    put32(b, 40, options.version4 ? dirSectors : 0);
    put32(b, 44, fat);
    put32(b, 48, out.directoryStart);
    put32(b, 56, 4096);
    put32(b, 60, miniFatSectors ? out.miniFatStart : kEnd);
    put32(b, 64, miniFatSectors);
    put32(b, 68, difat ? out.difatSectors[0] : kEnd);
    put32(b, 72, difat);
    for (std::size_t i = 0; i < kHeaderFat; ++i) {
        put32(b, 76 + 4 * i, i < fat ? out.fatSectors[i] : kFree);
    }
    const std::uint32_t perDifat = S / 4 - 1;
    for (std::uint32_t d = 0; d < difat; ++d) {
        const std::size_t at = out.sectorOffset(out.difatSectors[d]);
        for (std::uint32_t k = 0; k < perDifat; ++k) {
            const std::size_t i = kHeaderFat + std::size_t{d} * perDifat + k;
            put32(b, at + 4 * k, i < fat ? out.fatSectors[i] : kFree);
        }
        put32(b, at + 4 * perDifat, d + 1 < difat ? out.difatSectors[d + 1] : kEnd);
    }
    for (std::size_t i = 0; i < table.size(); ++i) {
        put32(b, out.fatEntryOffset(static_cast<std::uint32_t>(i)), table[i]);
    }
    for (std::size_t i = 0; i < miniTable.size(); ++i) {
        put32(b, out.sectorOffset(out.miniFatStart) + 4 * i, miniTable[i]);
    }

    // Directory: the root, then one entry per stream, linked as a balanced tree.
    auto entry = [&](std::uint32_t n, std::u16string_view name, std::uint8_t type,
                     std::uint32_t start, std::uint32_t size) {
        const std::size_t at = out.entryOffset(n);
        for (std::size_t i = 0; i < name.size() && i < 31; ++i) {
            b[at + 2 * i] = static_cast<std::uint8_t>(name[i]);
            b[at + 2 * i + 1] = static_cast<std::uint8_t>(name[i] >> 8);
        }
        const std::size_t len = 2 * (std::min<std::size_t>(name.size(), 31) + 1);
        b[at + 64] = static_cast<std::uint8_t>(len);
        b[at + 66] = type;
        b[at + 67] = 1;
        put32(b, at + 68, kFree);
        put32(b, at + 72, kFree);
        put32(b, at + 76, kFree);
        put32(b, at + 116, start);
        put32(b, at + 120, size);
    };
    entry(0, u"Root Entry", 5, miniFatSectors ? out.miniStreamStart : kEnd, miniSectors * 64);
    // The character class the older files carry on their root.
    static constexpr std::uint8_t kRootClass[16] = {0x2F, 0xDF, 0x64, 0xBB, 0xE4, 0x88, 0xD0, 0x11,
                                                    0x9E, 0x87, 0x00, 0xC0, 0x4F, 0xD7, 0x08, 0x1F};
    std::copy(std::begin(kRootClass), std::end(kRootClass), b.begin() + out.entryOffset(0) + 80);
    for (std::size_t i = 0; i < streams.size(); ++i) {
        entry(static_cast<std::uint32_t>(i + 1), streams[i].name, 2, out.start[i],
              static_cast<std::uint32_t>(streams[i].data.size()));
    }
    // Entries [lo, hi) as a subtree; returns its root entry.
    auto tree = [&](auto&& self, std::uint32_t lo, std::uint32_t hi) -> std::uint32_t {
        if (lo >= hi) {
            return kFree;
        }
        const std::uint32_t mid = lo + (hi - lo) / 2;
        put32(b, out.entryOffset(mid) + 68, self(self, lo, mid));
        put32(b, out.entryOffset(mid) + 72, self(self, mid + 1, hi));
        return mid;
    };
    put32(b, out.entryOffset(0) + 76,
          tree(tree, 1, static_cast<std::uint32_t>(streams.size() + 1)));

    for (std::size_t i = 0; i < streams.size(); ++i) {
        const auto& data = streams[i].data;
        const std::size_t at = out.inMini[i]
                                   ? out.sectorOffset(out.miniStreamStart) + 64 * out.start[i]
                                   : out.sectorOffset(out.start[i]);
        std::copy(data.begin(), data.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
    }
    return out;
}

namespace {

void text(ByteWriter& out, std::u16string_view s, bool ansi) {
    if (!ansi) {
        out.string(s, false);
        return;
    }
    out.u32(static_cast<std::uint32_t>(s.size()));
    for (char16_t c : s) {
        out.u8(static_cast<std::uint8_t>(c));
    }
}

void color(ByteWriter& out, Rgb c) {
    out.u8(c.r);
    out.u8(c.g);
    out.u8(c.b);
    out.u8(0);
}

std::vector<std::uint8_t> description(const CharacterData& data, const OldKindOptions& options) {
    const CharacterInfo& info = data.info;
    ByteWriter out;
    out.u16(options.minorVersion);
    out.u16(1);
    out.u16(static_cast<std::uint16_t>(data.animations.size()));
    for (std::size_t i = 0; i < data.animations.size(); ++i) {
        const Animation& a = data.animations[i];
        out.string(a.name, false);
        out.string(fromUtf8("anim" + std::to_string(i + 1) + ".aaf"), false);
        out.string(a.returnAnimation, false);
        if (options.minorVersion != 28) {
            out.u32(0x5A000000u + static_cast<std::uint32_t>(i));
        }
    }
    detail::writeGuid(out, info.guid);
    const LocalizedInfo names = info.localized.empty() ? LocalizedInfo{} : info.localized.front();
    text(out, names.name, options.ansiNames);
    text(out, names.description, options.ansiNames);
    text(out, names.extra, options.ansiNames);
    out.u16(info.width);
    out.u16(info.height);
    out.u8(info.transparentIndex);
    out.u32(options.flags ? *options.flags : detail::effectiveFlags(info));
    if (info.voice) {
        detail::writeGuid(out, info.voice->engine);
        detail::writeGuid(out, info.voice->mode);
        out.u32(info.voice->speed);
        out.u16(info.voice->pitch);
    }
    if (info.balloon) {
        const BalloonInfo& b = *info.balloon;
        out.u8(b.lines);
        out.u8(b.charsPerLine);
        color(out, b.text);
        color(out, b.background);
        color(out, b.border);
        text(out, b.fontName, options.ansiNames);
        out.i32(b.fontHeight);
        out.i32(b.fontWeight);
        out.u8(b.italic ? 1 : 0);
        if (options.minorVersion > 30) {
            out.u8(b.unknown);
        }
    }
    out.u32(static_cast<std::uint32_t>(info.palette.size()));
    for (const Rgb& c : info.palette) {
        out.u8(c.b);
        out.u8(c.g);
        out.u8(c.r);
        out.u8(0);
    }
    out.u16(static_cast<std::uint16_t>(info.states.size()));
    for (const State& s : info.states) {
        out.string(s.name, false);
        out.u16(static_cast<std::uint16_t>(s.animations.size()));
        for (const auto& a : s.animations) {
            out.string(a, false);
        }
    }
    const std::vector<std::uint8_t> body = out.take();
    ByteWriter acf;
    acf.u32(kOldDescriptionSignature);
    const std::vector<std::uint8_t> packed = compress(body);
    acf.u32(static_cast<std::uint32_t>(body.size()));
    acf.u32(static_cast<std::uint32_t>(packed.size()));
    acf.bytes(packed);
    return acf.take();
}

std::vector<std::uint8_t> animationBody(const CharacterData& data, const Animation& a) {
    const CharacterInfo& info = data.info;
    std::vector<std::int32_t> sounds;  // global indices, in local order
    std::vector<Image> pictures;
    std::map<std::uint32_t, std::uint16_t> pictureOf;  // whole-frame image -> local picture
    auto localSound = [&](std::int32_t s) -> std::int16_t {
        if (s < 0) {
            return -1;
        }
        auto it = std::find(sounds.begin(), sounds.end(), s);
        if (it == sounds.end()) {
            sounds.push_back(s);
            return static_cast<std::int16_t>(sounds.size() - 1);
        }
        return static_cast<std::int16_t>(it - sounds.begin());
    };
    std::vector<std::uint16_t> framePicture;
    for (const Frame& f : a.frames) {
        if (f.images.empty()) {
            framePicture.push_back(0xFFFF);
            continue;
        }
        const FrameImage& first = f.images.front();
        const Image& img = data.images[first.image].image;
        const bool whole = f.images.size() == 1 && first.x == 0 && first.y == 0 &&
                           img.width == info.width && img.height == info.height;
        if (whole && pictureOf.count(first.image)) {
            framePicture.push_back(pictureOf[first.image]);
            continue;
        }
        pictures.push_back(whole ? img : compositeFrame(data, f));
        framePicture.push_back(static_cast<std::uint16_t>(pictures.size() - 1));
        if (whole) {
            pictureOf[first.image] = framePicture.back();
        }
    }
    for (const Frame& f : a.frames) {
        localSound(f.sound);
    }

    ByteWriter out;
    out.u16(static_cast<std::uint16_t>(sounds.size()));
    for (std::int32_t s : sounds) {
        out.u32(static_cast<std::uint32_t>(data.sounds[s].wav.size()));
        out.bytes(data.sounds[s].wav);
    }
    out.u16(static_cast<std::uint16_t>(pictures.size()));
    for (const Image& p : pictures) {
        const std::vector<std::uint8_t> stored = detail::imageToStored(p);
        out.u32(static_cast<std::uint32_t>(stored.size()));
        out.u8(0);
        out.bytes(stored);
        const std::vector<std::uint8_t> region =
            serializeRegion(regionFromImage(p, info.transparentIndex));
        out.u32(static_cast<std::uint32_t>(region.size()));
        out.bytes(region);
    }
    out.u16(static_cast<std::uint16_t>(a.frames.size()));
    for (std::size_t i = 0; i < a.frames.size(); ++i) {
        const Frame& f = a.frames[i];
        out.u16(framePicture[i]);
        out.i16(localSound(f.sound));
        out.u16(f.duration);
        out.i16(0);
        out.i16(0);
        out.u8(static_cast<std::uint8_t>(f.branches.size()));
        for (const Branch& b : f.branches) {
            out.u16(b.frame);
            out.u16(b.probability);
        }
        out.u8(static_cast<std::uint8_t>(f.overlays.size()));
        for (const Overlay& o : f.overlays) {
            const Image& img = data.images[o.image].image;
            const std::vector<std::uint8_t> stored = detail::imageToStored(img);
            out.u8(o.shape);
            out.u32(static_cast<std::uint32_t>(stored.size()));
            if (stored.empty()) {
                continue;
            }
            out.u8(o.unknown);
            out.i16(o.x);
            out.i16(o.y);
            out.u16(img.width);
            out.u16(img.height);
            out.bytes(stored);
        }
    }
    return out.take();
}

}  // namespace

std::vector<CompoundStream> oldKindStreams(const CharacterData& data,
                                           const OldKindOptions& options) {
    std::vector<CompoundStream> streams;
    streams.push_back({u"char.acf", description(data, options)});
    for (std::size_t i = 0; i < data.animations.size(); ++i) {
        const std::vector<std::uint8_t> body = animationBody(data, data.animations[i]);
        ByteWriter out;
        if (options.minorVersion != 28) {
            out.u16(options.minorVersion);
            out.u16(1);
            out.u32(0x5A000000u + static_cast<std::uint32_t>(i));
        }
        if (options.compressed) {
            const std::vector<std::uint8_t> packed = compress(body);
            out.u8(1);
            out.u32(static_cast<std::uint32_t>(body.size()));
            out.u32(static_cast<std::uint32_t>(packed.size()));
            out.bytes(packed);
        } else {
            out.u8(0);
            out.bytes(body);
        }
        streams.push_back({fromUtf8("anim" + std::to_string(i + 1) + ".aaf"), out.take()});
    }
    return streams;
}

std::vector<std::uint8_t> makeOldKindFile(const CharacterData& data,
                                          const OldKindOptions& options) {
    return buildCompoundDocument(oldKindStreams(data, options)).bytes;
}

CharacterData makeSmallOldKindCharacter() {
    CharacterData d;
    CharacterInfo& info = d.info;
    info.minorVersion = 31;
    info.majorVersion = 1;
    info.width = 10;
    info.height = 8;
    info.transparentIndex = 0;
    info.flags = 0x00010000;  // an unknown bit, kept as read
    info.guid.bytes = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    info.localized = {{0x0009, u"Pip", u"A small test character", u""}};
    info.palette = {{0, 255, 0},   {0, 0, 0},     {255, 255, 255},
                    {200, 40, 40}, {40, 40, 200}, {250, 220, 180}};
    VoiceInfo voice;
    voice.engine.bytes[0] = 0x31;
    voice.mode.bytes[15] = 0x08;
    voice.speed = 140;
    voice.pitch = 100;
    info.voice = voice;
    BalloonInfo balloon;
    balloon.fontName = u"Comic Sans MS";
    balloon.lines = 3;
    balloon.charsPerLine = 28;
    info.balloon = balloon;
    info.states = {{u"Showing", {u"Wave"}}, {u"Hiding", {u"Bye"}}};

    // Pictures: a face on the transparent colour, with rows and columns told apart.
    auto picture = [&](std::uint8_t shade) {
        Image img;
        img.width = info.width;
        img.height = info.height;
        img.pixels.assign(std::size_t{img.width} * img.height, 0);
        for (int y = 1; y < 7; ++y) {
            for (int x = 2; x < 8; ++x) {
                img.pixels[y * img.width + x] = static_cast<std::uint8_t>(y < 3 ? shade : 5);
            }
        }
        img.pixels[7 * img.width + 9] = 1;  // bottom-right corner: row order matters
        return img;
    };
    for (std::uint8_t shade : {3, 4}) {
        d.images.push_back({picture(shade), 0});
    }
    // Seven mouth bitmaps of 3x2 growing rows, drawn at (4, 4).
    for (int shape = 0; shape < 7; ++shape) {
        Image m;
        m.width = 3;
        m.height = 2;
        m.pixels = {1, static_cast<std::uint8_t>(shape % 2 ? 3 : 2), 1,
                    0, static_cast<std::uint8_t>(shape > 0 ? 1 : 0), 0};
        d.images.push_back({m, 0});
    }
    d.sounds.push_back({makeWave(40, 7), 0});

    Animation wave;
    wave.name = u"Wave";
    wave.transition = static_cast<std::uint8_t>(Transition::ReturnAnimation);
    wave.returnAnimation = u"Bye";
    for (int i = 0; i < 3; ++i) {
        Frame f;
        f.images.push_back({static_cast<std::uint32_t>(i % 2), 0, 0});
        f.duration = static_cast<std::uint16_t>(10 + i);
        wave.frames.push_back(f);
    }
    wave.frames[0].sound = 0;
    wave.frames[2].branches = {{0, 60}, {1, 30}};
    for (int shape = 0; shape < 7; ++shape) {
        Overlay o;
        o.shape = static_cast<std::uint8_t>(shape);
        o.image = static_cast<std::uint16_t>(2 + shape);
        o.x = 4;
        o.y = 4;
        wave.frames[1].overlays.push_back(o);
    }
    Animation bye;
    bye.name = u"Bye";
    bye.frames.resize(2);
    bye.frames[0].images.push_back({1, 0, 0});
    bye.frames[0].duration = 20;
    bye.frames[1].duration = 10;  // the frame that hides the character: no picture
    d.animations = {wave, bye};
    return d;
}

}  // namespace vistrel::acs::testing
