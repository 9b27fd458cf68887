#pragma once

#include <QIcon>
#include <QImage>

namespace vistrel::app {

// The program's icon, drawn at `size` x `size` pixels: a character in a pointed hat with a
// speech balloon.
QImage programIcon(int size);

// The picture of the toolbar button with the given index (from 1); a null icon for the
// separators.
QIcon toolbarIcon(int index);

}  // namespace vistrel::app
