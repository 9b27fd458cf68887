#pragma once

#include "agent/agent.h"
#include "document/document.h"
#include "platform/platform.h"
#include "script/player.h"

#include <QCoreApplication>
#include <QString>

class QListWidget;

namespace vistrel::compose {

// What the commands on the script's characters need from the window beyond the document, the
// lists and the service.
class LoadAllHost {
  public:
    virtual ~LoadAllHost() = default;
    virtual void setStatusText(const QString& text) = 0;
    virtual void hideCharacterPicker() = 0;
    // Has the help assistant say `text` when help is switched on.
    virtual void speakHint(const QString& text) = 0;
};

// The commands on the script's characters: Load All brings the characters that the script's
// "Load." items name onto the desktop, recording them in the cast; Unload All takes them away
// again; Stop stops each of them; Play saves the script and plays it afresh.
class CastCommands {
    Q_DECLARE_TR_FUNCTIONS(CastCommands)
  public:
    static QString loadAllHint();
    static QString comingHint();
    static QString showHint();
    static QString saveFirstMessage();
    static QString loadedStatus();
    // The pop-up entry every loaded character gets; choosing it ends the program.
    static const QString kExitCommand;

    CastCommands(script::PlayerState& state, agent::Agent& service, script::ScriptPlayer& player,
                 document::ScriptDocument& document, const document::ScriptEditor& editor,
                 QListWidget& methodsList, QListWidget& animationsList,
                 platform::MessageBoxes& messages, LoadAllHost& host);

    void loadAll();
    void unloadAll();
    void stopAll();
    // A script without a file is saved first and not played.
    void play();

  private:
    void loadScriptCharacters();
    void loadCharacter(const QString& name);

    script::PlayerState& state_;
    agent::Agent& service_;
    script::ScriptPlayer& player_;
    document::ScriptDocument& document_;
    const document::ScriptEditor& editor_;
    QListWidget& methodsList_;
    QListWidget& animationsList_;
    platform::MessageBoxes& messages_;
    LoadAllHost& host_;
};

}  // namespace vistrel::compose
