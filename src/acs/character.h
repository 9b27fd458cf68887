#pragma once

// Reading character files: an .acs file, or an .acf file with the .aca files beside it.
//
//   auto character = vistrel::acs::Character::open("Merlin.acs");   // throws acs::Error
//   const auto& info = character.info();
//   const acs::Image& img = character.image(0);                      // decoded on first use
//   auto rgba = acs::toRgba(img, info.palette, info.transparentIndex);

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "acs/error.h"
#include "acs/model.h"
#include "acs/region.h"

namespace vistrel::acs {

// The largest file the reader accepts.
inline constexpr std::uint64_t kMaxFileSize = std::uint64_t{512} << 20;

inline constexpr std::uint32_t kAcsSignature = 0xABCDABC3;
inline constexpr std::uint32_t kAcfSignature = 0xABCDABC4;
inline constexpr std::uint32_t kAcfOlderSignature = 0xABCDABC2;  // also accepted for .acf

enum class FileKind { Acs, Acf, CompoundDocument, Unknown };

// What the first bytes of a file say it is. CompoundDocument is the older character file (or
// another kind of compound document).
FileKind detectKind(std::span<const std::uint8_t> head);

// What a file that is not a character file looks like, from its first bytes, for messages:
// "a PNG image", "text", "an empty file", ...
std::string describeContent(std::span<const std::uint8_t> head);

// Size and checksum of an image-list entry, known without decoding the pixels.
struct ImageHeader {
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint32_t checksum = 0;
};

class Character {
  public:
    // Opens an .acs file, or an .acf file together with its .aca files (looked up beside it).
    // Reads the file once and parses everything needed to list the character; pixel and
    // region data are decoded on first use. Throws Error when the file cannot be used.
    static Character open(const std::filesystem::path& path);

    // Parses an .acs file held in memory: a version-2 file, or an older one (a compound
    // document), told apart by their first bytes.
    static Character fromAcsBytes(std::vector<std::uint8_t> bytes);

    // Parses an .acf file held in memory; `loadAca` returns the bytes of a named .aca file
    // (throwing Error when it is missing).
    using AcaLoader = std::function<std::vector<std::uint8_t>(const std::u16string& fileName)>;
    static Character fromAcfBytes(std::vector<std::uint8_t> bytes, const AcaLoader& loadAca);

    Character(Character&&) noexcept;
    Character& operator=(Character&&) noexcept;
    ~Character();

    FileKind kind() const;
    const CharacterInfo& info() const;
    const std::vector<Animation>& animations() const;
    // Case-insensitive lookup; null when absent.
    const Animation* findAnimation(std::u16string_view name) const;

    std::size_t imageCount() const;
    ImageHeader imageHeader(std::size_t index) const;
    // The decoded image (cached). Throws Error if its data is damaged or the index is bad.
    const Image& image(std::size_t index) const;
    // The image's region as stored in the file (cached); derived from the pixels when the
    // file has none.
    const Region& region(std::size_t index) const;

    std::size_t soundCount() const;
    // The RIFF WAVE file of a sound, checked on first use. Throws Error if it is damaged.
    std::span<const std::uint8_t> sound(std::size_t index) const;
    std::uint32_t soundChecksum(std::size_t index) const;

    // Problems that did not stop the character from loading (bad references dropped, ...).
    const std::vector<std::string>& warnings() const;

    // Bytes currently held: the file image plus the model and every decoded cache.
    std::size_t heldBytes() const;

    // Decodes everything into a model the writers accept.
    CharacterData toData() const;

  private:
    struct Impl;
    explicit Character(std::unique_ptr<Impl> impl);
    static Character fromOldKindBytes(std::vector<std::uint8_t> bytes);
    std::unique_ptr<Impl> impl_;
};

// Reads a whole file, refusing files above kMaxFileSize.
std::vector<std::uint8_t> readFile(const std::filesystem::path& path);

}  // namespace vistrel::acs
