// The standard animations of work: thinking, reading, writing, searching, calling and magic.

#include "art/posing.h"

namespace vistrel::art::posing {

Pose readingPose(const Pose& rest) {
    return with(rest, [](Pose& p) {
        p.left = {26, -72};
        p.right = {26, -72};
        p.headY = 2;
        p.face = {Eyes::Down, Brows::Normal, Mouth::Closed};
        p.prop = Prop::Book;
    });
}

std::vector<Step> readingScan(const Pose& read) {
    return {hold(with(read, [](Pose& p) { p.phase = 0; }), 20),
            hold(with(read,
                      [](Pose& p) {
                          p.phase = 1;
                          p.headX = 1;
                      }),
                 20),
            hold(with(read,
                      [](Pose& p) {
                          p.phase = 2;
                          p.face.eyes = Eyes::Half;
                      }),
                 12),
            hold(read, 20)};
}

void addWork(CharacterBuilder& b, const Pose& R, const SoundKit& kit) {
    auto add = [&b](AnimationPlan s) { b.addAnimation(s); };

    // Thinking, reading, writing, searching, working.
    const Pose think = with(R, [](Pose& p) {
        p.right = {26, -142};
        p.headX = 1;
        p.face = {Eyes::Up, Brows::Raised, Mouth::Closed};
        p.effect = Effect::Dots;
    });
    add(plan(u"Think", ramp(R, think, 4), phases(think, 3, 12), {}));
    add(plan(u"Thinking", ramp(R, think, 3), looping(phases(think, 4, 12), 85), {}));

    const Pose read = readingPose(R);
    const std::vector<Step> scan = readingScan(read);
    add(gesture(u"Read", R, read, 4, 30));
    add(returning(plan(u"ReadContinued", {}, scan, {}), u"ReadReturn"));
    add(plan(u"Reading", ramp(R, read, 3), looping(scan, 85), {}));
    add(plan(u"ReadReturn", {}, {hold(read, 10)}, ramp(read, R, 4)));

    const Pose write = with(R, [](Pose& p) {
        p.left = {22, -64};
        p.right = {32, -50};
        p.headY = 2;
        p.face = {Eyes::Down, Brows::Normal, Mouth::Closed};
        p.prop = Prop::Scroll;
    });
    std::vector<Step> scribble;
    for (int i = 0; i < 6; ++i) {
        scribble.push_back(hold(with(write,
                                     [i](Pose& p) {
                                         p.right.elbow = -50 + 12 * (i % 3);
                                         p.phase = i;
                                     }),
                                8));
    }
    scribble.push_back(hold(write, 10));
    add(gesture(u"Write", R, write, 4, 20));
    add(returning(plan(u"WriteContinued", {}, scribble, {}), u"WriteReturn"));
    add(plan(u"Writing", ramp(R, write, 3), looping(scribble, 85), {}));
    add(plan(u"WriteReturn", {}, {hold(write, 10)}, ramp(write, R, 4)));

    // Searching with a magnifying glass: up high, then low, always beside the body.
    const Pose seekRight = with(R, [](Pose& p) {
        p.right = {50, 85};
        p.lean = 1;
        p.face = {Eyes::Right, Brows::Raised, Mouth::Closed};
        p.prop = Prop::Glass;
    });
    const Pose seekLeft = with(seekRight, [](Pose& p) {
        p.right = {40, 90};
        p.lean = 1;
        p.headY = 1;
        p.face.eyes = Eyes::Down;
    });
    const std::vector<Step> sweep =
        settle(ramp(seekRight, seekLeft, 4, 9), 20) + settle(ramp(seekLeft, seekRight, 4, 9), 20);
    add(plan(u"Search", ramp(R, seekRight, 3), sweep, ramp(seekRight, R, 3)));
    add(plan(u"Searching", ramp(R, seekRight, 3), looping(sweep, 85), ramp(seekRight, R, 3)));

    const Pose work = with(R, [](Pose& p) {
        p.left = {36, 42};
        p.right = {36, 42};
        p.face = {Eyes::Up, Brows::Frown, Mouth::Closed};
        p.effect = Effect::Gears;
        p.glow = 0.6;
    });
    const Pose calm = with(work, [](Pose& p) { p.effect = Effect::None; });
    add(plan(u"Process", ramp(R, work, 3), phases(work, 8, 8), ramp(calm, R, 3)));
    add(plan(u"Processing", ramp(R, work, 3), looping(phases(work, 8, 8), 85), ramp(calm, R, 3)));

    const Pose idea = with(R, [](Pose& p) {
        p.right = {160, 2};
        p.face = {Eyes::Wide, Brows::Raised, Mouth::Smile};
        p.effect = Effect::Idea;
        p.glow = 1;
    });
    {
        AnimationPlan s = gesture(u"Suggest", R, idea, 4, 30);
        s.in.back().sound = kit.pop;
        add(s);
    }

    const Pose call1 = with(R, [](Pose& p) {
        p.left = {140, 35};
        p.right = {140, 35};
        p.y = -3;
        p.face = {Eyes::Wide, Brows::Raised, Mouth::Oh};
        p.effect = Effect::Exclaim;
    });
    const Pose call2 = with(call1, [](Pose& p) {
        p.left = {128, 72};
        p.right = {128, 72};
        p.y = 0;
        p.phase = 1;
    });
    const std::vector<Step> calling{hold(call2, 8), hold(call1, 8), hold(call2, 8), hold(call1, 8)};
    {
        std::vector<Step> in = ramp(R, call1, 2, 8);
        in.front().sound = kit.chirp;
        add(plan(u"GetAttention", in, calling, {}));
    }
    add(returning(plan(u"GetAttentionContinued", {}, looping(calling, 80), {}),
                  u"GetAttentionReturn"));
    add(plan(u"GetAttentionReturn", {}, {hold(call1, 8)},
             ramp(with(call1, [](Pose& p) { p.effect = Effect::None; }), R, 3)));

    // Magic.
    const Pose raise = with(R, [](Pose& p) {
        p.left = {150, 8};
        p.face = {Eyes::Wide, Brows::Raised, Mouth::Closed};
        p.glow = 1;
        p.effect = Effect::Sparkles;
    });
    {
        std::vector<Step> sparkle = phases(raise, 6, 8);
        sparkle.front().sound = kit.appear;
        add(plan(u"DoMagic1", ramp(with(R, [](Pose& p) { p.glow = 0.3; }), raise, 4), sparkle, {}));
        const Pose cast = with(raise, [](Pose& p) {
            p.left = {55, 30};
            p.lean = -2;
            p.face = {Eyes::Left, Brows::Frown, Mouth::Closed};
        });
        std::vector<Step> casting = ramp(raise, cast, 3, 6) + phases(cast, 5, 8, 6);
        casting.front().sound = kit.vanish;
        add(plan(u"DoMagic2", ramp(R, raise, 2), casting,
                 ramp(with(cast, [](Pose& p) { p.effect = Effect::None; }), R, 4)));
    }
}

}  // namespace vistrel::art::posing
