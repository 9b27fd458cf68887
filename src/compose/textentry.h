#pragma once

#include "platform/platform.h"

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vistrel::compose {

// The small window in which the user writes what a character is to say, think or whisper. It
// stays above every other window and does not block the main window. Enter does not break the
// line: it beeps, since a script item is one line.
class TextEntryWindow final : public QWidget {
    Q_OBJECT
  public:
    static QString commaNote();

    TextEntryWindow(platform::MessageBoxes& alerts, QWidget* parent = nullptr);

    // Shows the window for a new text: `caption` as its title and an empty field.
    void begin(const QString& caption);

    QPlainTextEdit& textField() { return *text_; }
    QPushButton& okButton() { return *ok_; }
    QPushButton& cancelButton() { return *cancel_; }

  signals:
    // O.K. was pressed with this text.
    void accepted(const QString& text);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    platform::MessageBoxes& alerts_;
    QPlainTextEdit* text_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QLabel* note_;
};

}  // namespace vistrel::compose
