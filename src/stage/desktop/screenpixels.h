#pragma once

// Scripts place characters in screen pixels; Qt places windows in device-independent pixels,
// which are larger by the screen's scale on high-density screens. The stage converts at the
// windows' edge, so frames are still shown pixel for pixel.

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRegion>
#include <QtGlobal>

namespace vistrel::desktop {

struct ScreenPixels {
    qreal scale = 1.0;  // screen pixels per window pixel

    bool unscaled() const { return scale == 1.0; }
    QPoint toScreen(QPointF windowPoint) const { return (windowPoint * scale).toPoint(); }
    QRect toScreen(const QRect& window) const;
    QPoint toWindow(QPoint screen) const;
    // The smallest window rectangle that covers `screen`.
    QRect toWindow(const QRect& screen) const;
    // A shape in window pixels: every window pixel that covers some of `screen`'s pixels.
    QRegion toWindow(const QRegion& screen) const;
};

// The primary screen's scale.
ScreenPixels primaryScreenPixels();

}  // namespace vistrel::desktop
