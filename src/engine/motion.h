#pragma once

// A character gliding along a straight line at its own pace, and which way it faces to move
// or to point: the states its moving and gesturing animations are found under.

#include "engine/clock.h"

#include <QPoint>
#include <QString>

#include <functional>

namespace vistrel::engine {

class Motion {
  public:
    struct Hooks {
        std::function<void(QPoint)> moved;  // the position on the way, at every update
        std::function<void()> arrived;      // at target(), on time
    };

    // `owner` names the character in the log.
    Motion(QString owner, Clock& clock, int updatesPerSecond, Hooks hooks);

    // Moves from `from` to `to` in `durationMs` (above 0), with a position update at most
    // every 1/updatesPerSecond s.
    void start(QPoint from, QPoint to, int durationMs);
    // Stops where it is; `arrived` does not run.
    void stop() { timer_.stop(); }

    QPoint target() const { return to_; }
    // The point on the line at `now`, rounded to whole pixels.
    QPoint positionAt(std::int64_t now) const;

    // The state to move from `from` to `to`: "MOVINGLEFT", "MOVINGRIGHT", "MOVINGUP" or
    // "MOVINGDOWN", by the larger part of the way.
    static const char* movingState(QPoint from, QPoint to);
    // The state to point at `at` from `centre`, the same way ("GESTURINGRIGHT" ...).
    static const char* gesturingState(QPoint centre, QPoint at);

  private:
    void onTick();
    void armNext();

    QString owner_;
    Clock& clock_;
    int stepMs_;
    Hooks hooks_;
    ClockTimer timer_;
    QPoint from_, to_;
    std::int64_t start_ = 0, end_ = 0;
};

}  // namespace vistrel::engine
