// The standard animations of being there: appearing and vanishing, blinking, looking about,
// pointing, the speaking gestures and greeting.

#include "art/posing.h"

namespace vistrel::art::posing {

void addPresence(CharacterBuilder& b, const Pose& R, const SoundKit& kit) {
    auto add = [&b](AnimationPlan s) { b.addAnimation(s); };

    // Appearing and vanishing.
    {
        std::vector<Step> grow;
        const double scales[] = {0.04, 0.15, 0.32, 0.52, 0.72, 0.88, 0.97};
        int phase = 0;
        for (double s : scales) {
            grow.push_back(hold(with(R,
                                     [&](Pose& p) {
                                         p.scale = s;
                                         p.effect = Effect::Sparkles;
                                         p.phase = phase++;
                                         p.glow = 1;
                                     }),
                                8));
        }
        grow.front().sound = kit.appear;
        grow.push_back(hold(with(R,
                                 [](Pose& p) {
                                     p.effect = Effect::Sparkles;
                                     p.phase = 9;
                                     p.glow = 0.5;
                                 }),
                            10));
        grow.push_back(hold(R, 10));
        AnimationPlan show = plan(u"Show", {}, grow, {});
        show.transition = acs::Transition::None;
        add(show);

        std::vector<Step> shrink;
        shrink.push_back(hold(with(R,
                                   [](Pose& p) {
                                       p.effect = Effect::Sparkles;
                                       p.glow = 1;
                                   }),
                              10, kit.vanish));
        phase = 1;
        for (double s : {0.94, 0.8, 0.6, 0.4, 0.22, 0.08}) {
            shrink.push_back(hold(with(R,
                                       [&](Pose& p) {
                                           p.scale = s;
                                           p.effect = Effect::Sparkles;
                                           p.phase = phase++;
                                       }),
                                  7));
        }
        shrink.push_back(hold(with(R,
                                   [](Pose& p) {
                                       p.scale = 0.02;
                                       p.effect = Effect::Sparkles;
                                       p.phase = 12;
                                   }),
                              8));
        AnimationPlan hide = plan(u"Hide", {}, shrink, {});
        hide.transition = acs::Transition::None;
        hide.speaking = false;
        add(hide);
    }

    add(plan(u"RestPose", {}, {hold(R, 10)}, {}));

    auto eyes = [&R](Eyes e, double hx = 0, double hy = 0) { return looking(R, e, hx, hy); };
    add(plan(u"Blink", {},
             {hold(eyes(Eyes::Half), 4), hold(eyes(Eyes::Closed), 6), hold(eyes(Eyes::Half), 4),
              hold(R, 10)},
             {}));

    // Looking about. Directions in animation names are the character's own, as in every
    // character file: it faces the viewer, so its right is the screen's left.
    struct Look {
        const char16_t* name;
        Eyes eyes;
        double hx, hy;
    };
    for (const Look& l :
         {Look{u"LookRight", Eyes::Left, -2, 0}, Look{u"LookLeft", Eyes::Right, 2, 0},
          Look{u"LookUp", Eyes::Up, 0, -2}, Look{u"LookDown", Eyes::Down, 0, 2}}) {
        const Pose look = eyes(l.eyes, l.hx, l.hy);
        const Pose shut = with(look, [](Pose& p) { p.face.eyes = Eyes::Closed; });
        const Pose half = with(look, [](Pose& p) { p.face.eyes = Eyes::Half; });
        const std::u16string name = l.name;
        add(gesture(name, R, look, 2, 20));
        add(plan(name + u"Blink", ramp(R, look, 2),
                 {hold(half, 4), hold(shut, 6), hold(half, 4), hold(look, 20)}, {}));
        add(plan(name + u"Return", {}, {hold(look, 10)}, ramp(look, R, 2)));
    }

    // Pointing: GestureRight points with the character's right arm to its right, the
    // screen's left.
    const Pose pointScreenLeft = with(R, [](Pose& p) {
        p.left = {60, 25};
        p.lean = -1;
        p.face = {Eyes::Left, Brows::Raised, Mouth::Closed};
        p.headX = -2;
    });
    const Pose pointScreenRight = with(R, [](Pose& p) {
        p.right = {60, 25};
        p.lean = 1;
        p.face = {Eyes::Right, Brows::Raised, Mouth::Closed};
        p.headX = 2;
    });
    const Pose pointUp = with(R, [](Pose& p) {
        p.right = {150, 12};
        p.face = {Eyes::Up, Brows::Raised, Mouth::Closed};
        p.headY = -2;
    });
    const Pose pointDown = with(R, [](Pose& p) {
        p.right = {42, 0};
        p.lean = 2;
        p.face = {Eyes::Down, Brows::Normal, Mouth::Closed};
        p.headY = 2;
    });
    add(gesture(u"GestureRight", R, pointScreenLeft));
    add(gesture(u"GestureLeft", R, pointScreenRight));
    add(gesture(u"GestureUp", R, pointUp));
    add(gesture(u"GestureDown", R, pointDown));

    // Speaking gestures.
    const Pose explain = with(R, [](Pose& p) {
        p.left = {38, 55};
        p.right = {52, 58};
        p.face.brows = Brows::Raised;
    });
    add(gesture(u"Explain", R, explain));
    const Pose announce = with(R, [](Pose& p) {
        p.left = {118, 28};
        p.right = {118, 28};
        p.face = {Eyes::Wide, Brows::Raised, Mouth::Closed};
        p.y = -2;
        p.glow = 1;
    });
    {
        AnimationPlan s = gesture(u"Announce", R, announce, 4, 30);
        s.in.front().sound = kit.chirp;
        add(s);
    }
    const Pose alert = with(R, [](Pose& p) {
        p.left = {24, 30};
        p.right = {24, 30};
        p.face = {Eyes::Wide, Brows::Raised, Mouth::Closed};
        p.headY = -2;
        p.squash = 1.03;
    });
    add(gesture(u"Alert", R, alert, 3));

    // Greeting and waving.
    const Pose wave1 = with(R, [](Pose& p) {
        p.right = {145, 18};
        p.face = {Eyes::Happy, Brows::Raised, Mouth::Smile};
    });
    const Pose wave2 = with(wave1, [](Pose& p) { p.right = {128, 60}; });
    const std::vector<Step> waving{hold(wave2, 9), hold(wave1, 9), hold(wave2, 9), hold(wave1, 9)};
    {
        AnimationPlan s = plan(u"Wave", ramp(R, wave1, 3), waving, ramp(wave1, R, 3));
        s.body.front().sound = kit.chirp;
        add(s);
    }
    const Pose bow = with(R, [](Pose& p) {
        p.squash = 0.93;
        p.headY = 5;
        p.right = {22, -95};
        p.face = {Eyes::Closed, Brows::Normal, Mouth::Smile};
    });
    add(plan(u"Greet", settle(ramp(R, bow, 4), 40), ramp(bow, wave1, 3) + waving,
             ramp(wave1, R, 3)));
}

}  // namespace vistrel::art::posing
