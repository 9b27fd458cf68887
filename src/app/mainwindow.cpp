#include "app/mainwindow.h"

#include "app/artwork.h"
#include "compose/methods.h"
#include "log/log.h"
#include "platform/paths.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

namespace vistrel::app {

using platform::Message;
using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;

const QString Form1::kStartStatus =
    QStringLiteral("Firstly click 'Load' to choose your characters, or open an existing file");

const QString Form1::kWelcomeHtml = QStringLiteral(
    "<p><b>Welcome to the Vistrel Scripter!</b></p>"
    "<p>Write scripts that bring characters onto your desktop: they appear, walk about, play "
    "their animations and speak in speech balloons.</p>"
    "<p>Double-click <b>Load.</b> in the Methods list to choose your characters, then "
    "<b>Load Characters</b> to bring them on screen. Click a character to list its animations "
    "and commands, and press <b>Play</b> to watch your script.</p>"
    "<p><i>Vistrel Scripter by Tamsel.</i> Speech by eSpeak NG; built with Qt.</p>");

namespace {

// The toolbar's buttons by index, from 1; separators have no text.
struct ToolbarButton {
    int index;
    const char* text;
};
constexpr ToolbarButton kToolbarButtons[] = {
    {1, "New"},
    {2, "Open"},
    {3, "Save"},
    {4, nullptr},
    {5, "Cut"},
    {6, "Copy"},
    {7, "Paste"},
    {8, nullptr},
    {9, nullptr},
    {10, "Bold"},
    {11, "Italic"},
    {12, nullptr},
    {13, nullptr},
    {14, "Character Folder"},
    {15, "Load Characters"},
    {16, "Unload All"},
    {17, "Stop"},
    {18, "Play"},
};

const QString kVistrel = QStringLiteral("Vistrel");

}  // namespace

Form1::Form1(platform::Platform platform, agent::Agent& AgentControl, agent::Agent& AgeCC,
             QString programFolder, QWidget* parent)
    : QMainWindow(parent),
      platform_(platform),
      agentControl_(AgentControl),
      ageCC_(AgeCC),
      programFolder_(std::move(programFolder)),
      text1_(new document::ScriptEditor),
      lstvar_(new QListWidget),
      lstAnimations_(new QListWidget),
      cmDialog1_(platform.files),
      commonDialog1_(platform.files),
      document_(*text1_, cmDialog1_, platform.messages, *this),
      editing_(*text1_, platform.clipboard, [this] { return focusWidget(); }),
      loading_(state_, agentControl_, document_, *text1_, *lstvar_, *lstAnimations_,
               platform.messages, *this),
      player_(state_, agentControl_, *this) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(document::ScriptDocument::kUntitledTitle);
    buildWindow();
    buildMenus();
    buildToolbar();

    timer1_.setObjectName(QStringLiteral("Timer1"));
    timer1_.setInterval(kWatchIntervalMs);
    connect(&timer1_, &QTimer::timeout, this, &Form1::Timer1_Timer);
    connect(&agentControl_, &agent::Agent::Command, this, &Form1::AgentControl_Command);
}

Form1::~Form1() = default;

void Form1::buildWindow() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("background"));
    auto* grid = new QGridLayout(central);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);

    text1_->setParent(central);
    lstAnimations_->setParent(central);
    lstAnimations_->setObjectName(QStringLiteral("lstAnimations"));
    lstAnimations_->setSortingEnabled(true);
    lstAnimations_->setToolTip(QStringLiteral("Animations"));
    lstvar_->setParent(central);
    lstvar_->setObjectName(QStringLiteral("lstvar"));
    lstvar_->setToolTip(QStringLiteral("Methods"));

    auto* animationsLabel = new QLabel(QStringLiteral("Animations"), central);
    auto* methodsLabel = new QLabel(QStringLiteral("Methods"), central);
    grid->addWidget(text1_, 0, 0, 4, 1);
    grid->addWidget(animationsLabel, 0, 1);
    grid->addWidget(lstAnimations_, 1, 1);
    grid->addWidget(methodsLabel, 2, 1);
    grid->addWidget(lstvar_, 3, 1);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(1, 3);
    grid->setRowStretch(3, 2);
    lstAnimations_->setFixedWidth(150);
    lstvar_->setFixedWidth(150);
    setCentralWidget(central);

    auto* bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    status_ = new QLabel(bar);
    status_->setObjectName(QStringLiteral("StatusBar1Text"));
    bar->addWidget(status_, 1);
    setStatusBar(bar);

    setFixedSize(kWidthTwips / kTwipsPerPixel, kHeightTwips / kTwipsPerPixel);
    setWindowIcon(QIcon(QPixmap::fromImage(programIcon(64))));
}

QAction* Form1::menuAction(QMenu* menu, const char* name, const QString& caption,
                           void (Form1::*handler)(), const QKeySequence& shortcut) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    if (handler)
        connect(action, &QAction::triggered, this, handler);
    else
        action->setEnabled(false);  // a command this window does not offer yet
    if (menu)
        menu->addAction(action);
    else
        menuBar()->addAction(action);
    return action;
}

void Form1::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    menuAction(file, "mnuFileNew", QStringLiteral("&New"), &Form1::mnuFileNew_Click,
               QKeySequence(Qt::CTRL | Qt::Key_N));
    menuAction(file, "mnuFileOpen", QStringLiteral("&Open"), &Form1::mnuFileOpen_Click,
               QKeySequence(Qt::CTRL | Qt::Key_O));
    menuAction(file, "mnuStraightSave", QStringLiteral("S&ave"), &Form1::mnuStraightSave_Click);
    menuAction(file, "mnuFileSave", QStringLiteral("&Save As"), &Form1::mnuFileSave_Click,
               QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuFileClose_ = menuAction(file, "mnuFileClose", QStringLiteral("&Close"),
                               &Form1::mnuFileClose_Click, QKeySequence(Qt::CTRL | Qt::Key_F2));
    file->addSeparator();
    menuAction(file, "mnuEmail", QStringLiteral("E&mail"), nullptr);
    file->addSeparator();
    menuAction(file, "mnuFileExit", QStringLiteral("E&xit"), &Form1::mnuFileExit_Click);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("mnuEdit"));
    menuAction(edit, "mnuCut", QStringLiteral("&Cut"), &Form1::mnuCut_Click,
               QKeySequence(Qt::CTRL | Qt::Key_X));
    menuAction(edit, "mnuCopy", QStringLiteral("Co&py"), &Form1::mnuCopy_Click,
               QKeySequence(Qt::CTRL | Qt::Key_C));
    menuAction(edit, "mnuPaste", QStringLiteral("&Paste"), &Form1::mnuPaste_Click,
               QKeySequence(Qt::CTRL | Qt::Key_P));
    menuAction(edit, "mnuSelectAll", QStringLiteral("S&elect All"), &Form1::mnuSelectAll_Click);

    QMenu* text = menuBar()->addMenu(QStringLiteral("&Text"));
    text->setObjectName(QStringLiteral("Text"));
    menuAction(text, "mnuBigger", QStringLiteral("&Bigger"), &Form1::mnuBigger_Click);
    menuAction(text, "mnuSmaller", QStringLiteral("&Smaller"), &Form1::mnuSmaller_Click);
    menuAction(text, "mnuBold", QStringLiteral("B&old"), &Form1::mnuBold_Click);

    menuAction(nullptr, "mnuPlayIt", QStringLiteral("Play it"), &Form1::mnuPlayIt_Click);
    menuAction(nullptr, "mnuStopall", QStringLiteral("Stop"), &Form1::mnuStopall_Click);
    menuAction(nullptr, "mnuLoadAll", QStringLiteral("Lo&ad All"), &Form1::mnuLoadAll_Click);
    menuAction(nullptr, "mnuUnloadAll", QStringLiteral("U&nload All"), &Form1::mnuUnloadAll_Click);
    menuAction(nullptr, "mnucharFold", QStringLiteral("&Character Folder"), nullptr);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    menuAction(help, "mnuIntro", QStringLiteral("Intro"), nullptr);
    menuAction(help, "mnuHelpOn", QStringLiteral("ON"), nullptr)->setCheckable(true);
    QAction* off = menuAction(help, "mnuHelpOFF", QStringLiteral("OFF"), nullptr);
    off->setCheckable(true);
    off->setChecked(true);
}

void Form1::buildToolbar() {
    toolbar2_ = addToolBar(QStringLiteral("Toolbar2"));
    toolbar2_->setObjectName(QStringLiteral("Toolbar2"));
    toolbar2_->setMovable(false);
    toolbar2_->setFloatable(false);
    toolbar2_->setIconSize(QSize(24, 24));
    toolbar2_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolbar2_->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    for (const ToolbarButton& button : kToolbarButtons) {
        if (!button.text) {
            toolbar2_->addSeparator()->setData(button.index);
            continue;
        }
        QAction* action =
            toolbar2_->addAction(toolbarIcon(button.index), QString::fromLatin1(button.text));
        action->setData(button.index);
        action->setObjectName(QStringLiteral("Toolbar2_%1").arg(button.index));
        action->setToolTip(action->text());
        // Choosing the characters folder comes with the character picker.
        action->setEnabled(button.index != 14);
        const int index = button.index;
        connect(action, &QAction::triggered, this, [this, index] { Toolbar2_ButtonClick(index); });
    }
}

void Form1::start(const QStringList& arguments) {
    Form_Load(arguments);
    if (!startHidden_)
        show();
}

void Form1::Form_Load(const QStringList& arguments) {
    setStatusText(kStartStatus);

    // Mode tests use the lower-case line; files are opened by the name as given, because file
    // names differ by case here.
    const QString given = arguments.join(QLatin1Char(' ')).trimmed();
    commandLine_ = given.toLower();

    const QString defaultFolder = platform::charactersDataFolder(programFolder_);
    state_.charactersFolder = platform_.settings.GetSetting(
        QStringLiteral("Vtl"), QStringLiteral("Dir"), QStringLiteral("Dir"), defaultFolder);
    if (state_.charactersFolder.isEmpty())
        state_.charactersFolder = defaultFolder;

    if (commandLine_.endsWith(QLatin1String(".vtl"))) {
        state_.closeWhenAllHidden = true;
        // A script that cannot be read is not played: playing rewrites the file first.
        if (document_.openPath(given))
            mnuPlayIt_Click();
        setWindowTitle(commandLine_);
        startHidden_ = true;
        hide();
    }
    if (commandLine_.endsWith(QLatin1String("/ed"))) {
        const QString path = given.chopped(3).trimmed();
        if (document_.openPath(path))
            setTitle(path);
    }

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    compose::showStartingMethods(*lstvar_);

    platform_.tooltip.setOptions(0, 6, 4);
    platform_.tooltip.setPicture(programIcon(48));
    platform_.tooltip.setHtml(kWelcomeHtml);
    timer1_.start();
}

void Form1::Form_Click() {
    platform_.tooltip.show(-1, -1);
}

void Form1::mnuPlayIt_Click() {
    if (!document_.hasPath()) {
        hideCharacterPicker();
        platform_.messages.show(Message{document::ScriptDocument::kSaveFirst, kVistrel,
                                        MessageIcon::Exclamation, MessageButtons::Ok,
                                        MessageAnswer::Ok});
        document_.SaveAs();
        return;
    }
    loading_.UnloadAll();
    Debuger = false;
    const QString path = document_.currentPath();
    if (!document_.writeTo(path))
        return;
    player_.playScript(path);
}

void Form1::mnuStopall_Click() {
    for (const script::Cast::Member& member : state_.cast) {
        if (!member.character)
            continue;
        try {
            member.character->Stop();
        } catch (const agent::AgentError& e) {
            log::ignored(log::app(), member.name + QLatin1String(".Stop"), e);
        }
    }
}

void Form1::Toolbar2_ButtonClick(int index) {
    switch (index) {
        case 1:
            mnuFileNew_Click();
            break;
        case 2:
            mnuFileOpen_Click();
            break;
        case 3:
            mnuStraightSave_Click();
            break;
        case 5:
            mnuCut_Click();
            break;
        case 6:
            mnuCopy_Click();
            break;
        case 7:
            mnuPaste_Click();
            break;
        case 10:
            mnuBold_Click();
            break;
        case 11:
            editing_.Italic();
            break;
        case 15:
            mnuLoadAll_Click();
            break;
        case 16:
            mnuUnloadAll_Click();
            break;
        case 17:
            mnuStopall_Click();
            break;
        case 18:
            mnuPlayIt_Click();
            break;
        default:
            break;
    }
}

void Form1::Timer1_Timer() {
    if (!state_.closeWhenAllHidden)
        return;
    for (const script::Cast::Member& member : state_.cast) {
        try {
            if (member.character && member.character->Visible())
                return;
        } catch (const agent::AgentError& e) {
            log::ignored(log::app(), member.name + QLatin1String(".Visible"), e);
        }
    }
    close();
}

void Form1::AgentControl_Command(const agent::UserInput& userInput) {
    if (userInput.Name.compare(QLatin1String("Exit"), Qt::CaseInsensitive) != 0)
        return;
    unloadDialogs();
    emit programEnded();
}

void Form1::unloadDialogs() {
    if (frmtextBox)
        frmtextBox->close();
    if (frmCharacterFolder)
        frmCharacterFolder->close();
}

void Form1::closeEvent(QCloseEvent* event) {
    unloadDialogs();
    timer1_.stop();
    event->accept();
    emit programEnded();
}

void Form1::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        hideCharacterPicker();
    QMainWindow::changeEvent(event);
}

void Form1::mousePressEvent(QMouseEvent* event) {
    QMainWindow::mousePressEvent(event);
    Form_Click();
}

QString Form1::statusText() const {
    return status_->text();
}

void Form1::setStatusText(const QString& text) {
    status_->setText(text);
}

void Form1::minimizeWindow() {
    // A window hidden for command-line play stays hidden: it is only marked minimised.
    if (isVisible())
        showMinimized();
    else
        setWindowState(windowState() | Qt::WindowMinimized);
}

void Form1::showStopMessage(const QString& title, const QString& text) {
    platform_.messages.show(
        Message{text, title, MessageIcon::Stop, MessageButtons::Ok, MessageAnswer::Ok});
}

void Form1::focusEditor() {
    if (isVisible())
        text1_->setFocus();
}

void Form1::setTitle(const QString& title) {
    setWindowTitle(title);
}

void Form1::clearAnimations() {
    lstAnimations_->clear();
}

void Form1::showStartingMethods() {
    compose::showStartingMethods(*lstvar_);
}

void Form1::clearMethods() {
    lstvar_->clear();
}

void Form1::disableCloseCommand() {
    mnuFileClose_->setEnabled(false);
}

void Form1::hideCharacterPicker() {
    if (frmCharacterFolder)
        frmCharacterFolder->hide();
}

void Form1::speakHint(const QString& text) {
    if (!HelpOn || !Merlin)
        return;
    try {
        Merlin->Speak(text);
    } catch (const agent::AgentError&) {
    }
}

}  // namespace vistrel::app
