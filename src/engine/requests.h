#pragma once

// The requests a character queues: one type per kind, holding only what that kind needs.

#include "agent/request.h"

#include <QPoint>
#include <QString>

#include <variant>

namespace vistrel::engine {

struct ShowRequest {
    bool fast = false;  // appear at once, without the showing animation
};
struct HideRequest {
    bool fast = false;
};
struct PlayRequest {
    QString animation;
};
struct SpeakRequest {
    QString text;
    QString url;  // a sound file that stands for the voice
};
struct ThinkRequest {
    QString text;
};
struct MoveRequest {
    QPoint to;         // the frame's new top-left corner
    int speed = 1000;  // 0 jumps there at once; see Motion::durationMs
};
struct GestureRequest {
    QPoint at;
};
struct WaitRequest {
    agent::Request other;  // of any character
};
struct InterruptRequest {
    agent::Request other;
};

using Work = std::variant<ShowRequest, HideRequest, PlayRequest, SpeakRequest, ThinkRequest,
                          MoveRequest, GestureRequest, WaitRequest, InterruptRequest>;

struct Job {
    agent::Request request;
    Work work;
};

// The word StopAll names this kind by ("play", "move" or "speak"); null for kinds it never
// stops.
const char* stopGroup(const Work& work);

// A short description for the log, such as `Play "Wave"`.
QString describe(const Work& work);

}  // namespace vistrel::engine
