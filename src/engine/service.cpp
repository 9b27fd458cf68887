#include "engine/service.h"

#include "engine/serviceimpl.h"
#include "engine/speech/synthesizer.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <QPointer>

#include <algorithm>
#include <utility>

namespace vistrel::engine {

using agent::AgentError;

Service::Impl::Impl(Service& owner, Clock& clock_, speech::Synthesizer* synthesizer_,
                    speech::AudioOutput* audio_, ServiceOptions options_)
    : q(owner),
      clock(*this, clock_),
      synthesizer(synthesizer_),
      audio(audio_),
      options(std::move(options_)) {}

Service::Impl::~Impl() {
    loaded.clear();
    retired.clear();
}

Clock::TimerId ServiceClock::createTimer(std::function<void()> fire) {
    return clock_.createTimer([&service = service_, fire = std::move(fire)] {
        Batch batch(service);
        fire();
    });
}

Actor* Service::Impl::find(const QString& id) const {
    for (const Loaded& character : loaded)
        if (character.actor->id().compare(id, Qt::CaseInsensitive) == 0)
            return character.actor.get();
    return nullptr;
}

void Service::Impl::forEachActor(const std::function<bool(Actor&)>& visit) {
    std::vector<Actor*> current;
    current.reserve(loaded.size());
    for (const Loaded& character : loaded)
        current.push_back(character.actor.get());
    for (Actor* actor : current) {
        const bool stillLoaded = std::any_of(
            loaded.begin(), loaded.end(), [&](const Loaded& c) { return c.actor.get() == actor; });
        if (stillLoaded && visit(*actor))
            return;
    }
}

std::unique_ptr<Actor> Service::Impl::unload(std::vector<Loaded>::iterator it) {
    Loaded character = std::move(*it);
    loaded.erase(it);
    character.handle->detach();
    character.actor->unload();
    return std::move(character.actor);
}

agent::Request Service::Impl::newRequest() {
    return agent::Request::create(nextRequest++);
}

void Service::Impl::requestEnded(const agent::Request& request) {
    ended.push_back(request);
    forEachActor([&](Actor& actor) {
        actor.requestEnded(request);
        return false;
    });
}

void Service::Impl::flush() {
    retired.clear();
    if (ended.empty() || deliveryPosted)
        return;
    deliveryPosted = true;
    QMetaObject::invokeMethod(
        &q, [this] { deliver(); }, Qt::QueuedConnection);
}

void Service::Impl::deliver() {
    deliveryPosted = false;
    // Requests that end while these are heard get an event of their own, posted after them.
    const std::vector<agent::Request> now = std::exchange(ended, {});
    const QPointer<Service> alive(&q);
    for (const agent::Request& request : now) {
        emit q.RequestComplete(request);
        if (!alive)
            return;  // a handler destroyed the service
    }
}

Service::Service(Clock& clock, speech::Synthesizer* synthesizer, speech::AudioOutput* audio,
                 ServiceOptions options, QObject* parent)
    : agent::Agent(parent),
      d_(std::make_unique<Impl>(*this, clock, synthesizer, audio, std::move(options))) {
    if (synthesizer) {
        connect(synthesizer, &speech::Synthesizer::chunk, this,
                [this](quint64 job, const speech::SpeechChunk& chunk) {
                    Batch batch(*d_);
                    d_->forEachActor([&](Actor& actor) {
                        actor.speechChunk(job, chunk);
                        return false;
                    });
                });
    }
}

Service::~Service() {
    // Handles first, so that nothing run while the characters stop can reach them.
    for (const Impl::Loaded& character : d_->loaded)
        character.handle->detach();
    for (const Impl::Loaded& character : d_->loaded)
        character.actor->unload();
    d_->ended.clear();
}

agent::CharacterCollection& Service::Characters() {
    return d_->collection;
}
scene::Scene& Service::scene() {
    return d_->scene;
}
const ServiceOptions& Service::options() const {
    return d_->options;
}
void Service::setDefaultCharacterFolder(const QString& folder) {
    d_->options.defaultCharacterFolder = folder;
}

std::size_t Service::heldBytes(const QString& id) const {
    const Actor* actor = d_->find(id);
    return actor ? actor->heldBytes() : 0;
}

// The collection.

namespace {

// `<folder>/<id>.acs`, matching the file name without regard to case as the ids do.
QString defaultFileFor(const QString& folder, const QString& id) {
    if (folder.isEmpty())
        return {};
    const QString wanted = id + QLatin1String(".acs");
    const QDir dir(folder);
    if (QFileInfo(dir.filePath(wanted)).isFile())
        return dir.filePath(wanted);
    for (const QString& name : dir.entryList({QStringLiteral("*")}, QDir::Files))
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return dir.filePath(name);
    return dir.filePath(wanted);
}

}  // namespace

void ServiceCollection::Load(const QString& id, const std::optional<QString>& loadKey) {
    Batch batch(service_);
    if (id.trimmed().isEmpty())
        throw AgentError(QStringLiteral("A character needs an id"));
    if (service_.find(id))
        throw AgentError(QStringLiteral("The character \"%1\" is already loaded").arg(id));
    QString path = loadKey && !loadKey->isEmpty()
                       ? *loadKey
                       : defaultFileFor(service_.options.defaultCharacterFolder, id);
    if (path.isEmpty())
        throw AgentError(
            QStringLiteral("The character \"%1\" has no file and no default folder").arg(id));
    path = QDir::fromNativeSeparators(path);
    const QFileInfo info(path);
    if (!info.isFile())
        throw AgentError(QStringLiteral("The character file \"%1\" was not found")
                             .arg(QDir::toNativeSeparators(path)));
    try {
        acs::Character file = acs::Character::open(info.filesystemFilePath());
        // Characters appear side by side until a script moves them.
        const int n = static_cast<int>(service_.loads++ % 8);
        const QPoint position(120 + 140 * n, 120 + 24 * n);
        auto actor = std::make_unique<Actor>(service_, id, std::move(file), position,
                                             service_.options.seed + 7919u * service_.loads);
        auto handle = std::make_shared<CharacterHandle>(*actor);
        service_.loaded.push_back({std::move(actor), std::move(handle)});
    } catch (const acs::Error& error) {
        throw AgentError(
            QStringLiteral("The character file \"%1\" cannot be loaded: %2")
                .arg(QDir::toNativeSeparators(path), QString::fromStdString(error.what())));
    } catch (const std::bad_alloc&) {
        throw AgentError(QStringLiteral("The character file \"%1\" is too large to load")
                             .arg(QDir::toNativeSeparators(path)));
    }
    service_.changed(id, scene::Added);
}

agent::CharacterRef ServiceCollection::Item(const QString& id) {
    for (const Service::Impl::Loaded& character : service_.loaded)
        if (character.actor->id().compare(id, Qt::CaseInsensitive) == 0)
            return character.handle;
    throw AgentError(QStringLiteral("The character \"%1\" is not loaded").arg(id));
}

void ServiceCollection::Unload(const QString& id) {
    Batch batch(service_);
    auto& loaded = service_.loaded;
    const auto it = std::find_if(loaded.begin(), loaded.end(), [&](const Service::Impl::Loaded& c) {
        return c.actor->id().compare(id, Qt::CaseInsensitive) == 0;
    });
    if (it == loaded.end())
        throw AgentError(QStringLiteral("The character \"%1\" is not loaded").arg(id));
    std::unique_ptr<Actor> actor = service_.unload(it);
    service_.changed(actor->id(), scene::Removed);
    service_.retired.push_back(std::move(actor));
}

// The scene.

QStringList ServiceScene::characterIds() const {
    QStringList ids;
    for (const Service::Impl::Loaded& character : service_.loaded)
        ids << character.actor->id();
    return ids;
}

scene::CharacterView ServiceScene::view(const QString& id) const {
    const Actor* actor = service_.find(id);
    return actor ? actor->view() : scene::CharacterView{};
}

void ServiceScene::click(const QString& id, int button, int shift, QPoint screenPos) {
    if (Actor* actor = service_.find(id))
        emit service_.q.Click(actor->id(), button, shift, screenPos.x(), screenPos.y());
}

void ServiceScene::dragTo(const QString& id, QPoint topLeft) {
    Batch batch(service_);
    if (Actor* actor = service_.find(id))
        actor->setPositionByUser(topLeft);
}

void ServiceScene::dragComplete(const QString& id, int button, int shift, QPoint screenPos) {
    if (Actor* actor = service_.find(id))
        emit service_.q.DragComplete(actor->id(), button, shift, screenPos.x(), screenPos.y());
}

void ServiceScene::chooseCommand(const QString& id, const QString& name) {
    if (Actor* actor = service_.find(id))
        emit service_.q.Command(agent::UserInput{name, actor->id()});
}

void ServiceScene::hideFromMenu(const QString& id) {
    Batch batch(service_);
    if (Actor* actor = service_.find(id))
        actor->hideByUser();
}

}  // namespace vistrel::engine
