#include "art/animations.h"

#include <array>
#include <functional>
#include <initializer_list>
#include <string>

namespace vistrel::art {

namespace {

// The usual set a script author expects of a desktop character.
constexpr std::array<std::u16string_view, 71> kRequired{
    u"Acknowledge",
    u"Alert",
    u"Announce",
    u"Blink",
    u"Confused",
    u"Congratulate",
    u"Decline",
    u"DoMagic1",
    u"DoMagic2",
    u"DontRecognize",
    u"Explain",
    u"GestureDown",
    u"GestureLeft",
    u"GestureRight",
    u"GestureUp",
    u"GetAttention",
    u"GetAttentionContinued",
    u"GetAttentionReturn",
    u"Greet",
    u"Hearing_1",
    u"Hearing_2",
    u"Hearing_3",
    u"Hide",
    u"Idle1_1",
    u"Idle1_2",
    u"Idle1_3",
    u"Idle1_4",
    u"Idle2_1",
    u"Idle2_2",
    u"Idle3_1",
    u"Idle3_2",
    u"LookDown",
    u"LookDownBlink",
    u"LookDownReturn",
    u"LookLeft",
    u"LookLeftBlink",
    u"LookLeftReturn",
    u"LookRight",
    u"LookRightBlink",
    u"LookRightReturn",
    u"LookUp",
    u"LookUpBlink",
    u"LookUpReturn",
    u"MoveDown",
    u"MoveLeft",
    u"MoveRight",
    u"MoveUp",
    u"Pleased",
    u"Process",
    u"Processing",
    u"Read",
    u"ReadContinued",
    u"Reading",
    u"ReadReturn",
    u"RestPose",
    u"Sad",
    u"Search",
    u"Searching",
    u"Show",
    u"StartListening",
    u"StopListening",
    u"Suggest",
    u"Surprised",
    u"Think",
    u"Thinking",
    u"Uncertain",
    u"Wave",
    u"Write",
    u"WriteContinued",
    u"WriteReturn",
    u"Writing",
};

// The names the program's own help texts ask for, spelt as they spell them.
constexpr std::array<std::u16string_view, 6> kProgram{
    u"Explain", u"Announce", u"alert", u"Gesturedown", u"restpose", u"explain",
};

using Change = std::function<void(Pose&)>;

Pose with(Pose p, const Change& change) {
    change(p);
    return p;
}

Step hold(const Pose& p, std::uint16_t duration, std::int32_t sound = -1) {
    return {p, duration, sound, {}};
}

Step jumping(Step s, std::initializer_list<std::pair<int, int>> jumps) {
    s.jumps = jumps;
    return s;
}

// Holds a pose for the last frame of a ramp a little longer.
std::vector<Step> settle(std::vector<Step> steps, std::uint16_t last) {
    steps.back().duration = last;
    return steps;
}

AnimationPlan plan(std::u16string name, std::vector<Step> in, std::vector<Step> body,
                   std::vector<Step> out) {
    AnimationPlan s;
    s.name = std::move(name);
    s.in = std::move(in);
    s.body = std::move(body);
    s.out = std::move(out);
    return s;
}

// An animation that continues a held pose and leaves through another animation.
AnimationPlan returning(AnimationPlan s, std::u16string back) {
    s.transition = acs::Transition::ReturnAnimation;
    s.returnAnimation = std::move(back);
    return s;
}

// A move to a pose that is then held; leaving walks it back.
AnimationPlan gesture(std::u16string name, const Pose& rest, const Pose& target, int n = 4,
                      std::uint16_t last = 30) {
    return plan(std::move(name), settle(ramp(rest, target, n), last), {}, {});
}

// `count` frames of `pose` with the effect phase running.
std::vector<Step> phases(const Pose& pose, int count, std::uint16_t duration, int first = 0) {
    std::vector<Step> steps;
    for (int i = 0; i < count; ++i) {
        Pose p = pose;
        p.phase = first + i;
        steps.push_back(hold(p, duration));
    }
    return steps;
}

// Loops `steps` back to their start with the given chance at the last one.
std::vector<Step> looping(std::vector<Step> steps, int percent) {
    steps.back().jumps = {{0, percent}};
    return steps;
}

}  // namespace

std::span<const std::u16string_view> requiredAnimations() {
    return kRequired;
}
std::span<const std::u16string_view> programAnimations() {
    return kProgram;
}

std::vector<acs::State> standardStates() {
    auto state = [](std::u16string name, std::initializer_list<std::u16string> anims) {
        acs::State s;
        s.name = acs::toUpper(name);
        for (const auto& a : anims) {
            s.animations.push_back(acs::toUpper(a));
        }
        return s;
    };
    return {
        state(u"Showing", {u"Show"}),
        state(u"Hiding", {u"Hide"}),
        state(u"Speaking", {u"RestPose"}),
        state(u"Listening", {u"StartListening"}),
        state(u"Hearing", {u"Hearing_1", u"Hearing_2", u"Hearing_3"}),
        state(u"IdlingLevel1", {u"Blink", u"Idle1_1", u"Idle1_2", u"Idle1_3", u"Idle1_4"}),
        state(u"IdlingLevel2", {u"Blink", u"Idle1_1", u"Idle1_2", u"Idle2_1", u"Idle2_2"}),
        state(u"IdlingLevel3", {u"Idle3_1", u"Idle3_2"}),
        state(u"MovingLeft", {u"MoveLeft"}),
        state(u"MovingRight", {u"MoveRight"}),
        state(u"MovingUp", {u"MoveUp"}),
        state(u"MovingDown", {u"MoveDown"}),
        state(u"GesturingLeft", {u"GestureLeft"}),
        state(u"GesturingRight", {u"GestureRight"}),
        state(u"GesturingUp", {u"GestureUp"}),
        state(u"GesturingDown", {u"GestureDown"}),
    };
}

void addStandardAnimations(CharacterBuilder& b, const Design& design, const SoundKit& kit) {
    const Pose R = design.rest();
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

    auto eyes = [&R](Eyes e, double hx = 0, double hy = 0) {
        return with(R, [=](Pose& p) {
            p.face.eyes = e;
            p.headX = hx;
            p.headY = hy;
        });
    };
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

    // Thinking, reading, writing, searching, working.
    const Pose think = with(R, [](Pose& p) {
        p.right = {26, -142};
        p.headX = 1;
        p.face = {Eyes::Up, Brows::Raised, Mouth::Closed};
        p.effect = Effect::Dots;
    });
    add(plan(u"Think", ramp(R, think, 4), phases(think, 3, 12), {}));
    add(plan(u"Thinking", ramp(R, think, 3), looping(phases(think, 4, 12), 85), {}));

    const Pose read = with(R, [](Pose& p) {
        p.left = {26, -72};
        p.right = {26, -72};
        p.headY = 2;
        p.face = {Eyes::Down, Brows::Normal, Mouth::Closed};
        p.prop = Prop::Book;
    });
    const std::vector<Step> scan{hold(with(read, [](Pose& p) { p.phase = 0; }), 20),
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

    // Idling.
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

acs::CharacterInfo characterInfo(const Persona& persona) {
    acs::CharacterInfo info;
    info.guid = *acs::Guid::parse(persona.guid);
    info.flags = acs::kFlagStandardAnimationSet;
    info.localized.push_back({0x0409, persona.name, persona.description, persona.greeting});
    acs::VoiceInfo voice;
    voice.engine = *acs::Guid::parse("{5A7E0C11-3F2B-4D6A-8C1E-0B9D4E3F2A10}");
    voice.mode = *acs::Guid::parse(persona.voiceMode);
    voice.speed = persona.speed;
    voice.pitch = persona.pitch;
    voice.extra = acs::VoiceExtra{0x0409, u"", persona.gender, persona.age, u""};
    info.voice = voice;
    acs::BalloonInfo balloon;
    balloon.lines = 3;
    balloon.charsPerLine = persona.charsPerLine;
    balloon.text = persona.text;
    balloon.background = persona.background;
    balloon.border = persona.border;
    balloon.fontName = u"Sans";
    balloon.fontHeight = -13;
    balloon.fontWeight = persona.fontWeight;
    info.balloon = balloon;
    info.states = standardStates();
    return info;
}

acs::CharacterData buildCharacter(const Design& design, CharacterSounds sounds,
                                  const Persona& persona) {
    CharacterBuilder builder(design);
    SoundKit kit;
    kit.appear = builder.addSound(std::move(sounds.appear));
    kit.vanish = builder.addSound(std::move(sounds.vanish));
    kit.pop = builder.addSound(std::move(sounds.pop));
    kit.chirp = builder.addSound(std::move(sounds.chirp));
    addStandardAnimations(builder, design, kit);
    return builder.finish(characterInfo(persona));
}

}  // namespace vistrel::art
