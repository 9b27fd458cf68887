#include "engine/speech/wav.h"

#include "engine/speech/mouth.h"
#include "log/log.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <mutex>

namespace vistrel::speech {

namespace {

// FFmpeg's objects, freed in the order they were made whatever path leaves the reader.
struct FreeFormat {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct FreeIo {
    void operator()(AVIOContext* c) const {
        av_freep(&c->buffer);  // may have been replaced by FFmpeg since it was allocated
        avio_context_free(&c);
    }
};
struct FreeCodec {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FreePacket {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FreeFrame {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct FreeResampler {
    void operator()(SwrContext* s) const { swr_free(&s); }
};

// FFmpeg reads the file from memory through these: every read and seek stays inside it.
struct MemoryFile {
    std::span<const std::uint8_t> bytes;
    std::size_t position = 0;
};

int readMemory(void* opaque, std::uint8_t* buffer, int size) {
    auto& file = *static_cast<MemoryFile*>(opaque);
    if (size <= 0 || file.position >= file.bytes.size())
        return AVERROR_EOF;
    const std::size_t n = std::min(std::size_t(size), file.bytes.size() - file.position);
    std::memcpy(buffer, file.bytes.data() + file.position, n);
    file.position += n;
    return int(n);
}

std::int64_t seekMemory(void* opaque, std::int64_t offset, int whence) {
    auto& file = *static_cast<MemoryFile*>(opaque);
    const auto size = std::int64_t(file.bytes.size());
    if (whence & AVSEEK_SIZE)
        return size;
    std::int64_t base = 0;
    switch (whence & ~AVSEEK_FORCE) {
        case SEEK_SET:
            base = 0;
            break;
        case SEEK_CUR:
            base = std::int64_t(file.position);
            break;
        case SEEK_END:
            base = size;
            break;
        default:
            return AVERROR(EINVAL);
    }
    if (offset < -base || offset > size - base)
        return AVERROR(EINVAL);
    file.position = std::size_t(base + offset);
    return base + offset;
}

std::string errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// FFmpeg's own complaints about a damaged file go to the speech log, not to stderr.
void logFromFfmpeg(void* context, int level, const char* format, std::va_list args) {
    if (level > AV_LOG_WARNING)
        return;
    char line[512];
    int printPrefix = 1;
    std::va_list copy;
    va_copy(copy, args);
    av_log_format_line2(context, level, format, copy, line, sizeof line, &printPrefix);
    va_end(copy);
    qCDebug(log::speech).noquote() << "FFmpeg:" << QString::fromUtf8(line).trimmed();
}

// Turns decoded frames of any layout, sample format and rate into mono 16-bit samples at the
// rate of the first frame, every channel weighing the same.
class MonoConverter {
  public:
    void add(const AVFrame& frame, std::vector<qint16>& out) {
        const int channels = frame.ch_layout.nb_channels;
        if (channels < 1 || channels > kMaxWavChannels)
            throw WavError("unsupported channel count " + std::to_string(channels));
        if (frame.sample_rate <= 0 || frame.sample_rate > kMaxWavSampleRate)
            throw WavError("unsupported sample rate " + std::to_string(frame.sample_rate));
        if (!resampler_ || channels != channels_ || frame.format != format_ ||
            frame.sample_rate != inRate_)
            configure(frame, out);
        convert(frame.extended_data, frame.nb_samples, out);
    }
    // What the resampler still holds.
    void flush(std::vector<qint16>& out) {
        if (resampler_)
            convert(nullptr, 0, out);
    }
    int rate() const { return outRate_; }

  private:
    void configure(const AVFrame& frame, std::vector<qint16>& out) {
        flush(out);
        channels_ = frame.ch_layout.nb_channels;
        format_ = frame.format;
        inRate_ = frame.sample_rate;
        if (outRate_ == 0)
            outRate_ = inRate_;
        AVChannelLayout in{};
        if (frame.ch_layout.order == AV_CHANNEL_ORDER_NATIVE)
            av_channel_layout_copy(&in, &frame.ch_layout);
        else
            av_channel_layout_default(&in, channels_);
        AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
        SwrContext* raw = nullptr;
        int result = swr_alloc_set_opts2(&raw, &mono, AV_SAMPLE_FMT_S16, outRate_, &in,
                                         AVSampleFormat(format_), inRate_, 0, nullptr);
        av_channel_layout_uninit(&in);
        resampler_.reset(raw);
        if (result >= 0) {
            const std::vector<double> even(std::size_t(channels_), 1.0 / channels_);
            result = swr_set_matrix(raw, even.data(), channels_);
        }
        if (result >= 0)
            result = swr_init(raw);
        if (result < 0)
            throw WavError("the audio cannot be converted: " + errorText(result));
    }

    void convert(const std::uint8_t* const* in, int count, std::vector<qint16>& out) {
        const int room = swr_get_out_samples(resampler_.get(), count);
        if (room < 0)
            throw WavError("the audio cannot be converted: " + errorText(room));
        if (out.size() + std::size_t(room) > kMaxDecodedSamples)
            throw WavError("the sound decodes to more than " + std::to_string(kMaxDecodedSamples) +
                           " samples");
        const std::size_t at = out.size();
        out.resize(at + std::size_t(room));
        std::uint8_t* target = reinterpret_cast<std::uint8_t*>(out.data() + at);
        const int made = swr_convert(resampler_.get(), &target, room,
                                     const_cast<const std::uint8_t**>(in), count);
        if (made < 0)
            throw WavError("the audio cannot be converted: " + errorText(made));
        out.resize(at + std::size_t(made));
    }

    std::unique_ptr<SwrContext, FreeResampler> resampler_;
    int channels_ = 0;
    int format_ = -1;
    int inRate_ = 0;
    int outRate_ = 0;
};

// The decoder's frames so far, into `converter`; false once the decoder has no more. A
// packet the decoder refuses counts in `damaged` and costs only its own stretch of sound.
bool drain(AVCodecContext& decoder, AVFrame& frame, MonoConverter& converter,
           std::vector<qint16>& out, int& damaged) {
    for (;;) {
        const int result = avcodec_receive_frame(&decoder, &frame);
        if (result == AVERROR(EAGAIN))
            return true;
        if (result == AVERROR_EOF)
            return false;
        if (result < 0) {
            ++damaged;
            return true;
        }
        converter.add(frame, out);
        av_frame_unref(&frame);
    }
}

// How much of the file FFmpeg gets to see. FFmpeg trusts the sizes of the chunks it reads
// whole (LIST, bext, ...) and allocates them before reading, so a chunk that claims more
// bytes than the file holds, and everything after it, is left out. Only the data chunk may
// run past the end: recorders that were cut short leave such files, and FFmpeg then reads
// the samples up to the end.
std::size_t trustedLength(std::span<const std::uint8_t> bytes) {
    const auto le32 = [&](std::size_t at) {
        return std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 |
               std::uint32_t(bytes[at + 2]) << 16 | std::uint32_t(bytes[at + 3]) << 24;
    };
    std::size_t at = 12;  // after "RIFF", its size and "WAVE"
    while (bytes.size() - at >= 8) {
        const std::size_t length = le32(at + 4);
        const std::size_t room = bytes.size() - at - 8;
        if (length > room) {
            if (std::memcmp(bytes.data() + at, "data", 4) == 0)
                return bytes.size();
            qCDebug(log::speech).noquote()
                << QStringLiteral(
                       "a WAVE chunk '%1' at byte %2 claims %3 bytes but only %4 remain; "
                       "the file is read up to it")
                       .arg(
                           QString::fromLatin1(reinterpret_cast<const char*>(bytes.data() + at), 4))
                       .arg(at)
                       .arg(length)
                       .arg(room);
            return at;
        }
        at += 8 + length + (length & 1);
        at = std::min(at, bytes.size());
    }
    return bytes.size();
}

}  // namespace

WavData parseWav(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > kMaxWavBytes)
        throw WavError("the sound is larger than " + std::to_string(kMaxWavBytes >> 20) + " MiB");
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        throw WavError("not a RIFF WAVE file");
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_callback(logFromFfmpeg); });

    constexpr int kIoBufferBytes = 16384;
    MemoryFile file{bytes.first(trustedLength(bytes)), 0};
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferBytes));
    if (!buffer)
        throw std::bad_alloc();
    std::unique_ptr<AVIOContext, FreeIo> io(
        avio_alloc_context(buffer, kIoBufferBytes, 0, &file, readMemory, nullptr, seekMemory));
    if (!io) {
        av_free(buffer);
        throw std::bad_alloc();
    }
    AVFormatContext* rawFormat = avformat_alloc_context();
    if (!rawFormat)
        throw std::bad_alloc();
    rawFormat->pb = io.get();
    rawFormat->flags |= AVFMT_FLAG_CUSTOM_IO;
    // FFmpeg looks for other formats hidden in 16-bit PCM (DTS in WAVE) by running its codec
    // probes over the packets it reads, again at every doubling of what it has read, up to
    // megabytes: most of the time a PCM sound took. One packet is enough for such a stream.
    rawFormat->max_probe_packets = 1;
    // Only the WAVE reader ever looks at the bytes; nothing is guessed from them.
    int result = avformat_open_input(&rawFormat, nullptr, av_find_input_format("wav"), nullptr);
    if (result < 0)  // rawFormat was freed
        throw WavError("the WAVE file cannot be read: " + errorText(result));
    const std::unique_ptr<AVFormatContext, FreeFormat> format(rawFormat);

    const AVCodec* codec = nullptr;
    const int stream = av_find_best_stream(rawFormat, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (stream < 0) {
        if (stream == AVERROR_DECODER_NOT_FOUND && rawFormat->nb_streams > 0)
            throw WavError(std::string("no decoder for the audio format ") +
                           avcodec_get_name(rawFormat->streams[0]->codecpar->codec_id) + " (tag " +
                           std::to_string(rawFormat->streams[0]->codecpar->codec_tag) + ")");
        throw WavError("the file holds no audio");
    }
    const AVCodecParameters& parameters = *rawFormat->streams[stream]->codecpar;
    const int channels = parameters.ch_layout.nb_channels;
    if (channels < 1 || channels > kMaxWavChannels)
        throw WavError("unsupported channel count " + std::to_string(channels));
    if (parameters.sample_rate <= 0 || parameters.sample_rate > kMaxWavSampleRate)
        throw WavError("unsupported sample rate " + std::to_string(parameters.sample_rate));

    const std::unique_ptr<AVCodecContext, FreeCodec> decoder(avcodec_alloc_context3(codec));
    if (!decoder)
        throw std::bad_alloc();
    result = avcodec_parameters_to_context(decoder.get(), &parameters);
    decoder->thread_count = 1;
    if (result >= 0)
        result = avcodec_open2(decoder.get(), codec, nullptr);
    if (result < 0)
        throw WavError(std::string("the ") + codec->name +
                       " decoder does not accept this audio: " + errorText(result));

    const std::unique_ptr<AVPacket, FreePacket> packet(av_packet_alloc());
    const std::unique_ptr<AVFrame, FreeFrame> frame(av_frame_alloc());
    if (!packet || !frame)
        throw std::bad_alloc();
    MonoConverter converter;
    WavData out;
    int damaged = 0;
    constexpr int kMaxDamage = 1 << 20;
    while ((result = av_read_frame(rawFormat, packet.get())) >= 0) {
        if (packet->stream_index == stream) {
            if (avcodec_send_packet(decoder.get(), packet.get()) < 0)
                ++damaged;
            drain(*decoder, *frame, converter, out.samples, damaged);
        }
        av_packet_unref(packet.get());
    }
    if (result != AVERROR_EOF)
        ++damaged;
    avcodec_send_packet(decoder.get(), nullptr);
    // The decoder may refuse more frames while flushing; each refusal is counted, and the
    // count bounds the loop.
    while (drain(*decoder, *frame, converter, out.samples, damaged) && damaged < kMaxDamage) {
    }
    converter.flush(out.samples);
    if (out.samples.empty())
        throw WavError(std::string("the ") + codec->name + " audio decodes to no sound" +
                       (damaged ? " (" + std::to_string(damaged) + " damaged packets)" : ""));
    if (damaged)
        qCDebug(log::speech) << "a" << codec->name << "sound had" << damaged
                             << "damaged packets, skipped";
    out.sampleRate = converter.rate();
    out.durationMs = qint64(out.samples.size()) * 1000 / out.sampleRate;
    out.format = std::string(avcodec_get_name(parameters.codec_id)) + " " +
                 std::to_string(parameters.sample_rate) + " Hz " + std::to_string(channels) + " ch";
    return out;
}

std::vector<std::uint8_t> writeWav(const std::vector<qint16>& samples, int sampleRate) {
    const std::uint32_t dataBytes = std::uint32_t(samples.size() * 2);
    std::vector<std::uint8_t> out;
    out.reserve(44 + dataBytes);
    const auto put = [&](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            out.push_back(std::uint8_t(v >> (8 * i)));
    };
    const auto tag = [&](const char* t) {
        for (int i = 0; i < 4; ++i)
            out.push_back(std::uint8_t(t[i]));
    };
    tag("RIFF");
    put(36 + dataBytes, 4);
    tag("WAVE");
    tag("fmt ");
    put(16, 4);
    put(1, 2);  // PCM
    put(1, 2);  // mono
    put(std::uint32_t(sampleRate), 4);
    put(std::uint32_t(sampleRate) * 2, 4);
    put(2, 2);
    put(16, 2);
    tag("data");
    put(dataBytes, 4);
    for (qint16 s : samples)
        put(std::uint16_t(s), 2);
    return out;
}

std::vector<MouthEvent> loudnessMouth(const WavData& wav, int stepMs) {
    std::vector<MouthEvent> out;
    if (wav.sampleRate <= 0 || wav.samples.empty())
        return out;
    stepMs = std::max(stepMs, 1);
    const std::size_t step =
        std::max<std::size_t>(1, std::size_t(qint64(wav.sampleRate) * stepMs / 1000));
    std::vector<double> levels;
    for (std::size_t i = 0; i < wav.samples.size(); i += step) {
        const std::size_t end = std::min(wav.samples.size(), i + step);
        double sum = 0;
        for (std::size_t k = i; k < end; ++k)
            sum += double(wav.samples[k]) * wav.samples[k];
        levels.push_back(std::sqrt(sum / double(end - i)));
    }
    const double loudest = *std::max_element(levels.begin(), levels.end());
    // Below this the stretch counts as silence whatever the rest of the sound is like.
    constexpr double kSilence = 300.0;
    int last = -1;
    for (std::size_t k = 0; k < levels.size(); ++k) {
        int shape = MouthClosed;
        const double level = levels[k];
        if (level >= kSilence && level >= loudest * 0.08) {
            const double share = level / loudest;
            shape = share > 0.75   ? MouthWide4
                    : share > 0.5  ? MouthWide3
                    : share > 0.25 ? MouthWide2
                                   : MouthWide1;
        }
        if (shape != last)
            out.push_back({qint64(k * step) * 1000 / wav.sampleRate, shape});
        last = shape;
    }
    if (last != MouthClosed)
        out.push_back({wav.durationMs, MouthClosed});
    return out;
}

}  // namespace vistrel::speech
