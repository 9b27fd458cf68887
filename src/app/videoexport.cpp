#include "app/videoexport.h"

#include "log/log.h"
#include "render/output.h"

#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <mutex>

namespace vistrel::app {

using platform::Message;
using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;

// What the window and the render thread share. The thread writes the outcome; the window reads
// it once the thread has finished.
struct VideoExport::Job {
    render::RenderOptions options;
    std::atomic<bool> cancelled{false};

    std::mutex m;
    render::RenderProgress latest;
    bool progressPosted = false;  // a progress update waits in the window's event queue

    bool written = false;
    QString error;  // why nothing was written; empty when written or cancelled
    render::RenderResult result;
};

namespace {

constexpr int kSteps = 1000;  // the progress bar's range

QString clockText(std::int64_t ms) {
    const std::int64_t s = ms / 1000;
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

const QRegularExpression& framePattern() {
    static const QRegularExpression pattern(QStringLiteral("%0?\\d?d"));
    return pattern;
}

}  // namespace

QString VideoExport::dialogTitle() {
    return tr("Export Video");
}

QString VideoExport::formatFilter() {
    return tr(
        "MP4 video (*.mp4)|*.mp4|WebM video (*.webm)|*.webm|GIF animation (*.gif)|*.gif|"
        "PNG frames and WAV sound (*.png)|*.png");
}

VideoExport::VideoExport(platform::FileDialogs& files, platform::MessageBoxes& messages,
                         QWidget& window, QString programFolder, std::function<Source()> source)
    : dialog_(files),
      messages_(messages),
      window_(window),
      programFolder_(std::move(programFolder)),
      source_(std::move(source)) {
    dialog_.setDialogTitle(dialogTitle());
    dialog_.setFilter(formatFilter());
    dialog_.setSuffixFromFilter(true);
}

VideoExport::~VideoExport() {
    if (!worker_)
        return;
    disconnect(worker_, nullptr, this, nullptr);
    job_->cancelled = true;
    worker_->wait();
    delete worker_;
    delete progress_.data();
}

QString VideoExport::outputPathFor(const QString& chosen) {
    const QFileInfo info(chosen);
    if (info.suffix().compare(QLatin1String("png"), Qt::CaseInsensitive) != 0 ||
        info.fileName().contains(framePattern()))
        return chosen;
    // clip.png becomes clip00000.png, clip00001.png, ... with clip.wav beside them.
    return info.dir().filePath(info.completeBaseName() + QLatin1String("%05d.") + info.suffix());
}

void VideoExport::run() {
    if (running())
        return;
    const Source source = source_();
    if (!source.scriptPath.isEmpty()) {
        const QFileInfo script(source.scriptPath);
        dialog_.setInitDir(script.absolutePath());
        if (dialog_.fileName().isEmpty())
            dialog_.setFileName(script.completeBaseName() + QLatin1String(".mp4"));
    } else if (dialog_.initDir().isEmpty()) {
        const QString movies = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
        dialog_.setInitDir(QFileInfo(movies).isDir() ? movies : QDir::homePath());
    }
    if (!dialog_.showSave())
        return;
    const QString output = outputPathFor(dialog_.fileName());
    if (!confirmOverwrite(output))
        return;
    chosen_ = dialog_.fileName();

    render::RenderOptions options;
    options.script = source.scriptPath;
    // Never null, so that the editor's text is what plays even when it is empty.
    options.scriptText = source.text.isNull() ? QStringLiteral("") : source.text;
    options.output = output;
    options.charactersFolder = source.charactersFolder;
    options.programFolder = programFolder_;
    start(options);
}

bool VideoExport::confirmOverwrite(const QString& output) {
    QString existing = output;
    if (output.contains(framePattern()))
        existing = render::soundPathFor(output);  // the file every PNG render writes
    if (!QFileInfo::exists(existing))
        return true;
    const Message question{tr("%1 already exists.\nDo you want to replace it?")
                               .arg(QDir::toNativeSeparators(existing)),
                           dialogTitle(), MessageIcon::Exclamation, MessageButtons::YesNo,
                           MessageAnswer::No};
    return messages_.show(question) == MessageAnswer::Yes;
}

void VideoExport::start(const render::RenderOptions& options) {
    output_ = options.output;
    job_ = std::make_shared<Job>();
    job_->options = options;
    job_->options.cancel = &job_->cancelled;
    qCDebug(log::app) << "export started:" << options.output;

    // The thread holds its own share of the job, and posts to this object, which waits for the
    // thread before it goes.
    worker_ = QThread::create([this, job = job_] {
        auto report = [this, job](const render::RenderProgress& progress) {
            bool post = false;
            {
                std::lock_guard lock(job->m);
                job->latest = progress;
                post = !std::exchange(job->progressPosted, true);
            }
            if (post)
                QMetaObject::invokeMethod(this, &VideoExport::showProgress, Qt::QueuedConnection);
            return true;
        };
        try {
            job->result = render::renderScript(job->options, report);
            job->written = true;
        } catch (const render::RenderError& e) {
            if (!job->cancelled)
                job->error = e.message();
        } catch (const render::OutputError& e) {
            job->error = e.message();
        } catch (const std::exception& e) {
            job->error = QString::fromLocal8Bit(e.what());
        }
    });
    worker_->setObjectName(QStringLiteral("video export"));
    connect(worker_, &QThread::finished, this, &VideoExport::end);

    progress_ = new QProgressDialog(&window_);
    progress_->setObjectName(QStringLiteral("exportProgress"));
    progress_->setWindowTitle(dialogTitle());
    progress_->setLabelText(tr("Rendering %1...").arg(QFileInfo(chosen_).fileName()));
    progress_->setCancelButtonText(tr("Cancel"));
    progress_->setRange(0, 0);  // until the video's length is known
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->setMinimumDuration(0);
    progress_->setWindowModality(Qt::WindowModal);
    connect(progress_, &QProgressDialog::canceled, this, &VideoExport::cancel);
    progress_->show();

    emit status(tr("Exporting the video to %1").arg(QDir::toNativeSeparators(chosen_)));
    worker_->start(QThread::LowPriority);
}

void VideoExport::cancel() {
    if (!job_ || job_->cancelled.exchange(true))
        return;
    qCDebug(log::app) << "export cancelled:" << output_;
    if (progress_)
        progress_->setLabelText(tr("Cancelling..."));
}

void VideoExport::showProgress() {
    if (!job_ || !progress_)
        return;
    render::RenderProgress p;
    {
        std::lock_guard lock(job_->m);
        p = job_->latest;
        job_->progressPosted = false;
    }
    if (job_->cancelled)
        return;
    const QString name = QFileInfo(chosen_).fileName();
    QString text =
        p.totalMs > 0
            ? tr("Rendering %1: %2 of %3").arg(name, clockText(p.videoMs), clockText(p.totalMs))
            : tr("Rendering %1: %2 of video").arg(name, clockText(p.videoMs));
    if (p.passes > 1)
        text += tr(" (pass %1 of %2)").arg(p.pass).arg(p.passes);
    progress_->setLabelText(text);
    if (p.totalMs > 0) {
        // Last: a modal progress dialog runs the event loop as its value changes, and the
        // render may end in there.
        const double pass = std::clamp(double(p.videoMs) / double(p.totalMs), 0.0, 1.0);
        progress_->setRange(0, kSteps);
        progress_->setValue(int(kSteps * (p.pass - 1 + pass) / p.passes));
    }
}

void VideoExport::end() {
    worker_->wait();
    delete worker_;
    worker_ = nullptr;
    const std::shared_ptr<Job> job = std::move(job_);
    if (progress_) {
        progress_->hide();
        progress_->deleteLater();
    }
    const QString shown = QDir::toNativeSeparators(chosen_);
    if (job->written) {
        qCDebug(log::app).nospace() << "exported " << job->result.frames << " frames to " << output_
                                    << " in " << job->result.totalMs << " ms";
        emit status(tr("Exported %1 of video to %2").arg(clockText(job->result.durationMs), shown));
    } else if (job->error.isEmpty()) {
        emit status(tr("The export to %1 was cancelled").arg(shown));
    } else {
        qCDebug(log::app).noquote() << "export to" << output_ << "failed:" << job->error;
        emit status(tr("The export to %1 failed").arg(shown));
        messages_.show(Message{job->error, dialogTitle(), MessageIcon::Stop, MessageButtons::Ok,
                               MessageAnswer::Ok});
    }
    emit finished(job->written);
}

}  // namespace vistrel::app
