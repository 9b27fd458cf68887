#include "compose/loadall.h"

#include "compose/methods.h"
#include "log/log.h"
#include "script/mailtext.h"
#include "script/scriptreader.h"
#include "script/scripttext.h"

#include <QDir>
#include <QFile>
#include <QListWidget>

#include <optional>

namespace vistrel::compose {

using agent::AgentError;

QString CastCommands::loadAllHint() {
    return tr(
        "Use this option to load all the characters in your script so that you can click them "
        "and access there animations.");
}
QString CastCommands::comingHint() {
    return tr(
        "Now the characters you have chosen are coming onto the screen. This is so that you can "
        "access them. By clicking on them there animations will appear in the animations list "
        "box.");
}
QString CastCommands::showHint() {
    return tr(
        " Now don't forget that you still need to add the Show command to your script, for "
        "every character");
}
QString CastCommands::saveFirstMessage() {
    return tr("Please save the script first");
}
QString CastCommands::loadedStatus() {
    return tr("Now drag the characters around, to see the animations & methods..Just click away!");
}
const QString CastCommands::kExitCommand = QStringLiteral("Exit");

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

CastCommands::CastCommands(script::PlayerState& state, agent::Agent& service,
                           script::ScriptPlayer& player, document::ScriptDocument& document,
                           const document::ScriptEditor& editor, QListWidget& methodsList,
                           QListWidget& animationsList, platform::MessageBoxes& messages,
                           LoadAllHost& host)
    : state_(state),
      service_(service),
      player_(player),
      document_(document),
      editor_(editor),
      methodsList_(methodsList),
      animationsList_(animationsList),
      messages_(messages),
      host_(host) {}

void CastCommands::loadAll() {
    host_.speakHint(loadAllHint());
    host_.hideCharacterPicker();
    unloadAll();
    if (editor_.scriptText().isEmpty())
        return;
    loadScriptCharacters();
    host_.speakHint(comingHint());
    host_.speakHint(showHint());
    for (const script::Cast::Member& member : state_.cast) {
        if (member.character)
            skipping(member.name + QLatin1String(".Show"), [&] { member.character->Show(false); });
    }
    host_.setStatusText(loadedStatus());
}

void CastCommands::loadScriptCharacters() {
    state_.cast.clear();
    if (!document_.hasPath()) {
        messages_.show(
            platform::Message{saveFirstMessage(), document::ScriptDocument::dialogTitle(),
                              platform::MessageIcon::Exclamation, platform::MessageButtons::Ok,
                              platform::MessageAnswer::Ok});
        document_.saveAs();
    }
    // Without a file that holds the editor's text there is nothing trustworthy to read.
    if (!document_.writeFile())
        return;
    const QString path = document_.currentPath();

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > script::kMaxScriptBytes) {
        log::ignored(log::app(), QLatin1String("Load All from ") + path,
                     QLatin1String("the saved script cannot be read back"));
        return;
    }
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

void CastCommands::loadCharacter(const QString& name) {
    // A character that fails to load still takes its slot, which then holds no character.
    agent::CharacterRef character;
    QString reportedName;
    agent::CharacterCollection& characters = service_.Characters();
    skipping(QLatin1String("Load.") + name, [&] {
        characters.Load(name,
                        state_.charactersFolder + QDir::separator() + name + QLatin1String(".acs"));
    });
    skipping(QLatin1String("Load.") + name, [&] { character = characters.Item(name); });
    if (character) {
        skipping(name + QLatin1String(".Name"), [&] { reportedName = character->Name(); });
        skipping(name + QLatin1String(".Commands.Add"), [&] {
            character->Commands().Add(kExitCommand, tr("Exit"), tr("Exit"), true, true);
        });
    }
    state_.cast.add(std::move(character), reportedName);
}

void CastCommands::unloadAll() {
    for (const script::Cast::Member& member : state_.cast)
        skipping(QLatin1String("Unload ") + member.name,
                 [&] { service_.Characters().Unload(member.name); });
    state_.cast.clear();
    animationsList_.clear();
    showStartingMethods(methodsList_);
}

void CastCommands::stopAll() {
    for (const script::Cast::Member& member : state_.cast) {
        if (member.character)
            skipping(member.name + QLatin1String(".Stop"), [&] { member.character->Stop(); });
    }
}

void CastCommands::play() {
    if (!document_.hasPath())
        host_.hideCharacterPicker();
    if (!document_.requireFile())
        return;
    unloadAll();
    if (!document_.writeFile())
        return;
    const QString path = document_.currentPath();
    // A mail's text pasted into the editor plays the script between its markers.
    if (std::optional<QString> mailed = script::scriptFromMailText(editor_.scriptText())) {
        qCDebug(log::app) << "play started: the script between the mail markers of" << path;
        player_.playText(*mailed);
        return;
    }
    qCDebug(log::app) << "play started:" << path;
    player_.playScript(path);
}

}  // namespace vistrel::compose
