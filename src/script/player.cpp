#include "script/player.h"

#include "files/regularfile.h"
#include "log/log.h"
#include "script/ini.h"
#include "script/numbers.h"
#include "script/scripterror.h"
#include "script/scriptreader.h"
#include "script/scripttext.h"

#include <QDir>

#include <string_view>

namespace vistrel::script {

using agent::AgentError;
using agent::CharacterRef;

const QString ScriptPlayer::kBanner = QStringLiteral("Vistrel Scripter - playing your script");
const QString ScriptPlayer::kCredit = QStringLiteral("Vistrel Scripter by Tamsel");
const QString ScriptPlayer::kWhisperTag = QStringLiteral("\\chr=\"Whisper\"\\");
const QString ScriptPlayer::kMenuCaption = QStringLiteral("Vistrel Scripter");
const QString ScriptPlayer::kFailureAdvice =
    QStringLiteral("If you are unsure about this error please email Tamsel this script.");

namespace {

enum Keyword {
    kPlay,
    kSpeak,
    kWhisper,
    kShow,
    kThink,
    kSpeakSound,
    kHide,
    kHideQuick,
    kMoveTo,
    kGestureAt,
    kInterrupt,
    kStop,
    kBalloonOff,
    kKeywordCount
};

const std::array<QString, kKeywordCount> kKeywords = {
    QStringLiteral(".Play."),       QStringLiteral(".Speak."),     QStringLiteral(".Whisper."),
    QStringLiteral(".Show"),        QStringLiteral(".Think."),     QStringLiteral(".SpeakSound."),
    QStringLiteral(".Hide"),        QStringLiteral(".Hide.Quick"), QStringLiteral(".MoveTo."),
    QStringLiteral(".GestureAt."),  QStringLiteral(".Interrupt."), QStringLiteral(".Stop"),
    QStringLiteral(".Balloon.Off"),
};

// The keywords case-folded and without their leading dot: what follows "name." in an item.
const std::array<QString, kKeywordCount> kKeywordTails = [] {
    std::array<QString, kKeywordCount> tails;
    for (int k = 0; k < kKeywordCount; ++k)
        tails[k] = kKeywords[k].mid(1).toCaseFolded();
    return tails;
}();

const QString kLoad = QStringLiteral("Load.");
const QString kReq = QStringLiteral("Req");
const QString kWaitOn = QStringLiteral("WaitOn.Req.");
const QString kEnd = QStringLiteral("VTL.END");
const QString kCreator = QStringLiteral("%Creator");
const QString kMin = QStringLiteral("%Min");
const QString kUnloadAll = QStringLiteral("UnloadAll");
const QString kExit = QStringLiteral("Exit");

// The same keywords case-folded, for tests on the folded item.
const QString kLoadFolded = kLoad.toCaseFolded();
const QString kReqFolded = kReq.toCaseFolded();
const QString kWaitOnFolded = kWaitOn.toCaseFolded();
const QString kEndFolded = kEnd.toCaseFolded();
const QString kCreatorFolded = kCreator.toCaseFolded();
const QString kMinFolded = kMin.toCaseFolded();
const QString kUnloadAllFolded = kUnloadAll.toCaseFolded();

// Runs a character call; a refusal by the service ends playing as a failure of the player.
template <typename Call>
auto guarded(Call&& call) {
    try {
        return call();
    } catch (const AgentError& e) {
        throw ScriptError(e.description());
    }
}

}  // namespace

struct ScriptPlayer::SlotKeys {
    std::array<QString, kKeywordCount> key;  // name + keyword, as written
    QString foldedName;                      // name + ".", case-folded
};

QStringList ScriptPlayer::commandKeywords() {
    return QStringList(kKeywords.begin(), kKeywords.end());
}

QString iniValue(const QString& section, const QString& key, const QString& path) {
    constexpr int kBufferChars = 250;
    return readPrivateProfileString(section, key, path, path, kBufferChars).trimmed();
}

ScriptPlayer::ScriptPlayer(PlayerState& state, agent::Agent& service, PlayerHost& host)
    : state_(state), service_(service), host_(host) {}

ScriptPlayer::~ScriptPlayer() = default;

void ScriptPlayer::begin() {
    counter_ = 1;
    itemsRead_ = 0;
    failed_ = false;
    state_.cast.clear();
    keys_.clear();
    host_.setStatusText(kBanner);
}

void ScriptPlayer::playScript(const QString& path) {
    begin();
    qCDebug(log::script).noquote() << "playing" << path;

    QByteArray bytes;
    try {
        bytes =
            files::read<QByteArray>(std::filesystem::path(path.toStdU16String()), kMaxScriptBytes);
    } catch (const files::Error& e) {
        log::ignored(log::script(), QLatin1String("play ") + path, e);
        switch (e.reason()) {
            case files::Error::Reason::Missing:
                report(ScriptError::fileNotFound());
                break;
            case files::Error::Reason::NotRegular:
                report(ScriptError::pathAccess());
                break;
            case files::Error::Reason::TooLarge:
                report(
                    QStringLiteral("The script is larger than %1 MB").arg(kMaxScriptBytes >> 20));
                break;
            case files::Error::Reason::Unreadable:
                report(QString::fromLocal8Bit(e.what()));
                break;
        }
        return;
    }
    readItems(decodeScriptText(bytes));
}

void ScriptPlayer::playText(const QString& text) {
    begin();
    readItems(text);
}

void ScriptPlayer::readItems(const QString& text) {
    ScriptReader reader(text);
    QString item;
    try {
        while (reader.next(item)) {
            ++itemsRead_;
            qCDebug(log::script).noquote() << "item" << counter_ << item;
            if (observer_)
                observer_->itemRead(itemsRead_, reader.span(), item);
            try {
                runItem(item);
            } catch (const ScriptError& e) {
                if (!observer_ || !observer_->keepGoing(e.description()))
                    throw;
            }
            if (counter_ == std::numeric_limits<std::int16_t>::max()) {
                // The item counter is 16 bits wide.
                if (!observer_ || !observer_->keepGoing(ScriptError::overflow()))
                    throw ScriptError(ScriptError::overflow());
            } else {
                ++counter_;
            }
            if (has(kEndFolded))
                return;
        }
    } catch (const ScriptError& e) {
        report(e.description());
    }
}

void ScriptPlayer::report(const QString& description) {
    failed_ = true;
    qCDebug(log::script).noquote() << "play stopped at item" << counter_ << ":" << description;
    const QString where = description + QLatin1String("...Line - ") + QString::number(counter_);
    host_.setStatusText(QLatin1String("...") + where);
    host_.showStopMessage(QStringLiteral("Vistrel"), where + QLatin1Char('\n') + kFailureAdvice);
    host_.focusEditor();
}

void ScriptPlayer::runItem(QString& item) {
    // Keyword tests run on the case-folded copy of the item, kept in step with every rewrite.
    refold(item);
    if (has(kCreatorFolded)) {
        item.replace(kCreator, kCredit, Qt::CaseInsensitive);
        refold(item);
    }
    if (item.contains(QLatin1Char(','))) {
        item.remove(QLatin1Char(','));
        refold(item);
    }

    if (folded_ == kMinFolded)
        host_.minimizeWindow();
    if (folded_ == kUnloadAllFolded)
        state_.closeWhenAllHidden = true;
    if (has(kLoadFolded)) {
        loadStep(item);
        refold(item);
    }
    if (folded_.startsWith(kReqFolded))
        storedCommands(item);
    if (folded_.startsWith(kWaitOnFolded))
        waitOn(item);
    unstoredCommands(item);
}

void ScriptPlayer::loadStep(QString& item) {
    item.remove(kLoad, Qt::CaseInsensitive);
    const QString& id = item;
    const QString file = state_.charactersFolder + QDir::separator() + id + QLatin1String(".acs");
    // Any failure here skips the rest of the load; the item goes on.
    try {
        agent::CharacterCollection& characters = service_.Characters();
        characters.Load(id, file);
        CharacterRef character = characters.Item(id);
        if (state_.cast.full()) {
            log::ignored(log::script(), QStringLiteral("Load.%1").arg(id),
                         QStringLiteral("all %1 character slots are taken; the character is "
                                        "loaded but no command reaches it")
                             .arg(Cast::kCapacity));
            return;
        }
        const QString name = character->Name();

        try {
            const QString language =
                iniValue(QStringLiteral("Current"), QStringLiteral("Current"),
                         host_.programFolder() + QDir::separator() + QLatin1String("vistrel.ini"));
            character->setLanguageID(toInteger32(language));
        } catch (const AgentError& e) {
            log::ignored(log::script(), QStringLiteral("setting %1's language").arg(name), e);
        } catch (const ScriptError& e) {
            log::ignored(log::script(), QStringLiteral("reading the language from vistrel.ini"), e);
        }

        character->Commands().setCaption(kMenuCaption);
        character->Commands().Add(kExit, kExit, kExit, true, true);

        SlotKeys keys;
        for (int k = 0; k < kKeywordCount; ++k)
            keys.key[k] = name + kKeywords[k];
        keys.foldedName = (name + QLatin1Char('.')).toCaseFolded();
        keys_.push_back(std::move(keys));
        const int slot = state_.cast.add(std::move(character), name, id);
        qCDebug(log::script).noquote()
            << "loaded" << id << "from" << file << "as" << name << "in slot" << slot;
    } catch (const AgentError& e) {
        log::ignored(log::script(), QStringLiteral("Load.%1 from %2").arg(id, file), e);
    } catch (const ScriptError& e) {
        log::ignored(log::script(), QStringLiteral("Load.%1 from %2").arg(id, file), e);
    }
}

namespace {
std::u16string_view view(const QString& s) {
    return {reinterpret_cast<const char16_t*>(s.constData()), static_cast<std::size_t>(s.size())};
}
}  // namespace

void ScriptPlayer::refold(const QString& item) {
    // Folds into the buffer kept from the last item; surrogate pairs take Qt's full path.
    const qsizetype n = item.size();
    folded_.resize(n);
    const QChar* src = item.constData();
    QChar* dst = folded_.data();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = src[i].unicode();
        if (c < 0x80) {
            dst[i] = QChar(c >= u'A' && c <= u'Z' ? c + 32 : c);
        } else if (QChar::isSurrogate(c)) {
            folded_ = item.toCaseFolded();
            break;
        } else {
            dst[i] = QChar(c).toCaseFolded();
        }
    }
    // Every command of a character starts with its name and a dot: at each place where a name
    // occurs, note which keywords follow it, so that a keyword test is a bit test.
    present_ = 0;
    keywordsAt_.fill(0);
    const std::u16string_view text = view(folded_);
    for (size_t slot = 0; slot < keys_.size(); ++slot) {
        const std::u16string_view name = view(keys_[slot].foldedName);
        for (size_t at = text.find(name); at != std::u16string_view::npos;
             at = text.find(name, at + 1)) {
            present_ |= std::uint64_t{1} << slot;
            const std::u16string_view tail = text.substr(at + name.size());
            if (tail.empty())
                continue;
            for (int kw = 0; kw < kKeywordCount; ++kw) {
                const std::u16string_view word = view(kKeywordTails[kw]);
                if (tail.front() == word.front() && tail.starts_with(word))
                    keywordsAt_[slot] |= std::uint16_t(1U << kw);
            }
        }
    }
}

bool ScriptPlayer::named(int slot) const {
    return (present_ >> slot) & 1U;
}

bool ScriptPlayer::has(const QString& foldedKey) const {
    return view(folded_).find(view(foldedKey)) != std::u16string_view::npos;
}

bool ScriptPlayer::has(int slot, int keyword) const {
    return (keywordsAt_[static_cast<size_t>(slot)] >> keyword) & 1U;
}

void ScriptPlayer::removeAll(QString& item, const QString& key) {
    item.remove(key, Qt::CaseInsensitive);
    refold(item);
}

std::int16_t ScriptPlayer::slotNumber(QStringView text) const {
    const std::int16_t slot = guarded([&] { return toInteger16(text); });
    if (slot < 0 || slot >= PlayerState::kSlotCount)
        throw ScriptError(ScriptError::outOfRange());
    return slot;
}

std::pair<std::int16_t, std::int16_t> ScriptPlayer::point(QStringView text) const {
    const qsizetype slash = text.indexOf(u'/');
    if (slash < 0)
        throw ScriptError(ScriptError::outOfRange());  // there is no second part to read
    QStringView y = text.sliced(slash + 1);
    const qsizetype next = y.indexOf(u'/');
    if (next >= 0)
        y = y.first(next);
    return guarded([&] { return std::pair(toInteger16(text.first(slash)), toInteger16(y)); });
}

void ScriptPlayer::storedCommands(QString& item) {
    item.remove(0, kReq.size());
    if (!item.isEmpty() && item[0] >= u'0' && item[0] <= u'9') {
        state_.currentSlot = static_cast<std::int16_t>(item[0].unicode() - u'0');
        if (item.size() >= 2 && item[1] == u'.')
            item.remove(0, 2);
    }
    refold(item);

    for (int i = 0; i < state_.cast.size(); ++i) {
        if (!named(i))
            continue;
        const SlotKeys& k = keys_[i];
        agent::Character& c = *state_.cast[i].character;
        agent::Request& slot = state_.requestSlots[state_.currentSlot];
        for (int kw = 0; kw < kKeywordCount; ++kw) {
            if (has(i, kw))
                qCDebug(log::script).noquote()
                    << "call" << k.key[kw] << "into request slot" << state_.currentSlot;
        }
        auto argument = [&](Keyword kw) {
            removeAll(item, k.key[kw]);
            return item;
        };
        guarded([&] {
            if (has(i, kPlay))
                slot = c.Play(argument(kPlay));
            if (has(i, kSpeak))
                slot = c.Speak(argument(kSpeak));
            if (has(i, kWhisper))
                slot = c.Speak(kWhisperTag + argument(kWhisper));
            if (has(i, kShow))
                slot = c.Show();
            if (has(i, kThink))
                slot = c.Think(argument(kThink));
            if (has(i, kSpeakSound))
                slot = c.Speak(QString(), argument(kSpeakSound));
            if (has(i, kHide))
                slot = c.Hide();
            if (has(i, kHideQuick))
                slot = c.Hide(true);
            if (has(i, kMoveTo)) {
                const auto [x, y] = point(argument(kMoveTo));
                slot = c.MoveTo(x, y);
            }
            if (has(i, kGestureAt)) {
                const auto [x, y] = point(argument(kGestureAt));
                slot = c.GestureAt(x, y);
            }
        });
    }
}

void ScriptPlayer::waitOn(QString& item) {
    removeAll(item, kWaitOn);
    const std::int16_t slot = slotNumber(item);
    state_.currentSlot = slot;
    const agent::Request request = state_.requestSlots[slot];
    for (const Cast::Member& member : state_.cast) {
        try {
            if (member.character)
                member.character->Wait(request);
        } catch (const AgentError& e) {
            log::ignored(log::script(), QStringLiteral("%1.Wait").arg(member.name), e);
        }
    }
}

void ScriptPlayer::unstoredCommands(QString& item) {
    const int count = state_.cast.size();
    if (count == 0)
        return;
    // Keyword by keyword, each over the table in load order.
    static constexpr std::array<std::pair<Keyword, int>, 15> kOrder = {{
        {kInterrupt, 0},
        {kShow, 0},
        {kStop, 0},
        {kPlay, 0},
        {kWhisper, 0},
        {kThink, 0},
        {kSpeak, 0},
        {kSpeakSound, 0},
        {kHide, 0},
        {kHideQuick, 0},
        {kStop, 1},  // the second Stop
        {kStop, 2},  // then StopAll
        {kMoveTo, 0},
        {kGestureAt, 0},
        {kBalloonOff, 0},
    }};
    for (const auto& step : kOrder) {
        const Keyword kw = step.first;
        const int variant = step.second;
        for (int i = 0; i < count; ++i) {
            const SlotKeys& k = keys_[i];
            if (!has(i, kw))
                continue;
            qCDebug(log::script).noquote() << "call" << k.key[kw];
            agent::Character& c = *state_.cast[i].character;
            auto argument = [&] {
                removeAll(item, k.key[kw]);
                return item;
            };
            guarded([&] {
                switch (kw) {
                    case kInterrupt: {
                        const std::int16_t slot = slotNumber(argument());
                        state_.currentSlot = slot;
                        c.Interrupt(state_.requestSlots[slot]);
                        break;
                    }
                    case kShow:
                        c.Show();
                        break;
                    case kStop:
                        if (variant < 2)
                            c.Stop();
                        else
                            c.StopAll();
                        break;
                    case kPlay:
                        c.Play(argument());
                        break;
                    case kWhisper:
                        c.Speak(kWhisperTag + argument());
                        break;
                    case kThink:
                        c.Think(argument());
                        break;
                    case kSpeak:
                        c.Speak(argument());
                        break;
                    case kSpeakSound:
                        c.Speak(QString(), argument());
                        break;
                    case kHide:
                        c.Hide();
                        break;
                    case kHideQuick:
                        c.Hide(true);
                        break;
                    case kMoveTo: {
                        const auto [x, y] = point(argument());
                        c.MoveTo(x, y);
                        break;
                    }
                    case kGestureAt: {
                        const auto [x, y] = point(argument());
                        c.GestureAt(x, y);
                        break;
                    }
                    case kBalloonOff: {
                        agent::Balloon& balloon = c.Balloon();
                        balloon.setStyle(balloon.Style() & ~agent::Balloon::kBalloonOn);
                        break;
                    }
                    case kKeywordCount:
                        break;
                }
            });
        }
    }
}

}  // namespace vistrel::script
