#pragma once

// The outline of a picture with transparent areas, as a window shape.

#include <QImage>
#include <QRegion>

namespace vistrel::presentation {

// The pixels of `image` whose alpha is at least `minAlpha`, as a region in the image's own
// coordinates. Rows with the same runs are merged into one band, so a typical character frame
// becomes a few dozen rectangles rather than one per row.
QRegion opaqueRegion(const QImage& image, int minAlpha = 1);

}  // namespace vistrel::presentation
