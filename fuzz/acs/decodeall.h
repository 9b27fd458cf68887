#pragma once

// Decodes every image, region and sound of a character the reader accepted, as a player would
// on demand; a damaged one may fail with acs::Error but nothing else.

#include "acs/character.h"

#include <cstddef>

struct DecodedCharacter {
    std::size_t pixels = 0;  // pixels of every image that decoded
    bool complete = true;    // every image, region and sound decoded
};

inline DecodedCharacter decodeAll(const vistrel::acs::Character& c) {
    namespace acs = vistrel::acs;
    DecodedCharacter out;
    for (std::size_t i = 0; i < c.imageCount(); ++i) {
        try {
            const acs::Image& img = c.image(i);
            out.pixels += img.pixels.size();
            (void)acs::toRgba(img, c.info().palette, c.info().transparentIndex);
            (void)c.region(i);
        } catch (const acs::Error&) {
            out.complete = false;
        }
    }
    for (std::size_t i = 0; i < c.soundCount(); ++i) {
        try {
            (void)c.sound(i);
        } catch (const acs::Error&) {
            out.complete = false;
        }
    }
    (void)c.heldBytes();
    return out;
}
