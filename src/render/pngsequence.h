#pragma once

// The render written as numbered PNG frames with the sound beside them as a 16-bit WAV file.
// No FFmpeg here: Qt encodes the frames.

#include "render/output.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <vector>

namespace vistrel::render {

// Where the frame number goes in a PNG path: "%d", or "%05d" for five digits.
const QRegularExpression& framePattern();

// Frames, numbered from 0, are written into a hidden folder beside the target and moved into
// place only by commit(), after the sound; a render that fails leaves nothing behind.
class PngSequenceOutput final : public Output {
  public:
    explicit PngSequenceOutput(const OutputSettings& settings);

    void addFrame(const QImage& frame) override;
    // A frame that did not change is the same file again, not encoded again.
    void repeatFrame() override;
    void addAudio(std::span<const float> samples) override;
    void commit() override;

  private:
    QString nameOf(std::int64_t index) const;

    OutputSettings settings_;
    QTemporaryDir folder_;
    QString sound_;
    QString pattern_;
    QByteArray last_;  // the last frame, encoded
    std::int64_t count_ = 0;
    std::vector<qint16> pcm_;
};

}  // namespace vistrel::render
