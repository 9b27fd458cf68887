#include "engine/speech/audio.h"

#include "engine/speech/pcmconvert.h"
#include "log/log.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QMediaDevices>
#include <QTimer>

namespace vistrel::speech {

quint64 AudioOutput::playWav(std::span<const std::uint8_t> wav) {
    try {
        const WavData sound = parseWav(wav);
        const quint64 id = play(sound);
        qCDebug(log::speech).noquote()
            << "sound" << Qt::hex << id << Qt::dec
            << "started:" << QString::fromStdString(sound.format) << sound.durationMs << "ms";
        return id;
    } catch (const WavError& error) {
        log::ignored(log::speech(), QStringLiteral("a sound"), error);
        return 0;
    }
}

quint64 AudioOutput::playWav(const QByteArray& wav) {
    return playWav(
        std::span(reinterpret_cast<const std::uint8_t*>(wav.constData()), std::size_t(wav.size())));
}

struct QtAudioOutput::Stream {
    std::unique_ptr<QAudioSink> sink;
    QIODevice* io = nullptr;
    PcmConverter converter;
    QByteArray pending;  // converted, not yet taken by the device
    bool ended = false;
};

namespace {
// How often buffered audio is handed to the device; well inside its own buffer.
constexpr int kFeedIntervalMs = 20;
}  // namespace

QtAudioOutput::QtAudioOutput(QObject* parent) : QObject(parent), feeder_(new QTimer(this)) {
    feeder_->setInterval(kFeedIntervalMs);
    connect(feeder_, &QTimer::timeout, this, &QtAudioOutput::feed);
}

QtAudioOutput::~QtAudioOutput() {
    for (auto& [id, s] : streams_)
        s->sink->stop();
}

bool QtAudioOutput::hasDevice() const {
    return !QMediaDevices::defaultAudioOutput().isNull();
}

void QtAudioOutput::startStream(quint64 id, int sampleRate) {
    close(id);
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull() || sampleRate <= 0) {
        log::ignored(log::speech(), QStringLiteral("sound %1").arg(id),
                     device.isNull() ? QStringLiteral("there is no sound output device")
                                     : QStringLiteral("it has no sample rate"));
        return;
    }
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        format = device.preferredFormat();
    auto stream = std::unique_ptr<Stream>(new Stream{std::make_unique<QAudioSink>(device, format),
                                                     nullptr,
                                                     PcmConverter(sampleRate, format),
                                                     {},
                                                     false});
    stream->io = stream->sink->start();
    if (!stream->io) {
        log::ignored(log::speech(), QStringLiteral("sound %1").arg(id),
                     QStringLiteral("the sound output device did not start (error %1)")
                         .arg(int(stream->sink->error())));
        return;
    }
    qCDebug(log::speech) << "sound" << id << "started at" << sampleRate << "Hz on"
                         << device.description();
    streams_[id] = std::move(stream);
    if (!feeder_->isActive())
        feeder_->start();
}

void QtAudioOutput::writeStream(quint64 id, std::span<const qint16> samples) {
    const auto it = streams_.find(id);
    if (it == streams_.end() || it->second->ended)
        return;
    it->second->pending += it->second->converter.convert(samples);
    feed();
}

void QtAudioOutput::endStream(quint64 id) {
    const auto it = streams_.find(id);
    if (it != streams_.end())
        it->second->ended = true;
}

quint64 QtAudioOutput::play(const WavData& sound) {
    const quint64 id = kPlayIdBit | ++lastPlayId_;
    startStream(id, sound.sampleRate);
    writeStream(id, sound.samples);
    endStream(id);
    return id;
}

void QtAudioOutput::stop(quint64 id) {
    close(id);
}

void QtAudioOutput::close(quint64 id) {
    const auto it = streams_.find(id);
    if (it == streams_.end())
        return;
    it->second->sink->stop();
    streams_.erase(it);
}

void QtAudioOutput::feed() {
    std::vector<quint64> finished;
    for (auto& [id, s] : streams_) {
        QAudioSink& sink = *s->sink;
        if (sink.error() != QAudio::NoError && sink.error() != QAudio::UnderrunError) {
            log::ignored(
                log::speech(), QStringLiteral("sound %1").arg(id),
                QStringLiteral("the sound output failed (error %1)").arg(int(sink.error())));
            finished.push_back(id);
            continue;
        }
        const qsizetype room = std::min<qsizetype>(sink.bytesFree(), s->pending.size());
        if (room > 0) {
            const qint64 written = s->io->write(s->pending.constData(), room);
            if (written > 0)
                s->pending.remove(0, written);
        }
        const bool drained =
            sink.state() == QAudio::IdleState || sink.bytesFree() >= sink.bufferSize();
        if (s->ended && s->pending.isEmpty() && drained)
            finished.push_back(id);
    }
    for (quint64 id : finished)
        close(id);
    if (streams_.empty())
        feeder_->stop();
}

std::unique_ptr<AudioOutput> createAudioOutput() {
    if (QMediaDevices::defaultAudioOutput().isNull())
        return std::make_unique<NullAudioOutput>();
    return std::make_unique<QtAudioOutput>();
}

}  // namespace vistrel::speech
