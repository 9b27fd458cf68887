#include "compose/loadall.h"

#include "compose/methods.h"
#include "log/log.h"
#include "script/scriptreader.h"
#include "script/scripttext.h"

#include <QDir>
#include <QFile>
#include <QListWidget>

namespace vistrel::compose {

using agent::AgentError;

const QString CharacterLoading::kLoadAllHint = QStringLiteral(
    "Use this option to load all the characters in your script so that you can click them and "
    "access there animations.");
const QString CharacterLoading::kComingHint = QStringLiteral(
    "Now the characters you have chosen are coming onto the screen. This is so that you can "
    "access them. By clicking on them there animations will appear in the animations list box.");
const QString CharacterLoading::kShowHint = QStringLiteral(
    " Now don't forget that you still need to add the Show command to your script, for every "
    "character");
const QString CharacterLoading::kSaveFirst = QStringLiteral("Please save the script first");
const QString CharacterLoading::kLoadedStatus = QStringLiteral(
    "Now drag the characters around, to see the animations & methods..Just click away!");
const QString CharacterLoading::kExitCommand = QStringLiteral("Exit");

namespace {

const QString kLoad = QStringLiteral("Load.");

// Runs one step whose refusal by the service is skipped.
template <typename Step>
void skipping(const QString& what, Step&& step) {
    try {
        step();
    } catch (const AgentError& e) {
        log::ignored(log::app(), what, e);
    }
}

}  // namespace

CharacterLoading::CharacterLoading(script::PlayerState& state, agent::Agent& AgentControl,
                                   document::ScriptDocument& document,
                                   const document::ScriptEditor& editor, QListWidget& lstvar,
                                   QListWidget& lstAnimations, platform::MessageBoxes& messages,
                                   LoadAllHost& host)
    : state_(state),
      agentControl_(AgentControl),
      document_(document),
      editor_(editor),
      lstvar_(lstvar),
      lstAnimations_(lstAnimations),
      messages_(messages),
      host_(host) {}

void CharacterLoading::LoadAll() {
    host_.speakHint(kLoadAllHint);
    host_.hideCharacterPicker();
    UnloadAll();
    if (editor_.Text().isEmpty())
        return;
    LoadScriptCharacters();
    host_.speakHint(kComingHint);
    host_.speakHint(kShowHint);
    for (const script::Cast::Member& member : state_.cast) {
        if (member.character)
            skipping(member.name + QLatin1String(".Show"), [&] { member.character->Show(false); });
    }
    host_.setStatusText(kLoadedStatus);
}

void CharacterLoading::LoadScriptCharacters() {
    state_.cast.clear();
    if (!document_.hasPath()) {
        messages_.show(platform::Message{
            kSaveFirst, QStringLiteral("Vistrel"), platform::MessageIcon::Exclamation,
            platform::MessageButtons::Ok, platform::MessageAnswer::Ok});
        document_.SaveAs();
    }
    // Without a file that holds the editor's text there is nothing trustworthy to read.
    const QString path = document_.currentPath();
    if (path.isEmpty() || !document_.writeTo(path))
        return;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > script::kMaxScriptBytes)
        return;
    const QString text = script::decodeScriptText(file.read(script::kMaxScriptBytes));
    file.close();

    script::ScriptReader reader(text);
    QString item;
    while (reader.next(item)) {
        if (!item.contains(kLoad, Qt::CaseInsensitive))
            continue;
        // Every slot is taken: further characters would be on the desktop with no way to
        // unload them, so they are not loaded at all.
        if (state_.cast.full())
            break;
        loadCharacter(item.remove(kLoad, Qt::CaseInsensitive));
    }
}

void CharacterLoading::loadCharacter(const QString& name) {
    // A character that fails to load still takes its slot, which then holds no character.
    agent::CharacterRef character;
    QString reportedName;
    agent::CharacterCollection& characters = agentControl_.Characters();
    skipping(QLatin1String("Load.") + name, [&] {
        characters.Load(name,
                        state_.charactersFolder + QDir::separator() + name + QLatin1String(".acs"));
    });
    skipping(QLatin1String("Load.") + name, [&] { character = characters.Item(name); });
    if (character) {
        skipping(name + QLatin1String(".Name"), [&] { reportedName = character->Name(); });
        skipping(name + QLatin1String(".Commands.Add"), [&] {
            character->Commands().Add(kExitCommand, kExitCommand, kExitCommand, true, true);
        });
    }
    state_.cast.add(std::move(character), reportedName);
}

void CharacterLoading::UnloadAll() {
    for (const script::Cast::Member& member : state_.cast)
        skipping(QLatin1String("Unload ") + member.name,
                 [&] { agentControl_.Characters().Unload(member.name); });
    state_.cast.clear();
    lstAnimations_.clear();
    showStartingMethods(lstvar_);
}

}  // namespace vistrel::compose
