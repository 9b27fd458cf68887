#pragma once

// The in-memory model of a character: what the character-info block, the animation blocks, the
// image list and the audio list hold. The same structures feed the writer.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vistrel::acs {

// Named limits applied to every file read.
inline constexpr std::uint16_t kMaxImageSide = 4096;  // image and frame width/height
inline constexpr std::size_t kMaxFramesPerAnimation = 16384;
inline constexpr std::size_t kMaxPaletteSize = 256;

// Flag bits of CharacterInfo::flags that the layout depends on.
inline constexpr std::uint32_t kFlagVoiceDisabled = 0x00000010;
inline constexpr std::uint32_t kFlagVoiceEnabled = 0x00000020;
inline constexpr std::uint32_t kFlagBalloonDisabled = 0x00000100;
inline constexpr std::uint32_t kFlagBalloonEnabled = 0x00000200;
inline constexpr std::uint32_t kFlagStandardAnimationSet = 0x00100000;

struct Guid {
    std::array<std::uint8_t, 16> bytes{};  // as stored: Data1..Data3 little-endian, then Data4

    // "{00112233-4455-6677-8899-AABBCCDDEEFF}"
    std::string toString() const;
    // Accepts the form toString() produces (braces optional, any hex case).
    static std::optional<Guid> parse(std::string_view text);
    bool operator==(const Guid&) const = default;
};

// A palette colour (stored in the file as blue, green, red, 0) or a balloon colour (stored as
// red, green, blue, 0).
struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

struct LocalizedInfo {
    std::uint16_t language = 0x0009;  // LANGID
    std::u16string name;
    std::u16string description;
    std::u16string extra;
    bool operator==(const LocalizedInfo&) const = default;
};

struct VoiceExtra {
    std::uint16_t language = 0x0409;
    std::u16string dialect;
    std::uint16_t gender = 0;  // 0 neutral, 1 female, 2 male
    std::uint16_t age = 0;
    std::u16string style;
    bool operator==(const VoiceExtra&) const = default;
};

struct VoiceInfo {
    Guid engine;
    Guid mode;
    std::uint32_t speed = 0;
    std::uint16_t pitch = 0;
    std::optional<VoiceExtra> extra;
    bool operator==(const VoiceInfo&) const = default;
};

struct BalloonInfo {
    std::uint8_t lines = 2;
    std::uint8_t charsPerLine = 32;
    Rgb text{0, 0, 0};
    Rgb background{255, 255, 225};
    Rgb border{0, 0, 0};
    std::u16string fontName;
    std::int32_t fontHeight = -13;
    std::int32_t fontWeight = 400;
    bool italic = false;
    std::uint8_t unknown = 0;
    bool operator==(const BalloonInfo&) const = default;
};

// Two packed DIBs: the 1-bit AND mask and the colour image.
struct TrayIcon {
    std::vector<std::uint8_t> mask;
    std::vector<std::uint8_t> color;
    bool operator==(const TrayIcon&) const = default;
};

struct State {
    std::u16string name;                     // upper case in files
    std::vector<std::u16string> animations;  // upper case in files
    bool operator==(const State&) const = default;
};

struct CharacterInfo {
    std::uint16_t minorVersion = 1;
    std::uint16_t majorVersion = 2;
    Guid guid;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t transparentIndex = 0;
    // Unknown bits are kept as read. The writer derives kFlagVoiceEnabled and
    // kFlagBalloonEnabled from whether `voice` and `balloon` are present.
    std::uint32_t flags = 0;
    std::uint16_t animationSetMajor = 2;
    std::uint16_t animationSetMinor = 0;
    std::optional<VoiceInfo> voice;
    std::optional<BalloonInfo> balloon;
    std::vector<Rgb> palette;
    std::optional<TrayIcon> trayIcon;
    std::vector<State> states;
    std::vector<LocalizedInfo> localized;

    // The entry for `language`: exact match, else same primary language, else the first.
    // Null when there is none.
    const LocalizedInfo* localizedFor(std::uint16_t language) const;
    bool operator==(const CharacterInfo&) const = default;
};

struct Branch {
    std::uint16_t frame = 0;
    std::uint16_t probability = 0;  // percent
    bool operator==(const Branch&) const = default;
};

struct FrameImage {
    std::uint32_t image = 0;  // index into the image list
    std::int16_t x = 0;
    std::int16_t y = 0;
    bool operator==(const FrameImage&) const = default;
};

enum class MouthShape : std::uint8_t {
    Closed = 0,
    Wide1 = 1,
    Wide2 = 2,
    Wide3 = 3,
    Wide4 = 4,
    Medium = 5,
    Narrow = 6,
};

struct Overlay {
    std::uint8_t shape = 0;  // MouthShape
    bool replaceTopImage = false;
    std::uint16_t image = 0;
    std::uint8_t unknown = 0;
    std::int16_t x = 0;
    std::int16_t y = 0;
    // Centre of the opaque box of the closed-mouth image; the writer recomputes it.
    std::uint16_t centerX = 0;
    std::uint16_t centerY = 0;
    std::optional<std::vector<std::uint8_t>> region;  // raw RGNDATA, rarely present
    bool operator==(const Overlay&) const = default;
};

inline constexpr std::int16_t kNoExitBranch = -1;
inline constexpr std::int16_t kEndExitBranch = -2;

struct Frame {
    std::vector<FrameImage> images;  // first listed is the top-most layer
    std::int32_t sound = -1;         // index into the audio list, -1 none
    std::uint16_t duration = 0;      // hundredths of a second
    std::int16_t exitBranch = kNoExitBranch;
    std::vector<Branch> branches;
    std::vector<Overlay> overlays;
    bool operator==(const Frame&) const = default;
};

enum class Transition : std::uint8_t { ReturnAnimation = 0, ExitBranches = 1, None = 2 };

struct Animation {
    std::u16string name;  // original case, from the animation list
    std::uint8_t transition = static_cast<std::uint8_t>(Transition::None);
    std::u16string returnAnimation;
    std::vector<Frame> frames;
    // Only for characters split into ACF + ACA files: the ACA file name and its checksum.
    std::u16string acaFileName;
    std::uint32_t acaChecksum = 0;

    // Sum of the frame durations, in hundredths of a second.
    std::uint32_t totalDuration() const;
    bool operator==(const Animation&) const = default;
};

// A decoded image: one palette index per pixel, rows top-down, `width` bytes per row.
struct Image {
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::vector<std::uint8_t> pixels;

    std::uint8_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    bool operator==(const Image&) const = default;
};

// RGBA bytes (4 per pixel, rows top-down) of `image` through `palette`; pixels equal to
// `transparentIndex` become (0,0,0,0), indices beyond the palette opaque black.
std::vector<std::uint8_t> toRgba(const Image& image, const std::vector<Rgb>& palette,
                                 std::uint8_t transparentIndex);

// A sound: a complete RIFF WAVE file.
struct Sound {
    std::vector<std::uint8_t> wav;
    std::uint32_t checksum = 0;
    bool operator==(const Sound&) const = default;
};

// An image together with the checksum its image-list entry carries.
struct ImageEntry {
    Image image;
    std::uint32_t checksum = 0;
    bool operator==(const ImageEntry&) const = default;
};

// Everything a character file holds, fully decoded: what the writers take.
struct CharacterData {
    CharacterInfo info;
    std::vector<Animation> animations;
    std::vector<ImageEntry> images;
    std::vector<Sound> sounds;
    bool operator==(const CharacterData&) const = default;
};

// UTF-16 from the file to UTF-8 and back (unpaired surrogates become U+FFFD).
std::string toUtf8(std::u16string_view text);
std::u16string fromUtf8(std::string_view text);
// Case-insensitive comparison of names (ASCII letters; what character files use).
bool equalsIgnoreCase(std::u16string_view a, std::u16string_view b);
std::u16string toUpper(std::u16string_view text);

}  // namespace vistrel::acs
