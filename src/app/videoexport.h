#pragma once

// File > Export Video: the script in the editor, as it stands, rendered to a video file by a
// worker thread while a progress dialog with a Cancel button keeps the window company. The
// render plays the text through the same player as Play does, with the same characters
// folder, at 1280x720 and 30 frames a second. Nothing is left behind by a render that was
// cancelled or failed; a failure is shown to the user with the renderer's message.

#include "platform/filedialog.h"
#include "platform/platform.h"
#include "render/renderer.h"

#include <QObject>
#include <QPointer>
#include <QProgressDialog>

#include <functional>
#include <memory>

class QThread;
class QWidget;

namespace vistrel::app {

class VideoExport final : public QObject {
    Q_OBJECT
  public:
    // What a render starts from, asked for each time the command runs.
    struct Source {
        QString text;              // the script to play
        QString scriptPath;        // the script's file, empty for one never saved
        QString charactersFolder;  // where the player loads characters from
    };

    static QString dialogTitle();
    // The save dialog's formats, in the order offered.
    static QString formatFilter();

    // `window` parents the dialogs and must outlive this object.
    VideoExport(platform::FileDialogs& files, platform::MessageBoxes& messages, QWidget& window,
                QString programFolder, std::function<Source()> source);
    // Cancels a render still running and waits for its thread.
    ~VideoExport() override;

    // The command: asks where to write, then starts the render and returns at once.
    void run();
    bool running() const { return worker_ != nullptr; }
    // Stops the render at its next frame; finished() follows.
    void cancel();

    // The dialog shown while rendering; null when none is running.
    QProgressDialog* progressDialog() const { return progress_; }
    // The file the last render was to write (a frame pattern for PNG frames).
    const QString& lastOutput() const { return output_; }

    // A chosen name turned into what the renderer writes: PNG frames are numbered.
    static QString outputPathFor(const QString& chosen);

  signals:
    // A render ended: written, cancelled or failed (the failure is shown first).
    void finished(bool written);
    // A line for the status bar.
    void status(const QString& text);

  private:
    struct Job;

    bool confirmOverwrite(const QString& output);
    void start(const render::RenderOptions& options);
    void showProgress();
    void end();

    platform::FileDialog dialog_;
    platform::MessageBoxes& messages_;
    QWidget& window_;
    QString programFolder_;
    std::function<Source()> source_;
    QString output_;
    QString chosen_;  // the name as the user chose it

    std::shared_ptr<Job> job_;
    QThread* worker_ = nullptr;
    QPointer<QProgressDialog> progress_;
};

}  // namespace vistrel::app
