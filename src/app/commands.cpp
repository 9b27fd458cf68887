#include "app/commands.h"

#include "app/artwork.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>
#include <QToolBar>

#include <optional>

namespace vistrel::app {

namespace {

struct Definition {
    const char* name;
    QString text;
    QKeySequence shortcut = {};
    // The picture and the tooltip of the command's toolbar button, when it has one.
    std::optional<CommandPicture> picture = std::nullopt;
    QString buttonText = {};
    bool enabled = true;
};

QAction* make(QObject* owner, const Definition& made) {
    auto* action = new QAction(made.text, owner);
    action->setObjectName(QLatin1String(made.name));
    action->setShortcut(made.shortcut);
    action->setEnabled(made.enabled);
    if (made.picture) {
        action->setIcon(commandIcon(*made.picture));
        // The menus show the command's words alone.
        action->setIconVisibleInMenu(false);
        action->setIconText(made.buttonText);
        action->setToolTip(made.buttonText);
    }
    return action;
}

// Menus and menu bars make room for an entry's picture, and a menu bar shows the picture
// instead of the words, whenever the action has one, even one not visible in menus. The
// commands' pictures are for the toolbar: this window's menus measure and draw every entry as
// if it had none.
class WordsOnlyMenuStyle final : public QProxyStyle {
  public:
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (!item || (type != CT_MenuBarItem && type != CT_MenuItem))
            return QProxyStyle::sizeFromContents(type, option, size, widget);
        QSize contents = size;
        if (type == CT_MenuBarItem && !item->icon.isNull() && widget)
            contents = widget->fontMetrics().size(Qt::TextShowMnemonic, item->text);
        const QStyleOptionMenuItem words = withoutPicture(*item);
        return QProxyStyle::sizeFromContents(type, &words, contents, widget);
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (!item || (element != CE_MenuBarItem && element != CE_MenuItem)) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        const QStyleOptionMenuItem words = withoutPicture(*item);
        QProxyStyle::drawControl(element, &words, painter, widget);
    }

  private:
    static QStyleOptionMenuItem withoutPicture(const QStyleOptionMenuItem& item) {
        QStyleOptionMenuItem words(item);
        words.icon = QIcon();
        words.maxIconWidth = 0;
        return words;
    }
};

QAction* checkable(QAction* action, bool checked) {
    action->setCheckable(true);
    action->setChecked(checked);
    return action;
}

}  // namespace

WindowCommands::WindowCommands(QObject* owner)
    : newScript(make(owner, {"newScript", tr("&New"), QKeySequence(Qt::CTRL | Qt::Key_N),
                             CommandPicture::New, tr("New")})),
      open(make(owner, {"open", tr("&Open"), QKeySequence(Qt::CTRL | Qt::Key_O),
                        CommandPicture::Open, tr("Open")})),
      save(make(owner, {"save", tr("S&ave"), {}, CommandPicture::Save, tr("Save")})),
      saveAs(make(owner, {"saveAs", tr("&Save As"), QKeySequence(Qt::CTRL | Qt::Key_S)})),
      close(make(owner, {"close", tr("&Close"), QKeySequence(Qt::CTRL | Qt::Key_F2)})),
      exportVideo(make(owner, {"exportVideo", tr("Export &Video…")})),
      email(make(owner, {"email", tr("E&mail")})),
      exit(make(owner, {"exit", tr("E&xit")})),
      cut(make(owner, {"cut", tr("&Cut"), QKeySequence(Qt::CTRL | Qt::Key_X), CommandPicture::Cut,
                       tr("Cut")})),
      copy(make(owner, {"copy", tr("Co&py"), QKeySequence(Qt::CTRL | Qt::Key_C),
                        CommandPicture::Copy, tr("Copy")})),
      paste(make(owner, {"paste", tr("&Paste"), QKeySequence(Qt::CTRL | Qt::Key_P),
                         CommandPicture::Paste, tr("Paste")})),
      selectAll(make(owner, {"selectAll", tr("S&elect All")})),
      enlargeFont(make(owner, {"enlargeFont", tr("&Bigger")})),
      shrinkFont(make(owner, {"shrinkFont", tr("&Smaller")})),
      bold(make(owner, {"bold", tr("B&old"), {}, CommandPicture::Bold, tr("Bold")})),
      italic(make(owner, {"italic", tr("Italic"), {}, CommandPicture::Italic, tr("Italic")})),
      play(make(owner, {"play", tr("Play it"), {}, CommandPicture::Play, tr("Play")})),
      stop(make(owner, {"stop", tr("Stop"), {}, CommandPicture::Stop, tr("Stop")})),
      loadAll(make(
          owner,
          {"loadAll", tr("Lo&ad All"), {}, CommandPicture::LoadCharacters, tr("Load Characters")})),
      unloadAll(
          make(owner,
               {"unloadAll", tr("U&nload All"), {}, CommandPicture::UnloadAll, tr("Unload All")})),
      characterFolder(make(owner, {"characterFolder",
                                   tr("&Character Folder"),
                                   {},
                                   CommandPicture::CharacterFolder,
                                   tr("Character Folder")})),
      intro(make(owner, {"intro", tr("Intro")})),
      helpOn(checkable(make(owner, {"helpOn", tr("ON")}), false)),
      helpOff(checkable(make(owner, {"helpOff", tr("OFF")}), true)) {}

void WindowCommands::fillMenuBar(QMenuBar& bar) const {
    auto* style = new WordsOnlyMenuStyle;
    style->setParent(&bar);
    bar.setStyle(style);

    QMenu* file = bar.addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    file->addActions({newScript, open, save, saveAs, close});
    file->addSeparator();
    file->addAction(exportVideo);
    file->addSeparator();
    file->addAction(email);
    file->addSeparator();
    file->addAction(exit);

    QMenu* edit = bar.addMenu(tr("&Edit"));
    edit->setObjectName(QStringLiteral("editMenu"));
    edit->addActions({cut, copy, paste, selectAll});

    QMenu* text = bar.addMenu(tr("&Text"));
    text->setObjectName(QStringLiteral("textMenu"));
    text->addActions({enlargeFont, shrinkFont, bold});

    bar.addActions({play, stop, loadAll, unloadAll, characterFolder});

    QMenu* help = bar.addMenu(tr("&Help"));
    help->setObjectName(QStringLiteral("helpMenu"));
    help->addActions({intro, helpOn, helpOff});

    for (QMenu* menu : {file, edit, text, help})
        menu->setStyle(style);
}

void WindowCommands::fillToolbar(QToolBar& bar) const {
    bar.addActions({newScript, open, save});
    bar.addSeparator();
    bar.addActions({cut, copy, paste});
    bar.addSeparator();
    bar.addSeparator();
    bar.addActions({bold, italic});
    bar.addSeparator();
    bar.addSeparator();
    bar.addActions({characterFolder, loadAll, unloadAll, stop, play});
}

}  // namespace vistrel::app
