#pragma once

// The engine's test character as authors of real characters often make it: its Show sound in
// MS-ADPCM and its Hide sound in MPEG layer 3 (encoded by FFmpeg when it is made), balloon
// flags from the file, and with or without a voice block.

#include "acs/model.h"

#include <QString>

#include <cstdint>

namespace vistrel::engine::testing {

struct SoundCharacterOptions {
    bool voice = false;
    std::uint32_t balloonFlags = 0;  // the file's size-to-text, no auto-hide, no auto-pace bits
    bool damagedShowSound = false;   // the Show sound names a codec no decoder knows
};

// Show's first frame plays sound 0 (MS-ADPCM, 22050 Hz mono, 200 ms); Hide's first frame
// plays sound 1 (MPEG layer 3, 22050 Hz stereo, 300 ms).
acs::CharacterData makeSoundCharacter(const SoundCharacterOptions& options);

// Writes it as `<folder>/<id>.acs` and returns the path.
QString writeSoundCharacter(const QString& folder, const QString& id,
                            const SoundCharacterOptions& options);

}  // namespace vistrel::engine::testing
