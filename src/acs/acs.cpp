// Reading a version-2 .acs file: the header's locators, the character info, and the
// animation, image and audio lists. Pixels and regions stay in the file image until used. An
// older .acs file (a compound document) goes to the reader in oldkind.cpp.

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

constexpr std::size_t kAcsHeaderSize = 36;

// The block a locator addresses, checked against the file.
ByteReader locate(ByteReader& header, std::span<const std::uint8_t> file, const char* what) {
    std::uint64_t at = header.absolutePosition();
    std::uint32_t offset = header.u32(what);
    std::uint32_t size = header.u32(what);
    if (static_cast<std::uint64_t>(offset) + size > file.size()) {
        throw Error(std::string(what) + ": block at " + std::to_string(offset) + " of " +
                        std::to_string(size) + " bytes runs past the end of the " +
                        std::to_string(file.size()) + "-byte file",
                    at);
    }
    return ByteReader(file.subspan(offset, size), offset);
}

// An image-list or audio-list entry: a locator and a checksum. The locator is checked when it
// is used, so that one bad entry does not stop the others from loading.
struct ListEntry {
    ByteReader locator;
    std::uint32_t checksum;
};

ListEntry readListEntry(ByteReader& list, const char* what) {
    const std::uint64_t at = list.absolutePosition();
    const auto raw = list.bytes(12, what);
    ByteReader checksum(raw.subspan(8), at + 8);
    return {ByteReader(raw.first(8), at), checksum.u32(what)};
}

Frame readAcsFrame(ByteReader& in) {
    Frame f;
    f.images.resize(in.count(in.u16("frame image count"), 8, "frame images"));
    for (auto& fi : f.images) {
        fi.image = in.u32("frame image index");
        fi.x = in.i16("frame image offset");
        fi.y = in.i16("frame image offset");
    }
    std::uint16_t sound = in.u16("frame sound index");
    f.sound = sound == 0xFFFF ? -1 : sound;
    f.duration = in.u16("frame duration");
    f.exitBranch = in.i16("frame exit branch");
    f.branches.resize(in.count(in.u8("frame branch count"), 4, "frame branches"));
    for (auto& b : f.branches) {
        b.frame = in.u16("branch target");
        b.probability = in.u16("branch probability");
    }
    f.overlays.resize(in.count(in.u8("frame overlay count"), 14, "mouth overlays"));
    for (auto& o : f.overlays) {
        o.shape = in.u8("overlay mouth shape");
        o.replaceTopImage = in.u8("overlay flag") != 0;
        o.image = in.u16("overlay image index");
        o.unknown = in.u8("overlay");
        bool hasRegion = in.u8("overlay region flag") != 0;
        o.x = in.i16("overlay offset");
        o.y = in.i16("overlay offset");
        o.centerX = in.u16("overlay mouth centre");
        o.centerY = in.u16("overlay mouth centre");
        if (hasRegion) {
            std::uint32_t size = in.u32("overlay region");
            auto b = in.bytes(size, "overlay region");
            o.region = std::vector<std::uint8_t>(b.begin(), b.end());
        }
    }
    return f;
}

void readAcsAnimation(ByteReader in, Animation& a) {
    in.string(true, "animation name");
    a.transition = in.u8("transition type");
    a.returnAnimation = in.string(true, "return animation name");
    const std::uint64_t countAt = in.absolutePosition();
    const std::uint64_t frames = ByteReader::limited(in.u16("frame count"), kMaxFramesPerAnimation,
                                                     "animation", "frames", countAt);
    a.frames.resize(in.count(frames, 10, "frame list"));
    for (auto& f : a.frames) {
        f = readAcsFrame(in);
    }
}

ImageSource readAcsImage(ByteReader in, std::uint32_t checksum) {
    ImageSource s;
    s.checksum = checksum;
    if (in.u8("image present flag") == 0) {
        return s;  // an empty image
    }
    std::uint64_t sizeAt = in.absolutePosition();
    s.width = in.u16("image width");
    s.height = in.u16("image height");
    if (s.width > kMaxImageSide || s.height > kMaxImageSide) {
        throw Error("image size " + std::to_string(s.width) + "x" + std::to_string(s.height) +
                        " exceeds " + std::to_string(kMaxImageSide),
                    sizeAt);
    }
    s.pixelsCompressed = in.u8("image compressed flag") != 0;
    std::uint32_t pixelSize = in.u32("image pixel data size");
    s.pixelsOffset = in.absolutePosition();
    s.pixels = in.bytes(pixelSize, "image pixel data");
    const std::size_t expected = detail::stride(s.width) * s.height;
    if (!s.pixelsCompressed && pixelSize != expected) {
        throw Error("image: " + std::to_string(pixelSize) + " raw pixel bytes, expected " +
                        std::to_string(expected),
                    s.pixelsOffset);
    }
    if (s.pixelsCompressed && expected > maxDecompressedSize(pixelSize)) {
        throw Error("image: " + std::to_string(pixelSize) + " compressed bytes cannot hold " +
                        std::to_string(expected) + " pixels",
                    s.pixelsOffset);
    }
    std::uint32_t compressedSize = in.u32("image region");
    s.regionSize = in.u32("image region");
    s.regionOffset = in.absolutePosition();
    s.regionCompressed = compressedSize != 0;
    s.region = in.bytes(s.regionCompressed ? compressedSize : s.regionSize, "image region");
    return s;
}

}  // namespace

Character Character::fromAcsBytes(std::vector<std::uint8_t> bytes) {
    const FileKind kind = detectKind(bytes);
    if (kind == FileKind::CompoundDocument) {
        return fromOldKindBytes(std::move(bytes));
    }
    if (kind != FileKind::Acs) {
        refuseKind(kind, bytes, "an .acs file (an .acf file needs its .aca files)");
    }
    auto impl = std::make_unique<Impl>();
    impl->kind = FileKind::Acs;
    impl->buffers.push_back(std::move(bytes));
    std::span<const std::uint8_t> file = impl->buffers.front();
    ByteReader header(file);
    header.need(kAcsHeaderSize, "file header");
    header.u32("signature");
    ByteReader infoBlock = locate(header, file, "character info locator");
    ByteReader animList = locate(header, file, "animation list locator");
    ByteReader imageList = locate(header, file, "image list locator");
    ByteReader audioList = locate(header, file, "audio list locator");

    CharacterInfo& info = impl->info;
    info.minorVersion = infoBlock.u16("character info version");
    info.majorVersion = infoBlock.u16("character info version");
    ByteReader localized = locate(infoBlock, file, "localized info locator");
    info.guid = detail::readGuid(infoBlock, "character GUID");
    detail::readInfoTail(infoBlock, info, true);
    info.localized = detail::readLocalizedList(localized, true);

    // Animations: a block that cannot be parsed is left out, the others still load.
    std::size_t animCount = animList.count(animList.u32("animation count"), 12, "animation list");
    impl->animations.reserve(animCount);
    for (std::size_t i = 0; i < animCount; ++i) {
        Animation a;
        a.name = animList.string(true, "animation name");
        std::uint64_t locatorAt = animList.absolutePosition();
        ByteReader locator(animList.bytes(8, "animation locator"), locatorAt);
        try {
            readAcsAnimation(locate(locator, file, "animation locator"), a);
            impl->animations.push_back(std::move(a));
        } catch (const Error& e) {
            impl->warn("animation \"" + toUtf8(a.name) + "\" left out: " + e.what());
        }
    }

    std::size_t imageCount = imageList.count(imageList.u32("image count"), 12, "image list");
    impl->images.resize(imageCount);
    for (std::size_t i = 0; i < imageCount; ++i) {
        ListEntry entry = readListEntry(imageList, "image list entry");
        try {
            impl->images[i] =
                readAcsImage(locate(entry.locator, file, "image locator"), entry.checksum);
        } catch (const Error& e) {
            impl->images[i] = ImageSource{};
            impl->images[i].error = numbered("image", i) + ": " + e.what();
            impl->warn(impl->images[i].error);
        }
    }

    std::size_t soundCount = audioList.count(audioList.u32("sound count"), 12, "audio list");
    impl->sounds.resize(soundCount);
    for (std::size_t i = 0; i < soundCount; ++i) {
        SoundSource& s = impl->sounds[i];
        ListEntry entry = readListEntry(audioList, "audio list entry");
        s.checksum = entry.checksum;
        try {
            ByteReader block = locate(entry.locator, file, "sound locator");
            s.data = block.data();
            s.offset = block.base();
        } catch (const Error& e) {
            s.error = numbered("sound", i) + ": " + e.what();
            impl->warn(s.error);
        }
    }
    impl->finish();
    return Character(std::move(impl));
}

}  // namespace vistrel::acs
