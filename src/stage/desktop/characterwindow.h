#pragma once

// One character on the desktop: a frameless, always-on-top window in the shape of its current
// frame, which turns the pointer's clicks and drags into the scene's user input.

#include "stage/desktop/screenpixels.h"

#include "scene/scene.h"

#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

#include <functional>

namespace vistrel::desktop {

class CharacterWindow : public QWidget {
  public:
    // With `perPixelAlpha` the window is see-through wherever the frame is (a compositor must
    // run); without, it is cut to the frame's opaque pixels.
    CharacterWindow(scene::Scene& scene, const QString& id, bool perPixelAlpha,
                    ScreenPixels pixels);

    // Shows `frame` (a null or fully transparent frame shows nothing) and repaints.
    void setFrame(const QImage& frame);
    // Puts the frame's top-left at `position`, in screen pixels.
    void setScreenPosition(QPoint position);
    QPoint screenPosition() const { return m_screenPosition; }
    // Whether the current frame has anything to show.
    bool hasPicture() const { return m_hasPicture; }
    // Called with the pointer's screen position when the user asks for the pop-up menu.
    void setMenuRequest(std::function<void(QPoint)> request) { m_menuRequest = std::move(request); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    scene::Scene& m_scene;
    QString m_id;
    bool m_perPixelAlpha;
    ScreenPixels m_pixels;
    QPoint m_screenPosition;
    QImage m_frame;  // with the screen's scale as its pixel ratio: drawn pixel for pixel
    bool m_hasPicture = false;
    std::function<void(QPoint)> m_menuRequest;

    // The left button's press, while it is held.
    bool m_leftDown = false;
    bool m_dragging = false;
    QPoint m_pressScreenPos;
    QPoint m_pressTopLeft;  // in screen pixels
};

// The scene's numbers for a mouse button (1 left, 2 right, 4 middle; 0 for others) and for the
// Shift, Ctrl and Alt keys held (1, 2, 4).
int sceneButton(Qt::MouseButton button);
int sceneShift(Qt::KeyboardModifiers modifiers);

}  // namespace vistrel::desktop
