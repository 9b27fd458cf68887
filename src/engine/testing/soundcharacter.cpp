#include "engine/testing/soundcharacter.h"

#include "acs/writer.h"
#include "engine/speech/testing/encodedsound.h"
#include "engine/testing/testcharacter.h"

#include <QDir>

namespace vistrel::engine::testing {

namespace {

void setSound(acs::CharacterData& data, const char* animation, std::size_t frame, int sound) {
    for (acs::Animation& a : data.animations)
        if (a.name == acs::fromUtf8(animation))
            a.frames.at(frame).sound = static_cast<std::int16_t>(sound);
}

}  // namespace

acs::CharacterData makeSoundCharacter(const SoundCharacterOptions& options) {
    acs::CharacterData data = makeTestCharacter(true);
    if (!options.voice)
        data.info.voice.reset();
    data.info.flags |= options.balloonFlags;
    const auto tone = speech::testing::toneSamples(22050, 200, 440.0);
    std::vector<std::uint8_t> show = speech::testing::encodeWav(tone, 22050, 1, "adpcm_ms");
    if (options.damagedShowSound) {
        show.at(20) = 0x34;  // a codec no decoder knows
        show.at(21) = 0x12;
    }
    data.sounds = {
        acs::Sound{show, 0},
        acs::Sound{speech::testing::encodeWav(speech::testing::toneSamples(22050, 300, 660.0),
                                              22050, 2, "libmp3lame"),
                   0},
    };
    setSound(data, "Show", 0, 0);
    setSound(data, "Hide", 0, 1);
    return data;
}

QString writeSoundCharacter(const QString& folder, const QString& id,
                            const SoundCharacterOptions& options) {
    const QString path = QDir(folder).filePath(id + QStringLiteral(".acs"));
    acs::saveAcs(makeSoundCharacter(options), path.toStdString());
    return path;
}

}  // namespace vistrel::engine::testing
