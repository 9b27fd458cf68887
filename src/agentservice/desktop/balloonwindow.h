#pragma once

// A character's balloon on the desktop: a window of its own that lets the pointer through.

#include "screenpixels.h"

#include "agentservice/presentation/balloon.h"

#include <QImage>
#include <QWidget>

namespace vistrel::agentservice {

class BalloonWindow : public QWidget {
  public:
    BalloonWindow(bool perPixelAlpha, ScreenPixels pixels);

    // Places the window at the layout's bounds (in screen pixels) and shows the balloon drawn
    // there.
    void setBalloon(const BalloonLayout& layout, const BalloonStyle& style);
    const QImage& picture() const { return m_picture; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    bool m_perPixelAlpha;
    ScreenPixels m_pixels;
    QImage m_picture;
};

}  // namespace vistrel::agentservice
