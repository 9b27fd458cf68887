#include "app/mainwindow.h"

#include "app/artwork.h"
#include "compose/interaction.h"
#include "compose/methods.h"
#include "compose/picker.h"
#include "document/highlighter.h"
#include "document/scriptfile.h"
#include "files/regularfile.h"
#include "log/log.h"
#include "platform/paths.h"
#include "script/mailtext.h"
#include "script/scripttext.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

#include <filesystem>
#include <optional>
#include <utility>

namespace vistrel::app {

using platform::Message;
using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;

QString MainWindow::startStatus() {
    return tr("Firstly click 'Load' to choose your characters, or open an existing file");
}

QString MainWindow::welcomeHtml() {
    return tr(
        "<p><b>Welcome to the Vistrel Scripter!</b></p>"
        "<p>Write scripts that bring characters onto your desktop: they appear, walk about, "
        "play their animations and speak in speech balloons.</p>"
        "<p>Double-click <b>Load.</b> in the Methods list to choose your characters, then "
        "<b>Load Characters</b> to bring them on screen. Click a character to list its "
        "animations and commands, and press <b>Play</b> to watch your script.</p>"
        "<p><i>Vistrel Scripter by Tamsel.</i> Speech by eSpeak NG; built with Qt.</p>");
}

MainWindow::MainWindow(platform::Platform platform, agent::Agent& scriptService,
                       agent::Agent& assistantService, QString programFolder, QWidget* parent)
    : QMainWindow(parent),
      platform_(platform),
      scriptService_(scriptService),
      assistantService_(assistantService),
      programFolder_(std::move(programFolder)),
      scriptEditor_(new document::ScriptEditor),
      methodsList_(new QListWidget),
      animationsList_(new QListWidget),
      scriptFileDialog_(platform.files),
      commands_(this),
      document_(*scriptEditor_, scriptFileDialog_, platform.messages, *this),
      editing_(*scriptEditor_, platform.clipboard, [this] { return focusWidget(); }),
      player_(state_, scriptService_, *this),
      cast_(state_, scriptService_, player_, document_, *scriptEditor_, *methodsList_,
            *animationsList_, platform.messages, *this),
      typing_(*scriptEditor_),
      methods_(*methodsList_, typing_, platform.prompts, platform.files, platform.messages, hints_,
               *this),
      folderCommand_(platform.files, platform.settings, hints_,
                     platform::charactersDataFolder(programFolder_)),
      watch_(state_, scriptService_),
      assistant_(assistantService_, platform.messages),
      videoExport_(platform.files, platform.messages, *this, programFolder_,
                   [this] { return exportSource(); }) {
    setObjectName(QStringLiteral("mainWindow"));
    showTitle(document_.title());
    buildWindow();
    commands_.fillMenuBar(*menuBar());
    buildToolbar();
    connectCommands();
    connect(&document_, &document::ScriptDocument::titleChanged, this, &MainWindow::showTitle);
    connect(&document_, &document::ScriptDocument::modificationChanged, this,
            &MainWindow::setWindowModified);
    connect(&scriptService_, &agent::Agent::Command, this, &MainWindow::characterCommandChosen);
    connect(&watch_, &EndOfPlayWatch::everyCharacterHidden, this, &MainWindow::close);
    // Only the script's characters make a character active; the help assistant's service is
    // not listened to.
    interaction_ = new compose::CharacterInteraction(
        state_.cast, scriptService_, *animationsList_, *methodsList_, typing_, hints_,
        [this](const QString& text) { setStatusText(text); }, this);
    connect(methodsList_, &QListWidget::itemDoubleClicked, this,
            [this] { methods_.runSelected(); });
    // The hints speak through the help assistant while it is switched on.
    hints_.setVoice([this](const QString& text, bool stopFirst) {
        return stopFirst ? assistant_.interruptWithHint(text) : assistant_.speakHint(text);
    });
    connect(&assistant_, &assistant::HelpAssistant::switchedOn, this,
            [this](bool on) { hints_.setHelpOn(on); });
    new document::ScriptHighlighter(scriptEditor_->document());
    liveCheck_ = new document::LiveChecker(
        *scriptEditor_,
        [this] {
            script::CheckOptions options;
            options.charactersFolder = state_.charactersFolder;
            if (document_.hasPath())
                options.scriptFolder = QFileInfo(document_.currentPath()).absolutePath();
            return options;
        },
        this);
    completion_ = new document::ScriptCompletion(
        *scriptEditor_,
        {[this] { return liveCheck_->loadedNames(); },
         [this](const QString& name) { return liveCheck_->animationsOf(name); }},
        this);
    connect(liveCheck_, &document::LiveChecker::checked, this,
            [this](int count) { problems_->setText(document::LiveChecker::countText(count)); });
}

MainWindow::~MainWindow() {
    // Before the editor, the lists and the state they work on.
    delete picker_.data();
    delete interaction_;
    delete completion_;
    delete liveCheck_;
}

void MainWindow::buildWindow() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("background"));
    auto* grid = new QGridLayout(central);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);

    scriptEditor_->setParent(central);
    animationsList_->setParent(central);
    animationsList_->setObjectName(QStringLiteral("animationsList"));
    animationsList_->setSortingEnabled(true);
    animationsList_->setToolTip(tr("Animations"));
    methodsList_->setParent(central);
    methodsList_->setObjectName(QStringLiteral("methodsList"));
    methodsList_->setToolTip(tr("Methods"));

    auto* animationsLabel = new QLabel(tr("Animations"), central);
    auto* methodsLabel = new QLabel(tr("Methods"), central);
    grid->addWidget(scriptEditor_, 0, 0, 4, 1);
    grid->addWidget(animationsLabel, 0, 1);
    grid->addWidget(animationsList_, 1, 1);
    grid->addWidget(methodsLabel, 2, 1);
    grid->addWidget(methodsList_, 3, 1);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(1, 3);
    grid->setRowStretch(3, 2);
    animationsList_->setFixedWidth(150);
    methodsList_->setFixedWidth(150);
    setCentralWidget(central);

    auto* bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("statusBar"));
    bar->setSizeGripEnabled(false);
    status_ = new QLabel(bar);
    status_->setObjectName(QStringLiteral("statusText"));
    bar->addWidget(status_, 1);
    problems_ = new QLabel(bar);
    problems_->setObjectName(QStringLiteral("problemCount"));
    bar->addPermanentWidget(problems_);
    setStatusBar(bar);

    setFixedSize(kWidthTwips / kTwipsPerPixel, kHeightTwips / kTwipsPerPixel);
    setWindowIcon(QIcon(QPixmap::fromImage(programIcon(64))));
}

void MainWindow::buildToolbar() {
    toolbar_ = addToolBar(tr("Toolbar"));
    toolbar_->setObjectName(QStringLiteral("toolbar"));
    toolbar_->setMovable(false);
    toolbar_->setFloatable(false);
    toolbar_->setIconSize(QSize(24, 24));
    toolbar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolbar_->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    commands_.fillToolbar(*toolbar_);
}

void MainWindow::connectCommands() {
    const WindowCommands& c = commands_;
    auto on = [this](QAction* action, auto&& handler) {
        connect(action, &QAction::triggered, this, std::forward<decltype(handler)>(handler));
    };
    on(c.newScript, [this] { document_.newScript(); });
    on(c.open, [this] { document_.open(); });
    on(c.save, [this] { document_.save(); });
    on(c.saveAs, [this] { document_.saveAs(); });
    on(c.close, [this] { document_.close(); });
    on(c.exit, [this] { close(); });
    on(c.cut, [this] { editing_.cut(); });
    on(c.copy, [this] { editing_.copy(); });
    on(c.paste, [this] { editing_.paste(); });
    on(c.selectAll, [this] { editing_.selectAll(); });
    on(c.enlargeFont, [this] { editing_.enlargeFont(); });
    on(c.shrinkFont, [this] { editing_.shrinkFont(); });
    on(c.bold, [this] { editing_.toggleBold(); });
    on(c.italic, [this] { editing_.toggleItalic(); });
    on(c.play, [this] {
        cast_.play();
        watch_.lookAfterSettling();
    });
    on(c.stop, [this] { cast_.stopAll(); });
    on(c.loadAll, [this] {
        cast_.loadAll();
        watch_.lookAfterSettling();
    });
    on(c.unloadAll, [this] {
        cast_.unloadAll();
        watch_.lookAfterSettling();
    });
    on(c.characterFolder, [this] { chooseCharactersFolder(); });
    on(c.exportVideo, [this] { videoExport_.run(); });
    on(c.email, [this] { sendByMail(); });
    on(c.helpOn, [this] { assistant_.switchOn(); });
    on(c.helpOff, [this] { assistant_.switchOff(); });
    on(c.intro, [this] { assistant_.playIntroduction(); });
    connect(&videoExport_, &VideoExport::status, this, &MainWindow::setStatusText);
    // One render at a time.
    connect(&videoExport_, &VideoExport::finished, this,
            [this] { commands_.exportVideo->setEnabled(true); });
    connect(commands_.exportVideo, &QAction::triggered, this,
            [this] { commands_.exportVideo->setEnabled(!videoExport_.running()); });
    // Exactly one of ON and OFF carries the check mark, whichever was chosen last.
    connect(&assistant_, &assistant::HelpAssistant::switchedOn, this, [this](bool helpOn) {
        commands_.helpOn->setChecked(helpOn);
        commands_.helpOff->setChecked(!helpOn);
    });
}

void MainWindow::start(const QStringList& arguments) {
    setStatusText(startStatus());
    readCommandLine(arguments);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    compose::showStartingMethods(*methodsList_);

    platform_.tooltip.setOptions(0, 6, 4);
    platform_.tooltip.setPicture(programIcon(48));
    platform_.tooltip.setHtml(welcomeHtml());
    if (!startHidden_)
        show();
}

namespace {

// Files larger than this are not looked into for a mailed script.
constexpr std::uint64_t kMaxMailFileBytes = std::uint64_t{16} << 20;

// The script between the mail markers in the file at `path`; nothing when the file cannot be
// read or holds no start marker.
std::optional<QString> scriptMailedIn(const QString& path) {
    if (path.isEmpty())
        return std::nullopt;
    // Opened once and judged on that descriptor, so the name cannot turn into a pipe between
    // the check and the read.
    QByteArray bytes;
    try {
        bytes = files::read<QByteArray>(std::filesystem::path(path.toStdU16String()),
                                        kMaxMailFileBytes);
    } catch (const files::Error& error) {
        qCDebug(log::app) << "command line: not a saved mail:" << error.what();
        return std::nullopt;
    }
    return script::scriptFromMailText(script::decodeScriptText(bytes));
}

}  // namespace

void MainWindow::readCommandLine(const QStringList& arguments) {
    // Mode tests use the lower-case line; files are opened by the name as given, because file
    // names differ by case here.
    const QString given = arguments.join(QLatin1Char(' ')).trimmed();
    commandLine_ = given.toLower();

    state_.charactersFolder =
        platform::storedCharactersFolder(platform_.settings, folderCommand_.defaultFolder());
    qCDebug(log::app) << "characters folder:" << state_.charactersFolder;

    const std::optional<QString> mailed =
        commandLine_.endsWith(QLatin1String("/ed")) ? std::nullopt : scriptMailedIn(given);
    if (mailed) {
        // A saved mail (or any file) holding a script between the mail markers: the script is
        // played, and the file, which holds more than the script, is left as it is.
        qCDebug(log::app) << "command line: play the script mailed in" << given;
        state_.closeWhenAllHidden = true;
        player_.playText(*mailed);
        watch_.lookAfterSettling();
        showTitle(commandLine_);
        startHidden_ = true;
        hide();
    } else if (commandLine_.endsWith(QLatin1String(".vtl"))) {
        qCDebug(log::app) << "command line: play" << given << "with the window hidden";
        state_.closeWhenAllHidden = true;
        playFromCommandLine(given);
        showTitle(commandLine_);
        startHidden_ = true;
        hide();
    } else if (commandLine_.endsWith(QLatin1String("/ed"))) {
        const QString path = given.chopped(3).trimmed();
        qCDebug(log::app) << "command line: edit" << path;
        document_.openPath(path);
    } else {
        qCDebug(log::app) << "command line: none that selects a mode, editing" << commandLine_;
    }
}

void MainWindow::playFromCommandLine(const QString& path) {
    // The editor is never given the text: nobody sees it, and laying out the longest scripts
    // would hold up the window thread that the characters play on.
    QString problem;
    const std::optional<document::ScriptFile> file =
        document::readScriptFile(path, script::kMaxScriptBytes, &problem);
    if (!file) {
        log::ignored(log::app(), QLatin1String("play ") + path, problem);
        watch_.lookAfterSettling();
        return;
    }
    cast_.unloadAll();
    // Play rewrites the file before playing it. A file the user may read but not write (an
    // installed demo) still plays, as it is.
    QString lines = file->text;
    lines.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    if (!document::writeScriptFile(path, lines, file->encoding, &problem)) {
        log::ignored(log::app(), QLatin1String("rewrite ") + path,
                     problem + QLatin1String("; it plays as it is"));
    }
    qCDebug(log::app) << "play started:" << path;
    player_.playScript(path);
    watch_.lookAfterSettling();
}

void MainWindow::showTitle(const QString& title) {
    // A "[*]" of the title's own stands for itself when doubled.
    QString caption = title;
    caption.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
    setWindowTitle(caption + QLatin1String("[*]"));
}

QString MainWindow::emailHint() {
    return tr(
        "You need to be Running some form of Outlook to send email this way...The emails "
        "will contain your present script and be played by the recipient if they have "
        "VT2000 installed.");
}

VideoExport::Source MainWindow::exportSource() const {
    // What Play would play: the editor's text, or a mail's script between its markers.
    const QString text = scriptEditor_->scriptText();
    VideoExport::Source source;
    source.text = script::scriptFromMailText(text).value_or(text);
    source.scriptPath = document_.currentPath();
    source.charactersFolder = state_.charactersFolder;
    return source;
}

void MainWindow::sendByMail() {
    speakHint(emailHint());
    platform_.mail.compose(script::mailText(scriptEditor_->scriptText()));
}

void MainWindow::characterCommandChosen(const agent::UserInput& userInput) {
    if (userInput.Name.compare(compose::CastCommands::kExitCommand, Qt::CaseInsensitive) != 0)
        return;
    endProgram("a character's Exit was chosen");
}

void MainWindow::endProgram(const char* why) {
    qCDebug(log::app) << "the program ends:" << why;
    watch_.stop();
    emit programEnded();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (methods_.hasTextEntry())
        methods_.textEntry().hide();
    if (picker_)
        picker_->close();
    endProgram("the main window was closed");
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    QMainWindow::mousePressEvent(event);
    platform_.tooltip.show(-1, -1);
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // The picker stays above every window: not above a minimised program.
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        hideCharacterPicker();
}

QString MainWindow::statusText() const {
    return status_->text();
}

QString MainWindow::problemsText() const {
    return problems_->text();
}

void MainWindow::setStatusText(const QString& text) {
    status_->setText(text);
}

void MainWindow::minimizeWindow() {
    // A window hidden for command-line play stays hidden: it is only marked minimised.
    if (isVisible())
        showMinimized();
    else
        setWindowState(windowState() | Qt::WindowMinimized);
}

void MainWindow::showStopMessage(const QString& title, const QString& text) {
    platform_.messages.show(
        Message{text, title, MessageIcon::Stop, MessageButtons::Ok, MessageAnswer::Ok});
}

void MainWindow::focusEditor() {
    if (isVisible())
        scriptEditor_->setFocus();
}

void MainWindow::clearAnimations() {
    animationsList_->clear();
}

void MainWindow::showStartingMethods() {
    compose::showStartingMethods(*methodsList_);
}

void MainWindow::clearMethods() {
    methodsList_->clear();
}

void MainWindow::disableCloseCommand() {
    commands_.close->setEnabled(false);
}

void MainWindow::hideCharacterPicker() {
    if (picker_)
        picker_->hide();
}

void MainWindow::speakHint(const QString& text) {
    hints_.speakHint(text);
}

QString MainWindow::activeCharacter() const {
    return interaction_->activeName();
}

bool MainWindow::showCharacterPicker() {
    const QString folder = state_.charactersFolder;
    if (!QFileInfo(QDir::fromNativeSeparators(folder)).isDir()) {
        log::ignored(log::app(), QLatin1String("showing the character picker on ") + folder,
                     QLatin1String("the characters folder does not exist"));
        return false;
    }
    const bool first = !picker_;
    if (first)
        picker_ = new compose::CharacterPicker(typing_, state_.cast, *methodsList_, hints_, this);
    picker_->setFolder(folder);
    if (first) {
        // Beside the window, over the desktop rather than over the script.
        const QRect frame = frameGeometry();
        picker_->move(frame.right() + 8, frame.top());
        if (const QScreen* screen = this->screen()) {
            const QRect area = screen->availableGeometry();
            if (!area.contains(QRect(picker_->pos(), picker_->frameGeometry().size())))
                picker_->move(std::max(area.left(), frame.left() - picker_->width() - 8),
                              frame.top());
        }
    }
    picker_->show();
    picker_->raise();
    return true;
}

void MainWindow::chooseCharactersFolder() {
    state_.charactersFolder = folderCommand_.choose(state_.charactersFolder);
    qCDebug(log::app) << "characters folder:" << state_.charactersFolder;
    if (picker_)
        picker_->setFolder(state_.charactersFolder);
}

}  // namespace vistrel::app
