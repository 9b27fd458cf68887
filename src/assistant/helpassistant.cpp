#include "assistant/helpassistant.h"

#include "assistant/introduction.h"
#include "log/log.h"
#include "platform/platform.h"

namespace vistrel::assistant {

namespace {

// Where the assistant stands while it greets the user: near the top of the screen, left of
// where the main window usually is.
constexpr std::int16_t kGreetingX = 200;
constexpr std::int16_t kGreetingY = 0;

const char* const kGreeting[] = {
    "I am here to help and as you go about creating your scripts I will prompt you",
    "To start, just read the status bar in the Dudori Zuvove",
    "Also if you wish to get rid of me for a while then just right-click me and choose hide",
};

// Runs one call on the service; a refusal is logged and otherwise ignored.
// Returns whether the call went through.
template <typename Call>
bool ignoringRefusal(const char* what, Call&& call) {
    try {
        call();
        return true;
    } catch (const agent::AgentError& error) {
        log::ignored(log::app(), what, error.description());
        return false;
    }
}

}  // namespace

HelpAssistant::HelpAssistant(agent::Agent& service, platform::MessageBoxes& messages,
                             QObject* parent)
    : QObject(parent), service_(service), messages_(messages) {}

void HelpAssistant::loadCharacter() {
    ignoringRefusal("loading the help assistant",
                    [&] { service_.Characters().Load(kCharacterId); });
    ignoringRefusal("finding the help assistant", [&] {
        if (agent::CharacterRef loaded = service_.Characters().Item(kCharacterId))
            character_ = std::move(loaded);
    });
}

void HelpAssistant::switchOn() {
    on_ = true;
    emit switchedOn(true);
    loadCharacter();
    if (!character_) {
        qCWarning(log::app) << "the help assistant could not be loaded; its hints stay silent";
        return;
    }
    agent::Character& merlin = *character_;
    ignoringRefusal("showing the help assistant", [&] { merlin.Show(); });
    ignoringRefusal("moving the help assistant", [&] { merlin.MoveTo(kGreetingX, kGreetingY); });
    ignoringRefusal("the help assistant's greeting animation",
                    [&] { merlin.Play(QStringLiteral("Explain")); });
    for (const char* sentence : kGreeting)
        ignoringRefusal("the help assistant's greeting",
                        [&] { merlin.Speak(QString::fromUtf8(sentence)); });
}

void HelpAssistant::switchOff() {
    on_ = false;
    emit switchedOn(false);
    if (character_)
        ignoringRefusal("hiding the help assistant", [&] { character_->Hide(); });
    ignoringRefusal("unloading the help assistant",
                    [&] { service_.Characters().Unload(kCharacterId); });
}

bool HelpAssistant::speakHint(const QString& text) {
    if (!on_) {
        qCDebug(log::app) << "hint not spoken, help is off:" << text;
        return true;
    }
    if (!character_) {
        log::ignored(log::app(), "a hint of the help assistant",
                     QStringLiteral("the help assistant is not loaded"));
        return false;
    }
    return ignoringRefusal("a hint of the help assistant", [&] { character_->Speak(text); });
}

bool HelpAssistant::interruptWithHint(const QString& text) {
    if (on_ && character_)
        ignoringRefusal("stopping the help assistant", [&] { character_->Stop(); });
    return speakHint(text);
}

void HelpAssistant::playIntroduction() {
    try {
        service_.Characters().Load(kCharacterId);
        agent::CharacterRef merlin = service_.Characters().Item(kCharacterId);
        if (!merlin)
            throw agent::AgentError(QStringLiteral("the help assistant is not loaded"));
        character_ = merlin;
        using Kind = IntroductionStep::Kind;
        for (const IntroductionStep& step : introductionSteps()) {
            switch (step.kind) {
                case Kind::Show:
                    merlin->Show();
                    break;
                case Kind::Hide:
                    merlin->Hide();
                    break;
                case Kind::MoveTo:
                    merlin->MoveTo(step.x, step.y);
                    break;
                case Kind::Play:
                    merlin->Play(step.text);
                    break;
                case Kind::Speak:
                    merlin->Speak(step.text);
                    break;
            }
        }
    } catch (const agent::AgentError& error) {
        qCWarning(log::app) << "the introduction stopped:" << error.description();
        messages_.show({QStringLiteral("There was a problem finding a default character"),
                        QStringLiteral("VT2000"), platform::MessageIcon::Stop});
    }
}

}  // namespace vistrel::assistant
