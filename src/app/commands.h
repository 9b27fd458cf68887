#pragma once

#include <QCoreApplication>

class QAction;
class QMenuBar;
class QObject;
class QToolBar;

namespace vistrel::app {

// The window's user commands, each one action made once with its text, shortcut, picture and
// enabled state, and shared by the menus and the toolbar: disabling or triggering it does so
// wherever it is shown. Entries the window does not offer yet are disabled actions. The
// actions belong to `owner`; connecting them to what they do is the window's business.
class WindowCommands {
    Q_DECLARE_TR_FUNCTIONS(WindowCommands)
  public:
    explicit WindowCommands(QObject* owner);

    // Puts the menus and the entries of the menu bar itself in their order.
    void fillMenuBar(QMenuBar& bar) const;
    // Puts the buttons and separators of the toolbar in their order.
    void fillToolbar(QToolBar& bar) const;

    // File
    QAction* newScript;
    QAction* open;
    QAction* save;
    QAction* saveAs;
    QAction* close;
    QAction* exportVideo;
    QAction* email;
    QAction* exit;
    // Edit
    QAction* cut;
    QAction* copy;
    QAction* paste;
    QAction* selectAll;
    // Text
    QAction* enlargeFont;
    QAction* shrinkFont;
    QAction* bold;
    QAction* italic;  // on the toolbar only
    // The characters
    QAction* play;
    QAction* stop;
    QAction* loadAll;
    QAction* unloadAll;
    QAction* characterFolder;
    // Help
    QAction* intro;
    QAction* helpOn;
    QAction* helpOff;
};

}  // namespace vistrel::app
