#pragma once

// Renders a script to a video: the script plays through the program's own player into the
// character engine on a clock that moves one video frame at a time, the offscreen stage draws
// each frame, and every voice and sound the engine starts is mixed into the sound track at
// the engine time it started. The video ends one second after every request of the script
// has ended and every character is hidden (or, after UnloadAll, once every character of the
// script is hidden), or at the longest duration allowed.

#include "render/output.h"

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <stdexcept>

namespace vistrel::platform {
class SettingsStore;
}

namespace vistrel::render {

// A script that failed to play (the player's message), or an option that cannot be used.
class RenderError : public std::runtime_error {
  public:
    RenderError(const QString& message, bool inScript)
        : std::runtime_error(message.toStdString()), message_(message), inScript_(inScript) {}
    const QString& message() const { return message_; }
    bool inScript() const { return inScript_; }

  private:
    QString message_;
    bool inScript_;
};

struct RenderOptions {
    QString script;  // the .vtl file
    // The script's text, played instead of reading `script` when not null (the editor's text
    // as it stands).
    QString scriptText;
    QString output;  // its extension picks the format (see formatOf)
    QSize size{1280, 720};
    int fps = 30;
    // The desktop behind the characters: an image (scaled to cover the frame) when not null,
    // else the colour; a transparent colour keeps the frames' transparency (WebM and PNG).
    QColor background{0x3a, 0x6e, 0xa5};
    QImage backgroundImage;
    QString charactersFolder;  // where the player loads the script's characters from
    QString programFolder;     // where vistrel.ini and the program's own characters are
    std::int64_t maxDurationMs = 10 * 60 * 1000;
    std::uint32_t seed = 0x5eed;  // the characters' random choices
    // Real time allowed to the synthesizer for one utterance before it is cut short.
    int speechTimeoutMs = 30000;
    // When set, from any thread, the render stops at its next frame, or while it waits for
    // the synthesizer, and throws RenderError "cancelled". Must outlive the render.
    const std::atomic<bool>* cancel = nullptr;
};

inline constexpr int kMaxFps = 120;
inline constexpr int kMaxSide = 7680;
inline constexpr std::int64_t kTailMs = 1000;  // the video goes on this long after the end

struct RenderProgress {
    std::int64_t videoMs = 0;   // rendered so far
    std::int64_t totalMs = -1;  // the video's length once known
    std::int64_t frames = 0;
    int pass = 1;  // a GIF is rendered twice: once for its palette, once to write it
    int passes = 1;
};

struct RenderResult {
    std::int64_t endMs = -1;  // engine time at which the script ended; -1 when cut short
    std::int64_t frames = 0;
    std::int64_t durationMs = 0;
    // Wall-clock time spent, in milliseconds, over every pass.
    double drawMs = 0;    // the engine's work and drawing the frames
    double encodeMs = 0;  // converting, filtering, encoding and writing
    double speechMs = 0;  // waiting for the synthesizer
    double totalMs = 0;
};

// The characters folder the program's player uses: the "Vtl"/"Dir" setting, else the
// characters installed with the program.
QString defaultCharactersFolder(const platform::SettingsStore& settings,
                                const QString& programFolder);

// Checks the options and renders; throws RenderError or OutputError, leaving no file behind.
// `progress` is told after each frame; returning false from it cancels the render (which then
// throws RenderError "cancelled").
RenderResult renderScript(const RenderOptions& options,
                          const std::function<bool(const RenderProgress&)>& progress = {});

}  // namespace vistrel::render
