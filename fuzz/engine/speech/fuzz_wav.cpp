// Decodes arbitrary bytes as a WAVE file through FFmpeg (any codec it has: PCM, ADPCM, G.711,
// GSM, MPEG audio ...) and, when they are one, derives its lip-sync.

#include "engine/speech/wav.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vistrel::speech;
    try {
        const WavData wav = parseWav({data, size});
        if (wav.sampleRate <= 0 || wav.sampleRate > kMaxWavSampleRate || wav.samples.empty() ||
            wav.samples.size() > kMaxDecodedSamples)
            std::abort();
        const auto mouth = loudnessMouth(wav, 40);
        for (std::size_t i = 1; i < mouth.size(); ++i)
            if (mouth[i].timeMs < mouth[i - 1].timeMs)
                std::abort();
    } catch (const WavError&) {
    }
    return 0;
}
