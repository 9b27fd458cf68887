#pragma once

// The entries of a character's pop-up menu and what choosing one does. Both stages build their
// menus from this list, so what a person sees and what tests check are the same.

#include "scene/scene.h"

#include <QString>

#include <vector>

namespace vistrel::presentation {

struct PopupItem {
    enum class Kind {
        Heading,    // the Commands caption: shown, never chosen
        Command,    // one of the character's own entries
        Separator,  // between the character's entries and the service's own
        Hide,       // the service's "Hide"
    };
    Kind kind = Kind::Command;
    QString text;  // what the menu shows
    QString name;  // for Command: the entry's name, handed back to the scene
    bool enabled = true;
};

// The character's visible Commands entries (headed by its caption when it has one), then the
// service's "Hide".
std::vector<PopupItem> popupItems(const scene::CharacterView& character);

// Hands the choice of `item` on character `id` to the scene; headings, separators and disabled
// entries do nothing.
void choosePopupItem(scene::Scene& scene, const QString& id, const PopupItem& item);

}  // namespace vistrel::presentation
