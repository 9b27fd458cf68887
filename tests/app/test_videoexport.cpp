// File > Export Video in the real window: the save dialog scripted, the render real, with the
// project's own characters, and what it wrote read back through FFmpeg's libraries.

#include "render/media.h"
#include "support/snapshot.h"
#include "support/windowfixture.h"

#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace vistrel::test {
namespace {

using app::VideoExport;

const QString kChars = QStringLiteral(VISTREL_BUILT_CHARS_DIR);

class VideoExportTest : public AppTest {
  protected:
    void SetUp() override {
        if (!QFile::exists(kChars + QStringLiteral("/Merlin.acs")))
            GTEST_SKIP() << "the built characters are missing";
        platform.settings.setValue(QStringLiteral("Vtl"), QStringLiteral("Dir"),
                                   QStringLiteral("Dir"), kChars);
        form.start({});
    }

    VideoExport& exporter() { return form.videoExport(); }

    // Every file in the output folder, hidden ones too.
    QStringList written() const {
        return QDir(out.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }

    QTemporaryDir out;
};

TEST_F(VideoExportTest, WritesTheEditorsScriptWhileTheWindowGoesOnWorking) {
    // In the editor only: the render plays the text as it stands, no file needed.
    form.scriptEditor().setText(
        QStringLiteral("Load.Merlin\nMerlin.MoveTo.600/300\nMerlin.Show\nMerlin.Speak.Hi!\n"
                       "Merlin.Hide\n"));
    platform.files.choices << out.filePath(QStringLiteral("clip.png"));
    int ticks = 0;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start();
    QSignalSpy finished(&exporter(), &VideoExport::finished);

    commands().exportVideo->trigger();
    // The command returns at once; the window's own events go on while the render runs.
    ASSERT_TRUE(exporter().running());
    EXPECT_FALSE(commands().exportVideo->isEnabled()) << "one render at a time";
    ASSERT_NE(exporter().progressDialog(), nullptr);
    EXPECT_TRUE(exporter().progressDialog()->isVisible());
    const int ticksAtStart = ticks;
    QTRY_VERIFY_WITH_TIMEOUT(
        exporter().progressDialog() &&
            exporter().progressDialog()->labelText().contains(QStringLiteral("of video")),
        60000);
    saveSnapshot(exporter().progressDialog()->grab().toImage(),
                 QStringLiteral("export-video-progress"));
    ASSERT_TRUE(finished.wait(180000));
    EXPECT_GT(ticks, ticksAtStart + 3);
    ASSERT_TRUE(finished.at(0).at(0).toBool()) << written().join(' ').toStdString();
    EXPECT_TRUE(commands().exportVideo->isEnabled());
    EXPECT_TRUE(form.statusText().contains(QStringLiteral("Exported")))
        << form.statusText().toStdString();

    ASSERT_EQ(platform.files.shown.size(), 1u);
    const platform::FileDialogRequest& asked = platform.files.shown[0];
    EXPECT_EQ(asked.kind, platform::FileDialogRequest::Kind::Save);
    EXPECT_EQ(asked.title, QStringLiteral("Export Video"));
    for (const char* pattern : {"*.mp4", "*.webm", "*.gif", "*.png"})
        EXPECT_TRUE(asked.filter.contains(QLatin1String(pattern))) << pattern;

    // Numbered frames at the render's defaults, and the sound beside them.
    EXPECT_EQ(exporter().lastOutput(), out.filePath(QStringLiteral("clip%05d.png")));
    EXPECT_TRUE(QFile::exists(out.filePath(QStringLiteral("clip.wav"))));
    const render::testing::Media media = render::testing::readMedia(exporter().lastOutput(), 10);
    ASSERT_TRUE(media.error.isEmpty()) << media.error.toStdString();
    EXPECT_EQ(media.videoCodec, QStringLiteral("png"));
    EXPECT_EQ(QSize(media.width, media.height), QSize(1280, 720));
    EXPECT_EQ(media.frameCount, written().size() - 1);
    EXPECT_GT(media.frameCount, 30);
    // Merlin shows at his place in some frame, on the desktop colour elsewhere.
    const QColor desk = media.frames.front().pixelColor(10, 10);
    int shown = -1;
    for (std::size_t k = 0; k < media.frames.size() && shown < 0; ++k) {
        const QImage& frame = media.frames[k];
        int drawn = 0;
        for (int y = 300; y < 380; y += 4)
            for (int x = 600; x < 680; x += 4)
                drawn += frame.pixelColor(x, y) != desk;
        if (drawn > 40)
            shown = int(k);
    }
    ASSERT_GE(shown, 0);
    saveSnapshot(media.frames[std::size_t(shown)], QStringLiteral("export-video-frame"));
    EXPECT_EQ(media.frames[std::size_t(shown)].pixelColor(100, 600), desk);
}

TEST_F(VideoExportTest, CancellingLeavesNothingBehind) {
    QString text = QStringLiteral("Load.Merlin\nMerlin.Show\n");
    for (int i = 0; i < 12; ++i)
        text += QStringLiteral("Merlin.Play.Wave\nMerlin.MoveTo.%1/200\n").arg(100 + 60 * i);
    form.scriptEditor().setText(text + QStringLiteral("Merlin.Hide\n"));
    platform.files.choices << out.filePath(QStringLiteral("long.mp4"));
    QSignalSpy finished(&exporter(), &VideoExport::finished);
    commands().exportVideo->trigger();
    QProgressDialog* progress = exporter().progressDialog();
    ASSERT_NE(progress, nullptr);
    // Some seconds in, the user has seen enough.
    static const QRegularExpression twoSeconds(QStringLiteral(": 0:0[2-9] of video"));
    QTRY_VERIFY_WITH_TIMEOUT(progress->labelText().contains(twoSeconds), 120000);
    EXPECT_FALSE(written().isEmpty()) << "the render is writing";
    auto* cancel = progress->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    QTest::mouseClick(cancel, Qt::LeftButton);
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_FALSE(finished.at(0).at(0).toBool());
    EXPECT_TRUE(written().isEmpty()) << written().join(' ').toStdString();
    EXPECT_TRUE(platform.messages.shown.empty()) << "cancelling is no failure";
    EXPECT_TRUE(form.statusText().contains(QStringLiteral("cancelled")))
        << form.statusText().toStdString();
    EXPECT_TRUE(commands().exportVideo->isEnabled());
}

TEST_F(VideoExportTest, AFailureIsShownAndWritesNothing) {
    form.scriptEditor().setText(
        QStringLiteral("Load.Merlin\nMerlin.Show\nMerlin.MoveTo.abc\nMerlin.Hide\n"));
    // The save dialog cancelled: nothing starts.
    commands().exportVideo->trigger();
    EXPECT_FALSE(exporter().running());
    EXPECT_TRUE(commands().exportVideo->isEnabled());

    // An existing file is kept unless the user agrees to replace it.
    const QString taken = out.filePath(QStringLiteral("taken.gif"));
    writeBytes(taken, "mine");
    platform.files.choices << taken;
    platform.messages.answers.push_back(platform::MessageAnswer::No);
    commands().exportVideo->trigger();
    EXPECT_FALSE(exporter().running());
    ASSERT_EQ(platform.messages.shown.size(), 1u);
    EXPECT_EQ(platform.messages.shown[0].buttons, platform::MessageButtons::YesNo);
    EXPECT_EQ(readBytes(taken), QByteArray("mine"));

    // The script's error, with the player's message; the file it would have replaced is kept.
    platform.files.choices << taken;
    platform.messages.answers.push_back(platform::MessageAnswer::Yes);
    QSignalSpy finished(&exporter(), &VideoExport::finished);
    commands().exportVideo->trigger();
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_FALSE(finished.at(0).at(0).toBool());
    ASSERT_EQ(platform.messages.shown.size(), 3u);
    const platform::Message& failure = platform.messages.shown[2];
    EXPECT_TRUE(failure.text.contains(QStringLiteral("...Line - 3"))) << failure.text.toStdString();
    EXPECT_EQ(failure.icon, platform::MessageIcon::Stop);
    EXPECT_EQ(written(), QStringList{QStringLiteral("taken.gif")});
    EXPECT_EQ(readBytes(taken), QByteArray("mine"));
}

}  // namespace
}  // namespace vistrel::test
