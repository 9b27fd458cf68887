#pragma once

// Where a render's frames and sound go: a video file (H.264 + AAC in MP4, VP9 + Opus in WebM,
// an animated GIF with a palette made for it) or a PNG frame sequence with a WAV file beside
// it. Everything is written under temporary names and moved into place by commit(); an
// output destroyed before that removes what it wrote.

#include <QImage>
#include <QSize>
#include <QString>

#include <memory>
#include <span>
#include <stdexcept>

extern "C" {
struct AVFrame;
}

namespace vistrel::render {

class OutputError : public std::runtime_error {
  public:
    explicit OutputError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

  private:
    QString message_;
};

enum class Format { Mp4, WebM, Gif, PngSequence };

// The format named by the file name's extension; throws OutputError for any other, and for
// a .png name without a frame number pattern such as %05d.
Format formatOf(const QString& path);
bool hasAudio(Format format);
// Whether the format can keep a transparent background.
bool keepsAlpha(Format format);
// The WAV file written beside a PNG sequence: the pattern without its number, as .wav.
QString soundPathFor(const QString& pngPattern);

struct OutputSettings {
    QString path;
    Format format = Format::Mp4;
    QSize size{1280, 720};
    int fps = 30;
    bool alpha = false;  // frames keep their transparency (WebM, PNG)
    int sampleRate = 48000;
};

// A palette made by FFmpeg's palettegen from every frame of a render: the first pass of a GIF.
class PaletteMaker {
  public:
    PaletteMaker(QSize size, int fps);
    ~PaletteMaker();
    void add(const QImage& frame);
    // The 256-colour palette as a 16x16 frame; the maker is spent afterwards.
    AVFrame* finish();

    struct Graph;

  private:
    std::unique_ptr<Graph> graph_;
};

class Output {
  public:
    virtual ~Output() = default;
    // One frame, `settings.size`, in Format_RGB32 or (with alpha) Format_ARGB32.
    virtual void addFrame(const QImage& frame) = 0;
    // The same frame as the last one again.
    virtual void repeatFrame() = 0;
    // The sound track continued: mono samples at `settings.sampleRate`, in [-1, 1].
    virtual void addAudio(std::span<const float> samples) = 0;
    // Ends the streams and moves the files into place.
    virtual void commit() = 0;

    // Opens the output for `settings`. A GIF needs the palette made by a first pass (it is taken
    // over); the other formats ignore it.
    static std::unique_ptr<Output> open(const OutputSettings& settings,
                                        AVFrame* gifPalette = nullptr);
};

}  // namespace vistrel::render
