// WAV reading (every codec characters use, well-formed and damaged files), loudness lip-sync, PCM
// conversion for the sound device, and the choice of output.

#include "engine/speech/audio.h"
#include "engine/speech/mouth.h"
#include "engine/speech/pcmconvert.h"
#include "engine/speech/testing/encodedsound.h"
#include "engine/speech/wav.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

using namespace vistrel::speech;
namespace speech = vistrel::speech;
using Bytes = std::vector<std::uint8_t>;

namespace {

void put(Bytes& b, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i)
        b.push_back(std::uint8_t(v >> (8 * i)));
}

void tag(Bytes& b, const char* t) {
    for (int i = 0; i < 4; ++i)
        b.push_back(std::uint8_t(t[i]));
}

void append(Bytes& b, const Bytes& more) {
    for (std::uint8_t x : more)
        b.push_back(x);
}

Bytes fmtChunk(int format, int channels, int rate, int bits, int blockAlign = -1) {
    Bytes b;
    tag(b, "fmt ");
    put(b, 16, 4);
    put(b, std::uint32_t(format), 2);
    put(b, std::uint32_t(channels), 2);
    put(b, std::uint32_t(rate), 4);
    put(b, std::uint32_t(rate * channels * bits / 8), 4);
    put(b, std::uint32_t(blockAlign < 0 ? channels * bits / 8 : blockAlign), 2);
    put(b, std::uint32_t(bits), 2);
    return b;
}

Bytes chunk(const char* name, const Bytes& body, std::uint32_t declared = ~0u) {
    Bytes b;
    tag(b, name);
    put(b, declared == ~0u ? std::uint32_t(body.size()) : declared, 4);
    append(b, body);
    if (body.size() & 1)
        b.push_back(0);
    return b;
}

Bytes riff(const std::vector<Bytes>& chunks) {
    Bytes b;
    tag(b, "RIFF");
    put(b, 0, 4);
    tag(b, "WAVE");
    for (const auto& c : chunks)
        append(b, c);
    const std::uint32_t size = std::uint32_t(b.size() - 8);
    std::memcpy(b.data() + 4, &size, 4);
    return b;
}

std::string errorOf(const Bytes& b) {
    try {
        parseWav(b);
    } catch (const WavError& e) {
        return e.what();
    }
    return "no error";
}

TEST(Wav, WrittenFileReadsBackExactly) {
    std::vector<qint16> samples;
    for (int i = 0; i < 2205; ++i)
        samples.push_back(qint16(20000 * std::sin(i * 0.05)));
    samples.push_back(-32768);
    samples.push_back(32767);
    const WavData wav = parseWav(writeWav(samples, 22050));
    EXPECT_EQ(wav.sampleRate, 22050);
    EXPECT_EQ(wav.samples, samples);
    EXPECT_EQ(wav.durationMs, 100);
}

TEST(Wav, EightBitStereoIsCentredAndMixedDown) {
    // Frames: (128,128) silence, (255,255) loud, (0,255) opposite halves cancel.
    const Bytes data{128, 128, 255, 255, 0, 255};
    const WavData wav = parseWav(riff({fmtChunk(1, 2, 8000, 8), chunk("data", data)}));
    ASSERT_EQ(wav.samples.size(), 3u);
    EXPECT_EQ(wav.samples[0], 0);
    EXPECT_EQ(wav.samples[1], 127 << 8);
    EXPECT_EQ(wav.samples[2], -128);
}

TEST(Wav, OtherChunksOddSizesExtensibleHeadersAndShortDataAreRead) {
    Bytes ext = fmtChunk(0xFFFE, 1, 11025, 16);
    ext.resize(8 + 40);
    ext[4] = 40;
    ext[8 + 16] = 22;  // extension size
    const std::uint8_t pcmGuid[16] = {1,    0, 0, 0,    0, 0,    0x10, 0,
                                      0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    std::memcpy(ext.data() + 8 + 24, pcmGuid, 16);  // sub-format: PCM
    const Bytes data{0x10, 0x00, 0x20, 0x00, 0x30, 0x00};
    WavData wav = parseWav(riff({chunk("LIST", Bytes(5, 'x')), ext, chunk("data", data)}));
    EXPECT_EQ(wav.samples, (std::vector<qint16>{0x10, 0x20, 0x30}));

    // The data chunk claims more than is there (a recording cut short): what is there plays.
    Bytes cut = riff({fmtChunk(1, 1, 8000, 16), chunk("data", data, 1000)});
    wav = parseWav(cut);
    EXPECT_EQ(wav.samples.size(), 3u);
    // A trailing half sample is ignored.
    cut.push_back(0x7f);
    EXPECT_EQ(parseWav(cut).samples.size(), 3u);

    // Metadata after the samples that claims far more than the file holds (here a 1.5 GB
    // software name) is left unread; the samples before it play.
    Bytes info;
    tag(info, "INFO");
    tag(info, "ISFT");
    put(info, 0x60000000, 4);
    append(info, Bytes(6, 'x'));
    wav = parseWav(riff({fmtChunk(1, 1, 8000, 16), chunk("data", data),
                         chunk("LIST", info, 0x7FFFFFF0u)}));
    EXPECT_EQ(wav.samples, (std::vector<qint16>{0x10, 0x20, 0x30}));
}

TEST(Wav, DamagedFilesAreRefusedSayingWhy) {
    const Bytes fmt = fmtChunk(1, 1, 8000, 16);
    const Bytes data = chunk("data", {1, 0});
    const std::vector<std::pair<Bytes, std::string>> cases{
        {{}, "not a RIFF WAVE"},
        {Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '}, "not a RIFF WAVE"},
        {riff({data}), "cannot be read"},
        {riff({fmt}), "cannot be read"},
        {riff({chunk("fmt ", Bytes(10, 0)), data}), "cannot be read"},
        {riff({fmtChunk(0x1234, 1, 8000, 16), data}), "no decoder for the audio format"},
        {riff({fmtChunk(1, 9, 8000, 16), data}), "channel count 9"},
        {riff({fmtChunk(1, 1, 0, 16), data}), "cannot be read"},
        {riff({fmtChunk(1, 1, 9000000, 16), data}), "sample rate 9000000"},
        {riff({fmtChunk(1, 2, 8000, 16), chunk("data", {})}), "decodes to no sound"},
        {riff({chunk("LIST", Bytes(4, 0), 0xFFFFFFF0u), fmt, data}), "cannot be read"},
    };
    for (const auto& [bytes, expected] : cases)
        EXPECT_NE(errorOf(bytes).find(expected), std::string::npos)
            << "expected \"" << expected << "\", got \"" << errorOf(bytes) << "\"";

    Bytes huge = riff({fmt, data});
    huge.resize(kMaxWavBytes + 1);
    EXPECT_NE(errorOf(huge).find("larger than 64 MiB"), std::string::npos);
}

double rms(std::span<const qint16> samples) {
    double sum = 0;
    for (qint16 s : samples)
        sum += double(s) * s;
    return samples.empty() ? 0 : std::sqrt(sum / double(samples.size()));
}

// Each codec found in characters' sounds, encoded by FFmpeg and read back: the rate is kept,
// the length and loudness match the original, stereo is mixed down to the same signal.
TEST(Wav, EveryCodecOfCharacterSoundsDecodesToTheOriginalSound) {
    struct Case {
        const char* encoder;
        const char* codec;  // as the decoded sound names it
        int rate;
        int channels;
    };
    const Case cases[] = {
        {"pcm_u8", "pcm_u8", 11025, 1},
        {"pcm_s16le", "pcm_s16le", 22050, 2},
        {"adpcm_ms", "adpcm_ms", 22050, 1},
        {"adpcm_ms", "adpcm_ms", 11025, 2},
        {"adpcm_ima_wav", "adpcm_ima_wav", 22050, 1},
        {"pcm_mulaw", "pcm_mulaw", 8000, 1},
        {"pcm_alaw", "pcm_alaw", 8000, 1},
        {"libgsm_ms", "gsm_ms", 8000, 1},
        {"libmp3lame", "mp3", 22050, 1},
        {"libmp3lame", "mp3", 44100, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.encoder) + " " + std::to_string(c.rate) + " Hz " +
                     std::to_string(c.channels) + " ch");
        const std::vector<qint16> original =
            speech::testing::toneSamples(c.rate, 400, 330.0, 12000);
        const WavData wav =
            parseWav(speech::testing::encodeWav(original, c.rate, c.channels, c.encoder));
        EXPECT_EQ(wav.sampleRate, c.rate);
        EXPECT_EQ(wav.format, std::string(c.codec) + " " + std::to_string(c.rate) + " Hz " +
                                  std::to_string(c.channels) + " ch");
        // Block codecs pad the last block; MPEG adds its encoder delay.
        EXPECT_GE(wav.samples.size(), original.size() - original.size() / 50);
        EXPECT_LE(wav.samples.size(), original.size() + std::size_t(c.rate) / 10);
        EXPECT_NEAR(rms(wav.samples), rms(original), rms(original) * 0.25);
        EXPECT_NEAR(double(wav.durationMs), 400, 100);
    }
}

TEST(Wav, DamagedCompressedAudioKeepsWhatDecodes) {
    std::vector<std::uint8_t> bytes =
        speech::testing::encodeWav(speech::testing::toneSamples(22050, 500), 22050, 1, "adpcm_ms");
    // Garbage over the middle of the audio and a file cut short: the rest still plays.
    for (std::size_t i = bytes.size() / 2; i < bytes.size() / 2 + 600; ++i)
        bytes[i] = std::uint8_t(i * 37);
    bytes.resize(bytes.size() * 3 / 4);
    const WavData wav = parseWav(bytes);
    EXPECT_GT(wav.samples.size(), 22050u * 500 / 1000 / 2);
    EXPECT_LT(wav.samples.size(), 22050u * 500 / 1000);
}

WavData tone(const std::vector<std::pair<int, double>>& partsMsAmplitude) {
    WavData w;
    w.sampleRate = 10000;
    for (const auto& [ms, amplitude] : partsMsAmplitude)
        for (int i = 0; i < ms * 10; ++i)
            w.samples.push_back(qint16(amplitude * std::sin(i * 0.3)));
    w.durationMs = qint64(w.samples.size()) / 10;
    return w;
}

TEST(Wav, LoudnessOpensTheMouthInProportionAndClosesItAtTheEnd) {
    const WavData w = tone({{100, 0}, {100, 30000}, {100, 12000}, {100, 50}, {100, 4000}});
    const auto mouth = loudnessMouth(w, 50);
    const std::vector<MouthEvent> expected{{0, MouthClosed},  {100, MouthWide4},
                                           {200, MouthWide2}, {300, MouthClosed},
                                           {400, MouthWide1}, {500, MouthClosed}};
    EXPECT_EQ(mouth, expected);

    EXPECT_EQ(loudnessMouth(tone({{300, 100}}), 50), (std::vector<MouthEvent>{{0, MouthClosed}}));
    EXPECT_TRUE(loudnessMouth(WavData{}, 50).empty());
    EXPECT_FALSE(loudnessMouth(tone({{10, 20000}}), 0).empty());  // a zero step is one sample

    // At very low rates a step is one sample, longer than asked: times still follow the audio.
    WavData slow;
    slow.sampleRate = 20;
    slow.samples = {0, 20000, -20000, 0};
    slow.durationMs = 200;
    EXPECT_EQ(loudnessMouth(slow, 10),
              (std::vector<MouthEvent>{{0, MouthClosed}, {50, MouthWide4}, {150, MouthClosed}}));
}

TEST(PcmConvert, RateChannelsAndFormatFollowTheDevice) {
    QAudioFormat stereoFloat;
    stereoFloat.setSampleRate(44100);
    stereoFloat.setChannelCount(2);
    stereoFloat.setSampleFormat(QAudioFormat::Float);
    PcmConverter up(22050, stereoFloat);
    const std::vector<qint16> in{0, 16384, -16384, 0};
    const QByteArray out = up.convert(in);
    ASSERT_EQ(out.size(), qsizetype(7 * 2 * sizeof(float)));  // 0, ½, 1, ½, 0 ... per channel
    const float* f = reinterpret_cast<const float*>(out.constData());
    EXPECT_FLOAT_EQ(f[0], 0.0f);
    EXPECT_FLOAT_EQ(f[2], 0.25f);
    EXPECT_FLOAT_EQ(f[3], 0.25f);  // the same value on both channels
    EXPECT_FLOAT_EQ(f[4], 0.5f);
    EXPECT_FLOAT_EQ(f[8], -0.5f);
}

TEST(PcmConvert, PiecesJoinWithoutGapsOrRepeats) {
    QAudioFormat mono48;
    mono48.setSampleRate(48000);
    mono48.setChannelCount(1);
    mono48.setSampleFormat(QAudioFormat::Int16);
    std::vector<qint16> in;
    for (int i = 0; i < 2000; ++i)
        in.push_back(qint16(i * 7 % 3000));
    PcmConverter whole(22050, mono48);
    const QByteArray expected = whole.convert(in);
    PcmConverter pieces(22050, mono48);
    QByteArray joined;
    for (std::size_t at = 0; at < in.size(); at += 333)
        joined +=
            pieces.convert(std::span(in).subspan(at, std::min<std::size_t>(333, in.size() - at)));
    ASSERT_EQ(joined.size(), expected.size());
    const auto* a = reinterpret_cast<const qint16*>(joined.constData());
    const auto* b = reinterpret_cast<const qint16*>(expected.constData());
    for (qsizetype i = 0; i < expected.size() / 2; ++i)
        ASSERT_LE(std::abs(a[i] - b[i]), 1) << "at " << i;
    EXPECT_NEAR(double(expected.size()) / 2, 2000.0 * 48000 / 22050, 2);
}

TEST(AudioOutput, UnreadableSoundsPlayNothingAndTheDeviceChoiceMatchesTheMachine) {
    NullAudioOutput out;
    const auto wav = writeWav(std::vector<qint16>(100, 5), 8000);
    EXPECT_NE(out.playWav(wav), 0u);
    EXPECT_EQ(out.playWav(QByteArray("RIFF junk")), 0u);
    const auto chosen = createAudioOutput();
    EXPECT_EQ(chosen->hasDevice(), dynamic_cast<NullAudioOutput*>(chosen.get()) == nullptr);
}

}  // namespace
