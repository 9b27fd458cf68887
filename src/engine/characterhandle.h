#pragma once

// What callers hold of a loaded character. The service owns the character itself and cuts
// the handle off when the character is unloaded or the service goes: from then on every
// request and stop fails with "not loaded", and the rest answers as an unloaded character
// would, without reaching anything of the service.

#include "agent/agent.h"

#include <QString>

namespace vistrel::engine {

class Actor;

class CharacterHandle : public agent::Character, public agent::Balloon, public agent::Commands {
  public:
    explicit CharacterHandle(Actor& actor);

    // The character is gone: the handle no longer reaches it.
    void detach();

    // agent::Character
    agent::Request Show(bool fast = false) override;
    agent::Request Hide(bool fast = false) override;
    agent::Request Play(const QString& animation) override;
    agent::Request Speak(const QString& text = {}, const QString& url = {}) override;
    agent::Request Think(const QString& text) override;
    agent::Request MoveTo(std::int16_t x, std::int16_t y,
                          std::optional<std::int32_t> speed = std::nullopt) override;
    agent::Request GestureAt(std::int16_t x, std::int16_t y) override;
    void Stop(const agent::Request& request = {}) override;
    void StopAll(const QString& types = {}) override;
    agent::Request Wait(const agent::Request& request) override;
    agent::Request Interrupt(const agent::Request& request) override;
    QString Name() const override;
    bool Visible() const override;
    std::int32_t LanguageID() const override;
    void setLanguageID(std::int32_t language) override;
    QStringList AnimationNames() const override;
    agent::Balloon& Balloon() override { return *this; }
    agent::Commands& Commands() override { return *this; }

    // agent::Balloon
    std::int32_t Style() const override;
    void setStyle(std::int32_t style) override;

    // agent::Commands
    QString Caption() const override;
    void setCaption(const QString& caption) override;
    void Add(const QString& name, const QString& caption, const QString& voice, bool enabled,
             bool visible) override;

  private:
    // The character, or AgentError when it is no longer loaded.
    Actor& loaded() const;
    // The character, or null after recording that `what` was not done.
    Actor* loadedFor(const char* what) const;

    Actor* actor_;
    QString id_;
    mutable QString name_;  // as last known, for a handle that outlives its character
};

}  // namespace vistrel::engine
