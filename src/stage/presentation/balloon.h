#pragma once

// A character's balloon: its font, how its text wraps into pages, where it stands beside the
// character and how it is painted. Everything here is a pure function of the balloon data, the
// character's rectangle and the screen, so every stage draws the very same pixels.

#include "scene/scene.h"

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include <vector>

class QFontMetrics;
class QPainter;

namespace vistrel::presentation {

// Limits on what a character file may ask of a balloon.
inline constexpr int kMaxBalloonLines = 32;
inline constexpr int kMaxCharsPerLine = 200;
// Characters laid out at once; longer texts are laid out a window at a time (windowStart).
inline constexpr int kMaxBalloonText = 8192;

// Distances in pixels.
inline constexpr int kBalloonTail = 24;  // from the balloon's body to the character
inline constexpr int kBalloonPadX = 8;
inline constexpr int kBalloonPadY = 5;
inline constexpr int kBalloonRadius = 8;  // corners of the Speak balloon
inline constexpr int kCloudBump = 11;     // radius of the Think cloud's bumps

QFont balloonFont(const scene::BalloonStyle& style);

// The widest a line of text may be: `charsPerLine` average characters of the balloon font.
int balloonTextWidth(const scene::BalloonStyle& style, const QFontMetrics& metrics);

// One wrapped line: `length` characters of the text from `start`, without the blanks that
// ended it.
struct TextLine {
    int start = 0;
    int length = 0;
};

// Wraps `text` at blanks so that no line is wider than `width`; a word wider than a whole line
// is cut where it no longer fits. Line breaks in the text start new lines.
std::vector<TextLine> wrapText(const QString& text, const QFontMetrics& metrics, int width);

// The line that holds the last of the first `revealed` characters; 0 while nothing is
// revealed.
int lineOf(const std::vector<TextLine>& lines, int revealed);

// The page (a run of `linesPerPage` lines) that holds the last of the first `revealed`
// characters; page 0 while nothing is revealed.
int pageOf(const std::vector<TextLine>& lines, int linesPerPage, int revealed);

// Where the window of at most kMaxBalloonText characters laid out for a text with `revealed`
// characters spoken begins: 0 for texts that fit, otherwise a word start shortly before the
// spoken position, moving on by half a window at a time.
int windowStart(const QString& text, int revealed);

enum class BalloonSide { Above, Below, Right, Left, Over };

struct BalloonLayout {
    scene::BalloonKind kind = scene::BalloonKind::Speak;
    BalloonSide side = BalloonSide::Above;
    QRect body;      // the rounded box or the cloud, in screen pixels
    QPoint tip;      // where the tail or the last bubble points: beside the character
    QRect bounds;    // body and tail together: the balloon's window
    QRect textRect;  // where the lines go, inside the body
    QFont font;
    int lineHeight = 0;
    std::vector<QString> shownLines;  // the page shown, cut at the last revealed character
};

// Lays out `balloon` for a character occupying `character` on `screen`: above it, or below,
// right or left of it where there is no room, and always within the screen. Of the sides with
// room, the first that leaves `keepClear` (say, the program's main window) uncovered wins when
// there is one. Its style says how many lines show (`lines`, or as many as the text needs with
// `sizeToText`) and whether they scroll as they are spoken (`autoPace`) or show a page at a
// time. Returns a layout with an empty `bounds` when the balloon is not visible.
BalloonLayout layoutBalloon(const scene::BalloonView& balloon, const QRect& character,
                            const QRect& screen, const QRect& keepClear = {});

// Paints the balloon at its screen position; translate the painter to put it elsewhere.
void paintBalloon(QPainter& painter, const BalloonLayout& layout, const scene::BalloonStyle& style);

// The balloon drawn on a transparent image the size of `layout.bounds`.
QImage renderBalloon(const BalloonLayout& layout, const scene::BalloonStyle& style);

}  // namespace vistrel::presentation
