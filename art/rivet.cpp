// The robot: a coral-orange body on a single tread, jointed steel arms with pincer hands, and
// a round-cornered head whose dark visor shows its glowing eyes and mouth.

#include <QLinearGradient>
#include <QRadialGradient>

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
constexpr double kUpperArm = 14;
constexpr double kForearm = 13;

const QColor kInk(28, 30, 44);
const QColor kShell(238, 118, 62);
const QColor kShellLight(255, 164, 104);
const QColor kShellDark(190, 78, 40);
const QColor kSteel(172, 182, 196);
const QColor kSteelDark(108, 118, 136);
const QColor kPanel(250, 238, 210);
const QColor kVisor(26, 40, 70);
const QColor kLed(110, 236, 255);

QPointF dir(double degrees, bool screenLeft) {
    const double a = degrees * kPi / 180;
    return {screenLeft ? -std::sin(a) : std::sin(a), std::cos(a)};
}

class Rivet final : public Design {
  public:
    QSize frameSize() const override { return {112, 112}; }
    QPointF feet() const override { return {56, 108}; }
    QSize headSize() const override { return {64, 58}; }
    QPointF headOrigin() const override { return {24, 0}; }
    QPointF neck() const override { return {56, 56}; }
    QRect mouthRect() const override { return {20, 36, 24, 11}; }

    void drawBody(QPainter& p, const Pose& pose) const override {
        // Tread.
        QPainterPath tread;
        tread.addRoundedRect(QRectF(34, 93, 44, 15), 7.5, 7.5);
        outlined(p, tread, QColor(64, 68, 80), kInk, 1.5);
        for (int i = 0; i < 4; ++i) {
            QPainterPath wheel;
            wheel.addEllipse(QPointF(42 + i * 9.3, 100.5), 3.4, 3.4);
            outlined(p, wheel, kSteel, kInk, 1.0);
        }
        // Neck.
        QPainterPath neckPath;
        neckPath.addRect(QRectF(50, 50, 12, 8));
        outlined(p, neckPath, kSteelDark, kInk, 1.2);
        // Torso.
        QPainterPath torso;
        torso.moveTo(36, 60);
        torso.quadTo(36, 56, 41, 56);
        torso.lineTo(71, 56);
        torso.quadTo(76, 56, 76, 60);
        torso.lineTo(74, 90);
        torso.quadTo(74, 95, 69, 95);
        torso.lineTo(43, 95);
        torso.quadTo(38, 95, 38, 90);
        torso.closeSubpath();
        QLinearGradient g(36, 0, 76, 0);
        g.setColorAt(0, kShellDark);
        g.setColorAt(0.4, kShell);
        g.setColorAt(0.65, kShellLight);
        g.setColorAt(1, kShellDark);
        outlined(p, torso, g, kInk, 1.6);
        // Chest panel with three lamps and a dial.
        QPainterPath panel;
        panel.addRoundedRect(QRectF(44, 63, 24, 20), 3, 3);
        outlined(p, panel, kPanel, kInk, 1.1);
        const QColor lamps[] = {QColor(255, 80, 80), QColor(255, 210, 60), QColor(90, 220, 110)};
        for (int i = 0; i < 3; ++i) {
            const bool lit = pose.glow > 0.3 || i == (pose.phase % 3);
            QPainterPath lamp;
            lamp.addEllipse(QPointF(49 + i * 7, 68), 2.2, 2.2);
            outlined(p, lamp, lit ? lamps[i] : lamps[i].darker(220), kInk, 0.8);
        }
        QPainterPath dial;
        dial.addEllipse(QPointF(56, 77.5), 4, 4);
        outlined(p, dial, QColor(255, 255, 255), kInk, 0.9);
        const double a = -kPi / 2 + pose.phase * 0.9 + pose.glow * 1.5;
        p.setPen(QPen(QColor(220, 50, 50), 1.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(56, 77.5), QPointF(56 + std::cos(a) * 3, 77.5 + std::sin(a) * 3));
        // Rivets.
        for (QPointF r : {QPointF(40, 60), QPointF(72, 60), QPointF(42, 91), QPointF(70, 91)}) {
            QPainterPath dot;
            dot.addEllipse(r, 1.2, 1.2);
            outlined(p, dot, kShellLight, kShellDark.darker(140), 0.6);
        }
        drawArm(p, pose.right, false, pose);
        drawArm(p, pose.left, true, pose);
    }

    bool hasFront(const Pose& pose) const override {
        return pose.prop != Prop::None || overFace(hand(pose.left, true)) ||
               overFace(hand(pose.right, false));
    }

    void drawFront(QPainter& p, const Pose& pose) const override {
        if (pose.prop == Prop::Book || pose.prop == Prop::Scroll) {
            drawTablet(p, pose);
        }
        for (bool left : {true, false}) {
            const Arm& arm = left ? pose.left : pose.right;
            if (pose.prop == Prop::Book || pose.prop == Prop::Scroll || overFace(hand(arm, left))) {
                drawArm(p, arm, left, pose);
            }
        }
    }

    void drawHead(QPainter& p, const Face& face) const override {
        p.translate(-headOrigin());
        // Antenna.
        limb(p, QPointF(56, 16), QPointF(56, 12.5), 2.2, kSteel, kInk);
        QPainterPath ball;
        ball.addEllipse(QPointF(56, 10.8), 3, 3);
        outlined(p, ball, QColor(255, 90, 80), kInk, 1.2);
        // Ear bolts.
        for (double x : {30.0, 82.0}) {
            QPainterPath bolt;
            bolt.addRoundedRect(QRectF(x - 3.5, 27, 7, 14), 2.5, 2.5);
            outlined(p, bolt, kSteel, kInk, 1.2);
        }
        // Head shell.
        QPainterPath shell;
        shell.addRoundedRect(QRectF(31, 15, 50, 38), 11, 11);
        QLinearGradient g(0, 15, 0, 53);
        g.setColorAt(0, kShellLight);
        g.setColorAt(1, kShellDark);
        outlined(p, shell, g, kInk, 1.6);
        // Visor.
        QPainterPath visor;
        visor.addRoundedRect(QRectF(36, 21, 40, 27), 8, 8);
        outlined(p, visor, kVisor, kInk, 1.3);
        p.setPen(QPen(QColor(80, 110, 160), 1.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(40, 24.5), QPointF(48, 24.5));
        drawEyes(p, face.eyes);
        drawBrows(p, face.brows);
        drawMouth(p, face.mouth);
    }

    void drawEffect(QPainter& p, const Pose& pose) const override {
        EffectPlace place{{56, 58}, 46, {92, 20}, QColor(120, 255, 160)};
        art::drawEffect(p, pose, place);
    }

  private:
    QPointF shoulder(bool left) const { return left ? QPointF(37, 62) : QPointF(75, 62); }
    QPointF elbow(const Arm& a, bool left) const {
        return shoulder(left) + dir(a.shoulder, left) * kUpperArm;
    }
    QPointF hand(const Arm& a, bool left) const {
        return elbow(a, left) + dir(a.shoulder + a.elbow, left) * kForearm;
    }
    static bool overFace(QPointF h) { return h.x() > 36 && h.x() < 76 && h.y() < 56; }

    void drawArm(QPainter& p, const Arm& arm, bool left, const Pose& pose) const {
        const QPointF s = shoulder(left), e = elbow(arm, left), h = hand(arm, left);
        limb(p, s, e, 4.5, kSteel, kInk);
        limb(p, e, h, 4.5, kSteel, kInk);
        for (QPointF joint : {s, e}) {
            QPainterPath j;
            j.addEllipse(joint, 3.6, 3.6);
            outlined(p, j, kSteelDark, kInk, 1.1);
        }
        // A pincer opening along the forearm.
        const QPointF d = h - e;
        const double len = std::hypot(d.x(), d.y());
        const QPointF u = len > 0 ? d / len : QPointF(0, 1);
        const QPointF n(-u.y(), u.x());
        for (int side : {-1, 1}) {
            limb(p, h + n * side * 1.2, h + u * 5 + n * side * 3.2, 2.0, kSteelDark, kInk);
        }
        QPainterPath wrist;
        wrist.addEllipse(h, 3, 3);
        outlined(p, wrist, kShell, kInk, 1.0);
        if (!left && pose.prop == Prop::Glass) {
            const QPointF lens = h + u * 8;
            limb(p, h, lens, 2.2, kSteelDark, kInk);
            QPainterPath glass;
            glass.addEllipse(lens, 5, 5);
            outlined(p, glass, QColor(200, 236, 255), QColor(80, 80, 96), 2.2);
        }
        if (!left && pose.prop == Prop::Scroll) {
            limb(p, h, h + QPointF(6, -9), 1.8, QColor(60, 60, 70), kInk);
        }
    }

    // Reading and writing: a glowing tablet held before the chest.
    void drawTablet(QPainter& p, const Pose& pose) const {
        QPainterPath frame;
        frame.addRoundedRect(QRectF(42, 70, 28, 19), 3, 3);
        outlined(p, frame, QColor(60, 64, 80), kInk, 1.3);
        QPainterPath screen;
        screen.addRect(QRectF(45, 73, 22, 13));
        outlined(p, screen, QColor(180, 240, 255), QColor(40, 70, 100), 0.8);
        p.setPen(QPen(QColor(40, 110, 150), 1.0));
        const int lines = pose.prop == Prop::Scroll ? 1 + pose.phase % 4 : 4;
        for (int i = 0; i < lines; ++i) {
            const double w = (pose.prop == Prop::Book && pose.phase == 2) ? 6 : 16 - (i % 2) * 4;
            p.drawLine(QPointF(47, 75.5 + i * 3), QPointF(47 + w, 75.5 + i * 3));
        }
    }

    void drawEyes(QPainter& p, Eyes eyes) const {
        for (double x : {47.0, 65.0}) {
            QPointF c(x, 32.5);
            p.setBrush(Qt::NoBrush);
            switch (eyes) {
                case Eyes::Closed:
                    p.setPen(QPen(kLed, 2.0, Qt::SolidLine, Qt::RoundCap));
                    p.drawLine(c + QPointF(-4, 1), c + QPointF(4, 1));
                    continue;
                case Eyes::Happy:
                    p.setPen(QPen(kLed, 2.0, Qt::SolidLine, Qt::RoundCap));
                    p.drawArc(QRectF(c.x() - 4, c.y() - 2, 8, 7), 20 * 16, 140 * 16);
                    continue;
                default:
                    break;
            }
            double rx = 3.6, ry = 4.6;
            if (eyes == Eyes::Wide)
                rx = 4.4, ry = 5.4;
            if (eyes == Eyes::Left)
                c += QPointF(-2.2, 0);
            if (eyes == Eyes::Right)
                c += QPointF(2.2, 0);
            if (eyes == Eyes::Up)
                c += QPointF(0, -1.6);
            if (eyes == Eyes::Down)
                c += QPointF(0, 1.8);
            QRadialGradient g(c, ry + 1.5);
            g.setColorAt(0, QColor(235, 255, 255));
            g.setColorAt(0.6, kLed);
            g.setColorAt(1, QColor(40, 150, 200));
            p.setPen(Qt::NoPen);
            p.setBrush(g);
            if (eyes == Eyes::Half) {
                p.drawChord(QRectF(c.x() - rx, c.y() - ry, 2 * rx, 2 * ry), 180 * 16, 180 * 16);
            } else {
                p.drawEllipse(c, rx, ry);
            }
        }
    }

    void drawBrows(QPainter& p, Brows brows) const {
        if (brows == Brows::Normal) {
            return;
        }
        p.setPen(QPen(QColor(255, 200, 90), 1.8, Qt::SolidLine, Qt::RoundCap));
        for (int side : {-1, 1}) {
            const double x = 56 + side * 9;
            double inner = 26, outer = 26;
            if (brows == Brows::Raised)
                inner = outer = 25;
            if (brows == Brows::Sad)
                inner = 25, outer = 27.5;
            if (brows == Brows::Frown)
                inner = 27.5, outer = 25;
            p.drawLine(QPointF(x - side * 3, inner), QPointF(x + side * 3.5, outer));
        }
    }

    void drawMouth(QPainter& p, Mouth mouth) const {
        const QPointF c(56, 42);
        auto bars = [&](int count, double height, double width) {
            // An equaliser of glowing bars, tallest in the middle.
            p.setPen(Qt::NoPen);
            p.setBrush(kLed);
            const double step = width / count;
            for (int i = 0; i < count; ++i) {
                const double mid = 1 - std::abs(i - (count - 1) / 2.0) / count;
                const double h = std::max(1.6, height * mid);
                p.drawRoundedRect(
                    QRectF(c.x() - width / 2 + i * step + 0.4, c.y() - h / 2, step - 0.8, h), 0.7,
                    0.7);
            }
        };
        p.setBrush(Qt::NoBrush);
        switch (mouth) {
            case Mouth::Closed:
                p.setPen(QPen(kLed, 1.8, Qt::SolidLine, Qt::RoundCap));
                p.drawLine(c + QPointF(-5, 0), c + QPointF(5, 0));
                break;
            case Mouth::Smile:
                p.setPen(QPen(kLed, 1.8, Qt::SolidLine, Qt::RoundCap));
                p.drawArc(QRectF(c.x() - 6, c.y() - 4, 12, 6), 200 * 16, 140 * 16);
                break;
            case Mouth::Frown:
                p.setPen(QPen(kLed, 1.8, Qt::SolidLine, Qt::RoundCap));
                p.drawArc(QRectF(c.x() - 5, c.y() - 0.5, 10, 5), 20 * 16, 140 * 16);
                break;
            case Mouth::Oh:
                p.setPen(QPen(kLed, 1.8));
                p.drawEllipse(c, 2.6, 2.8);
                break;
            case Mouth::Grin:
                p.setPen(QPen(kLed, 1.8, Qt::SolidLine, Qt::RoundCap));
                p.drawArc(QRectF(c.x() - 8, c.y() - 5, 16, 8), 190 * 16, 160 * 16);
                p.drawLine(c + QPointF(-7, -1.2), c + QPointF(7, -1.2));
                break;
            case Mouth::SpeakWide1:
                bars(5, 3, 14);
                break;
            case Mouth::SpeakWide2:
                bars(5, 5, 15);
                break;
            case Mouth::SpeakWide3:
                bars(6, 7, 17);
                break;
            case Mouth::SpeakWide4:
                bars(6, 9, 19);
                break;
            case Mouth::SpeakMedium:
                bars(4, 5, 10);
                break;
            case Mouth::SpeakNarrow:
                bars(3, 4, 6);
                break;
        }
    }
};

}  // namespace

acs::CharacterData makeRivet() {
    const Persona persona{
        .guid = "{0C4B7E92-51D3-4A8F-B26E-93F1A0C5D702}",
        .name = u"Rivet",
        .description = u"A small, eager robot who likes to help.",
        .greeting = u"Beep!~~Hello, human.^^Ready to assist.",
        .voiceMode = "{5A7E0C11-3F2B-4D6A-8C1E-0B9D4E3F2A12}",
        .speed = 175,
        .pitch = 160,
        .gender = 1,
        .age = 20,
        .charsPerLine = 28,
        .text = {10, 40, 70},
        .background = {226, 244, 255},
        .border = {30, 90, 140},
        .fontWeight = 700,
    };
    return buildCharacter(
        Rivet{}, {sounds::powerUp(), sounds::powerDown(), sounds::pop(), sounds::beeps()}, persona);
}

}  // namespace vistrel::art
