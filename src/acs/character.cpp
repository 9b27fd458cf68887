// Opening a character file of any kind, and what a Character gives once open: the model, and
// images, regions and sounds decoded on first use.

#include "acs/character.h"

#include <mutex>
#include <string>

#include "acs/character_impl.h"
#include "acs/compression.h"
#include "acs/error.h"
#include "acs/parse.h"
#include "files/regularfile.h"

namespace vistrel::acs {

using detail::ImageSource;
using detail::numbered;
using detail::refuseKind;
using detail::SoundSource;

Character::Character(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Character::Character(Character&&) noexcept = default;
Character& Character::operator=(Character&&) noexcept = default;
Character::~Character() = default;

static_assert(kMaxFileSize == files::kMaxCharacterFileBytes);

// Only a regular file is read (never blocking on a FIFO or device), with its size checked
// before reading.
std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
    try {
        return files::read(path, kMaxFileSize);
    } catch (const files::Error& e) {
        throw Error(e.what());
    }
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
        throw Error(numbered("image", index) + " does not exist");
    }
    const ImageSource& s = impl_->images[index];
    return {s.width, s.height, s.checksum};
}

const Image& Character::image(std::size_t index) const {
    if (index >= impl_->images.size()) {
        throw Error(numbered("image", index) + " does not exist");
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
        throw e.within(numbered("image", index));
    }
    slot = std::move(img);
    impl_->imageDecoded(index);
    return *slot;
}

const Region& Character::region(std::size_t index) const {
    if (index >= impl_->images.size()) {
        throw Error(numbered("image", index) + " does not exist");
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
        throw e.within(numbered("region of image", index));
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
        throw Error(numbered("sound", index) + " does not exist");
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
            throw e.within(numbered("sound", index));
        }
        impl_->soundChecked[index] = true;
    }
    return s.data;
}

std::uint32_t Character::soundChecksum(std::size_t index) const {
    if (index >= impl_->sounds.size()) {
        throw Error(numbered("sound", index) + " does not exist");
    }
    return impl_->sounds[index].checksum;
}

const std::vector<std::string>& Character::warnings() const {
    return impl_->warnings;
}

std::size_t Character::heldBytes() const {
    const Impl& m = *impl_;
    std::lock_guard lock(m.mutex);
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
    total += (m.pixelBuffer.capacity() + m.undecodedImages.capacity()) * sizeof(std::size_t);
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
