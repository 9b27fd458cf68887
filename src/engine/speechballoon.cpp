#include "engine/speechballoon.h"

#include "agent/agent.h"
#include "log/log.h"

#include <algorithm>

namespace vistrel::engine {

namespace {

scene::BalloonStyle styleFrom(const acs::CharacterInfo& info) {
    scene::BalloonStyle style;
    if (!info.balloon)
        return style;
    const acs::BalloonInfo& b = *info.balloon;
    style.lines = std::clamp<int>(b.lines, 1, 16);
    style.charsPerLine = std::clamp<int>(b.charsPerLine, 8, 128);
    style.text = QColor(b.text.r, b.text.g, b.text.b);
    style.background = QColor(b.background.r, b.background.g, b.background.b);
    style.border = QColor(b.border.r, b.border.g, b.border.b);
    if (!b.fontName.empty())
        style.fontFamily = QString::fromStdU16String(b.fontName);
    style.fontHeight = std::clamp(b.fontHeight, -72, 72);
    style.fontWeight = std::clamp(b.fontWeight, 100, 900);
    style.italic = b.italic;
    return style;
}

std::int32_t styleFromFlags(const acs::CharacterInfo& info) {
    if (!info.balloon)
        return 0;
    std::int32_t style = agent::Balloon::kBalloonOn;
    if (info.flags & kFileBalloonSizeToText)
        style |= kBalloonSizeToText;
    if (!(info.flags & kFileBalloonNoAutoHide))
        style |= kBalloonAutoHide;
    if (!(info.flags & kFileBalloonNoAutoPace))
        style |= kBalloonAutoPace;
    return style;
}

}  // namespace

SpeechBalloon::SpeechBalloon(const acs::CharacterInfo& info, Clock& clock, int lingerMs,
                             std::function<void()> changed)
    : described_(info.balloon.has_value()),
      style_(styleFromFlags(info)),
      lingerMs_(lingerMs),
      changed_(std::move(changed)),
      closeTimer_(clock, [this] { close(); }) {
    view_.style = styleFrom(info);
    view_.style.sizeToText = (style_ & kBalloonSizeToText) != 0;
    view_.style.autoPace = (style_ & kBalloonAutoPace) != 0 || !described_;
}

void SpeechBalloon::setStyle(std::int32_t style) {
    style_ = style;
    const bool sizeToText = (style_ & kBalloonSizeToText) != 0;
    const bool autoPace = (style_ & kBalloonAutoPace) != 0;
    qCDebug(log::engine) << "balloon style" << Qt::hex << style << Qt::dec
                         << "size to text:" << sizeToText
                         << "auto-hide:" << ((style_ & kBalloonAutoHide) != 0)
                         << "auto-pace:" << autoPace;
    if (sizeToText != view_.style.sizeToText || autoPace != view_.style.autoPace) {
        view_.style.sizeToText = sizeToText;
        view_.style.autoPace = autoPace;
        if (view_.visible)
            changed_();
    }
    if (!on())
        close();
}

bool SpeechBalloon::on() const {
    return (style_ & agent::Balloon::kBalloonOn) != 0 && described_;
}

void SpeechBalloon::open(scene::BalloonKind kind, const QString& text, int revealed) {
    closeTimer_.stop();
    view_.visible = true;
    view_.kind = kind;
    view_.text = text;
    view_.revealed = revealed;
    changed_();
}

void SpeechBalloon::reveal(int end) {
    if (!view_.visible || end <= view_.revealed)
        return;
    view_.revealed = std::min<int>(end, int(view_.text.size()));
    changed_();
}

void SpeechBalloon::linger() {
    if (!view_.visible)
        return;
    if (view_.revealed < view_.text.size()) {
        view_.revealed = int(view_.text.size());
        changed_();
    }
    if (style_ & kBalloonAutoHide)
        closeTimer_.after(lingerMs_);
}

void SpeechBalloon::close() {
    closeTimer_.stop();
    if (!view_.visible)
        return;
    view_.visible = false;
    view_.text.clear();
    view_.revealed = 0;
    changed_();
}

}  // namespace vistrel::engine
