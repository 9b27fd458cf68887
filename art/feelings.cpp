// The standard animations of feelings, and of listening.

#include "art/posing.h"

namespace vistrel::art::posing {

void addFeelings(CharacterBuilder& b, const Pose& R, const SoundKit& kit) {
    auto add = [&b](AnimationPlan s) { b.addAnimation(s); };

    // Feelings.
    const Pose pleased = with(R, [](Pose& p) {
        p.left = {28, -62};
        p.right = {28, -62};
        p.face = {Eyes::Happy, Brows::Raised, Mouth::Grin};
        p.effect = Effect::Hearts;
    });
    {
        std::vector<Step> bounce;
        for (int i = 0; i < 6; ++i) {
            bounce.push_back(hold(with(pleased,
                                       [i](Pose& p) {
                                           p.phase = i;
                                           p.y = (i % 2) ? -3 : 0;
                                       }),
                                  9));
        }
        add(plan(u"Pleased", ramp(R, pleased, 3), bounce,
                 ramp(with(pleased, [](Pose& p) { p.effect = Effect::None; }), R, 3)));
    }
    const Pose sad = with(R, [](Pose& p) {
        p.left = {18, 4};
        p.right = {4, 0};
        p.headY = 4;
        p.squash = 0.97;
        p.face = {Eyes::Down, Brows::Sad, Mouth::Frown};
    });
    add(plan(u"Sad", settle(ramp(R, sad, 5), 40), {}, {}));
    const Pose jump = with(R, [](Pose& p) {
        p.y = -4;
        p.left = {72, 50};
        p.right = {72, 50};
        p.face = {Eyes::Wide, Brows::Raised, Mouth::Oh};
        p.effect = Effect::Exclaim;
    });
    const Pose landed = with(jump, [](Pose& p) { p.y = 0; });
    {
        std::vector<Step> in = ramp(R, jump, 2, 6);
        in.front().sound = kit.pop;
        add(plan(u"Surprised", in, {hold(landed, 40)},
                 ramp(with(landed, [](Pose& p) { p.effect = Effect::None; }), R, 3)));
    }
    const Pose scratch = with(R, [](Pose& p) {
        p.right = {150, -128};
        p.headX = 2;
        p.face = {Eyes::Up, Brows::Frown, Mouth::Closed};
        p.effect = Effect::Question;
    });
    {
        std::vector<Step> body;
        for (int i = 0; i < 4; ++i) {
            body.push_back(hold(with(scratch,
                                     [i](Pose& p) {
                                         p.right.elbow = (i % 2) ? -118 : -132;
                                         p.phase = i;
                                     }),
                                10));
        }
        body.back().duration = 30;
        add(plan(u"Confused", ramp(R, scratch, 4), body, {}));
    }
    const Pose cheer = with(R, [](Pose& p) {
        p.left = {140, 20};
        p.right = {140, 20};
        p.face = {Eyes::Happy, Brows::Raised, Mouth::Grin};
        p.effect = Effect::Sparkles;
        p.glow = 1;
    });
    {
        std::vector<Step> jumps;
        for (int i = 0; i < 6; ++i) {
            jumps.push_back(hold(with(cheer,
                                      [i](Pose& p) {
                                          p.phase = i;
                                          p.y = (i % 2) ? 0 : -4;
                                      }),
                                 8));
        }
        jumps.front().sound = kit.appear;
        add(plan(u"Congratulate", ramp(R, cheer, 3), jumps,
                 ramp(with(cheer, [](Pose& p) { p.effect = Effect::None; }), R, 3)));
    }
    {
        const Pose nod = with(R, [](Pose& p) {
            p.headY = 4;
            p.face = {Eyes::Half, Brows::Normal, Mouth::Smile};
        });
        const Pose up = with(R, [](Pose& p) { p.face.mouth = Mouth::Smile; });
        add(plan(u"Acknowledge", {},
                 {hold(between(R, nod, 0.5), 6), hold(nod, 8), hold(between(up, nod, 0.5), 6),
                  hold(up, 6), hold(nod, 8), hold(between(up, nod, 0.5), 6), hold(R, 10)},
                 {}));
    }
    {
        const Pose no = with(R, [](Pose& p) {
            p.right = {70, 72};
            p.face = {Eyes::Open, Brows::Frown, Mouth::Frown};
        });
        std::vector<Step> shake;
        for (double hx : {-3.0, 3.0, -3.0, 3.0, 0.0}) {
            shake.push_back(hold(with(no,
                                      [hx](Pose& p) {
                                          p.headX = hx;
                                          p.right.elbow = 72 + hx * 5;
                                      }),
                                 8));
        }
        add(plan(u"Decline", ramp(R, no, 3), shake, ramp(no, R, 3)));
    }
    const Pose shrug = with(R, [](Pose& p) {
        p.left = {34, 78};
        p.right = {34, 78};
        p.headX = -1;
        p.face = {Eyes::Left, Brows::Sad, Mouth::Frown};
    });
    add(gesture(u"Uncertain", R, shrug, 4));
    const Pose ear = with(R, [](Pose& p) {
        p.right = {142, -112};
        p.lean = 3;
        p.face = {Eyes::Right, Brows::Frown, Mouth::Closed};
    });
    add(gesture(u"DontRecognize", R, with(ear, [](Pose& p) { p.effect = Effect::Question; })));
    add(gesture(u"Hearing_1", R, with(ear, [](Pose& p) { p.face.eyes = Eyes::Left; })));
    add(gesture(u"Hearing_2", R, ear));
    add(gesture(u"Hearing_3", R, with(ear, [](Pose& p) {
                    p.face = {Eyes::Up, Brows::Raised, Mouth::Closed};
                })));
    add(gesture(u"StartListening", R, with(ear, [](Pose& p) { p.face.brows = Brows::Raised; }), 3));
    add(plan(u"StopListening", {}, {hold(ear, 10)}, ramp(ear, R, 3)));
}

}  // namespace vistrel::art::posing
