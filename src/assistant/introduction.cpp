#include "assistant/introduction.h"

#include <array>

namespace vistrel::assistant {

namespace {

using Kind = IntroductionStep::Kind;

IntroductionStep show() {
    return {Kind::Show, {}};
}
IntroductionStep hide() {
    return {Kind::Hide, {}};
}
IntroductionStep moveTo(std::int16_t x, std::int16_t y) {
    return {Kind::MoveTo, {}, x, y};
}
IntroductionStep play(const char* animation) {
    return {Kind::Play, QString::fromUtf8(animation)};
}
IntroductionStep speak(const char* sentence) {
    return {Kind::Speak, QString::fromUtf8(sentence)};
}

}  // namespace

std::span<const IntroductionStep> introductionSteps() {
    static const std::array steps{
        show(),
        moveTo(100, 100),
        play("Announce"),
        speak("Welcome to this new Vistrel Scripter!"),
        speak("I shall give you an easy step through here, but if you require more detail - see "
              "the help file."),
        play("alert"),
        speak("As you can see, there is a 'Methods' box on the screen, with the command 'Load' "
              "in it"),
        speak("This is your first task, click load and sequentually load all the characters to "
              "be in your script."),
        play("Gesturedown"),
        speak("'Now, when you click the Agent button or the 'Load All' option, all the "
              "characters will appear on screen."),
        play("restpose"),
        speak("In a rather untidy fashion. Don't worry about that as this is just design time."),
        speak("Now move your characters around or click on them, so that you can see them, and "
              "you will notice many more Method commands appear, along with the characters "
              "animation list"),
        moveTo(100, 100),
        speak("Now you will have seen the commands 'Load.Character' in the main body everytime "
              "you loaded a character"),
        speak("If you wanted to get a character to Show, you can either write in Character.Show "
              "or, click the chosen character once"),
        speak(" and then single click the 'Show' command in the 'Methods' dialog. Fun isn't it?"),
        speak("All commands work this way, where ever the flashing I-beam in the main body is, "
              "is where the command will be inserted."),
        speak("Notice that the first click on the characters animation list causes the character "
              "(if visible) to act out that animation. It is only when you double click the "
              "animation that it is inserted.."),
        speak("Once you have inserted all commands, just click the 'Play It' choice in the "
              "command bar"),
        play("explain"),
        speak("When you have finished the script, just click the email option to send the "
              "script to other Vistrel 2000 users.."),
        speak("Why not check out the examples in the scripts folder."),
        hide(),
    };
    return steps;
}

}  // namespace vistrel::assistant
