#pragma once

// A small character for tests of moves, gestures and blank frames, written by the project's
// writer. Like the test character, every frame shows one 8x8 block of its own colour on a
// 16x16 canvas, the red component being the frame's label (read with frameLabel()).
//
// Each moving animation lifts off, flies and, when it is left, lands: normal play shows the
// lift and flight frames and ends, its exit path (or, for MoveDown, its return animation)
// shows the landing. Gestures are one frame each. "Blank" has a frame with no images between
// two pictures, and the hiding animation ends on such a frame.

#include <QString>

namespace vistrel::engine::testing {

enum MoverLabel : int {
    kMoverShow = 1,
    kMoverHide = 3,
    kMoverRest = 5,
    kLiftLeft = 60,  // MoveLeft: lift 60, fly 61, land 62
    kLiftRight = 63,
    kLiftUp = 66,
    kLiftDown = 69,
    kPointLeft = 72,  // GestureLeft
    kPointRight = 73,
    kPointUp = 74,
    kPointDown = 75,
    kBlankBefore = 80,
    kBlankAfter = 81,
};

// The label offsets within a moving animation's three pictures.
inline constexpr int kFly = 1;
inline constexpr int kLand = 2;

// Writes the character as `<folder>/<id>.acs` and returns the path.
QString writeMoverCharacter(const QString& folder, const QString& id);

}  // namespace vistrel::engine::testing
