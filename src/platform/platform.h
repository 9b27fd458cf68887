#pragma once

// What the program needs from the desktop beyond its own windows: modal boxes, file dialogs,
// the clipboard, the per-user settings store, INI lookups, typed keystrokes and the welcome
// tooltip. The program talks only to these interfaces; qtplatform.h implements them with Qt,
// and testing/ has scripted stand-ins.

#include <QImage>
#include <QString>
#include <QStringList>

#include <optional>

namespace vistrel::platform {

enum class MessageIcon { None, Exclamation, Stop, Information, Question };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

struct Message {
    QString text;
    QString title;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    MessageAnswer defaultButton = MessageAnswer::Ok;
};

// Modal message boxes.
class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // Shows the box and returns the button that dismissed it; closing a Yes/No box without
    // choosing counts as No.
    virtual MessageAnswer show(const Message& message) = 0;
    // The alert sound, for a key that is refused.
    virtual void beep() = 0;
};

// Modal one-line input boxes.
class PromptBoxes {
  public:
    virtual ~PromptBoxes() = default;
    // The text entered; an empty string when the box was cancelled.
    virtual QString ask(const QString& prompt, const QString& title,
                        const QString& defaultAnswer) = 0;
};

// One showing of an open or save dialog.
struct FileDialogRequest {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    QString title;
    // Pairs of description and pattern separated by bars: "Text (*.txt)|*.txt|All|*.*".
    QString filter;
    int filterIndex = 1;  // the pair selected at first, counted from 1
    QString initialFolder;
    QString fileName;  // the name the dialog starts on, when any
    // Save: a name typed without an extension gets the first pattern's extension of the
    // filter selected.
    bool suffixFromFilter = false;
};

// Modal file dialogs. The dialog itself never asks about overwriting: the callers do.
class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // The chosen file's full path, or nothing when the user cancelled.
    virtual std::optional<QString> choose(const FileDialogRequest& request) = 0;
    // A folder chooser captioned `title` that starts at `startFolder`: the chosen folder's full
    // path, or an empty string when the user cancelled.
    virtual QString chooseFolder(const QString& title, const QString& startFolder) = 0;
};

// The system clipboard, plain text only.
class Clipboard {
  public:
    virtual ~Clipboard() = default;
    // The clipboard's text; empty when it holds none.
    virtual QString text() const = 0;
    virtual void setText(const QString& text) = 0;
};

// Per-user settings kept between runs, addressed by application, section and key.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual QString value(const QString& application, const QString& section, const QString& key,
                          const QString& defaultValue) const = 0;
    virtual void setValue(const QString& application, const QString& section, const QString& key,
                          const QString& value) = 0;
};

// Lookups in INI files.
class IniLookup {
  public:
    virtual ~IniLookup() = default;
    // The value of `key` in `section` of the file at `path`; `defaultValue` when the file,
    // the section or the key is missing.
    virtual QString value(const QString& section, const QString& key, const QString& defaultValue,
                          const QString& path) const = 0;
};

// Text typed as keystrokes into whichever widget has the keyboard focus.
class Keystrokes {
  public:
    virtual ~Keystrokes() = default;
    // Queues `text`, then one Enter when `enter` is set. Nothing is delivered before the
    // caller returns to the event loop; what is queued arrives in the order sent, at the widget
    // that has the focus then.
    virtual void send(const QString& text, bool enter) = 0;
};

// The user's mail program.
class MailComposer {
  public:
    virtual ~MailComposer() = default;
    // Opens a new message whose text is `body`, with no recipient and no subject, for the user
    // to finish and send; a missing mail program is logged, never reported.
    virtual void compose(const QString& body) = 0;
};

// A tooltip window with a picture and rich text.
class RichTooltip {
  public:
    virtual ~RichTooltip() = default;
    // How the tooltip appears: the delay before it shows (milliseconds), how long it stays
    // (seconds, 0 for until clicked) and the margin around its content (pixels).
    virtual void setOptions(int showDelayMs, int visibleSeconds, int margin) = 0;
    virtual void setPicture(const QImage& picture) = 0;
    virtual void setHtml(const QString& html) = 0;
    // Shows it with its top left corner at the given screen point; -1, -1 means at the
    // mouse pointer.
    virtual void show(int x, int y) = 0;
};

// Everything above, as one bundle handed to the main window.
struct Platform {
    MessageBoxes& messages;
    PromptBoxes& prompts;
    FileDialogs& files;
    Clipboard& clipboard;
    SettingsStore& settings;
    IniLookup& ini;
    Keystrokes& keystrokes;
    RichTooltip& tooltip;
    MailComposer& mail;
};

// Splits a dialog filter ("Text (*.txt)|*.txt|...") into Qt name filters, one per pair, each a
// description followed by its patterns in parentheses. A description that already ends in its
// own patterns is kept as it is. A trailing description without a pattern is dropped.
QStringList nameFilters(const QString& filter);

}  // namespace vistrel::platform
