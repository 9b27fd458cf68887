#include "art/fx.h"

#include <cmath>

namespace vistrel::art {

namespace {

constexpr double kPi = 3.14159265358979323846;
const QColor kInk(34, 30, 48);
const QColor kGold(255, 214, 72);
const QColor kWhite(255, 255, 255);

void questionMark(QPainter& p, QPointF at, double size) {
    QPainterPath hook;
    hook.moveTo(at + QPointF(-size * 0.45, -size * 0.55));
    hook.cubicTo(at + QPointF(-size * 0.45, -size * 1.15), at + QPointF(size * 0.55, -size * 1.15),
                 at + QPointF(size * 0.5, -size * 0.55));
    hook.cubicTo(at + QPointF(size * 0.45, -size * 0.15), at + QPointF(0, -size * 0.1),
                 at + QPointF(0, size * 0.3));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kInk, size * 0.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(hook);
    p.setPen(QPen(QColor(250, 250, 255), size * 0.28, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(hook);
    outlined(
        p,
        [&] {
            QPainterPath dot;
            dot.addEllipse(at + QPointF(0, size * 0.8), size * 0.2, size * 0.2);
            return dot;
        }(),
        QColor(250, 250, 255), kInk, size * 0.12);
}

void exclamation(QPainter& p, QPointF at, double size) {
    QPainterPath bar;
    bar.moveTo(at + QPointF(-size * 0.22, -size));
    bar.lineTo(at + QPointF(size * 0.22, -size));
    bar.lineTo(at + QPointF(size * 0.1, size * 0.35));
    bar.lineTo(at + QPointF(-size * 0.1, size * 0.35));
    bar.closeSubpath();
    outlined(p, bar, QColor(255, 80, 60), kInk, size * 0.12);
    QPainterPath dot;
    dot.addEllipse(at + QPointF(0, size * 0.72), size * 0.18, size * 0.18);
    outlined(p, dot, QColor(255, 80, 60), kInk, size * 0.12);
}

void bulb(QPainter& p, QPointF at, double size, int phase) {
    p.setPen(QPen(kGold, 1.6, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 7; ++i) {
        const double a = kPi * (1.1 + 0.8 * i / 6.0) + (phase % 2) * 0.06;
        const double r0 = size * 0.95, r1 = size * (1.35 + 0.1 * (phase % 2));
        p.drawLine(at + QPointF(std::cos(a) * r0, std::sin(a) * r0),
                   at + QPointF(std::cos(a) * r1, std::sin(a) * r1));
    }
    QPainterPath glass;
    glass.addEllipse(at, size * 0.7, size * 0.7);
    QRadialGradient g(at - QPointF(size * 0.2, size * 0.25), size);
    g.setColorAt(0, QColor(255, 255, 220));
    g.setColorAt(1, QColor(255, 220, 60));
    outlined(p, glass, g, kInk, 1.2);
    QPainterPath base;
    base.addRoundedRect(QRectF(at.x() - size * 0.32, at.y() + size * 0.6, size * 0.64, size * 0.45),
                        1.5, 1.5);
    outlined(p, base, QColor(150, 150, 165), kInk, 1.1);
}

void zed(QPainter& p, QPointF at, double size) {
    QPainterPath z;
    z.moveTo(at + QPointF(-size / 2, -size / 2));
    z.lineTo(at + QPointF(size / 2, -size / 2));
    z.lineTo(at + QPointF(-size / 2, size / 2));
    z.lineTo(at + QPointF(size / 2, size / 2));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kInk, size * 0.38, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(z);
    p.setPen(QPen(QColor(150, 190, 255), size * 0.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(z);
}

void heart(QPainter& p, QPointF at, double size) {
    QPainterPath h;
    h.moveTo(at + QPointF(0, size * 0.9));
    h.cubicTo(at + QPointF(-size * 1.3, 0), at + QPointF(-size * 0.6, -size * 1.0),
              at + QPointF(0, -size * 0.3));
    h.cubicTo(at + QPointF(size * 0.6, -size * 1.0), at + QPointF(size * 1.3, 0),
              at + QPointF(0, size * 0.9));
    outlined(p, h, QColor(240, 70, 110), kInk, 1.0);
}

void gear(QPainter& p, QPointF at, double radius, double turn, const QColor& colour) {
    QPainterPath g;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const double a0 = turn + kPi * i / teeth;
        const double a1 = turn + kPi * (i + 1) / teeth;
        const double r = (i % 2) ? radius * 0.75 : radius;
        const QPointF p0 = at + QPointF(std::cos(a0) * r, std::sin(a0) * r);
        const QPointF p1 = at + QPointF(std::cos(a1) * r, std::sin(a1) * r);
        if (i == 0) {
            g.moveTo(p0);
        } else {
            g.lineTo(p0);
        }
        g.lineTo(p1);
    }
    g.closeSubpath();
    g.addEllipse(at, radius * 0.3, radius * 0.3);
    g.setFillRule(Qt::OddEvenFill);
    outlined(p, g, colour, kInk, 1.1);
}

}  // namespace

void outlined(QPainter& p, const QPainterPath& path, const QBrush& fill, const QColor& line,
              double width) {
    p.setPen(QPen(line, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPath(path);
}

QPainterPath star(QPointF centre, double outer, double inner, double turn) {
    QPainterPath path;
    for (int i = 0; i < 10; ++i) {
        const double a = turn - kPi / 2 + kPi * i / 5;
        const double r = (i % 2) ? inner : outer;
        const QPointF pt = centre + QPointF(std::cos(a) * r, std::sin(a) * r);
        if (i == 0) {
            path.moveTo(pt);
        } else {
            path.lineTo(pt);
        }
    }
    path.closeSubpath();
    return path;
}

void limb(QPainter& p, QPointF from, QPointF to, double width, const QColor& fill,
          const QColor& line) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(line, width + 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    p.setPen(QPen(fill, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
}

void drawEffect(QPainter& p, const Pose& pose, const EffectPlace& place) {
    const int ph = pose.phase;
    const QPointF sign = place.sign + QPointF(0, (ph % 2) ? -1.5 : 0);
    switch (pose.effect) {
        case Effect::None:
            break;
        case Effect::Sparkles: {
            const int count = 9;
            for (int i = 0; i < count; ++i) {
                const double a = 2 * kPi * i / count + ph * 0.35;
                const double r = place.radius * (0.78 + 0.22 * std::sin(ph * 0.9 + i * 1.7));
                const QPointF at = place.centre + QPointF(std::cos(a) * r, std::sin(a) * r * 0.9);
                const double size = 2.2 + 2.6 * std::abs(std::sin(ph * 0.8 + i * 2.1));
                const QColor c = (i % 3 == 0) ? kWhite : (i % 3 == 1 ? kGold : place.accent);
                outlined(p, star(at, size * 1.3, size * 0.45, ph * 0.2 + i), c, c.darker(170), 0.8);
            }
            break;
        }
        case Effect::Question:
            questionMark(p, sign, 9);
            break;
        case Effect::Exclaim:
            exclamation(p, sign, 10);
            break;
        case Effect::Idea:
            bulb(p, sign, 8, ph);
            break;
        case Effect::Sleep:
            for (int i = 0; i < 3; ++i) {
                const int step = (ph + i * 2) % 6;
                zed(p, place.sign + QPointF(-8 + step * 3.0, 14 - step * 4.5), 4 + step * 0.9);
            }
            break;
        case Effect::Hearts:
            for (int i = 0; i < 3; ++i) {
                const int step = (ph + i * 2) % 6;
                heart(p, place.sign + QPointF(-26 + i * 18 + ((step % 2) ? 2 : -2), 18 - step * 4),
                      3.2 + 0.3 * step);
            }
            break;
        case Effect::Gears:
            gear(p, sign + QPointF(-5, 4), 9, ph * kPi / 8, QColor(200, 205, 215));
            gear(p, sign + QPointF(9, -8), 6.5, -ph * kPi / 6 + 0.2, QColor(240, 190, 80));
            break;
        case Effect::Dots: {
            const int shown = 1 + ph % 3;
            for (int i = 0; i < shown; ++i) {
                QPainterPath dot;
                const double r = 2 + i * 1.6;
                dot.addEllipse(place.sign + QPointF(-14 + i * 8, 14 - i * 9), r, r);
                outlined(p, dot, QColor(250, 250, 255), kInk, 1.0);
            }
            break;
        }
    }
}

}  // namespace vistrel::art
