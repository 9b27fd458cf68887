#pragma once

// The service's shared state, seen by its characters. Internal to the service.

#include "engine/actor.h"
#include "engine/characterhandle.h"
#include "engine/service.h"

#include <functional>
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

// The clock as the service's characters see it: whatever a timer does is one engine call,
// so the requests it ends are reported once it is done.
class ServiceClock : public Clock {
  public:
    ServiceClock(Service::Impl& service, Clock& clock) : service_(service), clock_(clock) {}
    std::int64_t now() const override { return clock_.now(); }
    TimerId createTimer(std::function<void()> fire) override;
    void arm(TimerId timer, std::int64_t when) override { clock_.arm(timer, when); }
    void disarm(TimerId timer) override { clock_.disarm(timer); }
    void destroyTimer(TimerId timer) override { clock_.destroyTimer(timer); }

  private:
    Service::Impl& service_;
    Clock& clock_;
};

struct Service::Impl {
    Impl(Service& owner, Clock& clock, speech::Synthesizer* synthesizer, speech::AudioOutput* audio,
         ServiceOptions options);
    ~Impl();

    Service& q;
    ServiceClock clock;
    speech::Synthesizer* synthesizer;
    speech::AudioOutput* audio;
    ServiceOptions options;
    ServiceCollection collection{*this};
    ServiceScene scene{*this};

    // A loaded character and the one handle callers get of it.
    struct Loaded {
        std::unique_ptr<Actor> actor;
        std::shared_ptr<CharacterHandle> handle;
    };
    std::vector<Loaded> loaded;  // in loading order
    // Unloaded characters live on until the outermost engine call is done, as their own
    // code may still be running further up the stack.
    std::vector<std::unique_ptr<Actor>> retired;

    std::uint64_t nextRequest = 1;
    quint64 nextSpeechJob = 1;
    std::uint32_t loads = 0;

    // Ended requests, in the order they ended, wait here for their RequestComplete: it is
    // sent from the event loop, so a caller always has the request in hand before it hears
    // of its end, and its handlers never run in the middle of the engine's own work.
    std::vector<agent::Request> ended;
    bool deliveryPosted = false;
    int depth = 0;

    Actor* find(const QString& id) const;
    // Calls `visit` on every loaded character, in loading order, until it returns true.
    // Characters unloaded on the way are passed over.
    void forEachActor(const std::function<bool(Actor&)>& visit);
    // Cuts the character off from its handle and from the service, and stops it.
    std::unique_ptr<Actor> unload(std::vector<Loaded>::iterator it);
    agent::Request newRequest();
    void requestEnded(const agent::Request& request);
    // `id` is a copy: a listener may unload the character it names.
    void changed(QString id, unsigned what) { emit scene.changed(id, what); }
    // The outermost engine call is done: posts the RequestComplete events of the requests
    // that ended in it and lets unloaded characters go.
    void flush();
    // Sends the RequestComplete events posted so far (from the event loop).
    void deliver();
};

// Marks an engine call: RequestComplete is posted once the outermost one is done.
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
