#pragma once

// Converting mono 16-bit speech to whatever a sound device takes: another rate (linear
// interpolation, continuous across calls), more channels, other sample formats.

#include <QAudioFormat>
#include <QByteArray>

#include <span>

namespace vistrel::speech {

class PcmConverter {
  public:
    PcmConverter(int inputRate, const QAudioFormat& output);

    // Converts the next piece of the stream.
    QByteArray convert(std::span<const qint16> samples);

  private:
    void put(QByteArray& out, double value) const;

    double step_;          // input samples per output sample
    double position_ = 0;  // of the next output sample, relative to the first new input
    double previous_ = 0;  // last input sample of the previous call
    bool started_ = false;
    QAudioFormat format_;
};

}  // namespace vistrel::speech
