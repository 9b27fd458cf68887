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

    // How long a move from `from` to `to` takes at `speed` (the service's unit: 1000 is 2 ms
    // per pixel of the longer axis, and no move is shorter than 10 pixels' time).
    static int durationMs(QPoint from, QPoint to, int speed);
    // The point on the line at `now`, rounded to whole pixels.
    QPoint positionAt(std::int64_t now) const;

    // Which way a move or a gesture goes on the screen.
    enum class Heading { ScreenLeft, ScreenRight, Up, Down };
    // The heading of `delta`: the axis with the larger offset decides, a tie goes to the
    // horizontal one (and no offset at all counts as the screen's right).
    static Heading heading(QPoint delta);
    static const char* describe(Heading heading);
    // The states a character moves or points with. Their names are the character's own: it
    // faces the viewer, so its right is the screen's left ("MOVINGLEFT" takes it to the
    // screen's right).
    static const char* movingState(Heading heading);
    static const char* gesturingState(Heading heading);

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
