#include "render/renderer.h"

#include "engine/clock.h"
#include "engine/service.h"
#include "engine/speech/espeaksynthesizer.h"
#include "log/log.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "render/lockstep.h"
#include "render/mixer.h"
#include "render/speechreplay.h"
#include "script/player.h"
#include "stage/offscreen/offscreenstage.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QPainter>

#include <cmath>

extern "C" {
#include <libavutil/log.h>
}

namespace vistrel::render {

namespace {

constexpr int kSampleRate = 48000;

// The window's side of a play: only the failure message matters here.
class RenderHost final : public script::PlayerHost {
  public:
    explicit RenderHost(QString programFolder) : programFolder_(std::move(programFolder)) {}
    void setStatusText(const QString&) override {}
    void minimizeWindow() override {}
    void showStopMessage(const QString&, const QString& text) override { message_ = text; }
    void focusEditor() override {}
    QString programFolder() const override { return programFolder_; }
    const QString& message() const { return message_; }

  private:
    QString programFolder_;
    QString message_;
};

// One play of the script into a fresh engine, stepped by the renderer.
class Playback {
  public:
    explicit Playback(const RenderOptions& options)
        : lockstep_(espeak_, &SpeechReplay::shared()),
          mixer_(clock_, kSampleRate),
          service_(clock_, &lockstep_, &mixer_, serviceOptions(options)),
          host_(options.programFolder),
          player_(state_, service_, host_),
          speechTimeoutMs_(options.speechTimeoutMs),
          cancel_(options.cancel) {
        state_.charactersFolder = options.charactersFolder;
        QObject::connect(&service_.scene(), &scene::Scene::changed,
                         [this](const QString&, unsigned) { changed_ = true; });
        QObject::connect(&service_, &agent::Agent::RequestComplete,
                         [this](const agent::Request&) { requestEnded_ = true; });
    }

    void start(const RenderOptions& options) {
        if (options.scriptText.isNull())
            player_.playScript(QFileInfo(options.script).absoluteFilePath());
        else
            player_.playText(options.scriptText);
        if (player_.failed())
            throw RenderError(host_.message(), true);
        look();
    }

    // Moves the engine's clock to `ms`, firing every timer on the way; the synthesizer is
    // waited for before each step, so what happens never depends on how fast it is.
    void advanceTo(std::int64_t ms) {
        for (;;) {
            settle();
            const std::int64_t due = clock_.nextDue();
            if (due < 0 || due > ms)
                break;
            clock_.fireNext();
            look();
        }
        clock_.advance(ms - clock_.now());
        look();
    }

    // Engine time at which the script ended, or -1.
    std::int64_t endMs() const { return endMs_; }
    bool takeChanged() { return std::exchange(changed_, false); }
    const scene::Scene& scene() { return service_.scene(); }
    AudioMixer& mixer() { return mixer_; }
    double speechMs() const { return double(speechNs_) / 1e6; }

  private:
    static engine::ServiceOptions serviceOptions(const RenderOptions& options) {
        engine::ServiceOptions result;
        result.defaultCharacterFolder = platform::charactersDataFolder(options.programFolder);
        result.seed = options.seed;
        return result;
    }

    void settle() {
        if (!lockstep_.busy())
            return;
        QElapsedTimer waited;
        waited.start();
        lockstep_.settle(speechTimeoutMs_, cancel_);
        speechNs_ += waited.nsecsElapsed();
        if (cancel_ && cancel_->load())
            throw RenderError(QStringLiteral("cancelled"), false);
    }

    // Notes the first moment the script is over.
    void look() {
        const bool requestEnded = std::exchange(requestEnded_, false);
        if (endMs_ >= 0)
            return;
        for (const QString& id : service_.scene().characterIds())
            if (service_.scene().view(id).visible)
                return;
        const bool unloadAll = state_.closeWhenAllHidden && requestEnded;
        if (unloadAll || (clock_.nextDue() < 0 && !lockstep_.busy()))
            endMs_ = clock_.now();
    }

    engine::ManualClock clock_;
    speech::EspeakSynthesizer espeak_;
    LockstepSynthesizer lockstep_;
    AudioMixer mixer_;
    engine::Service service_;
    script::PlayerState state_;
    RenderHost host_;
    script::ScriptPlayer player_;
    int speechTimeoutMs_;
    const std::atomic<bool>* cancel_;
    std::int64_t endMs_ = -1;
    std::int64_t speechNs_ = 0;
    bool changed_ = true;
    bool requestEnded_ = false;
};

// Where a pass sends its frames and sound.
class Sink {
  public:
    virtual ~Sink() = default;
    virtual void frame(const QImage& image) = 0;
    virtual void repeat() = 0;
    virtual void audio(std::span<const float> samples) = 0;
};

class OutputSink final : public Sink {
  public:
    explicit OutputSink(Output& output) : output_(output) {}
    void frame(const QImage& image) override { output_.addFrame(image); }
    void repeat() override { output_.repeatFrame(); }
    void audio(std::span<const float> samples) override { output_.addAudio(samples); }

  private:
    Output& output_;
};

class PaletteSink final : public Sink {
  public:
    explicit PaletteSink(PaletteMaker& maker) : maker_(maker) {}
    void frame(const QImage& image) override {
        last_ = image;
        maker_.add(image);
    }
    void repeat() override { maker_.add(last_); }
    void audio(std::span<const float>) override {}

  private:
    PaletteMaker& maker_;
    QImage last_;
};

QImage backdrop(const RenderOptions& options, bool alpha) {
    QImage image(options.size, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    image.fill(alpha ? QColor(Qt::transparent) : QColor(Qt::black));
    QPainter painter(&image);
    if (!options.backgroundImage.isNull()) {
        const QImage scaled = options.backgroundImage.scaled(
            options.size, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
        painter.drawImage(QPoint((options.size.width() - scaled.width()) / 2,
                                 (options.size.height() - scaled.height()) / 2),
                          scaled);
    } else if (!alpha) {
        painter.fillRect(image.rect(), options.background);
    }
    return image;
}

std::int64_t frameTimeMs(std::int64_t frame, int fps) {
    return frame * 1000 / fps;
}

// Frames needed to show `ms`, rounded up.
std::int64_t framesFor(std::int64_t ms, int fps) {
    return (ms * fps + 999) / 1000;
}

void runPass(const RenderOptions& options, bool alpha, Sink& sink, RenderProgress progress,
             const std::function<bool(const RenderProgress&)>& report, RenderResult& result) {
    QElapsedTimer clock;
    std::int64_t drawNs = 0;
    std::int64_t sinkNs = 0;
    Playback play(options);
    play.start(options);
    const QImage desk = backdrop(options, alpha);
    const std::vector<const scene::Scene*> scenes{&play.scene()};
    const std::int64_t maxFrames =
        std::max<std::int64_t>(1, framesFor(options.maxDurationMs, options.fps));
    std::int64_t frames = maxFrames;
    for (std::int64_t k = 0;; ++k) {
        clock.start();
        play.advanceTo(frameTimeMs(k, options.fps));
        if (play.endMs() >= 0)
            frames = std::min(maxFrames, framesFor(play.endMs() + kTailMs, options.fps));
        // The sound up to this frame's start: nothing started later reaches back before it.
        std::vector<float> sound = play.mixer().mixUntil(k * kSampleRate / options.fps);
        const bool draw = k < frames && play.takeChanged();
        QImage image;
        if (draw) {
            image = desk;
            QPainter painter(&image);
            offscreen::paintScenes(painter, scenes, QRect(QPoint(0, 0), options.size));
            painter.end();
            if (alpha)
                image.convertTo(QImage::Format_ARGB32);
        }
        drawNs += clock.nsecsElapsed();
        clock.start();
        sink.audio(sound);
        if (k >= frames) {
            sinkNs += clock.nsecsElapsed();
            break;
        }
        if (draw)
            sink.frame(image);
        else
            sink.repeat();
        sinkNs += clock.nsecsElapsed();
        progress.frames = k + 1;
        progress.videoMs = frameTimeMs(k + 1, options.fps);
        // Known once the script has ended, and in a second pass.
        if (play.endMs() >= 0)
            progress.totalMs = frameTimeMs(frames, options.fps);
        if ((report && !report(progress)) || (options.cancel && options.cancel->load()))
            throw RenderError(QStringLiteral("cancelled"), false);
    }
    // A script cut short by the longest duration has no end of its own.
    const bool ended =
        play.endMs() >= 0 && framesFor(play.endMs() + kTailMs, options.fps) <= maxFrames;
    result.endMs = ended ? play.endMs() : -1;
    result.frames = frames;
    result.durationMs = frameTimeMs(frames, options.fps);
    result.speechMs += play.speechMs();
    result.drawMs += double(drawNs) / 1e6 - play.speechMs();
    result.encodeMs += double(sinkNs) / 1e6;
}

void checkOptions(const RenderOptions& options, Format format, bool alpha) {
    const QSize s = options.size;
    if (s.width() < 16 || s.height() < 16 || s.width() > kMaxSide || s.height() > kMaxSide)
        throw RenderError(QStringLiteral("the size must be between 16x16 and %1x%1").arg(kMaxSide),
                          false);
    if ((s.width() % 2 || s.height() % 2) && format != Format::PngSequence && format != Format::Gif)
        throw RenderError(QStringLiteral("the size must be even for video"), false);
    if (options.fps < 1 || options.fps > kMaxFps)
        throw RenderError(QStringLiteral("the frame rate must be between 1 and %1").arg(kMaxFps),
                          false);
    if (options.maxDurationMs <= 0)
        throw RenderError(QStringLiteral("the longest duration must be more than 0"), false);
    if (alpha && !keepsAlpha(format))
        throw RenderError(QStringLiteral("a transparent background needs .webm or .png output"),
                          false);
    if (options.scriptText.isNull() && !QFileInfo(options.script).isFile())
        throw RenderError(QStringLiteral("cannot read the script \"%1\"").arg(options.script),
                          false);
}

}  // namespace

QString defaultCharactersFolder(const platform::SettingsStore& settings,
                                const QString& programFolder) {
    const QString installed = platform::charactersDataFolder(programFolder);
    const QString folder = settings.value(QStringLiteral("Vtl"), QStringLiteral("Dir"),
                                          QStringLiteral("Dir"), installed);
    return folder.isEmpty() ? installed : folder;
}

RenderResult renderScript(const RenderOptions& options,
                          const std::function<bool(const RenderProgress&)>& progress) {
    QElapsedTimer total;
    total.start();
    // FFmpeg's libraries report every stream they open; only their errors matter here.
    if (av_log_get_level() > AV_LOG_ERROR)
        av_log_set_level(AV_LOG_ERROR);
    const Format format = formatOf(options.output);
    const bool alpha = options.backgroundImage.isNull() && options.background.alpha() < 255;
    checkOptions(options, format, alpha);

    OutputSettings settings;
    settings.path = options.output;
    settings.format = format;
    settings.size = options.size;
    settings.fps = options.fps;
    settings.alpha = alpha;
    settings.sampleRate = kSampleRate;

    RenderResult result;
    RenderProgress state;
    AVFrame* palette = nullptr;
    if (format == Format::Gif) {
        // The palette is made from every frame, so a GIF is rendered twice: the same script
        // plays the same way both times.
        state.passes = 2;
        PaletteMaker maker(options.size, options.fps);
        PaletteSink sink(maker);
        runPass(options, false, sink, state, progress, result);
        palette = maker.finish();
        state.pass = 2;
        state.totalMs = result.durationMs;
    }
    std::unique_ptr<Output> output = Output::open(settings, palette);
    OutputSink sink(*output);
    RenderResult written;
    runPass(options, alpha, sink, state, progress, written);
    written.drawMs += result.drawMs;
    written.encodeMs += result.encodeMs;
    written.speechMs += result.speechMs;
    output->commit();
    written.totalMs = double(total.nsecsElapsed()) / 1e6;
    qCDebug(log::render).nospace()
        << "rendered " << written.frames << " frames in " << written.totalMs << " ms: engine and "
        << "drawing " << written.drawMs << " ms, encoding " << written.encodeMs
        << " ms, waiting for speech " << written.speechMs << " ms";
    return written;
}

}  // namespace vistrel::render
