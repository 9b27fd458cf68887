#include "engine/composer.h"

#include "log/log.h"

#include <QPainter>

namespace vistrel::engine {

const acs::Overlay* overlayFor(const acs::Frame& frame, int mouth) {
    if (mouth < 0)
        return nullptr;
    for (const acs::Overlay& overlay : frame.overlays)
        if (overlay.shape == mouth)
            return &overlay;
    return nullptr;
}

FrameComposer::FrameComposer(const acs::Character& character) : character_(character) {}

const QImage& FrameComposer::image(std::uint32_t index) {
    auto it = images_.find(index);
    if (it != images_.end())
        return it->second;
    QImage picture;
    try {
        const acs::Image& source = character_.image(index);
        const acs::CharacterInfo& info = character_.info();
        picture = QImage(source.width, source.height, QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        for (int y = 0; y < source.height; ++y) {
            auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
            for (int x = 0; x < source.width; ++x) {
                const std::uint8_t index8 = source.at(x, y);
                if (index8 == info.transparentIndex)
                    continue;
                const acs::Rgb c = index8 < info.palette.size() ? info.palette[index8] : acs::Rgb{};
                row[x] = qRgba(c.r, c.g, c.b, 255);
            }
        }
    } catch (const acs::Error& error) {
        // A damaged image draws nothing; the rest of the frame still shows.
        log::ignored(log::engine(), QStringLiteral("image %1").arg(index), error);
    }
    const auto bytes = static_cast<std::size_t>(picture.sizeInBytes());
    if (imageBytes_ + bytes > kImageCacheBytes) {
        images_.clear();  // callers hold no reference across calls
        imageBytes_ = 0;
    }
    imageBytes_ += bytes;
    return images_.emplace(index, std::move(picture)).first->second;
}

QImage FrameComposer::compose(const acs::Frame& frame, int mouth) {
    const acs::CharacterInfo& info = character_.info();
    QImage canvas(info.width, info.height, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    const acs::Overlay* overlay = overlayFor(frame, mouth);
    QPainter painter(&canvas);
    const std::size_t first = overlay && overlay->replaceTopImage ? 1 : 0;
    for (std::size_t i = frame.images.size(); i > first; --i) {
        const acs::FrameImage& layer = frame.images[i - 1];
        const QImage& picture = image(layer.image);
        if (!picture.isNull())
            painter.drawImage(layer.x, layer.y, picture);
    }
    if (overlay) {
        const QImage& picture = image(overlay->image);
        if (!picture.isNull())
            painter.drawImage(overlay->x, overlay->y, picture);
    }
    return canvas;
}

QImage FrameComposer::composeCached(std::size_t animation, std::size_t frame, int mouth) {
    const Key key{animation, frame, mouth};
    for (auto it = frames_.begin(); it != frames_.end(); ++it) {
        if (it->first == key) {
            frames_.splice(frames_.begin(), frames_, it);
            return frames_.front().second;
        }
    }
    const auto& animations = character_.animations();
    if (animation >= animations.size() || frame >= animations[animation].frames.size())
        return {};
    QImage picture = compose(animations[animation].frames[frame], mouth);
    frames_.emplace_front(key, picture);
    frameBytes_ += static_cast<std::size_t>(picture.sizeInBytes());
    while (frames_.size() > 1 &&
           (frames_.size() > kFrameCacheSize || frameBytes_ > kFrameCacheBytes)) {
        frameBytes_ -= static_cast<std::size_t>(frames_.back().second.sizeInBytes());
        frames_.pop_back();
    }
    return picture;
}

std::size_t FrameComposer::heldBytes() const {
    std::size_t bytes = 0;
    for (const auto& [index, picture] : images_)
        bytes += static_cast<std::size_t>(picture.sizeInBytes());
    for (const auto& [key, picture] : frames_)
        bytes += static_cast<std::size_t>(picture.sizeInBytes());
    return bytes;
}

}  // namespace vistrel::engine
