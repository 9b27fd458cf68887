// The wizard: a blue starry robe and pointed hat, a long white beard and a staff with a
// glowing orb.

#include <QLinearGradient>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

#include "art/animations.h"
#include "art/builder.h"
#include "art/characters.h"
#include "art/design.h"
#include "art/fx.h"
#include "art/sounds.h"

namespace vistrel::art {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kUpperArm = 16;
constexpr double kForearm = 15;

const QColor kInk(26, 24, 52);
const QColor kRobe(64, 78, 196);
const QColor kRobeDark(36, 42, 124);
const QColor kRobeLight(96, 112, 226);
const QColor kGold(246, 200, 70);
const QColor kSkin(248, 208, 176);
const QColor kSkinShade(226, 170, 140);
const QColor kBeard(246, 246, 250);
const QColor kBeardShade(196, 198, 214);
const QColor kWood(136, 88, 48);
const QColor kOrb(120, 230, 255);

QPointF dir(double degrees, bool screenLeft) {
    const double a = degrees * kPi / 180;
    return {screenLeft ? -std::sin(a) : std::sin(a), std::cos(a)};
}

class Merlin final : public Design {
  public:
    Pose rest() const override {
        Pose p;
        p.left = {24, 6};
        p.right = {14, 10};
        return p;
    }
    QSize frameSize() const override { return {128, 128}; }
    QPointF feet() const override { return {64, 125}; }
    QSize headSize() const override { return {68, 100}; }
    QPointF headOrigin() const override { return {30, 0}; }
    QPointF neck() const override { return {64, 62}; }
    QRect mouthRect() const override { return {24, 49, 20, 14}; }

    void drawBody(QPainter& p, const Pose& pose) const override {
        drawRobe(p);
        drawStaff(p, pose);
        drawArm(p, pose.right, false, pose);
        drawArm(p, pose.left, true, pose);
        drawOrb(p, pose);
    }

    bool hasFront(const Pose& pose) const override {
        return pose.prop != Prop::None || overBeard(hand(pose.left, true)) ||
               overBeard(hand(pose.right, false));
    }

    void drawFront(QPainter& p, const Pose& pose) const override {
        switch (pose.prop) {
            case Prop::Book:
                drawBook(p, pose.phase);
                break;
            case Prop::Scroll:
                drawScroll(p);
                break;
            default:
                break;
        }
        for (bool left : {true, false}) {
            const Arm& arm = left ? pose.left : pose.right;
            if (pose.prop == Prop::Book || pose.prop == Prop::Scroll ||
                overBeard(hand(arm, left))) {
                drawArm(p, arm, left, pose);
            }
        }
    }

    void drawHead(QPainter& p, const Face& face) const override {
        p.translate(-headOrigin());
        // Face.
        QPainterPath head;
        head.addEllipse(QPointF(64, 46), 12.5, 12.5);
        QRadialGradient skin(QPointF(60, 42), 16);
        skin.setColorAt(0, kSkin);
        skin.setColorAt(1, kSkinShade);
        outlined(p, head, skin, kInk);
        // Ears.
        for (double x : {51.0, 77.0}) {
            QPainterPath ear;
            ear.addEllipse(QPointF(x, 47), 2.6, 4);
            outlined(p, ear, kSkinShade, kInk, 1.1);
        }
        drawEyes(p, face.eyes);
        drawBrows(p, face.brows);
        drawBeard(p);
        drawMouth(p, face.mouth);
        drawMoustache(p);
        QPainterPath nose;
        nose.addEllipse(QPointF(64, 49.5), 3.3, 3);
        outlined(p, nose, QColor(242, 176, 150), kInk, 1.1);
        drawHat(p);
    }

    void drawEffect(QPainter& p, const Pose& pose) const override {
        EffectPlace place{{64, 64}, 54, {104, 20}, kOrb};
        art::drawEffect(p, pose, place);
    }

  private:
    QPointF shoulder(bool left) const { return left ? QPointF(48, 68) : QPointF(80, 68); }
    QPointF elbow(const Arm& a, bool left) const {
        return shoulder(left) + dir(a.shoulder, left) * kUpperArm;
    }
    QPointF hand(const Arm& a, bool left) const {
        return elbow(a, left) + dir(a.shoulder + a.elbow, left) * kForearm;
    }
    static bool overBeard(QPointF h) {
        return h.x() > 48 && h.x() < 80 && h.y() > 54 && h.y() < 94;
    }

    void drawRobe(QPainter& p) const {
        QPainterPath robe;
        robe.moveTo(58, 60);
        robe.cubicTo(52, 62, 46, 64, 45, 70);
        robe.cubicTo(42, 88, 38, 106, 33, 123);
        robe.cubicTo(46, 126, 54, 121, 64, 124);
        robe.cubicTo(74, 121, 82, 126, 95, 123);
        robe.cubicTo(90, 106, 86, 88, 83, 70);
        robe.cubicTo(82, 64, 76, 62, 70, 60);
        robe.closeSubpath();
        QLinearGradient shade(40, 0, 92, 0);
        shade.setColorAt(0, kRobeDark);
        shade.setColorAt(0.35, kRobe);
        shade.setColorAt(0.6, kRobeLight);
        shade.setColorAt(1, kRobeDark);
        outlined(p, robe, shade, kInk, 1.6);
        // Folds.
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kRobeDark, 1.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(52, 96), QPointF(47, 121));
        p.drawLine(QPointF(76, 96), QPointF(81, 121));
        // Gold hem.
        QPainterPath hem;
        hem.moveTo(34, 119);
        hem.cubicTo(46, 122, 54, 117, 64, 120);
        hem.cubicTo(74, 117, 82, 122, 94, 119);
        p.setPen(QPen(kGold, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(hem);
        // Stars and a moon.
        const QPointF stars[] = {{50, 104}, {75, 108}, {56, 114}, {81, 94}, {47, 84}};
        for (std::size_t i = 0; i < std::size(stars); ++i) {
            outlined(p, star(stars[i], 3.2, 1.3, 0.3 * static_cast<double>(i)), kGold,
                     QColor(170, 120, 30), 0.7);
        }
        QPainterPath moon;
        moon.addEllipse(QPointF(70, 100), 4.2, 4.2);
        QPainterPath bite;
        bite.addEllipse(QPointF(72, 98.5), 3.6, 3.6);
        outlined(p, moon.subtracted(bite), kGold, QColor(170, 120, 30), 0.7);
        // Rope belt.
        QPainterPath belt;
        belt.moveTo(45, 86);
        belt.cubicTo(55, 90, 73, 90, 83, 86);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kInk, 4.2, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(belt);
        p.setPen(QPen(kGold, 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(belt);
        p.setPen(QPen(kGold.darker(130), 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(70, 89), QPointF(71, 100));
        p.drawLine(QPointF(72, 89), QPointF(75, 98));
    }

    // The staff stands upright at rest and leans out with the arm that holds it.
    double staffLean(const Arm& a) const {
        const double phi = a.shoulder + a.elbow;
        double t = 0;
        if (phi > 30 && phi <= 95) {
            t = (phi - 30) / 65;
        } else if (phi > 95) {
            t = std::max(0.0, 1 - (phi - 95) / 55);
        }
        return 6 * t;
    }
    // With both hands on a book or a scroll, the staff stands by itself where it rests.
    Arm staffArm(const Pose& pose) const {
        return pose.prop == Prop::Book || pose.prop == Prop::Scroll ? rest().left : pose.left;
    }
    QPointF staffUp(const Pose& pose) const {
        const double a = staffLean(staffArm(pose)) * kPi / 180;
        return {-std::sin(a), -std::cos(a)};
    }
    // Raised high, the hand slides down the staff so that the orb stays in the picture.
    QPointF staffTop(const Pose& pose) const {
        const QPointF h = hand(staffArm(pose), true);
        return h + staffUp(pose) * std::clamp(h.y() - 26, 14.0, 52.0);
    }

    void drawStaff(QPainter& p, const Pose& pose) const {
        const QPointF h = hand(staffArm(pose), true);
        const QPointF up = staffUp(pose);
        const QPointF bottom = h - up * std::min(28.0, std::max(8.0, 121 - h.y()));
        limb(p, bottom, staffTop(pose), 3.2, kWood, kInk);
        // The claw that holds the orb.
        p.setPen(QPen(kInk, 1.3));
        p.setBrush(kWood.darker(120));
        const QPointF top = staffTop(pose);
        QPainterPath claw;
        claw.moveTo(top + QPointF(-4.5, -1));
        claw.quadTo(top + QPointF(0, 4), top + QPointF(4.5, -1));
        claw.lineTo(top + QPointF(2.5, 1.5));
        claw.lineTo(top + QPointF(-2.5, 1.5));
        claw.closeSubpath();
        p.drawPath(claw);
    }

    void drawOrb(QPainter& p, const Pose& pose) const {
        const QPointF c = staffTop(pose) - staffUp(pose) * -4.5;
        if (pose.glow > 0.05) {
            QRadialGradient halo(c, 5 + 4 * pose.glow);
            halo.setColorAt(0, QColor(200, 250, 255, 230));
            halo.setColorAt(0.6, QColor(120, 230, 255, static_cast<int>(170 * pose.glow)));
            halo.setColorAt(1, QColor(120, 230, 255, 0));
            p.setPen(Qt::NoPen);
            p.setBrush(halo);
            p.drawEllipse(c, 5 + 4 * pose.glow, 5 + 4 * pose.glow);
        }
        QPainterPath orb;
        orb.addEllipse(c, 4.6, 4.6);
        QRadialGradient g(c - QPointF(1.5, 1.5), 6);
        g.setColorAt(0, QColor(240, 255, 255));
        g.setColorAt(1, pose.glow > 0.5 ? QColor(90, 220, 255) : QColor(70, 160, 210));
        outlined(p, orb, g, kInk, 1.2);
    }

    void drawArm(QPainter& p, const Arm& arm, bool left, const Pose& pose) const {
        const QPointF s = shoulder(left), e = elbow(arm, left), h = hand(arm, left);
        limb(p, s, e, 9, kRobe, kInk);
        // The sleeve widens towards its cuff.
        const QPointF d = h - e;
        const double len = std::hypot(d.x(), d.y());
        const QPointF n = len > 0 ? QPointF(-d.y() / len, d.x() / len) : QPointF(1, 0);
        const QPointF cuff = e + d * 0.8;
        QPainterPath sleeve;
        sleeve.moveTo(e + n * 4.5);
        sleeve.lineTo(cuff + n * 6.5);
        sleeve.lineTo(cuff - n * 6.5);
        sleeve.lineTo(e - n * 4.5);
        sleeve.closeSubpath();
        QPainterPath joint;
        joint.addEllipse(e, 4.5, 4.5);
        outlined(p, sleeve.united(joint), kRobe, kInk, 1.3);
        p.setPen(QPen(kGold, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(cuff + n * 5.8, cuff - n * 5.8);
        // Hand, with a quill or a magnifying glass when holding one.
        if (!left && pose.prop == Prop::Scroll) {
            limb(p, h, h + QPointF(9, -12), 1.2, QColor(250, 250, 250), kInk);
            QPainterPath feather;
            feather.moveTo(h + QPointF(3, -3));
            feather.quadTo(h + QPointF(14, -8), h + QPointF(11, -17));
            feather.quadTo(h + QPointF(5, -10), h + QPointF(3, -3));
            outlined(p, feather, QColor(236, 240, 250), kInk, 1.0);
        }
        if (!left && pose.prop == Prop::Glass) {
            const QPointF lens = h + (len > 0 ? d / len : QPointF(0, 1)) * 9;
            limb(p, h, lens, 2.4, kWood, kInk);
            QPainterPath glass;
            glass.addEllipse(lens, 5.5, 5.5);
            outlined(p, glass, QColor(200, 236, 255, 255), QColor(90, 90, 100), 2.2);
            p.setPen(QPen(QColor(255, 255, 255), 1.4, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(lens + QPointF(-3, -1), lens + QPointF(-1, -3));
        }
        QPainterPath palm;
        palm.addEllipse(h, 4.3, 4.3);
        outlined(p, palm, kSkin, kInk, 1.2);
    }

    void drawBook(QPainter& p, int phase) const {
        const QPointF c(64, 90);
        QPainterPath cover;
        cover.addRoundedRect(QRectF(c.x() - 17, c.y() - 9, 34, 19), 2, 2);
        outlined(p, cover, QColor(150, 40, 40), kInk, 1.4);
        for (int side : {-1, 1}) {
            QPainterPath page;
            page.moveTo(c + QPointF(0, -7));
            page.quadTo(c + QPointF(side * 8, -10), c + QPointF(side * 15, -7));
            page.lineTo(c + QPointF(side * 15, 7));
            page.quadTo(c + QPointF(side * 8, 4), c + QPointF(0, 8));
            page.closeSubpath();
            outlined(p, page, QColor(252, 246, 226), QColor(120, 100, 80), 0.9);
            p.setPen(QPen(QColor(150, 150, 170), 0.9));
            for (int line = 0; line < 4; ++line) {
                const double y = c.y() - 4 + line * 3;
                p.drawLine(QPointF(c.x() + side * 3, y), QPointF(c.x() + side * 12, y));
            }
        }
        if (phase == 2) {
            // A page turning.
            QPainterPath turning;
            turning.moveTo(c + QPointF(0, -7));
            turning.quadTo(c + QPointF(5, -18), c + QPointF(10, -14));
            turning.lineTo(c + QPointF(6, 4));
            turning.closeSubpath();
            outlined(p, turning, QColor(255, 250, 236), QColor(120, 100, 80), 0.9);
        }
    }

    void drawScroll(QPainter& p) const {
        const QRectF sheet(48, 84, 30, 16);
        QPainterPath paper;
        paper.addRect(sheet);
        outlined(p, paper, QColor(246, 232, 196), QColor(120, 90, 60), 1.0);
        for (double x : {sheet.left(), sheet.right()}) {
            QPainterPath roll;
            roll.addRoundedRect(QRectF(x - 2.5, sheet.top() - 2, 5, sheet.height() + 4), 2.5, 2.5);
            outlined(p, roll, QColor(226, 200, 150), QColor(120, 90, 60), 1.0);
        }
        p.setPen(QPen(QColor(80, 70, 110), 0.9));
        for (int line = 0; line < 3; ++line) {
            p.drawLine(QPointF(52, 88 + line * 4), QPointF(70 - line * 3, 88 + line * 4));
        }
    }

    void drawEyes(QPainter& p, Eyes eyes) const {
        for (double x : {59.0, 69.0}) {
            const QPointF c(x, 44);
            switch (eyes) {
                case Eyes::Closed:
                    p.setPen(QPen(kInk, 1.3, Qt::SolidLine, Qt::RoundCap));
                    p.setBrush(Qt::NoBrush);
                    p.drawArc(QRectF(c.x() - 3, c.y() - 2.5, 6, 4), 200 * 16, 140 * 16);
                    break;
                case Eyes::Happy:
                    p.setPen(QPen(kInk, 1.4, Qt::SolidLine, Qt::RoundCap));
                    p.setBrush(Qt::NoBrush);
                    p.drawArc(QRectF(c.x() - 3, c.y() - 1.5, 6, 5), 20 * 16, 140 * 16);
                    break;
                default: {
                    const double r = eyes == Eyes::Wide ? 3.6 : 3.0;
                    QPainterPath white;
                    white.addEllipse(c, r * 0.9, r);
                    outlined(p, white, QColor(255, 255, 255), kInk, 1.0);
                    QPointF look(0, 0.3);
                    if (eyes == Eyes::Left)
                        look = {-1.3, 0.2};
                    if (eyes == Eyes::Right)
                        look = {1.3, 0.2};
                    if (eyes == Eyes::Up)
                        look = {0, -1.2};
                    if (eyes == Eyes::Down)
                        look = {0, 1.3};
                    p.setPen(Qt::NoPen);
                    p.setBrush(QColor(40, 60, 130));
                    p.drawEllipse(c + look, 1.7, 1.9);
                    p.setBrush(QColor(255, 255, 255));
                    p.drawEllipse(c + look + QPointF(-0.6, -0.7), 0.6, 0.6);
                    if (eyes == Eyes::Half) {
                        QPainterPath lid;
                        lid.moveTo(c + QPointF(-r, 0.2));
                        lid.arcTo(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 180, -180);
                        lid.closeSubpath();
                        outlined(p, lid, kSkinShade, kInk, 1.0);
                    }
                    break;
                }
            }
        }
    }

    void drawBrows(QPainter& p, Brows brows) const {
        for (int side : {-1, 1}) {
            const double x = 64 + side * 5.5;
            double inner = 39, outer = 39;
            switch (brows) {
                case Brows::Normal:
                    break;
                case Brows::Raised:
                    inner = outer = 37.2;
                    break;
                case Brows::Sad:
                    inner = 37.5;
                    outer = 40;
                    break;
                case Brows::Frown:
                    inner = 40.5;
                    outer = 38;
                    break;
            }
            QPainterPath brow;
            brow.moveTo(x - side * 1.5, inner);
            brow.lineTo(x + side * 5.5, outer);
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(kInk, 3.6, Qt::SolidLine, Qt::RoundCap));
            p.drawPath(brow);
            p.setPen(QPen(kBeard, 2.2, Qt::SolidLine, Qt::RoundCap));
            p.drawPath(brow);
        }
    }

    void drawBeard(QPainter& p) const {
        QPainterPath beard;
        beard.moveTo(51.5, 46);
        beard.cubicTo(50, 58, 46, 66, 49, 76);
        beard.cubicTo(52, 84, 58, 90, 64, 97);
        beard.cubicTo(70, 90, 76, 84, 79, 76);
        beard.cubicTo(82, 66, 78, 58, 76.5, 46);
        beard.cubicTo(74, 53, 70, 55, 64, 55);
        beard.cubicTo(58, 55, 54, 53, 51.5, 46);
        QLinearGradient g(0, 46, 0, 97);
        g.setColorAt(0, kBeard);
        g.setColorAt(1, kBeardShade);
        outlined(p, beard, g, QColor(90, 90, 110), 1.3);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kBeardShade, 1.0, Qt::SolidLine, Qt::RoundCap));
        QPainterPath strands;
        strands.moveTo(56, 66);
        strands.quadTo(55, 78, 60, 88);
        strands.moveTo(72, 66);
        strands.quadTo(73, 78, 68, 88);
        strands.moveTo(64, 68);
        strands.lineTo(64, 90);
        p.drawPath(strands);
    }

    void drawMoustache(QPainter& p) const {
        for (int side : {-1, 1}) {
            QPainterPath m;
            m.moveTo(64, 51.5);
            m.cubicTo(64 + side * 4, 50, 64 + side * 9, 51, 64 + side * 11.5, 56.5);
            m.cubicTo(64 + side * 8, 54.8, 64 + side * 4, 54.8, 64, 54.5);
            m.closeSubpath();
            outlined(p, m, kBeard, QColor(90, 90, 110), 1.1);
        }
    }

    void drawMouth(QPainter& p, Mouth mouth) const {
        const QPointF c(64, 57.5);
        const QColor inside(90, 24, 36);
        auto open = [&](double w, double h, bool teeth) {
            QPainterPath m;
            m.addEllipse(QPointF(c.x(), c.y() + h / 2 - 1), w / 2, h / 2);
            outlined(p, m, inside, kInk, 1.1);
            p.save();
            p.setClipPath(m);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(230, 110, 120));
            p.drawEllipse(QPointF(c.x(), c.y() + h - 1), w * 0.35, h * 0.3);
            if (teeth) {
                p.setBrush(QColor(255, 255, 255));
                p.drawRect(QRectF(c.x() - w / 2, c.y() - 1.5, w, 2.2));
            }
            p.restore();
        };
        p.setBrush(Qt::NoBrush);
        switch (mouth) {
            case Mouth::Closed:
                p.setPen(QPen(inside, 1.6, Qt::SolidLine, Qt::RoundCap));
                p.drawLine(c + QPointF(-3, 0.3), c + QPointF(3, 0.3));
                break;
            case Mouth::Smile:
                p.setPen(QPen(inside, 1.6, Qt::SolidLine, Qt::RoundCap));
                p.drawArc(QRectF(c.x() - 4, c.y() - 3.5, 8, 5), 200 * 16, 140 * 16);
                break;
            case Mouth::Frown:
                p.setPen(QPen(inside, 1.6, Qt::SolidLine, Qt::RoundCap));
                p.drawArc(QRectF(c.x() - 4, c.y(), 8, 5), 20 * 16, 140 * 16);
                break;
            case Mouth::Oh:
                open(4.5, 5, false);
                break;
            case Mouth::Grin: {
                QPainterPath m;
                m.moveTo(c + QPointF(-5, -0.5));
                m.quadTo(c + QPointF(0, 1), c + QPointF(5, -0.5));
                m.quadTo(c + QPointF(0, 7), c + QPointF(-5, -0.5));
                outlined(p, m, inside, kInk, 1.1);
                p.save();
                p.setClipPath(m);
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(255, 255, 255));
                p.drawRect(QRectF(c.x() - 5, c.y() - 1, 10, 2.4));
                p.restore();
                break;
            }
            case Mouth::SpeakWide1:
                open(7, 3, false);
                break;
            case Mouth::SpeakWide2:
                open(7.5, 4.5, true);
                break;
            case Mouth::SpeakWide3:
                open(8, 6, true);
                break;
            case Mouth::SpeakWide4:
                open(8.5, 7.5, true);
                break;
            case Mouth::SpeakMedium:
                open(6, 4.5, false);
                break;
            case Mouth::SpeakNarrow:
                open(3.6, 3.8, false);
                break;
        }
    }

    void drawHat(QPainter& p) const {
        QPainterPath cone;
        cone.moveTo(44, 35);
        cone.cubicTo(50, 27, 56, 19, 64, 14.5);
        cone.cubicTo(70, 10.5, 78, 8.5, 86, 12.5);
        cone.cubicTo(80, 13.5, 76, 16.5, 74, 22);
        cone.cubicTo(76, 24, 80, 30, 84, 35);
        cone.closeSubpath();
        QLinearGradient g(44, 0, 86, 0);
        g.setColorAt(0, kRobeDark);
        g.setColorAt(0.45, kRobe);
        g.setColorAt(0.7, kRobeLight);
        g.setColorAt(1, kRobeDark);
        QPainterPath brim;
        brim.addEllipse(QPointF(64, 35.5), 23, 4.6);
        outlined(p, cone.united(brim), g, kInk, 1.5);
        // Band and stars.
        QPainterPath band;
        band.moveTo(46.5, 31);
        band.quadTo(64, 35, 81.5, 31);
        band.lineTo(83, 34);
        band.quadTo(64, 38.5, 45, 34);
        band.closeSubpath();
        outlined(p, band, kGold, QColor(150, 110, 30), 0.8);
        outlined(p, star(QPointF(62, 24.5), 3.2, 1.5, 0.2), kGold, QColor(170, 120, 30), 0.7);
        outlined(p, star(QPointF(70, 18), 2.4, 1.0, 0.5), kGold, QColor(170, 120, 30), 0.7);
        outlined(p, star(QPointF(85.5, 12.5), 2.4, 1.0, 0.1), kGold, QColor(170, 120, 30), 0.7);
    }
};

}  // namespace

acs::CharacterData makeMerlin() {
    const Persona persona{
        .guid = "{6D3E1F2A-8B47-4C19-9E05-7A2B3C4D5E01}",
        .name = u"Merlin",
        .description = u"A friendly wizard, the Vistrel Scripter's own assistant.",
        .greeting = u"Greetings!~~Welcome, friend.^^Let us make some magic.",
        .voiceMode = "{5A7E0C11-3F2B-4D6A-8C1E-0B9D4E3F2A11}",
        .speed = 150,
        .pitch = 90,
        .gender = 2,
        .age = 70,
        .charsPerLine = 32,
        .text = {20, 20, 60},
        .background = {255, 255, 225},
        .border = {40, 40, 110},
        .fontWeight = 400,
    };
    return buildCharacter(
        Merlin{}, {sounds::chime(), sounds::whoosh(), sounds::pop(), sounds::chirp()}, persona);
}

}  // namespace vistrel::art
