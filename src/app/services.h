#pragma once

#include "agent/agent.h"

#include <QRect>
#include <QString>

#include <memory>
#include <vector>

namespace vistrel::engine {
class Clock;
}  // namespace vistrel::engine
namespace vistrel::desktop {
class DesktopStage;
}  // namespace vistrel::desktop
namespace vistrel::speech {
class Synthesizer;
class AudioOutput;
}  // namespace vistrel::speech

class QWidget;

namespace vistrel::scene {
class Scene;
}  // namespace vistrel::scene

namespace vistrel::app {

// The two character-service instances the main window works with: one for the script's
// characters and one for the help assistant, with what they run on. Members are destroyed
// in reverse order: the desktop windows first, then the services, then their clock, voice
// and sound.
struct CharacterServices {
    CharacterServices();
    CharacterServices(CharacterServices&&) noexcept;
    CharacterServices& operator=(CharacterServices&&) noexcept;
    ~CharacterServices();

    std::unique_ptr<engine::Clock> clock;
    std::unique_ptr<speech::Synthesizer> synthesizer;
    std::unique_ptr<speech::AudioOutput> audio;
    std::unique_ptr<agent::Agent> scriptService;
    std::unique_ptr<agent::Agent> assistantService;
    std::vector<std::unique_ptr<desktop::DesktopStage>> stages;
    // What the stages show of the script's characters.
    scene::Scene* scriptScene = nullptr;
    // Keeps newly loaded script characters beside the main window.
    std::unique_ptr<QObject> placement;
};

// The character engine on real time, speaking through espeak-ng, sounding through the
// default audio device (silently when there is none) and showing its characters on the
// desktop. An id loaded without a file comes from the characters installed with the program.
CharacterServices createCharacterServices(const QString& programFolder);

// Where the `n`-th character loaded stands until a script moves it: beside `window`, on the
// side with room for a character of `size` (when known), on `screen`, clear of the window's
// menus; later ones a little apart from earlier ones.
QPoint placeBeside(const QRect& window, const QRect& screen, QSize size, int n);

// From now on the script's characters appear beside `window` instead of over it.
void keepCharactersBeside(CharacterServices& services, const QWidget& window);

// Every character's balloon, the help assistant's greeting above all, goes on a side of the
// character where it leaves `window` (its menus and its text) uncovered, where there is one.
void keepBalloonsClear(CharacterServices& services, const QWidget& window);

}  // namespace vistrel::app
