#pragma once

// Helpers shared by the reader tests: open a file and say why it failed, touch every part of
// an opened character, and read little-endian fields straight from stored bytes.

#include <cstdint>
#include <string>
#include <vector>

#include "acs/character.h"

namespace vistrel::acs::probe {

// The reader's message for `bytes`, or "" when they open.
inline std::string openError(std::vector<std::uint8_t> bytes) {
    try {
        Character::fromAcsBytes(std::move(bytes));
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

// Everything a player or the tools would touch; parts may fail with acs::Error, nothing else.
inline void useEverything(const Character& c) {
    for (std::size_t i = 0; i < c.imageCount(); ++i) {
        try {
            (void)c.image(i);
            (void)c.region(i);
        } catch (const Error&) {
        }
    }
    for (std::size_t i = 0; i < c.soundCount(); ++i) {
        try {
            (void)c.sound(i);
        } catch (const Error&) {
        }
    }
    (void)c.heldBytes();
}

inline std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}

}  // namespace vistrel::acs::probe
