#pragma once

// What a Character holds once its file is parsed (internal to the readers): where each image's
// and sound's bytes are, and the model. Shared by the reader of every file kind.

#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "acs/character.h"

namespace vistrel::acs::detail {

// Where an image's bytes are, found when the character is opened.
struct ImageSource {
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint32_t checksum = 0;
    bool pixelsCompressed = false;
    std::span<const std::uint8_t> pixels;  // stored rows, bottom-up
    std::uint64_t pixelsOffset = 0;
    bool regionCompressed = false;
    std::span<const std::uint8_t> region;  // empty: none stored
    std::uint32_t regionSize = 0;          // decoded size
    std::uint64_t regionOffset = 0;
    std::string error;  // set when the block could not be parsed
};

struct SoundSource {
    std::span<const std::uint8_t> data;
    std::uint64_t offset = 0;
    std::uint32_t checksum = 0;
    std::string error;  // set when the locator is bad
};

// "image 3": an item of a list, for messages.
inline std::string numbered(const char* what, std::size_t index) {
    return std::string(what) + " " + std::to_string(index);
}

// Throws the Error for a file that is not what the caller expected. `wanted` is what the caller
// expected; `kind` is what the first bytes say.
[[noreturn]] void refuseKind(FileKind kind, std::span<const std::uint8_t> bytes,
                             const char* wanted = "a character file");

}  // namespace vistrel::acs::detail

namespace vistrel::acs {

struct Character::Impl {
    FileKind kind = FileKind::Unknown;
    // The file image (ACS) or the decoded bodies (ACF and ACA); the sources point into them.
    std::vector<std::vector<std::uint8_t>> buffers;
    CharacterInfo info;
    std::vector<Animation> animations;
    std::vector<detail::ImageSource> images;
    std::vector<detail::SoundSource> sounds;
    std::vector<std::string> warnings;

    mutable std::mutex mutex;
    mutable std::vector<std::unique_ptr<Image>> imageCache;
    mutable std::vector<std::unique_ptr<Region>> regionCache;
    mutable std::vector<bool> soundChecked;

    // Buffers that hold nothing but pixels are freed once every image whose pixels lie in them
    // is decoded (decoded images stay cached for the character's life). Per image: the buffer
    // its pixels lie in, or kKeptBuffer; empty when no buffer is ever freed. Per buffer: how
    // many of its images are still to be decoded. Changed under `mutex` once open.
    static constexpr std::size_t kKeptBuffer = static_cast<std::size_t>(-1);
    std::vector<std::size_t> pixelBuffer;
    std::vector<std::size_t> undecodedImages;

    // Marks buffer `buffer` as holding only the pixels of images `firstImage` onward.
    void freeWhenDecoded(std::size_t buffer, std::size_t firstImage) {
        pixelBuffer.resize(firstImage, kKeptBuffer);
        pixelBuffer.resize(images.size(), buffer);
        undecodedImages.resize(buffers.size(), 0);
        undecodedImages[buffer] = images.size() - firstImage;
        if (undecodedImages[buffer] == 0) {
            std::vector<std::uint8_t>().swap(buffers[buffer]);
        }
    }

    // Called under `mutex` when image `index` has just been cached.
    void imageDecoded(std::size_t index) {
        if (index >= pixelBuffer.size() || pixelBuffer[index] == kKeptBuffer) {
            return;
        }
        const std::size_t buffer = std::exchange(pixelBuffer[index], kKeptBuffer);
        images[index].pixels = {};
        if (--undecodedImages[buffer] == 0) {
            std::vector<std::uint8_t>().swap(buffers[buffer]);
        }
    }

    void finish() {
        imageCache.resize(images.size());
        regionCache.resize(images.size());
        soundChecked.assign(sounds.size(), false);
        checkReferences();
    }

    void warn(std::string text) { warnings.push_back(std::move(text)); }

    // Drops references to missing images, sounds and frames so that a player never follows
    // them.
    void checkReferences() {
        for (auto& a : animations) {
            const std::string where = "animation \"" + toUtf8(a.name) + "\" frame ";
            const std::size_t frameCount = a.frames.size();
            for (std::size_t f = 0; f < frameCount; ++f) {
                Frame& fr = a.frames[f];
                auto badImage = [&](std::uint32_t i) {
                    if (i < images.size()) {
                        return false;
                    }
                    warn(where + std::to_string(f) + ": image " + std::to_string(i) +
                         " does not exist");
                    return true;
                };
                std::erase_if(fr.images, [&](const FrameImage& fi) { return badImage(fi.image); });
                std::erase_if(fr.overlays, [&](const Overlay& o) { return badImage(o.image); });
                if (fr.sound >= 0 && static_cast<std::size_t>(fr.sound) >= sounds.size()) {
                    warn(where + std::to_string(f) + ": sound " + std::to_string(fr.sound) +
                         " does not exist");
                    fr.sound = -1;
                }
                std::erase_if(fr.branches, [&](const Branch& b) {
                    if (b.frame < frameCount) {
                        return false;
                    }
                    warn(where + std::to_string(f) + ": branch to missing frame " +
                         std::to_string(b.frame));
                    return true;
                });
                if (fr.exitBranch >= 0 && static_cast<std::size_t>(fr.exitBranch) >= frameCount) {
                    warn(where + std::to_string(f) + ": exit branch to missing frame " +
                         std::to_string(fr.exitBranch));
                    fr.exitBranch = kNoExitBranch;
                }
            }
        }
    }
};

}  // namespace vistrel::acs
