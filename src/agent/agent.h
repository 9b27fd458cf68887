#pragma once

#include "agent/request.h"

#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>

namespace vistrel::agent {

// Raised by every service call that fails; carries a description for the user.
class AgentError : public std::runtime_error {
  public:
    explicit AgentError(const QString& description, int number = 0)
        : std::runtime_error(description.toStdString()),
          description_(description),
          number_(number) {}

    const QString& description() const { return description_; }
    int number() const { return number_; }

  private:
    QString description_;
    int number_;
};

// The word balloon of a character. Bit 0 of the style switches the balloon on.
class Balloon {
  public:
    static constexpr std::int32_t kBalloonOn = 0x1;

    virtual ~Balloon() = default;
    virtual std::int32_t Style() const = 0;
    virtual void setStyle(std::int32_t style) = 0;
};

// The character's pop-up menu.
class Commands {
  public:
    virtual ~Commands() = default;
    virtual QString Caption() const = 0;
    virtual void setCaption(const QString& caption) = 0;
    // Puts an entry in the pop-up menu; its Name comes back in the Command event.
    virtual void Add(const QString& name, const QString& caption, const QString& voice,
                     bool enabled, bool visible) = 0;
};

// One loaded character. Calls that return a Request only queue the work and return at once;
// the service plays the queue asynchronously.
class Character {
  public:
    virtual ~Character() = default;

    virtual Request Show(bool fast = false) = 0;
    virtual Request Hide(bool fast = false) = 0;
    virtual Request Play(const QString& animation) = 0;
    // Text in a balloon with speech; a url alone plays that sound file.
    virtual Request Speak(const QString& text = {}, const QString& url = {}) = 0;
    virtual Request Think(const QString& text) = 0;
    virtual Request MoveTo(std::int16_t x, std::int16_t y,
                           std::optional<std::int32_t> speed = std::nullopt) = 0;
    virtual Request GestureAt(std::int16_t x, std::int16_t y) = 0;
    // A null request stops every request of this character.
    virtual void Stop(const Request& request = {}) = 0;
    virtual void StopAll(const QString& types = {}) = 0;
    // The character's later requests wait until `request` (of any character) completes.
    virtual Request Wait(const Request& request) = 0;
    virtual Request Interrupt(const Request& request) = 0;

    virtual QString Name() const = 0;
    virtual bool Visible() const = 0;
    virtual std::int32_t LanguageID() const = 0;
    virtual void setLanguageID(std::int32_t language) = 0;
    virtual QStringList AnimationNames() const = 0;
    virtual agent::Balloon& Balloon() = 0;
    virtual agent::Commands& Commands() = 0;
};

using CharacterRef = std::shared_ptr<Character>;

// The characters loaded into one service instance.
class CharacterCollection {
  public:
    virtual ~CharacterCollection() = default;

    // Loads the character `id` from the file `loadKey`, or from the service's own default
    // place when no key is given. Refuses a file that cannot be loaded and an id already loaded.
    virtual void Load(const QString& id, const std::optional<QString>& loadKey = std::nullopt) = 0;
    virtual CharacterRef Item(const QString& id) = 0;
    CharacterRef Character(const QString& id) { return Item(id); }
    virtual void Unload(const QString& id) = 0;
};

// What the user chose from a character's pop-up menu.
struct UserInput {
    QString Name;         // the name given to Commands::Add
    QString CharacterID;  // the character whose menu it was
};

// One instance of the character service, with its own collection of characters. The program
// holds two side by side: one for the script's characters and one for the help assistant.
class Agent : public QObject {
    Q_OBJECT
  public:
    explicit Agent(QObject* parent = nullptr) : QObject(parent) {}
    ~Agent() override = default;

    virtual CharacterCollection& Characters() = 0;

  signals:
    void Click(const QString& characterID, int button, int shift, int x, int y);
    void DragComplete(const QString& characterID, int button, int shift, int x, int y);
    void RequestComplete(const vistrel::agent::Request& request);
    void Command(const vistrel::agent::UserInput& userInput);
};

}  // namespace vistrel::agent

Q_DECLARE_METATYPE(vistrel::agent::Request)
Q_DECLARE_METATYPE(vistrel::agent::UserInput)
