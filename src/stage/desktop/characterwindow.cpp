#include "stage/desktop/characterwindow.h"

#include "log/log.h"
#include "stage/presentation/shape.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyleHints>

namespace vistrel::desktop {

int sceneButton(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return 1;
        case Qt::RightButton:
            return 2;
        case Qt::MiddleButton:
            return 4;
        default:
            return 0;
    }
}

int sceneShift(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

CharacterWindow::CharacterWindow(scene::Scene& scene, const QString& id, bool perPixelAlpha,
                                 ScreenPixels pixels)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint),
      m_scene(scene),
      m_id(id),
      m_perPixelAlpha(perPixelAlpha),
      m_pixels(pixels) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground, perPixelAlpha);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(id);
}

void CharacterWindow::setScreenPosition(QPoint position) {
    m_screenPosition = position;
    move(m_pixels.toWindow(position));
}

void CharacterWindow::setFrame(const QImage& frame) {
    const QRegion shape = presentation::opaqueRegion(frame);
    m_hasPicture = !shape.isEmpty();
    m_frame = frame;
    m_frame.setDevicePixelRatio(m_pixels.scale);
    if (!m_hasPicture)
        return;
    const QSize windowSize = m_pixels.toWindow(QRect(QPoint(0, 0), frame.size())).size();
    if (size() != windowSize)
        resize(windowSize);
    // The shape also decides where clicks land, so it is set with per-pixel alpha too: a click
    // on a transparent pixel goes to whatever is behind the character. Successive frames of an
    // animation often share their outline.
    const QRegion windowShape = m_pixels.toWindow(shape);
    if (windowShape != mask())
        setMask(windowShape);
    update();
}

void CharacterWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (m_perPixelAlpha)
        painter.fillRect(rect(), Qt::transparent);
    painter.drawImage(0, 0, m_frame);
}

void CharacterWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_leftDown = true;
        m_dragging = false;
        m_pressScreenPos = m_pixels.toScreen(event->globalPosition());
        m_pressTopLeft = m_screenPosition;
    }
    event->accept();
}

void CharacterWindow::mouseMoveEvent(QMouseEvent* event) {
    if (!m_leftDown)
        return;
    const QPoint delta = m_pixels.toScreen(event->globalPosition()) - m_pressScreenPos;
    if (!m_dragging && m_pixels.toWindow(delta).manhattanLength() <
                           QGuiApplication::styleHints()->startDragDistance())
        return;
    m_dragging = true;
    const QPoint topLeft = m_pressTopLeft + delta;
    setScreenPosition(topLeft);
    m_scene.dragTo(m_id, topLeft);
    event->accept();
}

void CharacterWindow::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint screenPos = m_pixels.toScreen(event->globalPosition());
    const int shift = sceneShift(event->modifiers());
    event->accept();
    if (event->button() == Qt::LeftButton) {
        if (!m_leftDown)
            return;
        m_leftDown = false;
        if (m_dragging) {
            m_dragging = false;
            qCDebug(log::stage).noquote() << m_id << "dragged to" << screenPos;
            m_scene.dragComplete(m_id, 1, shift, screenPos);
        } else {
            qCDebug(log::stage).noquote() << m_id << "clicked at" << screenPos;
            m_scene.click(m_id, 1, shift, screenPos);
        }
        return;
    }
    const int button = sceneButton(event->button());
    if (button == 0)
        return;
    // The scene may hide or drop the character while handling the click.
    const QPointer<CharacterWindow> self(this);
    m_scene.click(m_id, button, shift, screenPos);
    if (self && button == 2 && m_menuRequest)
        m_menuRequest(screenPos);
}

}  // namespace vistrel::desktop
