#include "engine/motion.h"

#include "log/log.h"

#include <algorithm>
#include <cmath>

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

const char* Motion::movingState(QPoint from, QPoint to) {
    const QPoint delta = to - from;
    return std::abs(delta.x()) >= std::abs(delta.y())
               ? (delta.x() > 0 ? "MOVINGRIGHT" : "MOVINGLEFT")
               : (delta.y() > 0 ? "MOVINGDOWN" : "MOVINGUP");
}

const char* Motion::gesturingState(QPoint centre, QPoint at) {
    const QPoint delta = at - centre;
    return std::abs(delta.x()) >= std::abs(delta.y())
               ? (delta.x() >= 0 ? "GESTURINGRIGHT" : "GESTURINGLEFT")
               : (delta.y() > 0 ? "GESTURINGDOWN" : "GESTURINGUP");
}

}  // namespace vistrel::engine
