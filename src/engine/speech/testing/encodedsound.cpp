#include "engine/speech/testing/encodedsound.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <stdexcept>

namespace vistrel::speech::testing {

namespace {

struct Output {
    std::vector<std::uint8_t> bytes;
    std::size_t position = 0;
};

int writeOut(void* opaque, std::uint8_t* data, int size) {
    auto& out = *static_cast<Output*>(opaque);
    if (out.position + std::size_t(size) > out.bytes.size())
        out.bytes.resize(out.position + std::size_t(size));
    std::memcpy(out.bytes.data() + out.position, data, std::size_t(size));
    out.position += std::size_t(size);
    return size;
}

std::int64_t seekOut(void* opaque, std::int64_t offset, int whence) {
    auto& out = *static_cast<Output*>(opaque);
    if (whence & AVSEEK_SIZE)
        return std::int64_t(out.bytes.size());
    const std::int64_t base = (whence & ~AVSEEK_FORCE) == SEEK_CUR ? std::int64_t(out.position)
                              : (whence & ~AVSEEK_FORCE) == SEEK_END
                                  ? std::int64_t(out.bytes.size())
                                  : 0;
    if (base + offset < 0)
        return -1;
    out.position = std::size_t(base + offset);
    return base + offset;
}

void check(int result, const std::string& what) {
    if (result < 0) {
        char text[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(result, text, sizeof text);
        throw std::runtime_error(what + ": " + text);
    }
}

}  // namespace

std::vector<qint16> toneSamples(int sampleRate, int ms, double hz, double amplitude) {
    std::vector<qint16> out(std::size_t(std::int64_t(sampleRate) * ms / 1000));
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = qint16(amplitude * std::sin(2 * std::numbers::pi * hz * double(i) / sampleRate));
    return out;
}

std::vector<std::uint8_t> encodeWav(std::span<const qint16> samples, int sampleRate, int channels,
                                    const std::string& encoder) {
    const AVCodec* codec = avcodec_find_encoder_by_name(encoder.c_str());
    if (!codec)
        throw std::runtime_error("FFmpeg has no encoder " + encoder);
    std::unique_ptr<AVCodecContext, void (*)(AVCodecContext*)> context(
        avcodec_alloc_context3(codec), [](AVCodecContext* c) { avcodec_free_context(&c); });
    context->sample_rate = sampleRate;
    av_channel_layout_default(&context->ch_layout, channels);
    context->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    context->bit_rate = encoder == "libmp3lame" ? 64000 : 0;
    check(avcodec_open2(context.get(), codec, nullptr), "opening " + encoder);

    Output out;
    constexpr int kBuffer = 4096;
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kBuffer));
    std::unique_ptr<AVIOContext, void (*)(AVIOContext*)> io(
        avio_alloc_context(buffer, kBuffer, 1, &out, nullptr, writeOut, seekOut),
        [](AVIOContext* c) {
            av_freep(&c->buffer);
            avio_context_free(&c);
        });
    AVFormatContext* rawMuxer = nullptr;
    check(avformat_alloc_output_context2(&rawMuxer, nullptr, "wav", nullptr), "making a muxer");
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> muxer(
        rawMuxer, [](AVFormatContext* c) { avformat_free_context(c); });
    muxer->pb = io.get();
    muxer->flags |= AVFMT_FLAG_CUSTOM_IO;
    AVStream* stream = avformat_new_stream(muxer.get(), nullptr);
    check(avcodec_parameters_from_context(stream->codecpar, context.get()), "stream parameters");
    stream->time_base = AVRational{1, sampleRate};
    check(avformat_write_header(muxer.get(), nullptr), "writing the header");

    std::unique_ptr<AVFrame, void (*)(AVFrame*)> frame(av_frame_alloc(),
                                                       [](AVFrame* f) { av_frame_free(&f); });
    std::unique_ptr<AVPacket, void (*)(AVPacket*)> packet(av_packet_alloc(),
                                                          [](AVPacket* p) { av_packet_free(&p); });
    const auto drain = [&] {
        for (;;) {
            const int result = avcodec_receive_packet(context.get(), packet.get());
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
                return;
            check(result, "encoding");
            av_packet_rescale_ts(packet.get(), context->time_base, stream->time_base);
            packet->stream_index = 0;
            check(av_interleaved_write_frame(muxer.get(), packet.get()), "writing");
        }
    };
    const int perFrame = context->frame_size > 0 ? context->frame_size : 1024;
    std::int64_t pts = 0;
    for (std::size_t at = 0; at < samples.size(); at += std::size_t(perFrame)) {
        const int n = int(std::min<std::size_t>(std::size_t(perFrame), samples.size() - at));
        av_frame_unref(frame.get());
        // Fixed-size encoders take only whole frames: the last one is padded with silence.
        const int length =
            (codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) || context->frame_size == 0
                ? n
                : perFrame;
        frame->nb_samples = length;
        frame->format = context->sample_fmt;
        frame->sample_rate = sampleRate;
        check(av_channel_layout_copy(&frame->ch_layout, &context->ch_layout), "layout");
        check(av_frame_get_buffer(frame.get(), 0), "frame buffer");
        for (int ch = 0; ch < channels; ++ch) {
            const bool planar = av_sample_fmt_is_planar(context->sample_fmt);
            for (int i = 0; i < length; ++i) {
                const qint16 s = i < n ? samples[at + std::size_t(i)] : 0;
                const int index = planar ? i : i * channels + ch;
                std::uint8_t* plane = frame->extended_data[planar ? ch : 0];
                switch (context->sample_fmt) {
                    case AV_SAMPLE_FMT_S32:
                    case AV_SAMPLE_FMT_S32P:
                        reinterpret_cast<std::int32_t*>(plane)[index] = std::int32_t(s) << 16;
                        break;
                    case AV_SAMPLE_FMT_FLT:
                    case AV_SAMPLE_FMT_FLTP:
                        reinterpret_cast<float*>(plane)[index] = float(s) / 32768.0f;
                        break;
                    case AV_SAMPLE_FMT_U8:
                    case AV_SAMPLE_FMT_U8P:
                        plane[index] = std::uint8_t((s >> 8) + 128);
                        break;
                    default:
                        reinterpret_cast<std::int16_t*>(plane)[index] = s;
                        break;
                }
            }
        }
        frame->pts = pts;
        pts += length;
        check(avcodec_send_frame(context.get(), frame.get()), "encoding");
        drain();
    }
    check(avcodec_send_frame(context.get(), nullptr), "flushing");
    drain();
    check(av_write_trailer(muxer.get()), "writing the trailer");
    avio_flush(io.get());
    return out.bytes;
}

}  // namespace vistrel::speech::testing
