#include "stage/desktop/screenpixels.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>
#include <vector>

namespace vistrel::desktop {

namespace {

int floorDiv(int value, qreal scale) {
    return static_cast<int>(std::floor(value / scale));
}

int ceilDiv(int value, qreal scale) {
    return static_cast<int>(std::ceil(value / scale));
}

}  // namespace

QRect ScreenPixels::toScreen(const QRect& window) const {
    if (unscaled())
        return window;
    return QRect(toScreen(QPointF(window.topLeft())),
                 toScreen(QPointF(window.left() + window.width(), window.top() + window.height())) -
                     QPoint(1, 1));
}

QPoint ScreenPixels::toWindow(QPoint screen) const {
    if (unscaled())
        return screen;
    return (QPointF(screen) / scale).toPoint();
}

QRect ScreenPixels::toWindow(const QRect& screen) const {
    if (unscaled() || screen.isEmpty())
        return screen;
    const int left = floorDiv(screen.left(), scale);
    const int top = floorDiv(screen.top(), scale);
    const int right = ceilDiv(screen.left() + screen.width(), scale);
    const int bottom = ceilDiv(screen.top() + screen.height(), scale);
    return QRect(left, top, right - left, bottom - top);
}

QRegion ScreenPixels::toWindow(const QRegion& screen) const {
    if (unscaled())
        return screen;
    QRegion window;
    for (const QRect& rect : screen)
        window += toWindow(rect);
    return window;
}

ScreenPixels primaryScreenPixels() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return {screen ? screen->devicePixelRatio() : 1.0};
}

}  // namespace vistrel::desktop
