#pragma once

#include "compose/hints.h"
#include "compose/textentry.h"
#include "platform/filedialog.h"
#include "platform/platform.h"

#include <QCoreApplication>
#include <QPointer>
#include <QStringList>

#include <optional>

class QListWidget;

namespace vistrel::document {
class EditorTyping;
}  // namespace vistrel::document

namespace vistrel::compose {

// The Methods list's entries before any character is active: only "Load.".
const QStringList& startingMethods();
// The entries once a character is active, in the order they are listed.
const QStringList& fullMethods();

void showStartingMethods(QListWidget& list);
void showFullMethods(QListWidget& list);

// A request number as typed into a prompt, as the script writes it: the answer read as a
// number (blanks around it allowed), rounded to the nearest whole number with halves going to
// the even one, in -32768..32767, in plain decimal. Nothing for any other answer.
std::optional<QString> requestNumberText(const QString& answer);

// What the Methods list's commands need from the window.
class MethodsHost {
  public:
    virtual ~MethodsHost() = default;
    // The name of the active character; empty while none has been chosen.
    virtual QString activeCharacter() const = 0;
    virtual void setStatusText(const QString& text) = 0;
    // Shows the character picker on the characters folder without blocking the window; false,
    // with nothing shown, when the folder does not exist.
    virtual bool showCharacterPicker() = 0;
    virtual void focusEditor() = 0;
};

// A double-click on a Methods entry types that command for the active character at the
// editor's caret, asking first for what it needs: a location, a request number, a text to say
// (in the text entry window) or a sound file. "Load." opens the character picker instead.
class MethodsCommands {
    Q_DECLARE_TR_FUNCTIONS(MethodsCommands)
  public:
    static QString locationPrompt(const QString& entry);
    static QString requestPrompt();
    static QString waitPrompt();
    static QString interruptPrompt();
    static QString promptTitle();
    static QString soundFilter();
    static QString pickerHint();
    static QString pickerStatus();

    MethodsCommands(QListWidget& methodsList, document::EditorTyping& typing,
                    platform::PromptBoxes& prompts, platform::FileDialogs& files,
                    platform::MessageBoxes& messages, const Hints& hints, MethodsHost& host);
    ~MethodsCommands();
    MethodsCommands(const MethodsCommands&) = delete;
    MethodsCommands& operator=(const MethodsCommands&) = delete;

    // Runs the command of the list's selected entry.
    void runSelected();
    // The text entry window; made on first use.
    TextEntryWindow& textEntry();
    bool hasTextEntry() const { return textEntry_ != nullptr; }
    // The last answer given to one of the prompts.
    const QString& lastAnswer() const { return lastAnswer_; }
    const platform::FileDialog& soundDialog() const { return soundDialog_; }

  private:
    QString selectedEntry() const;
    // Asks `prompt`; the answer, or nothing when it is empty.
    std::optional<QString> ask(const QString& prompt);
    std::optional<QString> askRequestNumber(const QString& prompt);
    void openTextEntry(const QString& entry);
    void textAccepted(const QString& text);

    QListWidget& methodsList_;
    document::EditorTyping& typing_;
    platform::PromptBoxes& prompts_;
    platform::MessageBoxes& messages_;
    const Hints& hints_;
    MethodsHost& host_;
    // The sound file dialog keeps the file chosen last and opens on it next time.
    platform::FileDialog soundDialog_;
    QString lastAnswer_;
    QPointer<TextEntryWindow> textEntry_;
};

}  // namespace vistrel::compose
