#include "compose/textentry.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace vistrel::compose {

namespace {

// The window's client area and its parts, in pixels at 96 dots per inch.
constexpr QSize kClientSize(312, 149);
constexpr QRect kTextGeometry(7, 16, 239, 121);
constexpr QRect kOkGeometry(253, 16, 54, 25);
constexpr QRect kCancelGeometry(253, 51, 54, 25);
constexpr QRect kNoteGeometry(253, 82, 54, 52);

}  // namespace

QString TextEntryWindow::commaNote() {
    return tr("NO Comma's allowed in Scripts");
}

TextEntryWindow::TextEntryWindow(platform::MessageBoxes& alerts, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      alerts_(alerts),
      text_(new QPlainTextEdit(this)),
      ok_(new QPushButton(tr("O.K."), this)),
      cancel_(new QPushButton(tr("Cancel"), this)),
      note_(new QLabel(commaNote(), this)) {
    setObjectName(QStringLiteral("textEntryWindow"));
    setFixedSize(kClientSize);
    text_->setObjectName(QStringLiteral("spokenText"));
    text_->setGeometry(kTextGeometry);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text_->installEventFilter(this);
    ok_->setGeometry(kOkGeometry);
    ok_->setAutoDefault(false);
    cancel_->setGeometry(kCancelGeometry);
    cancel_->setAutoDefault(false);
    note_->setGeometry(kNoteGeometry);
    note_->setWordWrap(true);
    note_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    QFont small = note_->font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    note_->setFont(small);
    setTabOrder(text_, ok_);
    setTabOrder(ok_, cancel_);
    connect(ok_, &QPushButton::clicked, this, [this] { emit accepted(text_->toPlainText()); });
    connect(cancel_, &QPushButton::clicked, this, &QWidget::hide);
}

void TextEntryWindow::begin(const QString& caption) {
    setWindowTitle(caption);
    text_->clear();
    show();
    raise();
    activateWindow();
    text_->setFocus(Qt::OtherFocusReason);
}

bool TextEntryWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == text_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            alerts_.beep();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace vistrel::compose
