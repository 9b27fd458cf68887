#pragma once

// The service's shared state, seen by its characters. Internal to the service.

#include "engine/actor.h"
#include "engine/service.h"

#include <map>
#include <memory>
#include <vector>

namespace vistrel::engine {

class ServiceScene : public scene::Scene {
  public:
    explicit ServiceScene(Service::Impl& service) : service_(service) {}
    QStringList characterIds() const override;
    scene::CharacterView view(const QString& id) const override;
    void click(const QString& id, int button, int shift, QPoint screenPos) override;
    void dragTo(const QString& id, QPoint topLeft) override;
    void dragComplete(const QString& id, int button, int shift, QPoint screenPos) override;
    void chooseCommand(const QString& id, const QString& name) override;
    void hideFromMenu(const QString& id) override;

  private:
    Service::Impl& service_;
};

class ServiceCollection : public agent::CharacterCollection {
  public:
    explicit ServiceCollection(Service::Impl& service) : service_(service) {}
    void Load(const QString& id, const std::optional<QString>& loadKey = std::nullopt) override;
    agent::CharacterRef Item(const QString& id) override;
    void Unload(const QString& id) override;

  private:
    Service::Impl& service_;
};

struct Service::Impl {
    Impl(Service& owner, Clock& clock, speech::Synthesizer* synthesizer, speech::AudioOutput* audio,
         ServiceOptions options);

    Service& q;
    Clock& clock;
    speech::Synthesizer* synthesizer;
    speech::AudioOutput* audio;
    ServiceOptions options;
    ServiceCollection collection{*this};
    ServiceScene scene{*this};

    std::vector<std::shared_ptr<Actor>> actors;  // in loading order
    std::uint64_t nextRequest = 1;
    quint64 nextSpeechJob = 1;
    std::uint32_t loads = 0;

    // Ended requests wait here until the outermost call returns, so that handlers of
    // RequestComplete never run in the middle of the engine's own work.
    std::vector<agent::Request> ended;
    int depth = 0;

    Actor* find(const QString& id) const;
    agent::Request newRequest();
    void requestEnded(const agent::Request& request);
    void changed(const QString& id, unsigned what) { emit scene.changed(id, what); }
    void flush();
};

// Holds back RequestComplete until the outermost engine call is done.
class Batch {
  public:
    explicit Batch(Service::Impl& service) : service_(service) { ++service_.depth; }
    ~Batch() {
        if (--service_.depth == 0)
            service_.flush();
    }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

  private:
    Service::Impl& service_;
};

}  // namespace vistrel::engine
