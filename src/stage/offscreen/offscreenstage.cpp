#include "stage/offscreen/offscreenstage.h"

#include "stage/presentation/balloon.h"

#include <QPainter>

namespace vistrel::offscreen {

namespace {

bool shown(const scene::CharacterView& view) {
    return !view.id.isEmpty() && view.visible && !view.frame.isNull();
}

}  // namespace

void paintScenes(QPainter& painter, const std::vector<const scene::Scene*>& scenes,
                 const QRect& screen) {
    std::vector<scene::CharacterView> views;
    for (const scene::Scene* scene : scenes) {
        if (!scene)
            continue;
        for (const QString& id : scene->characterIds()) {
            scene::CharacterView view = scene->view(id);
            if (shown(view))
                views.push_back(std::move(view));
        }
    }
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    for (const scene::CharacterView& view : views)
        painter.drawImage(view.position, view.frame);
    for (const scene::CharacterView& view : views) {
        const QRect character(view.position, view.frame.size());
        const presentation::BalloonLayout layout =
            presentation::layoutBalloon(view.balloon, character, screen);
        if (!layout.bounds.isEmpty())
            painter.drawImage(layout.bounds.topLeft(),
                              presentation::renderBalloon(layout, view.balloon.style));
    }
    painter.restore();
}

QImage renderScenes(const std::vector<const scene::Scene*>& scenes, QSize screen,
                    const QColor& desktop) {
    QImage image(screen.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    image.fill(desktop);
    QPainter painter(&image);
    paintScenes(painter, scenes, QRect(QPoint(0, 0), screen));
    return image;
}

Hit characterAt(const std::vector<const scene::Scene*>& scenes, QPoint point) {
    Hit hit;
    for (const scene::Scene* scene : scenes) {
        if (!scene)
            continue;
        for (const QString& id : scene->characterIds()) {
            const scene::CharacterView view = scene->view(id);
            if (!shown(view))
                continue;
            const QPoint local = point - view.position;
            if (view.frame.rect().contains(local) && qAlpha(view.frame.pixel(local)) > 0)
                hit = {scene, id};
        }
    }
    return hit;
}

}  // namespace vistrel::offscreen
