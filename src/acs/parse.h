#pragma once

// Parsing helpers shared by the ACS and ACF readers (internal).

#include "acs/bytes.h"
#include "acs/model.h"

namespace vistrel::acs::detail {

Guid readGuid(ByteReader& in, const char* what);
void writeGuid(ByteWriter& out, const Guid& guid);

// LOCALIZEDINFO list: USHORT count, entries.
std::vector<LocalizedInfo> readLocalizedList(ByteReader& in, bool terminated);
void writeLocalizedList(ByteWriter& out, const std::vector<LocalizedInfo>& list, bool terminated);

// The character's width and height, each checked against the largest image side.
void readCharacterSize(ByteReader& in, CharacterInfo& info);
// The voice's engine, mode, speed and pitch, which every kind of file stores alike.
VoiceInfo readVoice(ByteReader& in);

// The character-info fields from the width onward (shared by ACS and ACF).
void readInfoTail(ByteReader& in, CharacterInfo& info, bool terminated);
void writeInfoTail(ByteWriter& out, const CharacterInfo& info, bool terminated);

// The flags as written: the enabled bits follow the presence of the voice and balloon blocks.
std::uint32_t effectiveFlags(const CharacterInfo& info);

inline std::size_t stride(std::size_t width) {
    return (width + 3) & ~std::size_t{3};
}

// Converts between stored rows (bottom-up, stride-padded) and Image rows (top-down, tight).
void storedToImage(std::span<const std::uint8_t> stored, Image& image);
std::vector<std::uint8_t> imageToStored(const Image& image);

// A 32-bit FNV-1a hash, used where the format wants a value that differs between items.
std::uint32_t hash32(std::span<const std::uint8_t> data);

// Checks that `wav` starts like a RIFF WAVE file whose declared size fits.
void checkWave(std::span<const std::uint8_t> wav, std::uint64_t offset);

}  // namespace vistrel::acs::detail
