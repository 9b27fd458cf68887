// Scripts rendered with the project's own characters and read back as a player would.

#include "engine/clock.h"
#include "engine/service.h"
#include "media.h"
#include "render/renderer.h"
#include "script/player.h"
#include "stage/offscreen/offscreenstage.h"
#include "support/snapshot.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace vistrel::render::testing {
namespace {

const QString kChars = QStringLiteral(VISTREL_BUILT_CHARS_DIR);
constexpr int kFps = 10;
const QSize kSize{480, 360};
const QColor kDesk{0x20, 0x40, 0x60};

// Shows Merlin at one place, moves him to another and hides him: no voice.
const char* const kMoveScript =
    "Load.Merlin\n"
    "Merlin.MoveTo.40/40\n"
    "Merlin.Show\n"
    "Merlin.MoveTo.300/200\n"
    "Merlin.Play.Wave\n"
    "Merlin.Hide\n";
const char* const kSpeechScript =
    "Load.Merlin\n"
    "Merlin.MoveTo.150/150\n"
    "Merlin.Show\n"
    "Merlin.Speak.Hello there.\n"
    "Merlin.Hide\n";

class RenderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!QFile::exists(kChars + QStringLiteral("/Merlin.acs")))
            GTEST_SKIP() << "the built characters are missing";
    }

    QString script(const char* text) {
        const QString path = dir.filePath(QStringLiteral("script%1.vtl").arg(++scripts));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }

    RenderOptions options(const QString& scriptPath, const QString& output) {
        RenderOptions o;
        o.script = scriptPath;
        o.output = dir.filePath(output);
        o.size = kSize;
        o.fps = kFps;
        o.background = kDesk;
        o.charactersFolder = kChars;
        o.programFolder = dir.path();
        return o;
    }

    QTemporaryDir dir;
    int scripts = 0;
};

// The same script played the plain way: the engine on a manual clock without voice, drawn by
// the offscreen stage at each frame's time.
std::vector<QImage> referenceFrames(const QString& scriptPath, std::int64_t frames,
                                    std::vector<scene::CharacterView>* views) {
    class Host final : public script::PlayerHost {
        void setStatusText(const QString&) override {}
        void minimizeWindow() override {}
        void showStopMessage(const QString&, const QString&) override {}
        void focusEditor() override {}
        QString programFolder() const override { return QDir::tempPath(); }
    } host;
    engine::ManualClock clock;
    engine::Service service(clock, nullptr, nullptr);
    script::PlayerState state;
    state.charactersFolder = kChars;
    script::ScriptPlayer player(state, service, host);
    player.playScript(scriptPath);
    std::vector<QImage> images;
    for (std::int64_t k = 0; k < frames; ++k) {
        clock.advance(k * 1000 / kFps - clock.now());
        images.push_back(offscreen::renderScenes({&service.scene()}, kSize, kDesk)
                             .convertToFormat(QImage::Format_ARGB32));
        views->push_back(service.scene().view(QStringLiteral("Merlin")));
    }
    return images;
}

QImage pngFrame(const QDir& dir, std::int64_t k) {
    return QImage(dir.filePath(QStringLiteral("f%1.png").arg(k, 5, 10, QLatin1Char('0'))))
        .convertToFormat(QImage::Format_ARGB32);
}

// Mean absolute difference per colour channel.
double difference(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return 255;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

TEST_F(RenderTest, FramesAreTheStagesImagesAndTheVideoEndsASecondAfterTheScript) {
    const QString path = script(kMoveScript);
    const RenderResult png = renderScript(options(path, QStringLiteral("f%05d.png")));
    ASSERT_GT(png.endMs, 0);
    EXPECT_EQ(png.frames, ((png.endMs + kTailMs) * kFps + 999) / 1000);
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("f.wav"))));
    EXPECT_FALSE(QFile::exists(
        dir.filePath(QStringLiteral("f%1.png").arg(png.frames, 5, 10, QLatin1Char('0')))));

    std::vector<scene::CharacterView> views;
    const std::vector<QImage> reference = referenceFrames(path, png.frames, &views);
    std::vector<std::int64_t> there;  // frames showing him where the move ended
    for (std::int64_t k = 0; k < png.frames; ++k) {
        ASSERT_EQ(pngFrame(dir.path(), k), reference[std::size_t(k)]) << "frame " << k;
        if (views[std::size_t(k)].visible && views[std::size_t(k)].position == QPoint(300, 200))
            there.push_back(k);
    }
    ASSERT_FALSE(there.empty());
    const std::int64_t shown = there[there.size() / 2];
    const QImage moved = pngFrame(dir.path(), shown);
    saveSnapshot(moved, QStringLiteral("render-moved"));
    const QRect body(QPoint(300, 200), views[std::size_t(shown)].frame.size());
    int drawn = 0;
    for (int y = body.top(); y <= body.bottom(); ++y)
        for (int x = body.left(); x <= body.right(); ++x)
            drawn += moved.pixelColor(x, y) != kDesk;
    EXPECT_GT(drawn, body.width() * body.height() / 10);
    EXPECT_EQ(moved.pixelColor(45, 45), kDesk);

    // The same frames in H.264, close to the lossless ones.
    const RenderResult mp4 = renderScript(options(path, QStringLiteral("move.mp4")));
    EXPECT_EQ(mp4.frames, png.frames);
    const Media media = readMedia(dir.filePath(QStringLiteral("move.mp4")));
    ASSERT_TRUE(media.error.isEmpty()) << media.error.toStdString();
    EXPECT_EQ(media.videoCodec, QStringLiteral("h264"));
    EXPECT_EQ(media.audioCodec, QStringLiteral("aac"));
    EXPECT_EQ(QSize(media.width, media.height), kSize);
    EXPECT_DOUBLE_EQ(media.fps, kFps);
    ASSERT_EQ(std::int64_t(media.frames.size()), png.frames);
    EXPECT_NEAR(media.durationSeconds, double(png.endMs + kTailMs) / 1000.0, 1.0 / kFps);
    EXPECT_LT(difference(media.frames[std::size_t(shown)], moved), 3.0);
    EXPECT_GT(difference(media.frames[std::size_t(shown)], media.frames[0]), 0.2);
}

// Each run of the tool starts espeak-ng afresh: two of them give the same files.
TEST_F(RenderTest, TheToolGivesTheSameFramesAndSoundTwice) {
    const QString path = script(kSpeechScript);
    QByteArray first;
    for (const QString& sub : {QStringLiteral("a"), QStringLiteral("b")}) {
        ASSERT_TRUE(QDir(dir.path()).mkdir(sub));
        QProcess tool;
        tool.start(QStringLiteral(VISTREL_RENDER_TOOL),
                   {path, QStringLiteral("-o"), dir.filePath(sub + QStringLiteral("/f%05d.png")),
                    QStringLiteral("--size"), QStringLiteral("320x240"), QStringLiteral("--fps"),
                    QStringLiteral("10"), QStringLiteral("--chars"), kChars});
        ASSERT_TRUE(tool.waitForFinished(120000));
        ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
        EXPECT_TRUE(tool.readAllStandardError().contains("of video"));
        QCryptographicHash hash(QCryptographicHash::Sha256);
        const QDir out(dir.filePath(sub));
        const QStringList files = out.entryList(QDir::Files, QDir::Name);
        EXPECT_GT(files.size(), 20);
        EXPECT_TRUE(files.contains(QStringLiteral("f.wav")));
        for (const QString& file : files) {
            QFile f(out.filePath(file));
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            hash.addData(f.readAll());
        }
        if (first.isEmpty())
            first = hash.result();
        else
            EXPECT_EQ(hash.result().toHex().toStdString(), first.toHex().toStdString());
    }
    // The tool reports a script error with the player's message and writes nothing.
    QProcess tool;
    tool.start(QStringLiteral(VISTREL_RENDER_TOOL),
               {script("Load.Merlin\nMerlin.MoveTo.abc\n"), QStringLiteral("-o"),
                dir.filePath(QStringLiteral("bad.mp4")), QStringLiteral("--chars"), kChars});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 1);
    EXPECT_TRUE(tool.readAllStandardError().contains("...Line - 2"));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("bad.mp4"))));
}

// espeak-ng never makes a sentence quite the same twice in one process: a second render in it
// is given the first one's speech, and matches it in every frame and every byte of sound. The
// second render plays the editor's text instead of the file, as the program's export does.
TEST_F(RenderTest, ASecondRenderInTheSameProcessIsTheSameAsTheFirst) {
    const QString path = script(kSpeechScript);
    std::vector<QStringList> names;
    std::vector<std::vector<QByteArray>> contents;
    for (const QString& sub : {QStringLiteral("one"), QStringLiteral("two")}) {
        ASSERT_TRUE(QDir(dir.path()).mkdir(sub));
        RenderOptions o = options(path, sub + QStringLiteral("/f%05d.png"));
        if (sub == QLatin1String("two"))
            o.scriptText = QString::fromLatin1(kSpeechScript);
        renderScript(o);
        const QDir out(dir.filePath(sub));
        names.push_back(out.entryList(QDir::Files, QDir::Name));
        contents.emplace_back();
        for (const QString& file : names.back()) {
            QFile f(out.filePath(file));
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            contents.back().push_back(f.readAll());
        }
    }
    ASSERT_TRUE(names[0].contains(QStringLiteral("f.wav")));
    ASSERT_GT(names[0].size(), 20);
    ASSERT_EQ(names[0], names[1]);
    for (qsizetype i = 0; i < names[0].size(); ++i)
        EXPECT_TRUE(contents[0][std::size_t(i)] == contents[1][std::size_t(i)])
            << names[0][i].toStdString() << " differs";
}

TEST_F(RenderTest, WebmKeepsTransparencyAndGifDecodes) {
    const QString path = script(kMoveScript);
    RenderOptions webm = options(path, QStringLiteral("clear.webm"));
    webm.background = Qt::transparent;
    const RenderResult clear = renderScript(webm);
    Media media = readMedia(webm.output);
    ASSERT_TRUE(media.error.isEmpty()) << media.error.toStdString();
    EXPECT_EQ(media.videoCodec, QStringLiteral("vp9"));
    EXPECT_EQ(media.audioCodec, QStringLiteral("opus"));
    ASSERT_TRUE(media.alpha);
    ASSERT_GT(media.frames.size(), 10u);
    const QImage& late = media.frames[media.frames.size() / 2];
    saveSnapshot(late, QStringLiteral("render-webm-alpha"));
    EXPECT_LT(qAlpha(late.pixel(5, 5)), 16);
    int opaque = 0;
    for (int y = 0; y < late.height(); ++y)
        for (int x = 0; x < late.width(); ++x)
            opaque += qAlpha(late.pixel(x, y)) > 240;
    EXPECT_GT(opaque, 500);

    const RenderResult gif = renderScript(options(path, QStringLiteral("move.gif")));
    EXPECT_EQ(gif.frames, clear.frames);
    media = readMedia(dir.filePath(QStringLiteral("move.gif")));
    ASSERT_TRUE(media.error.isEmpty()) << media.error.toStdString();
    EXPECT_EQ(media.videoCodec, QStringLiteral("gif"));
    EXPECT_TRUE(media.audioCodec.isEmpty());
    EXPECT_EQ(QSize(media.width, media.height), kSize);
    ASSERT_FALSE(media.frames.empty());
    saveSnapshot(media.frames[media.frames.size() / 2], QStringLiteral("render-gif"));
    // A made palette holds the desktop's colour exactly.
    EXPECT_EQ(media.frames.front().pixelColor(5, 5), kDesk);
}

TEST_F(RenderTest, FailuresLeaveNoFileBehind) {
    const QString bad = script("Load.Merlin\nMerlin.Show\nMerlin.MoveTo.abc\nMerlin.Hide\n");
    try {
        renderScript(options(bad, QStringLiteral("bad.mp4")));
        ADD_FAILURE() << "a script error rendered";
    } catch (const RenderError& e) {
        EXPECT_TRUE(e.inScript());
        EXPECT_TRUE(e.message().contains(QStringLiteral("...Line - 3"))) << e.what();
    }
    RenderOptions clear = options(script(kMoveScript), QStringLiteral("clear.mp4"));
    clear.background = Qt::transparent;
    EXPECT_THROW(renderScript(clear), RenderError);
    EXPECT_THROW(renderScript(options(bad, QStringLiteral("bad.avi"))), OutputError);
    EXPECT_THROW(renderScript(options(bad, QStringLiteral("frames.png"))), OutputError);
    // Cancelled half-way, by the progress callback or by the flag.
    EXPECT_THROW(renderScript(options(script(kMoveScript), QStringLiteral("cut.webm")),
                              [](const RenderProgress& p) { return p.frames < 5; }),
                 RenderError);
    std::atomic<bool> cancel{false};
    RenderOptions flagged = options(script(kSpeechScript), QStringLiteral("cut.gif"));
    flagged.cancel = &cancel;
    EXPECT_THROW(renderScript(flagged,
                              [&](const RenderProgress& p) {
                                  cancel = p.frames >= 5;
                                  return true;
                              }),
                 RenderError);
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    for (const QString& file : left)
        EXPECT_TRUE(file.endsWith(QLatin1String(".vtl"))) << file.toStdString();
}

}  // namespace
}  // namespace vistrel::render::testing
