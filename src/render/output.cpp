#include "render/output.h"

#include "render/pngsequence.h"

#include "log/log.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <sys/stat.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

namespace vistrel::render {

namespace {

QString avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

void check(int code, const char* what) {
    if (code < 0)
        throw OutputError(QStringLiteral("%1: %2").arg(QLatin1String(what), avError(code)));
}

struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
struct CodecFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFree>;
struct FormatFree {
    void operator()(AVFormatContext* f) const {
        avio_closep(&f->pb);
        avformat_free_context(f);
    }
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatFree>;
struct GraphFree {
    void operator()(AVFilterGraph* g) const { avfilter_graph_free(&g); }
};
using GraphPtr = std::unique_ptr<AVFilterGraph, GraphFree>;

FramePtr newFrame() {
    FramePtr frame(av_frame_alloc());
    if (!frame)
        throw OutputError(QStringLiteral("out of memory for a frame"));
    return frame;
}

// A picture frame of `format` holding a copy of `image` (32 bits a pixel, bytes B G R A).
FramePtr frameOf(const QImage& image, AVPixelFormat format) {
    FramePtr frame = newFrame();
    frame->format = format;
    frame->width = image.width();
    frame->height = image.height();
    check(av_frame_get_buffer(frame.get(), 0), "allocating a frame");
    const int bytes = image.width() * 4;
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(frame->data[0] + std::ptrdiff_t(y) * frame->linesize[0], image.constScanLine(y),
                    std::size_t(bytes));
    return frame;
}

// A file written under a temporary name in the folder of its final path.
class TemporaryPath {
  public:
    explicit TemporaryPath(const QString& target) : target_(target) {
        const QFileInfo info(target);
        if (!QFileInfo(info.absolutePath()).isDir())
            throw OutputError(
                QStringLiteral("the folder \"%1\" does not exist").arg(info.absolutePath()));
        QTemporaryFile file(info.absolutePath() + QLatin1String("/.") + info.fileName() +
                            QLatin1String(".XXXXXX.part"));
        file.setAutoRemove(false);
        if (!file.open())
            throw OutputError(QStringLiteral("cannot write in \"%1\": %2")
                                  .arg(info.absolutePath(), file.errorString()));
        path_ = file.fileName();
        // Temporary files are private; the finished one is an ordinary file.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(QFile::encodeName(path_).constData(), 0666 & ~mask);
    }
    ~TemporaryPath() {
        if (!committed_)
            QFile::remove(path_);
    }
    const QString& path() const { return path_; }
    void commit() {
        std::error_code error;
        std::filesystem::rename(path_.toStdString(), target_.toStdString(), error);
        if (error)
            throw OutputError(QStringLiteral("cannot move the finished file to \"%1\": %2")
                                  .arg(target_, QString::fromStdString(error.message())));
        committed_ = true;
    }

  private:
    QString target_;
    QString path_;
    bool committed_ = false;
};

}  // namespace

Format formatOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("mp4"))
        return Format::Mp4;
    if (suffix == QLatin1String("webm"))
        return Format::WebM;
    if (suffix == QLatin1String("gif"))
        return Format::Gif;
    if (suffix == QLatin1String("png")) {
        if (QFileInfo(path).fileName().count(framePattern()) != 1)
            throw OutputError(
                QStringLiteral("a .png output is a frame sequence: its name needs "
                               "one frame number such as %05d"));
        return Format::PngSequence;
    }
    throw OutputError(
        QStringLiteral("unknown output format \"%1\": use .mp4, .webm, .gif or .png").arg(suffix));
}

bool hasAudio(Format format) {
    return format != Format::Gif;
}

bool keepsAlpha(Format format) {
    return format == Format::WebM || format == Format::PngSequence;
}

QString soundPathFor(const QString& pngPattern) {
    const QFileInfo info(pngPattern);
    QString name = info.completeBaseName().remove(framePattern());
    while (name.endsWith(QLatin1Char('_')) || name.endsWith(QLatin1Char('-')) ||
           name.endsWith(QLatin1Char('.')))
        name.chop(1);
    if (name.isEmpty())
        name = QStringLiteral("sound");
    return info.dir().filePath(name + QLatin1String(".wav"));
}

// The GIF's filters: palettegen over every frame for the first pass, paletteuse with that
// palette for the second.
struct PaletteMaker::Graph {
    GraphPtr graph{avfilter_graph_alloc()};
    AVFilterContext* source = nullptr;
    AVFilterContext* palette = nullptr;  // second pass: the palette's own source
    AVFilterContext* sink = nullptr;
    std::int64_t next = 0;

    AVFilterContext* add(const char* filter, const char* name, const QString& args) {
        AVFilterContext* context = nullptr;
        const QByteArray a = args.toLatin1();
        check(avfilter_graph_create_filter(&context, avfilter_get_by_name(filter), name,
                                           args.isEmpty() ? nullptr : a.constData(), nullptr,
                                           graph.get()),
              filter);
        return context;
    }
    static QString bufferArgs(QSize size, int format, int fps) {
        return QStringLiteral("video_size=%1x%2:pix_fmt=%3:time_base=1/%4:pixel_aspect=1/1")
            .arg(size.width())
            .arg(size.height())
            .arg(format)
            .arg(fps);
    }
    void push(const QImage& image) {
        FramePtr frame = frameOf(image, AV_PIX_FMT_BGRA);
        frame->pts = next++;
        // Pushed through at once: queued, every frame of the video would wait in memory
        // for the palette at the end.
        check(av_buffersrc_add_frame_flags(source, frame.get(), AV_BUFFERSRC_FLAG_PUSH),
              "filtering a frame");
    }
};

PaletteMaker::PaletteMaker(QSize size, int fps) : graph_(std::make_unique<Graph>()) {
    if (!graph_->graph)
        throw OutputError(QStringLiteral("out of memory for a filter graph"));
    graph_->source = graph_->add("buffer", "in", Graph::bufferArgs(size, AV_PIX_FMT_BGRA, fps));
    AVFilterContext* gen = graph_->add("palettegen", "palettegen", {});
    graph_->sink = graph_->add("buffersink", "out", {});
    check(avfilter_link(graph_->source, 0, gen, 0), "linking palettegen");
    check(avfilter_link(gen, 0, graph_->sink, 0), "linking palettegen");
    check(avfilter_graph_config(graph_->graph.get(), nullptr), "setting up palettegen");
}

PaletteMaker::~PaletteMaker() = default;

void PaletteMaker::add(const QImage& frame) {
    graph_->push(frame);
}

AVFrame* PaletteMaker::finish() {
    check(av_buffersrc_add_frame(graph_->source, nullptr), "ending palettegen");
    FramePtr palette = newFrame();
    check(av_buffersink_get_frame(graph_->sink, palette.get()), "making the palette");
    return palette.release();
}

namespace {

// MP4, WebM and GIF through libavformat.
class MediaOutput final : public Output {
  public:
    MediaOutput(const OutputSettings& settings, FramePtr palette)
        : settings_(settings), file_(settings.path) {
        const char* muxer = settings.format == Format::Mp4    ? "mp4"
                            : settings.format == Format::WebM ? "webm"
                                                              : "gif";
        const QByteArray path = file_.path().toUtf8();
        AVFormatContext* format = nullptr;
        check(avformat_alloc_output_context2(&format, nullptr, muxer, path.constData()),
              "choosing the container");
        format_.reset(format);
        openVideo();
        if (settings.format == Format::Gif) {
            if (!palette)
                throw OutputError(QStringLiteral("a GIF needs its palette"));
            openGifFilters(palette.get());
        }
        if (hasAudio(settings.format))
            openAudio();
        check(avio_open(&format_->pb, path.constData(), AVIO_FLAG_WRITE), "opening the file");
        AVDictionary* options = nullptr;
        if (settings.format == Format::Mp4)
            av_dict_set(&options, "movflags", "+faststart", 0);
        const int header = avformat_write_header(format_.get(), &options);
        av_dict_free(&options);
        check(header, "writing the header");
    }

    ~MediaOutput() override { sws_freeContext(sws_); }

    void addFrame(const QImage& image) override {
        if (settings_.format == Format::Gif) {
            last_ = frameOf(image, AV_PIX_FMT_BGRA);
            gifFrame(av_frame_clone(last_.get()));
            return;
        }
        if (!last_) {
            last_ = newFrame();
            last_->format = video_->pix_fmt;
            last_->width = video_->width;
            last_->height = video_->height;
            check(av_frame_get_buffer(last_.get(), 0), "allocating a frame");
        }
        check(av_frame_make_writable(last_.get()), "allocating a frame");
        if (!sws_) {
            // Made once: every frame has the same size and layout.
            sws_ = sws_getContext(image.width(), image.height(), AV_PIX_FMT_BGRA, video_->width,
                                  video_->height, video_->pix_fmt, SWS_BICUBIC, nullptr, nullptr,
                                  nullptr);
            if (!sws_)
                throw OutputError(QStringLiteral("no colour conversion for the frames"));
            const int* matrix = sws_getCoefficients(SWS_CS_ITU709);
            sws_setColorspaceDetails(sws_, sws_getCoefficients(SWS_CS_DEFAULT), 1, matrix, 0, 0,
                                     1 << 16, 1 << 16);
        }
        const std::uint8_t* planes[1] = {image.constBits()};
        const int strides[1] = {int(image.bytesPerLine())};
        sws_scale(sws_, planes, strides, 0, image.height(), last_->data, last_->linesize);
        repeatFrame();
    }

    void repeatFrame() override {
        if (!last_)
            return;
        if (settings_.format == Format::Gif) {
            gifFrame(av_frame_clone(last_.get()));
            return;
        }
        FramePtr frame(av_frame_clone(last_.get()));
        frame->pts = frames_++;
        encode(video_.get(), videoStream_, frame.get());
    }

    void addAudio(std::span<const float> samples) override {
        if (!audio_)
            return;
        pending_.insert(pending_.end(), samples.begin(), samples.end());
        std::size_t at = 0;
        const auto size = std::size_t(audio_->frame_size);
        while (pending_.size() - at >= size) {
            audioFrame(pending_.data() + at, int(size));
            at += size;
        }
        pending_.erase(pending_.begin(), pending_.begin() + std::ptrdiff_t(at));
    }

    void commit() override {
        if (settings_.format == Format::Gif) {
            check(av_buffersrc_add_frame(gif_.source, nullptr), "ending the GIF filters");
            drainGif();
        }
        encode(video_.get(), videoStream_, nullptr);
        if (audio_) {
            if (!pending_.empty()) {
                if (!(audio_->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME))
                    pending_.resize(std::size_t(audio_->frame_size), 0.0f);
                audioFrame(pending_.data(), int(pending_.size()));
                pending_.clear();
            }
            encode(audio_.get(), audioStream_, nullptr);
        }
        check(av_write_trailer(format_.get()), "finishing the file");
        check(avio_closep(&format_->pb), "closing the file");
        file_.commit();
    }

  private:
    void openVideo() {
        const AVCodec* codec = nullptr;
        AVPixelFormat pixels = AV_PIX_FMT_YUV420P;
        if (settings_.format == Format::Mp4) {
            codec = avcodec_find_encoder_by_name("libx264");
            if (!codec)
                codec = avcodec_find_encoder(AV_CODEC_ID_H264);
        } else if (settings_.format == Format::WebM) {
            codec = avcodec_find_encoder_by_name("libvpx-vp9");
            if (settings_.alpha)
                pixels = AV_PIX_FMT_YUVA420P;
        } else {
            codec = avcodec_find_encoder(AV_CODEC_ID_GIF);
            pixels = AV_PIX_FMT_PAL8;
        }
        if (!codec)
            throw OutputError(QStringLiteral("this FFmpeg has no encoder for the video"));
        video_.reset(avcodec_alloc_context3(codec));
        video_->width = settings_.size.width();
        video_->height = settings_.size.height();
        video_->pix_fmt = pixels;
        video_->time_base = AVRational{1, settings_.fps};
        video_->framerate = AVRational{settings_.fps, 1};
        video_->sample_aspect_ratio = AVRational{1, 1};
        if (settings_.format != Format::Gif) {
            video_->colorspace = AVCOL_SPC_BT709;
            video_->color_primaries = AVCOL_PRI_BT709;
            video_->color_trc = AVCOL_TRC_BT709;
            video_->color_range = AVCOL_RANGE_MPEG;
            video_->gop_size = settings_.fps * 5;
        }
        if (format_->oformat->flags & AVFMT_GLOBALHEADER)
            video_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        AVDictionary* options = nullptr;
        if (settings_.format == Format::Mp4) {
            // The pictures are flat drawings on a still desktop: the fastest preset keeps them
            // close to the drawn frames (a mean error of about 1 in 255 at this rate factor) for
            // a quarter more bytes than the next one, at about half its processor time.
            av_dict_set(&options, "preset", "ultrafast", 0);
            av_dict_set(&options, "crf", "20", 0);
            // One thread per core and a half, so that encoding overlaps drawing.
            av_dict_set(&options, "threads", "auto", 0);
        } else if (settings_.format == Format::WebM) {
            av_dict_set(&options, "deadline", "realtime", 0);
            av_dict_set(&options, "cpu-used", "8", 0);
            av_dict_set(&options, "row-mt", "1", 0);
            av_dict_set(&options, "crf", "32", 0);
            av_dict_set(&options, "b", "0", 0);
        }
        const int opened = avcodec_open2(video_.get(), codec, &options);
        av_dict_free(&options);
        check(opened, "opening the video encoder");
        videoStream_ = avformat_new_stream(format_.get(), nullptr);
        if (!videoStream_)
            throw OutputError(QStringLiteral("out of memory for a stream"));
        videoStream_->time_base = video_->time_base;
        videoStream_->avg_frame_rate = video_->framerate;
        check(avcodec_parameters_from_context(videoStream_->codecpar, video_.get()),
              "describing the video");
    }

    void openAudio() {
        const AVCodec* codec = settings_.format == Format::Mp4
                                   ? avcodec_find_encoder(AV_CODEC_ID_AAC)
                                   : avcodec_find_encoder_by_name("libopus");
        if (!codec)
            throw OutputError(QStringLiteral("this FFmpeg has no encoder for the sound"));
        audio_.reset(avcodec_alloc_context3(codec));
        audio_->sample_rate = settings_.sampleRate;
        audio_->ch_layout = AV_CHANNEL_LAYOUT_MONO;
        audio_->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
        for (const AVSampleFormat* f = codec->sample_fmts; f && *f != AV_SAMPLE_FMT_NONE; ++f)
            if (*f == AV_SAMPLE_FMT_FLT || *f == AV_SAMPLE_FMT_FLTP)
                audio_->sample_fmt = *f;
        audio_->bit_rate = 96000;
        audio_->time_base = AVRational{1, settings_.sampleRate};
        if (format_->oformat->flags & AVFMT_GLOBALHEADER)
            audio_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        AVDictionary* options = nullptr;
        // The native AAC encoder's default search costs far more than the sound is worth.
        if (settings_.format == Format::Mp4)
            av_dict_set(&options, "aac_coder", "fast", 0);
        const int opened = avcodec_open2(audio_.get(), codec, &options);
        av_dict_free(&options);
        check(opened, "opening the sound encoder");
        if (audio_->frame_size <= 0)
            audio_->frame_size = 1024;
        audioStream_ = avformat_new_stream(format_.get(), nullptr);
        if (!audioStream_)
            throw OutputError(QStringLiteral("out of memory for a stream"));
        audioStream_->time_base = audio_->time_base;
        check(avcodec_parameters_from_context(audioStream_->codecpar, audio_.get()),
              "describing the sound");
    }

    void openGifFilters(AVFrame* palette) {
        if (!gif_.graph)
            throw OutputError(QStringLiteral("out of memory for a filter graph"));
        gif_.source = gif_.add(
            "buffer", "in",
            PaletteMaker::Graph::bufferArgs(settings_.size, AV_PIX_FMT_BGRA, settings_.fps));
        gif_.palette =
            gif_.add("buffer", "palette",
                     PaletteMaker::Graph::bufferArgs(QSize(palette->width, palette->height),
                                                     palette->format, settings_.fps));
        // Only the part of a frame that changed is matched to the palette again.
        AVFilterContext* use = gif_.add("paletteuse", "paletteuse",
                                        QStringLiteral("dither=sierra2_4a:diff_mode=rectangle"));
        gif_.sink = gif_.add("buffersink", "out", {});
        check(avfilter_link(gif_.source, 0, use, 0), "linking paletteuse");
        check(avfilter_link(gif_.palette, 0, use, 1), "linking paletteuse");
        check(avfilter_link(use, 0, gif_.sink, 0), "linking paletteuse");
        check(avfilter_graph_config(gif_.graph.get(), nullptr), "setting up paletteuse");
        palette->pts = 0;
        check(av_buffersrc_add_frame(gif_.palette, palette), "giving the palette");
        check(av_buffersrc_add_frame(gif_.palette, nullptr), "giving the palette");
    }

    void gifFrame(AVFrame* raw) {
        FramePtr frame(raw);
        frame->pts = frames_++;
        check(av_buffersrc_add_frame_flags(gif_.source, frame.get(), AV_BUFFERSRC_FLAG_PUSH),
              "filtering a frame");
        drainGif();
    }

    void drainGif() {
        for (;;) {
            FramePtr out = newFrame();
            const int got = av_buffersink_get_frame(gif_.sink, out.get());
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
                break;
            check(got, "matching a frame to the palette");
            encode(video_.get(), videoStream_, out.get());
        }
    }

    void audioFrame(const float* samples, int count) {
        FramePtr frame = newFrame();
        frame->format = audio_->sample_fmt;
        frame->nb_samples = count;
        frame->sample_rate = audio_->sample_rate;
        check(av_channel_layout_copy(&frame->ch_layout, &audio_->ch_layout), "sound layout");
        check(av_frame_get_buffer(frame.get(), 0), "allocating a sound frame");
        if (audio_->sample_fmt == AV_SAMPLE_FMT_S16 || audio_->sample_fmt == AV_SAMPLE_FMT_S16P) {
            auto* out = reinterpret_cast<std::int16_t*>(frame->data[0]);
            for (int i = 0; i < count; ++i)
                out[i] = std::int16_t(std::lround(samples[i] * 32767.0f));
        } else {
            std::memcpy(frame->data[0], samples, std::size_t(count) * sizeof(float));
        }
        frame->pts = samplesSent_;
        samplesSent_ += count;
        encode(audio_.get(), audioStream_, frame.get());
    }

    void encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame) {
        check(avcodec_send_frame(codec, frame), "encoding");
        PacketPtr packet(av_packet_alloc());
        for (;;) {
            const int got = avcodec_receive_packet(codec, packet.get());
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
                return;
            check(got, "encoding");
            av_packet_rescale_ts(packet.get(), codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            check(av_interleaved_write_frame(format_.get(), packet.get()), "writing the file");
        }
    }

    OutputSettings settings_;
    TemporaryPath file_;
    FormatPtr format_;
    CodecPtr video_;
    CodecPtr audio_;
    AVStream* videoStream_ = nullptr;
    AVStream* audioStream_ = nullptr;
    SwsContext* sws_ = nullptr;
    FramePtr last_;
    std::int64_t frames_ = 0;
    std::vector<float> pending_;
    std::int64_t samplesSent_ = 0;
    PaletteMaker::Graph gif_;
};

}  // namespace

std::unique_ptr<Output> Output::open(const OutputSettings& settings, AVFrame* gifPalette) {
    FramePtr palette(gifPalette);
    if (settings.format == Format::PngSequence)
        return std::make_unique<PngSequenceOutput>(settings);
    return std::make_unique<MediaOutput>(settings, std::move(palette));
}

}  // namespace vistrel::render
