#pragma once

// A character's pose: where its body, arms and head are and what its face shows. Animations
// are sequences of poses; each character draws a pose in its own way.

#include <cstdint>

namespace vistrel::art {

// Left and Right look towards the screen's left and right.
enum class Eyes : std::uint8_t { Open, Half, Closed, Left, Right, Up, Down, Wide, Happy };
enum class Brows : std::uint8_t { Normal, Raised, Sad, Frown };
// Mouths a face can hold, then the seven shapes speech moves through.
enum class Mouth : std::uint8_t {
    Closed,
    Smile,
    Frown,
    Oh,
    Grin,
    SpeakWide1,
    SpeakWide2,
    SpeakWide3,
    SpeakWide4,
    SpeakMedium,
    SpeakNarrow,
};

struct Face {
    Eyes eyes = Eyes::Open;
    Brows brows = Brows::Normal;
    Mouth mouth = Mouth::Closed;
    bool operator==(const Face&) const = default;
};

// An arm in degrees: `shoulder` is the upper arm's angle from hanging straight down, growing
// as the arm rises away from the body; `elbow` bends the forearm further the same way
// (negative values fold it back across the body).
struct Arm {
    double shoulder = 12;
    double elbow = 10;
};

// Things a character can hold.
enum class Prop : std::uint8_t { None, Book, Quill, Glass, Scroll };

// Effects drawn above the character, each with a phase that animates it.
enum class Effect : std::uint8_t {
    None,
    Sparkles,  // twinkling stars around the character (magic, show, hide)
    Question,  // a question mark over the head
    Exclaim,   // an exclamation mark over the head
    Idea,      // a light bulb over the head
    Sleep,     // rising Zs
    Hearts,    // small hearts (pleased, congratulate)
    Gears,     // turning cogs (process)
    Dots,      // thinking dots
};

struct Pose {
    double x = 0;  // body offset in pixels
    double y = 0;
    double lean = 0;    // degrees, positive leans to the screen's right, about the feet
    double squash = 1;  // vertical scale about the feet (bounces, bows)
    double scale = 1;   // whole-character scale about the feet (appearing, vanishing)
    Arm left;           // the arm on the screen's left
    Arm right;          // the arm on the screen's right
    double headX = 0;   // head offset from the neck, pixels
    double headY = 0;
    Face face;
    Prop prop = Prop::None;
    Effect effect = Effect::None;
    int phase = 0;    // effect phase
    double glow = 0;  // 0..1: a staff, antenna or lamp lighting up
};

inline double mix(double a, double b, double t) {
    return a + (b - a) * t;
}

// The pose `t` of the way from `a` to `b`. Faces, props and effects switch at the middle.
inline Pose between(const Pose& a, const Pose& b, double t) {
    Pose p = t < 0.5 ? a : b;
    p.x = mix(a.x, b.x, t);
    p.y = mix(a.y, b.y, t);
    p.lean = mix(a.lean, b.lean, t);
    p.squash = mix(a.squash, b.squash, t);
    p.scale = mix(a.scale, b.scale, t);
    p.left = {mix(a.left.shoulder, b.left.shoulder, t), mix(a.left.elbow, b.left.elbow, t)};
    p.right = {mix(a.right.shoulder, b.right.shoulder, t), mix(a.right.elbow, b.right.elbow, t)};
    p.headX = mix(a.headX, b.headX, t);
    p.headY = mix(a.headY, b.headY, t);
    p.glow = mix(a.glow, b.glow, t);
    return p;
}

}  // namespace vistrel::art
