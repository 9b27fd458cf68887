#pragma once

// What a character looks like: the drawing side of a character. The builder asks a design to
// draw the body of a pose into a frame-sized picture, the head into its own smaller picture
// (so that heads, eyes and mouths are shared between many frames), and effects above both.

#include <QPainter>
#include <QPointF>
#include <QRect>
#include <QSize>

#include "art/pose.h"

namespace vistrel::art {

class Design {
  public:
    virtual ~Design() = default;

    // The pose every animation starts from and returns to.
    virtual Pose rest() const { return {}; }
    // The frame size.
    virtual QSize frameSize() const = 0;
    // The point the character stands on; leaning, squashing and scaling happen about it.
    virtual QPointF feet() const = 0;
    // Everything below the head, in frame coordinates, for a pose with no lean or scale (the
    // builder applies those).
    virtual void drawBody(QPainter& p, const Pose& pose) const = 0;
    // Things held in front of the face (a book being read), in frame coordinates like the body.
    virtual void drawFront(QPainter& p, const Pose& pose) const { (void)p, (void)pose; }
    virtual bool hasFront(const Pose& pose) const { return pose.prop == Prop::Book; }

    // The head picture's size and where its top-left corner sits in the frame at rest.
    virtual QSize headSize() const = 0;
    virtual QPointF headOrigin() const = 0;
    // The neck: where the head hangs on the body, in frame coordinates at rest.
    virtual QPointF neck() const = 0;
    virtual void drawHead(QPainter& p, const Face& face) const = 0;
    // The part of the head picture that the mouth shapes replace while speaking.
    virtual QRect mouthRect() const = 0;

    // Effects above everything, in frame coordinates.
    virtual void drawEffect(QPainter& p, const Pose& pose) const = 0;
};

}  // namespace vistrel::art
