#pragma once

// Writing character files from a CharacterData model.
//
//   acs::CharacterData data = character.toData();   // or built by hand
//   acs::saveAcs(data, "Merlin.acs");                // atomic: temporary file, then rename

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "acs/error.h"
#include "acs/model.h"

namespace vistrel::acs {

struct WriteOptions {
    // Called as images are compressed: (done, total).
    std::function<void(std::size_t, std::size_t)> progress;
};

// Checks that `data` can be written and read back: sizes within the limits, counts within
// their fields, every reference pointing at something. Throws Error naming the problem.
void validate(const CharacterData& data);

// An .acs file image, laid out as the original compiler lays it out: header, animation
// blocks, image blocks, sounds, the three lists, then the character info followed by the
// localized-info list. Images are compressed and given generated regions; overlay mouth
// centres are recomputed from the closed-mouth images.
std::vector<std::uint8_t> writeAcs(const CharacterData& data, const WriteOptions& options = {});

// An .acf file and its .aca files. Frames are composited into one full-frame image each, as
// the split format requires; overlays keep their own bitmaps.
struct AcfFiles {
    std::vector<std::uint8_t> acf;
    struct Aca {
        std::u16string fileName;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Aca> acas;
};
// `baseName` prefixes the generated .aca file names of animations that have none.
AcfFiles writeAcf(const CharacterData& data, std::u16string_view baseName,
                  const WriteOptions& options = {});

// The full-frame picture of `frame` (palette indices; transparent where no image covers).
Image compositeFrame(const CharacterData& data, const Frame& frame);

// Replaces `path` with `bytes` without ever leaving it half written: the bytes go to a
// temporary file in the same folder, which is then renamed over the target.
void saveFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

void saveAcs(const CharacterData& data, const std::filesystem::path& path,
             const WriteOptions& options = {});
// Writes `path` (.acf) and its .aca files beside it.
void saveAcf(const CharacterData& data, const std::filesystem::path& path,
             const WriteOptions& options = {});

}  // namespace vistrel::acs
