// vtscripter-render: plays a script into the character engine on a clock that runs as fast as
// the machine allows and writes what the desktop would show, with its sound, to a video file.

#include "platform/paths.h"
#include "platform/qtplatform.h"
#include "render/renderer.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTextStream>

#include <unistd.h>
#include <atomic>
#include <csignal>
#include <cstdio>

namespace {

using namespace vistrel;

// Interrupted, the render stops at the next frame and removes what it wrote.
std::atomic<bool> interrupted{false};
extern "C" void interrupt(int) {
    interrupted = true;
}

QString clockText(std::int64_t ms) {
    const std::int64_t s = ms / 1000;
    return QStringLiteral("%1:%2.%3")
        .arg(s / 60)
        .arg(s % 60, 2, 10, QLatin1Char('0'))
        .arg((ms % 1000) / 100);
}

// A one-line bar redrawn in place: video time, percentage once the length is known, frames a
// second and the time left. A GIF's two passes count as one job.
class ProgressBar {
  public:
    explicit ProgressBar(QTextStream& err) : err_(err) { wall_.start(); }

    bool operator()(const render::RenderProgress& p) {
        ++frames_;
        if (wall_.elapsed() - shown_ < 100)
            return true;
        shown_ = wall_.elapsed();
        const double seconds = std::max(1e-3, double(shown_) / 1000.0);
        QString line = QStringLiteral("\r");
        if (p.passes > 1)
            line += QStringLiteral("pass %1/%2  ").arg(p.pass).arg(p.passes);
        line += clockText(p.videoMs);
        if (p.totalMs > 0) {
            const double pass = std::clamp(double(p.videoMs) / double(p.totalMs), 0.0, 1.0);
            const double done = std::max(0.001, (p.pass - 1 + pass) / p.passes);
            constexpr int kWidth = 30;
            const int filled = int(pass * kWidth);
            line += QStringLiteral(" / %1 [%2%3] %4%  %5 left")
                        .arg(clockText(p.totalMs))
                        .arg(QString(filled, QLatin1Char('#')))
                        .arg(QString(kWidth - filled, QLatin1Char('.')))
                        .arg(int(pass * 100), 3)
                        .arg(clockText(std::int64_t(seconds * (1.0 - done) / done * 1000.0)));
        }
        line += QStringLiteral("  %1 fps  ").arg(double(frames_) / seconds, 0, 'f', 1);
        err_ << line;
        err_.flush();
        return true;
    }

    void end() {
        err_ << '\n';
        err_.flush();
    }

  private:
    QTextStream& err_;
    QElapsedTimer wall_;
    qint64 shown_ = -1000;
    std::int64_t frames_ = 0;
};

bool parseSize(const QString& text, QSize& size) {
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,5})[xX](\\d{1,5})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    size = QSize(match.captured(1).toInt(), match.captured(2).toInt());
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    // Frames are drawn into images: no window, no display needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vtscripter-render"));
    QTextStream err(stderr);

    const QString programFolder = platform::programFolder();
    const QString defaultChars =
        render::defaultCharactersFolder(platform::QtSettingsStore(), programFolder);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays a Vistrel script, faster than real time, and writes what the desktop shows with\n"
        "its sound to a video file. The output's extension picks the format: .mp4 (H.264 and\n"
        "AAC), .webm (VP9 and Opus), .gif, or .png with a frame number such as %05d for a\n"
        "numbered frame sequence with a .wav file beside it. The video ends one second after\n"
        "the script's last request has ended with every character hidden. A script error\n"
        "prints the player's message and gives exit status 1; bad options give 2."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("SCRIPT"), QStringLiteral("The .vtl script."));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The file to write."), QStringLiteral("OUT"));
    const QCommandLineOption size(QStringLiteral("size"),
                                  QStringLiteral("Frame size; the script's screen coordinates map "
                                                 "1:1 onto it (default 1280x720)."),
                                  QStringLiteral("WxH"), QStringLiteral("1280x720"));
    const QCommandLineOption fps(QStringLiteral("fps"),
                                 QStringLiteral("Frames per second (default 30)."),
                                 QStringLiteral("N"), QStringLiteral("30"));
    const QCommandLineOption background(
        QStringLiteral("background"),
        QStringLiteral("A colour (#336699, teal), an image file, or transparent (WebM and PNG "
                       "only). Default #3a6ea5."),
        QStringLiteral("COLOR|IMAGE|transparent"));
    const QCommandLineOption chars(
        QStringLiteral("chars"),
        QStringLiteral("The characters folder (default: the program's setting, now %1).")
            .arg(QDir::toNativeSeparators(defaultChars)),
        QStringLiteral("DIR"));
    const QCommandLineOption maxDuration(
        QStringLiteral("max-duration"),
        QStringLiteral("End the video after this many seconds at most (default 600)."),
        QStringLiteral("SECONDS"), QStringLiteral("600"));
    const QCommandLineOption quiet(QStringLiteral("quiet"),
                                   QStringLiteral("Print nothing but errors."));
    parser.addOptions({output, size, fps, background, chars, maxDuration, quiet});
    parser.process(app);

    auto usage = [&](const QString& message) {
        err << "vtscripter-render: " << message << " (see --help)" << Qt::endl;
        return 2;
    };
    const QStringList args = parser.positionalArguments();
    if (args.size() != 1)
        return usage(QStringLiteral("expected one script file"));
    if (!parser.isSet(output))
        return usage(QStringLiteral("expected -o OUT"));

    render::RenderOptions options;
    options.script = args.front();
    options.output = parser.value(output);
    options.programFolder = programFolder;
    options.charactersFolder = QDir::toNativeSeparators(
        parser.isSet(chars) ? QDir(parser.value(chars)).absolutePath() : defaultChars);
    if (!parseSize(parser.value(size), options.size))
        return usage(QStringLiteral("--size wants WIDTHxHEIGHT, such as 1280x720"));
    bool ok = false;
    options.fps = parser.value(fps).toInt(&ok);
    if (!ok)
        return usage(QStringLiteral("--fps wants a whole number"));
    const double seconds = parser.value(maxDuration).toDouble(&ok);
    if (!ok || !(seconds > 0) || seconds > 24 * 3600)
        return usage(QStringLiteral("--max-duration wants seconds between 0 and 86400"));
    options.maxDurationMs = std::int64_t(seconds * 1000.0);
    if (parser.isSet(background)) {
        const QString value = parser.value(background);
        if (value.compare(QLatin1String("transparent"), Qt::CaseInsensitive) == 0) {
            options.background = Qt::transparent;
        } else if (QColor::isValidColorName(value)) {
            options.background = QColor::fromString(value);
            options.background.setAlpha(255);
        } else if (QFileInfo(value).isFile()) {
            if (!options.backgroundImage.load(value))
                return usage(QStringLiteral("cannot read the image \"%1\"").arg(value));
        } else {
            return usage(QStringLiteral("--background: \"%1\" is neither a colour nor an image "
                                        "file")
                             .arg(value));
        }
    }

    const bool terminal = isatty(STDERR_FILENO) != 0;
    const bool talk = !parser.isSet(quiet);
    ProgressBar bar(err);
    std::signal(SIGINT, interrupt);
    std::signal(SIGTERM, interrupt);
    std::function<bool(const render::RenderProgress&)> report =
        [&](const render::RenderProgress& progress) {
            if (talk && terminal)
                bar(progress);
            return !interrupted.load();
        };
    try {
        const render::RenderResult result = render::renderScript(options, report);
        if (talk && terminal)
            bar.end();
        if (talk) {
            const double speed = double(result.durationMs) / std::max(1.0, result.totalMs);
            err << options.output
                << QStringLiteral(": %1 of video, %2 frames, in %3 s (%4x real time)")
                       .arg(clockText(result.durationMs))
                       .arg(result.frames)
                       .arg(result.totalMs / 1000.0, 0, 'f', 1)
                       .arg(speed, 0, 'f', 1);
            if (result.endMs < 0)
                err << QStringLiteral(" - cut short at the longest duration");
            err << Qt::endl;
        }
        return 0;
    } catch (const render::RenderError& e) {
        if (talk && terminal)
            bar.end();
        err << (e.inScript() ? e.message() : QStringLiteral("vtscripter-render: ") + e.message())
            << Qt::endl;
        return e.inScript() ? 1 : 2;
    } catch (const render::OutputError& e) {
        if (talk && terminal)
            bar.end();
        err << "vtscripter-render: " << e.message() << Qt::endl;
        return 3;
    }
}
