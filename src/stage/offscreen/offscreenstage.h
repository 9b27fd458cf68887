#pragma once

// The desktop as an image: every visible character and balloon of one or more services, at
// their screen positions, drawn as the desktop stage shows them.

#include "scene/scene.h"

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <vector>

class QPainter;

namespace vistrel::offscreen {

// Paints the scenes onto a desktop already drawn on `painter`, which covers `screen` in screen
// pixels. Characters go in loading order, one service after the other, and every balloon over
// all characters (balloon windows are raised over character windows).
void paintScenes(QPainter& painter, const std::vector<const scene::Scene*>& scenes,
                 const QRect& screen);

// A `screen`-sized image of the scenes over a desktop of colour `desktop`.
QImage renderScenes(const std::vector<const scene::Scene*>& scenes, QSize screen,
                    const QColor& desktop = Qt::transparent);

// The character a pointer at `point` would hit: the topmost one with an opaque pixel there.
struct Hit {
    const scene::Scene* scene = nullptr;
    QString id;
};
Hit characterAt(const std::vector<const scene::Scene*>& scenes, QPoint point);

}  // namespace vistrel::offscreen
