#pragma once

// Drawing helpers shared by the characters: outlined shapes and the effects drawn above them.

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>

#include "art/pose.h"

namespace vistrel::art {

// Fills `path` with `fill` and outlines it with `line` of width `width`.
void outlined(QPainter& p, const QPainterPath& path, const QBrush& fill, const QColor& line,
              double width = 1.4);
// A five-pointed star.
QPainterPath star(QPointF centre, double outer, double inner, double turn = 0);
// A thick round-capped stroke with an outline: limbs and sleeves.
void limb(QPainter& p, QPointF from, QPointF to, double width, const QColor& fill,
          const QColor& line);

// Where a character's effects go: the circle the sparkles dance on and the point above the
// head where signs (question mark, bulb...) appear.
struct EffectPlace {
    QPointF centre;
    double radius = 50;
    QPointF sign;
    QColor accent;  // the character's own sparkle colour
};
void drawEffect(QPainter& p, const Pose& pose, const EffectPlace& place);

}  // namespace vistrel::art
