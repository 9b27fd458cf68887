#include "stage/presentation/shape.h"

#include <QRect>

#include <algorithm>
#include <utility>
#include <vector>

namespace vistrel::presentation {

namespace {

using Runs = std::vector<std::pair<int, int>>;  // [begin, end) columns

void rowRuns(const QImage& image, int y, int minAlpha, Runs& runs) {
    runs.clear();
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    const int width = image.width();
    int x = 0;
    while (x < width) {
        while (x < width && qAlpha(line[x]) < minAlpha)
            ++x;
        if (x == width)
            break;
        const int begin = x;
        while (x < width && qAlpha(line[x]) >= minAlpha)
            ++x;
        runs.emplace_back(begin, x);
    }
}

}  // namespace

QRegion opaqueRegion(const QImage& source, int minAlpha) {
    if (source.isNull())
        return {};
    minAlpha = std::clamp(minAlpha, 1, 255);
    // Alpha is the same in premultiplied and straight formats, so both are read as they are.
    const QImage image = (source.format() == QImage::Format_ARGB32_Premultiplied ||
                          source.format() == QImage::Format_ARGB32)
                             ? source
                             : source.convertToFormat(QImage::Format_ARGB32_Premultiplied);

    std::vector<QRect> rects;
    Runs band;
    Runs current;
    int bandTop = 0;
    auto closeBand = [&](int bottom) {
        for (const auto& [begin, end] : band)
            rects.emplace_back(QPoint(begin, bandTop), QPoint(end - 1, bottom - 1));
    };
    for (int y = 0; y < image.height(); ++y) {
        rowRuns(image, y, minAlpha, current);
        if (y > 0 && current == band)
            continue;
        closeBand(y);
        std::swap(band, current);
        bandTop = y;
    }
    closeBand(image.height());

    QRegion region;
    if (!rects.empty())
        region.setRects(rects.data(), static_cast<int>(rects.size()));
    return region;
}

}  // namespace vistrel::presentation
