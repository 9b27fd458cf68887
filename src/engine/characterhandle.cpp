#include "engine/characterhandle.h"

#include "engine/actor.h"
#include "log/log.h"

#include <algorithm>

namespace vistrel::engine {

using agent::AgentError;
using agent::Request;

namespace {

// The slowest speed a move takes: a move across the largest screen then lasts under a day.
constexpr std::int32_t kSlowestSpeed = 600000;

}  // namespace

CharacterHandle::CharacterHandle(Actor& actor)
    : actor_(&actor), id_(actor.id()), name_(actor.name()) {}

void CharacterHandle::detach() {
    actor_ = nullptr;
}

Actor& CharacterHandle::loaded() const {
    if (!actor_)
        throw AgentError(QStringLiteral("The character \"%1\" is not loaded").arg(id_));
    return *actor_;
}

Actor* CharacterHandle::loadedFor(const char* what) const {
    if (!actor_)
        log::ignored(log::engine(), QStringLiteral("%1 of %2").arg(QLatin1String(what), id_),
                     QStringLiteral("the character is not loaded"));
    return actor_;
}

Request CharacterHandle::Show(bool fast) {
    return loaded().request(ShowRequest{fast});
}

Request CharacterHandle::Hide(bool fast) {
    return loaded().request(HideRequest{fast});
}

Request CharacterHandle::Play(const QString& animation) {
    Actor& actor = loaded();
    if (!actor.hasAnimation(animation)) {
        const QString why =
            QStringLiteral("The character \"%1\" has no animation \"%2\"").arg(id_, animation);
        qCDebug(log::engine).noquote() << "Play refused:" << why;
        throw AgentError(why);
    }
    return actor.request(PlayRequest{animation});
}

Request CharacterHandle::Speak(const QString& text, const QString& url) {
    return loaded().request(SpeakRequest{text, url});
}

Request CharacterHandle::Think(const QString& text) {
    return loaded().request(ThinkRequest{text});
}

Request CharacterHandle::MoveTo(std::int16_t x, std::int16_t y, std::optional<std::int32_t> speed) {
    return loaded().request(
        MoveRequest{QPoint(x, y), speed ? std::clamp(*speed, 0, kSlowestSpeed) : 1000});
}

Request CharacterHandle::GestureAt(std::int16_t x, std::int16_t y) {
    return loaded().request(GestureRequest{QPoint(x, y)});
}

Request CharacterHandle::Wait(const Request& request) {
    if (request.isNull())
        throw AgentError(QStringLiteral("Wait needs a request"));
    return loaded().request(WaitRequest{request});
}

Request CharacterHandle::Interrupt(const Request& request) {
    if (request.isNull())
        throw AgentError(QStringLiteral("Interrupt needs a request"));
    return loaded().request(InterruptRequest{request});
}

void CharacterHandle::Stop(const Request& request) {
    loaded().stop(request);
}

void CharacterHandle::StopAll(const QString& types) {
    loaded().stopAll(types);
}

QString CharacterHandle::Name() const {
    if (actor_)
        name_ = actor_->name();
    return name_;
}

bool CharacterHandle::Visible() const {
    return actor_ && actor_->visible();
}

std::int32_t CharacterHandle::LanguageID() const {
    return actor_ ? actor_->language() : 0;
}

void CharacterHandle::setLanguageID(std::int32_t language) {
    if (Actor* actor = loadedFor("LanguageID"))
        actor->setLanguage(language);
}

QStringList CharacterHandle::AnimationNames() const {
    return actor_ ? actor_->animationNames() : QStringList();
}

std::int32_t CharacterHandle::Style() const {
    return actor_ ? actor_->balloonStyle() : 0;
}

void CharacterHandle::setStyle(std::int32_t style) {
    if (Actor* actor = loadedFor("Balloon.Style"))
        actor->setBalloonStyle(style);
}

QString CharacterHandle::Caption() const {
    return actor_ ? actor_->caption() : QString();
}

void CharacterHandle::setCaption(const QString& caption) {
    if (Actor* actor = loadedFor("Commands.Caption"))
        actor->setCaption(caption);
}

void CharacterHandle::Add(const QString& name, const QString& caption, const QString& /*voice*/,
                          bool enabled, bool visible) {
    if (Actor* actor = loadedFor("Commands.Add"))
        actor->addCommand(scene::MenuEntry{name, caption, enabled, visible});
}

}  // namespace vistrel::engine
