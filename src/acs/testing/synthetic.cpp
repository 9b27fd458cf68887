#include "acs/testing/synthetic.h"

#include <cmath>
#include <random>
#include <string>

#include "acs/region.h"

namespace vistrel::acs::testing {

namespace {

constexpr std::uint8_t kTransparent = 10;

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}
void putTag(std::vector<std::uint8_t>& out, const char (&tag)[5]) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(tag[i]));
    }
}
void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

// An ellipse filled with a vertical ramp of palette entries, with random speckles.
Image drawBlob(std::uint16_t w, std::uint16_t h, std::uint8_t firstColor, double noise,
               std::mt19937& rng) {
    Image img;
    img.width = w;
    img.height = h;
    img.pixels.assign(static_cast<std::size_t>(w) * h, kTransparent);
    std::uniform_real_distribution<double> uni(0.0, 1.0);
    const double cx = w / 2.0, cy = h / 2.0, rx = w / 2.0 - 0.5, ry = h / 2.0 - 0.5;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
            if (dx * dx + dy * dy > 1.0) {
                continue;
            }
            auto shade = static_cast<std::uint8_t>(firstColor + (y * 16) / std::max<int>(h, 1));
            if (uni(rng) < noise) {
                shade = static_cast<std::uint8_t>(firstColor + static_cast<int>(uni(rng) * 16));
            }
            img.pixels[static_cast<std::size_t>(y) * w + x] = shade;
        }
    }
    return img;
}

std::vector<std::uint8_t> dib(int width, int height, int bits, std::uint8_t fill) {
    std::vector<std::uint8_t> out;
    const int colors = 1 << bits;
    const int rowBytes = ((width * bits + 31) / 32) * 4;
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));
    put16(out, 1);
    put16(out, static_cast<std::uint16_t>(bits));
    put32(out, 0);
    put32(out, static_cast<std::uint32_t>(rowBytes * height));
    put32(out, 0);
    put32(out, 0);
    put32(out, static_cast<std::uint32_t>(colors));
    put32(out, 0);
    for (int i = 0; i < colors; ++i) {
        put32(out, static_cast<std::uint32_t>(i * 0x111111) & 0xFFFFFF);
    }
    out.insert(out.end(), static_cast<std::size_t>(rowBytes * height), fill);
    return out;
}

}  // namespace

std::vector<std::uint8_t> makeWave(std::size_t samples, std::uint32_t seed) {
    std::vector<std::uint8_t> out;
    putTag(out, "RIFF");
    put32(out, static_cast<std::uint32_t>(36 + samples));
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    put32(out, 16);
    put16(out, 1);      // PCM
    put16(out, 1);      // mono
    put32(out, 11025);  // rate
    put32(out, 11025);  // bytes per second
    put16(out, 1);      // block align
    put16(out, 8);      // bits
    putTag(out, "data");
    put32(out, static_cast<std::uint32_t>(samples));
    for (std::size_t i = 0; i < samples; ++i) {
        double v = std::sin(static_cast<double>(i) * (0.05 + 0.01 * (seed % 7)));
        out.push_back(static_cast<std::uint8_t>(128 + 100 * v));
    }
    return out;
}

CharacterData makeSyntheticCharacter(const SyntheticOptions& o) {
    std::mt19937 rng(o.seed);
    CharacterData data;
    CharacterInfo& info = data.info;
    for (std::size_t i = 0; i < 16; ++i) {
        info.guid.bytes[i] = static_cast<std::uint8_t>(rng());
    }
    info.width = o.width;
    info.height = o.height;
    info.transparentIndex = kTransparent;
    info.flags = kFlagVoiceEnabled | kFlagBalloonEnabled;
    for (int i = 0; i < 256; ++i) {
        info.palette.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                                static_cast<std::uint8_t>(i * 7)});
    }
    VoiceInfo voice;
    voice.engine.bytes[0] = 0x11;
    voice.mode.bytes[15] = 0x22;
    voice.speed = 157;
    voice.pitch = 120;
    voice.extra = VoiceExtra{0x0409, u"", 2, 30, u"Business"};
    info.voice = voice;
    BalloonInfo balloon;
    balloon.fontName = u"Arial";
    info.balloon = balloon;
    info.trayIcon = TrayIcon{dib(16, 16, 1, 0x00), dib(16, 16, 4, 0x12)};
    info.localized.push_back({0x0409, u"Synthetic " + fromUtf8(std::to_string(o.seed)),
                              u"A generated character", u"Hello~~World"});
    info.localized.push_back({0x0407, u"Synthetisch", u"Eine erzeugte Figur", u""});

    // Images shared by every frame: eyes and seven mouths.
    auto addImage = [&data](Image img) {
        const auto checksum = static_cast<std::uint32_t>(0x1000 + data.images.size());
        data.images.push_back({std::move(img), checksum});
        return static_cast<std::uint32_t>(data.images.size() - 1);
    };
    const auto eyeW = static_cast<std::uint16_t>(std::max(4, o.width / 4));
    const auto eyeH = static_cast<std::uint16_t>(std::max(4, o.height / 8));
    const std::uint32_t eyes = addImage(drawBlob(eyeW, eyeH, 200, o.noise, rng));
    std::vector<std::uint32_t> mouths;
    for (int m = 0; m < 7; ++m) {
        auto mh = static_cast<std::uint16_t>(std::max(2, (o.height / 16) * (1 + m % 4) / 2));
        mouths.push_back(
            addImage(drawBlob(eyeW, mh, static_cast<std::uint8_t>(120 + m), o.noise, rng)));
    }
    for (std::size_t s = 0; s < o.sounds; ++s) {
        data.sounds.push_back({makeWave(200 + 50 * s, o.seed + static_cast<std::uint32_t>(s)),
                               static_cast<std::uint32_t>(0x2000 + s)});
    }

    static const char16_t* const kNames[] = {u"Show",  u"Hide",    u"RestPose",    u"Wave",
                                             u"Blink", u"Idle1_1", u"GestureLeft", u"Explain"};
    for (std::size_t a = 0; a < o.animations; ++a) {
        Animation anim;
        anim.name = kNames[a % 8];
        if (a >= 8) {
            anim.name += u"_" + fromUtf8(std::to_string(a / 8));
        }
        anim.transition = static_cast<std::uint8_t>(a % 3);
        if (anim.transition == 0) {
            anim.returnAnimation = u"RESTPOSE";
        }
        const std::size_t n = std::max<std::size_t>(1, o.framesPerAnimation);
        for (std::size_t f = 0; f < n; ++f) {
            Frame frame;
            frame.duration = static_cast<std::uint16_t>(10 + f);
            auto bw = static_cast<std::uint16_t>(o.width - 2 * (f % 3));
            auto bh = static_cast<std::uint16_t>(o.height - (f % 5));
            std::uint32_t body = addImage(
                drawBlob(bw, bh, static_cast<std::uint8_t>(16 + 16 * ((a + f) % 6)), o.noise, rng));
            frame.images.push_back({eyes, static_cast<std::int16_t>(o.width / 4),
                                    static_cast<std::int16_t>(o.height / 4 + (f % 2))});
            frame.images.push_back({body, static_cast<std::int16_t>(f % 3),
                                    static_cast<std::int16_t>(-static_cast<int>(f % 2))});
            if (o.sounds > 0 && f == 0) {
                frame.sound = static_cast<std::int32_t>(a % o.sounds);
            }
            frame.exitBranch = f + 1 < n ? static_cast<std::int16_t>(n - 1) : kEndExitBranch;
            if (f == 1 && n > 2) {
                frame.branches.push_back({0, 30});
                frame.branches.push_back({static_cast<std::uint16_t>(n - 1), 20});
            }
            if (f + 1 == n) {
                for (std::uint8_t m = 0; m < 7; ++m) {
                    Overlay ov;
                    ov.shape = m;
                    ov.replaceTopImage = m > 0 && m % 2 == 0;
                    ov.image = static_cast<std::uint16_t>(mouths[m]);
                    ov.x = static_cast<std::int16_t>(o.width / 2 - eyeW / 2);
                    ov.y = static_cast<std::int16_t>(o.height * 2 / 3);
                    frame.overlays.push_back(ov);
                }
            }
            anim.frames.push_back(std::move(frame));
        }
        data.animations.push_back(std::move(anim));
    }
    // The centre the writer stores on every overlay: that of the closed mouth's opaque box.
    const Rect box = regionFromImage(data.images[mouths[0]].image, kTransparent).bounds;
    for (auto& anim : data.animations) {
        for (auto& frame : anim.frames) {
            for (auto& ov : frame.overlays) {
                ov.centerX = static_cast<std::uint16_t>((box.left + box.right) / 2);
                ov.centerY = static_cast<std::uint16_t>((box.top + box.bottom) / 2);
            }
        }
    }
    info.states.push_back({u"SHOWING", {u"SHOW"}});
    info.states.push_back({u"SPEAKING", {u"RESTPOSE"}});
    info.states.push_back({u"IDLINGLEVEL1", {u"BLINK", u"IDLE1_1"}});
    return data;
}

}  // namespace vistrel::acs::testing
