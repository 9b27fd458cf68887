#include "media.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <cstring>
#include <memory>

namespace vistrel::render::testing {

namespace {

struct Decoder {
    AVCodecContext* context = nullptr;
    ~Decoder() { avcodec_free_context(&context); }
    bool open(const AVStream* stream) {
        const AVCodec* codec = nullptr;
        if (stream->codecpar->codec_id == AV_CODEC_ID_VP9)
            codec = avcodec_find_decoder_by_name("libvpx-vp9");
        if (!codec)
            codec = avcodec_find_decoder(stream->codecpar->codec_id);
        context = avcodec_alloc_context3(codec);
        return codec && context && avcodec_parameters_to_context(context, stream->codecpar) >= 0 &&
               avcodec_open2(context, codec, nullptr) >= 0;
    }
};

void takePicture(const AVFrame* frame, Media& media) {
    const auto format = AVPixelFormat(frame->format);
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    media.alpha =
        media.alpha || (desc && (desc->flags & AV_PIX_FMT_FLAG_ALPHA) && format != AV_PIX_FMT_PAL8);
    SwsContext* sws =
        sws_getContext(frame->width, frame->height, format, frame->width, frame->height,
                       AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
    if (frame->colorspace == AVCOL_SPC_BT709)
        sws_setColorspaceDetails(sws, sws_getCoefficients(SWS_CS_ITU709), 0,
                                 sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    QImage image(frame->width, frame->height, QImage::Format_ARGB32);
    std::uint8_t* planes[1] = {image.bits()};
    const int strides[1] = {int(image.bytesPerLine())};
    sws_scale(sws, frame->data, frame->linesize, 0, frame->height, planes, strides);
    sws_freeContext(sws);
    if (!media.alpha)
        image = image.convertToFormat(QImage::Format_RGB32).convertToFormat(QImage::Format_ARGB32);
    media.frames.push_back(image);
}

void takeSound(const AVFrame* frame, Media& media) {
    media.sampleRate = frame->sample_rate;
    for (int i = 0; i < frame->nb_samples; ++i) {
        float s = 0;
        switch (frame->format) {
            case AV_SAMPLE_FMT_FLT:
            case AV_SAMPLE_FMT_FLTP:
                s = reinterpret_cast<const float*>(frame->data[0])
                    [i * (frame->format == AV_SAMPLE_FMT_FLT ? frame->ch_layout.nb_channels : 1)];
                break;
            case AV_SAMPLE_FMT_S16:
            case AV_SAMPLE_FMT_S16P:
                s = reinterpret_cast<const std::int16_t*>(
                        frame->data[0])[i * (frame->format == AV_SAMPLE_FMT_S16
                                                 ? frame->ch_layout.nb_channels
                                                 : 1)] /
                    32768.0f;
                break;
            default:
                break;
        }
        media.audio.push_back(s);
    }
}

}  // namespace

Media readMedia(const QString& path, int keepEvery) {
    Media media;
    AVFormatContext* format = nullptr;
    const QByteArray name = path.toUtf8();
    if (avformat_open_input(&format, name.constData(), nullptr, nullptr) < 0) {
        media.error = QStringLiteral("cannot open");
        return media;
    }
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> closer(
        format, [](AVFormatContext* f) { avformat_close_input(&f); });
    if (avformat_find_stream_info(format, nullptr) < 0) {
        media.error = QStringLiteral("no stream info");
        return media;
    }
    media.durationSeconds = double(format->duration) / AV_TIME_BASE;
    std::vector<std::unique_ptr<Decoder>> decoders(format->nb_streams);
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        const char* codec = avcodec_get_name(stream->codecpar->codec_id);
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            media.videoCodec = QString::fromLatin1(codec);
            media.width = stream->codecpar->width;
            media.height = stream->codecpar->height;
            media.fps = av_q2d(stream->avg_frame_rate);
        } else if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            media.audioCodec = QString::fromLatin1(codec);
        } else {
            continue;
        }
        decoders[i] = std::make_unique<Decoder>();
        if (!decoders[i]->open(stream)) {
            media.error = QStringLiteral("no decoder for ") + QString::fromLatin1(codec);
            return media;
        }
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto drain = [&](unsigned index) {
        AVCodecContext* context = decoders[index]->context;
        while (avcodec_receive_frame(context, frame) >= 0) {
            if (context->codec_type == AVMEDIA_TYPE_VIDEO) {
                if (media.frameCount++ % keepEvery == 0)
                    takePicture(frame, media);
            } else {
                takeSound(frame, media);
            }
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        const auto index = unsigned(packet->stream_index);
        if (index < decoders.size() && decoders[index] &&
            avcodec_send_packet(decoders[index]->context, packet) >= 0)
            drain(index);
        av_packet_unref(packet);
    }
    for (unsigned i = 0; i < decoders.size(); ++i)
        if (decoders[i]) {
            avcodec_send_packet(decoders[i]->context, nullptr);
            drain(i);
        }
    av_frame_free(&frame);
    av_packet_free(&packet);
    return media;
}

}  // namespace vistrel::render::testing
