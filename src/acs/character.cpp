#include "character.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>

#include "acs/character_impl.h"
#include "acs/compression.h"
#include "acs/error.h"
#include "acs/parse.h"

namespace vistrel::acs {

using detail::ByteReader;
using detail::ImageSource;
using detail::SoundSource;

namespace {

constexpr std::size_t kAcsHeaderSize = 36;

std::string at(const char* what, std::size_t index) {
    return std::string(what) + " " + std::to_string(index);
}

}  // namespace

namespace {

// `wanted` is what the caller expected; `kind` is what the first bytes say.
[[noreturn]] void refuseKind(FileKind kind, std::span<const std::uint8_t> bytes,
                             const char* wanted = "a character file") {
    if (kind == FileKind::Unknown) {
        throw Error("not a character file: it looks like " + describeContent(bytes));
    }
    throw Error(std::string("not ") + wanted + ": it looks like " + describeContent(bytes));
}

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

Character::Character(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Character::Character(Character&&) noexcept = default;
Character& Character::operator=(Character&&) noexcept = default;
Character::~Character() = default;

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
            impl->images[i].error = at("image", i) + ": " + e.what();
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
            s.error = at("sound", i) + ": " + e.what();
            impl->warn(s.error);
        }
    }
    impl->finish();
    return Character(std::move(impl));
}

// ---------------------------------------------------------------------------------------------
// ACF + ACA

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
            throw Error(at("image", i) + ": " + std::to_string(size) +
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

std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        throw Error(path.string() + " is a folder, not a file");
    }
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        throw Error("cannot open " + path.string());
    }
    f.seekg(0, std::ios::end);
    std::streamoff size = f.tellg();
    if (size < 0) {
        throw Error("cannot read " + path.string());
    }
    if (static_cast<std::uint64_t>(size) > kMaxFileSize) {
        throw Error(path.string() + " is larger than " + std::to_string(kMaxFileSize) + " bytes");
    }
    f.seekg(0);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!f.read(reinterpret_cast<char*>(bytes.data()), size)) {
        throw Error("cannot read " + path.string());
    }
    return bytes;
}

namespace {

// The file an .acf names, in the .acf's own folder: only the last component of the name counts
// (either slash separates), and when no file has exactly that name one differing only in case
// is taken, since such files come from systems that ignore case.
std::filesystem::path findBeside(const std::filesystem::path& dir, std::u16string_view name) {
    const auto slash = name.find_last_of(u"/\\");
    const std::u16string_view base = slash == name.npos ? name : name.substr(slash + 1);
    if (base.empty() || base == u"." || base == u"..") {
        throw Error("animation file name \"" + toUtf8(name) + "\" is not a file name");
    }
    const std::filesystem::path exact = dir / std::filesystem::path(std::u16string(base));
    std::error_code ec;
    if (std::filesystem::exists(exact, ec)) {
        return exact;
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir.empty() ? "." : dir, ec)) {
        if (equalsIgnoreCase(entry.path().filename().u16string(), base)) {
            return entry.path();
        }
    }
    return exact;  // reading it reports the missing file
}

}  // namespace

Character Character::open(const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes = readFile(path);
    try {
        switch (detectKind(bytes)) {
            case FileKind::Acs:
            case FileKind::CompoundDocument:
                return fromAcsBytes(std::move(bytes));
            case FileKind::Acf: {
                auto dir = path.parent_path();
                return fromAcfBytes(std::move(bytes), [&dir](const std::u16string& name) {
                    return readFile(findBeside(dir, name));
                });
            }
            case FileKind::Unknown:
                refuseKind(FileKind::Unknown, bytes);
        }
    } catch (const Error& e) {
        throw e.within(path.filename().string());
    }
    refuseKind(FileKind::Unknown, bytes);
}

FileKind Character::kind() const {
    return impl_->kind;
}
const CharacterInfo& Character::info() const {
    return impl_->info;
}
const std::vector<Animation>& Character::animations() const {
    return impl_->animations;
}

const Animation* Character::findAnimation(std::u16string_view name) const {
    for (const auto& a : impl_->animations) {
        if (equalsIgnoreCase(a.name, name)) {
            return &a;
        }
    }
    return nullptr;
}

std::size_t Character::imageCount() const {
    return impl_->images.size();
}

ImageHeader Character::imageHeader(std::size_t index) const {
    if (index >= impl_->images.size()) {
        throw Error(at("image", index) + " does not exist");
    }
    const ImageSource& s = impl_->images[index];
    return {s.width, s.height, s.checksum};
}

const Image& Character::image(std::size_t index) const {
    if (index >= impl_->images.size()) {
        throw Error(at("image", index) + " does not exist");
    }
    std::lock_guard lock(impl_->mutex);
    auto& slot = impl_->imageCache[index];
    if (slot) {
        return *slot;
    }
    const ImageSource& s = impl_->images[index];
    if (!s.error.empty()) {
        throw Error(s.error);
    }
    auto img = std::make_unique<Image>();
    img->width = s.width;
    img->height = s.height;
    const std::size_t expected = detail::stride(s.width) * s.height;
    try {
        if (s.pixelsCompressed) {
            std::vector<std::uint8_t> stored = decompress(s.pixels, expected, s.pixelsOffset);
            detail::storedToImage(stored, *img);
        } else {
            detail::storedToImage(s.pixels, *img);
        }
    } catch (const Error& e) {
        throw e.within(at("image", index));
    }
    slot = std::move(img);
    return *slot;
}

const Region& Character::region(std::size_t index) const {
    if (index >= impl_->images.size()) {
        throw Error(at("image", index) + " does not exist");
    }
    {
        std::lock_guard lock(impl_->mutex);
        if (impl_->regionCache[index]) {
            return *impl_->regionCache[index];
        }
    }
    const ImageSource& s = impl_->images[index];
    auto region = std::make_unique<Region>();
    if (!s.error.empty()) {
        throw Error(s.error);
    }
    try {
        if (s.region.empty() && s.regionSize == 0) {
            *region = regionFromImage(image(index), impl_->info.transparentIndex);
        } else if (s.regionCompressed) {
            *region = parseRegion(decompress(s.region, s.regionSize, s.regionOffset), 0);
        } else {
            *region = parseRegion(s.region, s.regionOffset);
        }
    } catch (const Error& e) {
        throw e.within(at("region of image", index));
    }
    std::lock_guard lock(impl_->mutex);
    auto& slot = impl_->regionCache[index];
    if (!slot) {
        slot = std::move(region);
    }
    return *slot;
}

std::size_t Character::soundCount() const {
    return impl_->sounds.size();
}

std::span<const std::uint8_t> Character::sound(std::size_t index) const {
    if (index >= impl_->sounds.size()) {
        throw Error(at("sound", index) + " does not exist");
    }
    const SoundSource& s = impl_->sounds[index];
    if (!s.error.empty()) {
        throw Error(s.error);
    }
    std::lock_guard lock(impl_->mutex);
    if (!impl_->soundChecked[index]) {
        try {
            detail::checkWave(s.data, s.offset);
        } catch (const Error& e) {
            throw e.within(at("sound", index));
        }
        impl_->soundChecked[index] = true;
    }
    return s.data;
}

std::uint32_t Character::soundChecksum(std::size_t index) const {
    if (index >= impl_->sounds.size()) {
        throw Error(at("sound", index) + " does not exist");
    }
    return impl_->sounds[index].checksum;
}

const std::vector<std::string>& Character::warnings() const {
    return impl_->warnings;
}

std::size_t Character::heldBytes() const {
    const Impl& m = *impl_;
    std::size_t total = sizeof(Impl);
    for (const auto& b : m.buffers) {
        total += b.capacity();
    }
    auto str = [](const std::u16string& s) { return s.capacity() > 7 ? s.capacity() * 2 : 0; };
    total += m.info.palette.capacity() * sizeof(Rgb);
    for (const auto& l : m.info.localized) {
        total += sizeof l + str(l.name) + str(l.description) + str(l.extra);
    }
    for (const auto& s : m.info.states) {
        total += sizeof s + str(s.name) + s.animations.capacity() * sizeof(std::u16string);
        for (const auto& a : s.animations) {
            total += str(a);
        }
    }
    if (m.info.trayIcon) {
        total += m.info.trayIcon->mask.capacity() + m.info.trayIcon->color.capacity();
    }
    total += m.animations.capacity() * sizeof(Animation);
    for (const auto& a : m.animations) {
        total += str(a.name) + str(a.returnAnimation) + str(a.acaFileName);
        total += a.frames.capacity() * sizeof(Frame);
        for (const auto& f : a.frames) {
            total += f.images.capacity() * sizeof(FrameImage) +
                     f.branches.capacity() * sizeof(Branch) +
                     f.overlays.capacity() * sizeof(Overlay);
        }
    }
    total += m.images.capacity() * sizeof(ImageSource) + m.sounds.capacity() * sizeof(SoundSource);
    std::lock_guard lock(m.mutex);
    total += m.imageCache.capacity() * sizeof(void*) + m.regionCache.capacity() * sizeof(void*);
    for (const auto& img : m.imageCache) {
        if (img) {
            total += sizeof(Image) + img->pixels.capacity();
        }
    }
    for (const auto& r : m.regionCache) {
        if (r) {
            total += sizeof(Region) + r->rects.capacity() * sizeof(Rect);
        }
    }
    return total;
}

CharacterData Character::toData() const {
    CharacterData data;
    data.info = impl_->info;
    data.animations = impl_->animations;
    data.images.resize(impl_->images.size());
    for (std::size_t i = 0; i < data.images.size(); ++i) {
        data.images[i].checksum = impl_->images[i].checksum;
        data.images[i].image = image(i);
    }
    data.sounds.resize(impl_->sounds.size());
    for (std::size_t i = 0; i < data.sounds.size(); ++i) {
        auto wav = sound(i);
        data.sounds[i].wav.assign(wav.begin(), wav.end());
        data.sounds[i].checksum = impl_->sounds[i].checksum;
    }
    return data;
}

}  // namespace vistrel::acs
