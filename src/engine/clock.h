#pragma once

// Time for the character engine. Everything the engine does later (the next frame, the next
// word of a speech, the start of idling) is a timer on a Clock, so that the program runs on
// real time while tests step time by hand and see exactly the same sequence.

#include <QElapsedTimer>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

class QTimer;

namespace vistrel::engine {

class Clock {
  public:
    using TimerId = int;

    virtual ~Clock() = default;

    // Milliseconds since some fixed start; never goes backwards.
    virtual std::int64_t now() const = 0;

    // A timer calls `fire` each time it is armed and its time comes. Arming again replaces
    // the previous time; a timer fires at most once per arming.
    virtual TimerId createTimer(std::function<void()> fire) = 0;
    virtual void arm(TimerId timer, std::int64_t when) = 0;
    virtual void disarm(TimerId timer) = 0;
    virtual void destroyTimer(TimerId timer) = 0;
};

// One timer of a clock, owned by whoever it works for: destroyed with it, so it can never
// fire into an object that is gone.
class ClockTimer {
  public:
    ClockTimer(Clock& clock, std::function<void()> fire)
        : clock_(clock), id_(clock.createTimer(std::move(fire))) {}
    ~ClockTimer() { clock_.destroyTimer(id_); }
    ClockTimer(const ClockTimer&) = delete;
    ClockTimer& operator=(const ClockTimer&) = delete;

    void at(std::int64_t when) { clock_.arm(id_, when); }
    void after(std::int64_t ms) { clock_.arm(id_, clock_.now() + ms); }
    void stop() { clock_.disarm(id_); }

  private:
    Clock& clock_;
    Clock::TimerId id_;
};

// Real time, through Qt's event loop: one precise single-shot QTimer per armed timer, so an
// idle character costs nothing between its frames.
class RealClock : public Clock {
  public:
    RealClock();
    ~RealClock() override;

    std::int64_t now() const override;
    TimerId createTimer(std::function<void()> fire) override;
    void arm(TimerId timer, std::int64_t when) override;
    void disarm(TimerId timer) override;
    void destroyTimer(TimerId timer) override;

  private:
    struct Entry {
        std::function<void()> fire;
        std::unique_ptr<QTimer> timer;
    };
    QElapsedTimer elapsed_;
    std::map<TimerId, Entry> timers_;
    TimerId nextId_ = 1;
};

// Time that moves only when a test says so. It stands for the event loop as well: before the
// first timer and after each one it delivers the events posted to this thread (queued
// signals, RequestComplete), as the loop would between its timers.
class ManualClock : public Clock {
  public:
    std::int64_t now() const override { return now_; }
    TimerId createTimer(std::function<void()> fire) override;
    void arm(TimerId timer, std::int64_t when) override;
    void disarm(TimerId timer) override;
    void destroyTimer(TimerId timer) override;

    // Moves time forward by `ms`, firing every timer that comes due on the way, in time order
    // (armed earlier first on a tie); `now()` reads each timer's own time while it fires.
    void advance(std::int64_t ms);
    // Moves time to the next armed timer and fires it; false when none is armed.
    bool fireNext();
    // Delivers the events posted so far, without moving time.
    static void deliverPosted();
    // The time of the next armed timer, or -1.
    std::int64_t nextDue() const;

  private:
    struct Entry {
        std::function<void()> fire;
        std::int64_t when = -1;
        std::uint64_t order = 0;
    };
    std::int64_t now_ = 0;
    std::map<TimerId, Entry> timers_;
    TimerId nextId_ = 1;
    std::uint64_t armCount_ = 0;

    Entry* dueEntry(std::int64_t limit, TimerId* id);
};

}  // namespace vistrel::engine
