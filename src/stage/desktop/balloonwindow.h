#pragma once

// A character's balloon on the desktop: a window of its own that lets the pointer through.

#include "stage/desktop/screenpixels.h"

#include "stage/presentation/balloon.h"

#include <QImage>
#include <QWidget>

namespace vistrel::desktop {

class BalloonWindow : public QWidget {
  public:
    BalloonWindow(bool perPixelAlpha, ScreenPixels pixels);

    // Places the window at the layout's bounds (in screen pixels) and shows the balloon drawn
    // there.
    void setBalloon(const presentation::BalloonLayout& layout, const scene::BalloonStyle& style);
    const QImage& picture() const { return m_picture; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    bool m_perPixelAlpha;
    ScreenPixels m_pixels;
    QImage m_picture;
};

}  // namespace vistrel::desktop
