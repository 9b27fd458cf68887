#include "acs/parse.h"

#include <cstring>
#include <string>

#include "acs/error.h"

namespace vistrel::acs::detail {

Guid readGuid(ByteReader& in, const char* what) {
    Guid g;
    auto b = in.bytes(16, what);
    std::memcpy(g.bytes.data(), b.data(), 16);
    return g;
}

void writeGuid(ByteWriter& out, const Guid& guid) {
    out.bytes(guid.bytes);
}

std::vector<LocalizedInfo> readLocalizedList(ByteReader& in, bool terminated) {
    std::size_t n = in.count(in.u16("localized info count"), 14, "localized info list");
    std::vector<LocalizedInfo> list(n);
    for (auto& l : list) {
        l.language = in.u16("localized info language");
        l.name = in.string(terminated, "character name");
        l.description = in.string(terminated, "character description");
        l.extra = in.string(terminated, "localized extra data");
    }
    return list;
}

void writeLocalizedList(ByteWriter& out, const std::vector<LocalizedInfo>& list, bool terminated) {
    out.u16(static_cast<std::uint16_t>(list.size()));
    for (const auto& l : list) {
        out.u16(l.language);
        out.string(l.name, terminated);
        out.string(l.description, terminated);
        out.string(l.extra, terminated);
    }
}

namespace {

Rgb readBalloonColor(ByteReader& in) {
    auto b = in.bytes(4, "balloon colour");
    return {b[0], b[1], b[2]};
}

void writeBalloonColor(ByteWriter& out, Rgb c) {
    out.u8(c.r);
    out.u8(c.g);
    out.u8(c.b);
    out.u8(0);
}

std::vector<std::uint8_t> readDataBlock(ByteReader& in, const char* what) {
    std::uint32_t size = in.u32(what);
    auto b = in.bytes(size, what);
    return {b.begin(), b.end()};
}

}  // namespace

void readCharacterSize(ByteReader& in, CharacterInfo& info) {
    const std::uint64_t sizeAt = in.absolutePosition();
    info.width = in.u16("character width");
    info.height = in.u16("character height");
    if (info.width == 0 || info.height == 0 || info.width > kMaxImageSide ||
        info.height > kMaxImageSide) {
        throw Error("character size " + std::to_string(info.width) + "x" +
                        std::to_string(info.height) + " is outside 1.." +
                        std::to_string(kMaxImageSide),
                    sizeAt);
    }
}

VoiceInfo readVoice(ByteReader& in) {
    VoiceInfo v;
    v.engine = readGuid(in, "voice engine");
    v.mode = readGuid(in, "voice mode");
    v.speed = in.u32("voice speed");
    v.pitch = in.u16("voice pitch");
    return v;
}

void readInfoTail(ByteReader& in, CharacterInfo& info, bool terminated) {
    readCharacterSize(in, info);
    info.transparentIndex = in.u8("transparent colour index");
    info.flags = in.u32("character flags");
    info.animationSetMajor = in.u16("animation set version");
    info.animationSetMinor = in.u16("animation set version");
    if (info.flags & kFlagVoiceEnabled) {
        VoiceInfo v = readVoice(in);
        if (in.u8("voice extra data flag")) {
            VoiceExtra e;
            e.language = in.u16("voice language");
            e.dialect = in.string(terminated, "voice dialect");
            e.gender = in.u16("voice gender");
            e.age = in.u16("voice age");
            e.style = in.string(terminated, "voice style");
            v.extra = std::move(e);
        }
        info.voice = std::move(v);
    }
    if (info.flags & kFlagBalloonEnabled) {
        BalloonInfo b;
        b.lines = in.u8("balloon lines");
        b.charsPerLine = in.u8("balloon characters per line");
        b.text = readBalloonColor(in);
        b.background = readBalloonColor(in);
        b.border = readBalloonColor(in);
        b.fontName = in.string(terminated, "balloon font name");
        b.fontHeight = in.i32("balloon font height");
        b.fontWeight = in.i32("balloon font weight");
        b.italic = in.u8("balloon italic flag") != 0;
        b.unknown = in.u8("balloon info");
        info.balloon = std::move(b);
    }
    const std::uint64_t paletteAt = in.absolutePosition();
    const std::uint64_t colors = ByteReader::limited(in.u32("palette size"), kMaxPaletteSize,
                                                     "palette", "colours", paletteAt);
    info.palette.resize(in.count(colors, 4, "palette"));
    for (auto& c : info.palette) {
        auto b = in.bytes(4, "palette entry");
        c = {b[2], b[1], b[0]};
    }
    if (in.u8("tray icon flag")) {
        TrayIcon icon;
        icon.mask = readDataBlock(in, "tray icon mask");
        icon.color = readDataBlock(in, "tray icon image");
        info.trayIcon = std::move(icon);
    }
    std::size_t states = in.count(in.u16("state count"), 6, "state list");
    info.states.resize(states);
    for (auto& s : info.states) {
        s.name = in.string(terminated, "state name");
        std::size_t n = in.count(in.u16("state animation count"), 4, "state animations");
        s.animations.resize(n);
        for (auto& a : s.animations) {
            a = in.string(terminated, "state animation name");
        }
    }
}

std::uint32_t effectiveFlags(const CharacterInfo& info) {
    std::uint32_t flags = info.flags & ~(kFlagVoiceEnabled | kFlagBalloonEnabled);
    if (info.voice) {
        flags = (flags | kFlagVoiceEnabled) & ~kFlagVoiceDisabled;
    }
    if (info.balloon) {
        flags = (flags | kFlagBalloonEnabled) & ~kFlagBalloonDisabled;
    }
    return flags;
}

void writeInfoTail(ByteWriter& out, const CharacterInfo& info, bool terminated) {
    out.u16(info.width);
    out.u16(info.height);
    out.u8(info.transparentIndex);
    out.u32(effectiveFlags(info));
    out.u16(info.animationSetMajor);
    out.u16(info.animationSetMinor);
    if (info.voice) {
        const VoiceInfo& v = *info.voice;
        writeGuid(out, v.engine);
        writeGuid(out, v.mode);
        out.u32(v.speed);
        out.u16(v.pitch);
        out.u8(v.extra ? 1 : 0);
        if (v.extra) {
            out.u16(v.extra->language);
            out.string(v.extra->dialect, terminated);
            out.u16(v.extra->gender);
            out.u16(v.extra->age);
            out.string(v.extra->style, terminated);
        }
    }
    if (info.balloon) {
        const BalloonInfo& b = *info.balloon;
        out.u8(b.lines);
        out.u8(b.charsPerLine);
        writeBalloonColor(out, b.text);
        writeBalloonColor(out, b.background);
        writeBalloonColor(out, b.border);
        out.string(b.fontName, terminated);
        out.i32(b.fontHeight);
        out.i32(b.fontWeight);
        out.u8(b.italic ? 1 : 0);
        out.u8(b.unknown);
    }
    out.u32(static_cast<std::uint32_t>(info.palette.size()));
    for (const auto& c : info.palette) {
        out.u8(c.b);
        out.u8(c.g);
        out.u8(c.r);
        out.u8(0);
    }
    out.u8(info.trayIcon ? 1 : 0);
    if (info.trayIcon) {
        out.u32(static_cast<std::uint32_t>(info.trayIcon->mask.size()));
        out.bytes(info.trayIcon->mask);
        out.u32(static_cast<std::uint32_t>(info.trayIcon->color.size()));
        out.bytes(info.trayIcon->color);
    }
    out.u16(static_cast<std::uint16_t>(info.states.size()));
    for (const auto& s : info.states) {
        out.string(s.name, terminated);
        out.u16(static_cast<std::uint16_t>(s.animations.size()));
        for (const auto& a : s.animations) {
            out.string(a, terminated);
        }
    }
}

void storedToImage(std::span<const std::uint8_t> stored, Image& image) {
    const std::size_t w = image.width, h = image.height, s = stride(w);
    image.pixels.resize(w * h);
    for (std::size_t y = 0; y < h; ++y) {
        std::memcpy(image.pixels.data() + y * w, stored.data() + (h - 1 - y) * s, w);
    }
}

std::vector<std::uint8_t> imageToStored(const Image& image) {
    const std::size_t w = image.width, h = image.height, s = stride(w);
    std::vector<std::uint8_t> stored(s * h, 0);
    for (std::size_t y = 0; y < h; ++y) {
        std::memcpy(stored.data() + (h - 1 - y) * s, image.pixels.data() + y * w, w);
    }
    return stored;
}

std::uint32_t hash32(std::span<const std::uint8_t> data) {
    std::uint32_t h = 2166136261u;
    for (std::uint8_t b : data) {
        h = (h ^ b) * 16777619u;
    }
    return h;
}

void checkWave(std::span<const std::uint8_t> wav, std::uint64_t offset) {
    ByteReader in(wav, offset);
    auto riff = in.bytes(4, "sound");
    std::uint32_t size = in.u32("sound");
    auto wave = in.bytes(4, "sound");
    if (std::memcmp(riff.data(), "RIFF", 4) != 0 || std::memcmp(wave.data(), "WAVE", 4) != 0) {
        throw Error("sound is not a RIFF WAVE file", offset);
    }
    if (size < 4 || size > wav.size() - 8) {
        throw Error("sound: RIFF size " + std::to_string(size) + " does not fit its " +
                        std::to_string(wav.size()) + " bytes",
                    offset + 4);
    }
}

}  // namespace vistrel::acs::detail
