#include "engine/motion.h"

#include "log/log.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vistrel::engine {

Motion::Motion(QString owner, Clock& clock, int updatesPerSecond, Hooks hooks)
    : owner_(std::move(owner)),
      clock_(clock),
      stepMs_(1000 / std::max(1, updatesPerSecond)),
      hooks_(std::move(hooks)),
      timer_(clock, [this] { onTick(); }) {}

void Motion::start(QPoint from, QPoint to, int durationMs) {
    qCDebug(log::engine).noquote()
        << owner_ << "moves from" << from << "to" << to << "in" << durationMs << "ms";
    from_ = from;
    to_ = to;
    start_ = clock_.now();
    end_ = start_ + std::max(1, durationMs);
    armNext();
}

QPoint Motion::positionAt(std::int64_t now) const {
    if (now >= end_)
        return to_;
    const double t = double(now - start_) / double(end_ - start_);
    return QPoint(from_.x() + int(std::lround((to_.x() - from_.x()) * t)),
                  from_.y() + int(std::lround((to_.y() - from_.y()) * t)));
}

void Motion::onTick() {
    const std::int64_t now = clock_.now();
    if (now >= end_) {
        hooks_.arrived();
        return;
    }
    hooks_.moved(positionAt(now));
    armNext();
}

void Motion::armNext() {
    timer_.at(std::min(end_, clock_.now() + stepMs_));
}

int Motion::durationMs(QPoint from, QPoint to, int speed) {
    constexpr std::int64_t kShortestMove = 10;  // pixels
    constexpr std::int64_t kSpeedPerPixelMs = 500;
    const std::int64_t longer =
        std::max<std::int64_t>({std::abs(std::int64_t{to.x()} - from.x()),
                                std::abs(std::int64_t{to.y()} - from.y()), kShortestMove});
    const std::int64_t ms = longer * std::max(0, speed) / kSpeedPerPixelMs;
    return static_cast<int>(std::min<std::int64_t>(ms, std::numeric_limits<int>::max()));
}

Motion::Heading Motion::heading(QPoint delta) {
    if (std::abs(delta.x()) >= std::abs(delta.y()))
        return delta.x() >= 0 ? Heading::ScreenRight : Heading::ScreenLeft;
    return delta.y() > 0 ? Heading::Down : Heading::Up;
}

const char* Motion::describe(Heading heading) {
    switch (heading) {
        case Heading::ScreenLeft:
            return "towards the screen's left";
        case Heading::ScreenRight:
            return "towards the screen's right";
        case Heading::Up:
            return "up";
        case Heading::Down:
        default:
            return "down";
    }
}

const char* Motion::movingState(Heading heading) {
    switch (heading) {
        case Heading::ScreenLeft:
            return "MOVINGRIGHT";
        case Heading::ScreenRight:
            return "MOVINGLEFT";
        case Heading::Up:
            return "MOVINGUP";
        case Heading::Down:
        default:
            return "MOVINGDOWN";
    }
}

const char* Motion::gesturingState(Heading heading) {
    switch (heading) {
        case Heading::ScreenLeft:
            return "GESTURINGRIGHT";
        case Heading::ScreenRight:
            return "GESTURINGLEFT";
        case Heading::Up:
            return "GESTURINGUP";
        case Heading::Down:
        default:
            return "GESTURINGDOWN";
    }
}

}  // namespace vistrel::engine
