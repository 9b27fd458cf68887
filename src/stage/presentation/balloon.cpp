#include "stage/presentation/balloon.h"

#include <QFontMetrics>
#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace vistrel::presentation {

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r';
}

int advance(const QFontMetrics& metrics, const QString& text, int start, int length) {
    return metrics.horizontalAdvance(text.mid(start, length));
}

// Wraps one paragraph (no line breaks inside) into `lines`.
void wrapParagraph(const QString& text, int begin, int end, const QFontMetrics& metrics, int width,
                   std::vector<TextLine>& lines) {
    int lineStart = -1;
    int lineEnd = 0;
    int pos = begin;
    bool any = false;
    while (pos < end) {
        while (pos < end && isBlank(text[pos]))
            ++pos;
        if (pos == end)
            break;
        int wordEnd = pos;
        while (wordEnd < end && !isBlank(text[wordEnd]))
            ++wordEnd;
        const int from = lineStart < 0 ? pos : lineStart;
        // More characters than pixels cannot fit; not measuring them keeps a long word from
        // being measured whole for every line cut from it.
        if (wordEnd - from <= width && advance(metrics, text, from, wordEnd - from) <= width) {
            lineStart = from;
            lineEnd = wordEnd;
            pos = wordEnd;
            continue;
        }
        if (lineStart >= 0) {  // the word starts the next line
            lines.push_back({lineStart, lineEnd - lineStart});
            any = true;
            lineStart = -1;
            continue;
        }
        // A word wider than a whole line: take as much of it as fits, at least one character.
        int fits = pos + 1;  // known to be taken
        int tooLong = std::min(wordEnd, pos + width) + 1;
        while (tooLong - fits > 1) {
            const int middle = fits + (tooLong - fits) / 2;
            if (advance(metrics, text, pos, middle - pos) <= width)
                fits = middle;
            else
                tooLong = middle;
        }
        int cut = fits;
        // Never split a surrogate pair.
        if (cut < wordEnd && text[cut - 1].isHighSurrogate())
            cut = cut - 1 > pos ? cut - 1 : cut + 1;
        lines.push_back({pos, cut - pos});
        any = true;
        pos = cut;
    }
    if (lineStart >= 0) {
        lines.push_back({lineStart, lineEnd - lineStart});
        any = true;
    }
    if (!any)
        lines.push_back({begin, 0});
}

struct Placement {
    BalloonSide side;
    QRect body;
};

Placement place(QSize size, const QRect& character, const QRect& screen, const QRect& keepClear) {
    const int w = size.width();
    const int h = size.height();
    auto clampX = [&](int x) {
        return std::clamp(x, screen.left(), std::max(screen.left(), screen.right() + 1 - w));
    };
    auto clampY = [&](int y) {
        return std::clamp(y, screen.top(), std::max(screen.top(), screen.bottom() + 1 - h));
    };
    const int cx = character.center().x();
    const Placement sides[] = {
        {BalloonSide::Above, QRect(clampX(cx - w / 2), character.top() - kBalloonTail - h, w, h)},
        {BalloonSide::Below,
         QRect(clampX(cx - w / 2), character.bottom() + 1 + kBalloonTail, w, h)},
        {BalloonSide::Right,
         QRect(character.right() + 1 + kBalloonTail, clampY(character.top()), w, h)},
        {BalloonSide::Left,
         QRect(character.left() - kBalloonTail - w, clampY(character.top()), w, h)},
    };
    // The first side with room that leaves `keepClear` uncovered; else the first with room.
    for (const Placement& p : sides)
        if (screen.contains(p.body) && !p.body.intersects(keepClear))
            return p;
    for (const Placement& p : sides)
        if (screen.contains(p.body))
            return p;
    // No room anywhere around the character: the balloon covers part of it.
    const QRect& above = sides[0].body;
    return {BalloonSide::Over, QRect(clampX(above.x()), clampY(above.y()), w, h)};
}

// Where the tail points for a balloon on `side` of `character`.
QPoint tipFor(BalloonSide side, const QRect& body, const QRect& character) {
    const int inset = kBalloonRadius + 4;
    auto along = [](int value, int low, int high) {
        return low > high ? (low + high) / 2 : std::clamp(value, low, high);
    };
    const QPoint c = character.center();
    switch (side) {
        case BalloonSide::Above:
            return {along(c.x(), body.left() + inset, body.right() - inset),
                    body.bottom() + kBalloonTail};
        case BalloonSide::Below:
            return {along(c.x(), body.left() + inset, body.right() - inset),
                    body.top() - kBalloonTail};
        case BalloonSide::Right:
            return {body.left() - kBalloonTail,
                    along(character.top() + inset, body.top() + inset, body.bottom() - inset)};
        case BalloonSide::Left:
            return {body.right() + kBalloonTail,
                    along(character.top() + inset, body.top() + inset, body.bottom() - inset)};
        case BalloonSide::Over:
            break;
    }
    return body.center();
}

// The point on the body's edge where the tail (or the row of bubbles) leaves it.
QPointF tailBase(const BalloonLayout& layout) {
    const QRectF body(layout.body);
    switch (layout.side) {
        case BalloonSide::Above:
            return {layout.tip.x() + 0.5, body.bottom() - 1.0};
        case BalloonSide::Below:
            return {layout.tip.x() + 0.5, body.top() + 1.0};
        case BalloonSide::Right:
            return {body.left() + 1.0, layout.tip.y() + 0.5};
        case BalloonSide::Left:
            return {body.right() - 1.0, layout.tip.y() + 0.5};
        case BalloonSide::Over:
            break;
    }
    return body.center();
}

QPainterPath speakPath(const BalloonLayout& layout) {
    QPainterPath body;
    body.addRoundedRect(QRectF(layout.body).adjusted(0.5, 0.5, -0.5, -0.5), kBalloonRadius,
                        kBalloonRadius);
    if (layout.side == BalloonSide::Over)
        return body;
    // A tail whose base sits on the body's edge, a little towards the body's middle.
    const QPointF base = tailBase(layout);
    const QPointF tip(layout.tip.x() + 0.5, layout.tip.y() + 0.5);
    const bool vertical = layout.side == BalloonSide::Above || layout.side == BalloonSide::Below;
    const qreal half = 6.0;
    const QPointF toMiddle = QPointF(layout.body.center()) - base;
    const QPointF shift = vertical ? QPointF(std::clamp(toMiddle.x(), -8.0, 8.0), 0)
                                   : QPointF(0, std::clamp(toMiddle.y(), -8.0, 8.0));
    const QPointF across = vertical ? QPointF(half, 0) : QPointF(0, half);
    const QPointF inward = vertical ? QPointF(0, layout.side == BalloonSide::Above ? -2 : 2)
                                    : QPointF(layout.side == BalloonSide::Left ? -2 : 2, 0);
    QPainterPath tail;
    tail.addPolygon(
        QPolygonF({base + shift - across + inward, tip, base + shift + across + inward}));
    tail.closeSubpath();
    return body.united(tail);
}

// The cloud: a box whose edges are covered by a ring of overlapping bumps.
void paintCloud(QPainter& painter, const BalloonLayout& layout, const scene::BalloonStyle& style) {
    const QRectF inner =
        QRectF(layout.body).adjusted(kCloudBump, kCloudBump, -kCloudBump, -kCloudBump);
    const qreal r = kCloudBump - 0.5;
    const qreal step = kCloudBump * 1.4;
    std::vector<QPointF> bumps;
    auto bumpsAlong = [&](QPointF from, QPointF to) {
        const int n = std::max(1, static_cast<int>(std::lround(QLineF(from, to).length() / step)));
        for (int i = 0; i < n; ++i)
            bumps.push_back(from + (to - from) * (static_cast<qreal>(i) / n));
    };
    bumpsAlong(inner.topLeft(), inner.topRight());
    bumpsAlong(inner.topRight(), inner.bottomRight());
    bumpsAlong(inner.bottomRight(), inner.bottomLeft());
    bumpsAlong(inner.bottomLeft(), inner.topLeft());
    // Outline every bump, then fill over the outlines' inner parts: only the outer edge of
    // the ring keeps its line. Much cheaper than computing the union's outline.
    painter.setPen(QPen(style.border, 1.0));
    painter.setBrush(style.background);
    for (const QPointF& centre : bumps)
        painter.drawEllipse(centre, r, r);
    painter.setPen(Qt::NoPen);
    painter.drawRect(inner);
    for (const QPointF& centre : bumps)
        painter.drawEllipse(centre, r - 1.0, r - 1.0);
}

// The thought bubbles between the cloud and the character: centres and radii.
std::vector<std::pair<QPointF, qreal>> thoughtBubbles(const BalloonLayout& layout) {
    if (layout.side == BalloonSide::Over)
        return {};
    const QPointF base = tailBase(layout);
    const QPointF tip(layout.tip.x() + 0.5, layout.tip.y() + 0.5);
    const QLineF line(base, tip);
    const qreal length = line.length();
    if (length < 1.0)
        return {};
    const QPointF dir = (tip - base) / length;
    // Apart by more than the outline's width, so each bubble stands on its own.
    const qreal radii[] = {4.0, 2.8, 1.8};
    const qreal at[] = {4.5, 14.0, 21.0};  // distances from the body's edge
    std::vector<std::pair<QPointF, qreal>> bubbles;
    for (int i = 0; i < 3; ++i)
        bubbles.emplace_back(base + dir * std::min(at[i], length - radii[i]), radii[i]);
    return bubbles;
}

}  // namespace

QFont balloonFont(const scene::BalloonStyle& style) {
    QFont font(style.fontFamily.isEmpty() ? QStringLiteral("Sans") : style.fontFamily);
    // Negative heights give the characters' height; positive ones the whole cell, of which
    // the characters take about four fifths.
    const int height = std::clamp(style.fontHeight, -1000, 1000);
    int pixels = height < 0 ? -height : height * 4 / 5;
    if (height == 0)
        pixels = 13;
    font.setPixelSize(std::clamp(pixels, 6, 72));
    font.setWeight(style.fontWeight <= 0
                       ? QFont::Normal
                       : static_cast<QFont::Weight>(std::clamp(style.fontWeight, 100, 900)));
    font.setItalic(style.italic);
    return font;
}

int balloonTextWidth(const scene::BalloonStyle& style, const QFontMetrics& metrics) {
    return std::clamp(style.charsPerLine, 1, kMaxCharsPerLine) *
           std::max(1, metrics.averageCharWidth());
}

std::vector<TextLine> wrapText(const QString& text, const QFontMetrics& metrics, int width) {
    std::vector<TextLine> lines;
    const int size = static_cast<int>(std::min<qsizetype>(text.size(), kMaxBalloonText));
    width = std::max(width, 1);
    int begin = 0;
    while (begin <= size) {
        int end = begin;
        while (end < size && text[end] != u'\n')
            ++end;
        wrapParagraph(text, begin, end, metrics, width, lines);
        if (end == size)
            break;
        begin = end + 1;
    }
    return lines;
}

int lineOf(const std::vector<TextLine>& lines, int revealed) {
    if (revealed <= 0 || lines.empty())
        return 0;
    const int last = revealed - 1;
    // The first line starting after the last revealed character, less one.
    const auto after =
        std::upper_bound(lines.begin(), lines.end(), last,
                         [](int at, const TextLine& line) { return at < line.start; });
    return std::max(0, static_cast<int>(after - lines.begin()) - 1);
}

int pageOf(const std::vector<TextLine>& lines, int linesPerPage, int revealed) {
    return lineOf(lines, revealed) / std::max(1, linesPerPage);
}

int windowStart(const QString& text, int revealed) {
    if (text.size() <= kMaxBalloonText || revealed <= 1)
        return 0;
    constexpr int kStep = kMaxBalloonText / 2;
    const int last = std::min(revealed, static_cast<int>(text.size())) - 1;
    const int start = last / kStep * kStep;
    if (start == 0)
        return 0;
    // Windows begin after a blank or line break near the step, so no word is cut.
    const int limit = std::min(static_cast<int>(text.size()), start + 200);
    for (int i = start; i < limit; ++i)
        if (text[i] == u'\n' || isBlank(text[i]))
            return i + 1;
    return text[start].isLowSurrogate() ? start + 1 : start;
}

BalloonLayout layoutBalloon(const scene::BalloonView& balloon, const QRect& character,
                            const QRect& screen, const QRect& keepClear) {
    BalloonLayout layout;
    layout.kind = balloon.kind;
    if (!balloon.visible || screen.isEmpty())
        return layout;
    const scene::BalloonStyle& style = balloon.style;
    layout.font = balloonFont(style);
    const QFontMetrics metrics(layout.font);
    layout.lineHeight = metrics.lineSpacing();

    // A text longer than can be laid out at once is laid out in windows that follow the
    // spoken position, so a long speech shows to its end.
    const int offset = windowStart(balloon.text, balloon.revealed);
    const QString text = balloon.text.mid(offset, kMaxBalloonText);
    const int maxWidth = balloonTextWidth(style, metrics);
    const std::vector<TextLine> lines = wrapText(text, metrics, maxWidth);
    const int revealed = std::clamp(balloon.revealed - offset, 0, static_cast<int>(text.size()));
    const int margin = balloon.kind == scene::BalloonKind::Think ? kCloudBump : 0;
    const int screenRows = std::max(
        1, (screen.height() - 2 * (kBalloonPadY + margin)) / std::max(1, layout.lineHeight));
    const int lineCount = static_cast<int>(lines.size());
    // Sized to its text, the balloon shows every line the screen has room for.
    const int perPage = style.sizeToText ? std::clamp(lineCount, 1, screenRows)
                                         : std::clamp(style.lines, 1, kMaxBalloonLines);

    // The balloon keeps one size for the whole speech, so it does not grow word by word.
    int widest = 0;
    for (const TextLine& line : lines)
        widest = std::max(widest, advance(metrics, text, line.start, line.length));
    const int textWidth =
        std::clamp(widest, 2 * layout.lineHeight, std::max(2 * layout.lineHeight, maxWidth));
    const int rows = std::clamp(lineCount, 1, perPage);

    // Paced, the lines show as they are spoken and older ones scroll up; otherwise the page
    // being spoken shows whole.
    const int current = lineOf(lines, revealed);
    const int first =
        style.autoPace ? std::max(0, current - perPage + 1) : current / perPage * perPage;
    const int shownEnd = style.autoPace ? revealed : static_cast<int>(text.size());
    const int last = std::min(lineCount, first + perPage);
    for (int i = first; i < last; ++i) {
        const int end = std::min(lines[i].start + lines[i].length, shownEnd);
        if (end <= lines[i].start && (style.autoPace || lines[i].length > 0))
            break;
        layout.shownLines.push_back(text.mid(lines[i].start, std::max(0, end - lines[i].start)));
    }

    QSize size(textWidth + 2 * (kBalloonPadX + margin),
               rows * layout.lineHeight + 2 * (kBalloonPadY + margin));
    size = size.boundedTo(screen.size());

    const Placement placement = place(size, character, screen, keepClear);
    layout.side = placement.side;
    layout.body = placement.body;
    // A character partly off the screen may have its edge off it too: the tail stops at the
    // screen's edge.
    const QPoint tip = tipFor(layout.side, layout.body, character);
    layout.tip = QPoint(std::clamp(tip.x(), screen.left(), screen.right()),
                        std::clamp(tip.y(), screen.top(), screen.bottom()));
    layout.bounds = layout.body.united(QRect(layout.tip, QSize(1, 1)));
    layout.textRect = layout.body.adjusted(kBalloonPadX + margin, kBalloonPadY + margin,
                                           -(kBalloonPadX + margin), -(kBalloonPadY + margin));
    return layout;
}

void paintBalloon(QPainter& painter, const BalloonLayout& layout,
                  const scene::BalloonStyle& style) {
    if (layout.bounds.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(style.border, 1.0));
    painter.setBrush(style.background);
    if (layout.kind == scene::BalloonKind::Speak) {
        painter.drawPath(speakPath(layout));
    } else {
        paintCloud(painter, layout, style);
        painter.setPen(QPen(style.border, 1.0));
        for (const auto& [centre, radius] : thoughtBubbles(layout))
            painter.drawEllipse(centre, radius, radius);
    }
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(layout.font);
    painter.setPen(style.text);
    painter.setClipRect(layout.textRect);
    const QFontMetrics metrics(layout.font);
    int baseline = layout.textRect.top() + metrics.ascent();
    for (const QString& line : layout.shownLines) {
        painter.drawText(QPoint(layout.textRect.left(), baseline), line);
        baseline += layout.lineHeight;
    }
    painter.restore();
}

QImage renderBalloon(const BalloonLayout& layout, const scene::BalloonStyle& style) {
    if (layout.bounds.isEmpty())
        return {};
    QImage image(layout.bounds.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.translate(-layout.bounds.topLeft());
    paintBalloon(painter, layout, style);
    return image;
}

}  // namespace vistrel::presentation
