#pragma once

// The platform services implemented with Qt Widgets, for the real program.

#include "platform/platform.h"

#include <QPointer>

#include <memory>

class QWidget;

namespace vistrel::platform {

class QtMessageBoxes final : public MessageBoxes {
  public:
    MessageAnswer show(const Message& message) override;
    void beep() override;
};

class QtPromptBoxes final : public PromptBoxes {
  public:
    QString ask(const QString& prompt, const QString& title, const QString& defaultAnswer) override;
};

class QtFileDialogs final : public FileDialogs {
  public:
    std::optional<QString> choose(const FileDialogRequest& request) override;
    QString chooseFolder(const QString& title, const QString& startFolder) override;
};

class QtClipboard final : public Clipboard {
  public:
    QString text() const override;
    void setText(const QString& text) override;
};

// Kept with QSettings in the user's native settings store, one settings file per application
// name under the organisation "Vistrel".
class QtSettingsStore final : public SettingsStore {
  public:
    QString value(const QString& application, const QString& section, const QString& key,
                  const QString& defaultValue) const override;
    void setValue(const QString& application, const QString& section, const QString& key,
                  const QString& value) override;
};

class FileIniLookup final : public IniLookup {
  public:
    QString value(const QString& section, const QString& key, const QString& defaultValue,
                  const QString& path) const override;
};

// Delivers key press and release events to the focused widget from the event loop.
class QtKeystrokes final : public Keystrokes {
  public:
    void send(const QString& text, bool enter) override;
};

class TooltipWindow;

class QtRichTooltip final : public RichTooltip {
  public:
    QtRichTooltip();
    ~QtRichTooltip() override;
    void setOptions(int showDelayMs, int visibleSeconds, int margin) override;
    void setPicture(const QImage& picture) override;
    void setHtml(const QString& html) override;
    void show(int x, int y) override;

    // The tooltip's window once shown, for looking at it.
    QWidget* window() const;

  private:
    std::unique_ptr<TooltipWindow> window_;
    int delayMs_ = 0;
    int seconds_ = 6;
    int margin_ = 4;
};

// Through xdg-email, or a mailto: link where it is missing.
class DesktopMailComposer final : public MailComposer {
  public:
    void compose(const QString& body) override;
};

// All of them, owned together.
struct QtPlatform {
    QtMessageBoxes messages;
    QtPromptBoxes prompts;
    QtFileDialogs files;
    QtClipboard clipboard;
    QtSettingsStore settings;
    FileIniLookup ini;
    QtKeystrokes keystrokes;
    QtRichTooltip tooltip;
    DesktopMailComposer mail;

    Platform platform() {
        return {messages, prompts, files, clipboard, settings, ini, keystrokes, tooltip, mail};
    }
};

}  // namespace vistrel::platform
