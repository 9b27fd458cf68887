#include "support/fakescene.h"

#include <QPainter>

namespace vistrel::engine::testing {

namespace {

QString point(QPoint p) {
    return QStringLiteral("%1,%2").arg(p.x()).arg(p.y());
}

}  // namespace

QImage makeFrame(QSize size, QColor colour, int margin, QRect hole) {
    QImage frame(size, QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::transparent);
    QPainter painter(&frame);
    painter.fillRect(QRect(QPoint(0, 0), size).adjusted(margin, margin, -margin, -margin), colour);
    if (!hole.isEmpty()) {
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.fillRect(hole, Qt::transparent);
    }
    return frame;
}

scene::CharacterView& FakeScene::add(const QString& id, QPoint position, const QImage& frame) {
    scene::CharacterView& view = m_views[id];
    view.id = id;
    view.visible = true;
    view.position = position;
    view.frame = frame;
    view.frameSerial = ++m_serial;
    m_order.append(id);
    emit changed(id, scene::Added);
    return view;
}

void FakeScene::setFrame(const QString& id, const QImage& frame) {
    scene::CharacterView& view = m_views.at(id);
    view.frame = frame;
    view.frameSerial = ++m_serial;
    emit changed(id, scene::ChangedFrame);
}

void FakeScene::moveTo(const QString& id, QPoint position) {
    m_views.at(id).position = position;
    emit changed(id, scene::ChangedPosition);
}

void FakeScene::setVisible(const QString& id, bool visible) {
    m_views.at(id).visible = visible;
    emit changed(id, scene::ChangedVisibility);
}

void FakeScene::say(const QString& id, scene::BalloonKind kind, const QString& text, int revealed) {
    scene::BalloonView& balloon = m_views.at(id).balloon;
    balloon.visible = !text.isEmpty();
    balloon.kind = kind;
    balloon.text = text;
    balloon.revealed = revealed < 0 ? static_cast<int>(text.size()) : revealed;
    emit changed(id, scene::ChangedBalloon);
}

void FakeScene::remove(const QString& id) {
    m_views.erase(id);
    m_order.removeAll(id);
    emit changed(id, scene::Removed);
}

scene::CharacterView FakeScene::view(const QString& id) const {
    const auto it = m_views.find(id);
    return it == m_views.end() ? scene::CharacterView{} : it->second;
}

void FakeScene::click(const QString& id, int button, int shift, QPoint screenPos) {
    calls
        << QStringLiteral("click %1 %2 %3 %4").arg(id).arg(button).arg(shift).arg(point(screenPos));
}

void FakeScene::dragTo(const QString& id, QPoint topLeft) {
    calls << QStringLiteral("dragTo %1 %2").arg(id, point(topLeft));
    // The service moves the character where the pointer takes it.
    if (m_views.count(id))
        moveTo(id, topLeft);
}

void FakeScene::dragComplete(const QString& id, int button, int shift, QPoint screenPos) {
    calls << QStringLiteral("dragComplete %1 %2 %3 %4")
                 .arg(id)
                 .arg(button)
                 .arg(shift)
                 .arg(point(screenPos));
}

void FakeScene::chooseCommand(const QString& id, const QString& name) {
    calls << QStringLiteral("command %1 %2").arg(id, name);
}

void FakeScene::hideFromMenu(const QString& id) {
    calls << QStringLiteral("hide %1").arg(id);
    if (m_views.count(id))
        setVisible(id, false);
}

}  // namespace vistrel::engine::testing
