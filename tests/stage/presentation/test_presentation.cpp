// Balloon layout and painting, window shapes and the pop-up menu's entries.

#include "support/fakescene.h"

#include "stage/presentation/balloon.h"
#include "stage/presentation/popupmenu.h"
#include "stage/presentation/shape.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPainter>

using namespace vistrel;
using namespace vistrel::scene;
using namespace vistrel::presentation;
using vistrel::engine::testing::FakeScene;
using vistrel::engine::testing::makeFrame;

namespace {

const QRect kScreen(0, 0, 800, 600);
const QString kLongText = QStringLiteral(
    "Hello there, I am a character who talks a great deal. This sentence keeps going so that it "
    "needs several lines and more than one page of the balloon to be shown to the end.");

scene::BalloonView speech(const QString& text,
                          scene::BalloonKind kind = scene::BalloonKind::Speak) {
    scene::BalloonView balloon;
    balloon.visible = true;
    balloon.kind = kind;
    balloon.text = text;
    balloon.revealed = static_cast<int>(text.size());
    return balloon;
}

QString joined(const QString& text, const std::vector<TextLine>& lines) {
    QStringList parts;
    for (const TextLine& line : lines)
        parts << text.mid(line.start, line.length);
    return parts.join(u' ');
}

QString squeezed(QString text) {
    return text.simplified();
}

}  // namespace

TEST(Shape, RegionHoldsExactlyTheOpaquePixels) {
    QImage image(37, 29, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::red);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRect(2, 3, 30, 22));
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillRect(QRect(10, 10, 6, 4), Qt::transparent);
    painter.end();
    image.setPixel(36, 28, qRgba(0, 0, 0, 255));  // a lone pixel in the corner

    for (int threshold : {1, 128, 255}) {
        const QRegion region = opaqueRegion(image, threshold);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ASSERT_EQ(region.contains(QPoint(x, y)), qAlpha(image.pixel(x, y)) >= threshold)
                    << x << "," << y << " threshold " << threshold;
    }
    // Rows with the same runs share rectangles.
    EXPECT_LT(opaqueRegion(makeFrame({64, 64}, Qt::red)).rectCount(), 3);
    EXPECT_TRUE(opaqueRegion(QImage()).isEmpty());
    QImage opaque(5, 7, QImage::Format_RGB32);
    opaque.fill(Qt::blue);
    EXPECT_EQ(opaqueRegion(opaque), QRegion(0, 0, 5, 7));
}

TEST(BalloonText, WrapsAtBlanksWithinTheWidthAndKeepsEveryWord) {
    const QFontMetrics metrics(balloonFont(scene::BalloonStyle{}));
    for (int width : {110, 150, 400}) {
        const auto lines = wrapText(kLongText, metrics, width);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(joined(kLongText, lines).toStdString(), squeezed(kLongText).toStdString())
            << width;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const QString line = kLongText.mid(lines[i].start, lines[i].length);
            EXPECT_LE(metrics.horizontalAdvance(line), width) << line.toStdString();
            EXPECT_FALSE(line.startsWith(u' ') || line.endsWith(u' '));
            // Each line is as full as it can be: the next word would not have fitted.
            if (i + 1 < lines.size()) {
                const QString next = kLongText.mid(lines[i + 1].start, lines[i + 1].length);
                const QString firstWord = next.section(u' ', 0, 0);
                EXPECT_GT(metrics.horizontalAdvance(line + u' ' + firstWord), width);
            }
        }
    }
    EXPECT_LT(wrapText(kLongText, metrics, 400).size(), wrapText(kLongText, metrics, 150).size());
}

TEST(BalloonText, CutsOverlongWordsAndBreaksAtNewlines) {
    const QFontMetrics metrics(balloonFont(scene::BalloonStyle{}));
    const QString word(200, u'W');
    const auto cut = wrapText(word, metrics, 100);
    ASSERT_GT(cut.size(), 1u);
    int total = 0;
    for (const TextLine& line : cut) {
        EXPECT_GE(line.length, 1);
        EXPECT_LE(metrics.horizontalAdvance(word.mid(line.start, line.length)), 100);
        total += line.length;
    }
    EXPECT_EQ(total, word.size());
    // Even a line narrower than one letter gets a letter per line.
    EXPECT_EQ(wrapText(QStringLiteral("abc"), metrics, 1).size(), 3u);

    const QString text = QStringLiteral("one\n\ntwo three");
    const auto lines = wrapText(text, metrics, 1000);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(text.mid(lines[0].start, lines[0].length), "one");
    EXPECT_EQ(lines[1].length, 0);
    EXPECT_EQ(text.mid(lines[2].start, lines[2].length), "two three");

    EXPECT_EQ(wrapText(QString(), metrics, 100).size(), 1u);
    const TextLine last = wrapText(QString(kMaxBalloonText * 2, u'x'), metrics, 10000).back();
    EXPECT_EQ(last.start + last.length, kMaxBalloonText);
}

TEST(BalloonText, PacedTextScrollsUpAndUnpacedTextShowsWholePages) {
    scene::BalloonView balloon = speech(kLongText);
    balloon.style.lines = 2;
    balloon.style.charsPerLine = 20;
    const QFontMetrics metrics(balloonFont(balloon.style));
    const auto lines = wrapText(kLongText, metrics, balloonTextWidth(balloon.style, metrics));
    ASSERT_GE(lines.size(), 5u);
    const QRect character(300, 300, 100, 100);
    const auto line = [&](std::size_t i) { return kLongText.mid(lines[i].start, lines[i].length); };

    balloon.revealed = 0;
    const BalloonLayout empty = layoutBalloon(balloon, character, kScreen);
    EXPECT_TRUE(empty.shownLines.empty());
    EXPECT_FALSE(empty.bounds.isEmpty());

    // The whole third line revealed: the first line has scrolled away.
    balloon.revealed = lines[2].start + lines[2].length;
    const BalloonLayout third = layoutBalloon(balloon, character, kScreen);
    EXPECT_EQ(third.shownLines, (std::vector<QString>{line(1), line(2)}));

    // Halfway through the fourth line: the third above it, the fourth cut where speech is.
    balloon.revealed = lines[3].start + 3;
    const BalloonLayout fourth = layoutBalloon(balloon, character, kScreen);
    EXPECT_EQ(fourth.shownLines, (std::vector<QString>{line(2), kLongText.mid(lines[3].start, 3)}));

    // The balloon keeps its size while the words come.
    EXPECT_EQ(empty.body.size(), third.body.size());
    EXPECT_EQ(third.body.size(), fourth.body.size());
    EXPECT_EQ(pageOf(lines, 2, static_cast<int>(kLongText.size())),
              static_cast<int>(lines.size() - 1) / 2);

    // Not paced: the page being spoken shows whole, from before its first word.
    balloon.style.autoPace = false;
    balloon.revealed = 0;
    EXPECT_EQ(layoutBalloon(balloon, character, kScreen).shownLines,
              (std::vector<QString>{line(0), line(1)}));
    balloon.revealed = lines[2].start + 1;
    EXPECT_EQ(layoutBalloon(balloon, character, kScreen).shownLines,
              (std::vector<QString>{line(2), line(3)}));
}

TEST(BalloonLayout, WidthComesFromCharsPerLineAndHeightFromLines) {
    scene::BalloonView balloon = speech(kLongText);
    const QRect character(300, 300, 100, 100);
    balloon.style.charsPerLine = 16;
    const QRect narrow = layoutBalloon(balloon, character, kScreen).body;
    balloon.style.charsPerLine = 40;
    const QRect wide = layoutBalloon(balloon, character, kScreen).body;
    EXPECT_GT(wide.width(), narrow.width() * 2);
    balloon.style.lines = 4;
    const QRect tall = layoutBalloon(balloon, character, kScreen).body;
    EXPECT_EQ(tall.width(), wide.width());
    EXPECT_EQ(tall.height() - wide.height(),
              2 * QFontMetrics(balloonFont(balloon.style)).lineSpacing());
    // A short speech makes a small balloon.
    EXPECT_LT(layoutBalloon(speech(QStringLiteral("Hi there")), character, kScreen).body.width(),
              narrow.width());
    // Absurd styles from a character file stay within limits.
    balloon.style.charsPerLine = 1'000'000;
    balloon.style.lines = -5;
    balloon.style.fontHeight = -2'000'000'000;
    const BalloonLayout wild = layoutBalloon(balloon, character, kScreen);
    EXPECT_TRUE(kScreen.contains(wild.bounds));
    EXPECT_LE(wild.font.pixelSize(), 72);
}

TEST(BalloonLayout, StandsAboveBelowOrBesideTheCharacterAndAlwaysOnScreen) {
    const QSize size(100, 120);
    struct Case {
        const char* where;
        QPoint topLeft;
        BalloonSide side;
    };
    const Case cases[] = {
        {"middle", {350, 300}, BalloonSide::Above},
        {"top edge", {350, 0}, BalloonSide::Below},
        {"top left corner", {0, 0}, BalloonSide::Below},
        {"top right corner", {700, 0}, BalloonSide::Below},
        {"bottom edge", {350, 480}, BalloonSide::Above},
        {"bottom left corner", {0, 480}, BalloonSide::Above},
        {"bottom right corner", {700, 480}, BalloonSide::Above},
        {"left edge", {0, 250}, BalloonSide::Above},
        {"right edge", {700, 250}, BalloonSide::Above},
        {"partly off the left", {-50, 250}, BalloonSide::Above},
        {"partly off the top right", {760, -60}, BalloonSide::Below},
        {"just above the screen", {350, -122}, BalloonSide::Below},
    };
    for (scene::BalloonKind kind : {scene::BalloonKind::Speak, scene::BalloonKind::Think}) {
        for (const Case& c : cases) {
            const QRect character(c.topLeft, size);
            const BalloonLayout layout = layoutBalloon(speech(kLongText, kind), character, kScreen);
            SCOPED_TRACE(c.where);
            EXPECT_EQ(layout.side, c.side);
            EXPECT_TRUE(kScreen.contains(layout.bounds));
            EXPECT_FALSE(layout.bounds.intersects(character));
            EXPECT_TRUE(layout.bounds.contains(layout.body));
            EXPECT_TRUE(layout.body.contains(layout.textRect));
            // The tail reaches to the character's edge, or to the screen's where that is off it.
            EXPECT_TRUE(
                character.adjusted(-1, -1, 1, 1).intersected(kScreen).contains(layout.tip) ||
                (kScreen.contains(layout.tip) && !kScreen.intersects(character)));
        }
    }
}

TEST(BalloonLayout, GoesBesideWhenNeitherAboveNorBelowFitsAndOverOnlyWithNoRoomAtAll) {
    const QRect flat(0, 0, 800, 160);  // a wide, low screen
    const scene::BalloonView balloon = speech(kLongText);
    const BalloonLayout right = layoutBalloon(balloon, QRect(100, 30, 100, 100), flat);
    EXPECT_EQ(right.side, BalloonSide::Right);
    EXPECT_GT(right.body.left(), 200);
    EXPECT_TRUE(flat.contains(right.bounds));
    const BalloonLayout left = layoutBalloon(balloon, QRect(600, 30, 100, 100), flat);
    EXPECT_EQ(left.side, BalloonSide::Left);
    EXPECT_LT(left.body.right(), 600);
    EXPECT_TRUE(flat.contains(left.bounds));

    const QRect tiny(0, 0, 300, 160);
    const BalloonLayout over = layoutBalloon(balloon, QRect(100, 30, 100, 100), tiny);
    EXPECT_EQ(over.side, BalloonSide::Over);
    EXPECT_TRUE(tiny.contains(over.bounds));
}

TEST(BalloonLayout, TakesTheFirstSideWithRoomThatLeavesAWindowUncovered) {
    const QRect screen(0, 0, 1024, 768);
    const QRect window(239, 189, 545, 390);  // a main window centred on that screen
    const scene::BalloonView balloon = speech(kLongText);

    // At the top of the screen the balloon would go below, over the window's menus: beside.
    const QRect top(200, 0, 128, 128);
    ASSERT_TRUE(layoutBalloon(balloon, top, screen).body.intersects(window));
    const BalloonLayout clear = layoutBalloon(balloon, top, screen, window);
    EXPECT_EQ(clear.side, BalloonSide::Right);
    EXPECT_FALSE(clear.bounds.intersects(window));
    EXPECT_TRUE(screen.contains(clear.bounds));

    // Where the usual side is already clear, nothing changes.
    const QRect lower(100, 100, 128, 128);
    ASSERT_FALSE(layoutBalloon(balloon, lower, screen).bounds.intersects(window));
    EXPECT_EQ(layoutBalloon(balloon, lower, screen, window).body,
              layoutBalloon(balloon, lower, screen).body);

    // No clear side: as if there were no window.
    const QRect covering = screen.adjusted(0, 20, 0, 0);
    EXPECT_EQ(layoutBalloon(balloon, top, screen, covering).body,
              layoutBalloon(balloon, top, screen).body);
}

TEST(BalloonPainting, SpeakHasATailAndTextThinkACloudWithBubbles) {
    scene::BalloonView balloon = speech(QStringLiteral("Hello world, good to see you"));
    balloon.style.background = QColor(255, 255, 200);
    balloon.style.text = QColor(0, 0, 255);
    const QRect character(300, 300, 100, 100);
    auto countColour = [](const QImage& image, QColor colour, QRect area) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                n += image.pixelColor(x, y) == colour;
        return n;
    };

    const BalloonLayout speak = layoutBalloon(balloon, character, kScreen);
    const QImage speakImage = renderBalloon(speak, balloon.style);
    ASSERT_EQ(speakImage.size(), speak.bounds.size());
    const QPoint origin = speak.bounds.topLeft();
    const QRect text = speak.textRect.translated(-origin);
    EXPECT_GT(countColour(speakImage, balloon.style.text, text), 20);
    EXPECT_GT(countColour(speakImage, balloon.style.background, text),
              text.width() * text.height() / 2);
    // Halfway between the body and the character: a narrow tail near the tip, desktop
    // elsewhere.
    const int row = speak.body.bottom() + kBalloonTail / 2 - origin.y();
    int tail = 0;
    for (int x = 0; x < speakImage.width(); ++x) {
        if (qAlpha(speakImage.pixel(x, row)) > 128) {
            ++tail;
            EXPECT_LE(std::abs(x + origin.x() - speak.tip.x()), 10) << x;
        }
    }
    EXPECT_GE(tail, 3);
    EXPECT_LE(tail, 8);

    // Nothing revealed yet: the balloon without any text.
    balloon.revealed = 0;
    const QImage silent = renderBalloon(layoutBalloon(balloon, character, kScreen), balloon.style);
    EXPECT_EQ(countColour(silent, balloon.style.text, text), 0);

    balloon.kind = scene::BalloonKind::Think;
    balloon.revealed = static_cast<int>(balloon.text.size());
    const BalloonLayout think = layoutBalloon(balloon, character, kScreen);
    const QImage thinkImage = renderBalloon(think, balloon.style);
    const QPoint thinkOrigin = think.bounds.topLeft();
    EXPECT_GT(countColour(thinkImage, balloon.style.text, think.textRect.translated(-thinkOrigin)),
              20);
    // The gap to the character holds separate bubbles: along the way from the cloud to the
    // tip the pixels go from bubble to desktop and back.
    int changes = 0;
    bool inside = true;
    for (int y = think.body.bottom(); y <= think.tip.y(); ++y) {
        const bool now = qAlpha(thinkImage.pixel(QPoint(think.tip.x(), y) - thinkOrigin)) > 128;
        changes += now != inside;
        inside = now;
    }
    EXPECT_GE(changes, 4);
    // A cloud's edge is scalloped: its corner is desktop, while the rounded box's is closer.
    EXPECT_EQ(qAlpha(thinkImage.pixel(think.body.topLeft() - thinkOrigin + QPoint(2, 2))), 0);
}

TEST(PopupMenu, ListsVisibleEntriesUnderTheCaptionThenHide) {
    scene::CharacterView view;
    view.id = QStringLiteral("Merlin");
    EXPECT_EQ(popupItems(view).size(), 1u);
    EXPECT_EQ(popupItems(view)[0].text, "Hide");

    view.menu = {{"Exit", "E&xit", true, true},
                 {"Secret", "Secret", true, false},
                 {"Later", "", false, true}};
    auto items = popupItems(view);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].kind, PopupItem::Kind::Command);
    EXPECT_EQ(items[0].text, "E&xit");
    EXPECT_EQ(items[1].text, "Later");  // no caption: its name
    EXPECT_FALSE(items[1].enabled);
    EXPECT_EQ(items[2].kind, PopupItem::Kind::Separator);
    EXPECT_EQ(items[3].kind, PopupItem::Kind::Hide);

    view.menuCaption = QStringLiteral("Vistrel");
    items = popupItems(view);
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].kind, PopupItem::Kind::Heading);
    EXPECT_EQ(items[0].text, "Vistrel");

    FakeScene scene;
    for (const PopupItem& item : items)
        choosePopupItem(scene, view.id, item);
    EXPECT_EQ(scene.calls, QStringList({"command Merlin Exit", "hide Merlin"}));
}
