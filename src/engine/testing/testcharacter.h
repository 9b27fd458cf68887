#pragma once

// A tiny character for the engine's tests, written by the project's own writer. Every frame
// shows one 8x8 block of its own colour at the top-left of a 16x16 canvas; the colour's red
// component is the frame's label, so a test reads which frame is shown from one pixel.
// Mouth overlays are 4x4 blocks labelled 50 + shape.

#include "acs/model.h"

#include <QImage>
#include <QString>

namespace vistrel::engine::testing {

// Labels of the frames (red component of pixel (6, 6)).
enum Label : int {
    kShow0 = 1,
    kShow1 = 2,
    kHide0 = 3,
    kHide1 = 4,
    kRest = 5,
    kWave0 = 10,  // Wave: frames 0..4 are labels 10..14, frame 5 is empty and takes no time
    kLoop0 = 20,
    kLoop1 = 21,
    kLoopOut = 22,
    kCoinStart = 23,
    kCoinHeads = 24,
    kCoinTails = 25,
    kMoveLeft = 30,
    kMoveRight = 31,
    kGestureLeft = 32,
    kGestureRight = 33,
    kIdle1 = 40,
    kIdle2 = 41,
    kPose = 43,
    kPoseReturn = 44,
    kMouth0 = 50,
};

inline constexpr int kSide = 16;

acs::CharacterData makeTestCharacter(bool withBalloon = true);

// Writes it as `<folder>/<id>.acs` and returns the path.
QString writeTestCharacter(const QString& folder, const QString& id, bool withBalloon = true);

// The label of a composed frame (0 when nothing is drawn there) and of its mouth (0: none).
int frameLabel(const QImage& frame);
int mouthLabel(const QImage& frame);

}  // namespace vistrel::engine::testing
