#include "stage/desktop/balloonwindow.h"

#include "stage/presentation/shape.h"

#include <QPainter>

namespace vistrel::desktop {

BalloonWindow::BalloonWindow(bool perPixelAlpha, ScreenPixels pixels)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput |
                           Qt::NoDropShadowWindowHint),
      m_perPixelAlpha(perPixelAlpha),
      m_pixels(pixels) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground, perPixelAlpha);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

void BalloonWindow::setBalloon(const presentation::BalloonLayout& layout,
                               const scene::BalloonStyle& style) {
    m_picture = presentation::renderBalloon(layout, style);
    if (m_picture.isNull())
        return;
    m_picture.setDevicePixelRatio(m_pixels.scale);
    setGeometry(m_pixels.toWindow(layout.bounds));
    // Without a compositor the soft edge is cut where it is more than half transparent.
    if (!m_perPixelAlpha)
        setMask(m_pixels.toWindow(presentation::opaqueRegion(m_picture, 128)));
    update();
}

void BalloonWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, m_picture);
}

}  // namespace vistrel::desktop
