#pragma once

// A character's likeness as a small picture: the first frame of its rest pose, as the stages
// show the character standing still.

#include <QImage>
#include <QSize>

namespace vistrel::acs {
class Character;
}  // namespace vistrel::acs

namespace vistrel::offscreen {

// The character's first rest frame (of "RestPose", else of the speaking state's first
// animation, else of the first animation with a frame to show), cropped to its visible pixels
// and scaled down, keeping its proportions, to fit `box`; never scaled up. Null when the file
// has no frame that shows anything. Safe to call on any thread for a character used by no
// other.
QImage restPortrait(const acs::Character& character, QSize box);

}  // namespace vistrel::offscreen
