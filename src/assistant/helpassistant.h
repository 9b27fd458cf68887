#pragma once

// The help assistant: the character "Merlin" on the program's second character service. While
// it is switched on it speaks a short hint at each step of composing a script; the guided
// introduction walks a newcomer through the program with it.

#include "agent/agent.h"

#include <QObject>
#include <QString>

namespace vistrel::platform {
class MessageBoxes;
}

namespace vistrel::assistant {

class HelpAssistant : public QObject {
    Q_OBJECT
  public:
    // The id the assistant is loaded under; with no file given the service takes its own
    // default file for it.
    static inline const QString kCharacterId = QStringLiteral("Merlin");

    HelpAssistant(agent::Agent& service, platform::MessageBoxes& messages,
                  QObject* parent = nullptr);

    bool isOn() const { return on_; }
    // The character as last loaded by switchOn() or playIntroduction(); kept after switchOff().
    agent::CharacterRef character() const { return character_; }

    // Loads, shows and places the assistant and has it greet the user. Every failure of the
    // service is ignored: the assistant stays switched on even when it could not be loaded.
    void switchOn();
    // Hides and unloads the assistant; failures are ignored (it may never have been loaded).
    void switchOff();

    // Queues a hint behind what the assistant is still saying; nothing while switched off.
    // False when help is on but the assistant could not take the hint (never loaded, or its
    // service refused the Speak); the refusal is logged.
    bool speakHint(const QString& text);
    // The same, after stopping whatever the assistant was doing.
    bool interruptWithHint(const QString& text);

    // Queues the guided introduction. Stops at the first refused step and tells the user; the
    // steps queued before it still play. Leaves the on/off state alone.
    void playIntroduction();

  signals:
    void switchedOn(bool on);

  private:
    void loadCharacter();

    agent::Agent& service_;
    platform::MessageBoxes& messages_;
    agent::CharacterRef character_;
    bool on_ = false;
};

}  // namespace vistrel::assistant
