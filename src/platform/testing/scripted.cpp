#include "platform/testing/scripted.h"

namespace vistrel::platform::testing {

MessageAnswer ScriptedMessageBoxes::show(const Message& message) {
    shown.push_back(message);
    if (whileShown)
        whileShown(message);
    if (answers.empty())
        return message.buttons == MessageButtons::Ok ? MessageAnswer::Ok : message.defaultButton;
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

QString ScriptedPromptBoxes::ask(const QString& prompt, const QString& title, const QString&) {
    prompts << title + QLatin1String(": ") + prompt;
    if (answers.empty())
        return {};
    QString answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<QString> ScriptedFileDialogs::choose(const FileDialogRequest& request) {
    shown.push_back(request);
    if (choices.empty())
        return std::nullopt;
    const QString choice = choices.takeFirst();
    if (choice.isNull())
        return std::nullopt;
    return choice;
}

QString ScriptedFileDialogs::chooseFolder(const QString& title, const QString& startFolder) {
    foldersShown.push_back({title, startFolder});
    return folderChoices.isEmpty() ? QString() : folderChoices.takeFirst();
}

QString MemorySettingsStore::value(const QString& application, const QString& section,
                                   const QString& key, const QString& defaultValue) const {
    return values.value(application + QLatin1Char('/') + section + QLatin1Char('/') + key,
                        defaultValue);
}

void MemorySettingsStore::setValue(const QString& application, const QString& section,
                                   const QString& key, const QString& value) {
    values.insert(application + QLatin1Char('/') + section + QLatin1Char('/') + key, value);
}

QString TableIniLookup::value(const QString& section, const QString& key,
                              const QString& defaultValue, const QString& path) const {
    return values.value(path + QLatin1Char('|') + section + QLatin1Char('|') + key, defaultValue);
}

}  // namespace vistrel::platform::testing
