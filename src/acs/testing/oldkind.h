#pragma once

// Writers of compound documents and of older character files, for tests, fuzz seeds and
// benchmarks. The program itself only reads these; it writes version-2 files.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "acs/model.h"

namespace vistrel::acs::testing {

struct CompoundStream {
    std::u16string name;
    std::vector<std::uint8_t> data;
};

struct CompoundOptions {
    bool version4 = false;  // 4096-byte sectors instead of 512
};

// A built document and where its parts went, so that tests can damage them. Regular sectors
// are laid out as: allocation-table sectors, extension (DIFAT) sectors, directory, mini
// allocation table, mini stream, then each regular stream in order.
struct CompoundLayout {
    std::vector<std::uint8_t> bytes;
    std::uint32_t sectorSize = 512;
    std::vector<std::uint32_t> fatSectors;
    std::vector<std::uint32_t> difatSectors;
    std::uint32_t directoryStart = 0;
    std::uint32_t miniFatStart = 0xFFFFFFFE;
    std::uint32_t miniStreamStart = 0xFFFFFFFE;
    // Per stream (in the order given): first sector, or first mini sector when `inMini`.
    std::vector<std::uint32_t> start;
    std::vector<bool> inMini;

    std::size_t sectorOffset(std::uint32_t n) const { return (std::size_t{n} + 1) * sectorSize; }
    // File offset of the allocation-table entry of regular sector `n`.
    std::size_t fatEntryOffset(std::uint32_t n) const;
    // File offset of directory entry `n` (entry 0 is the root; stream i is entry i + 1).
    std::size_t entryOffset(std::uint32_t n) const;
    // File offset of the mini allocation-table entry of mini sector `n`.
    std::size_t miniFatEntryOffset(std::uint32_t n) const;
};

CompoundLayout buildCompoundDocument(const std::vector<CompoundStream>& streams,
                                     const CompoundOptions& options = {});

struct OldKindOptions {
    std::uint16_t minorVersion = 31;     // 28, 30 or 31
    bool compressed = true;              // animation bodies compressed (char.acf always is)
    bool ansiNames = false;              // name, description, extra data and font as 8-bit text
    std::optional<std::uint32_t> flags;  // written instead of the flags the model implies
};

// The streams of an older character file holding `data`: char.acf and one anim<N>.aaf per
// animation. Each frame's layers are composed into one full-frame picture; pictures, mouth
// bitmaps and sounds are stored per animation; exit branches are dropped.
std::vector<CompoundStream> oldKindStreams(const CharacterData& data,
                                           const OldKindOptions& options = {});
std::vector<std::uint8_t> makeOldKindFile(const CharacterData& data,
                                          const OldKindOptions& options = {});

// A small character that the older kind can hold exactly: 10x8 frames, a 6-colour palette,
// full-frame pictures, two animations (one with a sound, branches, seven mouth overlays and a
// return animation; one ending on a frame without picture), voice, balloon and two states.
CharacterData makeSmallOldKindCharacter();

}  // namespace vistrel::acs::testing
