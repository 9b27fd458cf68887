#include "compose/methods.h"

#include "compose/textentry.h"
#include "document/typing.h"
#include "log/log.h"
#include "script/numbers.h"
#include "script/scripterror.h"

#include <QListWidget>

namespace vistrel::compose {

const QStringList& startingMethods() {
    static const QStringList entries{QStringLiteral("Load.")};
    return entries;
}

const QStringList& fullMethods() {
    static const QStringList entries{
        QStringLiteral("Load."),      QStringLiteral("Show"),        QStringLiteral("Hide"),
        QStringLiteral("Stop"),       QStringLiteral("Whisper."),    QStringLiteral("Think."),
        QStringLiteral("Speak."),     QStringLiteral("SpeakSound."), QStringLiteral("MoveTo."),
        QStringLiteral("GestureAt."), QStringLiteral("Req."),        QStringLiteral("WaitOn.Req."),
        QStringLiteral("Interrupt"),
    };
    return entries;
}

void showStartingMethods(QListWidget& list) {
    list.clear();
    list.addItems(startingMethods());
}

void showFullMethods(QListWidget& list) {
    list.clear();
    list.addItems(fullMethods());
}

std::optional<QString> requestNumberText(const QString& answer) {
    try {
        return QString::number(script::toInteger16(answer));
    } catch (const script::ScriptError& e) {
        log::ignored(log::app(), QLatin1String("request number ") + answer, e);
        return std::nullopt;
    }
}

QString MethodsCommands::locationPrompt(const QString& entry) {
    return tr("Please input the location to ") + entry + QLatin1String("\r\n") +
           tr("Seperated by forward slashes.");
}
QString MethodsCommands::requestPrompt() {
    return tr("Please Enter the Request number to set -") + QLatin1String("\r\n0-9");
}
QString MethodsCommands::waitPrompt() {
    return tr("Please Enter the Request number for all characters to wait on -") +
           QLatin1String("\r\n0-9");
}
QString MethodsCommands::interruptPrompt() {
    return tr("Please Enter the Request number to Interrupt -") + QLatin1String("\r\n0-9");
}
QString MethodsCommands::promptTitle() {
    return QStringLiteral("Vistrel");
}
QString MethodsCommands::soundFilter() {
    return tr("Wav Files (*.wav)|*.wav");
}
QString MethodsCommands::pickerHint() {
    return tr("Just click once to add a 'Load character', command to the script!");
}
QString MethodsCommands::pickerStatus() {
    return tr("Once you have chosen your characters, click the 'Load Characters' button");
}

namespace {

bool is(const QString& entry, const char* name) {
    return entry.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

}  // namespace

MethodsCommands::MethodsCommands(QListWidget& methodsList, document::EditorTyping& typing,
                                 platform::PromptBoxes& prompts, platform::FileDialogs& files,
                                 platform::MessageBoxes& messages, const Hints& hints,
                                 MethodsHost& host)
    : methodsList_(methodsList),
      typing_(typing),
      prompts_(prompts),
      messages_(messages),
      hints_(hints),
      host_(host),
      soundDialog_(files) {}

MethodsCommands::~MethodsCommands() {
    delete textEntry_.data();
}

QString MethodsCommands::selectedEntry() const {
    const QListWidgetItem* item = methodsList_.currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

std::optional<QString> MethodsCommands::ask(const QString& prompt) {
    lastAnswer_ = prompts_.ask(prompt, promptTitle(), QString());
    if (lastAnswer_.isEmpty())
        return std::nullopt;
    return lastAnswer_;
}

std::optional<QString> MethodsCommands::askRequestNumber(const QString& prompt) {
    const std::optional<QString> answer = ask(prompt);
    return answer ? requestNumberText(*answer) : std::nullopt;
}

void MethodsCommands::runSelected() {
    host_.focusEditor();
    const QString entry = selectedEntry();
    const QString name = host_.activeCharacter();
    if (is(entry, "Hide") || is(entry, "Show") || is(entry, "Stop")) {
        typing_.type(name + QLatin1Char('.') + entry, true);
    } else if (is(entry, "GestureAt.") || is(entry, "MoveTo.")) {
        if (const auto answer = ask(locationPrompt(entry)))
            typing_.type(name + QLatin1Char('.') + entry + *answer, true);
    } else if (is(entry, "Req.")) {
        if (const auto number = askRequestNumber(requestPrompt()))
            typing_.type(QLatin1String("Req") + *number + QLatin1Char('.'), false);
    } else if (is(entry, "WaitOn.Req.")) {
        if (const auto number = askRequestNumber(waitPrompt()))
            typing_.type(QLatin1String("WaitOn.Req.") + *number, true);
    } else if (is(entry, "Load.")) {
        // When help is on but the assistant cannot speak, the picker is not opened.
        if (!hints_.speakHint(pickerHint()))
            return;
        if (!host_.showCharacterPicker())
            return;
        host_.setStatusText(pickerStatus());
    } else if (is(entry, "Speak.") || is(entry, "Think.") || is(entry, "Whisper.")) {
        openTextEntry(entry);
    } else if (is(entry, "Interrupt")) {
        if (const auto number = askRequestNumber(interruptPrompt()))
            typing_.type(name + QLatin1String(".Interrupt.") + *number, true);
    } else if (is(entry, "SpeakSound.")) {
        soundDialog_.setFilter(soundFilter());
        if (!soundDialog_.showOpen())
            return;
        typing_.type(name + QLatin1String(".SpeakSound.") + soundDialog_.fileName(), true);
    }
}

TextEntryWindow& MethodsCommands::textEntry() {
    if (!textEntry_) {
        textEntry_ = new TextEntryWindow(messages_, methodsList_.window());
        QObject::connect(textEntry_, &TextEntryWindow::accepted, textEntry_,
                         [this](const QString& text) { textAccepted(text); });
    }
    return *textEntry_;
}

void MethodsCommands::openTextEntry(const QString& entry) {
    textEntry().begin(host_.activeCharacter() + QLatin1Char(' ') + entry);
}

void MethodsCommands::textAccepted(const QString& text) {
    host_.focusEditor();
    typing_.type(host_.activeCharacter() + QLatin1Char('.') + selectedEntry() + text, true);
    textEntry_->hide();
}

}  // namespace vistrel::compose
