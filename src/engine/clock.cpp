#include "engine/clock.h"

#include <QCoreApplication>
#include <QTimer>

#include <limits>

namespace vistrel::engine {

RealClock::RealClock() {
    elapsed_.start();
}
RealClock::~RealClock() = default;

std::int64_t RealClock::now() const {
    return elapsed_.elapsed();
}

Clock::TimerId RealClock::createTimer(std::function<void()> fire) {
    const TimerId id = nextId_++;
    Entry entry{std::move(fire), std::make_unique<QTimer>()};
    entry.timer->setSingleShot(true);
    entry.timer->setTimerType(Qt::PreciseTimer);
    QTimer* timer = entry.timer.get();
    timers_.emplace(id, std::move(entry));
    QObject::connect(timer, &QTimer::timeout, [this, id] {
        auto it = timers_.find(id);
        if (it == timers_.end() || !it->second.fire)
            return;
        auto callback = it->second.fire;  // it may destroy its own timer
        callback();
    });
    return id;
}

void RealClock::arm(TimerId timer, std::int64_t when) {
    auto it = timers_.find(timer);
    if (it == timers_.end())
        return;
    const std::int64_t wait = std::max<std::int64_t>(0, when - now());
    it->second.timer->start(static_cast<int>(std::min<std::int64_t>(wait, 1 << 30)));
}

void RealClock::disarm(TimerId timer) {
    auto it = timers_.find(timer);
    if (it != timers_.end())
        it->second.timer->stop();
}

void RealClock::destroyTimer(TimerId timer) {
    auto it = timers_.find(timer);
    if (it == timers_.end())
        return;
    // A timer may be destroyed from inside its own callback: let Qt delete it later.
    it->second.timer->stop();
    it->second.timer.release()->deleteLater();
    timers_.erase(it);
}

Clock::TimerId ManualClock::createTimer(std::function<void()> fire) {
    const TimerId id = nextId_++;
    timers_.emplace(id, Entry{std::move(fire), -1, 0});
    return id;
}

void ManualClock::arm(TimerId timer, std::int64_t when) {
    auto it = timers_.find(timer);
    if (it == timers_.end())
        return;
    it->second.when = std::max(when, now_);
    it->second.order = ++armCount_;
}

void ManualClock::disarm(TimerId timer) {
    auto it = timers_.find(timer);
    if (it != timers_.end())
        it->second.when = -1;
}

void ManualClock::destroyTimer(TimerId timer) {
    timers_.erase(timer);
}

ManualClock::Entry* ManualClock::dueEntry(std::int64_t limit, TimerId* id) {
    Entry* best = nullptr;
    for (auto& [key, entry] : timers_) {
        if (entry.when < 0 || entry.when > limit)
            continue;
        if (!best || entry.when < best->when ||
            (entry.when == best->when && entry.order < best->order)) {
            best = &entry;
            *id = key;
        }
    }
    return best;
}

std::int64_t ManualClock::nextDue() const {
    std::int64_t due = -1;
    for (const auto& [key, entry] : timers_)
        if (entry.when >= 0 && (due < 0 || entry.when < due))
            due = entry.when;
    return due;
}

void ManualClock::deliverPosted() {
    QCoreApplication::sendPostedEvents();
}

bool ManualClock::fireNext() {
    deliverPosted();
    TimerId id = 0;
    Entry* entry = dueEntry(std::numeric_limits<std::int64_t>::max(), &id);
    if (!entry)
        return false;
    now_ = entry->when;
    entry->when = -1;
    auto fire = entry->fire;  // the callback may destroy its own timer
    fire();
    deliverPosted();
    return true;
}

void ManualClock::advance(std::int64_t ms) {
    const std::int64_t target = now_ + std::max<std::int64_t>(0, ms);
    deliverPosted();
    TimerId id = 0;
    while (Entry* entry = dueEntry(target, &id)) {
        now_ = entry->when;
        entry->when = -1;
        auto fire = entry->fire;
        fire();
        deliverPosted();
    }
    now_ = target;
}

}  // namespace vistrel::engine
