#pragma once

#include "agent/agent.h"
#include "compose/loadall.h"
#include "document/document.h"
#include "document/editing.h"
#include "document/editor.h"
#include "platform/filedialog.h"
#include "platform/platform.h"
#include "script/player.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <memory>

class QAction;
class QLabel;
class QListWidget;
class QToolBar;

namespace vistrel::app {

// The main window: the script editor with the animations and Methods lists beside it, the
// menus, the toolbar and the status bar. It owns the state that the player and composition
// share (the loaded-character table and the request slots) and hands each command to the part
// of the program that does it.
class Form1 final : public QMainWindow,
                    public script::PlayerHost,
                    public document::DocumentHost,
                    public compose::LoadAllHost {
    Q_OBJECT
  public:
    // The window's fixed size in twips, and twips to a pixel at 96 dots per inch.
    static constexpr int kWidthTwips = 8175;
    static constexpr int kHeightTwips = 5850;
    static constexpr int kTwipsPerPixel = 15;
    static constexpr int kWatchIntervalMs = 10000;

    static const QString kStartStatus;
    static const QString kWelcomeHtml;

    Form1(platform::Platform platform, agent::Agent& AgentControl, agent::Agent& AgeCC,
          QString programFolder, QWidget* parent = nullptr);
    ~Form1() override;

    // Runs the start-up with the program's arguments (without the program's name), then shows
    // the window unless the arguments asked to play a script.
    void start(const QStringList& arguments);

    // --- handlers ---
    void Form_Load(const QStringList& arguments);
    void Form_Click();
    void mnuFileNew_Click() { document_.New(); }
    void mnuFileOpen_Click() { document_.Open(); }
    void mnuStraightSave_Click() { document_.Save(); }
    void mnuFileSave_Click() { document_.SaveAs(); }
    void mnuFileClose_Click() { document_.Close(); }
    void mnuFileExit_Click() { close(); }
    void mnuCut_Click() { editing_.Cut(); }
    void mnuCopy_Click() { editing_.Copy(); }
    void mnuPaste_Click() { editing_.Paste(); }
    void mnuSelectAll_Click() { editing_.SelectAll(); }
    void mnuBigger_Click() { editing_.Bigger(); }
    void mnuSmaller_Click() { editing_.Smaller(); }
    void mnuBold_Click() { editing_.Bold(); }
    void mnuPlayIt_Click();
    void mnuStopall_Click();
    void mnuLoadAll_Click() { loading_.LoadAll(); }
    void mnuUnloadAll_Click() { loading_.UnloadAll(); }
    void Toolbar2_ButtonClick(int index);
    void Timer1_Timer();
    void AgentControl_Command(const agent::UserInput& userInput);

    // --- state shared with the other parts of the program ---
    script::PlayerState& state() { return state_; }
    const document::ScriptDocument& document() const { return document_; }
    document::ScriptEditor& Text1() { return *text1_; }
    QListWidget& lstvar() { return *lstvar_; }
    QListWidget& lstAnimations() { return *lstAnimations_; }
    QToolBar& Toolbar2() { return *toolbar2_; }
    QTimer& Timer1() { return timer1_; }
    platform::FileDialog& CMDialog1() { return cmDialog1_; }
    platform::FileDialog& CommonDialog1() { return commonDialog1_; }
    agent::Agent& AgentControl() { return agentControl_; }
    agent::Agent& AgeCC() { return ageCC_; }
    QString statusText() const;
    // The command line as start-up read it: lower case, blanks trimmed.
    const QString& commandLine() const { return commandLine_; }
    bool Debuger = false;
    bool HelpOn = false;
    agent::CharacterRef Merlin;  // the help assistant, once loaded
    // The character picker and the text entry dialog, once created.
    QPointer<QWidget> frmCharacterFolder;
    QPointer<QWidget> frmtextBox;

    // --- script::PlayerHost, document::DocumentHost, compose::LoadAllHost ---
    void setStatusText(const QString& text) override;
    void minimizeWindow() override;
    void showStopMessage(const QString& title, const QString& text) override;
    void focusEditor() override;
    QString programFolder() const override { return programFolder_; }
    void setTitle(const QString& title) override;
    void clearAnimations() override;
    void showStartingMethods() override;
    void clearMethods() override;
    void disableCloseCommand() override;
    void hideCharacterPicker() override;
    void speakHint(const QString& text) override;

  signals:
    // The program is to end: the window was closed or a character's "Exit" was chosen.
    void programEnded();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void buildWindow();
    void buildMenus();
    void buildToolbar();
    QAction* menuAction(QMenu* menu, const char* name, const QString& caption,
                        void (Form1::*handler)(), const QKeySequence& shortcut = {});
    void unloadDialogs();

    platform::Platform platform_;
    agent::Agent& agentControl_;
    agent::Agent& ageCC_;
    QString programFolder_;
    QString commandLine_;
    bool startHidden_ = false;

    script::PlayerState state_;
    // Made here, before the commands that hold them; the window takes them over when it is
    // laid out.
    document::ScriptEditor* text1_;
    QListWidget* lstvar_;
    QListWidget* lstAnimations_;
    QToolBar* toolbar2_ = nullptr;
    QLabel* status_ = nullptr;
    QAction* mnuFileClose_ = nullptr;
    QTimer timer1_;
    platform::FileDialog cmDialog1_;
    platform::FileDialog commonDialog1_;

    document::ScriptDocument document_;
    document::EditingCommands editing_;
    compose::CharacterLoading loading_;
    script::ScriptPlayer player_;
};

}  // namespace vistrel::app
