#include "stage/offscreen/portrait.h"

#include "acs/character.h"
#include "engine/composer.h"

#include <QPainter>

#include <optional>
#include <string>

namespace vistrel::offscreen {

namespace {

std::optional<std::size_t> animationNamed(const acs::Character& character,
                                          std::u16string_view name) {
    const auto& animations = character.animations();
    for (std::size_t i = 0; i < animations.size(); ++i)
        if (acs::equalsIgnoreCase(animations[i].name, name))
            return i;
    return std::nullopt;
}

// The first frame of `animation` that is shown for a while and has a picture.
std::optional<std::size_t> firstShownFrame(const acs::Animation& animation) {
    for (std::size_t f = 0; f < animation.frames.size(); ++f)
        if (animation.frames[f].duration > 0 && !animation.frames[f].images.empty())
            return f;
    return std::nullopt;
}

std::vector<std::size_t> restCandidates(const acs::Character& character) {
    std::vector<std::size_t> out;
    if (const auto rest = animationNamed(character, u"RestPose"))
        out.push_back(*rest);
    for (const acs::State& state : character.info().states) {
        if (!acs::equalsIgnoreCase(state.name, u"SPEAKING"))
            continue;
        for (const std::u16string& name : state.animations)
            if (const auto index = animationNamed(character, name))
                out.push_back(*index);
    }
    for (std::size_t i = 0; i < character.animations().size(); ++i)
        out.push_back(i);
    return out;
}

QRect opaqueBounds(const QImage& image) {
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(row[x]) == 0)
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

}  // namespace

QImage restPortrait(const acs::Character& character, QSize box) {
    if (box.isEmpty())
        return {};
    engine::FrameComposer composer(character);
    for (const std::size_t index : restCandidates(character)) {
        const acs::Animation& animation = character.animations()[index];
        const auto frame = firstShownFrame(animation);
        if (!frame)
            continue;
        const QImage composed = composer.compose(animation.frames[*frame]);
        const QRect visible = opaqueBounds(composed);
        if (visible.isEmpty())
            continue;
        QImage picture = composed.copy(visible);
        if (picture.width() > box.width() || picture.height() > box.height())
            picture = picture.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        return picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    return {};
}

}  // namespace vistrel::offscreen
