#pragma once

// A character's balloon on the desktop: a window of its own that lets the pointer through.

#include "agentservice/presentation/balloon.h"

#include <QImage>
#include <QWidget>

namespace vistrel::agentservice {

class BalloonWindow : public QWidget {
  public:
    explicit BalloonWindow(bool perPixelAlpha);

    // Places the window at the layout's bounds and shows the balloon drawn there.
    void setBalloon(const BalloonLayout& layout, const BalloonStyle& style);
    const QImage& picture() const { return m_picture; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    bool m_perPixelAlpha;
    QImage m_picture;
};

}  // namespace vistrel::agentservice
