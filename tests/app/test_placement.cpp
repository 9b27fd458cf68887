// Where characters loaded without a position of their own stand: beside the main window.

#include "app/services.h"

#include <gtest/gtest.h>

namespace vistrel::test {
namespace {

const QRect kScreen(0, 0, 1024, 768);
const QRect kWindow(240, 190, 545, 390);  // the main window, centred

TEST(PlaceBeside, PutsCharactersBesideTheWindowNotOverIt) {
    const QSize merlin(128, 128);
    for (int n = 0; n < 12; ++n) {
        SCOPED_TRACE(n);
        const QRect at(app::placeBeside(kWindow, kScreen, merlin, n), merlin);
        EXPECT_FALSE(at.intersects(kWindow));
        EXPECT_TRUE(kScreen.contains(at));
    }
    EXPECT_NE(app::placeBeside(kWindow, kScreen, merlin, 0),
              app::placeBeside(kWindow, kScreen, merlin, 1))
        << "a second character does not hide the first";

    // A window at the screen's right edge: the characters stand on its left.
    const QRect right(1024 - 545, 100, 545, 390);
    const QPoint left = app::placeBeside(right, kScreen, merlin, 0);
    EXPECT_EQ(left.x() + merlin.width() + 8, right.left());

    // Unknown size: beside the window on the right.
    EXPECT_GT(app::placeBeside(kWindow, kScreen, QSize(), 0).x(), kWindow.right());
}

TEST(PlaceBeside, WithNoRoomBesideTheWindowKeepsClearOfItsMenus) {
    const QRect wide(0, 0, 1024, 700);
    const QSize big(300, 300);
    const QRect at(app::placeBeside(wide, kScreen, big, 0), big);
    EXPECT_TRUE(kScreen.contains(at));
    EXPECT_GE(at.top(), wide.top() + 64);
}

}  // namespace
}  // namespace vistrel::test
