#include "acs/writer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "acs/bytes.h"
#include "acs/character.h"
#include "acs/compression.h"
#include "acs/error.h"
#include "acs/parse.h"
#include "acs/region.h"

namespace vistrel::acs {

using detail::ByteWriter;

namespace {

constexpr std::size_t kAcsHeaderSize = 36;

void require(bool ok, const std::string& what) {
    if (!ok) {
        throw Error("cannot write: " + what);
    }
}

std::string animLabel(const Animation& a) {
    return "animation \"" + toUtf8(a.name) + "\"";
}

// Runs `work(i)` for i in [0, count) on all cores; the first exception is rethrown.
template <typename Work>
void parallelFor(std::size_t count, const WriteOptions& options, Work work) {
    std::atomic<std::size_t> next{0};
    std::mutex mutex;
    std::size_t done = 0;
    std::exception_ptr failure;
    auto run = [&] {
        for (;;) {
            std::size_t i = next.fetch_add(1);
            if (i >= count) {
                return;
            }
            try {
                work(i);
            } catch (...) {
                std::lock_guard lock(mutex);
                if (!failure) {
                    failure = std::current_exception();
                }
                next = count;
                return;
            }
            std::lock_guard lock(mutex);
            ++done;
            if (options.progress) {
                options.progress(done, count);
            }
        }
    };
    unsigned threads = std::max(1u, std::min<unsigned>(std::thread::hardware_concurrency(), 8));
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, count));
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t) {
        pool.emplace_back(run);
    }
    run();
    for (auto& t : pool) {
        t.join();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

// The stored form of one image: compressed pixels and compressed region.
struct EncodedImage {
    std::vector<std::uint8_t> pixels;
    std::vector<std::uint8_t> region;
    std::uint32_t regionSize = 0;
    Rect bounds;
};

std::vector<EncodedImage> encodeImages(const CharacterData& data, const WriteOptions& options) {
    std::vector<EncodedImage> out(data.images.size());
    parallelFor(out.size(), options, [&](std::size_t i) {
        const Image& img = data.images[i].image;
        if (img.width == 0 || img.height == 0) {
            return;
        }
        Region region = regionFromImage(img, data.info.transparentIndex);
        std::vector<std::uint8_t> rgn = serializeRegion(region);
        out[i].pixels = compress(detail::imageToStored(img));
        out[i].regionSize = static_cast<std::uint32_t>(rgn.size());
        out[i].region = compress(rgn);
        out[i].bounds = region.bounds;
    });
    return out;
}

void writeAnimationBlock(ByteWriter& out, const Animation& a,
                         const std::vector<EncodedImage>& encoded) {
    out.string(toUpper(a.name), true);
    out.u8(a.transition);
    out.string(toUpper(a.returnAnimation), true);
    out.u16(static_cast<std::uint16_t>(a.frames.size()));
    for (const Frame& f : a.frames) {
        out.u16(static_cast<std::uint16_t>(f.images.size()));
        for (const auto& fi : f.images) {
            out.u32(fi.image);
            out.i16(fi.x);
            out.i16(fi.y);
        }
        out.u16(f.sound < 0 ? 0xFFFF : static_cast<std::uint16_t>(f.sound));
        out.u16(f.duration);
        out.i16(f.exitBranch);
        out.u8(static_cast<std::uint8_t>(f.branches.size()));
        for (const auto& b : f.branches) {
            out.u16(b.frame);
            out.u16(b.probability);
        }
        // Every overlay carries the centre of the closed mouth's opaque box.
        std::uint16_t cx = 0, cy = 0;
        bool haveCentre = false;
        for (const auto& o : f.overlays) {
            if (o.shape == static_cast<std::uint8_t>(MouthShape::Closed)) {
                const Rect& b = encoded[o.image].bounds;
                cx = static_cast<std::uint16_t>((b.left + b.right) / 2);
                cy = static_cast<std::uint16_t>((b.top + b.bottom) / 2);
                haveCentre = true;
                break;
            }
        }
        out.u8(static_cast<std::uint8_t>(f.overlays.size()));
        for (const auto& o : f.overlays) {
            out.u8(o.shape);
            out.u8(o.replaceTopImage ? 1 : 0);
            out.u16(o.image);
            out.u8(o.unknown);
            out.u8(o.region ? 1 : 0);
            out.i16(o.x);
            out.i16(o.y);
            out.u16(haveCentre ? cx : o.centerX);
            out.u16(haveCentre ? cy : o.centerY);
            if (o.region) {
                out.u32(static_cast<std::uint32_t>(o.region->size()));
                out.bytes(*o.region);
            }
        }
    }
}

struct Block {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};

void putLocator(ByteWriter& out, Block b) {
    out.u32(b.offset);
    out.u32(b.size);
}

}  // namespace

void validate(const CharacterData& data) {
    const CharacterInfo& info = data.info;
    require(info.width > 0 && info.height > 0 && info.width <= kMaxImageSide &&
                info.height <= kMaxImageSide,
            "character size must be 1.." + std::to_string(kMaxImageSide));
    require(info.palette.size() <= kMaxPaletteSize, "the palette has more than 256 colours");
    require(info.localized.size() <= 0xFFFF, "too many localized entries");
    require(info.states.size() <= 0xFFFF, "too many states");
    for (const auto& s : info.states) {
        require(s.animations.size() <= 0xFFFF, "too many animations in a state");
    }
    for (std::size_t i = 0; i < data.images.size(); ++i) {
        const Image& img = data.images[i].image;
        require(img.width <= kMaxImageSide && img.height <= kMaxImageSide,
                "image " + std::to_string(i) + " is larger than " + std::to_string(kMaxImageSide));
        require(img.pixels.size() == static_cast<std::size_t>(img.width) * img.height,
                "image " + std::to_string(i) + " has " + std::to_string(img.pixels.size()) +
                    " pixels for " + std::to_string(img.width) + "x" + std::to_string(img.height));
    }
    for (std::size_t i = 0; i < data.sounds.size(); ++i) {
        try {
            detail::checkWave(data.sounds[i].wav, 0);
        } catch (const Error& e) {
            throw Error("cannot write: sound " + std::to_string(i) + ": " + e.what());
        }
    }
    for (const auto& a : data.animations) {
        const std::string label = animLabel(a);
        require(a.frames.size() <= kMaxFramesPerAnimation, label + " has too many frames");
        for (const auto& f : a.frames) {
            require(f.images.size() <= 0xFFFF, label + ": too many images in a frame");
            for (const auto& fi : f.images) {
                require(fi.image < data.images.size(),
                        label + ": missing image " + std::to_string(fi.image));
            }
            require(f.sound < 0 || (static_cast<std::size_t>(f.sound) < data.sounds.size() &&
                                    f.sound < 0xFFFF),
                    label + ": missing sound " + std::to_string(f.sound));
            require(f.branches.size() <= 0xFF, label + ": too many branches in a frame");
            for (const auto& b : f.branches) {
                require(b.frame < a.frames.size(),
                        label + ": branch to missing frame " + std::to_string(b.frame));
            }
            require(f.exitBranch < 0 || static_cast<std::size_t>(f.exitBranch) < a.frames.size(),
                    label + ": exit branch to missing frame " + std::to_string(f.exitBranch));
            require(f.overlays.size() <= 0xFF, label + ": too many overlays in a frame");
            for (const auto& o : f.overlays) {
                require(o.image < data.images.size(),
                        label + ": overlay uses missing image " + std::to_string(o.image));
            }
        }
    }
}

std::vector<std::uint8_t> writeAcs(const CharacterData& data, const WriteOptions& options) {
    validate(data);
    const std::vector<EncodedImage> encoded = encodeImages(data, options);

    ByteWriter out;
    out.buffer().resize(kAcsHeaderSize);
    auto mark = [&out](std::size_t start) {
        return Block{static_cast<std::uint32_t>(start),
                     static_cast<std::uint32_t>(out.size() - start)};
    };

    std::vector<Block> animBlocks;
    for (const auto& a : data.animations) {
        std::size_t start = out.size();
        writeAnimationBlock(out, a, encoded);
        animBlocks.push_back(mark(start));
    }
    std::vector<Block> imageBlocks;
    std::vector<std::uint32_t> imageChecksums;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const Image& img = data.images[i].image;
        const EncodedImage& e = encoded[i];
        std::size_t start = out.size();
        if (img.width == 0 || img.height == 0) {
            out.u8(0);
        } else {
            out.u8(1);
            out.u16(img.width);
            out.u16(img.height);
            out.u8(1);
            out.u32(static_cast<std::uint32_t>(e.pixels.size()));
            out.bytes(e.pixels);
            out.u32(static_cast<std::uint32_t>(e.region.size()));
            out.u32(e.regionSize);
            out.bytes(e.region);
        }
        imageBlocks.push_back(mark(start));
        std::uint32_t sum = data.images[i].checksum;
        if (sum == 0) {
            sum = detail::hash32(std::span(out.buffer()).subspan(start));
        }
        imageChecksums.push_back(sum);
    }
    std::vector<Block> soundBlocks;
    for (const auto& s : data.sounds) {
        std::size_t start = out.size();
        out.bytes(s.wav);
        soundBlocks.push_back(mark(start));
    }

    std::size_t start = out.size();
    out.u32(static_cast<std::uint32_t>(data.animations.size()));
    for (std::size_t i = 0; i < data.animations.size(); ++i) {
        out.string(data.animations[i].name, true);
        putLocator(out, animBlocks[i]);
    }
    Block animList = mark(start);

    start = out.size();
    out.u32(static_cast<std::uint32_t>(imageBlocks.size()));
    for (std::size_t i = 0; i < imageBlocks.size(); ++i) {
        putLocator(out, imageBlocks[i]);
        out.u32(imageChecksums[i]);
    }
    Block imageList = mark(start);

    start = out.size();
    out.u32(static_cast<std::uint32_t>(soundBlocks.size()));
    for (std::size_t i = 0; i < soundBlocks.size(); ++i) {
        putLocator(out, soundBlocks[i]);
        std::uint32_t sum = data.sounds[i].checksum;
        out.u32(sum != 0 ? sum : detail::hash32(data.sounds[i].wav));
    }
    Block audioList = mark(start);

    // Character info, immediately followed by the localized-info list it locates.
    ByteWriter tail;
    detail::writeInfoTail(tail, data.info, true);
    ByteWriter localized;
    detail::writeLocalizedList(localized, data.info.localized, true);
    const std::size_t infoStart = out.size();
    const std::size_t infoSize = 2 + 2 + 8 + 16 + tail.size();
    out.u16(data.info.minorVersion);
    out.u16(data.info.majorVersion);
    putLocator(out, {static_cast<std::uint32_t>(infoStart + infoSize),
                     static_cast<std::uint32_t>(localized.size())});
    detail::writeGuid(out, data.info.guid);
    out.bytes(tail.buffer());
    out.bytes(localized.buffer());
    Block info = mark(infoStart);

    require(out.size() <= 0xFFFFFFFFu, "the file would be larger than 4 GB");
    ByteWriter header;
    header.u32(kAcsSignature);
    putLocator(header, info);
    putLocator(header, animList);
    putLocator(header, imageList);
    putLocator(header, audioList);
    std::copy(header.buffer().begin(), header.buffer().end(), out.buffer().begin());
    return out.take();
}

Image compositeFrame(const CharacterData& data, const Frame& frame) {
    Image canvas;
    canvas.width = data.info.width;
    canvas.height = data.info.height;
    canvas.pixels.assign(static_cast<std::size_t>(canvas.width) * canvas.height,
                         data.info.transparentIndex);
    for (auto it = frame.images.rbegin(); it != frame.images.rend(); ++it) {
        if (it->image >= data.images.size()) {
            continue;
        }
        const Image& img = data.images[it->image].image;
        for (int y = 0; y < img.height; ++y) {
            int cy = y + it->y;
            if (cy < 0 || cy >= canvas.height) {
                continue;
            }
            for (int x = 0; x < img.width; ++x) {
                int cx = x + it->x;
                std::uint8_t p = img.at(x, y);
                if (cx >= 0 && cx < canvas.width && p != data.info.transparentIndex) {
                    canvas.pixels[static_cast<std::size_t>(cy) * canvas.width + cx] = p;
                }
            }
        }
    }
    return canvas;
}

namespace {

std::u16string safeFileName(std::u16string_view base, std::u16string_view name) {
    std::u16string out(base);
    out += u'_';
    for (char16_t c : name) {
        bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                  (c >= u'0' && c <= u'9') || c == u'_' || c == u'-';
        out += ok ? c : u'_';
    }
    return out;
}

std::vector<std::uint8_t> wrapCompressed(std::span<const std::uint8_t> body) {
    std::vector<std::uint8_t> packed = compress(body);
    ByteWriter out;
    out.u32(static_cast<std::uint32_t>(body.size()));
    out.u32(static_cast<std::uint32_t>(packed.size()));
    out.bytes(packed);
    return out.take();
}

// The body of one .aca file: the animation's sounds, one composited image per frame with
// images, and the frames.
std::vector<std::uint8_t> acaBody(const CharacterData& data, const Animation& a) {
    const std::string label = animLabel(a);
    std::vector<std::int32_t> soundMap(data.sounds.size(), -1);
    std::vector<std::size_t> sounds;
    for (const auto& f : a.frames) {
        if (f.sound >= 0 && soundMap[f.sound] < 0) {
            soundMap[f.sound] = static_cast<std::int32_t>(sounds.size());
            sounds.push_back(static_cast<std::size_t>(f.sound));
        }
    }
    require(sounds.size() <= 0x7FFF && a.frames.size() <= 0x7FFF,
            label + " has too many frames or sounds for an .aca file");
    ByteWriter out;
    out.u16(static_cast<std::uint16_t>(sounds.size()));
    for (std::size_t s : sounds) {
        out.u32(static_cast<std::uint32_t>(data.sounds[s].wav.size()));
        out.bytes(data.sounds[s].wav);
    }
    std::vector<std::int16_t> frameImage(a.frames.size(), -1);
    std::vector<Image> images;
    for (std::size_t i = 0; i < a.frames.size(); ++i) {
        if (!a.frames[i].images.empty()) {
            frameImage[i] = static_cast<std::int16_t>(images.size());
            images.push_back(compositeFrame(data, a.frames[i]));
        }
    }
    out.u16(static_cast<std::uint16_t>(images.size()));
    for (const Image& img : images) {
        std::vector<std::uint8_t> stored = detail::imageToStored(img);
        out.u32(static_cast<std::uint32_t>(stored.size()));
        out.u8(0);
        out.bytes(stored);
        std::vector<std::uint8_t> rgn =
            serializeRegion(regionFromImage(img, data.info.transparentIndex));
        out.u32(static_cast<std::uint32_t>(rgn.size()));
        out.bytes(rgn);
    }
    out.u8(a.transition);
    out.u16(static_cast<std::uint16_t>(a.frames.size()));
    for (std::size_t i = 0; i < a.frames.size(); ++i) {
        const Frame& f = a.frames[i];
        out.i16(frameImage[i]);
        out.i16(static_cast<std::int16_t>(f.sound < 0 ? -1 : soundMap[f.sound]));
        out.u16(f.duration);
        out.u32(0);
        out.i16(f.exitBranch);
        out.u8(static_cast<std::uint8_t>(f.branches.size()));
        for (const auto& b : f.branches) {
            out.u16(b.frame);
            out.u16(b.probability);
        }
        out.u8(static_cast<std::uint8_t>(f.overlays.size()));
        if (f.overlays.empty()) {
            continue;
        }
        out.u8(0);  // no base image
        for (const auto& o : f.overlays) {
            const Image& img = data.images[o.image].image;
            out.u8(o.shape);
            std::vector<std::uint8_t> stored = detail::imageToStored(img);
            out.u32(static_cast<std::uint32_t>(stored.size()));
            if (stored.empty()) {
                continue;
            }
            out.u8(o.replaceTopImage ? 1 : 0);
            out.u8(0);  // no region
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

AcfFiles writeAcf(const CharacterData& data, std::u16string_view baseName,
                  const WriteOptions& options) {
    validate(data);
    require(data.animations.size() <= 0xFFFF, "too many animations for an .acf file");
    AcfFiles files;
    files.acas.resize(data.animations.size());
    std::vector<std::uint32_t> checksums(data.animations.size());
    std::set<std::u16string> used;
    for (std::size_t i = 0; i < data.animations.size(); ++i) {
        const Animation& a = data.animations[i];
        std::u16string name = a.acaFileName;
        if (name.empty()) {
            std::u16string stem = safeFileName(baseName, a.name);
            name = stem + u".aca";
            for (int n = 2; used.count(toUpper(name)); ++n) {
                name = stem + u"_" + fromUtf8(std::to_string(n)) + u".aca";
            }
        }
        require(used.insert(toUpper(name)).second, "two animations use the file " + toUtf8(name));
        files.acas[i].fileName = name;
    }
    parallelFor(data.animations.size(), options, [&](std::size_t i) {
        std::vector<std::uint8_t> body = acaBody(data, data.animations[i]);
        checksums[i] = detail::hash32(body);
        ByteWriter out;
        out.u16(1);
        out.u16(2);
        out.u32(checksums[i]);
        out.u8(1);
        out.bytes(wrapCompressed(body));
        files.acas[i].bytes = out.take();
    });

    ByteWriter body;
    body.u16(1);
    body.u16(2);
    body.u16(static_cast<std::uint16_t>(data.animations.size()));
    for (std::size_t i = 0; i < data.animations.size(); ++i) {
        const Animation& a = data.animations[i];
        body.string(a.name, false);
        body.string(files.acas[i].fileName, false);
        body.string(toUpper(a.returnAnimation), false);
        body.u32(checksums[i]);
    }
    detail::writeGuid(body, data.info.guid);
    detail::writeLocalizedList(body, data.info.localized, false);
    detail::writeInfoTail(body, data.info, false);
    ByteWriter out;
    out.u32(kAcfSignature);
    out.bytes(wrapCompressed(body.buffer()));
    files.acf = out.take();
    return files;
}

void saveFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    namespace fs = std::filesystem;
    static std::atomic<unsigned> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    fs::path temp = path;
    temp += ".tmp-" + std::to_string(stamp) + "-" + std::to_string(counter++);
    {
        std::ofstream f(temp, std::ios::binary | std::ios::trunc);
        if (!f) {
            throw Error("cannot create " + temp.string());
        }
        f.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
        f.close();
        if (!f) {
            std::error_code ec;
            fs::remove(temp, ec);
            throw Error("cannot write " + temp.string());
        }
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw Error("cannot replace " + path.string() + ": " + ec.message());
    }
}

void saveAcs(const CharacterData& data, const std::filesystem::path& path,
             const WriteOptions& options) {
    saveFileAtomically(path, writeAcs(data, options));
}

void saveAcf(const CharacterData& data, const std::filesystem::path& path,
             const WriteOptions& options) {
    AcfFiles files = writeAcf(data, path.stem().u16string(), options);
    for (const auto& aca : files.acas) {
        saveFileAtomically(path.parent_path() / std::filesystem::path(aca.fileName), aca.bytes);
    }
    saveFileAtomically(path, files.acf);
}

}  // namespace vistrel::acs
