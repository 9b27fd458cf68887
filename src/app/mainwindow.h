#pragma once

#include "agent/agent.h"
#include "app/commands.h"
#include "app/endofplaywatch.h"
#include "app/videoexport.h"
#include "assistant/helpassistant.h"
#include "compose/charactersfolder.h"
#include "compose/hints.h"
#include "compose/loadall.h"
#include "compose/methods.h"
#include "compose/picker.h"
#include "document/completion.h"
#include "document/document.h"
#include "document/editing.h"
#include "document/editor.h"
#include "document/livecheck.h"
#include "document/typing.h"
#include "platform/filedialog.h"
#include "platform/platform.h"
#include "script/player.h"

#include <QMainWindow>
#include <QPointer>

class QLabel;
class QListWidget;
class QToolBar;

namespace vistrel::compose {
class CharacterInteraction;
}  // namespace vistrel::compose

namespace vistrel::app {

// The main window: the script editor with the animations and Methods lists beside it, the
// menus, the toolbar and the status bar. It owns the state that the player and composition
// share (the cast and the request slots) and hands each command to the part of the program
// that does it.
class MainWindow final : public QMainWindow,
                         public script::PlayerHost,
                         public document::DocumentHost,
                         public compose::LoadAllHost,
                         public compose::MethodsHost {
    Q_OBJECT
  public:
    // The window's fixed size in twips, and twips to a pixel at 96 dots per inch.
    static constexpr int kWidthTwips = 8175;
    static constexpr int kHeightTwips = 5850;
    static constexpr int kTwipsPerPixel = 15;

    static QString startStatus();
    // What the assistant says before the E-mail command opens the mail program.
    static QString emailHint();
    static QString welcomeHtml();

    // `scriptService` holds the script's characters, `assistantService` the help assistant.
    MainWindow(platform::Platform platform, agent::Agent& scriptService,
               agent::Agent& assistantService, QString programFolder, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Runs the start-up with the program's arguments (without the program's name), then shows
    // the window unless the arguments asked to play a script.
    void start(const QStringList& arguments);

    const WindowCommands& commands() const { return commands_; }
    script::PlayerState& state() { return state_; }
    const document::ScriptDocument& document() const { return document_; }
    document::ScriptEditor& scriptEditor() { return *scriptEditor_; }
    QListWidget& methodsList() { return *methodsList_; }
    QListWidget& animationsList() { return *animationsList_; }
    QToolBar& toolbar() { return *toolbar_; }
    EndOfPlayWatch& endOfPlayWatch() { return watch_; }
    agent::Agent& scriptService() { return scriptService_; }
    agent::Agent& assistantService() { return assistantService_; }
    assistant::HelpAssistant& helpAssistant() { return assistant_; }
    QString statusText() const;
    document::LiveChecker& liveChecker() { return *liveCheck_; }
    // The count of the script's problems beside the status text; empty when there are none.
    QString problemsText() const;
    // The command line as start-up read it: lower case, blanks trimmed.
    const QString& commandLine() const { return commandLine_; }
    // The hints' way to the help assistant.
    compose::Hints& hints() { return hints_; }
    document::EditorTyping& editorTyping() { return typing_; }
    compose::MethodsCommands& methods() { return methods_; }
    compose::CharacterInteraction& interaction() { return *interaction_; }
    // The character picker; null until it is first shown.
    compose::CharacterPicker* characterPicker() const { return picker_; }
    VideoExport& videoExport() { return videoExport_; }
    // Chooses the characters folder (the Character Folder command).
    void chooseCharactersFolder();

    // --- script::PlayerHost, document::DocumentHost, compose::LoadAllHost, MethodsHost ---
    void setStatusText(const QString& text) override;
    void minimizeWindow() override;
    void showStopMessage(const QString& title, const QString& text) override;
    void focusEditor() override;
    QString programFolder() const override { return programFolder_; }
    void clearAnimations() override;
    void showStartingMethods() override;
    void clearMethods() override;
    void disableCloseCommand() override;
    void hideCharacterPicker() override;
    void speakHint(const QString& text) override;
    QString activeCharacter() const override;
    bool showCharacterPicker() override;

  signals:
    // The program is to end: the window was closed or a character's "Exit" was chosen.
    void programEnded();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void buildWindow();
    void buildToolbar();
    void connectCommands();
    void readCommandLine(const QStringList& arguments);
    // Plays the script file with the window hidden, without showing it in the editor.
    void playFromCommandLine(const QString& path);
    // Shows `title` as the caption, with the mark of a modified script where it belongs.
    void showTitle(const QString& title);
    void characterCommandChosen(const agent::UserInput& userInput);
    // What File > Export Video renders.
    VideoExport::Source exportSource() const;
    // Hands the editor's text, between the mail markers, to the user's mail program.
    void sendByMail();
    void endProgram(const char* why);

    platform::Platform platform_;
    agent::Agent& scriptService_;
    agent::Agent& assistantService_;
    QString programFolder_;
    QString commandLine_;
    bool startHidden_ = false;
    bool ended_ = false;

    script::PlayerState state_;
    // Made here, before the commands that hold them; the window takes them over when it is
    // laid out.
    document::ScriptEditor* scriptEditor_;
    QListWidget* methodsList_;
    QListWidget* animationsList_;
    QToolBar* toolbar_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* problems_ = nullptr;
    // The script's open and save dialog keeps the current file name.
    platform::FileDialog scriptFileDialog_;

    WindowCommands commands_;
    document::ScriptDocument document_;
    document::EditingCommands editing_;
    script::ScriptPlayer player_;
    compose::CastCommands cast_;
    compose::Hints hints_;
    document::EditorTyping typing_;
    compose::MethodsCommands methods_;
    compose::CharactersFolderCommand folderCommand_;
    compose::CharacterInteraction* interaction_ = nullptr;
    QPointer<compose::CharacterPicker> picker_;
    EndOfPlayWatch watch_;
    assistant::HelpAssistant assistant_;
    document::LiveChecker* liveCheck_ = nullptr;
    document::ScriptCompletion* completion_ = nullptr;
    // Last, so that a render still running is stopped before anything else goes.
    VideoExport videoExport_;
};

}  // namespace vistrel::app
