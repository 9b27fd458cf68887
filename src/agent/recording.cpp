#include "agent/recording.h"

#include <QFileInfo>

#include <utility>

namespace vistrel::agent {

namespace {

QString boolText(bool b) {
    return b ? QStringLiteral("True") : QStringLiteral("False");
}

QString requestText(const Request& r) {
    return r ? QStringLiteral("#%1").arg(r.id()) : QStringLiteral("Nothing");
}

}  // namespace

QString quoted(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (QChar c : text) {
        switch (c.unicode()) {
            case '"':
                out += QLatin1String("\\\"");
                break;
            case '\\':
                out += QLatin1String("\\\\");
                break;
            case '\n':
                out += QLatin1String("\\n");
                break;
            case '\r':
                out += QLatin1String("\\r");
                break;
            case '\t':
                out += QLatin1String("\\t");
                break;
            default:
                if (c.unicode() < 0x20)
                    out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
                else
                    out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

QString Call::toString() const {
    QString line = target + QLatin1Char('.') + member;
    if (member.endsWith(QLatin1Char('=')))
        line += args.value(0);  // a property write: target.Property=value
    else if (!property)
        line += QLatin1Char('(') + args.join(QLatin1String(", ")) + QLatin1Char(')');
    if (refused())
        line += QLatin1String(" !! ") + error;
    else if (!result.isEmpty())
        line += QLatin1String(" -> ") + result;
    return line;
}

// ---------------------------------------------------------------- RecordingCharacter

RecordingCharacter::RecordingCharacter(RecordingAgent& agent, QString id, QString name,
                                       QStringList animations)
    : agent_(agent),
      id_(std::move(id)),
      name_(std::move(name)),
      animations_(std::move(animations)) {}

void RecordingCharacter::record(const QString& member, QStringList args, const QString& result,
                                bool property) const {
    std::optional<QString> refusal;
    if (!loaded_)
        refusal = QStringLiteral("The character \"%1\" is not loaded").arg(id_);
    else
        refusal = agent_.refusalFor(id_, member);
    Call call{id_,
              member,
              std::move(args),
              refusal ? QString() : result,
              refusal ? *refusal : QString(),
              property};
    agent_.append(std::move(call));
    if (refusal)
        throw AgentError(*refusal);
}

Request RecordingCharacter::request(const QString& member, QStringList args) {
    // Refusals are decided before a request exists, so a refused call hands out no id.
    const std::optional<QString> refusal =
        loaded_
            ? agent_.refusalFor(id_, member)
            : std::optional<QString>(QStringLiteral("The character \"%1\" is not loaded").arg(id_));
    if (refusal) {
        agent_.append(Call{id_, member, std::move(args), {}, *refusal});
        throw AgentError(*refusal);
    }
    Request r = agent_.newRequest();
    agent_.append(Call{id_, member, std::move(args), requestText(r), {}});
    return r;
}

Request RecordingCharacter::Show(bool fast) {
    Request r = request(QStringLiteral("Show"), fast ? QStringList{boolText(true)} : QStringList{});
    visible_ = true;
    return r;
}

Request RecordingCharacter::Hide(bool fast) {
    Request r = request(QStringLiteral("Hide"), fast ? QStringList{boolText(true)} : QStringList{});
    visible_ = false;
    return r;
}

Request RecordingCharacter::Play(const QString& animation) {
    return request(QStringLiteral("Play"), {quoted(animation)});
}

Request RecordingCharacter::Speak(const QString& text, const QString& url) {
    QStringList args{quoted(text)};
    if (!url.isEmpty())
        args << quoted(url);
    return request(QStringLiteral("Speak"), std::move(args));
}

Request RecordingCharacter::Think(const QString& text) {
    return request(QStringLiteral("Think"), {quoted(text)});
}

Request RecordingCharacter::MoveTo(std::int16_t x, std::int16_t y,
                                   std::optional<std::int32_t> speed) {
    QStringList args{QString::number(x), QString::number(y)};
    if (speed)
        args << QString::number(*speed);
    return request(QStringLiteral("MoveTo"), std::move(args));
}

Request RecordingCharacter::GestureAt(std::int16_t x, std::int16_t y) {
    return request(QStringLiteral("GestureAt"), {QString::number(x), QString::number(y)});
}

void RecordingCharacter::Stop(const Request& r) {
    record(QStringLiteral("Stop"), r ? QStringList{requestText(r)} : QStringList{});
}

void RecordingCharacter::StopAll(const QString& types) {
    record(QStringLiteral("StopAll"), types.isEmpty() ? QStringList{} : QStringList{quoted(types)});
}

Request RecordingCharacter::Wait(const Request& r) {
    if (!r) {
        // Like the real service: waiting on no request is an invalid argument.
        const QString why = QStringLiteral("Wait needs a request");
        agent_.append(Call{id_, QStringLiteral("Wait"), {requestText(r)}, {}, why});
        throw AgentError(why);
    }
    return request(QStringLiteral("Wait"), {requestText(r)});
}

Request RecordingCharacter::Interrupt(const Request& r) {
    if (!r) {
        const QString why = QStringLiteral("Interrupt needs a request");
        agent_.append(Call{id_, QStringLiteral("Interrupt"), {requestText(r)}, {}, why});
        throw AgentError(why);
    }
    return request(QStringLiteral("Interrupt"), {requestText(r)});
}

QString RecordingCharacter::Name() const {
    record(QStringLiteral("Name"), {}, quoted(name_), true);
    return name_;
}

bool RecordingCharacter::Visible() const {
    record(QStringLiteral("Visible"), {}, boolText(visible_), true);
    return visible_;
}

std::int32_t RecordingCharacter::LanguageID() const {
    record(QStringLiteral("LanguageID"), {}, QString::number(languageId_), true);
    return languageId_;
}

void RecordingCharacter::setLanguageID(std::int32_t language) {
    record(QStringLiteral("LanguageID="), {QString::number(language)});
    languageId_ = language;
}

QStringList RecordingCharacter::AnimationNames() const {
    record(QStringLiteral("AnimationNames"), {}, QString::number(animations_.size()), true);
    return animations_;
}

std::int32_t RecordingCharacter::BalloonState::Style() const {
    owner.record(QStringLiteral("Balloon.Style"), {}, QString::number(style), true);
    return style;
}

void RecordingCharacter::BalloonState::setStyle(std::int32_t value) {
    owner.record(QStringLiteral("Balloon.Style="), {QString::number(value)});
    style = value;
}

QString RecordingCharacter::MenuState::Caption() const {
    owner.record(QStringLiteral("Commands.Caption"), {}, quoted(caption), true);
    return caption;
}

void RecordingCharacter::MenuState::setCaption(const QString& value) {
    owner.record(QStringLiteral("Commands.Caption="), {quoted(value)});
    caption = value;
}

void RecordingCharacter::MenuState::Add(const QString& name, const QString& entryCaption,
                                        const QString& voice, bool enabled, bool visible) {
    owner.record(QStringLiteral("Commands.Add"), {quoted(name), quoted(entryCaption), quoted(voice),
                                                  boolText(enabled), boolText(visible)});
    names << name;
}

// ---------------------------------------------------------------- RecordingAgent

RecordingAgent::RecordingAgent(QObject* parent) : Agent(parent) {}

void RecordingAgent::append(Call call) {
    if (recording_)
        calls_.push_back(std::move(call));
}

std::optional<QString> RecordingAgent::refusalFor(const QString& target,
                                                  const QString& member) const {
    if (refusals_.empty())
        return std::nullopt;
    QString bare = member.toLower();
    if (bare.endsWith(QLatin1Char('=')))
        bare.chop(1);
    for (const QString& key : {bare, target.toLower() + QLatin1Char('.') + bare}) {
        auto it = refusals_.find(key);
        if (it != refusals_.end())
            return it->second.isEmpty() ? QStringLiteral("%1.%2 was refused").arg(target, bare)
                                        : it->second;
    }
    return std::nullopt;
}

void RecordingAgent::record(const QString& member, QStringList args, const QString& result) {
    const QString target = QStringLiteral("Characters");
    const std::optional<QString> refusal = refusalFor(target, member);
    append(Call{target, member, std::move(args), refusal ? QString() : result,
                refusal ? *refusal : QString()});
    if (refusal)
        throw AgentError(*refusal);
}

void RecordingAgent::Load(const QString& id, const std::optional<QString>& loadKey) {
    QStringList args{quoted(id)};
    if (loadKey)
        args << quoted(*loadKey);
    const QString key = id.toLower();
    QString why;
    if (id.isEmpty()) {
        why = QStringLiteral("A character needs an id");
    } else if (loaded_.contains(key)) {
        why = QStringLiteral("The character \"%1\" is already loaded").arg(id);
    } else if (!assumeFilesExist_) {
        const QString path =
            loadKey ? *loadKey
                    : (defaultFolder_.isEmpty()
                           ? QString()
                           : defaultFolder_ + QLatin1Char('/') + id + QLatin1String(".acs"));
        if (path.isEmpty() || !QFileInfo(path).isFile())
            why = QStringLiteral("The character file \"%1\" was not found")
                      .arg(path.isEmpty() ? id : path);
    }
    if (!why.isEmpty()) {
        append(
            Call{QStringLiteral("Characters"), QStringLiteral("Load"), std::move(args), {}, why});
        throw AgentError(why);
    }
    record(QStringLiteral("Load"), std::move(args));
    loaded_.insert(key, std::make_shared<RecordingCharacter>(*this, id, names_.value(key, id),
                                                             animations_.value(key)));
}

CharacterRef RecordingAgent::Item(const QString& id) {
    auto it = loaded_.constFind(id.toLower());
    if (it == loaded_.constEnd()) {
        const QString why = QStringLiteral("The character \"%1\" is not loaded").arg(id);
        append(Call{QStringLiteral("Characters"), QStringLiteral("Item"), {quoted(id)}, {}, why});
        throw AgentError(why);
    }
    record(QStringLiteral("Item"), {quoted(id)});
    return *it;
}

void RecordingAgent::Unload(const QString& id) {
    auto it = loaded_.find(id.toLower());
    if (it == loaded_.end()) {
        const QString why = QStringLiteral("The character \"%1\" is not loaded").arg(id);
        append(Call{QStringLiteral("Characters"), QStringLiteral("Unload"), {quoted(id)}, {}, why});
        throw AgentError(why);
    }
    record(QStringLiteral("Unload"), {quoted(id)});
    (*it)->markUnloaded();
    loaded_.erase(it);
}

void RecordingAgent::setCharacterName(const QString& id, const QString& name) {
    names_.insert(id.toLower(), name);
}

void RecordingAgent::setAnimationNames(const QString& id, const QStringList& names) {
    animations_.insert(id.toLower(), names);
}

void RecordingAgent::refuse(const QString& pattern, const QString& description) {
    refusals_[pattern.toLower()] = description;
}

void RecordingAgent::allow(const QString& pattern) {
    refusals_.erase(pattern.toLower());
}

QStringList RecordingAgent::callLines() const {
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(calls_.size()));
    for (const Call& c : calls_)
        lines << c.toString();
    return lines;
}

std::shared_ptr<RecordingCharacter> RecordingAgent::recorded(const QString& id) const {
    return loaded_.value(id.toLower());
}

QStringList RecordingAgent::loadedIds() const {
    QStringList ids;
    for (const auto& c : loaded_)
        ids << c->id();
    ids.sort(Qt::CaseInsensitive);
    return ids;
}

void RecordingAgent::raiseClick(const QString& id, int button, int shift, int x, int y) {
    emit Click(id, button, shift, x, y);
}

void RecordingAgent::raiseDragComplete(const QString& id, int button, int shift, int x, int y) {
    emit DragComplete(id, button, shift, x, y);
}

void RecordingAgent::raiseCommand(const QString& id, const QString& name) {
    emit Command(UserInput{name, id});
}

void RecordingAgent::complete(const Request& request) {
    Request r = request;
    r.setStatus(RequestStatus::Complete);
    emit RequestComplete(r);
}

}  // namespace vistrel::agent
