#pragma once

// Scripted stand-ins for the platform services: answers are queued in advance, and every call
// is recorded so that a test can see what the user would have been shown.

#include "platform/platform.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace vistrel::platform::testing {

// Answers with the queued answers in order; with none left, with the box's default button.
class ScriptedMessageBoxes final : public MessageBoxes {
  public:
    MessageAnswer show(const Message& message) override;
    void beep() override { ++beeps; }

    std::deque<MessageAnswer> answers;
    int beeps = 0;
    std::vector<Message> shown;
    // Called while a box is up, as if the user did something before answering.
    std::function<void(const Message&)> whileShown;
};

// Answers with the queued texts in order; with none left, as if cancelled (empty).
class ScriptedPromptBoxes final : public PromptBoxes {
  public:
    QString ask(const QString& prompt, const QString& title, const QString& defaultAnswer) override;

    std::deque<QString> answers;
    QStringList prompts;
};

// Returns the queued choices in order; with none left, or for a queued null string, the user
// cancelled. Folder choosers answer from their own queue the same way.
class ScriptedFileDialogs final : public FileDialogs {
  public:
    std::optional<QString> choose(const FileDialogRequest& request) override;
    QString chooseFolder(const QString& title, const QString& startFolder) override;

    QStringList choices;
    std::vector<FileDialogRequest> shown;

    struct FolderRequest {
        QString title;
        QString startFolder;
    };
    QStringList folderChoices;
    std::vector<FolderRequest> foldersShown;
};

class MemoryClipboard final : public Clipboard {
  public:
    QString text() const override { return text_; }
    void setText(const QString& text) override {
        text_ = text;
        ++writes;
    }
    int writes = 0;

  private:
    QString text_;
};

class MemorySettingsStore final : public SettingsStore {
  public:
    QString value(const QString& application, const QString& section, const QString& key,
                  const QString& defaultValue) const override;
    void setValue(const QString& application, const QString& section, const QString& key,
                  const QString& value) override;

    QHash<QString, QString> values;  // "application/section/key" -> value
};

// Answers from a table instead of files.
class TableIniLookup final : public IniLookup {
  public:
    QString value(const QString& section, const QString& key, const QString& defaultValue,
                  const QString& path) const override;

    QHash<QString, QString> values;  // "path|section|key" -> value
};

// Records what was sent; nothing is delivered.
class RecordingKeystrokes final : public Keystrokes {
  public:
    void send(const QString& text, bool enter) override { sent.push_back({text, enter}); }
    struct Sent {
        QString text;
        bool enter;
    };
    std::vector<Sent> sent;
};

class RecordingTooltip final : public RichTooltip {
  public:
    void setOptions(int showDelayMs, int visibleSeconds, int margin) override {
        options = {showDelayMs, visibleSeconds, margin};
    }
    void setPicture(const QImage& image) override { picture = image; }
    void setHtml(const QString& text) override { html = text; }
    void show(int x, int y) override { shownAt.push_back({x, y}); }

    QList<int> options;
    QImage picture;
    QString html;
    std::vector<std::pair<int, int>> shownAt;
};

// Keeps every message body it is given, and calls `onCompose` (when set) as it is given one.
class RecordingMailComposer final : public MailComposer {
  public:
    void compose(const QString& body) override {
        bodies << body;
        if (onCompose)
            onCompose();
    }
    QStringList bodies;
    std::function<void()> onCompose;
};

// All of them together.
struct ScriptedPlatform {
    ScriptedMessageBoxes messages;
    ScriptedPromptBoxes prompts;
    ScriptedFileDialogs files;
    MemoryClipboard clipboard;
    MemorySettingsStore settings;
    TableIniLookup ini;
    RecordingKeystrokes keystrokes;
    RecordingTooltip tooltip;
    RecordingMailComposer mail;

    Platform platform() {
        return {messages, prompts, files, clipboard, settings, ini, keystrokes, tooltip, mail};
    }
};

}  // namespace vistrel::platform::testing
