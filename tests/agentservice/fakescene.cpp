#include "fakescene.h"

#include <QPainter>

namespace vistrel::agentservice::testing {

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

CharacterView& FakeScene::add(const QString& id, QPoint position, const QImage& frame) {
    CharacterView& view = m_views[id];
    view.id = id;
    view.visible = true;
    view.position = position;
    view.frame = frame;
    view.frameSerial = ++m_serial;
    m_order.append(id);
    emit changed(id, Added);
    return view;
}

void FakeScene::setFrame(const QString& id, const QImage& frame) {
    CharacterView& view = m_views.at(id);
    view.frame = frame;
    view.frameSerial = ++m_serial;
    emit changed(id, ChangedFrame);
}

void FakeScene::moveTo(const QString& id, QPoint position) {
    m_views.at(id).position = position;
    emit changed(id, ChangedPosition);
}

void FakeScene::setVisible(const QString& id, bool visible) {
    m_views.at(id).visible = visible;
    emit changed(id, ChangedVisibility);
}

void FakeScene::say(const QString& id, BalloonKind kind, const QString& text, int revealed) {
    BalloonView& balloon = m_views.at(id).balloon;
    balloon.visible = !text.isEmpty();
    balloon.kind = kind;
    balloon.text = text;
    balloon.revealed = revealed < 0 ? static_cast<int>(text.size()) : revealed;
    emit changed(id, ChangedBalloon);
}

void FakeScene::remove(const QString& id) {
    m_views.erase(id);
    m_order.removeAll(id);
    emit changed(id, Removed);
}

CharacterView FakeScene::view(const QString& id) const {
    const auto it = m_views.find(id);
    return it == m_views.end() ? CharacterView{} : it->second;
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

}  // namespace vistrel::agentservice::testing
