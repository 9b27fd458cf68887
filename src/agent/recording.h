#pragma once

#include "agent/agent.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace vistrel::agent {

// One call made on a recording service, as it will be printed:
//   target.member(arg, arg) -> result        or        target.member(args) !! description
struct Call {
    QString target;         // "Characters" or the character's id
    QString member;         // operation or property ("Speak", "Name", "Balloon.Style=")
    QStringList args;       // already formatted: strings quoted, booleans True/False
    QString result;         // formatted result: "#7" for a request, a quoted string, a number
    QString error;          // the refusal's description when the call failed
    bool property = false;  // a property read prints without parentheses

    bool refused() const { return !error.isNull(); }
    QString toString() const;
};

// Formats a string argument the way call lines show it: in double quotes, with backslash
// escapes for quotes, backslashes and control characters.
QString quoted(const QString& text);

class RecordingAgent;

// A character of the recording service: records every call, keeps the state the program can
// read back (Visible, LanguageID, balloon style, pop-up entries), and never plays anything.
class RecordingCharacter final : public Character {
  public:
    RecordingCharacter(RecordingAgent& agent, QString id, QString name, QStringList animations);

    Request Show(bool fast) override;
    Request Hide(bool fast) override;
    Request Play(const QString& animation) override;
    Request Speak(const QString& text, const QString& url) override;
    Request Think(const QString& text) override;
    Request MoveTo(std::int16_t x, std::int16_t y, std::optional<std::int32_t> speed) override;
    Request GestureAt(std::int16_t x, std::int16_t y) override;
    void Stop(const Request& request) override;
    void StopAll(const QString& types) override;
    Request Wait(const Request& request) override;
    Request Interrupt(const Request& request) override;

    QString Name() const override;
    bool Visible() const override;
    std::int32_t LanguageID() const override;
    void setLanguageID(std::int32_t language) override;
    QStringList AnimationNames() const override;
    agent::Balloon& Balloon() override { return balloon_; }
    agent::Commands& Commands() override { return menu_; }

    const QString& id() const { return id_; }
    bool loaded() const { return loaded_; }
    void markUnloaded() { loaded_ = false; }
    // The names given to Commands.Add, in order.
    const QStringList& commandNames() const { return menu_.names; }

  private:
    struct BalloonState final : agent::Balloon {
        explicit BalloonState(RecordingCharacter& c) : owner(c) {}
        std::int32_t Style() const override;
        void setStyle(std::int32_t style) override;
        RecordingCharacter& owner;
        std::int32_t style = kBalloonOn;
    };
    struct MenuState final : agent::Commands {
        explicit MenuState(RecordingCharacter& c) : owner(c) {}
        QString Caption() const override;
        void setCaption(const QString& caption) override;
        void Add(const QString& name, const QString& caption, const QString& voice, bool enabled,
                 bool visible) override;
        RecordingCharacter& owner;
        QString caption;
        QStringList names;
    };

    // Records the call and raises AgentError when it is refused or the character is gone.
    void record(const QString& member, QStringList args, const QString& result = {},
                bool property = false) const;
    Request request(const QString& member, QStringList args);

    RecordingAgent& agent_;
    QString id_;
    QString name_;
    QStringList animations_;
    bool loaded_ = true;
    bool visible_ = false;
    std::int32_t languageId_ = 0;
    BalloonState balloon_{*this};
    MenuState menu_{*this};
};

// A stand-in for the character service that records every call in order. Tests and the trace
// tool use it. It answers Load like the real service (a missing file or an id already loaded
// is refused), tracks visibility, hands out distinct requests, refuses chosen calls on demand
// and raises the service's events when told to.
class RecordingAgent final : public Agent, public CharacterCollection {
  public:
    explicit RecordingAgent(QObject* parent = nullptr);

    CharacterCollection& Characters() override { return *this; }

    void Load(const QString& id, const std::optional<QString>& loadKey = std::nullopt) override;
    CharacterRef Item(const QString& id) override;
    void Unload(const QString& id) override;

    // --- set-up ---
    // Where a Load without a file finds its characters ("<folder>/<id>.acs").
    void setDefaultCharacterFolder(const QString& folder) { defaultFolder_ = folder; }
    // Treat every character file as present: lets a script be traced without its characters.
    void setAssumeFilesExist(bool assume) { assumeFilesExist_ = assume; }
    // The Name a character reports once loaded (by default its id) and its animations.
    void setCharacterName(const QString& id, const QString& name);
    void setAnimationNames(const QString& id, const QStringList& names);
    // Refuses every later call matching `pattern`: a member ("Speak", "Load") or a target and
    // member ("Merlin.Speak", "Characters.Item"); case is ignored.
    void refuse(const QString& pattern, const QString& description = {});
    void allow(const QString& pattern);
    // Stops keeping calls (the state is still tracked); for measuring the caller alone.
    void setRecording(bool on) { recording_ = on; }

    // --- what happened ---
    const std::vector<Call>& calls() const { return calls_; }
    QStringList callLines() const;
    void clearCalls() { calls_.clear(); }
    std::shared_ptr<RecordingCharacter> recorded(const QString& id) const;
    QStringList loadedIds() const;

    // --- events on demand ---
    void raiseClick(const QString& id, int button = 1, int shift = 0, int x = 0, int y = 0);
    void raiseDragComplete(const QString& id, int button = 1, int shift = 0, int x = 0, int y = 0);
    void raiseCommand(const QString& id, const QString& name);
    // Marks the request complete and raises RequestComplete for it.
    void complete(const Request& request);

    // Used by the recording characters.
    void append(Call call);
    std::optional<QString> refusalFor(const QString& target, const QString& member) const;
    Request newRequest() { return Request::create(++lastRequestId_); }

  private:
    void record(const QString& member, QStringList args, const QString& result = {});

    QString defaultFolder_;
    bool assumeFilesExist_ = false;
    bool recording_ = true;
    std::vector<Call> calls_;
    std::map<QString, QString> refusals_;  // lower-case pattern -> description
    QHash<QString, QString> names_;        // lower-case id -> Name
    QHash<QString, QStringList> animations_;
    QHash<QString, std::shared_ptr<RecordingCharacter>> loaded_;  // lower-case id
    std::uint64_t lastRequestId_ = 0;
};

}  // namespace vistrel::agent
