#pragma once

// The character service the checker plays scripts against: it loads nothing and plays
// nothing, but judges every call against the character files' indexes and tells a sink.

#include "agent/agent.h"
#include "script/check.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

namespace vistrel::script {

// Where the service's judgements go: the checker, which knows the item being played.
class CheckSink {
  public:
    virtual ~CheckSink() = default;
    // A finding about the current item; `needle` is the text it is about, looked up in the
    // item as written (empty: the item's start).
    virtual void found(Severity severity, const QString& code, const QString& message,
                       const QString& needle = {}) = 0;
    // The current item made a character speak or think some text.
    virtual void spoke() = 0;
    virtual bool castFull() const = 0;
    virtual QStringList castNames() const = 0;
};

// Up to `count` of `candidates` closest to `word` (case ignored), nearest first; only those
// near enough to be a plausible typo.
QStringList closestNames(const QString& word, const QStringList& candidates, int count = 3);

class CheckingService final : public agent::Agent, public agent::CharacterCollection {
  public:
    CheckingService(CheckSink& sink, CharacterShelf& shelf, QString folder, QString scriptFolder);
    ~CheckingService() override;

    agent::CharacterCollection& Characters() override { return *this; }
    void Load(const QString& id, const std::optional<QString>& loadKey) override;
    agent::CharacterRef Item(const QString& id) override;
    void Unload(const QString& id) override;

    // What became of each Load by id (case-folded): the name its file gives, or empty when
    // the load failed.
    const QHash<QString, QString>& loadOutcomes() const { return outcomes_; }

    agent::Request newRequest() { return agent::Request::create(++lastRequest_); }
    CheckSink& sink() { return sink_; }
    // Checks a sound file for SpeakSound once per path.
    void checkSound(const QString& url);

  private:
    QStringList characterFiles();

    CheckSink& sink_;
    CharacterShelf& shelf_;
    QString folder_;
    QString scriptFolder_;
    QHash<QString, agent::CharacterRef> loaded_;  // case-folded id
    QHash<QString, QString> outcomes_;
    QHash<QString, QString> sounds_;  // path -> problem ("" when fine)
    QStringList files_;
    bool listed_ = false;
    std::uint64_t lastRequest_ = 0;
};

}  // namespace vistrel::script
