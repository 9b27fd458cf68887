// Reading the split form: an .acf file (a compressed character body listing the animations)
// and one .aca file per animation, each with its own images and sounds, renumbered here into
// the character's lists.

#include <algorithm>
#include <string>

#include "acs/character.h"
#include "acs/character_impl.h"
#include "acs/compression.h"
#include "acs/error.h"
#include "acs/parse.h"

namespace vistrel::acs {

using detail::ByteReader;
using detail::ImageSource;
using detail::numbered;
using detail::refuseKind;
using detail::SoundSource;

namespace {

// Decodes a two-ULONG size wrapper followed by a compressed body that runs to the end of
// `in`. Which of the two fields is the compressed size is not settled; both orders are tried,
// the one where the compressed size matches the bytes present first.
std::vector<std::uint8_t> readWrappedBody(ByteReader& in, const char* what) {
    std::uint32_t first = in.u32(what);
    std::uint32_t second = in.u32(what);
    std::uint64_t bodyAt = in.absolutePosition();
    auto body = in.bytes(in.remaining(), what);
    struct Order {
        std::uint32_t compressed, decoded;
    };
    std::vector<Order> orders;
    for (Order o : {Order{second, first}, Order{first, second}}) {
        if (o.compressed == body.size()) {
            orders.push_back(o);
        }
    }
    for (Order o : {Order{second, first}, Order{first, second}}) {
        if (o.compressed < body.size() && o.compressed > 0) {
            orders.push_back(o);
        }
    }
    Error last(std::string(what) + ": sizes " + std::to_string(first) + " and " +
                   std::to_string(second) + " do not match the " + std::to_string(body.size()) +
                   " bytes present",
               bodyAt - 8);
    for (Order o : orders) {
        try {
            return decompress(body.first(o.compressed), o.decoded, bodyAt);
        } catch (const Error& e) {
            last = e.within(what);
        }
    }
    throw last;
}

struct AcfEntry {
    std::u16string name;
    std::u16string acaFile;
    std::u16string returnName;
    std::uint32_t checksum = 0;
};

// One .aca body. Image and sound indices in `animation` are local to it; overlay bitmaps are
// appended to `images` after the frame images.
struct AcaContents {
    Animation animation;
    std::vector<ImageSource> images;
    std::vector<SoundSource> sounds;
    std::vector<std::string> warnings;
};

ImageSource readAcaOverlayBitmap(ByteReader& b, std::uint32_t size, bool hasRegion,
                                 const CharacterInfo& info) {
    ImageSource s;
    s.width = b.u16("overlay width");
    s.height = b.u16("overlay height");
    s.pixelsOffset = b.absolutePosition();
    // The two sizes are the bitmap's own when they fit the pixel count; otherwise the bitmap
    // is a full frame.
    if (size != detail::stride(s.width) * s.height) {
        if (size != detail::stride(info.width) * info.height) {
            throw Error("overlay: " + std::to_string(size) +
                            " pixel bytes fit neither its size nor a full frame",
                        s.pixelsOffset);
        }
        s.width = info.width;
        s.height = info.height;
    }
    if (s.width > kMaxImageSide || s.height > kMaxImageSide) {
        throw Error("overlay image is larger than " + std::to_string(kMaxImageSide),
                    s.pixelsOffset);
    }
    s.pixels = b.bytes(size, "overlay pixels");
    if (hasRegion) {
        std::uint32_t rs = b.u32("overlay region size");
        s.regionOffset = b.absolutePosition();
        s.region = b.bytes(rs, "overlay region");
        s.regionSize = rs;
    }
    return s;
}

AcaContents readAcaBody(ByteReader b, const CharacterInfo& info) {
    AcaContents out;
    const std::size_t frameStored = detail::stride(info.width) * info.height;
    out.sounds.resize(b.count(b.u16("sound count"), 4, "sound list"));
    for (auto& s : out.sounds) {
        std::uint32_t size = b.u32("sound size");
        s.offset = b.absolutePosition();
        s.data = b.bytes(size, "sound data");
        s.checksum = detail::hash32(s.data);
    }
    out.images.resize(b.count(b.u16("image count"), 4, "image list"));
    const std::size_t frameImages = out.images.size();
    std::vector<bool> present(frameImages, false);
    for (std::size_t i = 0; i < frameImages; ++i) {
        ImageSource& s = out.images[i];
        std::uint32_t size = b.u32("image size");
        if (size == 0) {
            continue;  // no image
        }
        b.u8("image");
        s.pixelsOffset = b.absolutePosition();
        if (size != frameStored) {
            throw Error(numbered("image", i) + ": " + std::to_string(size) +
                            " pixel bytes, a full frame has " + std::to_string(frameStored),
                        s.pixelsOffset);
        }
        s.width = info.width;
        s.height = info.height;
        s.pixels = b.bytes(size, "image pixels");
        std::uint32_t regionSize = b.u32("image region size");
        s.regionOffset = b.absolutePosition();
        s.region = b.bytes(regionSize, "image region");
        s.regionSize = regionSize;
        present[i] = true;
    }
    Animation& a = out.animation;
    a.transition = b.u8("transition type");
    const std::uint64_t countAt = b.absolutePosition();
    const std::uint64_t frameCount = ByteReader::limited(
        b.u16("frame count"), kMaxFramesPerAnimation, "animation", "frames", countAt);
    a.frames.resize(b.count(frameCount, 14, "frame list"));
    for (auto& f : a.frames) {
        std::int16_t image = b.i16("frame image index");
        std::int16_t sound = b.i16("frame sound index");
        f.duration = b.u16("frame duration");
        b.u32("frame");
        f.exitBranch = b.i16("frame exit branch");
        if (image >= 0 && static_cast<std::size_t>(image) < frameImages) {
            if (present[image]) {
                f.images.push_back({static_cast<std::uint32_t>(image), 0, 0});
            }
        } else if (image >= 0) {
            out.warnings.push_back("frame refers to missing image " + std::to_string(image));
        }
        if (sound >= 0 && static_cast<std::size_t>(sound) < out.sounds.size()) {
            f.sound = sound;
        } else if (sound >= 0) {
            out.warnings.push_back("frame refers to missing sound " + std::to_string(sound));
        }
        f.branches.resize(b.count(b.u8("branch count"), 4, "frame branches"));
        for (auto& br : f.branches) {
            br.frame = b.u16("branch target");
            br.probability = b.u16("branch probability");
        }
        std::size_t overlays = b.count(b.u8("overlay count"), 1, "mouth overlays");
        if (overlays == 0) {
            continue;
        }
        if (b.u8("overlay base image flag") != 0) {
            out.warnings.push_back("overlay base images are not supported, ignored");
            b.skip(b.u32("overlay base image"), "overlay base image");
            b.skip(b.u32("overlay base region"), "overlay base region");
        }
        for (std::size_t k = 0; k < overlays; ++k) {
            Overlay o;
            o.shape = b.u8("overlay mouth shape");
            std::uint32_t size = b.u32("overlay pixel size");
            if (size == 0) {
                continue;  // no bitmap: nothing to show
            }
            o.replaceTopImage = b.u8("overlay flag") != 0;
            bool hasRegion = b.u8("overlay region flag") != 0;
            o.x = b.i16("overlay offset");
            o.y = b.i16("overlay offset");
            out.images.push_back(readAcaOverlayBitmap(b, size, hasRegion, info));
            if (out.images.size() - 1 > 0xFFFF) {
                out.warnings.push_back("too many images for an overlay index, overlay dropped");
                continue;
            }
            o.image = static_cast<std::uint16_t>(out.images.size() - 1);
            f.overlays.push_back(std::move(o));
        }
    }
    return out;
}

std::vector<std::uint8_t> readAcaFile(const std::vector<std::uint8_t>& file,
                                      std::uint32_t expectedChecksum) {
    ByteReader aca(file);
    aca.u16("version");
    aca.u16("version");
    std::uint32_t checksum = aca.u32("checksum");
    if (checksum != expectedChecksum) {
        throw Error("checksum " + std::to_string(checksum) + " does not match the character's " +
                    std::to_string(expectedChecksum));
    }
    if (aca.u8("body compressed flag") != 0) {
        return readWrappedBody(aca, "body");
    }
    auto raw = aca.bytes(aca.remaining(), "body");
    return {raw.begin(), raw.end()};
}

}  // namespace

Character Character::fromAcfBytes(std::vector<std::uint8_t> bytes, const AcaLoader& loadAca) {
    const FileKind kind = detectKind(bytes);
    if (kind != FileKind::Acf) {
        refuseKind(kind, bytes, "an .acf file");
    }
    auto impl = std::make_unique<Impl>();
    impl->kind = FileKind::Acf;
    {
        ByteReader file(bytes);
        file.u32("signature");
        impl->buffers.push_back(readWrappedBody(file, "character body"));
    }
    ByteReader in(impl->buffers.back());
    CharacterInfo& info = impl->info;
    info.minorVersion = in.u16("body version");
    info.majorVersion = in.u16("body version");
    if (info.majorVersion != 2 || info.minorVersion != 1) {
        throw Error("character body version " + std::to_string(info.majorVersion) + "." +
                        std::to_string(info.minorVersion) + " is not supported (only 2.1)",
                    0);
    }
    std::vector<AcfEntry> entries(in.count(in.u16("animation count"), 16, "animation list"));
    for (auto& e : entries) {
        e.name = in.string(false, "animation name");
        e.acaFile = in.string(false, "animation file name");
        e.returnName = in.string(false, "return animation name");
        e.checksum = in.u32("animation checksum");
    }
    info.guid = detail::readGuid(in, "character GUID");
    info.localized = detail::readLocalizedList(in, false);
    detail::readInfoTail(in, info, false);

    for (const auto& e : entries) {
        const std::string label = "animation \"" + toUtf8(e.name) + "\"";
        const std::string fileName = toUtf8(e.acaFile);
        AcaContents aca;
        try {
            std::vector<std::uint8_t> body;
            try {
                body = readAcaFile(loadAca(e.acaFile), e.checksum);
            } catch (const Error& err) {
                throw err.within(fileName);
            }
            impl->buffers.push_back(std::move(body));
            try {
                aca = readAcaBody(ByteReader(impl->buffers.back()), info);
            } catch (const Error& err) {
                throw err.within("decoded body of " + fileName);
            }
        } catch (const Error& err) {
            impl->warn(label + " left out: " + err.what());
            continue;
        }
        // Commit: local indices become indices into the character's lists.
        const std::size_t imageBase = impl->images.size();
        const std::size_t soundBase = impl->sounds.size();
        Animation& a = aca.animation;
        a.name = e.name;
        a.acaFileName = e.acaFile;
        a.acaChecksum = e.checksum;
        a.returnAnimation = e.returnName;
        for (auto& f : a.frames) {
            for (auto& fi : f.images) {
                fi.image += static_cast<std::uint32_t>(imageBase);
            }
            if (f.sound >= 0) {
                f.sound += static_cast<std::int32_t>(soundBase);
            }
            std::erase_if(f.overlays, [&](Overlay& o) {
                const std::size_t global = imageBase + o.image;
                if (global > 0xFFFF) {
                    aca.warnings.push_back("too many images for an overlay index, overlay dropped");
                    return true;
                }
                o.image = static_cast<std::uint16_t>(global);
                return false;
            });
        }
        for (const auto& w : aca.warnings) {
            impl->warn(label + ": " + w);
        }
        impl->images.insert(impl->images.end(), aca.images.begin(), aca.images.end());
        impl->sounds.insert(impl->sounds.end(), aca.sounds.begin(), aca.sounds.end());
        impl->animations.push_back(std::move(a));
    }
    impl->finish();
    return Character(std::move(impl));
}

}  // namespace vistrel::acs
