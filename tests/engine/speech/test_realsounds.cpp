// The sounds of character files made by other people (read from the shared folder beside the
// repository when it is present): every one decodes to sound.

#include "acs/character.h"
#include "engine/speech/wav.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace fs = std::filesystem;
using namespace vistrel;

namespace {

std::vector<fs::path> realCharacters() {
    std::vector<fs::path> files;
    const fs::path folder(VISTREL_REALCHARS_DIR);
    if (!fs::is_directory(folder))
        return files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".acs")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(RealSounds, EverySoundOfEveryCharacterDecodesToSound) {
    const std::vector<fs::path> files = realCharacters();
    if (files.empty())
        GTEST_SKIP() << "no third-party characters at " << VISTREL_REALCHARS_DIR;
    std::map<std::string, int> codecs;
    std::size_t sounds = 0;
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.filename().string());
        const acs::Character character = acs::Character::open(path);
        for (std::size_t i = 0; i < character.soundCount(); ++i) {
            SCOPED_TRACE("sound " + std::to_string(i));
            try {
                const speech::WavData wav = speech::parseWav(character.sound(i));
                EXPECT_FALSE(wav.samples.empty());
                EXPECT_GT(wav.sampleRate, 0);
                ++codecs[wav.format.substr(0, wav.format.find(' '))];
                ++sounds;
            } catch (const std::exception& error) {
                ADD_FAILURE() << error.what();
            }
        }
    }
    std::string seen;
    for (const auto& [codec, count] : codecs)
        seen += codec + " x" + std::to_string(count) + " ";
    std::cout << sounds << " sounds decoded: " << seen << "\n";
}

}  // namespace
