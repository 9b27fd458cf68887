#pragma once

#include <QIcon>
#include <QImage>

namespace vistrel::app {

// The program's icon, drawn at `size` x `size` pixels: a character in a pointed hat with a
// speech balloon.
QImage programIcon(int size);

// The pictures of the commands that have a toolbar button.
enum class CommandPicture {
    New,
    Open,
    Save,
    Cut,
    Copy,
    Paste,
    Bold,
    Italic,
    CharacterFolder,
    LoadCharacters,
    UnloadAll,
    Stop,
    Play,
};

// A command's picture at the sizes toolbars and menus use.
QIcon commandIcon(CommandPicture picture);

}  // namespace vistrel::app
