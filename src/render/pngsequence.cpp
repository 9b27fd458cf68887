#include "render/pngsequence.h"

#include "engine/speech/wav.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cmath>
#include <filesystem>

namespace vistrel::render {

const QRegularExpression& framePattern() {
    static const QRegularExpression pattern(QStringLiteral("%0?(\\d)?d"));
    return pattern;
}

PngSequenceOutput::PngSequenceOutput(const OutputSettings& settings)
    : settings_(settings),
      folder_(QFileInfo(settings.path).absolutePath() + QLatin1String("/.render-XXXXXX")),
      sound_(soundPathFor(settings.path)) {
    if (!folder_.isValid())
        throw OutputError(QStringLiteral("cannot write in \"%1\": %2")
                              .arg(QFileInfo(settings.path).absolutePath(), folder_.errorString()));
    pattern_ = QFileInfo(settings.path).fileName();
}

void PngSequenceOutput::addFrame(const QImage& frame) {
    last_.clear();
    QBuffer buffer(&last_);
    buffer.open(QIODevice::WriteOnly);
    if (!frame.save(&buffer, "PNG"))
        throw OutputError(QStringLiteral("cannot encode the frame %1").arg(nameOf(count_)));
    repeatFrame();
}

void PngSequenceOutput::repeatFrame() {
    if (last_.isEmpty())
        return;
    const QString name = nameOf(count_++);
    QFile file(folder_.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(last_) != last_.size() || !file.flush())
        throw OutputError(QStringLiteral("cannot write the frame %1").arg(name));
}

void PngSequenceOutput::addAudio(std::span<const float> samples) {
    for (float s : samples)
        pcm_.push_back(qint16(std::lround(s * 32767.0f)));
}

void PngSequenceOutput::commit() {
    const std::vector<std::uint8_t> wav = speech::writeWav(pcm_, settings_.sampleRate);
    QSaveFile sound(sound_);
    if (!sound.open(QIODevice::WriteOnly) ||
        sound.write(reinterpret_cast<const char*>(wav.data()), qint64(wav.size())) !=
            qint64(wav.size()) ||
        !sound.commit())
        throw OutputError(QStringLiteral("cannot write \"%1\"").arg(sound_));
    const QDir target = QFileInfo(settings_.path).absoluteDir();
    for (std::int64_t i = 0; i < count_; ++i) {
        const QString name = nameOf(i);
        std::error_code error;
        std::filesystem::rename(folder_.filePath(name).toStdString(),
                                target.filePath(name).toStdString(), error);
        if (error)
            throw OutputError(QStringLiteral("cannot move the frame %1 into place: %2")
                                  .arg(name, QString::fromStdString(error.message())));
    }
}

QString PngSequenceOutput::nameOf(std::int64_t index) const {
    const QRegularExpressionMatch match = framePattern().match(pattern_);
    const int width = match.captured(1).isEmpty() ? 0 : match.captured(1).toInt();
    QString name = pattern_;
    return name.replace(match.capturedStart(), match.capturedLength(),
                        QStringLiteral("%1").arg(index, width, 10, QLatin1Char('0')));
}

}  // namespace vistrel::render
