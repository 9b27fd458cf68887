#pragma once

// The older character file (internal): a compound document holding a compressed character
// description, "char.acf", and one compressed stream per animation, each with its own pictures
// and sounds. Character::fromAcsBytes reads it into the same model as a version-2 file;
// pictures and sounds are renumbered into character-wide lists, and what the older kind lacks
// (exit branches, names per language, tray icon) gets the defaults of a version-2 file
// without them.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "acs/character_impl.h"
#include "acs/model.h"

namespace vistrel::acs {

inline constexpr std::uint32_t kOldDescriptionSignature = 0xABCDABC1;
// All decoded animation bodies of one character together (the largest known character needs
// about 25 MB).
inline constexpr std::uint64_t kMaxOldKindDecodedTotal = std::uint64_t{256} << 20;

}  // namespace vistrel::acs

namespace vistrel::acs::detail {

// One entry of the description's animation list.
struct OldAnimationRef {
    std::u16string name;
    std::u16string stream;
    std::u16string returnName;
    std::uint32_t id = 0;
};

struct OldDescription {
    CharacterInfo info;
    std::vector<OldAnimationRef> animations;
};

// Parses a decoded "char.acf" body. Identity texts (name, description, extra data, balloon
// font) are tried as UTF-16 and then as 8-bit text, and the balloon as present when flag 0x200
// is set and then when flag 0x100 is clear, until a reading consumes the body exactly. Throws
// the first reading's Error when none does.
OldDescription parseOldDescription(std::span<const std::uint8_t> body);

// One decoded animation body with indices already moved by `imageBase` and `soundBase`.
struct OldAnimation {
    Animation animation;
    std::vector<ImageSource> images;  // frame pictures, then mouth bitmaps
    std::vector<SoundSource> sounds;
    std::vector<std::string> warnings;
};

OldAnimation parseOldAnimationBody(std::span<const std::uint8_t> body, const CharacterInfo& info,
                                   std::size_t imageBase, std::size_t soundBase);

// 8-bit text as Windows-1252.
std::u16string fromWindows1252(std::span<const std::uint8_t> text);

}  // namespace vistrel::acs::detail
