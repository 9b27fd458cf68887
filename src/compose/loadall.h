#pragma once

#include "agent/agent.h"
#include "document/document.h"
#include "platform/platform.h"
#include "script/player.h"

#include <QString>

class QListWidget;

namespace vistrel::compose {

// What Load All needs from the window beyond the document, the lists and the service.
class LoadAllHost {
  public:
    virtual ~LoadAllHost() = default;
    virtual void setStatusText(const QString& text) = 0;
    virtual void hideCharacterPicker() = 0;
    // Has the help assistant say `text` when help is switched on.
    virtual void speakHint(const QString& text) = 0;
};

// Brings the characters that a script's "Load." items name onto the desktop, recording them in
// the loaded-character table, and takes them away again.
class CharacterLoading {
  public:
    static const QString kLoadAllHint;
    static const QString kComingHint;
    static const QString kShowHint;
    static const QString kSaveFirst;
    static const QString kLoadedStatus;
    static const QString kExitCommand;

    CharacterLoading(script::PlayerState& state, agent::Agent& AgentControl,
                     document::ScriptDocument& document, const document::ScriptEditor& editor,
                     QListWidget& lstvar, QListWidget& lstAnimations,
                     platform::MessageBoxes& messages, LoadAllHost& host);

    void LoadAll();
    void UnloadAll();

  private:
    void LoadScriptCharacters();
    void loadCharacter(const QString& name);

    script::PlayerState& state_;
    agent::Agent& agentControl_;
    document::ScriptDocument& document_;
    const document::ScriptEditor& editor_;
    QListWidget& lstvar_;
    QListWidget& lstAnimations_;
    platform::MessageBoxes& messages_;
    LoadAllHost& host_;
};

}  // namespace vistrel::compose
