#include "engine/service.h"

#include "engine/serviceimpl.h"
#include "engine/speech/synthesizer.h"

#include <QDir>
#include <QFileInfo>

namespace vistrel::engine {

using agent::AgentError;

Service::Impl::Impl(Service& owner, Clock& clock_, speech::Synthesizer* synthesizer_,
                    speech::AudioOutput* audio_, ServiceOptions options_)
    : q(owner),
      clock(clock_),
      synthesizer(synthesizer_),
      audio(audio_),
      options(std::move(options_)) {}

Actor* Service::Impl::find(const QString& id) const {
    for (const auto& actor : actors)
        if (actor->id().compare(id, Qt::CaseInsensitive) == 0)
            return actor.get();
    return nullptr;
}

agent::Request Service::Impl::newRequest() {
    return agent::Request::create(nextRequest++);
}

void Service::Impl::requestEnded(const agent::Request& request) {
    ended.push_back(request);
    // Copy: a character woken here may unload another.
    const auto current = actors;
    for (const auto& actor : current)
        actor->requestEnded(request);
}

void Service::Impl::flush() {
    ++depth;  // requests ended by the handlers below are sent by this same loop
    for (std::size_t i = 0; i < ended.size(); ++i) {
        const agent::Request request = ended[i];
        emit q.RequestComplete(request);
    }
    ended.clear();
    --depth;
}

Service::Service(Clock& clock, speech::Synthesizer* synthesizer, speech::AudioOutput* audio,
                 ServiceOptions options, QObject* parent)
    : agent::Agent(parent),
      d_(std::make_unique<Impl>(*this, clock, synthesizer, audio, std::move(options))) {
    if (synthesizer) {
        connect(synthesizer, &speech::Synthesizer::chunk, this,
                [this](quint64 job, const speech::SpeechChunk& chunk) {
                    Batch batch(*d_);
                    const auto current = d_->actors;
                    for (const auto& actor : current)
                        actor->speechChunk(job, chunk);
                });
    }
}

Service::~Service() {
    for (const auto& actor : d_->actors)
        actor->unload();
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
        service_.actors.push_back(
            std::make_shared<Actor>(service_, id, std::move(file), position,
                                    service_.options.seed + 7919u * service_.loads));
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
    for (const auto& actor : service_.actors)
        if (actor->id().compare(id, Qt::CaseInsensitive) == 0)
            return actor;
    throw AgentError(QStringLiteral("The character \"%1\" is not loaded").arg(id));
}

void ServiceCollection::Unload(const QString& id) {
    Batch batch(service_);
    auto& actors = service_.actors;
    for (auto it = actors.begin(); it != actors.end(); ++it) {
        if ((*it)->id().compare(id, Qt::CaseInsensitive) != 0)
            continue;
        const std::shared_ptr<Actor> actor = *it;
        actors.erase(it);
        const QString loadedId = actor->id();
        actor->unload();
        service_.changed(loadedId, scene::Removed);
        return;
    }
    throw AgentError(QStringLiteral("The character \"%1\" is not loaded").arg(id));
}

// The scene.

QStringList ServiceScene::characterIds() const {
    QStringList ids;
    for (const auto& actor : service_.actors)
        ids << actor->id();
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
