#include "script/checkservice.h"

#include "acs/character.h"
#include "files/regularfile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <exception>

namespace vistrel::script {

using agent::AgentError;
using agent::Request;

namespace {

constexpr std::uint16_t kEnglish = 0x0409;  // the language a character's name is read in

std::shared_ptr<CharacterSummary> readSummary(const QString& path) {
    auto summary = std::make_shared<CharacterSummary>();
    try {
        files::RegularFile::open(std::filesystem::path(path.toStdU16String()), acs::kMaxFileSize);
    } catch (const files::Error& e) {
        summary->problem = e.reason() == files::Error::Reason::Missing
                               ? CharacterSummary::Problem::Missing
                               : CharacterSummary::Problem::Unreadable;
        summary->reason = e.reason() == files::Error::Reason::Missing
                              ? QStringLiteral("there is no file \"%1\"").arg(path)
                              : QString::fromLocal8Bit(e.detail().c_str());
        return summary;
    }
    try {
        const acs::Character character = acs::Character::open(path.toStdU16String());
        const acs::LocalizedInfo* localized = character.info().localizedFor(kEnglish);
        if (localized)
            summary->name = QString::fromStdU16String(localized->name);
        for (const acs::Animation& animation : character.animations()) {
            const QString name = QString::fromStdU16String(animation.name);
            summary->animations << name;
            summary->foldedAnimations << name.toCaseFolded();
        }
        summary->foldedAnimations.sort();
    } catch (const acs::Error& e) {
        summary->problem = CharacterSummary::Problem::Refused;
        summary->reason = QString::fromStdString(e.message());
    } catch (const std::exception& e) {
        summary->problem = CharacterSummary::Problem::Unreadable;
        summary->reason = QString::fromLocal8Bit(e.what());
    }
    return summary;
}

int distance(QStringView a, QStringView b) {
    std::vector<int> row(static_cast<std::size_t>(b.size()) + 1);
    for (std::size_t j = 0; j < row.size(); ++j)
        row[j] = static_cast<int>(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = static_cast<int>(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[static_cast<std::size_t>(j)];
            const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            row[static_cast<std::size_t>(j)] =
                std::min({above + 1, row[static_cast<std::size_t>(j - 1)] + 1, diagonal + cost});
            diagonal = above;
        }
    }
    return row.back();
}

// One loaded character: every call is judged and answered with a fresh request.
class CheckedCharacter final : public agent::Character {
  public:
    CheckedCharacter(CheckingService& service, QString name,
                     std::shared_ptr<const CharacterSummary> summary)
        : service_(service), name_(std::move(name)), summary_(std::move(summary)) {}

    Request Show(bool) override { return service_.newRequest(); }
    Request Hide(bool) override { return service_.newRequest(); }
    Request Play(const QString& animation) override {
        const QString folded = animation.toCaseFolded();
        const QStringList& known = summary_->foldedAnimations;
        if (!std::binary_search(known.begin(), known.end(), folded)) {
            QString message = QStringLiteral("%1 has no animation \"%2\"").arg(name_, animation);
            const QStringList near = closestNames(animation, summary_->animations);
            if (!near.isEmpty())
                message += QStringLiteral("; did you mean %1?").arg(near.join(QLatin1String(", ")));
            service_.sink().found(Severity::Error, QStringLiteral("unknown-animation"), message,
                                  animation);
        }
        return service_.newRequest();
    }
    Request Speak(const QString& text, const QString& url) override {
        if (!url.isEmpty())
            service_.checkSound(url);
        else if (!text.isEmpty())
            service_.sink().spoke();
        return service_.newRequest();
    }
    Request Think(const QString&) override {
        service_.sink().spoke();
        return service_.newRequest();
    }
    Request MoveTo(std::int16_t, std::int16_t, std::optional<std::int32_t>) override {
        return service_.newRequest();
    }
    Request GestureAt(std::int16_t, std::int16_t) override { return service_.newRequest(); }
    void Stop(const Request&) override {}
    void StopAll(const QString&) override {}
    Request Wait(const Request& request) override {
        if (request.isNull()) {
            service_.sink().found(Severity::Warning, QStringLiteral("empty-slot"),
                                  QStringLiteral("no request was stored in this slot yet, so the "
                                                 "characters do not wait"));
            throw AgentError(QStringLiteral("Wait needs a request"));
        }
        return service_.newRequest();
    }
    Request Interrupt(const Request& request) override {
        if (request.isNull()) {
            service_.sink().found(
                Severity::Error, QStringLiteral("empty-slot"),
                QStringLiteral("no request was stored in this slot yet: the play stops here"));
            throw AgentError(QStringLiteral("Interrupt needs a request"));
        }
        return service_.newRequest();
    }

    QString Name() const override { return name_; }
    bool Visible() const override { return false; }
    std::int32_t LanguageID() const override { return language_; }
    void setLanguageID(std::int32_t language) override { language_ = language; }
    QStringList AnimationNames() const override { return summary_->animations; }
    agent::Balloon& Balloon() override { return balloon_; }
    agent::Commands& Commands() override { return commands_; }

  private:
    struct BalloonState final : agent::Balloon {
        std::int32_t Style() const override { return style; }
        void setStyle(std::int32_t value) override { style = value; }
        std::int32_t style = kBalloonOn;
    };
    struct MenuState final : agent::Commands {
        QString Caption() const override { return caption; }
        void setCaption(const QString& value) override { caption = value; }
        void Add(const QString&, const QString&, const QString&, bool, bool) override {}
        QString caption;
    };

    CheckingService& service_;
    QString name_;
    std::shared_ptr<const CharacterSummary> summary_;
    std::int32_t language_ = 0;
    BalloonState balloon_;
    MenuState commands_;
};

}  // namespace

std::shared_ptr<const CharacterSummary> CharacterShelf::summary(const QString& path) {
    const QFileInfo info(path);
    const qint64 size = info.exists() ? info.size() : -1;
    const qint64 modified = info.exists() ? info.lastModified().toMSecsSinceEpoch() : 0;
    {
        std::lock_guard lock(mutex_);
        auto it = entries_.constFind(path);
        if (it != entries_.constEnd() && it->size == size && it->modified == modified)
            return it->summary;
    }
    // Opened outside the lock: two threads may read the same file once each, harmlessly.
    std::shared_ptr<const CharacterSummary> summary = readSummary(path);
    std::lock_guard lock(mutex_);
    entries_.insert(path, Entry{size, modified, summary});
    return summary;
}

QStringList closestNames(const QString& word, const QStringList& candidates, int count) {
    const QString folded = word.trimmed().toCaseFolded();
    const int limit = std::max(2, static_cast<int>(folded.size()) / 3);
    std::vector<std::pair<int, QString>> near;
    for (const QString& candidate : candidates) {
        const QString c = candidate.toCaseFolded();
        int d = distance(folded, c);
        if (d > limit && folded.size() >= 3 && (c.startsWith(folded) || folded.startsWith(c)))
            d = limit;  // a shortened or lengthened name is still a likely slip
        if (d <= limit && c != folded)
            near.emplace_back(d, candidate);
    }
    std::stable_sort(near.begin(), near.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList out;
    for (const auto& [d, name] : near) {
        if (out.size() >= count)
            break;
        out << name;
    }
    return out;
}

CheckingService::CheckingService(CheckSink& sink, CharacterShelf& shelf, QString folder,
                                 QString scriptFolder)
    : sink_(sink),
      shelf_(shelf),
      folder_(std::move(folder)),
      scriptFolder_(std::move(scriptFolder)) {}

CheckingService::~CheckingService() = default;

QStringList CheckingService::characterFiles() {
    if (!listed_) {
        listed_ = true;
        for (const QString& file :
             QDir(folder_).entryList({QStringLiteral("*.acs")}, QDir::Files, QDir::Name))
            files_ << file.chopped(4);
    }
    return files_;
}

void CheckingService::Load(const QString& id, const std::optional<QString>& loadKey) {
    const QString key = id.toCaseFolded();
    if (id.isEmpty()) {
        sink_.found(Severity::Error, QStringLiteral("char-missing"),
                    QStringLiteral("Load. names no character"));
        throw AgentError(QStringLiteral("A character needs an id"));
    }
    if (loaded_.contains(key)) {
        sink_.found(Severity::Warning, QStringLiteral("load-twice"),
                    QStringLiteral("%1 is already loaded; this Load does nothing").arg(id), id);
        throw AgentError(QStringLiteral("The character \"%1\" is already loaded").arg(id));
    }
    const QString path = loadKey ? *loadKey : folder_ + QDir::separator() + id + ".acs";
    const std::shared_ptr<const CharacterSummary> summary = shelf_.summary(path);
    outcomes_.insert(key, QString());
    using Problem = CharacterSummary::Problem;
    if (summary->problem != Problem::None) {
        const QString trimmed = id.trimmed();
        if (summary->problem == Problem::Missing && trimmed != id) {
            sink_.found(Severity::Error, QStringLiteral("load-blank"),
                        QStringLiteral("the name has a blank at its end or start, so the file "
                                       "\"%1.acs\" is looked for; remove the blank")
                            .arg(id),
                        id);
        } else if (summary->problem == Problem::Missing) {
            QString message = QStringLiteral("there is no character file \"%1.acs\" in %2")
                                  .arg(id, QDir::toNativeSeparators(folder_));
            const QStringList near = closestNames(id, characterFiles());
            if (!near.isEmpty())
                message += QStringLiteral("; did you mean %1?").arg(near.join(QLatin1String(", ")));
            sink_.found(Severity::Error, QStringLiteral("char-missing"), message, id);
        } else if (summary->problem == Problem::Unreadable) {
            sink_.found(Severity::Error, QStringLiteral("char-unreadable"),
                        QStringLiteral("the character file of %1 cannot be read: %2")
                            .arg(id, summary->reason),
                        id);
        } else {
            sink_.found(Severity::Error, QStringLiteral("char-refused"),
                        QStringLiteral("the character file of %1 is not one that can be used: %2")
                            .arg(id, summary->reason),
                        id);
        }
        throw AgentError(QStringLiteral("The character file \"%1\" cannot be loaded").arg(path));
    }

    const QString name = summary->name.isEmpty() ? id : summary->name;
    outcomes_.insert(key, name);
    loaded_.insert(key, std::make_shared<CheckedCharacter>(*this, name, summary));
    if (sink_.castFull()) {
        sink_.found(Severity::Warning, QStringLiteral("too-many-characters"),
                    QStringLiteral("more than 35 characters: %1 is loaded but no command "
                                   "reaches it")
                        .arg(name),
                    id);
        return;
    }
    if (name.compare(id, Qt::CaseInsensitive) != 0)
        sink_.found(Severity::Warning, QStringLiteral("load-name-differs"),
                    QStringLiteral("the file %1.acs holds a character that calls itself \"%2\": "
                                   "its commands must start with %2.")
                        .arg(id, name),
                    id);
    const QString mine = name.toCaseFolded() + QLatin1Char('.');
    for (const QString& other : sink_.castNames()) {
        const QString theirs = other.toCaseFolded() + QLatin1Char('.');
        if (theirs != mine && (theirs.endsWith(mine) || mine.endsWith(theirs))) {
            const bool longer = mine.size() > theirs.size();
            sink_.found(Severity::Warning, QStringLiteral("name-clash"),
                        QStringLiteral("the name %1 ends with %2: every command for %3 is "
                                       "also run by %4")
                            .arg(longer ? name : other, longer ? other : name,
                                 longer ? name : other, longer ? other : name),
                        id);
        }
    }
}

agent::CharacterRef CheckingService::Item(const QString& id) {
    auto it = loaded_.constFind(id.toCaseFolded());
    if (it == loaded_.constEnd())
        throw AgentError(QStringLiteral("The character \"%1\" is not loaded").arg(id));
    return *it;
}

void CheckingService::Unload(const QString& id) {
    loaded_.remove(id.toCaseFolded());
}

void CheckingService::checkSound(const QString& url) {
    QString path = url;
    if (QFileInfo(path).isRelative() && !scriptFolder_.isEmpty())
        path = QDir(scriptFolder_).filePath(url);
    auto it = sounds_.constFind(path);
    if (it == sounds_.constEnd()) {
        QString problem;
        try {
            files::RegularFile file = files::RegularFile::open(
                std::filesystem::path(path.toStdU16String()), files::kMaxSoundFileBytes);
            QByteArray head(16, '\0');
            head.resize(static_cast<qsizetype>(file.readAll(head.data(), 16)));
            if (head.size() < 16 || !head.startsWith("RIFF") || head.mid(8, 8) != "WAVEfmt ")
                problem = QStringLiteral("sound-undecodable");
        } catch (const files::Error& e) {
            problem = e.reason() == files::Error::Reason::Missing
                          ? QStringLiteral("sound-missing")
                          : QStringLiteral("sound-undecodable");
        }
        it = sounds_.insert(path, problem);
    }
    if (it->isEmpty())
        return;
    if (*it == QLatin1String("sound-missing"))
        sink_.found(Severity::Error, *it, QStringLiteral("there is no sound file \"%1\"").arg(url),
                    url);
    else
        sink_.found(Severity::Error, *it,
                    QStringLiteral("\"%1\" is not a WAV sound file that can be played").arg(url),
                    url);
}

}  // namespace vistrel::script
