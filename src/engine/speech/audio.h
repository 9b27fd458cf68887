#pragma once

// Sound output for speech and sound effects. The engine keeps its own time: nothing here is
// waited on, and without a sound device everything is accepted and dropped, so characters
// play on silently with the same timing.

#include "engine/speech/wav.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <map>
#include <memory>
#include <span>

namespace vistrel::speech {

class AudioOutput {
  public:
    virtual ~AudioOutput() = default;

    virtual bool hasDevice() const = 0;

    // A stream of mono 16-bit samples, written as they are made. Stream ids are the
    // caller's; ids of sounds started by play() have the top bit set and never clash.
    virtual void startStream(quint64 id, int sampleRate) = 0;
    virtual void writeStream(quint64 id, std::span<const qint16> samples) = 0;
    // No more samples: what was written plays to its end, then the stream closes.
    virtual void endStream(quint64 id) = 0;

    // Plays a whole sound; returns its id.
    virtual quint64 play(const WavData& sound) = 0;
    // Plays a RIFF WAVE file; returns 0, and plays nothing, if it cannot be read.
    quint64 playWav(std::span<const std::uint8_t> wav);
    quint64 playWav(const QByteArray& wav);

    // Silences a stream or sound at once. Unknown ids are ignored.
    virtual void stop(quint64 id) = 0;

  protected:
    static constexpr quint64 kPlayIdBit = quint64(1) << 63;
};

class NullAudioOutput : public AudioOutput {
  public:
    bool hasDevice() const override { return false; }
    void startStream(quint64, int) override {}
    void writeStream(quint64, std::span<const qint16>) override {}
    void endStream(quint64) override {}
    quint64 play(const WavData&) override { return kPlayIdBit | ++lastId_; }
    void stop(quint64) override {}

  private:
    quint64 lastId_ = 0;
};

// The system's default sound output, through Qt Multimedia. Lives on the GUI thread.
class QtAudioOutput : public QObject, public AudioOutput {
    Q_OBJECT
  public:
    explicit QtAudioOutput(QObject* parent = nullptr);
    ~QtAudioOutput() override;

    bool hasDevice() const override;
    void startStream(quint64 id, int sampleRate) override;
    void writeStream(quint64 id, std::span<const qint16> samples) override;
    void endStream(quint64 id) override;
    quint64 play(const WavData& sound) override;
    void stop(quint64 id) override;

  private:
    struct Stream;
    void feed();
    void close(quint64 id);

    std::map<quint64, std::unique_ptr<Stream>> streams_;
    QTimer* feeder_;
    quint64 lastPlayId_ = 0;
};

// QtAudioOutput when the system has a sound output device, NullAudioOutput otherwise.
std::unique_ptr<AudioOutput> createAudioOutput();

}  // namespace vistrel::speech
