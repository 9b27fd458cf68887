// The balloon styles a character file can ask for: sized to its text, and texts of any
// length, which keep showing to their end.

#include "stage/presentation/balloon.h"
#include "support/snapshot.h"

#include <gtest/gtest.h>

#include <QFontMetrics>

using namespace vistrel;
using namespace vistrel::presentation;

namespace {

const QRect kScreen(0, 0, 800, 600);
const QRect kCharacter(300, 380, 100, 100);

// A sentence of 170 characters, as authors write them for size-to-text balloons.
const QString kSentence = QStringLiteral(
    "Welcome back! I have looked through everything you left on the desk last night, and I am "
    "happy to say that the report is finished and ready for you to read today.");

scene::BalloonView balloonOf(const QString& text, bool sizeToText) {
    scene::BalloonView balloon;
    balloon.visible = true;
    balloon.text = text;
    balloon.revealed = static_cast<int>(text.size());
    balloon.style.lines = 2;
    balloon.style.charsPerLine = 32;
    balloon.style.sizeToText = sizeToText;
    return balloon;
}

TEST(BalloonStyle, SizedToTextTheBalloonHoldsTheWholeTextWithinTheScreen) {
    const scene::BalloonView paged = balloonOf(kSentence, false);
    const scene::BalloonView sized = balloonOf(kSentence, true);
    const QFontMetrics metrics(balloonFont(sized.style));
    const auto lines = wrapText(kSentence, metrics, balloonTextWidth(sized.style, metrics));
    ASSERT_GE(lines.size(), 5u);

    const BalloonLayout two = layoutBalloon(paged, kCharacter, kScreen);
    const BalloonLayout all = layoutBalloon(sized, kCharacter, kScreen);
    EXPECT_EQ(two.shownLines.size(), 2u);
    ASSERT_EQ(all.shownLines.size(), lines.size());
    EXPECT_EQ(all.shownLines.back(), kSentence.mid(lines.back().start, lines.back().length));
    EXPECT_GE(all.textRect.height(), int(lines.size()) * all.lineHeight);
    EXPECT_TRUE(kScreen.contains(all.bounds));
    saveSnapshot(renderBalloon(all, sized.style), QStringLiteral("balloon-size-to-text"));

    // Before a word is spoken the balloon already has its full size.
    scene::BalloonView start = sized;
    start.revealed = 0;
    EXPECT_EQ(layoutBalloon(start, kCharacter, kScreen).body, all.body);

    // On a screen too small for the text it takes the screen's height and scrolls.
    const QRect small(0, 0, 800, 5 * all.lineHeight);
    const BalloonLayout cramped = layoutBalloon(sized, QRect(300, 0, 100, 100), small);
    EXPECT_TRUE(small.contains(cramped.bounds));
    EXPECT_LT(cramped.shownLines.size(), lines.size());
    EXPECT_GE(cramped.shownLines.size(), 1u);
    EXPECT_EQ(cramped.shownLines.back(), all.shownLines.back());
}

TEST(BalloonStyle, NoTextLengthStopsTheBalloon) {
    // About 60 000 characters of numbered words: far more than is laid out at once.
    QString text;
    for (int i = 0; text.size() < 60000; ++i)
        text += QStringLiteral("word%1 ").arg(i);
    text = text.trimmed();
    scene::BalloonView balloon = balloonOf(text, false);
    QString lastShown;
    for (int revealed : {100, kMaxBalloonText - 3, kMaxBalloonText + 5, 30001, 45678,
                         static_cast<int>(text.size())}) {
        SCOPED_TRACE(revealed);
        balloon.revealed = revealed;
        const BalloonLayout layout = layoutBalloon(balloon, kCharacter, kScreen);
        ASSERT_FALSE(layout.shownLines.empty());
        // The last line shown ends exactly where speech is.
        EXPECT_TRUE(text.left(revealed).endsWith(layout.shownLines.back()))
            << layout.shownLines.back().toStdString();
        EXPECT_NE(layout.shownLines.back(), lastShown);
        lastShown = layout.shownLines.back();
    }
    EXPECT_TRUE(lastShown.endsWith(text.section(u' ', -1)));

    // Windows start at word starts and always contain the spoken position.
    for (int revealed = 0; revealed <= text.size(); revealed += 997) {
        const int start = windowStart(text, revealed);
        EXPECT_TRUE(start == 0 || text[start - 1] == u' ') << revealed;
        EXPECT_LE(start, std::max(0, revealed - 1));
        EXPECT_LE(revealed, start + kMaxBalloonText);
    }
}

}  // namespace
