// The standard animations of idling, and of moving about.

#include "art/posing.h"

namespace vistrel::art::posing {

void addIdlingAndMoving(CharacterBuilder& b, const Pose& R, const SoundKit&) {
    auto add = [&b](AnimationPlan s) { b.addAnimation(s); };

    // Idling.
    auto eyes = [&R](Eyes e, double hx = 0, double hy = 0) { return looking(R, e, hx, hy); };
    const Pose read = readingPose(R);
    const std::vector<Step> scan = readingScan(read);
    add(plan(u"Idle1_1", {},
             {jumping(hold(eyes(Eyes::Left, -1), 30), {{2, 40}}), hold(eyes(Eyes::Right, 1), 30),
              hold(eyes(Eyes::Up, 0, -1), 20), hold(eyes(Eyes::Half), 6), hold(R, 20)},
             {}));
    {
        auto breathe = [&R](double s) { return with(R, [s](Pose& p) { p.squash = s; }); };
        add(plan(u"Idle1_2", {},
                 {hold(breathe(1.012), 12), hold(breathe(1.024), 16), hold(breathe(1.012), 12),
                  jumping(hold(R, 20), {{7, 50}}), hold(eyes(Eyes::Half), 4),
                  hold(eyes(Eyes::Closed), 6), hold(eyes(Eyes::Half), 4), hold(R, 20)},
                 {}));
    }
    {
        const Pose stroke = with(R, [](Pose& p) {
            p.right = {24, -92};
            p.face = {Eyes::Half, Brows::Normal, Mouth::Closed};
            p.headX = 1;
        });
        std::vector<Step> body;
        for (int i = 0; i < 4; ++i) {
            body.push_back(
                hold(with(stroke, [i](Pose& p) { p.right.elbow = (i % 2) ? -84 : -100; }), 12));
        }
        body[1].jumps = {{3, 40}};
        add(plan(u"Idle1_3", ramp(R, stroke, 3), body, ramp(stroke, R, 3)));
    }
    {
        const Pose gaze = with(R, [](Pose& p) {
            p.face.eyes = Eyes::Up;
            p.headY = -1;
            p.effect = Effect::Sparkles;
            p.glow = 0.5;
        });
        std::vector<Step> twinkle = phases(gaze, 4, 10, 20);
        twinkle[3].jumps = {{0, 30}};
        add(plan(u"Idle1_4", ramp(R, gaze, 2), twinkle,
                 ramp(with(gaze, [](Pose& p) { p.effect = Effect::None; }), R, 2)));
    }
    const Pose stretch = with(R, [](Pose& p) {
        p.left = {145, 15};
        p.right = {145, 15};
        p.squash = 1.03;
        p.face = {Eyes::Closed, Brows::Raised, Mouth::Oh};
    });
    add(plan(u"Idle2_1", ramp(R, stretch, 4, 12), {hold(stretch, 40)}, ramp(stretch, R, 4, 12)));
    {
        const Pose juggle = with(R, [](Pose& p) {
            p.left = {46, 52};
            p.right = {46, 52};
            p.face = {Eyes::Up, Brows::Raised, Mouth::Smile};
            p.effect = Effect::Sparkles;
            p.glow = 1;
        });
        std::vector<Step> body = phases(juggle, 6, 9, 30);
        body.back().jumps = {{0, 35}};
        add(plan(u"Idle2_2", ramp(R, juggle, 3), body,
                 ramp(with(juggle, [](Pose& p) { p.effect = Effect::None; }), R, 3)));
    }
    const Pose sleep = with(R, [](Pose& p) {
        p.left = {18, 4};
        p.right = {4, 0};
        p.headY = 4;
        p.squash = 0.97;
        p.face = {Eyes::Closed, Brows::Normal, Mouth::Closed};
        p.effect = Effect::Sleep;
    });
    {
        std::vector<Step> snore = phases(sleep, 6, 20);
        for (std::size_t i = 0; i < snore.size(); ++i) {
            snore[i].pose.squash = (i % 2) ? 0.975 : 0.965;
        }
        add(plan(u"Idle3_1", ramp(R, with(sleep, [](Pose& p) { p.phase = 0; }), 5),
                 looping(snore, 85),
                 ramp(with(sleep, [](Pose& p) { p.effect = Effect::None; }), R, 4)));
    }
    add(plan(u"Idle3_2", ramp(R, read, 4), looping(scan, 85), ramp(read, R, 4)));

    // Moving about: MoveRight takes the character to its right, the screen's left.
    struct Move {
        const char16_t* name;
        Change change;
    };
    const Move moves[] = {
        {u"MoveRight",
         [](Pose& p) {
             p.lean = -4;
             p.left = {40, 24};
             p.right = {34, 20};
             p.face.eyes = Eyes::Left;
             p.headX = -2;
         }},
        {u"MoveLeft",
         [](Pose& p) {
             p.lean = 4;
             p.left = {34, 20};
             p.right = {40, 24};
             p.face.eyes = Eyes::Right;
             p.headX = 2;
         }},
        {u"MoveUp",
         [](Pose& p) {
             p.squash = 1.02;
             p.left = {52, 30};
             p.right = {52, 30};
             p.face.eyes = Eyes::Up;
             p.headY = -1;
         }},
        {u"MoveDown",
         [](Pose& p) {
             p.squash = 0.96;
             p.left = {44, 40};
             p.right = {44, 40};
             p.face.eyes = Eyes::Down;
             p.headY = 2;
         }},
    };
    for (const Move& m : moves) {
        const Pose moving = with(R, m.change);
        std::vector<Step> bob;
        for (int i = 0; i < 4; ++i) {
            bob.push_back(hold(with(moving, [i](Pose& p) { p.y = (i % 2) ? 0 : -2; }), 10));
        }
        bob.push_back(hold(moving, 10));
        add(plan(m.name, ramp(R, moving, 2), bob, {}));
    }
}

}  // namespace vistrel::art::posing
