#include "platform/qtplatform.h"

#include "log/log.h"
#include "script/ini.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

namespace vistrel::platform {

namespace {

QWidget* dialogParent() {
    return QApplication::activeWindow();
}

QMessageBox::Icon qtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::Stop:
            return QMessageBox::Critical;
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

// The extension of a Qt name filter's first pattern: "Video (*.mp4 *.m4v)" gives "mp4".
QString firstSuffix(const QString& nameFilter) {
    static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
    return pattern.match(nameFilter).captured(1);
}

}  // namespace

MessageAnswer QtMessageBoxes::show(const Message& message) {
    QMessageBox box(qtIcon(message.icon), message.title, message.text, QMessageBox::NoButton,
                    dialogParent());
    if (message.buttons == MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(message.defaultButton == MessageAnswer::Yes ? QMessageBox::Yes
                                                                         : QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MessageAnswer::Ok;
}

void QtMessageBoxes::beep() {
    QApplication::beep();
}

QString QtPromptBoxes::ask(const QString& prompt, const QString& title,
                           const QString& defaultAnswer) {
    bool ok = false;
    const QString answer =
        QInputDialog::getText(dialogParent(), title, prompt, QLineEdit::Normal, defaultAnswer, &ok);
    return ok ? answer : QString();
}

std::optional<QString> QtFileDialogs::choose(const FileDialogRequest& request) {
    const bool save = request.kind == FileDialogRequest::Kind::Save;
    QFileDialog dialog(dialogParent(), request.title, request.initialFolder);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The callers ask about overwriting themselves.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filters = nameFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = request.filterIndex - 1;
        if (index >= 0 && index < filters.size())
            dialog.selectNameFilter(filters[index]);
        if (save && request.suffixFromFilter) {
            dialog.setDefaultSuffix(firstSuffix(dialog.selectedNameFilter()));
            QObject::connect(
                &dialog, &QFileDialog::filterSelected, &dialog,
                [&dialog](const QString& filter) { dialog.setDefaultSuffix(firstSuffix(filter)); });
        }
    }
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().front());
}

QString QtFileDialogs::chooseFolder(const QString& title, const QString& startFolder) {
    // A caption is one line.
    QString caption = title;
    caption.replace(QLatin1String("\r\n"), QLatin1String(" "));
    caption.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString chosen = QFileDialog::getExistingDirectory(dialogParent(), caption, startFolder);
    return chosen.isEmpty() ? QString() : QDir::toNativeSeparators(chosen);
}

QString QtClipboard::text() const {
    return QGuiApplication::clipboard()->text();
}

void QtClipboard::setText(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
}

QString QtSettingsStore::value(const QString& application, const QString& section,
                               const QString& key, const QString& defaultValue) const {
    QSettings settings(QStringLiteral("Vistrel"), application);
    settings.beginGroup(section);
    return settings.value(key, defaultValue).toString();
}

void QtSettingsStore::setValue(const QString& application, const QString& section,
                               const QString& key, const QString& value) {
    QSettings settings(QStringLiteral("Vistrel"), application);
    settings.beginGroup(section);
    settings.setValue(key, value);
}

QString FileIniLookup::value(const QString& section, const QString& key,
                             const QString& defaultValue, const QString& path) const {
    constexpr int kBufferChars = 250;
    return script::readPrivateProfileString(section, key, defaultValue, path, kBufferChars);
}

void QtKeystrokes::send(const QString& text, bool enter) {
    // Resolved when delivered: the keys go to whatever has the focus at that moment.
    QTimer::singleShot(0, qApp, [text, enter] {
        QWidget* target = QApplication::focusWidget();
        if (!target && QApplication::activeWindow())
            target = QApplication::activeWindow()->focusWidget();
        if (!target)
            return;
        QPointer<QWidget> guard(target);
        auto type = [&](int key, const QString& chars) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, chars);
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, chars);
            if (guard)
                QApplication::sendEvent(guard, &press);
            if (guard)
                QApplication::sendEvent(guard, &release);
        };
        for (qsizetype i = 0; i < text.size(); ++i) {
            // Keep surrogate pairs together: one typed character.
            const qsizetype n = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
            type(0, text.mid(i, n));
            i += n - 1;
        }
        if (enter)
            type(Qt::Key_Return, QStringLiteral("\r"));
    });
}

// A frameless window with the picture on the left and the rich text beside it; a click
// anywhere on it hides it.
class TooltipWindow final : public QFrame {
  public:
    TooltipWindow() : QFrame(nullptr, Qt::ToolTip | Qt::FramelessWindowHint) {
        setFrameShape(QFrame::Box);
        setObjectName(QStringLiteral("welcomeTooltip"));
        setBackgroundRole(QPalette::ToolTipBase);
        setForegroundRole(QPalette::ToolTipText);
        setAutoFillBackground(true);
        auto* layout = new QHBoxLayout(this);
        picture = new QLabel(this);
        picture->setAlignment(Qt::AlignTop);
        text = new QLabel(this);
        text->setTextFormat(Qt::RichText);
        text->setWordWrap(true);
        text->setMaximumWidth(360);
        layout->addWidget(picture);
        layout->addWidget(text, 1);
        hideTimer.setSingleShot(true);
        showTimer.setSingleShot(true);
        QObject::connect(&hideTimer, &QTimer::timeout, this, &QWidget::hide);
        QObject::connect(&showTimer, &QTimer::timeout, this, [this] {
            show();
            raise();
            if (seconds > 0)
                hideTimer.start(seconds * 1000);
        });
    }

    QLabel* picture;
    QLabel* text;
    QTimer hideTimer;
    QTimer showTimer;
    int seconds = 0;

  protected:
    void mousePressEvent(QMouseEvent*) override { hide(); }
};

QtRichTooltip::QtRichTooltip() = default;
QtRichTooltip::~QtRichTooltip() = default;

void QtRichTooltip::setOptions(int showDelayMs, int visibleSeconds, int margin) {
    delayMs_ = std::max(0, showDelayMs);
    seconds_ = std::max(0, visibleSeconds);
    margin_ = std::max(0, margin);
}

void QtRichTooltip::setPicture(const QImage& picture) {
    if (!window_)
        window_ = std::make_unique<TooltipWindow>();
    window_->picture->setPixmap(QPixmap::fromImage(picture));
}

void QtRichTooltip::setHtml(const QString& html) {
    if (!window_)
        window_ = std::make_unique<TooltipWindow>();
    window_->text->setText(html);
}

void QtRichTooltip::show(int x, int y) {
    if (!window_)
        window_ = std::make_unique<TooltipWindow>();
    window_->layout()->setContentsMargins(margin_, margin_, margin_, margin_);
    window_->seconds = seconds_;
    window_->adjustSize();
    QPoint at = (x == -1 && y == -1) ? QCursor::pos() + QPoint(12, 16) : QPoint(x, y);
    const QScreen* screen = QGuiApplication::screenAt(at);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        // Keep the whole tooltip on the screen.
        const QRect area = screen->availableGeometry();
        at.setX(std::clamp(at.x(), area.left(),
                           std::max(area.left(), area.right() - window_->width())));
        at.setY(std::clamp(at.y(), area.top(),
                           std::max(area.top(), area.bottom() - window_->height())));
    }
    window_->move(at);
    window_->showTimer.start(delayMs_);
}

QWidget* QtRichTooltip::window() const {
    return window_.get();
}

}  // namespace vistrel::platform

namespace vistrel::platform {

void DesktopMailComposer::compose(const QString& body) {
    const QString xdgEmail = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
    if (!xdgEmail.isEmpty() && QProcess::startDetached(xdgEmail, {QStringLiteral("--utf8"),
                                                                  QStringLiteral("--body"), body}))
        return;
    if (!xdgEmail.isEmpty())
        log::ignored(log::app(), QStringLiteral("starting xdg-email"),
                     QStringLiteral("it could not be run"));
    QUrl url(QStringLiteral("mailto:"));
    url.setQuery(QStringLiteral("body=") + QString::fromLatin1(QUrl::toPercentEncoding(body)),
                 QUrl::StrictMode);
    if (!QDesktopServices::openUrl(url))
        log::ignored(log::app(), QStringLiteral("opening a new mail"),
                     QStringLiteral("no mail program is set up"));
}

}  // namespace vistrel::platform
